#pragma once

// A child process on Linux, started without a shell: its standard input reads
// /dev/null, its standard output and standard error go into one pipe that the parent
// reads while it waits, keeping the last kOutputLimit bytes. Shared by the process
// runner and the administrator check (which asks nmcli).
#include "net/outputtail.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

class ChildProcess {
public:
    using Clock = std::chrono::steady_clock;

    // Starts program (an absolute path) with the arguments argv (argv[0] included) and
    // the environment envp. Null when it cannot be started.
    static std::unique_ptr<ChildProcess> start(const std::string& program, std::vector<std::string> argv,
                                               char* const* envp);

    // A child nobody waited for runs on; a thread of its own reaps it.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Reads what the child prints until it has ended, then waits for it: its wait
    // status. Without a time limit. Throws EOSError with errno when the wait fails.
    int wait();

    // The same with a time limit: nullopt when the child has not ended by deadline;
    // it is then killed and reaped. Never throws.
    std::optional<int> waitUntil(Clock::time_point deadline) noexcept;

    // What the child printed (see OutputTail); complete once a wait has returned.
    std::string output() const { return m_output.text(); }

private:
    ChildProcess(pid_t pid, int outputFd);
    // Reads until end of file or until the child has ended (a process it left behind
    // may hold the pipe open); false when deadline came first.
    bool readUntilEnded(std::optional<Clock::time_point> deadline);
    bool readAvailable();
    bool hasEnded() const;
    void closeOutput();

    pid_t m_pid;
    int m_outputFd;
    bool m_waited = false;
    OutputTail m_output;
};

// How a wait status reads as an exit code: the exit code, or 128 + n for a child that
// signal n ended.
std::uint32_t exitCodeOf(int status);
