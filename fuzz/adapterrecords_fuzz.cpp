// The adapter records laid out as GetAdaptersInfo does and the snapshot built from them:
// any adapters (texts of any length, any number of addresses and gateways) give records
// whose every pointer stays in the buffer, and a snapshot that holds what went in.

#include "fuzzinput.h"
#include "net/IPInfo.h"
#include "net/adapterrecords.h"
#include "net/adaptersource.h"

namespace {

class Source : public AdapterSource {
public:
    explicit Source(const std::vector<AdapterFacts>& adapters) : m_adapters(adapters) {}
    std::uint32_t Query(void* buffer, std::uint32_t* size) override {
        return FillAdapterRecords(m_adapters, buffer, size);
    }

private:
    const std::vector<AdapterFacts>& m_adapters;
};

// Fields in turn: name, description, hardware address, then "A" address/mask pairs and
// "G" gateways; "/" begins the next adapter.
std::vector<AdapterFacts> adaptersOf(const std::vector<std::string>& f) {
    std::vector<AdapterFacts> adapters;
    for (std::size_t i = 0; i < f.size();) {
        AdapterFacts a;
        a.Index = static_cast<std::uint32_t>(adapters.size() + 1);
        a.Name = f[i++];
        a.Description = i < f.size() ? f[i++] : "";
        if (i < f.size()) {
            a.HardwareAddress.assign(f[i].begin(), f[i].end());
            ++i;
        }
        a.DhcpEnabled = a.Name.size() % 2;
        while (i < f.size() && f[i] != "/") {
            const auto& text = f[i++];
            const auto pair = AddressPair{text, i < f.size() ? f[i] : ""};
            (text.size() % 2 ? a.Gateways : a.Addresses).push_back(pair);
        }
        ++i;
        adapters.push_back(std::move(a));
    }
    return adapters;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto adapters = adaptersOf(fuzz::fields(data, size));
    if (adapters.size() > 64) {
        return 0;
    }
    Source source(adapters);
    const TIPInfo info(source);
    fuzz::check(info.AdapterCount() == static_cast<std::int32_t>(adapters.size()), "one adapter per record");
    for (std::int32_t i = 0; i < info.AdapterCount(); ++i) {
        const auto& adapter = info.Adapters(i);
        const auto& facts = adapters[static_cast<std::size_t>(i)];
        fuzz::check(adapter.IPAddressCount() ==
                        std::max<std::int32_t>(1, static_cast<std::int32_t>(facts.Addresses.size())),
                    "every address pair in the snapshot");
        fuzz::check(adapter.GatewayCount() ==
                        std::max<std::int32_t>(1, static_cast<std::int32_t>(facts.Gateways.size())),
                    "every gateway in the snapshot");
    }
    return 0;
}
