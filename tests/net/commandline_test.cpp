// The two netsh command lines, byte for byte, in their static and DHCP forms.
#include "net/commandline.h"

#include <gtest/gtest.h>
#include <string>

namespace {

struct LinesCase {
    const char* name;
    bool dhcp;
    std::string connection, ip, mask, gateway, dns;
    std::string addressLine, dnsLine;
};

class NetshLines : public testing::TestWithParam<LinesCase> {};

TEST_P(NetshLines, AreJoinedExactly) {
    const LinesCase& c = GetParam();
    EXPECT_EQ(netshAddressLine(c.dhcp, c.connection, c.ip, c.mask, c.gateway), c.addressLine);
    EXPECT_EQ(netshDnsLine(c.dhcp, c.connection, c.dns), c.dnsLine);
}

const std::string kLongName(600, 'x');

INSTANTIATE_TEST_SUITE_P(
    Cases, NetshLines,
    testing::Values(
        LinesCase{"Static", false, "LAN", "10.0.0.5", "255.255.255.0", "10.0.0.1", "10.0.0.2",
                  "netsh interface ip set address \"LAN\"  static 10.0.0.5 255.255.255.0 10.0.0.1 1",
                  "netsh interface ip set dns \"LAN\"  static 10.0.0.2 primary"},
        LinesCase{"StaticEmptyGatewayAndDns", false, "LAN", "10.0.0.5", "255.255.255.0", "", "",
                  "netsh interface ip set address \"LAN\"  static 10.0.0.5 255.255.255.0  1",
                  "netsh interface ip set dns \"LAN\"  static  primary"},
        LinesCase{"StaticAllEmpty", false, "", "", "", "", "",
                  "netsh interface ip set address \"\"  static    1",
                  "netsh interface ip set dns \"\"  static  primary"},
        LinesCase{
            "StaticBlankValuesKept", false, " Local Area Connection ", " 10.0.0.5", "255.0.0.0 ", " ", "  ",
            "netsh interface ip set address \" Local Area Connection \"  static  10.0.0.5 255.0.0.0    1",
            "netsh interface ip set dns \" Local Area Connection \"  static    primary"},
        LinesCase{"DhcpIgnoresFilledValues", true, "LAN", "10.0.0.5", "255.255.255.0", "10.0.0.1", "10.0.0.2",
                  "netsh interface ip set address \"LAN\"  dhcp ",
                  "netsh interface ip set dns \"LAN\"  dhcp "},
        LinesCase{"DhcpEmptyValues", true, "LAN", "", "", "", "",
                  "netsh interface ip set address \"LAN\"  dhcp ",
                  "netsh interface ip set dns \"LAN\"  dhcp "},
        LinesCase{"DhcpBlankName", true, "  ", "", "", "", "", "netsh interface ip set address \"  \"  dhcp ",
                  "netsh interface ip set dns \"  \"  dhcp "},
        LinesCase{"QuoteInNameNotEscaped", false, "LA\"N", "1.2.3.4", "255.0.0.0", "1.2.3.1", "1.2.3.9",
                  "netsh interface ip set address \"LA\"N\"  static 1.2.3.4 255.0.0.0 1.2.3.1 1",
                  "netsh interface ip set dns \"LA\"N\"  static 1.2.3.9 primary"},
        LinesCase{"VeryLongNameNotCut", true, kLongName, "", "", "", "",
                  "netsh interface ip set address \"" + kLongName + "\"  dhcp ",
                  "netsh interface ip set dns \"" + kLongName + "\"  dhcp "}),
    [](const testing::TestParamInfo<LinesCase>& info) { return info.param.name; });

TEST(NetshLines, VeryLongStaticLineKeepsEveryByte) {
    const std::string line = netshAddressLine(false, kLongName, "10.0.0.5", "255.255.255.0", "10.0.0.1");
    EXPECT_EQ(line, "netsh interface ip set address \"" + kLongName +
                        "\"  static 10.0.0.5 255.255.255.0 10.0.0.1 1");
    EXPECT_EQ(line.size(), 675u); // longer than any fixed 512-character buffer
}

} // namespace
