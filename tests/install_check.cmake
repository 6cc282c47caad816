# Installs the build into a scratch prefix and checks that the programs, the
# desktop entry and the MIME type for ".nvl" files land where desktops look.
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
foreach(f bin/nuvrel bin/nuvrel-cli share/applications/nuvrel.desktop share/mime/packages/nuvrel.xml
          share/icons/hicolor/scalable/apps/nuvrel.svg bin/help/nuvrel.htm)
  if(NOT EXISTS ${PREFIX}/${f})
    message(FATAL_ERROR "missing after install: ${f}")
  endif()
endforeach()
file(READ ${PREFIX}/share/mime/packages/nuvrel.xml mime)
if(NOT mime MATCHES "\\*\\.nvl")
  message(FATAL_ERROR "MIME type does not claim *.nvl")
endif()
file(READ ${PREFIX}/share/applications/nuvrel.desktop desktop)
if(NOT desktop MATCHES "MimeType=application/x-nuvrel;")
  message(FATAL_ERROR "desktop entry does not open application/x-nuvrel")
endif()
file(REMOVE_RECURSE ${PREFIX})
message(STATUS "install layout ok")
