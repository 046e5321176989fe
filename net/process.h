#pragma once

#include "net/outputtail.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

// The platform's show-window code that hides a new process's window (SW_HIDE).
inline constexpr int kShowModeHide = 0;

// A wait for a process that gave no exit code and no platform error code.
class ProcessWaitError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A process started by a ProcessLauncher. Destroying it closes what refers to the
// process; it does not end the process.
class RunningProcess {
public:
    virtual ~RunningProcess() = default;

    // Waits, without a time limit, until the process has ended; answers its exit
    // code as the platform reports it (a Windows exit code is a 32-bit unsigned
    // number; on Linux a process ended by signal n gives 128 + n). Call it once.
    // A wait that fails is an error of the runner, never an exit code: it throws
    // EOSError with the platform's error code (ProcessWaitError when the platform
    // reports no error code, as for a Windows process that still answers STILL_ACTIVE).
    virtual std::uint32_t waitForExit() = 0;

    // What the process printed on its standard output and standard error together, in
    // the order it came, as UTF-8 text: the last kOutputLimit bytes (OutputTail), read
    // while waitForExit() waits, so that a process printing more than a pipe holds
    // never blocks. Complete once waitForExit() has returned; empty when it printed nothing.
    virtual std::string output() const = 0;
};

// Starts command lines as processes of their own, without a shell. The first word of
// the line (split as the Microsoft C runtime splits a command line) names the
// program; it is never taken from the current directory.
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;

    // Starts the line with the given show mode (a hidden window, kShowModeHide, for
    // every line of this program). Answers null when the process cannot be started.
    // Never throws for a program that is missing or cannot run.
    virtual std::unique_ptr<RunningProcess> start(const std::string& commandLine, int showMode) = 0;
};

// The launcher of this platform.
//
// Windows: netsh runs from the system folder (%SystemRoot%\System32\netsh.exe) with
// the command line unchanged; a program named by an absolute path runs from there;
// any other bare name is looked for in programFolder, then in the system folder.
// Linux: a program named by an absolute path runs from there; a bare name is looked
// for in programFolder, then in the installed private folder that belongs to it
// (programFolder/../libexec/orvantis), then in the absolute entries of PATH.
// A relative path (one that names a folder, but not from the root) never runs.
//
// An empty programFolder stands for the folder of the running program.
std::unique_ptr<ProcessLauncher> makeProcessLauncher(std::string programFolder = {});
