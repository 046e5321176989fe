#include "lock.h"

#include "plan.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace netsh {

std::string runLockPath() {
    struct stat st {};
    const bool runLock = ::stat("/run/lock", &st) == 0 && S_ISDIR(st.st_mode);
    return std::string(runLock ? "/run/lock" : "/run") + "/orvantis-netsh.lock";
}

RunLock::RunLock(const std::string& path, std::chrono::milliseconds timeout) {
    // Read-only is enough for flock, so a file that another user made still serves.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        throw PlanError("netsh: cannot open the lock " + path + ": " + std::strerror(errno));
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error != EWOULDBLOCK && error != EINTR) {
            ::close(fd_);
            throw PlanError("netsh: cannot lock " + path + ": " + std::strerror(error));
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::close(fd_);
            throw PlanError("netsh: another netsh run still holds " + path);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

RunLock::~RunLock() {
    ::close(fd_);
}

} // namespace netsh
