// The routes netsh keeps, the journal of a run and what puts an interrupted run back.

#include "journal.h"

#include <gtest/gtest.h>

namespace netsh {
namespace {

using Args = std::vector<std::string>;

Command ipCmd(Args argv) {
    argv.insert(argv.begin(), {"ip", "-4"});
    return {std::move(argv)};
}

struct RouteLine {
    const char* output;
    std::vector<Args> kept;
};

class KeptRoutes : public ::testing::TestWithParam<RouteLine> {};

TEST_P(KeptRoutes, Reader) {
    EXPECT_EQ(parseKeptRoutes(GetParam().output), GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, KeptRoutes,
    ::testing::Values(RouteLine{"10.61.0.0/16 via 10.60.0.1 \n", {{"10.61.0.0/16", "via", "10.60.0.1"}}},
                      RouteLine{"10.62.0.0/16 via 10.60.0.1 metric 5 mtu lock 1400 onlink linkdown \n",
                                {{"10.62.0.0/16", "via", "10.60.0.1", "metric", "5", "mtu", "lock", "1400",
                                  "onlink"}}},
                      // the main table's default route is the one netsh replaces; another table's is kept
                      RouteLine{"default via 10.60.0.1 metric 1 \ndefault via 10.60.0.1 table 100 \n",
                                {{"default", "via", "10.60.0.1", "table", "100"}}},
                      // the kernel's own routes and a DHCP client's come back by themselves
                      RouteLine{"10.60.0.0/24 proto kernel scope link src 10.60.0.5 \n"
                                "local 10.60.0.5 table local proto kernel scope host src 10.60.0.5 \n"
                                "broadcast 10.60.0.255 table local proto kernel scope link src 10.60.0.5 \n"
                                "10.63.0.0/16 via 10.60.0.1 proto dhcp metric 100 \n",
                                {}},
                      RouteLine{"unicast 10.64.0.0/16 via 10.60.0.1 proto static \n",
                                {{"10.64.0.0/16", "via", "10.60.0.1", "proto", "static"}}},
                      // a value cut off: not a route netsh could add again
                      RouteLine{"10.65.0.0/16 via\n", {}}));

Facts withRoutes() {
    Facts f;
    f.dhcpClient = DhcpClient::Dhclient;
    f.iface.addresses = {"10.60.0.5/24"};
    f.iface.defaultRoutes = {{*parseDottedDecimal("10.60.0.1"), 1u}};
    f.iface.routes = {{"10.61.0.0/16", "via", "10.60.0.1"}};
    return f;
}

const Request staticLine = parseRequest({"interface", "ip", "set", "address", "eth0", "static", "10.60.0.7",
                                         "255.255.255.0", "10.60.0.254", "2"});

TEST(KeptRoutesPlan, PutBackAfterTheNewAddressAndOnUndo) {
    const auto plan = makePlan(staticLine, withRoutes());
    const auto add = ipCmd({"route", "add", "10.61.0.0/16", "via", "10.60.0.1", "dev", "eth0"});
    const auto del = ipCmd({"route", "del", "10.61.0.0/16", "via", "10.60.0.1", "dev", "eth0"});
    ASSERT_FALSE(plan.empty());
    EXPECT_EQ(plan.back(), (Step{add, false, {del}}));
    // the flush's undo puts back the old addresses, then the routes through them
    const auto flush = std::find_if(plan.begin(), plan.end(), [](const Step& s) {
        return s.action == Action(ipCmd({"addr", "flush", "dev", "eth0"}));
    });
    ASSERT_NE(flush, plan.end());
    EXPECT_EQ(
        flush->undo,
        (std::vector<Action>{ipCmd({"addr", "add", "10.60.0.5/24", "broadcast", "+", "dev", "eth0"}), add}));
}

TEST(KeptRoutesPlan, NoneToPutBackWithoutAnAddressToLose) {
    auto facts = withRoutes();
    facts.iface.addresses.clear();
    for (const auto& step : makePlan(staticLine, facts)) {
        const auto* command = std::get_if<Command>(&step.action);
        ASSERT_NE(command, nullptr);
        EXPECT_FALSE(command->argv[2] == "route" && command->argv[3] == "add") << command->argv[4];
    }
}

Journal sampleJournal() {
    Journal j;
    j.interface = "eth0";
    j.previous = withRoutes().iface;
    j.previous.defaultRoutes.push_back({*parseDottedDecimal("10.60.0.2"), std::nullopt});
    j.previous.routes.push_back({"10.62.0.0/16", "via", "10.60.0.1", "mtu", "lock", "1400"});
    return j;
}

TEST(JournalText, RoundTrips) {
    const auto address = sampleJournal();
    EXPECT_EQ(parseJournal(journalText(address)), address);
    Journal dns;
    dns.interface = "eth0";
    dns.setting = Setting::Dns;
    dns.resolvConf = "search lan\t# tab\nnameserver 10.0.0.2\n\\end\n";
    EXPECT_EQ(parseJournal(journalText(dns)), dns);
    dns.resolver = Resolver::Resolved;
    dns.resolvedDns = {"10.0.0.2", "10.0.0.3"};
    EXPECT_EQ(parseJournal(journalText(dns)), dns);
}

TEST(JournalText, NetworkManagerSettingsRoundTrip) {
    Journal nm;
    nm.interface = "Büro LAN 2";
    nm.nmUuid = "8f1c0d2e-0000-4000-8000-0123456789ab";
    nm.nmPrevious = {"manual", "10.0.0.5/24, 10.0.0.6/24", "10.0.0.1", "-1", "10.0.0.2,10.0.0.3", "yes"};
    EXPECT_EQ(parseJournal(journalText(nm)), nm);
    nm.nmPrevious = {"auto", "", "", "-1", "", "no"};
    EXPECT_EQ(parseJournal(journalText(nm)), nm);
}

TEST(JournalText, DamagedOrCutShortIsNoJournal) {
    const auto text = journalText(sampleJournal());
    for (std::size_t cut = 0; cut < text.size(); ++cut) {
        EXPECT_FALSE(parseJournal(text.substr(0, cut))) << "cut at " << cut;
    }
    EXPECT_FALSE(parseJournal(text + "address 10.0.0.9/24\n"));
    EXPECT_FALSE(parseJournal("orvantis-netsh-journal 1\ninterface eth0\ncolour blue\nend\n"));
    EXPECT_FALSE(parseJournal("orvantis-netsh-journal 1\ninterface eth0\ndefault 10.0.0.300\nend\n"));
    EXPECT_FALSE(parseJournal("orvantis-netsh-journal 1\ninterface eth0\nresolv.conf a\\qb\nend\n"));
    EXPECT_FALSE(parseJournal("orvantis-netsh-journal 2\ninterface eth0\nend\n"));
}

TEST(JournalOf, HoldsWhatTheRequestChanges) {
    auto facts = withRoutes();
    facts.dhcpPid = 42;
    const auto address = journalOf(staticLine, facts);
    EXPECT_EQ(address.previous, facts.iface);
    EXPECT_TRUE(address.dhcpRan);
    facts.resolvConf = "nameserver 10.0.0.2\n";
    const auto dns = journalOf(
        parseRequest({"interface", "ip", "set", "dns", "eth0", "static", "10.0.0.3", "primary"}), facts);
    EXPECT_EQ(dns.setting, Setting::Dns);
    EXPECT_EQ(dns.resolvConf, "nameserver 10.0.0.2\n");
}

TEST(Recovery, ClearsWhatIsThereNowThenPutsBackTheJournal) {
    Facts now;
    now.dhcpClient = DhcpClient::Dhclient;
    now.iface.addresses = {"10.60.0.9/24"};
    const Plan expected{
        {ipCmd({"addr", "flush", "dev", "eth0"}), false, {}},
        {Command{{"ip", "link", "set", "dev", "eth0", "up"}}, false, {}},
        {ipCmd({"addr", "add", "10.60.0.5/24", "broadcast", "+", "dev", "eth0"}), false, {}},
        {ipCmd({"route", "append", "default", "via", "10.60.0.1", "dev", "eth0", "metric", "1"}), false, {}},
        {ipCmd({"route", "append", "default", "via", "10.60.0.2", "dev", "eth0"}), false, {}},
        {ipCmd({"route", "add", "10.61.0.0/16", "via", "10.60.0.1", "dev", "eth0"}), false, {}},
        {ipCmd({"route", "add", "10.62.0.0/16", "via", "10.60.0.1", "mtu", "lock", "1400", "dev", "eth0"}),
         false,
         {}},
    };
    EXPECT_EQ(recoveryPlan(sampleJournal(), now), expected);
}

TEST(Recovery, ARunningDhcpClientIsStartedAgainInsteadOfItsAddresses) {
    auto journal = sampleJournal();
    journal.dhcpRan = true;
    Facts now;
    now.dhcpClient = DhcpClient::Dhclient;
    const auto plan = recoveryPlan(journal, now);
    ASSERT_EQ(plan.size(), 5u);
    EXPECT_EQ(plan[2].action, Action(Command{{"dhclient", "-4", "-1", "-pf", "/run/dhclient.eth0.pid", "-lf",
                                              "/var/lib/dhcp/dhclient.eth0.leases", "eth0"},
                                             true}));
}

TEST(Recovery, NetworkManagerPutsBackEverySettingAndBringsTheConnectionUp) {
    Facts facts;
    facts.manager = Manager::NetworkManager;
    facts.nmName = "LAN";
    facts.nmUuid = "8f1c";
    facts.nm = {"manual", "10.0.0.5/24", "10.0.0.1", "1", "10.0.0.2", "yes"};
    const auto journal = journalOf(parseRequest({"interface", "ip", "set", "dns", "LAN", "dhcp"}), facts);
    const Plan expected{
        {Command{{"nmcli", "connection", "modify", "uuid", "8f1c", "ipv4.method", "manual", "ipv4.addresses",
                  "10.0.0.5/24", "ipv4.gateway", "10.0.0.1", "ipv4.route-metric", "1", "ipv4.dns", "10.0.0.2",
                  "ipv4.ignore-auto-dns", "yes"}},
         false,
         {}},
        {Command{{"nmcli", "connection", "up", "uuid", "8f1c"}}, false, {}}};
    EXPECT_EQ(recoveryPlan(journal, Facts{}), expected);
}

TEST(Recovery, DnsPutsBackTheOldFileOrServers) {
    Journal journal;
    journal.interface = "eth0";
    journal.setting = Setting::Dns;
    journal.resolvConf = "nameserver 10.0.0.2\n";
    Facts now;
    now.resolvConfPath = "/etc/resolv.conf";
    EXPECT_EQ(recoveryPlan(journal, now),
              (Plan{{WriteFile{"/etc/resolv.conf", "nameserver 10.0.0.2\n"}, false, {}}}));
    journal.resolver = Resolver::Resolved;
    EXPECT_EQ(recoveryPlan(journal, now), (Plan{{Command{{"resolvectl", "revert", "eth0"}}, false, {}}}));
}

} // namespace
} // namespace netsh
