// The Windows side of the IP change job, run under Wine: the administrator check on a
// real token, the runner starting real processes of ours (by absolute path), the exact
// command line a child receives, and the job's range check error on a real exit code.
#include "changeipfakes.h"
#include "net/admin.h"
#include "net/oserror.h"
#include "net/process.h"
#include "net/process_win32.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <string>
#include <vector>
#include <windows.h>

namespace {

std::string ownFolder() {
    char buffer[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    std::string path(buffer, length);
    return path.substr(0, path.find_last_of("\\/"));
}

std::string helper(const char* name) {
    return ownFolder() + "\\" + name + ".exe";
}

std::optional<std::uint32_t> run(ProcessLauncher& launcher, const std::string& line) {
    std::unique_ptr<RunningProcess> process = launcher.start(line, kShowModeHide);
    if (!process)
        return std::nullopt;
    return process->waitForExit();
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class RecordFile {
public:
    RecordFile() : m_path(ownFolder() + "\\changeip-record-" + std::to_string(::GetCurrentProcessId())) {
        std::remove(m_path.c_str());
        ::SetEnvironmentVariableA("ORVANTIS_RECORD_FILE", m_path.c_str());
        _putenv_s("ORVANTIS_RECORD_FILE", m_path.c_str());
    }
    ~RecordFile() { std::remove(m_path.c_str()); }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

TEST(WindowsIsAdmin, AnswersConsistentlyOnARealToken) {
    const bool first = IsAdmin();
    const bool second = IsAdmin();
    EXPECT_EQ(first, second);
    std::printf("IsAdmin() answers %s here\n", first ? "true" : "false");
}

TEST(WindowsIsAdmin, ThreadImpersonatingItsProcessAnswersAsTheProcess) {
    // With a thread token of its own, the check reads the thread's token.
    const bool processAnswer = IsAdmin();
    ASSERT_TRUE(::ImpersonateSelf(SecurityImpersonation));
    const bool threadAnswer = IsAdmin();
    ::RevertToSelf();
    EXPECT_EQ(threadAnswer, processAnswer);
}

// Closes a handle at the end of a test.
struct ScopedHandle {
    HANDLE handle = nullptr;
    ~ScopedHandle() {
        if (handle)
            ::CloseHandle(handle);
    }
};

// Whether the token lists the Administrators group, and with which attribute flags.
std::optional<DWORD> administratorsAttributes(HANDLE token, PSID administrators) {
    DWORD needed = 0;
    ::GetTokenInformation(token, TokenGroups, nullptr, 0, &needed);
    std::vector<std::byte> buffer(needed);
    if (!::GetTokenInformation(token, TokenGroups, buffer.data(), needed, &needed))
        return std::nullopt;
    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        if (::EqualSid(groups->Groups[i].Sid, administrators))
            return groups->Groups[i].Attributes;
    }
    return std::nullopt;
}

TEST(WindowsIsAdmin, AdministratorsGroupForDenyOnlyStillCounts) {
    // A thread token made from the process's token with the Administrators group
    // turned into a deny-only group: it is listed, but not enabled.
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    ASSERT_TRUE(::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                           DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators));
    ScopedHandle process, restricted, impersonation;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &process.handle));
    if (!administratorsAttributes(process.handle, administrators)) {
        ::FreeSid(administrators);
        GTEST_SKIP() << "this user's token does not list the Administrators group";
    }
    SID_AND_ATTRIBUTES disable{administrators, 0};
    ASSERT_TRUE(
        ::CreateRestrictedToken(process.handle, 0, 1, &disable, 0, nullptr, 0, nullptr, &restricted.handle));
    ASSERT_TRUE(::DuplicateToken(restricted.handle, SecurityImpersonation, &impersonation.handle));
    const std::optional<DWORD> attributes = administratorsAttributes(impersonation.handle, administrators);
    ::FreeSid(administrators);
    ASSERT_TRUE(attributes.has_value());
    EXPECT_TRUE(*attributes & SE_GROUP_USE_FOR_DENY_ONLY) << "attributes " << *attributes;
    EXPECT_FALSE(*attributes & SE_GROUP_ENABLED) << "attributes " << *attributes;

    ASSERT_TRUE(::SetThreadToken(nullptr, impersonation.handle));
    const bool answer = IsAdmin();
    ::RevertToSelf();
    EXPECT_TRUE(answer);
}

