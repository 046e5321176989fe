#include "plan.h"

#include "journal.h"

#include <algorithm>
#include <iterator>

namespace netsh {

std::string dhclientPidFile(const std::string& interface) {
    return "/run/dhclient." + interface + ".pid";
}
std::string dhclientLeaseFile(const std::string& interface) {
    return "/var/lib/dhcp/dhclient." + interface + ".leases";
}
std::string udhcpcPidFile(const std::string& interface) {
    return "/run/udhcpc." + interface + ".pid";
}

namespace {

Command ip(std::vector<std::string> args) {
    args.insert(args.begin(), {"ip", "-4"});
    return {std::move(args)};
}

std::vector<std::string> routeArgs(const std::string& verb, const DefaultRoute& route,
                                   const std::string& dev) {
    std::vector<std::string> args{"route", verb, "default", "via", route.gateway.text(), "dev", dev};
    if (route.metric) {
        args.insert(args.end(), {"metric", std::to_string(*route.metric)});
    }
    return args;
}

std::string addressText(const Request& r) {
    return r.address.text() + "/" + std::to_string(r.prefix);
}

// ---- DHCP clients --------------------------------------------------------------

Command startDhcp(DhcpClient client, const std::string& dev) {
    switch (client) {
    case DhcpClient::Dhclient:
        return {{"dhclient", "-4", "-1", "-pf", dhclientPidFile(dev), "-lf", dhclientLeaseFile(dev), dev},
                true};
    case DhcpClient::Dhcpcd:
        return {{"dhcpcd", "-4", "-w", "-t", "30", dev}, true};
    case DhcpClient::Udhcpc:
        return {{"udhcpc", "-n", "-i", dev, "-p", udhcpcPidFile(dev), "-t", "5", "-T", "3"}, true};
    case DhcpClient::None:
        break;
    }
    throw PlanError("netsh: no DHCP client (dhclient, dhcpcd or udhcpc) is installed");
}

std::optional<Command> stopDhcp(DhcpClient client, const std::string& dev, std::optional<int> pid) {
    switch (client) {
    case DhcpClient::Dhclient:
        return Command{{"dhclient", "-4", "-x", "-pf", dhclientPidFile(dev), dev}};
    case DhcpClient::Dhcpcd:
        return Command{{"dhcpcd", "-4", "-x", dev}};
    case DhcpClient::Udhcpc:
        if (pid) {
            return Command{{"kill", "-TERM", std::to_string(*pid)}};
        }
        return std::nullopt;
    case DhcpClient::None:
        break;
    }
    return std::nullopt;
}

// With its last address the kernel drops every route through the interface: the
// commands that put back those netsh keeps (none when it had no address to lose).
std::vector<Command> routesToRestore(const Facts& f, const std::string& dev) {
    std::vector<Command> commands;
    if (f.iface.addresses.empty()) {
        return commands;
    }
    for (auto args : f.iface.routes) {
        args.insert(args.begin(), "route");
        args.insert(args.begin() + 1, "add");
        args.insert(args.end(), {"dev", dev});
        commands.push_back(ip(std::move(args)));
    }
    return commands;
}

// Steps that put back the routes netsh keeps, once the new addresses are there; each
// undone by taking it away again. A route the new addresses cannot carry (its gateway
// is out of reach) fails the line, so that no route is ever lost in silence.
void restoreRoutes(Plan& plan, const Facts& f, const std::string& dev) {
    for (const auto& command : routesToRestore(f, dev)) {
        auto remove = command;
        remove.argv[3] = "del";
        plan.push_back({command, false, {remove}});
    }
}

// Steps that stop a running DHCP client and clear the interface's IPv4 addresses
// and default routes, each undone by putting back what was there.
void clearInterface(Plan& plan, const std::string& dev, const Facts& f) {
    const bool dhcpcd = f.dhcpClient == DhcpClient::Dhcpcd;
    if (f.dhcpPid || dhcpcd) {
        if (auto stop = stopDhcp(f.dhcpClient, dev, f.dhcpPid)) {
            Step step{*stop, dhcpcd, {}};
            if (f.dhcpPid) {
                step.undo.push_back(startDhcp(f.dhcpClient, dev));
            }
            plan.push_back(step);
        }
    }
    for (const auto& route : f.iface.defaultRoutes) {
        plan.push_back({ip(routeArgs("del", route, dev)), true, {ip(routeArgs("append", route, dev))}});
    }
    Step flush{ip({"addr", "flush", "dev", dev}), false, {}};
    for (const auto& address : f.iface.addresses) {
        flush.undo.push_back(ip({"addr", "add", address, "broadcast", "+", "dev", dev}));
    }
    for (const auto& route : routesToRestore(f, dev)) {
        flush.undo.push_back(route);
    }
    plan.push_back(flush);
    plan.push_back({Command{{"ip", "link", "set", "dev", dev, "up"}}, false, {}});
}

Plan iproute2Address(const Request& r, const Facts& f) {
    Plan plan;
    const auto& dev = r.name;
    clearInterface(plan, dev, f);
    if (r.source == Source::Dhcp) {
        auto stop = stopDhcp(f.dhcpClient, dev, std::nullopt);
        Step start{startDhcp(f.dhcpClient, dev), false, {}};
        if (stop) {
            start.undo.push_back(*stop);
        }
        plan.push_back(start);
        restoreRoutes(plan, f, dev);
        return plan;
    }
    const auto address = addressText(r);
    plan.push_back({ip({"addr", "add", address, "broadcast", "+", "dev", dev}),
                    false,
                    {ip({"addr", "del", address, "dev", dev})}});
    if (r.gateway) {
        const DefaultRoute route{*r.gateway, r.metric};
        plan.push_back({ip(routeArgs("append", route, dev)), false, {ip(routeArgs("del", route, dev))}});
    }
    restoreRoutes(plan, f, dev);
    return plan;
}

Plan addressRecovery(const Journal& journal, const Facts& now) {
    const auto& dev = journal.interface;
    Plan plan;
    clearInterface(plan, dev, now);
    if (journal.dhcpRan) {
        plan.push_back({startDhcp(now.dhcpClient, dev), false, {}});
    } else {
        for (const auto& address : journal.previous.addresses) {
            plan.push_back({ip({"addr", "add", address, "broadcast", "+", "dev", dev}), false, {}});
        }
        for (const auto& route : journal.previous.defaultRoutes) {
            plan.push_back({ip(routeArgs("append", route, dev)), false, {}});
        }
    }
    Facts previous;
    previous.iface = journal.previous;
    for (const auto& command : routesToRestore(previous, dev)) {
        plan.push_back({command, false, {}});
    }
    for (auto& step : plan) {
        step.undo.clear(); // nothing to go back to: this is the going back
    }
    return plan;
}

// ---- NetworkManager --------------------------------------------------------------

Command nmModify(const std::string& name, std::vector<std::string> settings) {
    settings.insert(settings.begin(), {"nmcli", "connection", "modify", "id", name});
    return {std::move(settings)};
}

Command nmUp(const std::string& name) {
    return {{"nmcli", "connection", "up", "id", name}};
}

Plan nmPlan(const Request& r, const Facts& f) {
    const auto& name = f.nmName;
    std::vector<std::string> settings, previous;
    if (r.setting == Setting::Address) {
        const bool manual = r.source == Source::Static;
        const std::string metric = manual && r.metric ? std::to_string(*r.metric) : "-1";
        settings = {"ipv4.method",       manual ? "manual" : "auto",
                    "ipv4.addresses",    manual ? addressText(r) : "",
                    "ipv4.gateway",      manual && r.gateway ? r.gateway->text() : "",
                    "ipv4.route-metric", metric};
        previous = {"ipv4.method",  f.nm.method,  "ipv4.addresses",    f.nm.addresses,
                    "ipv4.gateway", f.nm.gateway, "ipv4.route-metric", f.nm.routeMetric};
    } else {
        const bool manual = r.source == Source::Static;
        // DNS servers from DHCP come from a lease only when the connection takes its
        // address by DHCP; on a manual profile the line would leave no DNS server at all.
        if (!manual && f.nm.method != "auto") {
            throw PlanError("netsh: the connection \"" + name +
                            "\" does not get its address by DHCP, so it has no DHCP lease to take DNS "
                            "servers from");
        }
        settings = {"ipv4.dns", manual ? r.dnsServer.text() : "", "ipv4.ignore-auto-dns",
                    manual ? "yes" : "no"};
        previous = {"ipv4.dns", f.nm.dns, "ipv4.ignore-auto-dns", f.nm.ignoreAutoDns};
    }
    return {{nmModify(name, settings), false, {nmModify(name, previous), nmUp(name)}},
            {nmUp(name), false, {}}};
}

// ---- DNS without NetworkManager ----------------------------------------------------

// Gives systemd-resolved's link the servers it had (none: back to its own).
Command resolvedRestore(const std::string& dev, const std::vector<std::string>& servers) {
    auto argv = std::vector<std::string>{"resolvectl", servers.empty() ? "revert" : "dns", dev};
    argv.insert(argv.end(), servers.begin(), servers.end());
    return {argv};
}

Plan dnsPlan(const Request& r, const Facts& f) {
    const auto servers =
        r.source == Source::Static ? std::vector<std::string>{r.dnsServer.text()} : dhcpDnsServers(f);
    if (f.resolver == Resolver::ResolvConf) {
        return {{WriteFile{f.resolvConfPath, resolvConfWithServers(f.resolvConf, servers)},
                 false,
                 {WriteFile{f.resolvConfPath, f.resolvConf}}}};
    }
    auto set = std::vector<std::string>{"resolvectl", "dns", r.name};
    set.insert(set.end(), servers.begin(), servers.end());
    return {{Command{set}, false, {resolvedRestore(r.name, f.resolvedDns)}}};
}

} // namespace

std::vector<std::string> dhcpDnsServers(const Facts& facts) {
    // A lease file outlives its client: its servers count only while the client runs.
    const bool clientKnown =
        facts.dhcpClient == DhcpClient::Dhclient || facts.dhcpClient == DhcpClient::Udhcpc;
    if (clientKnown && !facts.dhcpPid) {
        throw PlanError("netsh: no DHCP client runs on the interface, so it has no DHCP lease to take DNS "
                        "servers from");
    }
    if (facts.leaseDns.empty()) {
        throw PlanError("netsh: the interface has no DHCP lease that names DNS servers");
    }
    return facts.leaseDns;
}

std::string loopbackRefusal(const std::string& name) {
    return "netsh: \"" + name + "\" is the loopback interface, which netsh does not change";
}

NmConnection chooseNmConnection(const std::string& name, const std::vector<NmConnection>& all,
                                const std::function<std::vector<NmConnection>()>& boundTo) {
    const auto matching = [&](auto&& fits) {
        std::vector<NmConnection> found;
        std::copy_if(all.begin(), all.end(), std::back_inserter(found), fits);
        return found;
    };
    auto found = matching([&](const NmConnection& c) { return c.name == name; });
    if (found.size() > 1) {
        throw UsageError("netsh: " + std::to_string(found.size()) +
                         " NetworkManager connections are named \"" + name +
                         "\"; give each a name of its own (nmcli connection modify UUID connection.id NEW)");
    }
    if (found.empty()) {
        found = matching([&](const NmConnection& c) { return c.device == name; });
    }
    if (found.empty()) {
        found = boundTo();
        if (found.size() > 1) {
            throw UsageError("netsh: " + std::to_string(found.size()) +
                             " NetworkManager connections are bound to the interface \"" + name +
                             "\"; enter the name of one of them");
        }
    }
    if (found.empty()) {
        throw UsageError("netsh: there is no NetworkManager connection named \"" + name + "\"");
    }
    if (found.front().type == "loopback" || found.front().device == "lo") {
        throw UsageError(loopbackRefusal(name));
    }
    return found.front();
}

Plan recoveryPlan(const Journal& journal, const Facts& now) {
    if (!journal.nmUuid.empty()) {
        const auto& p = journal.nmPrevious;
        return {{Command{{"nmcli", "connection", "modify", "uuid", journal.nmUuid, "ipv4.method", p.method,
                          "ipv4.addresses", p.addresses, "ipv4.gateway", p.gateway, "ipv4.route-metric",
                          p.routeMetric, "ipv4.dns", p.dns, "ipv4.ignore-auto-dns", p.ignoreAutoDns}},
                 false,
                 {}},
                {Command{{"nmcli", "connection", "up", "uuid", journal.nmUuid}}, false, {}}};
    }
    if (journal.setting == Setting::Address) {
        return addressRecovery(journal, now);
    }
    if (journal.resolver == Resolver::ResolvConf) {
        return {{WriteFile{now.resolvConfPath, journal.resolvConf}, false, {}}};
    }
    return {{resolvedRestore(journal.interface, journal.resolvedDns), false, {}}};
}

Plan makePlan(const Request& request, const Facts& facts) {
    if (facts.manager == Manager::NetworkManager) {
        return nmPlan(request, facts);
    }
    return request.setting == Setting::Address ? iproute2Address(request, facts) : dnsPlan(request, facts);
}

namespace {

bool contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

std::optional<std::string> missingNm(const Request& r, const Observed& o) {
    const bool manual = r.source == Source::Static;
    if (r.setting == Setting::Address) {
        if (o.nm.method != (manual ? "manual" : "auto")) {
            return "the connection's IPv4 method is " + o.nm.method;
        }
        if (manual && !contains(o.nmActive.addresses, addressText(r))) {
            return "the connection does not hold " + addressText(r);
        }
        if (manual && o.nmActive.gateway != (r.gateway ? r.gateway->text() : "")) {
            return "the connection's gateway is \"" + o.nmActive.gateway + "\"";
        }
        if (!manual && o.nmActive.addresses.empty()) {
            return "the connection got no address by DHCP";
        }
        return std::nullopt;
    }
    if (manual && !contains(o.nmActive.dns, r.dnsServer.text())) {
        return "the connection does not use the DNS server " + r.dnsServer.text();
    }
    if (!manual && (!o.nm.dns.empty() || o.nm.ignoreAutoDns != "no")) {
        return "the connection still has static DNS servers";
    }
    if (!manual && (o.nm.method != "auto" || o.nmActive.dns.empty())) {
        return "the connection has no DNS servers from a DHCP lease";
    }
    return std::nullopt;
}

std::optional<std::string> missingAddress(const Request& r, const Observed& o) {
    if (r.source == Source::Dhcp) {
        return o.iface.addresses.empty() ? std::optional<std::string>("the interface got no address by DHCP")
                                         : std::nullopt;
    }
    if (o.iface.addresses != std::vector<std::string>{addressText(r)}) {
        return "the interface does not hold exactly " + addressText(r);
    }
    const auto expected =
        r.gateway ? std::vector<DefaultRoute>{{*r.gateway, r.metric.value_or(0) ? r.metric : std::nullopt}}
                  : std::vector<DefaultRoute>{};
    if (o.iface.defaultRoutes != expected) {
        return "the interface's default route is not the one asked for";
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> whatIsMissing(const Request& request, const Facts& facts,
                                         const Observed& observed) {
    if (facts.manager == Manager::NetworkManager) {
        return missingNm(request, observed);
    }
    if (request.setting == Setting::Address) {
        return missingAddress(request, observed);
    }
    const auto expected = request.source == Source::Static
                              ? std::vector<std::string>{request.dnsServer.text()}
                              : facts.leaseDns;
    const auto actual = facts.resolver == Resolver::ResolvConf ? resolvConfServers(observed.resolvConf)
                                                               : observed.resolvedDns;
    if (actual != expected) {
        return "the DNS servers in use are not the ones asked for";
    }
    return std::nullopt;
}

} // namespace netsh
