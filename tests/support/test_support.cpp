#include "support/test_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

extern char** environ;

namespace nuvrel::test {

void RecordingPrompts::showError(int number, const std::string& message) {
    entries.push_back({"error", number, "Error", message});
}

bool RecordingPrompts::askYesNo(const std::string& title, const std::string& text) {
    entries.push_back({"question", 0, title, text});
    if (answers.empty())
        return defaultAnswer;
    const bool a = answers.front();
    answers.pop_front();
    return a;
}

void RecordingPrompts::showMessage(const std::string& title, const std::string& text) {
    entries.push_back({"message", 0, title, text});
}

void RecordingPrompts::beep() { entries.push_back({"beep", 0, {}, {}}); }

std::vector<int> RecordingPrompts::errors() const {
    std::vector<int> out;
    for (const auto& e : entries)
        if (e.kind == "error")
            out.push_back(e.number);
    return out;
}

int RecordingPrompts::count(const std::string& kind) const {
    int n = 0;
    for (const auto& e : entries)
        n += e.kind == kind;
    return n;
}

namespace {
class MemoryKey final : public SettingsKey {
public:
    explicit MemoryKey(std::map<std::string, MemorySettingsStore::Value>& values) : values_(values) {}
    std::optional<std::string> readString(const std::string& name) override {
        auto it = values_.find(name);
        if (it == values_.end() || !std::holds_alternative<std::string>(it->second))
            return std::nullopt;
        return std::get<std::string>(it->second);
    }
    std::optional<std::int32_t> readInt(const std::string& name) override {
        auto it = values_.find(name);
        if (it == values_.end() || !std::holds_alternative<std::int32_t>(it->second))
            return std::nullopt;
        return std::get<std::int32_t>(it->second);
    }
    bool writeString(const std::string& name, const std::string& value) override {
        values_[name] = value;
        return true;
    }
    bool writeInt(const std::string& name, std::int32_t value) override {
        values_[name] = value;
        return true;
    }

private:
    std::map<std::string, MemorySettingsStore::Value>& values_;
};
} // namespace

std::unique_ptr<SettingsKey> MemorySettingsStore::openKey(const std::string& path, bool create) {
    auto it = keys.find(path);
    if (it == keys.end()) {
        if (!create || refuseCreate)
            return nullptr;
        it = keys.emplace(path, std::map<std::string, Value>{}).first;
    }
    return std::make_unique<MemoryKey>(it->second);
}

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "nuvrel-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::function<std::optional<std::string>(const std::string&)> environmentOf(std::map<std::string, std::string> env) {
    return [env = std::move(env)](const std::string& name) -> std::optional<std::string> {
        auto it = env.find(name);
        if (it == env.end())
            return std::nullopt;
        return it->second;
    };
}

void useTempConfigHome() {
    static TempDir configHome;
    setenv("XDG_CONFIG_HOME", configHome.path().c_str(), 1);
    // The logbook lives in the data folder.
    static TempDir dataHome;
    setenv("XDG_DATA_HOME", dataHome.path().c_str(), 1);
}

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& env) {
    std::vector<std::string> argStore{program};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> envStore(env);
    for (char** e = environ; *e; ++e) {
        const char* eq = std::strchr(*e, '=');
        const std::size_t nameLen = eq ? static_cast<std::size_t>(eq - *e) + 1 : std::strlen(*e);
        bool replaced = false;
        for (const auto& o : env)
            replaced |= o.compare(0, nameLen, *e, nameLen) == 0;
        if (!replaced)
            envStore.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (auto& e : envStore)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    TempDir dir;
    const std::string outPath = (dir / "stdout").string();
    const std::string errPath = (dir / "stderr").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ProgramRun run;
    pid_t pid;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = readFileBytes(outPath);
    run.err = readFileBytes(errPath);
    return run;
}

void writeGreyBitmap(const std::filesystem::path& path, int w, int h) {
    const std::size_t stride = (static_cast<std::size_t>(w) * 3 + 3) & ~std::size_t{3};
    const auto size = static_cast<std::uint32_t>(54 + stride * static_cast<std::size_t>(h));
    std::string b(size, '\0');
    auto put = [&](std::size_t at, std::uint32_t v) { std::memcpy(b.data() + at, &v, 4); };
    b[0] = 'B';
    b[1] = 'M';
    put(2, size);
    put(10, 54);
    put(14, 40);
    put(18, static_cast<std::uint32_t>(w));
    put(22, static_cast<std::uint32_t>(h));
    b[26] = 1;
    b[28] = 24;
    for (std::size_t i = 54; i < b.size(); ++i)
        b[i] = static_cast<char>(0xc0);
    writeFileBytes(path, b);
}

std::string readFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFileBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace nuvrel::test