struct ExitCase {
    const char* name;
    const char* argument;
    std::uint32_t exitCode;
};

class WindowsExitCodes : public testing::TestWithParam<ExitCase> {};

TEST_P(WindowsExitCodes, AreReportedUnsigned) {
    const auto launcher = makeProcessLauncher();
    EXPECT_EQ(run(*launcher, "\"" + helper("orvantis_test_exitwith") + "\" " + GetParam().argument),
              GetParam().exitCode);
}

INSTANTIATE_TEST_SUITE_P(Table, WindowsExitCodes,
                         testing::Values(ExitCase{"Zero", "0", 0}, ExitCase{"One", "1", 1},
                                         ExitCase{"LargestSigned", "0x7FFFFFFF", 0x7FFFFFFFu},
                                         ExitCase{"TwoToTheThirtyFirst", "0x80000000", 0x80000000u}),
                         [](const testing::TestParamInfo<ExitCase>& info) { return info.param.name; });

TEST(WindowsLauncher, FindsABareNameInTheProgramsFolder) {
    const auto launcher = makeProcessLauncher(ownFolder());
    EXPECT_EQ(run(*launcher, "orvantis_test_exitwith 6"), 6u);
}

TEST(WindowsLauncher, MissingProgramCannotStart) {
    const auto launcher = makeProcessLauncher();
    EXPECT_EQ(launcher->start(ownFolder() + "\\orvantis-no-such-program.exe 1", kShowModeHide), nullptr);
    EXPECT_EQ(launcher->start("orvantis-no-such-program 1", kShowModeHide), nullptr);
    EXPECT_EQ(launcher->start(".\\orvantis_test_exitwith 1", kShowModeHide), nullptr);
}

TEST(WindowsLauncher, ChildReceivesTheWholeCommandLineUnchanged) {
    const RecordFile record;
    const auto launcher = makeProcessLauncher();
    const std::string program = "\"" + helper("orvantis_test_recordcmdline") + "\"";
    for (const std::string& rest :
         {std::string(" interface ip set address \"LA\"N\"  static 10.0.0.5 255.255.255.0  1"),
          std::string(" interface ip set dns \"") + std::string(3000, 'n') + "\"  dhcp ",
          std::string(" a\\\\\\\"b \"c\"\"d\" e\\\\")}) {
        const std::string line = program + rest;
        ASSERT_EQ(run(*launcher, line), 0u);
        EXPECT_EQ(readFile(record.path()), line);
    }
}

TEST(WindowsLauncher, NetshNeverComesFromTheCurrentDirectory) {
    // A recording netsh.exe in the current directory must not be the one that runs.
    const RecordFile record;
    const std::string folder = ownFolder() + "\\changeip-cwd";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    const std::string planted = folder + "\\netsh.exe";
    ASSERT_TRUE(::CopyFileA(helper("orvantis_test_recordcmdline").c_str(), planted.c_str(), FALSE));
    char previous[MAX_PATH];
    ::GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryA(folder.c_str()));
    const auto launcher = makeProcessLauncher(ownFolder());
    // "netsh /?" only prints its help; a system without netsh cannot start it at all.
    const std::optional<std::uint32_t> result = run(*launcher, "netsh /?");
    ::SetCurrentDirectoryA(previous);
    std::printf("netsh /? from the system folder: %s\n",
                result ? ("exit code " + std::to_string(*result)).c_str() : "could not be started");
    EXPECT_EQ(readFile(record.path()), "") << "the planted netsh.exe ran";
    ::DeleteFileA(planted.c_str());
    ::RemoveDirectoryA(folder.c_str());
}

// The system runner with every command line replaced by one fixed line, so that the
// job runs a real process of ours instead of netsh.
class ReplacingLauncher final : public ProcessLauncher {
public:
    explicit ReplacingLauncher(std::string line)
        : m_line(std::move(line)), m_launcher(makeProcessLauncher()) {}
    std::unique_ptr<RunningProcess> start(const std::string&, int showMode) override {
        return m_launcher->start(m_line, showMode);
    }

private:
    std::string m_line;
    std::unique_ptr<ProcessLauncher> m_launcher;
};

