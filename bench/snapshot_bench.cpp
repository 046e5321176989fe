// How long a snapshot of the adapters takes: of this machine (the platform's source,
// on Linux three rtnetlink dumps plus ethtool and sysfs per link), and of records
// that are already laid out (the copying into TIPInfo alone).
#include "net/IPInfo.h"
#include "net/adapterrecords.h"
#include "net/adaptersource.h"

#include <benchmark/benchmark.h>
#include <string>
#include <vector>

namespace {

void BM_SnapshotOfThisMachine(benchmark::State& state) {
    for (auto _ : state) {
        const TIPInfo info;
        benchmark::DoNotOptimize(info.AdapterCount());
    }
}
BENCHMARK(BM_SnapshotOfThisMachine)->Unit(benchmark::kMicrosecond);

// Answers every query with the same prepared adapters.
class PreparedSource : public AdapterSource {
public:
    explicit PreparedSource(int adapters) {
        for (int i = 0; i < adapters; ++i) {
            AdapterFacts facts;
            facts.Name = "eth" + std::to_string(i);
            facts.Description = "e1000 Ethernet";
            facts.HardwareAddress = {0x52, 0x54, 0x00, 0x12, 0x34, static_cast<std::uint8_t>(i)};
            facts.Index = static_cast<std::uint32_t>(i + 2);
            facts.Type = 6;
            facts.Addresses = {{"10.0.0.1", "255.255.255.0"}, {"10.0.1.1", "255.255.255.0"}};
            facts.Gateways = {{"10.0.0.254", "255.255.255.255"}};
            m_adapters.push_back(facts);
        }
    }
    std::uint32_t Query(void* buffer, std::uint32_t* size) override {
        return FillAdapterRecords(m_adapters, buffer, size);
    }

private:
    std::vector<AdapterFacts> m_adapters;
};

void BM_SnapshotOfPreparedRecords(benchmark::State& state) {
    PreparedSource source(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const TIPInfo info(source);
        benchmark::DoNotOptimize(info.AdapterCount());
    }
}
// 6 adapters fit the first buffer; 16 need the second query.
BENCHMARK(BM_SnapshotOfPreparedRecords)->Arg(6)->Arg(16)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
