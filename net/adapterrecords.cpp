#include "net/adapterrecords.h"

#include "net/IPHelperDef.h"
#include "net/adaptersource.h"

#include <algorithm>
#include <cstring>

using IPHelperDef::IP_ADAPTER_INFO;
using IPHelperDef::IP_ADDR_STRING;

namespace {

std::size_t ExtraEntries(const std::vector<AddressPair>& chain) {
    return chain.empty() ? 0 : chain.size() - 1;
}

// Copies text into a character field, cut so that a zero byte always follows it.
template <std::size_t N> void PutText(char (&field)[N], const std::string& text) {
    const std::size_t length = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

void PutPair(IP_ADDR_STRING& entry, const AddressPair& pair) {
    PutText(entry.IpAddress.String, pair.Address);
    PutText(entry.IpMask.String, pair.Mask);
}

// Fills the head entry embedded in a record and links the rest of the chain from
// spare, which advances past the entries used.
void PutChain(IP_ADDR_STRING& head, const std::vector<AddressPair>& chain, IP_ADDR_STRING*& spare) {
    if (chain.empty())
        return;
    PutPair(head, chain.front());
    IP_ADDR_STRING* last = &head;
    for (auto pair = chain.begin() + 1; pair != chain.end(); ++pair) {
        IP_ADDR_STRING* entry = spare++;
        PutPair(*entry, *pair);
        last->Next = entry;
        last = entry;
    }
}

void PutAdapter(IP_ADAPTER_INFO& record, const AdapterFacts& facts, IP_ADDR_STRING*& spare) {
    PutText(record.AdapterName, facts.Name);
    PutText(record.Description, facts.Description);
    const std::size_t length = std::min(facts.HardwareAddress.size(), sizeof record.Address);
    std::copy_n(facts.HardwareAddress.begin(), length, record.Address);
    record.AddressLength = static_cast<std::uint32_t>(length);
    record.Index = facts.Index;
    record.Type = facts.Type;
    record.DhcpEnabled = facts.DhcpEnabled ? 1 : 0;
    record.CurrentIpAddress = nullptr;
    PutChain(record.IpAddressList, facts.Addresses, spare);
    PutChain(record.GatewayList, facts.Gateways, spare);
    PutPair(record.DhcpServer, facts.DhcpServer);
    record.HaveWins = 0;
}

} // namespace

std::uint32_t AdapterRecordsSize(std::span<const AdapterFacts> adapters) {
    std::size_t entries = 0;
    for (const AdapterFacts& adapter : adapters)
        entries += ExtraEntries(adapter.Addresses) + ExtraEntries(adapter.Gateways);
    return static_cast<std::uint32_t>(adapters.size() * sizeof(IP_ADAPTER_INFO) +
                                      entries * sizeof(IP_ADDR_STRING));
}

std::uint32_t FillAdapterRecords(std::span<const AdapterFacts> adapters, void* buffer, std::uint32_t* size) {
    const std::uint32_t needed = AdapterRecordsSize(adapters);
    if (needed > *size) {
        *size = needed;
        return AdapterSource::ErrorBufferOverflow;
    }
    *size = needed;
    if (adapters.empty())
        return AdapterSource::ErrorSuccess;

    std::memset(buffer, 0, needed);
    auto* records = static_cast<IP_ADAPTER_INFO*>(buffer);
    auto* spare = reinterpret_cast<IP_ADDR_STRING*>(records + adapters.size());
    for (std::size_t i = 0; i < adapters.size(); ++i) {
        PutAdapter(records[i], adapters[i], spare);
        records[i].Next = i + 1 < adapters.size() ? &records[i + 1] : nullptr;
    }
    return AdapterSource::ErrorSuccess;
}
