// netsh for Linux: carries out the "interface ip set address|dns" command lines that
// Orvantis sends, through NetworkManager when it runs, else iproute2, a DHCP client
// and systemd-resolved or /etc/resolv.conf. Exit code 0 only when the configuration
// asked for is in place; 1 otherwise, with one line on standard error.

#include "executor.h"
#include "lock.h"
#include "net/startsignals.h"
#include "plan.h"
#include "request.h"
#include "system.h"

#include <iostream>

namespace {

int apply(const std::vector<std::string>& args) {
    const auto request = netsh::parseRequest(args);
    const netsh::RunLock lock;
    const auto facts = netsh::probeFacts(request);
    const auto plan = netsh::makePlan(request, facts);
    netsh::Executor executor(netsh::performAction);
    if (!executor.run(plan)) {
        std::cerr << executor.error() << '\n';
        return 1;
    }
    if (const auto missing = netsh::whatIsMissing(request, facts, netsh::observe(request, facts))) {
        std::cerr << "netsh: " << *missing << "; " << netsh::restoredText(executor.rollback()) << '\n';
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    RestoreSignalDefaults(); // every tool run here is waited for, and expects the default SIGPIPE
    try {
        return apply({argv + 1, argv + argc});
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return 1;
    }
}
