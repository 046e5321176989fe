#include "net/IPInfo.h"

#include "net/adaptersource.h"
#include "net/oserror.h"

#include <algorithm>
#include <cstring>

using IPHelperDef::IP_ADAPTER_INFO;
using IPHelperDef::IP_ADDR_STRING;

namespace {

// A fixed-width character field: its bytes up to the first zero byte, or all of them.
template <std::size_t N> std::string FieldText(const char (&field)[N]) {
    const auto* end = std::find(field, field + N, '\0');
    return std::string(field, end);
}

template <typename T> const T& ItemAt(const std::vector<std::unique_ptr<T>>& list, std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= list.size())
        throw EListError(index);
    return *list[static_cast<std::size_t>(index)];
}

template <typename T> std::int32_t CountOf(const std::vector<std::unique_ptr<T>>& list) {
    return static_cast<std::int32_t>(list.size());
}

// The records live in a byte array, which new[] aligns for any fundamental type.
using RecordBuffer = std::unique_ptr<std::byte[]>;

RecordBuffer NewRecordBuffer(std::uint32_t size) {
    return std::make_unique<std::byte[]>(std::max<std::uint32_t>(size, 1));
}

} // namespace

EListError::EListError(std::int32_t index)
    : std::runtime_error("List index out of bounds (" + std::to_string(index) + ")") {}

TInfoIPAddress::TInfoIPAddress(const IP_ADDR_STRING* entry) {
    if (entry == nullptr)
        return;
    Address = FieldText(entry->IpAddress.String);
    Mask = FieldText(entry->IpMask.String);
}

std::string TInfoIPAddress::Text() const {
    if (Address.empty() && Mask.empty())
        return {};
    return Address + "/" + Mask;
}

std::string FormatMacAddress(std::span<const std::uint8_t> Bytes, std::int32_t Count) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    const std::size_t used =
        Count <= 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(Count), Bytes.size());
    std::string text;
    for (std::size_t i = 0; i < used; ++i) {
        if (i > 0)
            text += ':';
        text += Digits[Bytes[i] >> 4];
        text += Digits[Bytes[i] & 0x0F];
    }
    return text;
}

void FillAddressList(const IP_ADDR_STRING* Head, TInfoIPAddressList& List) {
    List.clear();
    for (const IP_ADDR_STRING* entry = Head; entry != nullptr; entry = entry->Next)
        List.push_back(std::make_unique<TInfoIPAddress>(entry));
}

TAdapter::TAdapter(const IP_ADAPTER_INFO& info)
    : AdapterName(FieldText(info.AdapterName)), Description(FieldText(info.Description)),
      AddressLength(info.AddressLength),
      // Count never reaches past the record's 8 address bytes, whatever AddressLength says.
      MacAddress(FormatMacAddress(info.Address, static_cast<std::int32_t>(std::min<std::uint32_t>(
                                                    info.AddressLength, sizeof info.Address)))),
      AdapterIndex(info.Index), AdapterType(info.Type), DhcpEnabled(info.DhcpEnabled != 0),
      CurrentIpAddress(std::make_unique<TInfoIPAddress>(info.CurrentIpAddress)) {
    FillAddressList(&info.IpAddressList, IpAddressList);
    FillAddressList(&info.GatewayList, GatewayList);
    DhcpServer = std::make_unique<TInfoIPAddress>(&info.DhcpServer);
    HaveWins = info.HaveWins != 0;
    PrimaryWinsServer = std::make_unique<TInfoIPAddress>(&info.PrimaryWinsServer);
    SecondaryWinsServer = std::make_unique<TInfoIPAddress>(&info.SecondaryWinsServer);
}

std::int32_t TAdapter::IPAddressCount() const {
    return CountOf(IpAddressList);
}

const TInfoIPAddress& TAdapter::IPAddresses(std::int32_t index) const {
    return ItemAt(IpAddressList, index);
}

std::int32_t TAdapter::GatewayCount() const {
    return CountOf(GatewayList);
}

const TInfoIPAddress& TAdapter::Gateways(std::int32_t index) const {
    return ItemAt(GatewayList, index);
}

TIPInfo::TIPInfo() : TIPInfo(*PlatformAdapterSource()) {}

TIPInfo::TIPInfo(AdapterSource& source) {
    std::uint32_t size = InitialBufferSize;
    RecordBuffer buffer = NewRecordBuffer(size);
    std::uint32_t result = source.Query(buffer.get(), &size);
    if (result == AdapterSource::ErrorBufferOverflow) {
        // More adapters than the first buffer holds: ask once more, with the size named.
        buffer = NewRecordBuffer(size);
        result = source.Query(buffer.get(), &size);
    }
    if (result != AdapterSource::ErrorSuccess)
        throw EOSError(result, source.ErrorText(result));
    if (size == 0)
        return; // a source other than the Windows query may have no adapters
    for (auto* info = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.get()); info != nullptr;
         info = info->Next)
        AdapterList.push_back(std::make_unique<TAdapter>(*info));
}

std::int32_t TIPInfo::AdapterCount() const {
    return CountOf(AdapterList);
}

const TAdapter& TIPInfo::Adapters(std::int32_t index) const {
    return ItemAt(AdapterList, index);
}
