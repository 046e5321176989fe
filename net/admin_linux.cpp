// The administrator check on Linux: root, or CAP_NET_ADMIN in the effective set.
#include "net/admin.h"

#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

std::string readProcSelfStatus() {
    std::ifstream file("/proc/self/status");
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

} // namespace

bool IsAdmin() noexcept {
    if (::geteuid() == 0)
        return true;
    try {
        return statusGrantsNetAdmin(readProcSelfStatus());
    } catch (...) {
        return false;
    }
}
