# The receiver link and the transfers (src/core/gps) report and never show:
# no include of the layers above them or of a GUI, no prompts, no progress
# window. Run as: cmake -DSOURCE_DIR=... -P gps_layer_check.cmake
file(GLOB files ${SOURCE_DIR}/src/core/gps/*.h ${SOURCE_DIR}/src/core/gps/*.cpp)
if(NOT files)
  message(FATAL_ERROR "no files under ${SOURCE_DIR}/src/core/gps")
endif()
set(forbidden
    "#include \"core/(app|formats|map|analysis|logbook)/"
    "#include \"core/errors\\.h\""
    "#include \"(ui|render|platform|cli)/"
    "#include <Q"
    "UserPrompts" "ShowError" "showError" "askYesNo" "showMessage"
    "[^a-zA-Z]Progress[&*]" "TfrmMessage")
set(found "")
foreach(f ${files})
  file(STRINGS ${f} lines)
  foreach(pattern ${forbidden})
    foreach(line ${lines})
      if(line MATCHES "${pattern}")
        string(APPEND found "\n  ${f}: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "src/core/gps reaches the user interface or a higher layer:${found}")
endif()
