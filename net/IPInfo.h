#pragma once

#include "net/IPHelperDef.h"

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

class AdapterSource;

// An index outside a list's bounds: "List index out of bounds (<index>)".
class EListError : public std::runtime_error {
public:
    explicit EListError(std::int32_t index);
};

// One address/mask pair of an adapter.
class TInfoIPAddress {
public:
    // An empty pair.
    TInfoIPAddress() = default;
    // The pair of one entry (its Next link is not followed); an empty pair for null.
    explicit TInfoIPAddress(const IPHelperDef::IP_ADDR_STRING* entry);

    // "<Address>/<Mask>"; empty when both texts are empty.
    std::string Text() const;

    std::string Address;
    std::string Mask;
};

using TInfoIPAddressList = std::vector<std::unique_ptr<TInfoIPAddress>>;

// One adapter, copied out of one platform record (the record is not retained).
class TAdapter {
public:
    explicit TAdapter(const IPHelperDef::IP_ADAPTER_INFO& info);

    TAdapter(const TAdapter&) = delete;
    TAdapter& operator=(const TAdapter&) = delete;

    std::int32_t IPAddressCount() const;
    const TInfoIPAddress& IPAddresses(std::int32_t index) const;
    std::int32_t GatewayCount() const;
    const TInfoIPAddress& Gateways(std::int32_t index) const;

    TInfoIPAddressList IpAddressList;
    TInfoIPAddressList GatewayList;
    std::string AdapterName;
    std::string Description;
    std::uint32_t AddressLength = 0;
    std::string MacAddress;
    std::uint32_t AdapterIndex = 0;
    std::uint32_t AdapterType = 0;
    bool DhcpEnabled = false;
    std::unique_ptr<TInfoIPAddress> CurrentIpAddress;
    std::unique_ptr<TInfoIPAddress> DhcpServer;
    bool HaveWins = false;
    std::unique_ptr<TInfoIPAddress> PrimaryWinsServer;
    std::unique_ptr<TInfoIPAddress> SecondaryWinsServer;
};

// A read-only picture of every adapter's IPv4 configuration, taken at construction.
class TIPInfo {
public:
    // The size of the first query's buffer.
    static constexpr std::uint32_t InitialBufferSize = 5120;

    // A snapshot of this machine's adapters.
    TIPInfo();
    // A snapshot of the records that source gives. Fails with EOSError when the source
    // fails; a source that asks for a larger buffer is asked once more with that size.
    explicit TIPInfo(AdapterSource& source);

    TIPInfo(const TIPInfo&) = delete;
    TIPInfo& operator=(const TIPInfo&) = delete;

    std::int32_t AdapterCount() const;
    const TAdapter& Adapters(std::int32_t index) const;

private:
    std::vector<std::unique_ptr<TAdapter>> AdapterList;
};

// The first Count bytes of Bytes (never more than Bytes holds) as upper-case hex
// pairs joined by ":"; empty for a Count of 0 or less.
std::string FormatMacAddress(std::span<const std::uint8_t> Bytes, std::int32_t Count);

// Empties List, then appends a pair for Head and every entry that follows it.
void FillAddressList(const IPHelperDef::IP_ADDR_STRING* Head, TInfoIPAddressList& List);
