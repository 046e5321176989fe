// The Linux process runner, for real, with the helper programs exitwith and recordargs
// (their paths come from the build). Nothing here touches the network.
#include "changeipfakes.h"
#include "net/oserror.h"
#include "net/process.h"
#include "net/startsignals.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kExitWith = ORVANTIS_EXITWITH;
const std::string kRecordArgs = ORVANTIS_RECORDARGS;

// A fresh folder under the system's temporary folder, removed at the end.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "orvantis-changeip-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    const fs::path& path() const { return m_path; }

    // An executable shell script named name that ends with code.
    void addScript(const std::string& name, int code) const {
        const fs::path file = m_path / name;
        std::ofstream(file) << "#!/bin/sh\nexit " << code << "\n";
        fs::permissions(file, fs::perms::owner_all);
    }
    // An executable shell script named name with the given body.
    void addScriptBody(const std::string& name, const std::string& body) const {
        const fs::path file = m_path / name;
        std::ofstream(file) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(file, fs::perms::owner_all);
    }
    void addCopy(const std::string& name, const std::string& program) const {
        fs::copy_file(program, m_path / name);
    }

private:
    fs::path m_path;
};

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const fs::path& path) : m_old(fs::current_path()) {
        fs::current_path(path);
    }
    ~ScopedCurrentDirectory() { fs::current_path(m_old); }

private:
    fs::path m_old;
};

// Runs a line to its end; nullopt when it cannot be started.
std::optional<std::uint32_t> run(ProcessLauncher& launcher, const std::string& line) {
    std::unique_ptr<RunningProcess> process = launcher.start(line, kShowModeHide);
    if (!process)
        return std::nullopt;
    return process->waitForExit();
}

// The runs that recordargs wrote into file: the argv of each.
std::vector<std::vector<std::string>> recordedRuns(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::vector<std::string>> runs(1);
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (text.compare(pos, 4, "end\n") == 0) {
            runs.emplace_back();
            pos += 4;
            continue;
        }
        const std::size_t colon = text.find(':', pos);
        const std::size_t length = std::stoul(text.substr(pos, colon - pos));
        runs.back().push_back(text.substr(colon + 1, length));
        pos = colon + 1 + length + 1;
    }
    runs.pop_back();
    return runs;
}

struct ExitCase {
    const char* name;
    std::string arguments;
    std::uint32_t exitCode;
};

class PosixExitCodes : public testing::TestWithParam<ExitCase> {};

TEST_P(PosixExitCodes, AreReportedAsTheProcessEnded) {
    const auto launcher = makeProcessLauncher();
    EXPECT_EQ(run(*launcher, kExitWith + " " + GetParam().arguments), GetParam().exitCode);
}

INSTANTIATE_TEST_SUITE_P(Table, PosixExitCodes,
                         testing::Values(ExitCase{"Zero", "0", 0}, ExitCase{"One", "1", 1},
                                         ExitCase{"Largest", "255", 255},
                                         ExitCase{"KilledByTerm", "signal 15", 128 + SIGTERM},
                                         ExitCase{"KilledByKill", "signal 9", 128 + SIGKILL}),
                         [](const testing::TestParamInfo<ExitCase>& info) { return info.param.name; });

TEST(PosixLauncher, MissingProgramCannotStart) {
    TempFolder empty;
    const auto launcher = makeProcessLauncher(empty.path().string());
    EXPECT_EQ(launcher->start("orvantis-no-such-program 1", kShowModeHide), nullptr);
    EXPECT_EQ(launcher->start((empty.path() / "missing").string(), kShowModeHide), nullptr);
    EXPECT_EQ(launcher->start("", kShowModeHide), nullptr);
}

TEST(PosixLauncher, LooksInTheProgramsFolderBeforePath) {
    TempFolder own, onPath;
    own.addScript("orvantis-fake-tool", 7);
    onPath.addScript("orvantis-fake-tool", 9);
    const ScopedEnv path("PATH", onPath.path().string() + ":/usr/bin:/bin");
    const auto launcher = makeProcessLauncher(own.path().string());
    EXPECT_EQ(run(*launcher, "orvantis-fake-tool"), 7u);
    fs::remove(own.path() / "orvantis-fake-tool");
    EXPECT_EQ(run(*launcher, "orvantis-fake-tool"), 9u);
}

