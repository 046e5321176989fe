#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// One address/mask pair as plain texts (each at most 15 characters are kept).
struct AddressPair {
    std::string Address;
    std::string Mask;

    bool operator==(const AddressPair&) const = default;
};

// What a source knows about one adapter, before it is laid out as a platform record.
struct AdapterFacts {
    std::string Name;
    std::string Description;
    std::vector<std::uint8_t> HardwareAddress; // the first 8 bytes are kept
    std::uint32_t Index = 0;
    std::uint32_t Type = 0; // Windows numbering: 6 Ethernet, 71 wireless, 131 tunnel, 1 other
    bool DhcpEnabled = false;
    std::vector<AddressPair> Addresses; // none: an empty head entry
    std::vector<AddressPair> Gateways;  // none: an empty head entry
    AddressPair DhcpServer;

    bool operator==(const AdapterFacts&) const = default;
};

// The bytes that FillAdapterRecords needs for adapters (0 for none).
std::uint32_t AdapterRecordsSize(std::span<const AdapterFacts> adapters);

// Lays adapters out as GetAdaptersInfo does: a chain of IP_ADAPTER_INFO records at the
// start of buffer, the further entries of the address and gateway chains behind them,
// every pointer into buffer. No WINS, no current address. Texts longer than their
// field are cut so that the field keeps its zero byte. Returns 0, or
// AdapterSource::ErrorBufferOverflow with the size needed in *size. On success *size
// is the number of bytes used (0 when there are no adapters).
std::uint32_t FillAdapterRecords(std::span<const AdapterFacts> adapters, void* buffer, std::uint32_t* size);
