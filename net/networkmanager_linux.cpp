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

bool isNetworkManagerProcess(const std::string& pid) {
    return !pid.empty() && pid.find_first_not_of("0123456789") == std::string::npos &&
           firstLineOf("/proc/" + pid + "/comm") == "NetworkManager";
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
