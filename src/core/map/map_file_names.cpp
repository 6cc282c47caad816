#include "core/map/map_file_names.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

namespace nuvrel {

namespace {

std::string lowered(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

std::string FileNameResolver::resolve(const std::string& path) {
    if (path.empty() || exists(path))
        return path;
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    auto [it, added] = folders_.try_emplace(folder);
    if (added) {
        const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
        if (dir)
            while (const dirent* entry = ::readdir(dir.get())) {
                const std::string stored = entry->d_name;
                auto [slot, fresh] = it->second.try_emplace(lowered(stored), stored);
                if (!fresh && stored < slot->second)
                    slot->second = stored;
            }
    }
    const auto found = it->second.find(lowered(name));
    if (found == it->second.end())
        return path;
    return folder + found->second;
}

std::string findFileAnyCase(const std::string& path) { return FileNameResolver().resolve(path); }

} // namespace nuvrel
