// The administrator check on Linux: NetworkManager's answer when it runs, else the
// capabilities that netsh will have.
#include "net/admin.h"
#include "net/childprocess_posix.h"
#include "net/networkmanager.h"
#include "net/scopedfd_posix.h"

#include <array>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <linux/nsfs.h>
#include <linux/securebits.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// NetworkManager's share of the 50 ms that the check may take.
constexpr std::chrono::milliseconds kAnswerTimeLimit{40};
// The inode number of the machine's first user namespace (PROC_USER_INIT_INO).
constexpr ino_t kInitialUserNamespace = 0xEFFFFFFDu;
// How many user namespaces deep the owner of the network namespace is looked for.
constexpr int kNestingLimit = 33;

// A program from the system folders only, never from PATH; empty when none holds it.
std::string systemProgram(const char* name) {
    for (const char* folder : {"/usr/sbin", "/usr/bin", "/sbin", "/bin"}) {
        const std::string path = std::string(folder) + "/" + name;
        if (::access(path.c_str(), X_OK) == 0)
            return path;
    }
    return {};
}

// This environment with the untranslated C locale, so that the answer reads the same everywhere.
std::vector<std::string> plainLocaleEnvironment() {
    std::vector<std::string> environment;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string text = *entry;
        if (text.rfind("LC_", 0) != 0 && text.rfind("LANG=", 0) != 0 && text.rfind("LANGUAGE=", 0) != 0)
            environment.push_back(text);
    }
    environment.push_back("LC_ALL=C");
    return environment;
}

// NetworkManager's permissions for this user, asked over the system bus: by dbus-send,
// one call (a few milliseconds); else by nmcli, which loads NetworkManager's whole state
// first (20 to 40 ms). Null when neither is there, or no answer came by the deadline.
std::unique_ptr<ChildProcess> askNetworkManager(char* const* envp) {
    if (const std::string dbusSend = systemProgram("dbus-send"); !dbusSend.empty())
        return ChildProcess::start(dbusSend,
                                   {"dbus-send", "--system", "--print-reply=literal", "--reply-timeout=40",
                                    "--dest=org.freedesktop.NetworkManager",
                                    "/org/freedesktop/NetworkManager",
                                    "org.freedesktop.NetworkManager.GetPermissions"},
                                   envp);
    if (const std::string nmcli = systemProgram("nmcli"); !nmcli.empty())
        return ChildProcess::start(nmcli, {"nmcli", "-t", "-f", "PERMISSION,VALUE", "general", "permissions"},
                                   envp);
    return nullptr;
}

} // namespace

std::optional<bool> NetworkManagerAllowsChange() noexcept {
    try {
        const auto deadline = ChildProcess::Clock::now() + kAnswerTimeLimit;
        std::vector<std::string> environment = plainLocaleEnvironment();
        std::vector<char*> envp;
        for (std::string& entry : environment)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        const std::unique_ptr<ChildProcess> child = askNetworkManager(envp.data());
        if (!child)
            return std::nullopt;
        const std::optional<int> status = child->waitUntil(deadline);
        if (!status || exitCodeOf(*status) != 0)
            return std::nullopt;
        return permissionsGrantSystemChange(child->output());
    } catch (...) {
        return std::nullopt;
    }
}

namespace {

std::string readProcSelfStatus() {
    std::ifstream file("/proc/self/status");
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool noRootSecurebit() {
    const int bits = ::prctl(PR_GET_SECUREBITS, 0, 0, 0, 0);
    return bits > 0 && (bits & SECBIT_NOROOT);
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether capabilities of this process's user namespace reach the network namespace it
// is in: that namespace's owner is this user namespace or one below it. Capabilities
// held only in a user namespace of their own (a container's root, `unshare --user`)
// do not reach the machine's network.
bool userNamespaceReachesNetwork() {
    struct stat own {};
    if (::stat("/proc/self/ns/user", &own) != 0)
        return true; // a kernel without user namespaces: there is only the first one
    if (own.st_ino == kInitialUserNamespace)
        return true;
    const ScopedFd network(::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC));
    if (network.get() < 0)
        return false;
    // The owner, then its parents; EPERM once a namespace is above this process's own.
    auto owner = std::make_unique<ScopedFd>(::ioctl(network.get(), NS_GET_USERNS));
    for (int depth = 0; depth < kNestingLimit && owner->get() >= 0; ++depth) {
        struct stat candidate {};
        if (::fstat(owner->get(), &candidate) != 0)
            return false;
        if (sameFile(candidate, own))
            return true;
        owner = std::make_unique<ScopedFd>(::ioctl(owner->get(), NS_GET_PARENT));
    }
    return false;
}

bool capabilitiesGrantChange() {
    const std::optional<CapabilityState> state = parseCapabilityState(readProcSelfStatus());
    return state && startedProgramKeepsNetAdmin(*state, noRootSecurebit()) && userNamespaceReachesNetwork();
}

} // namespace

bool IsAdmin() noexcept {
    try {
        if (NetworkManagerRuns())
            return NetworkManagerAllowsChange().value_or(false); // no answer in time counts as no
        return capabilitiesGrantChange();
    } catch (...) {
        return false;
    }
}
