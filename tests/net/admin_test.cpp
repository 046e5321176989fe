// The administrator check on Linux: the pure readings (capability sets, what exec makes
// of them, nmcli's answer) by tables, and the real answer on this machine for root and
// for processes that changed their capabilities, user or user namespace.
#include "childcheck.h"
#include "net/admin.h"
#include "net/networkmanager.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// ---- The effective set of /proc/self/status ------------------------------------------

struct StatusCase {
    const char* name;
    std::string status;
    bool grantsNetAdmin;
};

class CapEffLine : public testing::TestWithParam<StatusCase> {};

TEST_P(CapEffLine, DecidesNetAdmin) {
    EXPECT_EQ(statusGrantsNetAdmin(GetParam().status), GetParam().grantsNetAdmin);
}

const std::string kHead = "Name:\ttest\nUid:\t1000\t1000\t1000\t1000\nCapInh:\t0000000000000000\n"
                          "CapPrm:\t0000000000001000\n";

INSTANTIATE_TEST_SUITE_P(
    Table, CapEffLine,
    testing::Values(StatusCase{"OnlyNetAdmin", kHead + "CapEff:\t0000000000001000\nCapBnd:\t0\n", true},
                    StatusCase{"RootLike", kHead + "CapEff:\t000001fffeffffff\n", true},
                    StatusCase{"UpperCaseHexLastLine", kHead + "CapEff:\t000001FFFEFFFFFF", true},
                    StatusCase{"None", kHead + "CapEff:\t0000000000000000\n", false},
                    StatusCase{"AllBelowNetAdmin", kHead + "CapEff:\t0000000000000fff\n", false},
                    StatusCase{"AllButNetAdmin", kHead + "CapEff:\tffffffffffffefff\n", false},
                    StatusCase{"OnlyPermittedNotEffective", kHead, false},
                    StatusCase{"Malformed", kHead + "CapEff:\t00000000000g1000\n", false},
                    StatusCase{"TooLong", kHead + "CapEff:\t10000000000001000\n", false},
                    StatusCase{"EmptyValue", kHead + "CapEff:\t\n", false},
                    StatusCase{"EmptyText", "", false}),
    [](const testing::TestParamInfo<StatusCase>& info) { return info.param.name; });

// ---- The whole state, as /proc/self/status gives it ------------------------------------

// A /proc/self/status text with the given lines in the order the kernel writes them.
std::string status(const std::string& uid, const std::string& inh, const std::string& prm,
                   const std::string& eff, const std::string& bnd, const std::string& amb,
                   const std::string& noNewPrivs) {
    std::string text = "Name:\torvantis\nUmask:\t0022\nState:\tR (running)\n";
    if (!uid.empty())
        text += "Uid:\t" + uid + "\nGid:\t0\t0\t0\t0\n";
    text += "CapInh:\t" + inh + "\nCapPrm:\t" + prm + "\nCapEff:\t" + eff + "\nCapBnd:\t" + bnd + "\n";
    if (!amb.empty())
        text += "CapAmb:\t" + amb + "\n";
    if (!noNewPrivs.empty())
        text += "NoNewPrivs:\t" + noNewPrivs + "\n";
    return text + "Seccomp:\t0\nCpus_allowed_list:\t0-1\n";
}

const std::string kAll = "000001ffffffffff";
const std::string kNone = "0000000000000000";
const std::string kNetAdmin = "0000000000001000";
const std::string kAllButNetAdmin = "000001ffffffefff";

TEST(CapabilityStateParse, ReadsEverySetTheUidsAndNoNewPrivs) {
    const auto state = parseCapabilityState(
        status("1000\t0\t0\t0", "0000000000000400", kNetAdmin, kNetAdmin, kAll, "0000000000001400", "1"));
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(state->inheritable, 0x400u);
    EXPECT_EQ(state->permitted, 0x1000u);
    EXPECT_EQ(state->effective, 0x1000u);
    EXPECT_EQ(state->bounding, 0x1ffffffffffu);
    EXPECT_EQ(state->ambient, 0x1400u);
    EXPECT_EQ(state->realUid, 1000u);
    EXPECT_EQ(state->effectiveUid, 0u);
    EXPECT_TRUE(state->noNewPrivs);
}

struct ParseCase {
    const char* name;
    std::string status;
    bool readable;
};

class CapabilityStateParseCases : public testing::TestWithParam<ParseCase> {};

