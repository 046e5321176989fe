#include "net/netlinkadapters.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

// The C library's net/if.h goes before the kernel's headers, which then leave its
// definitions alone.
// clang-format off
#include <net/if.h>
// clang-format on

#include <linux/genetlink.h>
#include <linux/if_addr.h>
#include <linux/if_arp.h>
#include <linux/if_link.h>
#include <linux/nl80211.h>
#include <linux/rtnetlink.h>

namespace {

// The valid lifetime of an address that never expires (ifa_cacheinfo).
constexpr std::uint32_t InfiniteLifetime = 0xFFFFFFFFu;

// The mask that the Windows query gives every gateway entry.
constexpr const char* GatewayMask = "255.255.255.255";

// The attributes of one netlink message, in order, with bounds checked.
class Attributes {
public:
    Attributes(const nlmsghdr& message, std::size_t headerSize) {
        const std::size_t start = NLMSG_SPACE(headerSize);
        if (message.nlmsg_len < start)
            return;
        m_first = reinterpret_cast<const std::uint8_t*>(&message) + start;
        m_length = message.nlmsg_len - start;
    }
    Attributes(const void* data, std::size_t length)
        : m_first(static_cast<const std::uint8_t*>(data)), m_length(length) {}

    template <typename Visit> void ForEach(Visit&& visit) const {
        std::size_t offset = 0;
        while (offset + sizeof(rtattr) <= m_length) {
            const auto* attribute = reinterpret_cast<const rtattr*>(m_first + offset);
            if (attribute->rta_len < sizeof(rtattr) || offset + attribute->rta_len > m_length)
                return;
            visit(attribute->rta_type, RTA_DATA(attribute), RTA_PAYLOAD(attribute));
            offset += RTA_ALIGN(attribute->rta_len);
        }
    }

private:
    const std::uint8_t* m_first = nullptr;
    std::size_t m_length = 0;
};

template <typename Header> const Header* FixedHeader(const nlmsghdr& message) {
    if (message.nlmsg_len < NLMSG_LENGTH(sizeof(Header)))
        return nullptr;
    return static_cast<const Header*>(NLMSG_DATA(&message));
}

std::string StringAttribute(const void* data, std::size_t length) {
    const auto* text = static_cast<const char*>(data);
    return std::string(text, strnlen(text, length));
}

template <typename T> std::optional<T> ValueAttribute(const void* data, std::size_t length) {
    if (length < sizeof(T))
        return std::nullopt;
    T value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

std::optional<IPv4Bytes> AddressAttribute(const void* data, std::size_t length) {
    if (length != 4)
        return std::nullopt;
    IPv4Bytes address;
    std::memcpy(address.data(), data, address.size());
    return address;
}

std::string LinkKind(const void* data, std::size_t length) {
    std::string kind;
    Attributes(data, length).ForEach([&](unsigned short type, const void* value, std::size_t size) {
        if (type == IFLA_INFO_KIND)
            kind = StringAttribute(value, size);
    });
    return kind;
}

// The next hops of an RTA_MULTIPATH attribute.
std::vector<GatewayFacts> NextHops(const void* data, std::size_t length) {
    std::vector<GatewayFacts> hops;
    const auto* first = static_cast<const std::uint8_t*>(data);
    std::size_t offset = 0;
    while (offset + sizeof(rtnexthop) <= length) {
        const auto* hop = reinterpret_cast<const rtnexthop*>(first + offset);
        if (hop->rtnh_len < sizeof(rtnexthop) || offset + hop->rtnh_len > length)
            break;
        Attributes(first + offset + RTNH_LENGTH(0), hop->rtnh_len - RTNH_LENGTH(0))
            .ForEach([&](unsigned short type, const void* value, std::size_t size) {
                if (type != RTA_GATEWAY)
                    return;
                if (const auto gateway = AddressAttribute(value, size))
                    hops.push_back({static_cast<std::uint32_t>(hop->rtnh_ifindex), *gateway});
            });
        offset += RTNH_ALIGN(hop->rtnh_len);
    }
    return hops;
}

bool IsDefaultRouteOfMainTable(const rtmsg& route, std::uint32_t table) {
    return route.rtm_family == AF_INET && route.rtm_dst_len == 0 && route.rtm_type == RTN_UNICAST &&
           table == RT_TABLE_MAIN;
}

bool IsTunnel(std::uint16_t hardwareType) {
    switch (hardwareType) {
    case ARPHRD_TUNNEL:
    case ARPHRD_TUNNEL6:
    case ARPHRD_SIT:
    case ARPHRD_IPGRE:
    case ARPHRD_IP6GRE:
    case ARPHRD_NONE: // tun devices and WireGuard
        return true;
    default:
        return false;
    }
}

std::string KindText(const std::string& kind) {
    static const std::map<std::string, std::string> texts = {
        {"veth", "virtual Ethernet"},
        {"bridge", "bridge"},
        {"dummy", "dummy interface"},
        {"tun", "TUN/TAP"},
        {"vlan", "VLAN"},
        {"bond", "bonding"},
        {"macvlan", "MACVLAN"},
        {"ipvlan", "IPVLAN"},
        {"vxlan", "VXLAN tunnel"},
        {"wireguard", "WireGuard tunnel"},
        {"gre", "GRE tunnel"},
        {"gretap", "GRE tunnel"},
        {"ipip", "IP-in-IP tunnel"},
        {"sit", "IPv6-in-IPv4 tunnel"},
        {"ifb", "intermediate functional block"},
    };
    const auto text = texts.find(kind);
    return text != texts.end() ? text->second : kind;
}

bool StartsWithIgnoringCase(const std::string& text, const std::string& start) {
    if (text.size() < start.size())
        return false;
    return std::equal(start.begin(), start.end(), text.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

std::string TypeText(std::uint32_t type) {
    switch (type) {
    case 6:
        return "Ethernet";
    case 71:
        return "Wireless";
    case 131:
        return "Tunnel";
    case 23:
        return "PPP";
    default:
        return "Network adapter";
    }
}

} // namespace

const nlmsghdr* NetlinkMessageAt(const std::uint8_t* data, std::size_t length, std::size_t offset) {
    if (offset > length || length - offset < sizeof(nlmsghdr))
        return nullptr;
    const auto* message = reinterpret_cast<const nlmsghdr*>(data + offset);
    if (message->nlmsg_len < sizeof(nlmsghdr) || message->nlmsg_len > length - offset)
        return nullptr;
    return message;
}

std::size_t NextNetlinkOffset(const nlmsghdr& message, std::size_t offset) {
    return offset + NLMSG_ALIGN(message.nlmsg_len);
}

std::optional<LinkFacts> ParseLinkMessage(const nlmsghdr& message) {
    const auto* header = FixedHeader<ifinfomsg>(message);
    if (message.nlmsg_type != RTM_NEWLINK || header == nullptr)
        return std::nullopt;
    LinkFacts link;
    link.Index = static_cast<std::uint32_t>(header->ifi_index);
    link.HardwareType = header->ifi_type;
    link.Loopback = (header->ifi_flags & IFF_LOOPBACK) != 0;
    Attributes(message, sizeof(ifinfomsg))
        .ForEach([&](unsigned short type, const void* data, std::size_t size) {
            const auto* bytes = static_cast<const std::uint8_t*>(data);
            if (type == IFLA_IFNAME)
                link.Name = StringAttribute(data, size);
            else if (type == IFLA_ADDRESS)
                link.HardwareAddress.assign(bytes, bytes + size);
            else if (type == IFLA_LINKINFO)
                link.Kind = LinkKind(data, size);
        });
    return link;
}

std::optional<AddressFacts> ParseAddressMessage(const nlmsghdr& message) {
    const auto* header = FixedHeader<ifaddrmsg>(message);
    if (message.nlmsg_type != RTM_NEWADDR || header == nullptr || header->ifa_family != AF_INET)
        return std::nullopt;
    AddressFacts address;
    address.Index = header->ifa_index;
    address.PrefixLength = header->ifa_prefixlen;
    std::uint32_t flags = header->ifa_flags;
    bool finiteLifetime = false;
    std::optional<IPv4Bytes> local;
    std::optional<IPv4Bytes> peer;
    Attributes(message, sizeof(ifaddrmsg))
        .ForEach([&](unsigned short type, const void* data, std::size_t size) {
            if (type == IFA_LOCAL)
                local = AddressAttribute(data, size);
            else if (type == IFA_ADDRESS)
                peer = AddressAttribute(data, size);
            else if (type == IFA_FLAGS)
                flags = ValueAttribute<std::uint32_t>(data, size).value_or(flags);
            else if (type == IFA_CACHEINFO) {
                if (const auto info = ValueAttribute<ifa_cacheinfo>(data, size))
                    finiteLifetime = info->ifa_valid != InfiniteLifetime;
            }
        });
    if (!local && !peer)
        return std::nullopt;
    address.Address = local ? *local : *peer;
    address.Dynamic = (flags & IFA_F_PERMANENT) == 0 || finiteLifetime;
    return address;
}

std::vector<GatewayFacts> ParseRouteMessage(const nlmsghdr& message) {
    const auto* header = FixedHeader<rtmsg>(message);
    if (message.nlmsg_type != RTM_NEWROUTE || header == nullptr)
        return {};
    std::uint32_t table = header->rtm_table;
    std::uint32_t outputIndex = 0;
    std::optional<IPv4Bytes> gateway;
    std::vector<GatewayFacts> hops;
    Attributes(message, sizeof(rtmsg)).ForEach([&](unsigned short type, const void* data, std::size_t size) {
        if (type == RTA_TABLE)
            table = ValueAttribute<std::uint32_t>(data, size).value_or(table);
        else if (type == RTA_OIF)
            outputIndex = ValueAttribute<std::uint32_t>(data, size).value_or(0);
        else if (type == RTA_GATEWAY)
            gateway = AddressAttribute(data, size);
        else if (type == RTA_MULTIPATH)
            hops = NextHops(data, size);
    });
    if (!IsDefaultRouteOfMainTable(*header, table))
        return {};
    if (gateway && outputIndex != 0)
        hops.insert(hops.begin(), GatewayFacts{outputIndex, *gateway});
    return hops;
}

namespace {

// A generic netlink request: the headers and, when name is given, one text attribute.
std::vector<std::uint8_t> GenericRequest(std::uint16_t family, std::uint8_t command, std::uint16_t flags,
                                         std::uint32_t sequence, std::uint16_t attribute,
                                         const std::string* text) {
    const std::size_t attributeLength = text ? NLA_HDRLEN + text->size() + 1 : 0;
    const std::size_t length = NLMSG_LENGTH(GENL_HDRLEN) + NLA_ALIGN(attributeLength);
    std::vector<std::uint8_t> request(length, 0);
    auto* header = reinterpret_cast<nlmsghdr*>(request.data());
    header->nlmsg_len = static_cast<std::uint32_t>(length);
    header->nlmsg_type = family;
    header->nlmsg_flags = static_cast<std::uint16_t>(NLM_F_REQUEST | flags);
    header->nlmsg_seq = sequence;
    auto* generic = static_cast<genlmsghdr*>(NLMSG_DATA(header));
    generic->cmd = command;
    generic->version = 1;
    if (text) {
        auto* first = reinterpret_cast<nlattr*>(request.data() + NLMSG_LENGTH(GENL_HDRLEN));
        first->nla_len = static_cast<std::uint16_t>(attributeLength);
        first->nla_type = attribute;
        std::memcpy(reinterpret_cast<std::uint8_t*>(first) + NLA_HDRLEN, text->c_str(), text->size() + 1);
    }
    return request;
}

// The attributes of a generic netlink message of command, when it is one.
std::optional<Attributes> GenericAttributes(const nlmsghdr& message, std::uint16_t family,
                                            std::uint8_t command) {
    const auto* header = FixedHeader<genlmsghdr>(message);
    if (message.nlmsg_type != family || header == nullptr || header->cmd != command)
        return std::nullopt;
    return Attributes(message, GENL_HDRLEN);
}

// The value of one attribute of a generic netlink answer with this family and command.
template <typename T>
std::optional<T> GenericAttributeValue(const nlmsghdr& message, std::uint16_t family, std::uint8_t command,
                                       unsigned short wanted) {
    const auto attributes = GenericAttributes(message, family, command);
    if (!attributes)
        return std::nullopt;
    std::optional<T> value;
    attributes->ForEach([&](unsigned short type, const void* data, std::size_t size) {
        if ((type & NLA_TYPE_MASK) == wanted)
            value = ValueAttribute<T>(data, size);
    });
    return value;
}

} // namespace

std::vector<std::uint8_t> FamilyIdRequest(const std::string& family, std::uint32_t sequence) {
    return GenericRequest(GENL_ID_CTRL, CTRL_CMD_GETFAMILY, 0, sequence, CTRL_ATTR_FAMILY_NAME, &family);
}

std::optional<std::uint16_t> ParseFamilyId(const nlmsghdr& message) {
    return GenericAttributeValue<std::uint16_t>(message, GENL_ID_CTRL, CTRL_CMD_NEWFAMILY, CTRL_ATTR_FAMILY_ID);
}

std::vector<std::uint8_t> WirelessInterfacesRequest(std::uint16_t nl80211, std::uint32_t sequence) {
    return GenericRequest(nl80211, NL80211_CMD_GET_INTERFACE, NLM_F_DUMP, sequence, 0, nullptr);
}

std::optional<std::uint32_t> ParseWirelessInterface(const nlmsghdr& message, std::uint16_t nl80211) {
    return GenericAttributeValue<std::uint32_t>(message, nl80211, NL80211_CMD_NEW_INTERFACE, NL80211_ATTR_IFINDEX);
}

std::string DottedQuad(const IPv4Bytes& address) {
    return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." + std::to_string(address[2]) +
           "." + std::to_string(address[3]);
}

std::string PrefixMask(std::uint8_t prefixLength) {
    IPv4Bytes mask{};
    for (std::size_t bit = 0; bit < std::min<std::size_t>(prefixLength, 32); ++bit)
        mask[bit / 8] |= static_cast<std::uint8_t>(0x80 >> (bit % 8));
    return DottedQuad(mask);
}

std::uint32_t WindowsAdapterType(std::uint16_t hardwareType, bool wireless) {
    if (wireless)
        return 71;
    switch (hardwareType) {
    case ARPHRD_ETHER:
        return 6;
    case ARPHRD_IEEE80211:
    case ARPHRD_IEEE80211_PRISM:
    case ARPHRD_IEEE80211_RADIOTAP:
        return 71;
    case ARPHRD_PPP:
        return 23;
    case ARPHRD_LOOPBACK:
        return 24;
    default:
        return IsTunnel(hardwareType) ? 131 : 1;
    }
}

std::string DescribeAdapter(const std::string& driver, const std::string& kind, std::uint32_t type) {
    const std::string link = kind.empty() ? TypeText(type) : KindText(kind);
    if (driver.empty() || StartsWithIgnoringCase(link, driver))
        return link;
    return driver + " " + link;
}

bool UeventSaysWireless(const std::string& uevent, std::uint32_t index) {
    bool sameLink = false;
    bool wireless = false;
    std::size_t start = 0;
    while (start < uevent.size()) {
        std::size_t end = uevent.find('\n', start);
        if (end == std::string::npos)
            end = uevent.size();
        const std::string line = uevent.substr(start, end - start);
        sameLink = sameLink || line == "IFINDEX=" + std::to_string(index);
        wireless = wireless || line == "DEVTYPE=wlan";
        start = end + 1;
    }
    return sameLink && wireless;
}

std::vector<AdapterFacts> AssembleAdapters(std::span<const LinkFacts> links,
                                           std::span<const LinkDetails> details,
                                           std::span<const AddressFacts> addresses,
                                           std::span<const GatewayFacts> gateways) {
    std::vector<AdapterFacts> adapters;
    for (std::size_t i = 0; i < links.size(); ++i) {
        const LinkFacts& link = links[i];
        if (link.Loopback)
            continue;
        const LinkDetails detail = i < details.size() ? details[i] : LinkDetails{};
        AdapterFacts adapter;
        adapter.Name = link.Name;
        adapter.Type = WindowsAdapterType(link.HardwareType, detail.Wireless);
        adapter.Description = DescribeAdapter(detail.Driver, link.Kind, adapter.Type);
        adapter.HardwareAddress = link.HardwareAddress;
        adapter.Index = link.Index;
        for (const AddressFacts& address : addresses) {
            if (address.Index != link.Index)
                continue;
            adapter.Addresses.push_back({DottedQuad(address.Address), PrefixMask(address.PrefixLength)});
            adapter.DhcpEnabled = adapter.DhcpEnabled || address.Dynamic;
        }
        for (const GatewayFacts& gateway : gateways) {
            if (gateway.Index == link.Index)
                adapter.Gateways.push_back({DottedQuad(gateway.Gateway), GatewayMask});
        }
        // What the Windows query shows for an adapter without address or gateway.
        if (adapter.Addresses.empty())
            adapter.Addresses.push_back({"0.0.0.0", "0.0.0.0"});
        if (adapter.Gateways.empty())
            adapter.Gateways.push_back({"0.0.0.0", GatewayMask});
        adapters.push_back(std::move(adapter));
    }
    return adapters;
}