// An installed tree: bin/ holds the programs, libexec/orvantis/ their private helpers.
TEST(PosixLauncher, LooksInTheInstalledPrivateFolderAfterItsOwnAndBeforePath) {
    TempFolder tree, onPath;
    const fs::path bin = tree.path() / "bin";
    const fs::path privateFolder = (bin / ORVANTIS_PRIVATE_FROM_BIN).lexically_normal();
    ASSERT_EQ(privateFolder, tree.path() / "libexec" / "orvantis");
    fs::create_directories(bin);
    fs::create_directories(privateFolder);
    const auto addScript = [](const fs::path& file, int code) {
        std::ofstream(file) << "#!/bin/sh\nexit " << code << "\n";
        fs::permissions(file, fs::perms::owner_all);
    };
    addScript(privateFolder / "orvantis-fake-tool", 6);
    onPath.addScript("orvantis-fake-tool", 9);
    const ScopedEnv path("PATH", onPath.path().string() + ":/usr/bin:/bin");
    const auto launcher = makeProcessLauncher(bin.string());
    EXPECT_EQ(run(*launcher, "orvantis-fake-tool"), 6u);
    addScript(bin / "orvantis-fake-tool", 7); // beside the program comes first
    EXPECT_EQ(run(*launcher, "orvantis-fake-tool"), 7u);
    fs::remove(bin / "orvantis-fake-tool");
    fs::remove(privateFolder / "orvantis-fake-tool");
    EXPECT_EQ(run(*launcher, "orvantis-fake-tool"), 9u);
}

TEST(PosixLauncher, NeverTakesAProgramFromTheCurrentDirectory) {
    TempFolder own, current;
    current.addScript("orvantis-fake-tool", 5);
    const ScopedCurrentDirectory cwd(current.path());
    // Empty, "." and relative entries all stand for the current directory.
    const ScopedEnv path("PATH", ":.:./:" + current.path().filename().string() + "::/usr/bin");
    const auto launcher = makeProcessLauncher(own.path().string());
    EXPECT_EQ(launcher->start("orvantis-fake-tool", kShowModeHide), nullptr);
    EXPECT_EQ(launcher->start("./orvantis-fake-tool", kShowModeHide), nullptr);
    const ScopedCurrentDirectory up(current.path().parent_path());
    EXPECT_EQ(launcher->start(current.path().filename().string() + "/orvantis-fake-tool", kShowModeHide),
              nullptr);
    EXPECT_EQ(run(*launcher, (current.path() / "orvantis-fake-tool").string()), 5u); // an absolute path runs
}

TEST(PosixLauncher, DefaultFolderIsTheRunningProgramsOwn) {
    // recordargs and exitwith are built next to this test program.
    const fs::path ownFolder = fs::read_symlink("/proc/self/exe").parent_path();
    ASSERT_TRUE(fs::exists(ownFolder / fs::path(kExitWith).filename()));
    const ScopedEnv path("PATH", "/usr/bin:/bin");
    const auto launcher = makeProcessLauncher();
    EXPECT_EQ(run(*launcher, fs::path(kExitWith).filename().string() + " 4"), 4u);
}

TEST(PosixLauncher, ChildReceivesTheArgumentsAsTheRuntimeSplitsThem) {
    TempFolder folder;
    const fs::path record = folder.path() / "record";
    const ScopedEnv recordFile("ORVANTIS_RECORD_FILE", record.string());
    const std::string longName(5000, 'n');
    const auto launcher = makeProcessLauncher();
    ASSERT_EQ(
        run(*launcher, kRecordArgs + " interface ip set address \"LA\"N\"  static 1.2.3.4 255.0.0.0  1"), 0u);
    ASSERT_EQ(run(*launcher, kRecordArgs + " set dns \"" + longName + "\"  dhcp "), 0u);
    ASSERT_EQ(run(*launcher, kRecordArgs + " a\\\\\\\"b \"c\"\"d\" e\\\\"), 0u);
    const std::vector<std::vector<std::string>> expected = {
        {kRecordArgs, "interface", "ip", "set", "address", "LAN  static 1.2.3.4 255.0.0.0  1"},
        {kRecordArgs, "set", "dns", longName, "dhcp"},
        {kRecordArgs, "a\\\"b", "c\"d", "e\\\\"}};
    EXPECT_EQ(recordedRuns(record), expected);
}

TEST(PosixLauncher, ChildReadsEndOfFileOnItsStandardInput) {
    const auto launcher = makeProcessLauncher();
    // cat copies standard input to standard output; from /dev/null it ends at once with 0.
    const ScopedEnv path("PATH", "/usr/bin:/bin");
    EXPECT_EQ(run(*launcher, "cat"), 0u);
}

