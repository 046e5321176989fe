#pragma once
// Runs a system program with an argument vector (posix_spawn, never a shell) and waits for it.

#include <string>
#include <vector>

namespace netsh {

struct ProcessResult {
    int status = 0; // exit code; 128 + signal number when killed; 127 when it could not be started
    std::string out;
    std::string err;
    bool ok() const { return status == 0; }
};

// The system folders netsh takes its tools from, in this order. PATH is never used:
// as root, a "." or relative entry in it would run whatever the current folder holds.
const std::vector<std::string>& systemProgramFolders();

// The absolute path of a program in the system folders, or empty when none holds it.
// A name that holds a slash is not looked up (and not accepted).
std::string systemProgram(const std::string& name);

// Runs argv[0] from the system folders, with PATH set to them and the C locale.
// daemon: the program leaves a process behind (a DHCP client); its standard output and
// error then go to /dev/null so that nobody waits for the pipe to close.
ProcessResult runProgram(const std::vector<std::string>& argv, bool daemon = false);

} // namespace netsh
