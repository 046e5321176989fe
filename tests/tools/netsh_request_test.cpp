// The command lines netsh understands: a table of argument vectors and what they ask
// for, and a table of bad ones with the line netsh prints.

#include "request.h"

#include <gtest/gtest.h>

namespace netsh {
namespace {

using Args = std::vector<std::string>;

Ipv4 ip(const char* text) {
    return *parseDottedDecimal(text);
}

Request staticAddress(const char* name, const char* address, int prefix, std::optional<Ipv4> gateway,
                      std::optional<unsigned> metric) {
    Request r;
    r.name = name;
    r.address = ip(address);
    r.prefix = prefix;
    r.gateway = gateway;
    r.metric = metric;
    return r;
}

Request dhcp(Setting setting, const char* name) {
    Request r;
    r.setting = setting;
    r.source = Source::Dhcp;
    r.name = name;
    return r;
}

Request staticDns(const char* name, const char* server) {
    Request r;
    r.setting = Setting::Dns;
    r.name = name;
    r.dnsServer = ip(server);
    return r;
}

struct GoodCase {
    const char* what;
    Args args;
    Request expected;
};

class ParseGood : public testing::TestWithParam<GoodCase> {};

TEST_P(ParseGood, GivesTheRequest) {
    EXPECT_EQ(parseRequest(GetParam().args), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, ParseGood,
    testing::Values(
        // The argument vectors the program's four lines split into.
        GoodCase{"program static address",
                 {"interface", "ip", "set", "address", "LAN", "static", "10.0.0.5", "255.255.255.0",
                  "10.0.0.1", "1"},
                 staticAddress("LAN", "10.0.0.5", 24, ip("10.0.0.1"), 1u)},
        GoodCase{"program static dns",
                 {"interface", "ip", "set", "dns", "LAN", "static", "10.0.0.2", "primary"},
                 staticDns("LAN", "10.0.0.2")},
        GoodCase{"program dhcp address",
                 {"interface", "ip", "set", "address", "LAN", "dhcp"},
                 dhcp(Setting::Address, "LAN")},
        GoodCase{
            "program dhcp dns", {"interface", "ip", "set", "dns", "LAN", "dhcp"}, dhcp(Setting::Dns, "LAN")},
        GoodCase{"keywords in any case",
                 {"INTERFACE", "Ip", "SET", "Address", "Wired 1", "STATIC", "192.168.1.9", "255.255.0.0",
                  "192.168.1.1", "20"},
                 staticAddress("Wired 1", "192.168.1.9", 16, ip("192.168.1.1"), 20u)},
        GoodCase{"tagged, out of order",
                 {"interface", "ipv4", "set", "address", "eth0", "gwmetric=3", "Gateway=10.1.0.1",
                  "mask=255.255.255.252", "address=10.1.0.2", "source=static"},
                 staticAddress("eth0", "10.1.0.2", 30, ip("10.1.0.1"), 3u)},
        GoodCase{"positional then tagged",
                 {"interface", "ip", "set", "address", "eth0", "static", "10.1.0.2", "mask=255.255.255.255",
                  "gateway=10.1.0.1"},
                 staticAddress("eth0", "10.1.0.2", 32, ip("10.1.0.1"), std::nullopt)},
        GoodCase{"gateway none",
                 {"interface", "ip", "set", "address", "eth0", "static", "10.1.0.2", "255.0.0.0", "none"},
                 staticAddress("eth0", "10.1.0.2", 8, std::nullopt, std::nullopt)},
        // The first argument is the name as it stands, also when it looks like a keyword form.
        GoodCase{"quoted name that looks tagged",
                 {"interface", "ip", "set", "address", "name=lan1", "static", "10.0.0.5", "255.255.255.0",
                  "10.0.0.1", "1"},
                 staticAddress("name=lan1", "10.0.0.5", 24, ip("10.0.0.1"), 1u)},
        GoodCase{"quoted name that looks like a source",
                 {"interface", "ip", "set", "dns", "source=static", "dhcp"},
                 dhcp(Setting::Dns, "source=static")},
        // Subnets of two addresses have no network or broadcast address; /32 is the host alone.
        GoodCase{"/31 lower address",
                 {"interface", "ip", "set", "address", "eth0", "static", "10.1.0.0", "255.255.255.254",
                  "10.1.0.1", "1"},
                 staticAddress("eth0", "10.1.0.0", 31, ip("10.1.0.1"), 1u)},
        GoodCase{"/31 upper address",
                 {"interface", "ip", "set", "address", "eth0", "static", "10.1.0.1", "255.255.255.254",
                  "10.1.0.0", "1"},
                 staticAddress("eth0", "10.1.0.1", 31, ip("10.1.0.0"), 1u)},
        GoodCase{
            "/32 address ending in 0",
            {"interface", "ip", "set", "address", "eth0", "static", "10.1.0.0", "255.255.255.255", "none"},
            staticAddress("eth0", "10.1.0.0", 32, std::nullopt, std::nullopt)},
        GoodCase{
            "dns tagged with register",
            {"interface", "ip", "set", "dns", "eth0", "source=static", "address=10.0.0.2", "register=none"},
            staticDns("eth0", "10.0.0.2")},
        GoodCase{"dns without register",
                 {"interface", "ip", "set", "dns", "eth0", "static", "10.0.0.2"},
                 staticDns("eth0", "10.0.0.2")}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& c : name) {
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

struct BadCase {
    Args args;
    const char* message;
};

class ParseBad : public testing::TestWithParam<BadCase> {};

TEST_P(ParseBad, IsRejectedWithOneClearLine) {
    try {
        parseRequest(GetParam().args);
        FAIL() << "accepted";
    } catch (const UsageError& error) {
        EXPECT_STREQ(error.what(), GetParam().message);
    }
}

Args address(Args tail) {
    Args args{"interface", "ip", "set", "address"};
    args.insert(args.end(), tail.begin(), tail.end());
    return args;
}

Args dns(Args tail) {
    Args args{"interface", "ip", "set", "dns"};
    args.insert(args.end(), tail.begin(), tail.end());
    return args;
}

INSTANTIATE_TEST_SUITE_P(
    Errors, ParseBad,
    testing::Values(
        BadCase{{}, "netsh: no command given (interface ip set address|dns NAME ...)"},
        BadCase{{"interface", "ip", "show", "config"},
                "The following command was not found: interface ip show config."},
        BadCase{{"interface", "ip", "set", "wins", "LAN"},
                "The following command was not found: interface ip set wins."},
        BadCase{address({}), "netsh: the connection name is missing"},
        BadCase{address({""}), "netsh: the connection name is missing"},
        BadCase{address({"LAN"}), "netsh: static or dhcp is missing"},
        BadCase{address({"LAN", "manual"}), "netsh: unknown keyword \"manual\" (expected static or dhcp)"},
        BadCase{address({"LAN", "static", "10.0.0.5", "255.255.255.0", "10.0.0.1", "1", "colour=blue"}),
                "netsh: unknown keyword \"colour\""},
        BadCase{address({"LAN", "static", "10.0.0.5", "255.255.255.0", "10.0.0.1", "1", "extra"}),
                "netsh: unexpected argument \"extra\""},
        BadCase{address({"LAN", "Name=WAN", "dhcp"}),
                "netsh: unexpected \"Name=WAN\": the connection name is the first argument, as it stands"},
        BadCase{address({"LAN", "source=dhcp", "Source=static"}), "netsh: \"source\" is given twice"},
        BadCase{address({"LAN", "dhcp", "10.0.0.5"}), "netsh: unexpected argument \"10.0.0.5\" after dhcp"},
        BadCase{address({"LAN", "static"}), "netsh: the IP address is missing"},
        BadCase{address({"LAN", "static", "10.0.0.256", "255.255.255.0", "10.0.0.1", "1"}),
                "netsh: \"10.0.0.256\" is not a valid IP address"},
        BadCase{address({"LAN", "static", "10.0.0", "255.255.255.0", "10.0.0.1", "1"}),
                "netsh: \"10.0.0\" is not a valid IP address"},
        BadCase{address({"LAN", "static", "10.0.0.5.", "255.255.255.0", "10.0.0.1", "1"}),
                "netsh: \"10.0.0.5.\" is not a valid IP address"},
        BadCase{address({"LAN", "static", " 10.0.0.5", "255.255.255.0", "10.0.0.1", "1"}),
                "netsh: \" 10.0.0.5\" is not a valid IP address"},
        BadCase{address({"LAN", "static", "127.0.0.5", "255.0.0.0", "127.0.0.1", "1"}),
                "netsh: \"127.0.0.5\" is not a valid IP address"},
        BadCase{address({"LAN", "static", "10.0.0.5"}), "netsh: the subnet mask is missing"},
        BadCase{address({"LAN", "static", "10.0.0.5", "255.255.x.0", "10.0.0.1", "1"}),
                "netsh: \"255.255.x.0\" is not a valid subnet mask"},
        BadCase{address({"LAN", "static", "10.0.0.5", "255.0.255.0", "10.0.0.1", "1"}),
                "netsh: subnet mask 255.0.255.0 is not contiguous"},
        BadCase{address({"LAN", "static", "10.0.0.5", "0.0.0.0", "10.0.0.1", "1"}),
                "netsh: \"0.0.0.0\" is not a valid subnet mask"},
        BadCase{address({"LAN", "static", "10.0.0.5", "mask=", "10.0.0.1", "1"}),
                "netsh: \"\" is not a valid subnet mask"},
        BadCase{address({"LAN", "static", "10.0.0.0", "255.255.255.0", "10.0.0.1", "1"}),
                "netsh: 10.0.0.0 is the network address of the subnet 10.0.0.0/24, not a host address"},
        BadCase{address({"LAN", "static", "10.0.3.255", "255.255.252.0", "10.0.0.1", "1"}),
                "netsh: 10.0.3.255 is the broadcast address of the subnet 10.0.0.0/22, not a host address"},
        BadCase{address({"LAN", "static", "10.0.0.2", "255.255.255.252", "10.0.0.3", "1"}),
                "netsh: the default gateway 10.0.0.3 is the broadcast address of the subnet 10.0.0.0/30"},
        BadCase{address({"LAN", "static", "10.0.0.1", "255.255.255.0", "10.0.0.1", "1"}),
                "netsh: 10.0.0.1 is the gateway's own address, not a host address"},
        BadCase{address({"LAN", "static", "10.0.0.1", "255.255.255.254", "10.0.0.1", "1"}),
                "netsh: 10.0.0.1 is the gateway's own address, not a host address"},
        BadCase{address({"LAN", "static", "10.0.0.5", "255.255.255.0"}),
                "netsh: the default gateway is missing"},
        // The program's line for an empty gateway: "1" lands in the gateway's place.
        BadCase{address({"LAN", "static", "10.0.0.5", "255.255.255.0", "1"}),
                "netsh: the default gateway is missing"},
        BadCase{address({"LAN", "static", "10.0.0.5", "255.255.255.0", "gateway=1", "gwmetric=1"}),
                "netsh: \"1\" is not a valid default gateway"},
        BadCase{address({"LAN", "static", "10.0.0.5", "255.255.255.0", "10.0.0.1", "1x"}),
                "netsh: \"1x\" is not a valid gateway metric (0 to 9999)"},
        BadCase{address({"LAN", "static", "10.0.0.5", "255.255.255.0", "10.0.0.1", "10000"}),
                "netsh: \"10000\" is not a valid gateway metric (0 to 9999)"},
        BadCase{address({"LAN", "static", "10.0.0.5", "255.255.255.0", "none", "1"}),
                "netsh: a gateway metric needs a gateway"},
        // The program's line for an empty DNS server: "primary" lands in the address's place.
        BadCase{dns({"LAN", "static", "primary"}), "netsh: the DNS server address is missing"},
        BadCase{dns({"LAN", "static", "primary", "primary"}),
                "netsh: \"primary\" is not a valid DNS server address"},
        BadCase{dns({"LAN", "static"}), "netsh: the DNS server address is missing"},
        BadCase{dns({"LAN", "static", "10.0.0.2", "secondary"}),
                "netsh: unknown keyword \"secondary\" (expected none, primary or both)"},
        BadCase{dns({"LAN", "static", "10.0.0.2", "mask=255.0.0.0"}), "netsh: unknown keyword \"mask\""},
        BadCase{dns({"LAN", "dhcp", "10.0.0.2"}), "netsh: unexpected argument \"10.0.0.2\" after dhcp"}));

TEST(Ipv4, ReadsAndWritesDottedDecimal) {
    EXPECT_EQ(parseDottedDecimal("192.168.001.010")->text(), "192.168.1.10");
    EXPECT_EQ(parseDottedDecimal("255.255.255.255")->value, 0xffffffffu);
    for (const char* bad :
         {"", "1.2.3", "1.2.3.4.5", "1..3.4", "1.2.3.-4", "1.2.3.4 ", "0x1.2.3.4", "1.2.3.1000"}) {
        EXPECT_FALSE(parseDottedDecimal(bad)) << bad;
    }
}

TEST(Ipv4, PrefixOnlyForContiguousMasks) {
    EXPECT_EQ(prefixLength(*parseDottedDecimal("255.255.255.0")), 24);
    EXPECT_EQ(prefixLength(*parseDottedDecimal("255.255.255.255")), 32);
    EXPECT_EQ(prefixLength(*parseDottedDecimal("255.255.192.0")), 18);
    EXPECT_FALSE(prefixLength(*parseDottedDecimal("255.255.255.1")));
    EXPECT_FALSE(prefixLength(*parseDottedDecimal("0.255.255.255")));
}

} // namespace
} // namespace netsh
