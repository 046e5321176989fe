#pragma once
// Runs a program with an argument vector (posix_spawnp, never a shell) and waits for it.

#include <string>
#include <vector>

namespace netsh {

struct ProcessResult {
    int status = 0; // exit code; 128 + signal number when killed; 127 when it could not be started
    std::string out;
    std::string err;
    bool ok() const { return status == 0; }
};

// daemon: the program leaves a process behind (a DHCP client); its standard output and
// error then go to /dev/null so that nobody waits for the pipe to close.
ProcessResult runProgram(const std::vector<std::string>& argv, bool daemon = false);

} // namespace netsh