// The job with the real runner and a fake netsh (recordargs under that name) in the
// runner's program folder: both lines reach it in full.
TEST(ChangeIpWithRealRunner, FakeNetshReceivesBothLines) {
    TempFolder folder;
    folder.addCopy("netsh", kRecordArgs);
    const fs::path record = folder.path() / "record";
    const ScopedEnv recordFile("ORVANTIS_RECORD_FILE", record.string());
    const std::string name = "Local \"Area\" " + std::string(700, 'c');
    const std::vector<std::string> events =
        runJobToEnd(makeProcessLauncher(folder.path().string()), [&name](TChangeIp& job) {
            job.FIPAddress = "192.168.1.20";
            job.FSubnetMask = "255.255.255.0";
            job.FDNS = "192.168.1.1";
            job.FConnectionName = name;
        });
    const std::vector<std::vector<std::string>> expected = {
        {"netsh", "interface", "ip", "set", "address", "Local Area " + std::string(700, 'c'), "static",
         "192.168.1.20", "255.255.255.0", "1"},
        {"netsh", "interface", "ip", "set", "dns", "Local Area " + std::string(700, 'c'), "static",
         "192.168.1.1", "primary"}};
    EXPECT_EQ(recordedRuns(record), expected);
    EXPECT_EQ(std::count(events.begin(), events.end(),
                         "label IP Settings Succecsfully changed...Posting data please wait..."),
              2);
    EXPECT_EQ(events.back(), "label hide");
}

// ---- What the command line prints ---------------------------------------------------

struct Printed {
    std::optional<std::uint32_t> exitCode;
    std::string output;
};

Printed runAndRead(const std::string& line) {
    std::unique_ptr<RunningProcess> process = makeProcessLauncher()->start(line, kShowModeHide);
    if (!process)
        return {};
    const std::uint32_t exitCode = process->waitForExit();
    return {exitCode, process->output()};
}

TEST(PosixOutput, BothStreamsAreKeptInTheOrderTheyCame) {
    const Printed printed = runAndRead(kExitWith + " say \"to standard output\" \"to standard error\" 1");
    EXPECT_EQ(printed.exitCode, 1u);
    EXPECT_EQ(printed.output, "to standard output\nto standard error\n");
}

TEST(PosixOutput, AChildThatPrintsNothingLeavesItEmpty) {
    const Printed printed = runAndRead(kExitWith + " 3");
    EXPECT_EQ(printed.exitCode, 3u);
    EXPECT_EQ(printed.output, "");
}

// Far more than a pipe holds (64 KiB): the child never blocks, and the last 4 KiB
// are kept, from the first whole line in them.
TEST(PosixOutput, AFloodIsReadWhileWaitingAndItsLastLinesKept) {
    constexpr unsigned long kBytes = 300 * 1024;
    std::string full;
    for (unsigned long number = 1; number * 12 <= kBytes; ++number) {
        char line[16];
        std::snprintf(line, sizeof line, "line %06lu\n", number);
        full += line;
    }
    const Printed printed = runAndRead(kExitWith + " flood " + std::to_string(kBytes) + " 1");
    EXPECT_EQ(printed.exitCode, 1u);
    const std::string& kept = printed.output;
    ASSERT_LE(kept.size(), kOutputLimit);
    EXPECT_GT(kept.size(), kOutputLimit - 12) << "more than the cut line was lost";
    EXPECT_EQ(kept.rfind("line ", 0), 0u) << kept.substr(0, 20);
    EXPECT_EQ(full.compare(full.size() - kept.size(), kept.size(), kept), 0) << "not the end of the output";
}

// A child that leaves a process behind which keeps the pipe open (as a DHCP client
// started by netsh could): the wait ends with the child, not with the pipe.
TEST(PosixOutput, AProcessLeftBehindDoesNotHoldTheWait) {
    const ScopedEnv path("PATH", "/usr/bin:/bin");
    const Printed printed = runAndRead("sh -c \"sleep 1000 & echo $!; exit 2\"");
    ASSERT_EQ(printed.exitCode, 2u);
    const pid_t leftBehind = static_cast<pid_t>(std::strtol(printed.output.c_str(), nullptr, 10));
    ASSERT_GT(leftBehind, 0) << printed.output;
    EXPECT_EQ(::kill(leftBehind, SIGKILL), 0);
}

// The job with the real runner and a netsh script: its own words follow the line's
// text in the closing warning; one that prints nothing gives the text alone.
struct NetshWordsCase {
    const char* name;
    std::string script;
    std::string warning;
};

class ChangeIpNetshWords : public testing::TestWithParam<NetshWordsCase> {};