TEST_P(CapabilityStateParseCases, AnswersNothingForWhatItCannotRead) {
    EXPECT_EQ(parseCapabilityState(GetParam().status).has_value(), GetParam().readable);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CapabilityStateParseCases,
    testing::Values(
        ParseCase{"OldKernelWithoutAmbientAndNoNewPrivs",
                  status("0\t0\t0\t0", kNone, kAll, kAll, kAll, "", ""), true},
        ParseCase{"NoUidLine", status("", kNone, kAll, kAll, kAll, kNone, "0"), false},
        ParseCase{"UidTooLarge", status("4294967296\t0\t0\t0", kNone, kAll, kAll, kAll, kNone, "0"), false},
        ParseCase{"UidNotANumber", status("root\t0\t0\t0", kNone, kAll, kAll, kAll, kNone, "0"), false},
        ParseCase{"OnlyOneUid", status("0", kNone, kAll, kAll, kAll, kNone, "0"), false},
        ParseCase{"MalformedBounding", status("0\t0\t0\t0", kNone, kAll, kAll, "xyz", kNone, "0"), false},
        ParseCase{"MalformedAmbient", status("0\t0\t0\t0", kNone, kAll, kAll, kAll, "-1", "0"), false},
        ParseCase{"MalformedNoNewPrivs", status("0\t0\t0\t0", kNone, kAll, kAll, kAll, kNone, "yes"), false},
        ParseCase{"Empty", "", false}),
    [](const testing::TestParamInfo<ParseCase>& info) { return info.param.name; });

// ---- What exec makes of the capabilities ------------------------------------------------

struct ExecCase {
    const char* name;
    CapabilityState state;
    bool noRoot;
    bool netshHoldsNetAdmin;
};

class ExecKeepsNetAdmin : public testing::TestWithParam<ExecCase> {};

TEST_P(ExecKeepsNetAdmin, AsTheKernelComputesIt) {
    EXPECT_EQ(startedProgramKeepsNetAdmin(GetParam().state, GetParam().noRoot),
              GetParam().netshHoldsNetAdmin);
}

constexpr std::uint64_t kAllCaps = 0x1ffffffffffu;
constexpr std::uint64_t kNetAdminCap = 0x1000u;
constexpr std::uint64_t kAllButNetAdminCaps = kAllCaps & ~kNetAdminCap;

// inheritable, permitted, effective, bounding, ambient, real uid, effective uid, no_new_privs
INSTANTIATE_TEST_SUITE_P(
    Table, ExecKeepsNetAdmin,
    testing::Values(
        ExecCase{"Root", {0, kAllCaps, kAllCaps, kAllCaps, 0, 0, 0, false}, false, true},
        ExecCase{"RootWithNoNewPrivs", {0, kAllCaps, kAllCaps, kAllCaps, 0, 0, 0, true}, false, true},
        // A container's root: NET_ADMIN is not in the bounding set, nor anywhere else.
        ExecCase{"RootInAContainerWithoutIt",
                 {0, kAllButNetAdminCaps, kAllButNetAdminCaps, kAllButNetAdminCaps, 0, 0, 0, false},
                 false,
                 false},
        // Dropped from the bounding set only: still effective here, lost at exec.
        ExecCase{"RootWithoutItInTheBoundingSet",
                 {0, kAllCaps, kAllCaps, kAllButNetAdminCaps, 0, 0, 0, false},
                 false,
                 false},
        ExecCase{"RootWithItInheritableButNotBounding",
                 {kNetAdminCap, kAllCaps, kAllCaps, kAllButNetAdminCaps, 0, 0, 0, false},
                 false,
                 true},
        ExecCase{"RootWhoLoweredTheEffectiveSet", {0, kAllCaps, 0, kAllCaps, 0, 0, 0, false}, false, false},
        ExecCase{"RootUnderNoRoot", {0, kAllCaps, kAllCaps, kAllCaps, 0, 0, 0, false}, true, false},
        ExecCase{"RootUnderNoRootWithAmbient",
                 {kNetAdminCap, kAllCaps, kAllCaps, kAllCaps, kNetAdminCap, 0, 0, false},
                 true,
                 true},
        // A program given the capability by a file capability: netsh does not inherit it.
        ExecCase{"UserWithItOnlyEffective",
                 {0, kNetAdminCap, kNetAdminCap, kAllCaps, 0, 1000, 1000, false},
                 false,
                 false},
        ExecCase{"UserWithItAmbient",
                 {kNetAdminCap, kNetAdminCap, kNetAdminCap, kAllCaps, kNetAdminCap, 1000, 1000, false},
                 false,
                 true},
        ExecCase{"UserWithItAmbientAndNoNewPrivs",
                 {kNetAdminCap, kNetAdminCap, kNetAdminCap, kAllCaps, kNetAdminCap, 1000, 1000, true},
                 false,
                 true},
        ExecCase{"UserWithItInheritableOnly",
                 {kNetAdminCap, kNetAdminCap, kNetAdminCap, kAllCaps, 0, 1000, 1000, false},
                 false,
                 false},
        ExecCase{"UserWithoutAny", {0, 0, 0, kAllCaps, 0, 1000, 1000, false}, false, false},
        // A set-user-ID root program run by a user: real uid 0 is not enough for an
        // effective set at exec, and effective uid 0 is.
        ExecCase{"RealRootOnly", {0, kAllCaps, kAllCaps, kAllCaps, 0, 0, 1000, false}, false, false},
        ExecCase{"EffectiveRootOnly", {0, kAllCaps, kAllCaps, kAllCaps, 0, 1000, 0, false}, false, true}),
    [](const testing::TestParamInfo<ExecCase>& info) { return info.param.name; });

