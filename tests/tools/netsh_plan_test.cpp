// From request and machine facts to the exact commands netsh runs (and what undoes
// them), the readers of the tools' output, and the check of the result.

#include "plan.h"

#include <gtest/gtest.h>

namespace netsh {
namespace {

using Args = std::vector<std::string>;

Request parse(Args args) {
    return parseRequest(args);
}

const Request staticLine = parse(
    {"interface", "ip", "set", "address", "eth0", "static", "10.0.0.5", "255.255.255.0", "10.0.0.1", "1"});
const Request dhcpLine = parse({"interface", "ip", "set", "address", "eth0", "dhcp"});
const Request dnsStaticLine =
    parse({"interface", "ip", "set", "dns", "eth0", "static", "10.0.0.2", "primary"});
const Request dnsDhcpLine = parse({"interface", "ip", "set", "dns", "eth0", "dhcp"});

Facts iproute2Facts() {
    Facts f;
    f.dhcpClient = DhcpClient::Dhclient;
    f.iface.addresses = {"192.168.1.7/24"};
    f.iface.defaultRoutes = {{*parseDottedDecimal("192.168.1.1"), 100u}};
    return f;
}

Command cmd(Args argv, bool daemon = false) {
    return {std::move(argv), daemon};
}

TEST(Iproute2Plan, StaticReplacesAddressesAndDefaultRoute) {
    const Plan expected{
        {cmd({"ip", "-4", "route", "del", "default", "via", "192.168.1.1", "dev", "eth0", "metric", "100"}),
         true,
         {cmd({"ip", "-4", "route", "append", "default", "via", "192.168.1.1", "dev", "eth0", "metric",
               "100"})}},
        {cmd({"ip", "-4", "addr", "flush", "dev", "eth0"}),
         false,
         {cmd({"ip", "-4", "addr", "add", "192.168.1.7/24", "broadcast", "+", "dev", "eth0"})}},
        {cmd({"ip", "link", "set", "dev", "eth0", "up"}), false, {}},
        {cmd({"ip", "-4", "addr", "add", "10.0.0.5/24", "broadcast", "+", "dev", "eth0"}),
         false,
         {cmd({"ip", "-4", "addr", "del", "10.0.0.5/24", "dev", "eth0"})}},
        {cmd({"ip", "-4", "route", "append", "default", "via", "10.0.0.1", "dev", "eth0", "metric", "1"}),
         false,
         {cmd({"ip", "-4", "route", "del", "default", "via", "10.0.0.1", "dev", "eth0", "metric", "1"})}},
    };
    EXPECT_EQ(makePlan(staticLine, iproute2Facts()), expected);
}

TEST(Iproute2Plan, StaticStopsARunningDhcpClientFirstAndRestartsItOnUndo) {
    auto facts = iproute2Facts();
    facts.dhcpPid = 4242;
    const auto plan = makePlan(staticLine, facts);
    ASSERT_FALSE(plan.empty());
    EXPECT_EQ(plan.front().action,
              Action(cmd({"dhclient", "-4", "-x", "-pf", "/run/dhclient.eth0.pid", "eth0"})));
    EXPECT_EQ(plan.front().undo,
              std::vector<Action>{cmd({"dhclient", "-4", "-1", "-pf", "/run/dhclient.eth0.pid", "-lf",
                                       "/var/lib/dhcp/dhclient.eth0.leases", "eth0"},
                                      true)});
}

TEST(Iproute2Plan, GatewayNoneAddsNoRoute) {
    const auto request =
        parse({"interface", "ip", "set", "address", "eth0", "static", "10.0.0.5", "255.255.255.0", "none"});
    const auto plan = makePlan(request, Facts{});
    ASSERT_EQ(plan.size(), 3u);
    EXPECT_EQ(plan.back().action,
              Action(cmd({"ip", "-4", "addr", "add", "10.0.0.5/24", "broadcast", "+", "dev", "eth0"})));
}

struct DhcpCase {
    DhcpClient client;
    Command start;
};

class Iproute2DhcpPlan : public testing::TestWithParam<DhcpCase> {};

TEST_P(Iproute2DhcpPlan, ClearsTheInterfaceThenStartsTheClient) {
    auto facts = iproute2Facts();
    facts.dhcpClient = GetParam().client;
    const auto plan = makePlan(dhcpLine, facts);
    ASSERT_GE(plan.size(), 4u);
    EXPECT_EQ(plan.back().action, Action(GetParam().start));
    EXPECT_EQ(plan[plan.size() - 2].action, Action(cmd({"ip", "link", "set", "dev", "eth0", "up"})));
}

INSTANTIATE_TEST_SUITE_P(
    Clients, Iproute2DhcpPlan,
    testing::Values(DhcpCase{DhcpClient::Dhclient,
                             cmd({"dhclient", "-4", "-1", "-pf", "/run/dhclient.eth0.pid", "-lf",
                                  "/var/lib/dhcp/dhclient.eth0.leases", "eth0"},
                                 true)},
                    DhcpCase{DhcpClient::Dhcpcd, cmd({"dhcpcd", "-4", "-w", "-t", "30", "eth0"}, true)},
                    DhcpCase{DhcpClient::Udhcpc, cmd({"udhcpc", "-n", "-i", "eth0", "-p",
                                                      "/run/udhcpc.eth0.pid", "-t", "5", "-T", "3"},
                                                     true)}));

TEST(Iproute2Plan, DhcpWithoutAClientIsRefused) {
    auto facts = iproute2Facts();
    facts.dhcpClient = DhcpClient::None;
    EXPECT_THROW(makePlan(dhcpLine, facts), PlanError);
}

TEST(DnsPlan, StaticRewritesResolvConfAndKeepsTheOldTextForUndo) {
    Facts facts;
    facts.resolvConfPath = "/etc/resolv.conf";
    facts.resolvConf = "# by hand\nsearch lan\nnameserver 1.1.1.1\noptions edns0\nnameserver 8.8.8.8\n";
    const Plan expected{
        {WriteFile{"/etc/resolv.conf", "# by hand\nsearch lan\nnameserver 10.0.0.2\noptions edns0\n"},
         false,
         {WriteFile{"/etc/resolv.conf", facts.resolvConf}}}};
    EXPECT_EQ(makePlan(dnsStaticLine, facts), expected);
}

TEST(DnsPlan, DhcpTakesTheLeaseServersAndNeedsALease) {
    Facts facts;
    facts.resolvConfPath = "/etc/resolv.conf";
    facts.resolvConf = "nameserver 10.0.0.2\n";
    EXPECT_THROW(makePlan(dnsDhcpLine, facts), PlanError);
    facts.leaseDns = {"10.9.0.1", "10.9.0.2"};
    const auto plan = makePlan(dnsDhcpLine, facts);
    ASSERT_EQ(plan.size(), 1u);
    EXPECT_EQ(std::get<WriteFile>(plan[0].action).content, "nameserver 10.9.0.1\nnameserver 10.9.0.2\n");
}

TEST(DnsPlan, ResolvedSetsTheLinkServersAndRestoresTheOldOnes) {
    Facts facts;
    facts.resolver = Resolver::Resolved;
    facts.resolvedDns = {"1.1.1.1"};
    const Plan expected{{cmd({"resolvectl", "dns", "eth0", "10.0.0.2"}),
                         false,
                         {cmd({"resolvectl", "dns", "eth0", "1.1.1.1"})}}};
    EXPECT_EQ(makePlan(dnsStaticLine, facts), expected);
    facts.resolvedDns.clear();
    EXPECT_EQ(makePlan(dnsStaticLine, facts)[0].undo,
              std::vector<Action>{cmd({"resolvectl", "revert", "eth0"})});
}

Facts nmFacts() {
    Facts f;
    f.manager = Manager::NetworkManager;
    f.nm = {"auto", "", "", "-1", "", "no"};
    f.nmName = "Wired connection 1";
    return f;
}

TEST(NetworkManagerPlan, StaticModifiesThenBringsUpAndUndoesBothWays) {
    const Args up{"nmcli", "connection", "up", "id", "Wired connection 1"};
    const Plan expected{
        {cmd({"nmcli", "connection", "modify", "id", "Wired connection 1", "ipv4.method", "manual",
              "ipv4.addresses", "10.0.0.5/24", "ipv4.gateway", "10.0.0.1", "ipv4.route-metric", "1"}),
         false,
         {cmd({"nmcli", "connection", "modify", "id", "Wired connection 1", "ipv4.method", "auto",
               "ipv4.addresses", "", "ipv4.gateway", "", "ipv4.route-metric", "-1"}),
          cmd(up)}},
        {cmd(up), false, {}}};
    EXPECT_EQ(makePlan(staticLine, nmFacts()), expected);
}

TEST(NetworkManagerPlan, DhcpAndDnsSettings) {
    EXPECT_EQ(makePlan(dhcpLine, nmFacts())[0].action,
              Action(cmd({"nmcli", "connection", "modify", "id", "Wired connection 1", "ipv4.method", "auto",
                          "ipv4.addresses", "", "ipv4.gateway", "", "ipv4.route-metric", "-1"})));
    EXPECT_EQ(makePlan(dnsStaticLine, nmFacts())[0].action,
              Action(cmd({"nmcli", "connection", "modify", "id", "Wired connection 1", "ipv4.dns", "10.0.0.2",
                          "ipv4.ignore-auto-dns", "yes"})));
    EXPECT_EQ(makePlan(dnsDhcpLine, nmFacts())[0].action,
              Action(cmd({"nmcli", "connection", "modify", "id", "Wired connection 1", "ipv4.dns", "",
                          "ipv4.ignore-auto-dns", "no"})));
}

// After a DHCP address line that failed and was rolled back, the profile is manual: DNS
// from DHCP would leave it without any DNS server.
TEST(NetworkManagerPlan, DhcpDnsNeedsAProfileThatTakesItsAddressByDhcp) {
    auto facts = nmFacts();
    facts.nm.method = "manual";
    try {
        makePlan(dnsDhcpLine, facts);
        FAIL() << "planned";
    } catch (const PlanError& error) {
        EXPECT_STREQ(error.what(), "netsh: the connection \"Wired connection 1\" does not get its address by "
                                   "DHCP, so it has no DHCP lease to take DNS servers from");
    }
}

TEST(Check, NetworkManagerDhcpDnsNeedsServersFromALease) {
    Observed observed;
    observed.nm = {"auto", "", "", "-1", "", "no"};
    EXPECT_EQ(whatIsMissing(dnsDhcpLine, nmFacts(), observed),
              "the connection has no DNS servers from a DHCP lease");
    observed.nmActive.dns = {"10.98.0.53"};
    EXPECT_EQ(whatIsMissing(dnsDhcpLine, nmFacts(), observed), std::nullopt);
    observed.nm.method = "manual";
    EXPECT_TRUE(whatIsMissing(dnsDhcpLine, nmFacts(), observed));
}

// A dhclient lease file outlives the client: without a running client its servers are stale.
TEST(DnsPlan, DhcpNeedsTheClientToRunOnTheInterface) {
    auto facts = iproute2Facts();
    facts.resolvConfPath = "/etc/resolv.conf";
    facts.leaseDns = {"10.9.0.1"};
    EXPECT_THROW(makePlan(dnsDhcpLine, facts), PlanError);
    facts.dhcpPid = 4242;
    EXPECT_EQ(std::get<WriteFile>(makePlan(dnsDhcpLine, facts)[0].action).content, "nameserver 10.9.0.1\n");
}

TEST(Readers, IpAddressesAndDefaultRoutes) {
    EXPECT_EQ(parseIpAddresses(
                  "2: eth0    inet 10.0.0.5/24 brd 10.0.0.255 scope global eth0\\       valid_lft forever\n"
                  "2: eth0    inet 10.0.1.5/16 scope global secondary eth0\n"),
              (std::vector<std::string>{"10.0.0.5/24", "10.0.1.5/16"}));
    const auto routes = parseDefaultRoutes("default via 10.0.0.1 metric 5 \n"
                                           "default via 10.0.0.2 proto dhcp src 10.0.0.5 \n"
                                           "default scope link \n");
    EXPECT_EQ(routes, (std::vector<DefaultRoute>{{*parseDottedDecimal("10.0.0.1"), 5u},
                                                 {*parseDottedDecimal("10.0.0.2"), std::nullopt}}));
}

TEST(Readers, LeaseServersComeFromTheLastLease) {
    const char* leases =
        "lease {\n  interface \"eth0\";\n  option domain-name-servers 10.1.1.1;\n}\n"
        "lease {\n  interface \"eth0\";\n  option domain-name-servers 10.2.2.2,10.2.2.3;\n}\n";
    EXPECT_EQ(parseDhclientLeaseDns(leases), (std::vector<std::string>{"10.2.2.2", "10.2.2.3"}));
    EXPECT_TRUE(
        parseDhclientLeaseDns("lease {\n option domain-name-servers 1.1.1.1;\n}\nlease {\n}\n").empty());
    EXPECT_EQ(parseDhcpcdLeaseDns("ip_address=10.0.0.9\ndomain_name_servers='10.0.0.2 10.0.0.3'\n"),
              (std::vector<std::string>{"10.0.0.2", "10.0.0.3"}));
    EXPECT_EQ(parseResolvectlDns("Link 3 (eth0): 10.0.0.2 10.0.0.3\n"),
              (std::vector<std::string>{"10.0.0.2", "10.0.0.3"}));
}

TEST(Readers, NetworkManagerValues) {
    const auto settings = parseNmSettings("manual\n10.0.0.5/24\n10.0.0.1\n1\n10.0.0.2\nyes\n");
    EXPECT_EQ(settings.method, "manual");
    EXPECT_EQ(settings.ignoreAutoDns, "yes");
    const auto active = parseNmActive("10.0.0.5/24 | 10.0.0.6/24\n10.0.0.1\n10.0.0.2\n");
    EXPECT_EQ(active.addresses, (std::vector<std::string>{"10.0.0.5/24", "10.0.0.6/24"}));
    EXPECT_EQ(active.gateway, "10.0.0.1");
}

TEST(Check, StaticAddressMustBeExactlyInPlace) {
    Observed observed;
    observed.iface.addresses = {"10.0.0.5/24"};
    observed.iface.defaultRoutes = {{*parseDottedDecimal("10.0.0.1"), 1u}};
    EXPECT_FALSE(whatIsMissing(staticLine, Facts{}, observed));

    observed.iface.addresses.push_back("192.168.1.7/24");
    EXPECT_TRUE(whatIsMissing(staticLine, Facts{}, observed));
    observed.iface.addresses.pop_back();
    observed.iface.defaultRoutes[0].metric = 100u;
    EXPECT_TRUE(whatIsMissing(staticLine, Facts{}, observed));
}

TEST(Check, DnsMustListExactlyTheServers) {
    Facts facts;
    Observed observed;
    observed.resolvConf = "search lan\nnameserver 10.0.0.2\n";
    EXPECT_FALSE(whatIsMissing(dnsStaticLine, facts, observed));
    observed.resolvConf += "nameserver 10.0.0.3\n";
    EXPECT_TRUE(whatIsMissing(dnsStaticLine, facts, observed));
}

} // namespace
} // namespace netsh