TEST(WindowsChangeIp, RealExitCodeOfTwoToTheThirtyFirstGivesRangeCheckError) {
    const std::vector<std::string> events = runJobToEnd(
        std::make_shared<ReplacingLauncher>("\"" + helper("orvantis_test_exitwith") + "\" 0x80000000"));
    EXPECT_EQ(std::count(events.begin(), events.end(), "message: Range check error"), 2);
    EXPECT_EQ(std::count(events.begin(), events.end(),
                         "label Changing IP settings failed: netsh ended with code 2147483648."),
              2);
    EXPECT_EQ(events.back(), "warning: The IP Set was not applied completely.\r"
                             "Address settings: netsh ended with code 2147483648\r"
                             "DNS settings: netsh ended with code 2147483648");
}

TEST(WindowsChangeIp, MissingProgramShowsCouldNotStart) {
    const std::vector<std::string> events =
        runJobToEnd(std::make_shared<ReplacingLauncher>(ownFolder() + "\\orvantis-no-such-program.exe"));
    EXPECT_EQ(std::count(events.begin(), events.end(), "label Could not start netsh."), 2);
    EXPECT_EQ(events.back(), "warning: The IP Set was not applied completely.\r"
                             "Address settings: netsh could not be started\r"
                             "DNS settings: netsh could not be started");
}

// ---- What the command line prints -----------------------------------------------------

struct Printed {
    std::optional<std::uint32_t> exitCode;
    std::string output;
};

Printed runAndRead(const std::string& arguments) {
    const std::unique_ptr<RunningProcess> process = makeProcessLauncher()->start(
        "\"" + helper("orvantis_test_exitwith") + "\" " + arguments, kShowModeHide);
    if (!process)
        return {};
    const std::uint32_t exitCode = process->waitForExit();
    return {exitCode, process->output()};
}

TEST(WindowsOutput, BothStreamsOfAChildThatExitsWithOne) {
    const Printed printed = runAndRead("say \"to standard output\" \"to standard error\" 1");
    EXPECT_EQ(printed.exitCode, 1u);
    EXPECT_EQ(printed.output, "to standard output\r\nto standard error\r\n");
}

TEST(WindowsOutput, AChildThatPrintsNothingLeavesItEmpty) {
    const Printed printed = runAndRead("0");
    EXPECT_EQ(printed.exitCode, 0u);
    EXPECT_EQ(printed.output, "");
}

TEST(WindowsOutput, TheConsoleCodePageReadsAsUtf8) {
    const UINT codePage = ::GetOEMCP();
    if (codePage != 437 && codePage != 850)
        GTEST_SKIP() << "the console code page here is " << codePage << ", not 437 or 850";
    const Printed printed = runAndRead("oem 0");
    EXPECT_EQ(printed.output, "\xc3\xbc\xc3\xa4\xc3\xb6\r\n"); // the letters u, a and o with umlaut
}

// Far more than the pipe holds: the child never blocks, and the end of what it printed is kept.
TEST(WindowsOutput, AFloodIsReadWhileWaiting) {
    const Printed printed = runAndRead("flood 200000 1");
    EXPECT_EQ(printed.exitCode, 1u);
    const std::string lastLine = "line 016666\r\n"; // 200000 / 12 lines
    ASSERT_GE(printed.output.size(), lastLine.size());
    EXPECT_LE(printed.output.size(), kOutputLimit);
    EXPECT_EQ(printed.output.substr(printed.output.size() - lastLine.size()), lastLine);
    EXPECT_EQ(printed.output.rfind("line ", 0), 0u) << printed.output.substr(0, 20);
}

// An inheritable event of the program: the child of the runner must not get it. The
// same child started with plain inheritance shows that the probe can see a leak.
class InheritableEvent : public testing::Test {
protected:
    void SetUp() override {
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        event.handle = ::CreateEventA(&inheritable, TRUE, FALSE, nullptr);
        ASSERT_NE(event.handle, nullptr);
    }
    bool isSet() const { return ::WaitForSingleObject(event.handle, 0) == WAIT_OBJECT_0; }
    std::string probeLine() const {
        return "\"" + helper("orvantis_test_inherited") + "\" " +
               std::to_string(reinterpret_cast<std::uintptr_t>(event.handle));
    }

    ScopedHandle event;
};

TEST_F(InheritableEvent, ReachesAChildStartedWithPlainInheritance) {
    std::string line = probeLine();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE, nullptr,
                                 nullptr, &startup, &info));
    const std::unique_ptr<RunningProcess> process = AdoptProcessHandles(info.hProcess, info.hThread);
    EXPECT_EQ(process->waitForExit(), 0u);
    EXPECT_TRUE(isSet());
}