// ---- NetworkManager's answer, as dbus-send and nmcli print it ---------------------------

struct NmcliCase {
    const char* name;
    std::string output;
    bool grants;
};

class NetworkManagerPermissions : public testing::TestWithParam<NmcliCase> {};

TEST_P(NetworkManagerPermissions, GrantSystemChangeForYesOrAuth) {
    EXPECT_EQ(permissionsGrantSystemChange(GetParam().output), GetParam().grants);
}

// dbus-send --print-reply=literal, as NetworkManager 1.42 answers GetPermissions.
std::string literalReply(const std::string& systemValue) {
    return "   array [\n"
           "      dict entry(\n"
           "         org.freedesktop.NetworkManager.checkpoint-rollback         yes      )\n"
           "      dict entry(\n"
           "         org.freedesktop.NetworkManager.settings.modify.own         yes      )\n"
           "      dict entry(\n"
           "         org.freedesktop.NetworkManager.settings.modify.system         " +
           systemValue +
           "      )\n"
           "   ]\n";
}

const std::string kOthers = "org.freedesktop.NetworkManager.enable-disable-network:yes\n"
                            "org.freedesktop.NetworkManager.network-control:yes\n"
                            "org.freedesktop.NetworkManager.settings.modify.own:yes\n";
const std::string kSystem = "org.freedesktop.NetworkManager.settings.modify.system:";

INSTANTIATE_TEST_SUITE_P(
    Table, NetworkManagerPermissions,
    testing::Values(
        NmcliCase{"DbusSendYes", literalReply("yes"), true},
        NmcliCase{"DbusSendAuth", literalReply("auth"), true},
        NmcliCase{"DbusSendNo", literalReply("no"), false},
        NmcliCase{"DbusSendOtherPermissionsOnly",
                  "   array [\n      dict entry(\n         org.freedesktop.NetworkManager.settings.modify."
                  "own         yes      )\n   ]\n",
                  false},
        NmcliCase{"Yes", kOthers + kSystem + "yes\n", true},
        NmcliCase{"Auth", kOthers + kSystem + "auth\n", true},
        NmcliCase{"No", kOthers + kSystem + "no\n", false},
        NmcliCase{"Unknown", kOthers + kSystem + "unknown\n", false},
        NmcliCase{"FirstLineNoNewline", kSystem + "yes", true},
        NmcliCase{"CarriageReturnAndBlanks", kSystem + "auth \r\n", true},
        NmcliCase{"OnlyOtherPermissions", kOthers, false},
        NmcliCase{"ALongerName", "org.freedesktop.NetworkManager.settings.modify.system.extra:yes\n", false},
        NmcliCase{"NmcliTabular",
                  "PERMISSION                                              VALUE\n"
                  "org.freedesktop.NetworkManager.settings.modify.system  yes\n",
                  true},
        NmcliCase{"NameWithoutValue", kSystem + "\n", false},
        NmcliCase{"ValueThatOnlyBeginsWithYes", kSystem + "yesno\n", false},
        NmcliCase{"NotRunning", "Error: NetworkManager is not running.\n", false},
        NmcliCase{"Nothing", "", false}),
    [](const testing::TestParamInfo<NmcliCase>& info) { return info.param.name; });

