#pragma once

// Runs a check in a child process that may change its own credentials and namespaces
// freely (the test process keeps its own), and reads its answer from the exit code.

#include "net/admin.h"
#include "net/networkmanager.h"

#include <cstdint>
#include <functional>
#include <linux/capability.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

// Exit codes of a child that asks the administrator check.
inline constexpr int kAnswersFalse = 0;
inline constexpr int kAnswersTrue = 1;
inline constexpr int kCouldNotPrepare = 2;

inline int isAdminAnswer() {
    return IsAdmin() ? kAnswersTrue : kAnswersFalse;
}

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

// Turns this (single-threaded) process from root into the user nobody that keeps
// CAP_NET_ADMIN in its effective, permitted and inheritable sets, and with ambient also
// in its ambient set (so that the programs it starts hold it too). False when it could not.
inline bool becomeUserHoldingNetAdmin(bool ambient) {
    constexpr std::uint32_t netAdmin = std::uint32_t{1} << CAP_NET_ADMIN;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct sets[2]{{netAdmin, netAdmin, netAdmin}, {0, 0, 0}};
    if (::prctl(PR_SET_KEEPCAPS, 1, 0, 0, 0) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0 ||
        ::syscall(SYS_capset, &header, sets) != 0)
        return false;
    return !ambient || ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_RAISE, CAP_NET_ADMIN, 0, 0) == 0;
}
