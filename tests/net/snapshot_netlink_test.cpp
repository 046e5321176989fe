// The pure half of the Linux adapter source: rtnetlink answers built by hand.
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

// clang-format off
#include <net/if.h>
#include <linux/genetlink.h>
#include <linux/if_addr.h>
#include <linux/if_arp.h>
#include <linux/if_link.h>
#include <linux/nl80211.h>
#include <linux/rtnetlink.h>
// clang-format on

#include "net/IPInfo.h"
#include "net/adaptersource.h"
#include "net/adaptersource_linux.h"
#include "net/netlinkadapters.h"
#include "net/oserror.h"

namespace {

// One netlink message: header, fixed part, then attributes (nested ones too).
class Message {
public:
    template <typename Fixed> Message(std::uint16_t type, const Fixed& fixed) {
        Append(nullptr, NLMSG_HDRLEN);
        Append(&fixed, sizeof fixed);
        Header().nlmsg_type = type;
    }

    Message& Attribute(std::uint16_t type, const void* data, std::size_t length) {
        const rtattr attribute{static_cast<unsigned short>(RTA_LENGTH(length)), type};
        Append(&attribute, sizeof attribute);
        Append(data, length);
        return *this;
    }
    Message& Text(std::uint16_t type, const char* text) {
        return Attribute(type, text, std::strlen(text) + 1);
    }
    template <typename T> Message& Value(std::uint16_t type, const T& value) {
        return Attribute(type, &value, sizeof value);
    }
    Message& Address(std::uint16_t type, IPv4Bytes address) { return Attribute(type, address.data(), 4); }

    Message& Open(std::uint16_t type) {
        m_open.push_back(m_bytes.size());
        return Attribute(type, nullptr, 0);
    }
    Message& Close() {
        auto* attribute = reinterpret_cast<rtattr*>(m_bytes.data() + m_open.back());
        attribute->rta_len = static_cast<unsigned short>(m_bytes.size() - m_open.back());
        m_open.pop_back();
        return *this;
    }
    // Raw bytes, for hand-made attribute lists such as next hops.
    Message& Raw(const void* data, std::size_t length) {
        Append(data, length);
        return *this;
    }

