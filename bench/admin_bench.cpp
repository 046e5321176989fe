// How long the administrator check takes (it must answer within 50 ms). Without
// NetworkManager it reads /proc and the namespaces; with it (run it inside
// tests/tools/nm-sandbox.sh to see) it asks NetworkManager over the system bus.
#include "net/admin.h"
#include "net/networkmanager.h"

#include <benchmark/benchmark.h>

namespace {

void BM_IsAdmin(benchmark::State& state) {
    state.SetLabel(NetworkManagerRuns() ? "NetworkManager decides" : "capabilities decide");
    for (auto _ : state)
        benchmark::DoNotOptimize(IsAdmin());
}
BENCHMARK(BM_IsAdmin)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_NetworkManagerRuns(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(NetworkManagerRuns());
}
BENCHMARK(BM_NetworkManagerRuns)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