// ---- The real check on this machine -------------------------------------------------------

TEST(IsAdmin, AnswersTheSameTwice) {
    EXPECT_EQ(IsAdmin(), IsAdmin());
}

class IsAdminAsRoot : public testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to change credentials and namespaces in a child";
        if (exitCodeOfChild([] { return hideNetworkManager() ? 0 : kCouldNotPrepare; }) != 0)
            GTEST_SKIP() << "cannot make a private mount namespace here to hide NetworkManager";
    }
};

TEST_F(IsAdminAsRoot, RootIsAnAdministrator) {
    EXPECT_TRUE(IsAdmin());
    EXPECT_EQ(exitCodeOfChild([] { return hideNetworkManager() ? isAdminAnswer() : kCouldNotPrepare; }),
              kAnswersTrue);
}

TEST_F(IsAdminAsRoot, AnUnprivilegedUserIsNot) {
    EXPECT_EQ(exitCodeOfChild([] {
                  if (!hideNetworkManager() || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                      return kCouldNotPrepare;
                  return isAdminAnswer();
              }),
              kAnswersFalse);
}

// Root that dropped CAP_NET_ADMIN from its bounding set still holds it, but netsh would not.
TEST_F(IsAdminAsRoot, RootWithoutItInTheBoundingSetIsNot) {
    EXPECT_EQ(exitCodeOfChild([] {
                  if (!hideNetworkManager() || ::prctl(PR_CAPBSET_DROP, CAP_NET_ADMIN, 0, 0, 0) != 0)
                      return kCouldNotPrepare;
                  return isAdminAnswer();
              }),
              kAnswersFalse);
}

// A user (not root) that keeps CAP_NET_ADMIN; with ambient: also for the programs it starts.
int userHoldingNetAdmin(bool ambient) {
    if (!hideNetworkManager() || !becomeUserHoldingNetAdmin(ambient))
        return kCouldNotPrepare;
    return isAdminAnswer();
}

TEST_F(IsAdminAsRoot, AUserHoldingItThatNetshWouldNotInheritIsNot) {
    EXPECT_EQ(exitCodeOfChild([] { return userHoldingNetAdmin(false); }), kAnswersFalse);
}

TEST_F(IsAdminAsRoot, AUserHoldingItAsAnAmbientCapabilityIs) {
    EXPECT_EQ(exitCodeOfChild([] { return userHoldingNetAdmin(true); }), kAnswersTrue);
}

bool writeFile(const char* path, const std::string& text, int flags = 0) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC | flags, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return ::close(fd) == 0 && written;
}

// Root of a new user namespace (uid 0 there is root here), with every capability in it;
// with newNetwork, also in a network namespace that this user namespace owns.
int rootOfAUserNamespace(bool newNetwork) {
    if (!hideNetworkManager() || ::unshare(CLONE_NEWUSER | (newNetwork ? CLONE_NEWNET : 0)) != 0 ||
        !writeFile("/proc/self/setgroups", "deny") || !writeFile("/proc/self/uid_map", "0 0 1") ||
        !writeFile("/proc/self/gid_map", "0 0 1"))
        return kCouldNotPrepare;
    return isAdminAnswer();
}

TEST_F(IsAdminAsRoot, RootOfAUserNamespaceIsNotForTheMachinesNetwork) {
    const int code = exitCodeOfChild([] { return rootOfAUserNamespace(false); });
    if (code == kCouldNotPrepare)
        GTEST_SKIP() << "this machine does not allow a new user namespace";
    EXPECT_EQ(code, kAnswersFalse);
}

TEST_F(IsAdminAsRoot, RootOfAUserNamespaceIsForANetworkNamespaceItOwns) {
    const int code = exitCodeOfChild([] { return rootOfAUserNamespace(true); });
    if (code == kCouldNotPrepare)
        GTEST_SKIP() << "this machine does not allow a new user and network namespace";
    EXPECT_EQ(code, kAnswersTrue);
}

// ---- Whether NetworkManager runs --------------------------------------------------------

// A process named NetworkManager (comm), in this network namespace or in one of its own,
// that lives until the test ends it; and /run/NetworkManager with a pid file.
struct FakeManagerCase {
    const char* name;
    bool ownNetwork;   // the process runs in a network namespace of its own
    bool pidFileNames; // the pid file names it (else a pid that does not exist)
    bool runs;
};

class NetworkManagerFound : public IsAdminAsRoot, public testing::WithParamInterface<FakeManagerCase> {};