    nlmsghdr& Header() {
        auto& header = *reinterpret_cast<nlmsghdr*>(m_bytes.data());
        header.nlmsg_len = static_cast<std::uint32_t>(m_bytes.size());
        return header;
    }

private:
    void Append(const void* data, std::size_t length) {
        const std::size_t at = m_bytes.size();
        m_bytes.resize(at + RTA_ALIGN(length));
        if (data != nullptr)
            std::memcpy(m_bytes.data() + at, data, length);
    }
    std::vector<std::uint8_t> m_bytes;
    std::vector<std::size_t> m_open;
};

ifinfomsg Link(int index, unsigned short type, unsigned flags = IFF_UP) {
    ifinfomsg link{};
    link.ifi_family = AF_UNSPEC;
    link.ifi_index = index;
    link.ifi_type = type;
    link.ifi_flags = flags;
    return link;
}

ifaddrmsg Addr(std::uint32_t index, std::uint8_t prefix, std::uint8_t flags, std::uint8_t family = AF_INET) {
    ifaddrmsg address{};
    address.ifa_family = family;
    address.ifa_prefixlen = prefix;
    address.ifa_flags = flags;
    address.ifa_index = index;
    return address;
}

rtmsg Route(std::uint8_t dstLength, std::uint8_t table = RT_TABLE_MAIN, std::uint8_t type = RTN_UNICAST) {
    rtmsg route{};
    route.rtm_family = AF_INET;
    route.rtm_dst_len = dstLength;
    route.rtm_table = table;
    route.rtm_type = type;
    return route;
}

// ---- Links ----------------------------------------------------------------------

TEST(ParseLink, ReadsIndexNameTypeHardwareAddressAndKind) {
    const std::uint8_t mac[] = {0x02, 0x00, 0x5E, 0x00, 0x00, 0x01};
    Message message(RTM_NEWLINK, Link(3, ARPHRD_ETHER));
    message.Text(IFLA_IFNAME, "veth0").Attribute(IFLA_ADDRESS, mac, sizeof mac);
    message.Value<std::uint32_t>(IFLA_MTU, 1500).Open(IFLA_LINKINFO).Text(IFLA_INFO_KIND, "veth").Close();

    const auto link = ParseLinkMessage(message.Header());

    ASSERT_TRUE(link);
    EXPECT_EQ(link->Index, 3u);
    EXPECT_EQ(link->Name, "veth0");
    EXPECT_EQ(link->HardwareType, ARPHRD_ETHER);
    EXPECT_FALSE(link->Loopback);
    EXPECT_EQ(link->HardwareAddress, std::vector<std::uint8_t>(mac, mac + 6));
    EXPECT_EQ(link->Kind, "veth");
}

TEST(ParseLink, LoopbackFlagAndNoHardwareAttributes) {
    Message message(RTM_NEWLINK, Link(1, ARPHRD_LOOPBACK, IFF_UP | IFF_LOOPBACK));
    message.Text(IFLA_IFNAME, "lo");
    const auto link = ParseLinkMessage(message.Header());
    ASSERT_TRUE(link);
    EXPECT_TRUE(link->Loopback);
    EXPECT_TRUE(link->HardwareAddress.empty());
    EXPECT_EQ(link->Kind, "");
}

TEST(ParseLink, OtherMessagesAndTruncatedOnesAreNoLinks) {
    Message address(RTM_NEWADDR, Link(3, ARPHRD_ETHER));
    EXPECT_FALSE(ParseLinkMessage(address.Header()));

    Message shortMessage(RTM_NEWLINK, std::uint32_t{0});
    EXPECT_FALSE(ParseLinkMessage(shortMessage.Header()));
}

TEST(ParseLink, AttributeRunningPastTheMessageEndsTheAttributes) {
    Message message(RTM_NEWLINK, Link(4, ARPHRD_ETHER));
    message.Text(IFLA_IFNAME, "eth1");
    const rtattr broken{200, IFLA_ADDRESS};
    message.Raw(&broken, sizeof broken);
    const auto link = ParseLinkMessage(message.Header());
    ASSERT_TRUE(link);
    EXPECT_EQ(link->Name, "eth1");
    EXPECT_TRUE(link->HardwareAddress.empty());
}

// ---- Addresses ------------------------------------------------------------------

TEST(ParseAddress, ReadsTheLocalAddressAndPrefix) {
    Message message(RTM_NEWADDR, Addr(5, 24, IFA_F_PERMANENT));
    message.Address(IFA_ADDRESS, {10, 0, 0, 2}).Address(IFA_LOCAL, {10, 0, 0, 1});
    const auto address = ParseAddressMessage(message.Header());
    ASSERT_TRUE(address);
    EXPECT_EQ(address->Index, 5u);
    EXPECT_EQ(address->Address, (IPv4Bytes{10, 0, 0, 1}));
    EXPECT_EQ(address->PrefixLength, 24);
    EXPECT_FALSE(address->Dynamic);
}

TEST(ParseAddress, WithoutLocalTheAddressAttributeIsTaken) {
    Message message(RTM_NEWADDR, Addr(5, 16, IFA_F_PERMANENT));
    message.Address(IFA_ADDRESS, {172, 16, 0, 9});
    const auto address = ParseAddressMessage(message.Header());
    ASSERT_TRUE(address);
    EXPECT_EQ(address->Address, (IPv4Bytes{172, 16, 0, 9}));
}

TEST(ParseAddress, OnlyIPv4AddressesWithAnAddress) {
    Message ipv6(RTM_NEWADDR, Addr(5, 64, IFA_F_PERMANENT, AF_INET6));
    EXPECT_FALSE(ParseAddressMessage(ipv6.Header()));
    Message bare(RTM_NEWADDR, Addr(5, 24, IFA_F_PERMANENT));
    EXPECT_FALSE(ParseAddressMessage(bare.Header()));
}

struct LifetimeCase {
    std::uint8_t headerFlags;
    bool hasExtendedFlags;
    std::uint32_t extendedFlags;
    std::uint32_t validLifetime; // 0: no cache information
    bool dynamic;
};

class AddressLifetime : public testing::TestWithParam<LifetimeCase> {};

TEST_P(AddressLifetime, DynamicWhenNotPermanentOrWithAFiniteLifetime) {
    const LifetimeCase& c = GetParam();
    Message message(RTM_NEWADDR, Addr(2, 24, c.headerFlags));
    message.Address(IFA_LOCAL, {192, 168, 0, 7});
    if (c.hasExtendedFlags)
        message.Value(IFA_FLAGS, c.extendedFlags);
    if (c.validLifetime != 0) {
        ifa_cacheinfo info{};
        info.ifa_valid = c.validLifetime;
        info.ifa_prefered = c.validLifetime;
        message.Value(IFA_CACHEINFO, info);
    }
    const auto address = ParseAddressMessage(message.Header());
    ASSERT_TRUE(address);
    EXPECT_EQ(address->Dynamic, c.dynamic);
}

INSTANTIATE_TEST_SUITE_P(
    Lifetimes, AddressLifetime,
    testing::Values(LifetimeCase{IFA_F_PERMANENT, false, 0, 0, false},
                    LifetimeCase{IFA_F_PERMANENT, true, IFA_F_PERMANENT, 0xFFFFFFFFu, false},
                    LifetimeCase{0, false, 0, 0, true}, LifetimeCase{0, true, 0, 300, true},
                    // The extended flags win over the header's 8 bits.
                    LifetimeCase{IFA_F_PERMANENT, true, IFA_F_NOPREFIXROUTE, 0xFFFFFFFFu, true},
                    LifetimeCase{IFA_F_PERMANENT, true, IFA_F_PERMANENT, 300, true}));

// ---- Routes ---------------------------------------------------------------------

TEST(ParseRoute, DefaultRouteGivesItsGatewayAndInterface) {
    Message message(RTM_NEWROUTE, Route(0));
    message.Value<std::uint32_t>(RTA_TABLE, RT_TABLE_MAIN)
        .Address(RTA_GATEWAY, {192, 0, 2, 1})
        .Value<std::uint32_t>(RTA_OIF, 4);
    const auto hops = ParseRouteMessage(message.Header());
    ASSERT_EQ(hops.size(), 1u);
    EXPECT_EQ(hops[0].Index, 4u);
    EXPECT_EQ(hops[0].Gateway, (IPv4Bytes{192, 0, 2, 1}));
}

struct OtherRouteCase {
    rtmsg header;
    std::uint32_t table;
};

class NotADefaultRoute : public testing::TestWithParam<OtherRouteCase> {};

TEST_P(NotADefaultRoute, GivesNoGateway) {
    Message message(RTM_NEWROUTE, GetParam().header);
    message.Value(RTA_TABLE, GetParam().table)
        .Address(RTA_GATEWAY, {192, 0, 2, 1})
        .Value<std::uint32_t>(RTA_OIF, 4);
    EXPECT_TRUE(ParseRouteMessage(message.Header()).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Routes, NotADefaultRoute,
    testing::Values(OtherRouteCase{Route(24), RT_TABLE_MAIN}, OtherRouteCase{Route(0, RT_TABLE_UNSPEC), 1000},
                    OtherRouteCase{Route(0, RT_TABLE_LOCAL), RT_TABLE_LOCAL},
                    OtherRouteCase{Route(0, RT_TABLE_MAIN, RTN_UNREACHABLE), RT_TABLE_MAIN}));

TEST(ParseRoute, MultipathDefaultRouteGivesEveryNextHop) {
    std::vector<std::uint8_t> hops;
    for (const auto& [index, last] : {std::pair{2, 1}, std::pair{3, 2}}) {
        rtnexthop hop{};
        hop.rtnh_len = RTNH_LENGTH(RTA_LENGTH(4));
        hop.rtnh_ifindex = index;
        const rtattr gateway{static_cast<unsigned short>(RTA_LENGTH(4)), RTA_GATEWAY};
        const std::uint8_t address[] = {10, 0, 0, static_cast<std::uint8_t>(last)};
        const auto* hopBytes = reinterpret_cast<const std::uint8_t*>(&hop);
        hops.insert(hops.end(), hopBytes, hopBytes + sizeof hop);
        const auto* gatewayBytes = reinterpret_cast<const std::uint8_t*>(&gateway);
        hops.insert(hops.end(), gatewayBytes, gatewayBytes + sizeof gateway);
        hops.insert(hops.end(), address, address + 4);
    }
    Message message(RTM_NEWROUTE, Route(0));
    message.Attribute(RTA_MULTIPATH, hops.data(), hops.size());
    const auto result = ParseRouteMessage(message.Header());
    ASSERT_EQ(result.size(), 2u);
    EXPECT_EQ(result[0].Index, 2u);
    EXPECT_EQ(result[0].Gateway, (IPv4Bytes{10, 0, 0, 1}));
    EXPECT_EQ(result[1].Index, 3u);
    EXPECT_EQ(result[1].Gateway, (IPv4Bytes{10, 0, 0, 2}));
}

// ---- Texts and types ------------------------------------------------------------

struct MaskCase {
    std::uint8_t prefix;
    const char* mask;
};

class Masks : public testing::TestWithParam<MaskCase> {};

TEST_P(Masks, PrefixLengthAsDottedQuad) {
    EXPECT_EQ(PrefixMask(GetParam().prefix), GetParam().mask);
}

INSTANTIATE_TEST_SUITE_P(Prefixes, Masks,
                         testing::Values(MaskCase{0, "0.0.0.0"}, MaskCase{8, "255.0.0.0"},
                                         MaskCase{20, "255.255.240.0"}, MaskCase{25, "255.255.255.128"},
                                         MaskCase{32, "255.255.255.255"}, MaskCase{40, "255.255.255.255"}));

TEST(DottedQuad, FourDecimalBytesInNetworkOrder) {
    EXPECT_EQ(DottedQuad({203, 0, 113, 255}), "203.0.113.255");
    EXPECT_EQ(DottedQuad({0, 0, 0, 0}), "0.0.0.0");
}

struct TypeCase {
    std::uint16_t hardwareType;
    bool wireless;
    std::uint32_t windowsType;
};

class AdapterTypes : public testing::TestWithParam<TypeCase> {};

TEST_P(AdapterTypes, WindowsNumbering) {
    EXPECT_EQ(WindowsAdapterType(GetParam().hardwareType, GetParam().wireless), GetParam().windowsType);
}

INSTANTIATE_TEST_SUITE_P(Types, AdapterTypes,
                         testing::Values(TypeCase{ARPHRD_ETHER, false, 6}, TypeCase{ARPHRD_ETHER, true, 71},
                                         TypeCase{ARPHRD_IEEE80211_RADIOTAP, false, 71},
                                         TypeCase{ARPHRD_LOOPBACK, false, 24},
                                         TypeCase{ARPHRD_PPP, false, 23}, TypeCase{ARPHRD_NONE, false, 131},
                                         TypeCase{ARPHRD_TUNNEL, false, 131},
                                         TypeCase{ARPHRD_SIT, false, 131}, TypeCase{ARPHRD_IPGRE, false, 131},
                                         TypeCase{ARPHRD_INFINIBAND, false, 1},
                                         TypeCase{ARPHRD_CAN, false, 1}));

struct DescriptionCase {
    const char* driver;
    const char* kind;
    std::uint32_t type;
    const char* description;
};

class Descriptions : public testing::TestWithParam<DescriptionCase> {};

TEST_P(Descriptions, DriverAndKindOfLink) {
    EXPECT_EQ(DescribeAdapter(GetParam().driver, GetParam().kind, GetParam().type), GetParam().description);
}

INSTANTIATE_TEST_SUITE_P(Links, Descriptions,
                         testing::Values(DescriptionCase{"veth", "veth", 6, "veth virtual Ethernet"},
                                         DescriptionCase{"e1000", "", 6, "e1000 Ethernet"},
                                         DescriptionCase{"virtio_net", "", 6, "virtio_net Ethernet"},
                                         DescriptionCase{"iwlwifi", "", 71, "iwlwifi Wireless"},
                                         DescriptionCase{"dummy", "dummy", 6, "dummy interface"},
                                         DescriptionCase{"wireguard", "wireguard", 131, "WireGuard tunnel"},
                                         DescriptionCase{"bridge", "bridge", 6, "bridge"},
                                         DescriptionCase{"tun", "tun", 131, "TUN/TAP"},
                                         DescriptionCase{"", "", 1, "Network adapter"},
                                         DescriptionCase{"", "vcan", 1, "vcan"},
                                         DescriptionCase{"", "", 131, "Tunnel"}));

TEST(Uevent, WirelessOnlyForTheSameLink) {
    const std::string uevent = "DEVTYPE=wlan\nINTERFACE=wlan0\nIFINDEX=3\n";
    EXPECT_TRUE(UeventSaysWireless(uevent, 3));
    EXPECT_FALSE(UeventSaysWireless(uevent, 4));
    EXPECT_FALSE(UeventSaysWireless("INTERFACE=eth0\nIFINDEX=3\n", 3));
    EXPECT_FALSE(UeventSaysWireless("", 3));
}

// ---- Assembling adapters --------------------------------------------------------

// ---------------------------------------------------------------- wireless links from nl80211

TEST(GenericNetlink, FamilyRequestAsksTheControllerByName) {
    const std::vector<std::uint8_t> request = FamilyIdRequest("nl80211", 7);
    const auto& header = *reinterpret_cast<const nlmsghdr*>(request.data());
    ASSERT_EQ(header.nlmsg_len, request.size());
    EXPECT_EQ(header.nlmsg_type, GENL_ID_CTRL);
    EXPECT_EQ(header.nlmsg_flags, NLM_F_REQUEST) << "one answer, no dump";
    EXPECT_EQ(header.nlmsg_seq, 7u);
    const auto& generic = *static_cast<const genlmsghdr*>(NLMSG_DATA(&header));
    EXPECT_EQ(generic.cmd, CTRL_CMD_GETFAMILY);
    const auto* name = reinterpret_cast<const nlattr*>(request.data() + NLMSG_LENGTH(GENL_HDRLEN));
    EXPECT_EQ(name->nla_type, CTRL_ATTR_FAMILY_NAME);
    EXPECT_STREQ(reinterpret_cast<const char*>(name) + NLA_HDRLEN, "nl80211");
    EXPECT_EQ(request.size() % 4, 0u) << "padded to the netlink alignment";
}

TEST(GenericNetlink, InterfaceRequestDumpsTheFamilysInterfaces) {
    const std::vector<std::uint8_t> request = WirelessInterfacesRequest(30, 8);
    const auto& header = *reinterpret_cast<const nlmsghdr*>(request.data());
    EXPECT_EQ(header.nlmsg_type, 30);
    EXPECT_EQ(header.nlmsg_flags, NLM_F_REQUEST | NLM_F_DUMP);
    EXPECT_EQ(static_cast<const genlmsghdr*>(NLMSG_DATA(&header))->cmd, NL80211_CMD_GET_INTERFACE);
}

TEST(GenericNetlink, ReadsTheFamilyIdOnlyFromTheControllersAnswer) {
    const genlmsghdr answer{CTRL_CMD_NEWFAMILY, 2, 0};
    Message family(GENL_ID_CTRL, answer);
    family.Text(CTRL_ATTR_FAMILY_NAME, "nl80211").Value<std::uint16_t>(CTRL_ATTR_FAMILY_ID, 31);
    EXPECT_EQ(ParseFamilyId(family.Header()), std::optional<std::uint16_t>(31));
    Message other(GENL_ID_CTRL + 1, answer);
    other.Value<std::uint16_t>(CTRL_ATTR_FAMILY_ID, 31);
    EXPECT_EQ(ParseFamilyId(other.Header()), std::nullopt);
    Message withoutId(GENL_ID_CTRL, answer);
    withoutId.Text(CTRL_ATTR_FAMILY_NAME, "nl80211");
    EXPECT_EQ(ParseFamilyId(withoutId.Header()), std::nullopt);
}

TEST(GenericNetlink, AWirelessInterfaceGivesItsLinkIndex) {
    const genlmsghdr interfaceAnswer{NL80211_CMD_NEW_INTERFACE, 1, 0};
    Message wlan(31, interfaceAnswer);
    wlan.Value<std::uint32_t>(NL80211_ATTR_WIPHY, 0).Value<std::uint32_t>(NL80211_ATTR_IFINDEX, 5);
    EXPECT_EQ(ParseWirelessInterface(wlan.Header(), 31), std::optional<std::uint32_t>(5));
    EXPECT_EQ(ParseWirelessInterface(wlan.Header(), 32), std::nullopt) << "another family's message";
    const genlmsghdr otherCommand{NL80211_CMD_NEW_WIPHY, 1, 0};
    Message wiphy(31, otherCommand);
    wiphy.Value<std::uint32_t>(NL80211_ATTR_IFINDEX, 5);
    EXPECT_EQ(ParseWirelessInterface(wiphy.Header(), 31), std::nullopt);
    Message device(31, interfaceAnswer); // a P2P device: an interface without a link
    device.Value<std::uint32_t>(NL80211_ATTR_WIPHY, 0);
    EXPECT_EQ(ParseWirelessInterface(device.Header(), 31), std::nullopt);
}

TEST(Assemble, OneAdapterPerLinkButLoopbackWithItsAddressesAndGateways) {
    const std::vector<LinkFacts> links = {
        {1, "lo", ARPHRD_LOOPBACK, true, {}, ""},
        {2, "eth0", ARPHRD_ETHER, false, {0x52, 0x54, 0, 0x12, 0x34, 0x56}, ""},
        {3, "wlan0", ARPHRD_ETHER, false, {0x10, 0x20, 0x30, 0x40, 0x50, 0x60}, ""},
        {4, "wg0", ARPHRD_NONE, false, {}, "wireguard"},
    };
    const std::vector<LinkDetails> details = {{}, {"e1000", false}, {"iwlwifi", true}, {"", false}};
    const std::vector<AddressFacts> addresses = {
        {1, {127, 0, 0, 1}, 8, false}, {2, {10, 0, 0, 5}, 24, false}, {3, {192, 168, 1, 20}, 24, true},
        {2, {10, 0, 0, 6}, 24, false}, {9, {10, 9, 9, 9}, 8, false},
    };
    const std::vector<GatewayFacts> gateways = {
        {3, {192, 168, 1, 1}}, {2, {10, 0, 0, 1}}, {2, {10, 0, 0, 2}}};

    const auto adapters = AssembleAdapters(links, details, addresses, gateways);

    ASSERT_EQ(adapters.size(), 3u);
    AdapterFacts eth0;
    eth0.Name = "eth0";
    eth0.Description = "e1000 Ethernet";
    eth0.HardwareAddress = {0x52, 0x54, 0, 0x12, 0x34, 0x56};
    eth0.Index = 2;
    eth0.Type = 6;
    eth0.Addresses = {{"10.0.0.5", "255.255.255.0"}, {"10.0.0.6", "255.255.255.0"}};
    eth0.Gateways = {{"10.0.0.1", "255.255.255.255"}, {"10.0.0.2", "255.255.255.255"}};
    EXPECT_EQ(adapters[0], eth0);

    EXPECT_EQ(adapters[1].Name, "wlan0");
    EXPECT_EQ(adapters[1].Type, 71u);
    EXPECT_EQ(adapters[1].Description, "iwlwifi Wireless");
    EXPECT_TRUE(adapters[1].DhcpEnabled);
    EXPECT_EQ(adapters[1].Gateways, (std::vector<AddressPair>{{"192.168.1.1", "255.255.255.255"}}));

    EXPECT_EQ(adapters[2].Name, "wg0");
    EXPECT_EQ(adapters[2].Type, 131u);
    EXPECT_EQ(adapters[2].Description, "WireGuard tunnel");
    EXPECT_EQ(adapters[2].Addresses, (std::vector<AddressPair>{{"0.0.0.0", "0.0.0.0"}}));
    EXPECT_EQ(adapters[2].Gateways, (std::vector<AddressPair>{{"0.0.0.0", "255.255.255.255"}}));
    EXPECT_FALSE(adapters[2].DhcpEnabled);
}

// ---- Error texts of the Linux source --------------------------------------------

TEST(LinuxSourceErrors, OwnCodeHasOwnTextAndErrnoCodesTheCLibrarysText) {
    const auto source = PlatformAdapterSource();
    EXPECT_EQ(source->ErrorText(AdapterSource::ErrorBufferOverflow),
              "The data area passed to a system call is too small");
    EXPECT_EQ(source->ErrorText(static_cast<std::uint32_t>(-EACCES)), "Permission denied");
    EXPECT_EQ(source->ErrorText(EACCES), "Unknown error 13") << "the source answers no positive errno";
    EXPECT_EQ(std::string(EOSError(EIO).what()), "System Error.  Code: 5.\r\nInput/output error");
}

// ---- Codes of the Linux source: errno values never read as the records' own codes ----

struct ErrnoCase {
    int error;
    const char* text; // the C library's text for it
};
void PrintTo(const ErrnoCase& c, std::ostream* out) {
    *out << "errno " << c.error;
}

class LinuxSourceSystemCallFails : public ::testing::TestWithParam<ErrnoCase> {};

TEST_P(LinuxSourceSystemCallFails, IsReportedByItsErrnoAndAskedOnce) {
    int reads = 0;
    const auto source = MakeLinuxAdapterSource([&reads]() -> std::vector<AdapterFacts> {
        ++reads;
        throw SystemCallFailed{GetParam().error};
    });
    try {
        TIPInfo info(*source);
        ADD_FAILURE() << "the snapshot was taken";
    } catch (const EOSError& error) {
        EXPECT_NE(error.ErrorCode(), AdapterSource::ErrorBufferOverflow);
        EXPECT_EQ(std::string(error.what()),
                  "System Error.  Code: -" + std::to_string(GetParam().error) + ".\r\n" + GetParam().text);
    }
    EXPECT_EQ(reads, 1) << "a failed system call is no buffer too small: nothing is asked again";
}

// 111 is ECONNREFUSED on Linux and ERROR_BUFFER_OVERFLOW on Windows.
INSTANTIATE_TEST_SUITE_P(Errno, LinuxSourceSystemCallFails,
                         ::testing::Values(ErrnoCase{ECONNREFUSED, "Connection refused"},
                                           ErrnoCase{EACCES, "Permission denied"},
                                           ErrnoCase{ENOBUFS, "No buffer space available"},
                                           ErrnoCase{EPROTO, "Protocol error"}));

TEST(LinuxSourceCodes, TooManyAdaptersForTheBufferStillAskOnceMoreWithTheSizeNeeded) {
    std::vector<AdapterFacts> adapters(20);
    for (std::size_t i = 0; i < adapters.size(); ++i)
        adapters[i].Name = "eth" + std::to_string(i);
    int reads = 0;
    const auto source = MakeLinuxAdapterSource([&] {
        ++reads;
        return adapters;
    });
    std::vector<std::uint8_t> small(64);
    std::uint32_t size = static_cast<std::uint32_t>(small.size());
    EXPECT_EQ(source->Query(small.data(), &size), AdapterSource::ErrorBufferOverflow);
    EXPECT_EQ(source->ErrorText(AdapterSource::ErrorBufferOverflow),
              "The data area passed to a system call is too small");
    const TIPInfo info(*source);
    EXPECT_EQ(info.AdapterCount(), 20);
    EXPECT_EQ(reads, 3);
}

} // namespace

namespace {

// The walk over a datagram stays within the bytes received, also when the last message
// lacks its padding (NLMSG_NEXT stepped past the end, and its count wrapped).
TEST(NetlinkWalk, StaysWithinTheBytesReceived) {
    alignas(nlmsghdr) std::uint8_t data[64] = {};
    auto* first = reinterpret_cast<nlmsghdr*>(data);
    first->nlmsg_len = NLMSG_HDRLEN + 4;
    auto* last = reinterpret_cast<nlmsghdr*>(data + NLMSG_ALIGN(first->nlmsg_len));
    last->nlmsg_len = NLMSG_HDRLEN + 1; // not padded: the datagram ends here
    const std::size_t received = NLMSG_ALIGN(first->nlmsg_len) + last->nlmsg_len;

    std::vector<const nlmsghdr*> seen;
    std::size_t offset = 0;
    while (const auto* message = NetlinkMessageAt(data, received, offset)) {
        seen.push_back(message);
        offset = NextNetlinkOffset(*message, offset);
    }
    EXPECT_EQ(seen, (std::vector<const nlmsghdr*>{first, last}));

    // A message that claims more than was received, or less than its header, ends the walk.
    EXPECT_EQ(NetlinkMessageAt(data, received - 1, NLMSG_ALIGN(first->nlmsg_len)), nullptr);
    first->nlmsg_len = 3;
    EXPECT_EQ(NetlinkMessageAt(data, received, 0), nullptr);
    EXPECT_EQ(NetlinkMessageAt(data, received, received + 8), nullptr);
}

} // namespace
