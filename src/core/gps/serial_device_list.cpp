#include "core/gps/serial_device_list.h"

#include <dirent.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>

namespace nuvrel {

namespace {

std::vector<std::string> entries(const std::string& dir) {
    std::vector<std::string> names;
    const std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(dir.c_str()), ::closedir);
    if (d)
        while (const dirent* e = ::readdir(d.get()))
            if (e->d_name[0] != '.')
                names.emplace_back(e->d_name);
    return names;
}

// The number after prefix ("ttyUSB12" -> 12), or -1 when the name is not
// prefix followed by digits.
long numberAfter(const std::string& name, const std::string& prefix) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return -1;
    const std::string digits = name.substr(prefix.size());
    if (digits.size() > 6 || digits.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::stol(digits);
}

bool hasNoUart(const std::string& sysDir, const std::string& name) {
    if (sysDir.empty())
        return false;
    std::ifstream type(sysDir + "/" + name + "/type");
    std::string value;
    return type >> value && value == "0";
}

} // namespace

std::vector<std::string> ListSerialDevices(const std::string& devDir, const std::string& sysDir) {
    std::vector<std::string> out;
    std::vector<std::string> byId = entries(devDir + "/serial/by-id");
    std::sort(byId.begin(), byId.end());
    for (const std::string& name : byId)
        out.push_back(devDir + "/serial/by-id/" + name);
    const std::vector<std::string> all = entries(devDir);
    for (const char* prefix : {"ttyUSB", "ttyACM", "ttyS"}) {
        std::vector<std::pair<long, std::string>> numbered;
        for (const std::string& name : all)
            if (const long n = numberAfter(name, prefix); n >= 0 && !(prefix[3] == 'S' && hasNoUart(sysDir, name)))
                numbered.emplace_back(n, name);
        std::sort(numbered.begin(), numbered.end());
        for (const auto& [n, name] : numbered)
            out.push_back(devDir + "/" + name);
    }
    return out;
}

std::string DeviceProblem(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return "not present";
    if (::access(path.c_str(), R_OK | W_OK) == 0)
        return {};
    if (errno != EACCES && errno != EPERM)
        return std::strerror(errno);
    // Serial devices belong to "dialout" on Debian and most others.
    std::string groupName = "dialout";
    if (const struct group* g = ::getgrgid(st.st_gid); g && st.st_gid != 0)
        groupName = g->gr_name;
    return "no permission to open it: add your user to the group '" + groupName + "' (sudo usermod -aG " +
           groupName + " $USER) and log in again";
}

} // namespace nuvrel
