#pragma once
// The plan: the exact commands (and the one file write) that carry out a request on
// this machine, each with what undoes it; and the check that the result is in place.
// Pure: everything it needs about the machine comes in as Facts.

#include "request.h"
#include "state.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace netsh {

// The request cannot be carried out here (checked before anything changes).
class PlanError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Command {
    std::vector<std::string> argv;
    bool daemon = false; // leaves a process running (a DHCP client): its output goes nowhere
    friend bool operator==(const Command&, const Command&) = default;
};

struct WriteFile {
    std::string path;
    std::string content;
    friend bool operator==(const WriteFile&, const WriteFile&) = default;
};

using Action = std::variant<Command, WriteFile>;

struct Step {
    Action action;
    bool mayFail = false;     // a failure here is not an error (e.g. a route the kernel already removed)
    std::vector<Action> undo; // run in this order when a later step fails
    friend bool operator==(const Step&, const Step&) = default;
};

using Plan = std::vector<Step>;

Plan makePlan(const Request& request, const Facts& facts);

// What netsh reads back after the plan ran.
struct Observed {
    InterfaceState iface;
    NmSettings nm;
    NmActive nmActive;
    std::string resolvConf;
    std::vector<std::string> resolvedDns;
};

// The servers a "dns ... dhcp" request puts in place.
std::vector<std::string> dhcpDnsServers(const Facts& facts);

// True when the configuration asked for is in place; otherwise the reason.
std::optional<std::string> whatIsMissing(const Request& request, const Facts& facts,
                                         const Observed& observed);

// The NetworkManager profile that NAME stands for: the one so named; else the profile
// active on the device NAME; else the one profile bound to that device (boundTo is asked
// only then). Throws UsageError when none fits, when several do, and for the loopback.
NmConnection chooseNmConnection(const std::string& name, const std::vector<NmConnection>& all,
                                const std::function<std::vector<NmConnection>()>& boundTo);

// The line that refuses the loopback interface.
std::string loopbackRefusal(const std::string& name);

// Where dhclient / udhcpc keep their files for an interface (the paths ifupdown uses).
std::string dhclientPidFile(const std::string& interface);
std::string dhclientLeaseFile(const std::string& interface);
std::string udhcpcPidFile(const std::string& interface);

} // namespace netsh
