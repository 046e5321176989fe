// How long a snapshot of the adapters takes: of this machine (the platform's source,
// on Linux three rtnetlink dumps, one nl80211 query and ethtool per link), of records
// that are already laid out (the copying into TIPInfo alone), and, in a network
// namespace with 40 interfaces that the benchmark makes (root only), against
// `ip -j -4 addr` as a whole process in interleaved pairs.
#include "bench/pairs.h"
#include "net/IPInfo.h"
#include "net/adapterrecords.h"
#include "net/adaptersource.h"

#include <benchmark/benchmark.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

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

// Runs a program to its end, its output to /dev/null; answers its exit status.
int RunQuietly(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int failed = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        return -1;
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// The benchmark's thread in a network and mount namespace of its own (a fresh sysfs
// on /sys, so that the links' entries are those of the namespace) with 20 veth pairs
// (40 interfaces), each end with an address, and a default route; back in the
// machine's namespaces at the end. Nothing of the machine's configuration is touched.
class FortyInterfaces {
public:
    FortyInterfaces() {
        if (geteuid() != 0)
            throw std::runtime_error("skipped: needs root to make a network namespace with 40 interfaces");
        m_net = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        m_mnt = open("/proc/thread-self/ns/mnt", O_RDONLY | O_CLOEXEC);
        if (m_net < 0 || m_mnt < 0 || unshare(CLONE_NEWNET | CLONE_NEWNS) != 0)
            throw std::runtime_error(std::string("skipped: cannot make the namespaces: ") +
                                     std::strerror(errno));
        m_inside = true;
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("sysfs", "/sys", "sysfs", 0, nullptr) != 0)
            throw std::runtime_error(std::string("cannot mount sysfs: ") + std::strerror(errno));
        char script[] = "/tmp/orvantis-bench-ip-XXXXXX";
        const int fd = mkstemp(script);
        if (fd < 0)
            throw std::runtime_error("cannot write the ip batch");
        std::string batch = "link set lo up\n";
        for (int pair = 0; pair < 20; ++pair) {
            const std::string a = "bench" + std::to_string(pair) + "a";
            const std::string b = "bench" + std::to_string(pair) + "b";
            batch += "link add " + a + " type veth peer name " + b + "\n";
            batch += "link set " + a + " up\nlink set " + b + " up\n";
            batch += "addr add 10.77." + std::to_string(pair) + ".1/24 dev " + a + "\n";
            batch += "addr add 10.77." + std::to_string(pair) + ".2/24 dev " + b + "\n";
        }
        batch += "route add default via 10.77.0.2 dev bench0a\n";
        const bool written = write(fd, batch.data(), batch.size()) == static_cast<ssize_t>(batch.size());
        close(fd);
        const int status = written ? RunQuietly({Ip, "-batch", script}) : -1;
        unlink(script);
        if (status != 0)
            throw std::runtime_error("ip -batch could not make the interfaces");
    }
    ~FortyInterfaces() {
        if (m_inside) {
            setns(m_mnt, CLONE_NEWNS);
            setns(m_net, CLONE_NEWNET);
        }
        if (m_net >= 0)
            close(m_net);
        if (m_mnt >= 0)
            close(m_mnt);
    }
    FortyInterfaces(const FortyInterfaces&) = delete;
    FortyInterfaces& operator=(const FortyInterfaces&) = delete;

    static constexpr const char* Ip = "/usr/sbin/ip";

private:
    int m_net = -1;
    int m_mnt = -1;
    bool m_inside = false;
};

double SecondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_SnapshotVsIpIn40InterfaceNamespace(benchmark::State& state) {
    try {
        const FortyInterfaces namespaces;
        {
            const TIPInfo check;
            if (check.AdapterCount() != 40)
                throw std::runtime_error("the snapshot has " + std::to_string(check.AdapterCount()) +
                                         " adapters, not 40");
        }
        const PairedMedians medians = MeasurePairs(
            state,
            [] {
                return SecondsOf([] {
                    const TIPInfo info;
                    benchmark::DoNotOptimize(info.AdapterCount());
                });
            },
            [] { return SecondsOf([] {
                     RunQuietly({FortyInterfaces::Ip, "-j", "-4", "addr"});
                 }); });
        ReportRatio(state, "snapshot, 40 interfaces", "ip -j -4 addr (whole process)", medians, 0.5);
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}
BENCHMARK(BM_SnapshotVsIpIn40InterfaceNamespace)->Iterations(15)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
