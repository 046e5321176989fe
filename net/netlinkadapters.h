#pragma once

#include "net/adapterrecords.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct nlmsghdr;

// The pure half of the Linux adapter source: reading the kernel's rtnetlink answers
// and turning them into adapter facts. No system calls here.

using IPv4Bytes = std::array<std::uint8_t, 4>; // in network order

// One link (RTM_NEWLINK).
struct LinkFacts {
    std::uint32_t Index = 0;
    std::string Name;
    std::uint16_t HardwareType = 0; // ARPHRD_*
    bool Loopback = false;
    std::vector<std::uint8_t> HardwareAddress;
    std::string Kind; // IFLA_INFO_KIND: "veth", "bridge", ...; empty for hardware
};

// One IPv4 address (RTM_NEWADDR).
struct AddressFacts {
    std::uint32_t Index = 0;
    IPv4Bytes Address{};
    std::uint8_t PrefixLength = 0;
    bool Dynamic = false; // handed out with a lifetime (DHCP), not a permanent address
};

// One next hop of an IPv4 default route of the main table (RTM_NEWROUTE).
struct GatewayFacts {
    std::uint32_t Index = 0;
    IPv4Bytes Gateway{};
};

// What the source learns about a link besides netlink (ethtool and sysfs).
struct LinkDetails {
    std::string Driver;
    bool Wireless = false;
};

// The walk over one datagram of the kernel's answer: the message at offset when it lies
// whole within the length received (the last one may lack its padding), else nullptr;
// and the offset of the message after it.
const nlmsghdr* NetlinkMessageAt(const std::uint8_t* data, std::size_t length, std::size_t offset);
std::size_t NextNetlinkOffset(const nlmsghdr& message, std::size_t offset);

std::optional<LinkFacts> ParseLinkMessage(const nlmsghdr& message);
std::optional<AddressFacts> ParseAddressMessage(const nlmsghdr& message);
// Every next hop of a default route; empty for any other route.
std::vector<GatewayFacts> ParseRouteMessage(const nlmsghdr& message);

std::string DottedQuad(const IPv4Bytes& address);
// The mask of a prefix length as a dotted quad ("255.255.255.0" for 24).
std::string PrefixMask(std::uint8_t prefixLength);

// The Windows adapter type for an ARPHRD_* hardware type: 6 Ethernet, 71 wireless,
// 131 tunnel, 23 PPP, 24 loopback, 1 other.
std::uint32_t WindowsAdapterType(std::uint16_t hardwareType, bool wireless);

// "<driver> <kind of link>", for example "veth virtual Ethernet" or "e1000 Ethernet"
// (the kind alone when it already begins with the driver's name: "dummy interface").
std::string DescribeAdapter(const std::string& driver, const std::string& kind, std::uint32_t type);

// Generic netlink, for the wireless links (nl80211 lists every wireless interface):
// the request for a family's id by its name, the id in the answer, the dump request
// of nl80211's interfaces and the link index of one interface in its answer.
std::vector<std::uint8_t> FamilyIdRequest(const std::string& family, std::uint32_t sequence);
std::optional<std::uint16_t> ParseFamilyId(const nlmsghdr& message);
std::vector<std::uint8_t> WirelessInterfacesRequest(std::uint16_t nl80211, std::uint32_t sequence);
std::optional<std::uint32_t> ParseWirelessInterface(const nlmsghdr& message, std::uint16_t nl80211);

// Reads the DEVTYPE of a link's sysfs uevent text; answers whether it is a wireless
// link, and only when the text belongs to the link with that index.
bool UeventSaysWireless(const std::string& uevent, std::uint32_t index);

// One adapter per link other than loopback, in link order, with its addresses and
// default gateways in the kernel's order. details: one entry per link, same order.
// As on Windows, a link without address has the pair 0.0.0.0/0.0.0.0, one without
// gateway 0.0.0.0/255.255.255.255, and every gateway the mask 255.255.255.255.
std::vector<AdapterFacts> AssembleAdapters(std::span<const LinkFacts> links,
                                           std::span<const LinkDetails> details,
                                           std::span<const AddressFacts> addresses,
                                           std::span<const GatewayFacts> gateways);
