// A save's temporary file is private from the moment it exists, whatever the
// umask, and short enough that any name the folder can hold can be saved.
#include "core/safe_save.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sys/stat.h>

namespace nuvrel {
namespace {

TEST(SafeSave, TheTemporaryIsPrivateAndAnyNameSaves) {
    test::TempDir dir;
    const std::string target = (dir / std::string(255, 'n')).string();
    const mode_t mask = ::umask(0);
    for (const char* content : {"first", "second"}) {
        SafeSave save(target);
        ASSERT_TRUE(save.open()) << save.error();
        struct stat st {};
        ASSERT_EQ(::fstat(save.fd(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u);
        ASSERT_TRUE(save.write(content, std::strlen(content)));
        ASSERT_TRUE(save.commit()) << save.error();
    }
    {
        SafeSave abandoned(target); // dropped half-way: leaves nothing behind
        ASSERT_TRUE(abandoned.open());
        ASSERT_TRUE(abandoned.write("half", 4));
    }
    ::umask(mask);
    EXPECT_EQ(test::readFileBytes(target), "second");
    EXPECT_EQ(std::filesystem::status(target).permissions(), std::filesystem::perms(0666));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

} // namespace
} // namespace nuvrel
