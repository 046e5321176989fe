// The program started by a careless parent (SIGCHLD and SIGPIPE ignored, every signal
// blocked): before anything else it puts back the signal handling that its process
// runner relies on. Read from the running program's /proc status.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace {

const std::string kProgram = ORVANTIS_PROGRAM;
const std::string kUnkindParent = ORVANTIS_UNKINDPARENT;

std::uint64_t bit(int signal) {
    return std::uint64_t{1} << (signal - 1);
}

// The signal masks of a process's /proc status ("SigIgn", "SigBlk").
struct SignalMasks {
    std::uint64_t ignored = 0;
    std::uint64_t blocked = 0;
};

// Whether the process runs the program already (unkindparent has made its exec).
bool runsTheProgram(pid_t pid) {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error);
    return !error && exe == std::filesystem::canonical(kProgram);
}

std::optional<SignalMasks> masksOf(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    SignalMasks masks;
    int found = 0;
    for (std::string line; std::getline(status, line);) {
        const auto field = [&line](const char* name) { return line.rfind(name, 0) == 0; };
        if (field("SigIgn:"))
            masks.ignored = std::stoull(line.substr(7), nullptr, 16), ++found;
        else if (field("SigBlk:"))
            masks.blocked = std::stoull(line.substr(7), nullptr, 16), ++found;
    }
    return found == 2 ? std::optional(masks) : std::nullopt;
}

// The program, started through unkindparent; killed at the end of the test.
class UnkindlyStarted {
public:
    UnkindlyStarted() {
        std::vector<std::string> arguments{kUnkindParent, kProgram};
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        m_error = ::posix_spawn(&m_pid, kUnkindParent.c_str(), nullptr, nullptr, argv.data(), environ);
    }
    ~UnkindlyStarted() {
        if (m_error != 0)
            return;
        ::kill(m_pid, SIGKILL);
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    UnkindlyStarted(const UnkindlyStarted&) = delete;
    UnkindlyStarted& operator=(const UnkindlyStarted&) = delete;

    int error() const { return m_error; }
    pid_t pid() const { return m_pid; }
    bool running() const {
        int status = 0;
        return ::waitpid(m_pid, &status, WNOHANG) == 0;
    }

private:
    pid_t m_pid = 0;
    int m_error = 0;
};

TEST(ProgramStart, PutsBackTheSignalHandlingThatItsRunnerReliesOn) {
    const UnkindlyStarted program;
    ASSERT_EQ(program.error(), 0);
    const std::uint64_t mustNotBeIgnored = bit(SIGCHLD) | bit(SIGPIPE);
    SignalMasks last;
    // The program shows its window (and, without a database here, an error report)
    // and waits for the user; its start-up has long been done by then.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        ASSERT_TRUE(program.running()) << "the program ended";
        if (!runsTheProgram(program.pid())) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        if (const auto masks = masksOf(program.pid())) {
            last = *masks;
            if ((last.ignored & mustNotBeIgnored) == 0 && last.blocked == 0)
                return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ADD_FAILURE() << std::hex << "SigIgn " << last.ignored << ", SigBlk " << last.blocked
                  << ": SIGCHLD or SIGPIPE still ignored, or signals still blocked";
}

} // namespace
