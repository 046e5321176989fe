#include "plan.h"

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

// Steps that stop a running DHCP client and clear the interface's IPv4 addresses
// and default routes, each undone by putting back what was there.
void clearInterface(Plan& plan, const Request& r, const Facts& f) {
    const auto& dev = r.name;
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
    plan.push_back(flush);
    plan.push_back({Command{{"ip", "link", "set", "dev", dev, "up"}}, false, {}});
}

Plan iproute2Address(const Request& r, const Facts& f) {
    Plan plan;
    clearInterface(plan, r, f);
    const auto& dev = r.name;
    if (r.source == Source::Dhcp) {
        auto stop = stopDhcp(f.dhcpClient, dev, std::nullopt);
        Step start{startDhcp(f.dhcpClient, dev), false, {}};
        if (stop) {
            start.undo.push_back(*stop);
        }
        plan.push_back(start);
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

Plan dnsPlan(const Request& r, const Facts& f) {
    const auto servers =
        r.source == Source::Static ? std::vector<std::string>{r.dnsServer.text()} : dhcpDnsServers(f);
    if (f.resolver == Resolver::ResolvConf) {
        return {{WriteFile{f.resolvConfPath, resolvConfWithServers(f.resolvConf, servers)},
                 false,
                 {WriteFile{f.resolvConfPath, f.resolvConf}}}};
    }
    auto restore = std::vector<std::string>{"resolvectl", f.resolvedDns.empty() ? "revert" : "dns", r.name};
    restore.insert(restore.end(), f.resolvedDns.begin(), f.resolvedDns.end());
    auto set = std::vector<std::string>{"resolvectl", "dns", r.name};
    set.insert(set.end(), servers.begin(), servers.end());
    return {{Command{set}, false, {Command{restore}}}};
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
