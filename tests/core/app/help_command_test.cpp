#include "core/app/help_command.h"
#include "core/errors.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace nuvrel {
namespace {

using Args = std::vector<std::string>;

// A desktop with files in memory and a recorded start.
struct FakeDesktop {
    std::string handler = "browser.desktop";
    std::map<std::string, std::string> env{{"HOME", "/home/pilot"}};
    std::map<std::string, std::string> files;
    bool startSucceeds = true;
    std::vector<Args> started;

    HelpEnvironment environment() {
        HelpEnvironment e;
        e.defaultHtmlHandler = [this] { return handler; };
        e.environment = [this](const std::string& n) -> std::optional<std::string> {
            auto it = env.find(n);
            if (it == env.end())
                return std::nullopt;
            return it->second;
        };
        e.readFile = [this](const std::string& p) -> std::optional<std::string> {
            auto it = files.find(p);
            if (it == files.end())
                return std::nullopt;
            return it->second;
        };
        e.fileExists = [this](const std::string& p) { return files.count(p) != 0; };
        e.startDetached = [this](const Args& a) {
            started.push_back(a);
            return startSucceeds;
        };
        e.programFolder = "/opt/nuvrel/bin";
        return e;
    }
};

TEST(HelpCommand, HelpPageLivesBesideTheProgram) {
    EXPECT_EQ(HelpFilePath("/opt/nuvrel/bin"), "/opt/nuvrel/bin/help/nuvrel.htm");
    EXPECT_EQ(HelpFilePath("/tools/"), "/tools/help/nuvrel.htm");
}

TEST(HelpCommand, ExecLineIsTakenFromTheDesktopEntryGroup) {
    const std::string entry = "[Desktop Entry]\r\nName=Browser\r\nExec = /usr/bin/browser\\s--new %u\r\n"
                              "[Desktop Action private]\nExec=/usr/bin/browser --private %u\n";
    EXPECT_EQ(DesktopEntryExec(entry), "/usr/bin/browser --new %u");
    EXPECT_EQ(DesktopEntryExec("[Desktop Action x]\nExec=foo\n"), std::nullopt);
    EXPECT_EQ(DesktopEntryExec("[Desktop Entry]\nTryExec=foo\nName=x\n"), std::nullopt);
    EXPECT_EQ(DesktopEntryExec("[Desktop Entry]\nExec=a\\\\b\n"), "a\\b");
}

TEST(HelpCommand, ExecLineQuotingIsUndone) {
    EXPECT_EQ(SplitExecLine("\"/opt/My Browser/browser\" --flag %U"),
              (Args{"/opt/My Browser/browser", "--flag", "%U"}));
    EXPECT_EQ(SplitExecLine("  browser   -a  "), (Args{"browser", "-a"}));
    EXPECT_EQ(SplitExecLine(R"(sh -c "echo \"hi\" \$HOME \\ \`x\`")"),
              (Args{"sh", "-c", "echo \"hi\" $HOME \\ `x`"}));
    EXPECT_EQ(SplitExecLine("env A=\"b c\"d run"), (Args{"env", "A=b cd", "run"}));
    EXPECT_EQ(SplitExecLine(""), Args{});
    EXPECT_EQ(SplitExecLine("\"/opt/browser --flag"), std::nullopt);
}

// The help page is one argument of its own, whatever its folder is called:
// never a part of a command line that a shell reads.
TEST(HelpCommand, ThePageNeverEntersAQuotedCommand) {
    FakeDesktop d;
    test::RecordingPrompts prompts;
    const std::string page = "/opt/x\";touch pwned;\"$(id)/help/nuvrel.htm";
    const struct {
        const char* exec;
        Args started;
    } cases[] = {
        {"sh -c \"browser %f\"", {"sh", "-c", "browser %f", page}},
        {"sh -c \"browser '%u'\" sh", {"sh", "-c", "browser '%u'", "sh", page}},
        {"browser %u", {"browser", page}},
        {"browser --page=%f", {"browser", "--page=" + page}},
    };
    for (const auto& c : cases) {
        d.files["/usr/share/applications/browser.desktop"] = std::string("[Desktop Entry]\nExec=") + c.exec + "\n";
        d.started.clear();
        HelpEnvironment env = d.environment();
        env.programFolder = "/opt/x\";touch pwned;\"$(id)";
        EXPECT_TRUE(OpenHelp(env, prompts));
        ASSERT_EQ(d.started.size(), 1u);
        EXPECT_EQ(d.started[0], c.started) << c.exec;
    }
}

TEST(HelpCommand, FieldCodesTakeTheHelpPage) {
    const std::string f = "/p/help/nuvrel.htm";
    EXPECT_EQ(ExpandExecArguments({"browser", "%u"}, f), (Args{"browser", f}));
    EXPECT_EQ(ExpandExecArguments({"browser", "--url=%U"}, f), (Args{"browser", "--url=" + f}));
    EXPECT_EQ(ExpandExecArguments({"browser", "--new"}, f), (Args{"browser", "--new", f}));
    EXPECT_EQ(ExpandExecArguments({"browser", "%i", "%c", "%k", "100%%", "%f", "%F"}, f),
              (Args{"browser", "100%", f}));
}

TEST(HelpCommand, DesktopEntriesAreFoundInTheDataFolders) {
    FakeDesktop d;
    d.files["/usr/share/applications/browser.desktop"] = "";
    d.files["/home/pilot/.local/share/applications/browser.desktop"] = "";
    d.files["/usr/share/applications/kde4/konq.desktop"] = "";
    auto env = d.environment();
    EXPECT_EQ(FindDesktopEntry("browser.desktop", env), "/home/pilot/.local/share/applications/browser.desktop");
    EXPECT_EQ(FindDesktopEntry("kde4-konq.desktop", env), "/usr/share/applications/kde4/konq.desktop");
    EXPECT_EQ(FindDesktopEntry("missing.desktop", env), "");
    EXPECT_EQ(FindDesktopEntry("../x.desktop", env), "");

    d.env["XDG_DATA_HOME"] = "/data/home";
    d.env["XDG_DATA_DIRS"] = "/a:/b/";
    EXPECT_EQ(DesktopEntryFolders(d.environment()),
              (std::vector<std::string>{"/data/home/applications/", "/a/applications/", "/b/applications/"}));
}

TEST(HelpCommand, StartsTheBrowserWithTheHelpPage) {
    FakeDesktop d;
    d.files["/usr/share/applications/browser.desktop"] =
        "[Desktop Entry]\nType=Application\nExec=\"/opt/Web Browser/browser\" --new-window %u\n";
    test::RecordingPrompts prompts;
    EXPECT_TRUE(OpenHelp(d.environment(), prompts));
    EXPECT_TRUE(prompts.entries.empty());
    ASSERT_EQ(d.started.size(), 1u);
    EXPECT_EQ(d.started[0], (Args{"/opt/Web Browser/browser", "--new-window", "/opt/nuvrel/bin/help/nuvrel.htm"}));
}

TEST(HelpCommand, FailuresShowTheirErrors) {
    struct Case {
        const char* name;
        std::string handler;
        std::string entry; // empty: no desktop file at all
        bool startSucceeds;
        int error;
    };
    const Case cases[] = {
        {"no handler", "", "[Desktop Entry]\nExec=b\n", true, kErrNoBrowser},
        {"blank handler", " \n", "[Desktop Entry]\nExec=b\n", true, kErrNoBrowser},
        {"unclosed quote", "browser.desktop", "[Desktop Entry]\nExec=\"/opt/b --x\n", true, kErrNoBrowser},
        {"no desktop file", "browser.desktop", "", true, kErrCantExecuteBrowser},
        {"no Exec", "browser.desktop", "[Desktop Entry]\nName=b\n", true, kErrCantExecuteBrowser},
        {"start fails", "browser.desktop", "[Desktop Entry]\nExec=/nowhere/b %u\n", false, kErrCantExecuteBrowser},
    };
    for (const Case& c : cases) {
        FakeDesktop d;
        d.handler = c.handler;
        d.startSucceeds = c.startSucceeds;
        if (!c.entry.empty())
            d.files["/usr/share/applications/browser.desktop"] = c.entry;
        test::RecordingPrompts prompts;
        EXPECT_FALSE(OpenHelp(d.environment(), prompts)) << c.name;
        EXPECT_EQ(prompts.errors(), std::vector<int>{c.error}) << c.name;
        EXPECT_EQ(prompts.entries.at(0).text, ErrorMessage(c.error)) << c.name;
    }
}

} // namespace
} // namespace nuvrel