TEST_P(NetworkManagerFound, OnlyInThisNetworkNamespace) {
    const FakeManagerCase c = GetParam();
    const int code = exitCodeOfChild([c] {
        if (!hideNetworkManager() || ::mkdir("/run/NetworkManager", 0755) != 0)
            return kCouldNotPrepare;
        int ready[2];
        if (::pipe(ready) != 0)
            return kCouldNotPrepare;
        const pid_t manager = ::fork();
        if (manager == 0) {
            const bool named = (!c.ownNetwork || ::unshare(CLONE_NEWNET) == 0) &&
                               ::prctl(PR_SET_NAME, "NetworkManager", 0, 0, 0) == 0;
            const char answer = named ? 'y' : 'n';
            if (::write(ready[1], &answer, 1) != 1 || !named)
                ::_exit(1);
            ::pause();
            ::_exit(0);
        }
        char answer = 'n';
        if (manager < 0 || ::read(ready[0], &answer, 1) != 1 || answer != 'y')
            return kCouldNotPrepare;
        const std::string pid = c.pidFileNames ? std::to_string(manager) : "999999999";
        const bool written = writeFile("/run/NetworkManager/NetworkManager.pid", pid + "\n", O_CREAT);
        const bool runs = NetworkManagerRuns();
        ::kill(manager, SIGKILL);
        ::waitpid(manager, nullptr, 0);
        if (!written)
            return kCouldNotPrepare;
        return runs ? kAnswersTrue : kAnswersFalse;
    });
    ASSERT_NE(code, kCouldNotPrepare);
    EXPECT_EQ(code, c.runs ? kAnswersTrue : kAnswersFalse);
}

INSTANTIATE_TEST_SUITE_P(Cases, NetworkManagerFound,
                         testing::Values(FakeManagerCase{"NamedByThePidFile", false, true, true},
                                         FakeManagerCase{"FoundAmongTheProcesses", false, false, true},
                                         FakeManagerCase{"PidFileNamesOneOfAnotherNetwork", true, true,
                                                         false},
                                         FakeManagerCase{"OnlyOneOfAnotherNetwork", true, false, false}),
                         [](const testing::TestParamInfo<FakeManagerCase>& info) { return info.param.name; });

TEST_F(IsAdminAsRoot, AFolderWithoutAProcessIsNoNetworkManager) {
    EXPECT_EQ(exitCodeOfChild([] {
                  if (!hideNetworkManager() || ::mkdir("/run/NetworkManager", 0755) != 0 ||
                      !writeFile("/run/NetworkManager/NetworkManager.pid", "999999999\n", O_CREAT))
                      return kCouldNotPrepare;
                  return NetworkManagerRuns() ? kAnswersTrue : kAnswersFalse;
              }),
              kAnswersFalse);
}

// The same through a real exec: setpriv drops the capability from the bounding set and
// starts a program that asks (so root keeps everything else); without the drop it is an
// administrator. setpriv comes with util-linux.
struct SetprivCase {
    const char* name;
    std::vector<std::string> options;
    int answer;
};

class IsAdminUnderSetpriv : public IsAdminAsRoot, public testing::WithParamInterface<SetprivCase> {};

TEST_P(IsAdminUnderSetpriv, AnswersForThePrivilegesItStartedWith) {
    if (::access("/usr/bin/setpriv", X_OK) != 0)
        GTEST_SKIP() << "setpriv is not installed (util-linux; scripts/install-deps test installs it)";
    std::vector<std::string> arguments = {"setpriv"};
    arguments.insert(arguments.end(), GetParam().options.begin(), GetParam().options.end());
    arguments.insert(arguments.end(), {ORVANTIS_ISADMIN_PROBE, "hide-networkmanager"});
    const int code = exitCodeOfChild([&] {
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        ::execv("/usr/bin/setpriv", argv.data());
        return 127;
    });
    ASSERT_NE(code, kCouldNotPrepare) << "the probe could not hide NetworkManager";
    EXPECT_EQ(code, GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(Options, IsAdminUnderSetpriv,
                         testing::Values(SetprivCase{"NothingDropped", {"--inh-caps=-all"}, kAnswersTrue},
                                         SetprivCase{"NetAdminDropped",
                                                     {"--inh-caps=-all", "--bounding-set=-net_admin"},
                                                     kAnswersFalse}),
                         [](const testing::TestParamInfo<SetprivCase>& info) { return info.param.name; });

} // namespace
