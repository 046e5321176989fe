#pragma once

#include <cstddef>
#include <cstdint>

// The IP helper's adapter records, as GetAdaptersInfo fills them, declared in the
// platform's own layout: the natural layout of the structures with pointer-sized
// links, so 32-bit and 64-bit builds each match their own platform. They live in a
// namespace of their own so that the Windows source can include <iphlpapi.h> too.
namespace IPHelperDef {

// MAX_ADAPTER_NAME_LENGTH and its kin of the platform headers (macros there).
constexpr std::size_t MaxAdapterNameLength = 256;
constexpr std::size_t MaxAdapterDescriptionLength = 128;
constexpr std::size_t MaxAdapterAddressLength = 8;

struct IP_ADDRESS_STRING {
    char String[4 * 4];
};
using IP_MASK_STRING = IP_ADDRESS_STRING;

struct IP_ADDR_STRING {
    IP_ADDR_STRING* Next;
    IP_ADDRESS_STRING IpAddress;
    IP_MASK_STRING IpMask;
    std::uint32_t Context;
};

struct IP_ADAPTER_INFO {
    IP_ADAPTER_INFO* Next;
    std::uint32_t ComboIndex;
    char AdapterName[MaxAdapterNameLength + 4];
    char Description[MaxAdapterDescriptionLength + 4];
    std::uint32_t AddressLength;
    std::uint8_t Address[MaxAdapterAddressLength];
    std::uint32_t Index;
    std::uint32_t Type;
    std::uint32_t DhcpEnabled;
    IP_ADDR_STRING* CurrentIpAddress;
    IP_ADDR_STRING IpAddressList;
    IP_ADDR_STRING GatewayList;
    IP_ADDR_STRING DhcpServer;
    std::int32_t HaveWins;
    IP_ADDR_STRING PrimaryWinsServer;
    IP_ADDR_STRING SecondaryWinsServer;
    std::int64_t LeaseObtained; // time_t, 64 bits wide on the platform
    std::int64_t LeaseExpires;
};

namespace layout {
constexpr bool Is32Bit = sizeof(void*) == 4;
constexpr std::size_t pick(std::size_t offset32, std::size_t offset64) {
    return Is32Bit ? offset32 : offset64;
}
} // namespace layout

static_assert(sizeof(IP_ADDR_STRING) == layout::pick(40, 48));
static_assert(offsetof(IP_ADDR_STRING, IpAddress) == layout::pick(4, 8));
static_assert(offsetof(IP_ADDR_STRING, IpMask) == layout::pick(20, 24));
static_assert(offsetof(IP_ADDR_STRING, Context) == layout::pick(36, 40));

static_assert(offsetof(IP_ADAPTER_INFO, ComboIndex) == layout::pick(4, 8));
static_assert(offsetof(IP_ADAPTER_INFO, AdapterName) == layout::pick(8, 12));
static_assert(offsetof(IP_ADAPTER_INFO, Description) == layout::pick(268, 272));
static_assert(offsetof(IP_ADAPTER_INFO, AddressLength) == layout::pick(400, 404));
static_assert(offsetof(IP_ADAPTER_INFO, Address) == layout::pick(404, 408));
static_assert(offsetof(IP_ADAPTER_INFO, Index) == layout::pick(412, 416));
static_assert(offsetof(IP_ADAPTER_INFO, Type) == layout::pick(416, 420));
static_assert(offsetof(IP_ADAPTER_INFO, DhcpEnabled) == layout::pick(420, 424));
static_assert(offsetof(IP_ADAPTER_INFO, CurrentIpAddress) == layout::pick(424, 432));
static_assert(offsetof(IP_ADAPTER_INFO, IpAddressList) == layout::pick(428, 440));
static_assert(offsetof(IP_ADAPTER_INFO, GatewayList) == layout::pick(468, 488));
static_assert(offsetof(IP_ADAPTER_INFO, DhcpServer) == layout::pick(508, 536));
static_assert(offsetof(IP_ADAPTER_INFO, HaveWins) == layout::pick(548, 584));
static_assert(offsetof(IP_ADAPTER_INFO, PrimaryWinsServer) == layout::pick(552, 592));
static_assert(offsetof(IP_ADAPTER_INFO, SecondaryWinsServer) == layout::pick(592, 640));
static_assert(offsetof(IP_ADAPTER_INFO, LeaseObtained) == layout::pick(632, 688));
static_assert(sizeof(IP_ADAPTER_INFO) == layout::pick(648, 704));

} // namespace IPHelperDef
