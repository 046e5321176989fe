#include "net/networkmanager.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>

namespace {

std::string firstLineOf(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string line;
    std::getline(file, line);
    const auto end = line.find_last_not_of(" \t\r");
    line.erase(end == std::string::npos ? 0 : end + 1);
    return line;
}

// A NetworkManager in another network namespace (a container's, a test sandbox's) does
// not manage this one. A namespace that cannot be read (a user may not look at root's
// processes) counts as this one.
bool sharesOurNetwork(const std::string& pid) {
    struct stat own {};
    struct stat theirs {};
    if (::stat("/proc/self/ns/net", &own) != 0 || ::stat(("/proc/" + pid + "/ns/net").c_str(), &theirs) != 0)
        return true;
    return own.st_dev == theirs.st_dev && own.st_ino == theirs.st_ino;
}

bool isNetworkManagerProcess(const std::string& pid) {
    return !pid.empty() && pid.find_first_not_of("0123456789") == std::string::npos &&
           firstLineOf("/proc/" + pid + "/comm") == "NetworkManager" && sharesOurNetwork(pid);
}

bool isDirectory(const char* path) {
    struct stat st {};
    return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

bool NetworkManagerRuns() noexcept {
    try {
        if (!isDirectory("/run/NetworkManager"))
            return false;
        if (isNetworkManagerProcess(firstLineOf("/run/NetworkManager/NetworkManager.pid")))
            return true;
        std::error_code error;
        for (std::filesystem::directory_iterator it("/proc", error), end; !error && it != end;
             it.increment(error)) {
            if (isNetworkManagerProcess(it->path().filename().string()))
                return true;
        }
    } catch (...) {
        // Out of memory while reading: nothing shows that it runs.
    }
    return false;
}
