// The services the core needs from outside. The GUI, the command-line tool and
// the tests each provide their own implementations; main() builds them and
// hands them down (nothing in the core reaches for a global).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

namespace nuvrel {

// One key of the per-user settings store, opened for reading or writing.
// Values are strings or 32-bit integers, addressed by their exact names.
class SettingsKey {
public:
    virtual ~SettingsKey() = default;
    // Empty when the value is missing or not of the asked type.
    virtual std::optional<std::string> readString(const std::string& name) = 0;
    virtual std::optional<std::int32_t> readInt(const std::string& name) = 0;
    virtual bool writeString(const std::string& name, const std::string& value) = 0;
    virtual bool writeInt(const std::string& name, std::int32_t value) = 0;
};

// The per-user hierarchical key/value store. Keys are paths such as
// "Software\\Ostrel\\NuvRel".
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // Opens an existing key; null when it does not exist and create is false,
    // or when it cannot be created.
    virtual std::unique_ptr<SettingsKey> openKey(const std::string& path, bool create) = 0;
};

// The program's key in the settings store.
inline constexpr const char* kSettingsKeyPath = "Software\\Ostrel\\NuvRel";

// Message boxes, questions and the warning beep. Each call returns when the
// user has answered.
class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    // A modal box titled "Error" with a stop icon; number is the error table's.
    virtual void showError(int number, const std::string& message) = 0;
    // A Yes/No box; true for Yes.
    virtual bool askYesNo(const std::string& title, const std::string& text) = 0;
    // A plain box with an OK button.
    virtual void showMessage(const std::string& title, const std::string& text) = 0;
    virtual void beep() = 0;
};

// The progress window shown during printing: a title and one line of text.
class Progress {
public:
    virtual ~Progress() = default;
    virtual void setTitle(const std::string& title) = 0;
    virtual void setLabel(const std::string& text) = 0;
    virtual void show() = 0;
    // Paints the window now (the transfer blocks the event loop between packets).
    virtual void repaint() = 0;
    virtual void hide() = 0;
};

// How far long work has come: done of expected steps (expected 0 while it
// is not known), and the line of text that says so.
struct WorkProgress {
    std::uint64_t done = 0;
    std::uint64_t expected = 0;
    std::string label;
};

// What long work sees of whoever runs it. Every member may be called from
// the thread the work runs on.
class WorkContext {
public:
    virtual ~WorkContext() = default;
    // Requested when the user stops the work; the work checks it between
    // its steps and ends early.
    virtual std::stop_token stopToken() const = 0;
    virtual void report(const WorkProgress& progress) = 0;
    // Questions the work must ask before it goes on; the work waits for the
    // answer (the progress window steps aside meanwhile).
    virtual UserPrompts& prompts() = 0;
};

// Runs long work (a transfer, a score, a large map) so that the user sees
// it go on and can stop it: the desktop program on a worker thread with the
// progress window and its Cancel button, the command-line tool on its own
// thread with Ctrl-C.
class WorkRunner {
public:
    virtual ~WorkRunner() = default;
    // Runs work and returns when it has ended. title names it while it runs
    // (the progress window's caption and first line; "" keeps the caption).
    // An exception that escapes the work is thrown again here.
    virtual void run(const std::string& title, const std::function<void(WorkContext&)>& work) = 0;
};

// The computer's time zone as the C library gives it.
struct ZoneInfo {
    std::int32_t biasSeconds = 0; // UTC minus local standard time, in seconds
    bool daylight = false;        // the zone has a daylight-saving rule
};

class TimeZoneSource {
public:
    virtual ~TimeZoneSource() = default;
    // Reads the zone again each call (the environment may have changed).
    virtual ZoneInfo read() = 0;
};

// A progress sink that shows nothing (command-line tool without a terminal).
class NullProgress final : public Progress {
public:
    void setTitle(const std::string&) override {}
    void setLabel(const std::string&) override {}
    void show() override {}
    void repaint() override {}
    void hide() override {}
};

} // namespace nuvrel
