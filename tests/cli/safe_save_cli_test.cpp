// Saves by the real programs as a plain user in the folders pilots share: a
// link that another user planted in a sticky shared folder is not followed,
// another user's file is not taken without asking, and any name the folder
// can hold is saved.
#include "cli_data_file.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace nuvrel {
namespace {

namespace fs = std::filesystem;

#ifndef NUVREL_GPSSIM
#define NUVREL_GPSSIM "/bin/false" // the simulator's cases then fail, named
#endif

using SafeSaveCli = test::CliDataFile;

TEST_F(SafeSaveCli, LinksAndOwnersInSharedFoldersAsAPlainUser) {
    const auto uid = [](const char* name) { const passwd* p = ::getpwnam(name); return p ? p->pw_uid : 0; };
    const uid_t pilot = uid("nobody");
    const uid_t stranger = uid("daemon");
    const group* users = ::getgrnam("users");
    if (::getuid() != 0 || ::access("/usr/bin/setpriv", X_OK) != 0 || !pilot || !stranger || !users)
        GTEST_SKIP() << "needs root, setpriv and the users nobody and daemon to save as a plain user";
    const gid_t shared = users->gr_gid;
    data.setTrack(std::make_unique<IFTGarminTrack>(std::vector<TrackPoint>{test::pt(35, 139, 0), test::pt(35.1, 139, 60)}));
    const std::string source = save();
    ::chmod(source.c_str(), 0644);
    ::chmod(dir.path().c_str(), 0755);

    const std::string longName(250, 'n');
    const struct Case {
        const char* what;
        std::vector<std::string> args; // "@" stands for the case's folder
        const char* linkOwner;         // "pilot", "stranger", or nullptr: no link at shared/out
        int status;
        std::string says;    // in the standard error
        std::string changed; // the file that must hold the new content, or ""
    } cases[] = {
        {"save through a link a stranger planted", {NUVREL_CLI, "upgrade", source, "@/shared/out"}, "stranger", 1,
         "@/shared/out is a link that another user put in the shared folder @/shared", ""},
        {"save through the pilot's own link", {NUVREL_CLI, "upgrade", source, "@/shared/out"}, "pilot", 0, "",
         "@/home/anything"},
        {"export through a link a stranger planted", {NUVREL_CLI, "export", "text", source, "-o", "@/shared/out",
         "--track"}, "stranger", 1, "cannot write", ""},
        {"simulator path file through a planted link", {NUVREL_GPSSIM, "--path-file", "@/shared/out", "--timeout",
         "1"}, "stranger", 2, "is a link that another user put in the shared folder", ""},
        {"simulator record through a planted link", {NUVREL_GPSSIM, "--record", "@/shared/out", "--timeout", "1"},
         "stranger", 2, "is a link that another user put in the shared folder", ""},
        {"another user's file, not confirmed", {NUVREL_CLI, "upgrade", source, "@/group/theirs.nvl"}, nullptr, 1,
         "belongs to another user; saving makes it yours", ""},
        {"another user's file, confirmed", {NUVREL_CLI, "upgrade", source, "@/group/theirs.nvl", "--yes"}, nullptr, 0,
         "belongs to another user; saving makes it yours", "@/group/theirs.nvl"},
        {"a name of 250 characters", {NUVREL_CLI, "upgrade", source, "@/home/" + longName}, nullptr, 0, "",
         "@/home/" + longName},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir caseDir;
        const fs::path d = caseDir.path();
        const auto here = [&](std::string s) {
            for (std::size_t at; (at = s.find('@')) != std::string::npos;)
                s.replace(at, 1, d.string());
            return s;
        };
        // A sticky folder all may write (like /tmp), the pilot's own folder,
        // and a folder a group shares with a file of another member.
        ::chmod(d.c_str(), 0755);
        fs::create_directories(d / "shared");
        ::chmod((d / "shared").c_str(), 01777);
        fs::create_directories(d / "home");
        fs::create_directories(d / "config");
        test::writeFileBytes(d / "home" / "anything", "precious");
        for (const char* p : {"home", "home/anything", "config"})
            ASSERT_EQ(::chown((d / p).c_str(), pilot, pilot), 0);
        fs::create_directories(d / "group");
        ASSERT_EQ(::chown((d / "group").c_str(), 0, shared), 0);
        ::chmod((d / "group").c_str(), 0775);
        test::writeFileBytes(d / "group" / "theirs.nvl", "theirs");
        ASSERT_EQ(::chown((d / "group" / "theirs.nvl").c_str(), stranger, shared), 0);
        ::chmod((d / "group" / "theirs.nvl").c_str(), 0664);
        if (c.linkOwner) {
            fs::create_symlink(d / "home" / "anything", d / "shared" / "out");
            const uid_t owner = std::string(c.linkOwner) == "pilot" ? pilot : stranger;
            ASSERT_EQ(::lchown((d / "shared" / "out").c_str(), owner, owner), 0);
        }

        std::vector<std::string> args{"--reuid=nobody", "--regid=nogroup", "--groups=" + std::to_string(shared)};
        for (const std::string& a : c.args)
            args.push_back(here(a));
        const test::ProgramRun r =
            test::runProgram("/usr/bin/setpriv", args, {"XDG_CONFIG_HOME=" + (d / "config").string()});
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(here(c.says)), std::string::npos) << r.err;
        // Nothing but the file meant changed; the new one is the pilot's.
        for (const auto& [file, before] : {std::pair{"@/home/anything", "precious"}, {"@/group/theirs.nvl", "theirs"}})
            if (here(file) != here(c.changed)) {
                EXPECT_EQ(test::readFileBytes(here(file)), before) << file;
            }
        if (!c.changed.empty()) {
            EXPECT_EQ(test::readFileBytes(here(c.changed)).substr(0, 6), "NUVREL");
            struct stat st {};
            ASSERT_EQ(::stat(here(c.changed).c_str(), &st), 0);
            EXPECT_EQ(st.st_uid, pilot);
        }
        if (c.linkOwner) {
            EXPECT_TRUE(fs::is_symlink(d / "shared" / "out"));
        }
    }
}

} // namespace
} // namespace nuvrel
