// The Windows adapter source: the IP helper's GetAdaptersInfo.
#include <cstddef>

// winsock2.h goes before the IP helper's header.
// clang-format off
#include <winsock2.h>
#include <iphlpapi.h>
// clang-format on

#include "net/IPHelperDef.h"
#include "net/adaptersource.h"

// Our declaration of the records must match the platform's, field by field.
static_assert(sizeof(IPHelperDef::IP_ADDR_STRING) == sizeof(::IP_ADDR_STRING));
static_assert(offsetof(IPHelperDef::IP_ADDR_STRING, IpMask) == offsetof(::IP_ADDR_STRING, IpMask));
static_assert(offsetof(IPHelperDef::IP_ADDR_STRING, Context) == offsetof(::IP_ADDR_STRING, Context));
static_assert(sizeof(IPHelperDef::IP_ADAPTER_INFO) == sizeof(::IP_ADAPTER_INFO));
static_assert(offsetof(IPHelperDef::IP_ADAPTER_INFO, Description) ==
              offsetof(::IP_ADAPTER_INFO, Description));
static_assert(offsetof(IPHelperDef::IP_ADAPTER_INFO, Address) == offsetof(::IP_ADAPTER_INFO, Address));
static_assert(offsetof(IPHelperDef::IP_ADAPTER_INFO, DhcpEnabled) ==
              offsetof(::IP_ADAPTER_INFO, DhcpEnabled));
static_assert(offsetof(IPHelperDef::IP_ADAPTER_INFO, CurrentIpAddress) ==
              offsetof(::IP_ADAPTER_INFO, CurrentIpAddress));
static_assert(offsetof(IPHelperDef::IP_ADAPTER_INFO, GatewayList) ==
              offsetof(::IP_ADAPTER_INFO, GatewayList));
static_assert(offsetof(IPHelperDef::IP_ADAPTER_INFO, HaveWins) == offsetof(::IP_ADAPTER_INFO, HaveWins));
static_assert(offsetof(IPHelperDef::IP_ADAPTER_INFO, SecondaryWinsServer) ==
              offsetof(::IP_ADAPTER_INFO, SecondaryWinsServer));
static_assert(offsetof(IPHelperDef::IP_ADAPTER_INFO, LeaseExpires) ==
              offsetof(::IP_ADAPTER_INFO, LeaseExpires));
static_assert(AdapterSource::ErrorBufferOverflow == ERROR_BUFFER_OVERFLOW);

namespace {

class WindowsAdapterSource final : public AdapterSource {
public:
    std::uint32_t Query(void* buffer, std::uint32_t* size) override {
        ULONG length = *size;
        const DWORD result = GetAdaptersInfo(static_cast<PIP_ADAPTER_INFO>(buffer), &length);
        *size = length;
        return result;
    }
};

} // namespace

std::unique_ptr<AdapterSource> PlatformAdapterSource() {
    return std::make_unique<WindowsAdapterSource>();
}
