#pragma once
// One netsh run at a time on this machine: each run reads the configuration, changes it
// and may put the old one back, so two runs side by side could undo each other's change
// and exit with a code that does not match what is in place.

#include <chrono>
#include <string>

namespace netsh {

// /run/lock/orvantis-netsh.lock, or /run/orvantis-netsh.lock where /run/lock is missing.
std::string runLockPath();

// Holds an exclusive flock on the lock file for its lifetime (the kernel drops it when
// the process ends, however it ends).
class RunLock {
public:
    // Waits up to timeout for runs before it; throws PlanError when the lock cannot be had.
    explicit RunLock(const std::string& path = runLockPath(),
                     std::chrono::milliseconds timeout = std::chrono::minutes(10));
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;
    ~RunLock();

private:
    int fd_ = -1;
};

} // namespace netsh
