// netsh for Linux: carries out the "interface ip set address|dns" command lines that
// Orvantis sends, through NetworkManager when it runs, else iproute2, a DHCP client
// and systemd-resolved or /etc/resolv.conf. Exit code 0 only when the configuration
// asked for is in place; 1 otherwise, with one line on standard error.

#include "plan.h"
#include "request.h"
#include "system.h"

#include <cstdlib>
#include <iostream>

namespace {

// The tools live in sbin, which an ordinary user's PATH may lack.
void addSystemDirectoriesToPath() {
    const char* path = std::getenv("PATH");
    std::string value = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    for (const char* dir : {"/usr/local/sbin", "/usr/sbin", "/sbin"}) {
        if ((":" + value + ":").find(std::string(":") + dir + ":") == std::string::npos) {
            value += std::string(":") + dir;
        }
    }
    ::setenv("PATH", value.c_str(), 1);
}

int apply(const std::vector<std::string>& args) {
    const auto request = netsh::parseRequest(args);
    const auto facts = netsh::probeFacts(request);
    const auto plan = netsh::makePlan(request, facts);
    netsh::Executor executor;
    if (!executor.run(plan)) {
        std::cerr << executor.error() << '\n';
        return 1;
    }
    if (const auto missing = netsh::whatIsMissing(request, facts, netsh::observe(request, facts))) {
        executor.rollback();
        std::cerr << "netsh: " << *missing << "; the previous configuration was restored\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    addSystemDirectoriesToPath();
    try {
        return apply({argv + 1, argv + argc});
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return 1;
    }
}
