#include "net/childprocess_posix.h"

#include "net/oserror.h"
#include "net/scopedfd_posix.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

// While the pipe is open, how often to look whether the child has ended already.
constexpr int kLookPeriodMs = 20;

int waitForChild(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return status;
}

class SpawnFileActions {
public:
    SpawnFileActions() { m_ok = ::posix_spawn_file_actions_init(&m_actions) == 0; }
    ~SpawnFileActions() {
        if (m_ok)
            ::posix_spawn_file_actions_destroy(&m_actions);
    }
    SpawnFileActions(const SpawnFileActions&) = delete;
    SpawnFileActions& operator=(const SpawnFileActions&) = delete;

    // Standard input from /dev/null, standard output and error into outputFd.
    bool standardStreams(int outputFd) {
        return m_ok &&
               ::posix_spawn_file_actions_addopen(&m_actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0 &&
               ::posix_spawn_file_actions_adddup2(&m_actions, outputFd, STDOUT_FILENO) == 0 &&
               ::posix_spawn_file_actions_adddup2(&m_actions, outputFd, STDERR_FILENO) == 0;
    }
    const posix_spawn_file_actions_t* get() const { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions{};
    bool m_ok = false;
};

// Both ends close on exec, so that a child started meanwhile by another thread does not
// hold this pipe open; the child's own copies (its standard output and error) do not.
// Both sit above the standard streams, which the spawn overwrites in the child.
bool openPipe(int& readEnd, int& writeEnd) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    ScopedFd first(fds[0]), second(fds[1]);
    readEnd = ::fcntl(first.get(), F_DUPFD_CLOEXEC, 3);
    writeEnd = ::fcntl(second.get(), F_DUPFD_CLOEXEC, 3);
    if (readEnd < 0 || writeEnd < 0) {
        if (readEnd >= 0)
            ::close(readEnd);
        if (writeEnd >= 0)
            ::close(writeEnd);
        return false;
    }
    return ::fcntl(readEnd, F_SETFL, O_NONBLOCK) == 0;
}

int millisecondsUntil(ChildProcess::Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - ChildProcess::Clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, kLookPeriodMs));
}

} // namespace

std::uint32_t exitCodeOf(int status) {
    if (WIFEXITED(status))
        return static_cast<std::uint32_t>(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return 128u + static_cast<std::uint32_t>(WTERMSIG(status));
    return 0xFFFFFFFFu;
}

std::unique_ptr<ChildProcess> ChildProcess::start(const std::string& program, std::vector<std::string> argv,
                                                  char* const* envp) {
    int readEnd = -1;
    int writeEnd = -1;
    if (argv.empty() || !openPipe(readEnd, writeEnd))
        return nullptr;
    ScopedFd output(readEnd);
    const ScopedFd input(writeEnd);
    SpawnFileActions actions;
    if (!actions.standardStreams(writeEnd))
        return nullptr;
    std::vector<char*> pointers;
    for (std::string& argument : argv)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawn(&pid, program.c_str(), actions.get(), nullptr, pointers.data(), envp) != 0)
        return nullptr;
    return std::unique_ptr<ChildProcess>(new ChildProcess(pid, output.release()));
}

ChildProcess::ChildProcess(pid_t pid, int outputFd) : m_pid(pid), m_outputFd(outputFd) {}

ChildProcess::~ChildProcess() {
    closeOutput();
    if (m_waited)
        return;
    try {
        std::thread([pid = m_pid] { waitForChild(pid); }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: the ended process stays a zombie until the program ends.
    }
}

int ChildProcess::wait() {
    readUntilEnded(std::nullopt);
    m_waited = true;
    const int status = waitForChild(m_pid);
    // ECHILD when the program ignores SIGCHLD: the child was reaped unseen.
    if (status < 0)
        throw EOSError(static_cast<std::uint32_t>(errno));
    return status;
}

std::optional<int> ChildProcess::waitUntil(Clock::time_point deadline) noexcept {
    bool ended = readUntilEnded(deadline);
    while (!ended && Clock::now() < deadline) {
        ::poll(nullptr, 0, millisecondsUntil(deadline) > 0 ? 1 : 0);
        ended = hasEnded();
    }
    if (!ended)
        ::kill(m_pid, SIGKILL);
    m_waited = true;
    const int status = waitForChild(m_pid);
    if (!ended || status < 0)
        return std::nullopt;
    return status;
}

bool ChildProcess::readUntilEnded(std::optional<Clock::time_point> deadline) {
    while (m_outputFd >= 0) {
        if (deadline && Clock::now() >= *deadline)
            return false;
        pollfd pipe{m_outputFd, POLLIN, 0};
        const int ready = ::poll(&pipe, 1, deadline ? millisecondsUntil(*deadline) : kLookPeriodMs);
        if (ready > 0) {
            if (!readAvailable())
                closeOutput(); // end of file: every writer has gone
            continue;
        }
        if (ready < 0 && errno != EINTR) {
            closeOutput();
            break;
        }
        if (hasEnded()) {
            // What it printed before it ended is in the pipe already; a process it left
            // behind may keep the pipe open, and is not waited for.
            readAvailable();
            closeOutput();
            return true;
        }
    }
    return !deadline || hasEnded();
}

// Reads what the pipe holds now; false at end of file or on an error.
bool ChildProcess::readAvailable() {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_outputFd, buffer, sizeof buffer);
        if (n > 0) {
            m_output.append(std::string_view(buffer, static_cast<std::size_t>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && errno == EAGAIN;
    }
}

// Whether the child has ended (or cannot be waited for at all), without reaping it.
bool ChildProcess::hasEnded() const {
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) < 0)
        return errno != EINTR;
    return info.si_pid != 0;
}

void ChildProcess::closeOutput() {
    if (m_outputFd >= 0)
        ::close(m_outputFd);
    m_outputFd = -1;
}
