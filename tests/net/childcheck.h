#pragma once

// Runs a check in a child process that may change its own credentials and namespaces
// freely (the test process keeps its own), and reads its answer from the exit code.

#include "net/networkmanager.h"

#include <functional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

// The child's exit code: what check answered (0..255); -1 when fork failed or the
// child did not end normally.
inline int exitCodeOfChild(const std::function<int()>& check) {
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0)
        ::_exit(check());
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// For checks of capabilities, which NetworkManager must not decide: in a mount namespace
// of the process's own (private, so nothing reaches the machine) an empty /run hides it.
// Needs CAP_SYS_ADMIN; false when it could not be done.
inline bool hideNetworkManager() {
    return ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           ::mount("orvantis-test-run", "/run", "tmpfs", 0, nullptr) == 0 && !NetworkManagerRuns();
}