TEST_P(ChangeIpNetshWords, FollowTheFailedLinesText) {
    TempFolder folder;
    folder.addScriptBody("netsh", GetParam().script);
    const std::vector<std::string> events =
        runJobToEnd(makeProcessLauncher(folder.path().string()), [](TChangeIp& job) { job.FDHCP = true; });
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), GetParam().warning);
    EXPECT_EQ(std::count(events.begin(), events.end(),
                         "label Changing IP settings failed: netsh ended with code 1."),
              2);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, ChangeIpNetshWords,
    testing::Values(
        NetshWordsCase{"PrintsNothing", "exit 1",
                       "warning: The IP Set was not applied completely.\r"
                       "Address settings: netsh ended with code 1\rDNS settings: netsh ended with code 1"},
        NetshWordsCase{"BothStreams",
                       "echo \"Changing $5:\"; echo \"netsh: there is no NetworkManager connection named "
                       "\\\"$5\\\"  \" >&2; exit 1",
                       "warning: The IP Set was not applied completely.\r"
                       "Address settings: netsh ended with code 1\rChanging LAN:\r"
                       "netsh: there is no NetworkManager connection named \"LAN\"\r"
                       "DNS settings: netsh ended with code 1\rChanging LAN:\r"
                       "netsh: there is no NetworkManager connection named \"LAN\""},
        NetshWordsCase{"OnlyBlankLines", "printf '\\n  \\r\\n\\t\\n' >&2; exit 1",
                       "warning: The IP Set was not applied completely.\r"
                       "Address settings: netsh ended with code 1\rDNS settings: netsh ended with code 1"}),
    [](const testing::TestParamInfo<NetshWordsCase>& info) { return info.param.name; });

// ---- Started by a parent that ignores SIGCHLD --------------------------------------

// A signal's disposition as a careless parent leaves it, for the life of the object.
class ScopedDisposition {
public:
    ScopedDisposition(int signal, void (*handler)(int)) : m_signal(signal) {
        struct sigaction action {};
        action.sa_handler = handler;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, &m_old);
    }
    ~ScopedDisposition() { ::sigaction(m_signal, &m_old, nullptr); }
    ScopedDisposition(const ScopedDisposition&) = delete;
    ScopedDisposition& operator=(const ScopedDisposition&) = delete;

private:
    int m_signal;
    struct sigaction m_old {};
};

void (*dispositionOf(int signal))(int) {
    struct sigaction action {};
    ::sigaction(signal, nullptr, &action);
    return action.sa_handler;
}

// With SIGCHLD ignored the kernel reaps the child itself: the wait finds no child.
TEST(RunnerWithSigchldIgnored, AFailedWaitIsAnErrorOfTheRunnerNotAnExitCode) {
    const ScopedDisposition ignored(SIGCHLD, SIG_IGN);
    const auto process = makeProcessLauncher()->start(kExitWith + " 3", kShowModeHide);
    ASSERT_NE(process, nullptr);
    try {
        const std::uint32_t code = process->waitForExit();
        ADD_FAILURE() << "the wait answered the exit code " << code;
    } catch (const EOSError& error) {
        EXPECT_EQ(error.ErrorCode(), static_cast<std::uint32_t>(ECHILD));
        EXPECT_STREQ(error.what(), "System Error.  Code: 10.\r\nNo child processes");
    }
}

TEST(RunnerWithSigchldIgnored, TheJobShowsTheRunnersErrorNotACodeAndARangeCheckError) {
    const ScopedDisposition ignored(SIGCHLD, SIG_IGN);
    TempFolder folder;
    folder.addScript("netsh", 0);
    const std::vector<std::string> events = runJobToEnd(makeProcessLauncher(folder.path().string()));
    EXPECT_EQ(
        std::count(events.begin(), events.end(), "message: System Error.  Code: 10.\r\nNo child processes"),
        2);
    for (const std::string& event : events) {
        EXPECT_EQ(event.find("4294967295"), std::string::npos) << event;
        EXPECT_EQ(event.find("Range check error"), std::string::npos) << event;
    }
    EXPECT_EQ(events.back(), "label hide");
}

// What the program and its netsh do first: the runner then reads exit codes again.
TEST(RunnerWithSigchldIgnored, RestoredAtStartTheRunnerReadsTheExitCode) {
    const ScopedDisposition ignoredChild(SIGCHLD, SIG_IGN);
    const ScopedDisposition ignoredPipe(SIGPIPE, SIG_IGN);
    sigset_t blocked, before;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGCHLD);
    ::pthread_sigmask(SIG_BLOCK, &blocked, &before);

    RestoreSignalDefaults();

    EXPECT_EQ(dispositionOf(SIGCHLD), SIG_DFL);
    EXPECT_EQ(dispositionOf(SIGPIPE), SIG_DFL);
    sigset_t now;
    ::pthread_sigmask(SIG_SETMASK, nullptr, &now);
    EXPECT_FALSE(sigismember(&now, SIGTERM));
    EXPECT_FALSE(sigismember(&now, SIGCHLD));
    EXPECT_EQ(run(*makeProcessLauncher(), kExitWith + " 3"), 3u);
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

} // namespace
