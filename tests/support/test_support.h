// Helpers shared by the tests: scripted prompts, an in-memory settings store
// and temporary folders.
#pragma once

#include "core/platform.h"

#include <cstdlib>
#include <ctime>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace nuvrel::test {

// Sets the TZ zone for one scope and goes back to UTC afterwards.
class ZoneScope {
public:
    explicit ZoneScope(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneScope() {
        setenv("TZ", "UTC", 1);
        tzset();
    }
    ZoneScope(const ZoneScope&) = delete;
    ZoneScope& operator=(const ZoneScope&) = delete;
};

// Records every prompt; questions are answered from a script (default: No).
class RecordingPrompts final : public UserPrompts {
public:
    struct Entry {
        std::string kind; // "error", "question", "message", "beep"
        int number = 0;
        std::string title;
        std::string text;
    };
    std::vector<Entry> entries;
    std::deque<bool> answers;
    bool defaultAnswer = false;

    void showError(int number, const std::string& message) override;
    bool askYesNo(const std::string& title, const std::string& text) override;
    void showMessage(const std::string& title, const std::string& text) override;
    void beep() override;

    std::vector<int> errors() const;
    int count(const std::string& kind) const;
};

// A settings store held in memory; values keep their type, so tests can plant
// values of the wrong type.
class MemorySettingsStore final : public SettingsStore {
public:
    using Value = std::variant<std::string, std::int32_t>;
    std::map<std::string, std::map<std::string, Value>> keys;
    bool refuseCreate = false;

    std::unique_ptr<SettingsKey> openKey(const std::string& path, bool create) override;
};

class FixedTimeZone final : public TimeZoneSource {
public:
    ZoneInfo zone;
    int reads = 0;
    explicit FixedTimeZone(ZoneInfo z = {}) : zone(z) {}
    ZoneInfo read() override {
        ++reads;
        return zone;
    }
};

// A fresh folder under the system's temporary folder, removed at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Points XDG_CONFIG_HOME and XDG_DATA_HOME at fresh folders kept until the
// test program ends: call it before anything reads the settings file or the
// logbook, to keep the tests out of the user's configuration and data.
void useTempConfigHome();

// An environment that holds only the given variables, for the ports and
// other services that read one.
std::function<std::optional<std::string>(const std::string&)> environmentOf(std::map<std::string, std::string> env);

// Runs a program to its end with the given arguments, the environment of the
// test plus `env` ("NAME=value" entries replace or add variables), and no
// standard input; collects its exit status (-1 when it did not exit) and
// both output streams.
struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& env = {});

std::string readFileBytes(const std::filesystem::path& path);

// Writes a w x h 24-bit BMP file in one light grey (0xC0C0C0).
void writeGreyBitmap(const std::filesystem::path& path, int w, int h);
void writeFileBytes(const std::filesystem::path& path, const std::string& bytes);

} // namespace nuvrel::test