TEST_F(InheritableEvent, NeverReachesAChildOfTheRunner) {
    const std::unique_ptr<RunningProcess> process = makeProcessLauncher()->start(probeLine(), kShowModeHide);
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(process->waitForExit(), 1u) << process->output();
    EXPECT_EQ(process->output().rfind("not inherited", 0), 0u) << process->output();
    EXPECT_FALSE(isSet());
}

TEST(WindowsChangeIp, NetshsWordsFollowTheFailedLinesText) {
    const std::vector<std::string> events = runJobToEnd(std::make_shared<ReplacingLauncher>(
        "\"" + helper("orvantis_test_exitwith") + "\" say \"Ok.\" \"Element not found.  \" 1"));
    EXPECT_EQ(std::count(events.begin(), events.end(),
                         "label Changing IP settings failed: netsh ended with code 1."),
              2);
    EXPECT_EQ(events.back(), "warning: The IP Set was not applied completely.\r"
                             "Address settings: netsh ended with code 1\rOk.\rElement not found.\r"
                             "DNS settings: netsh ended with code 1\rOk.\rElement not found.");
}

// ---- A wait that fails is an error of the runner, never an exit code ---------------

// A handle to this very process without the right to wait for it: the wait fails
// (access denied) while the process, still running, answers STILL_ACTIVE.
HANDLE ownProcessWithoutSynchronize() {
    return ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, ::GetCurrentProcessId());
}

// A signalled event: the wait succeeds, but it has no exit code to give.
HANDLE signalledEvent() {
    return ::CreateEventA(nullptr, TRUE, TRUE, nullptr);
}

struct FailedWaitCase {
    const char* name;
    HANDLE (*handle)();
    DWORD errorCode;
};

class WindowsFailedWait : public testing::TestWithParam<FailedWaitCase> {};

TEST_P(WindowsFailedWait, IsAnOSError) {
    const HANDLE handle = GetParam().handle();
    ASSERT_NE(handle, nullptr);
    const std::unique_ptr<RunningProcess> process = AdoptProcessHandles(handle, nullptr);
    try {
        const std::uint32_t code = process->waitForExit();
        ADD_FAILURE() << "the wait answered the exit code " << code;
    } catch (const EOSError& error) {
        EXPECT_EQ(error.ErrorCode(), GetParam().errorCode);
        EXPECT_EQ(std::string(error.what())
                      .rfind("System Error.  Code: " + std::to_string(GetParam().errorCode) + ".\r\n", 0),
                  0u)
            << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Handles, WindowsFailedWait,
                         testing::Values(FailedWaitCase{"NoRightToWait", ownProcessWithoutSynchronize,
                                                        ERROR_ACCESS_DENIED},
                                         FailedWaitCase{"NotAProcess", signalledEvent, ERROR_INVALID_HANDLE}),
                         [](const testing::TestParamInfo<FailedWaitCase>& info) { return info.param.name; });

TEST(WindowsFailedWait, AnExitCodeOfStillActiveTellsNothing) {
    const auto launcher = makeProcessLauncher();
    const std::unique_ptr<RunningProcess> process =
        launcher->start("\"" + helper("orvantis_test_exitwith") + "\" 259", kShowModeHide);
    ASSERT_NE(process, nullptr);
    EXPECT_THROW(process->waitForExit(), ProcessWaitError);
}

// The job with a runner whose wait fails: the runner's error in the message dialog, as
// for any error of the runner; no exit code 259 on the label.
class FailingWaitLauncher final : public ProcessLauncher {
public:
    std::unique_ptr<RunningProcess> start(const std::string&, int) override {
        return AdoptProcessHandles(ownProcessWithoutSynchronize(), nullptr);
    }
};

TEST(WindowsChangeIp, AFailedWaitIsShownAsAnErrorOfTheRunner) {
    const std::vector<std::string> events = runJobToEnd(std::make_shared<FailingWaitLauncher>());
    const std::string message = std::string("message: ") + EOSError(ERROR_ACCESS_DENIED).what();
    EXPECT_EQ(std::count(events.begin(), events.end(), message), 2);
    for (const std::string& event : events)
        EXPECT_EQ(event.find("259"), std::string::npos) << event;
    EXPECT_EQ(events.back(), "label hide");
}

} // namespace
