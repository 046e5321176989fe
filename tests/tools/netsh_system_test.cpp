// netsh's parts that meet the machine without changing it: the executor's undo and its
// messages, the choice of a NetworkManager connection, which process a pid file names,
// where the tools come from, and the lock that serializes runs.

#include "executor.h"
#include "lock.h"
#include "process.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

namespace netsh {
namespace {

using Args = std::vector<std::string>;

Command cmd(Args argv) {
    return {std::move(argv), false};
}

// Performs actions by looking up a table of failures; remembers the order.
struct FakeMachine {
    std::map<Args, std::string> failures;
    std::vector<Args> performed;
    Executor::Perform perform() {
        return [this](const Action& action) {
            const auto& argv = std::get<Command>(action).argv;
            performed.push_back(argv);
            const auto it = failures.find(argv);
            return it == failures.end() ? std::string{} : it->second;
        };
    }
};

const Plan plan{{cmd({"ip", "one"}), false, {cmd({"ip", "undo-one"})}},
                {cmd({"ip", "two"}), false, {cmd({"ip", "undo-two"})}},
                {cmd({"ip", "three"}), false, {}}};

TEST(Executor, AFailedStepIsUndoneLastFirstAndSaysSo) {
    FakeMachine machine;
    machine.failures[{"ip", "three"}] = "three broke";
    Executor executor(machine.perform());
    EXPECT_FALSE(executor.run(plan));
    EXPECT_EQ(machine.performed,
              (std::vector<Args>{
                  {"ip", "one"}, {"ip", "two"}, {"ip", "three"}, {"ip", "undo-two"}, {"ip", "undo-one"}}));
    EXPECT_EQ(executor.error(), "netsh: three broke; the previous configuration was restored");
}

TEST(Executor, AnUndoThatFailsIsNamedInsteadOfClaimingTheRestore) {
    FakeMachine machine;
    machine.failures[{"ip", "three"}] = "three broke";
    machine.failures[{"ip", "undo-one"}] = "\"ip undo-one\" failed (exit 2): RTNETLINK answers: File exists";
    Executor executor(machine.perform());
    EXPECT_FALSE(executor.run(plan));
    EXPECT_EQ(executor.error(), "netsh: three broke; the previous configuration could not be fully restored: "
                                "\"ip undo-one\" failed (exit 2): RTNETLINK answers: File exists");
}

TEST(Executor, AFirstStepThatFailsChangedNothing) {
    FakeMachine machine;
    machine.failures[{"ip", "one"}] = "one broke";
    Executor executor(machine.perform());
    EXPECT_FALSE(executor.run(plan));
    EXPECT_EQ(executor.error(), "netsh: one broke");
    EXPECT_EQ(machine.performed.size(), 1u);
}

TEST(Executor, RollbackAfterSuccessReportsWhatCouldNotBeUndone) {
    FakeMachine machine;
    Executor executor(machine.perform());
    ASSERT_TRUE(executor.run(plan));
    machine.failures[{"ip", "undo-two"}] = "two stuck";
    EXPECT_EQ(restoredText(executor.rollback()),
              "the previous configuration could not be fully restored: two stuck");
    EXPECT_EQ(restoredText({}), "the previous configuration was restored");
}

struct FailureCase {
    Args argv;
    ActionResult result;
    const char* sentence;
};

class FailureSentence : public testing::TestWithParam<FailureCase> {};

TEST_P(FailureSentence, IsOneReadableSentence) {
    EXPECT_EQ(describeFailure(cmd(GetParam().argv), GetParam().result), GetParam().sentence);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, FailureSentence,
    testing::Values(
        FailureCase{
            {"nmcli", "connection", "up", "id", "Wired connection 1"},
            {4,
             "Error: Connection activation failed: IP configuration could not be reserved (no available "
             "address, timeout, etc.).\nHint: use 'journalctl -xe NM_CONNECTION=x' to get more details.\n"},
            "NetworkManager could not activate the connection \"Wired connection 1\": Connection "
            "activation failed: IP configuration could not be reserved (no available address, timeout, "
            "etc.)"},
        FailureCase{{"nmcli", "connection", "modify", "id", "LAN", "ipv4.method", "manual"},
                    {1, "Error: Failed to modify connection 'LAN': Insufficient privileges\n"},
                    "NetworkManager could not change the connection \"LAN\": Failed to modify connection "
                    "'LAN': Insufficient privileges"},
        FailureCase{{"nmcli", "connection", "up", "id", "LAN"},
                    {8, ""},
                    "NetworkManager could not activate the connection \"LAN\" (nmcli exit 8)"},
        FailureCase{
            {"ip", "-4", "addr", "flush", "dev", "eth0"},
            {2, "RTNETLINK answers: Operation not permitted\n"},
            "\"ip -4 addr flush dev eth0\" failed (exit 2): RTNETLINK answers: Operation not permitted"}));

// ---- which NetworkManager connection NAME stands for ------------------------------

const std::vector<NmConnection> profiles{
    {"Wired connection 1", "u1", "802-3-ethernet", "eth0"},
    {"office", "u2", "802-3-ethernet", ""},
    {"twin", "u3", "802-3-ethernet", ""},
    {"twin", "u4", "802-3-ethernet", "eth1"},
    {"lo", "u5", "loopback", "lo"},
};

std::string chosen(const std::string& name, std::vector<NmConnection> bound = {}) {
    try {
        return chooseNmConnection(name, profiles, [&] { return bound; }).uuid;
    } catch (const UsageError& error) {
        return error.what();
    }
}

TEST(NmConnectionChoice, ByNameThenActiveDeviceThenBoundProfile) {
    EXPECT_EQ(chosen("office"), "u2");
    EXPECT_EQ(chosen("eth0"), "u1");
    EXPECT_EQ(chosen("eth2", {profiles[1]}), "u2");
}

TEST(NmConnectionChoice, RefusesWhatIsAmbiguousMissingOrLoopback) {
    EXPECT_EQ(chosen("twin"),
              "netsh: 2 NetworkManager connections are named \"twin\"; give each a name of its "
              "own (nmcli connection modify UUID connection.id NEW)");
    EXPECT_EQ(
        chosen("eth2", {profiles[1], profiles[2]}),
        "netsh: 2 NetworkManager connections are bound to the interface \"eth2\"; enter the name of one "
        "of them");
    EXPECT_EQ(chosen("eth9"), "netsh: there is no NetworkManager connection named \"eth9\"");
    EXPECT_EQ(chosen("lo"), "netsh: \"lo\" is the loopback interface, which netsh does not change");
}

TEST(NmConnectionChoice, ReadsTerseListWithEscapes) {
    EXPECT_EQ(parseNmConnections("Wired connection 1:u1:802-3-ethernet:eth0\n"
                                 "a\\:b\\\\c:u2:802-3-ethernet:\n"
                                 "lo:u5:loopback:lo\n"),
              (std::vector<NmConnection>{{"Wired connection 1", "u1", "802-3-ethernet", "eth0"},
                                         {"a:b\\c", "u2", "802-3-ethernet", ""},
                                         {"lo", "u5", "loopback", "lo"}}));
}

// ---- the process a DHCP client's pid file names -------------------------------------

struct PidCase {
    std::string cmdline; // NUL between arguments
    DhcpClient client;
    bool isIt;
};

class DhcpClientProcess : public testing::TestWithParam<PidCase> {};

TEST_P(DhcpClientProcess, OnlyThatClientForThatInterface) {
    EXPECT_EQ(isDhcpClientFor(GetParam().cmdline, GetParam().client, "eth0"), GetParam().isIt)
        << GetParam().cmdline;
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Processes, DhcpClientProcess,
    testing::Values(PidCase{"dhclient\0-4\0-1\0-pf\0/run/dhclient.eth0.pid\0eth0\0"s, DhcpClient::Dhclient,
                            true},
                    PidCase{"/sbin/dhclient\0-4\0-v\0-i\0eth0\0"s, DhcpClient::Dhclient, true},
                    PidCase{"dhclient\0-4\0eth1\0"s, DhcpClient::Dhclient, false},
                    PidCase{"/usr/bin/sleep\0300\0"s, DhcpClient::Dhclient, false},
                    PidCase{"sleep\0eth0\0"s, DhcpClient::Udhcpc, false},
                    PidCase{"udhcpc\0-n\0-i\0eth0\0-p\0/run/udhcpc.eth0.pid\0"s, DhcpClient::Udhcpc, true},
                    PidCase{"/bin/busybox\0udhcpc\0-ieth0\0"s, DhcpClient::Udhcpc, true},
                    PidCase{"udhcpc\0--interface=eth0\0"s, DhcpClient::Udhcpc, true},
                    PidCase{"udhcpc\0-i\0eth1\0"s, DhcpClient::Udhcpc, false},
                    PidCase{"udhcpc\0-i\0eth0\0"s, DhcpClient::Dhclient, false},
                    PidCase{""s, DhcpClient::Udhcpc, false}));

// ---- where the tools come from ----------------------------------------------------

class TempFolder : public testing::Test {
protected:
    void SetUp() override {
        char templ[] = "/tmp/netsh-test-XXXXXX";
        ASSERT_TRUE(::mkdtemp(templ));
        dir_ = templ;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

using SystemTools = TempFolder;

TEST_F(SystemTools, ComeFromTheSystemFoldersNeverFromPath) {
    // A "./ip" in the current folder, with "." first on PATH: it must not run.
    const auto fake = dir_ / "ip";
    std::ofstream(fake) << "#!/bin/sh\necho fake\ntouch " << (dir_ / "ran").string() << "\n";
    std::filesystem::permissions(fake, std::filesystem::perms::owner_all);
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (".:" + oldPath).c_str(), 1);
    const auto path = systemProgram("ip");
    const auto result = runProgram({"ip", "-V"});
    ::setenv("PATH", oldPath.c_str(), 1);
    std::filesystem::current_path(cwd);

    if (path.empty()) {
        GTEST_SKIP() << "iproute2 is not installed in a system folder";
    }
    EXPECT_TRUE(path.rfind("/usr/sbin/", 0) == 0 || path.rfind("/usr/bin/", 0) == 0 ||
                path.rfind("/sbin/", 0) == 0 || path.rfind("/bin/", 0) == 0)
        << path;
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.find("fake"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "ran"));
}

TEST(SystemToolsNames, WithASlashOrUnknownAreNotFound) {
    EXPECT_EQ(systemProgram("./ip"), "");
    EXPECT_EQ(systemProgram("../sbin/ip"), "");
    EXPECT_EQ(systemProgram(""), "");
    EXPECT_EQ(systemProgram("orvantis-no-such-tool"), "");
    EXPECT_EQ(runProgram({"orvantis-no-such-tool"}).status, 127);
}

// ---- one run at a time -------------------------------------------------------------

using RunLockTest = TempFolder;

TEST_F(RunLockTest, ASecondRunWaitsForTheFirstAndGivesUpAtItsTimeLimit) {
    const auto path = (dir_ / "netsh.lock").string();
    {
        const RunLock first(path);
        EXPECT_THROW(RunLock(path, std::chrono::milliseconds(100)), PlanError);
    }
    EXPECT_NO_THROW(RunLock(path, std::chrono::milliseconds(100)));
}

} // namespace
} // namespace netsh
