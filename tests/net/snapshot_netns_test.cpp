// The Linux adapter source against the real kernel, inside a network namespace that
// each test makes and leaves again: the machine's own configuration is never touched.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

// clang-format off
#include <net/if.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
// clang-format on

#include "net/IPInfo.h"
#include "net/adaptersource.h"

namespace {

// Output and exit status of a command run by the shell.
struct CommandResult {
    int status = -1;
    std::string output;
};

CommandResult RunCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return result;
    char chunk[512];
    while (std::fgets(chunk, sizeof chunk, pipe) != nullptr)
        result.output += chunk;
    result.status = ::pclose(pipe);
    return result;
}

ino_t NamespaceInode(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 ? info.st_ino : 0;
}

// Puts the test's thread into a new, empty network namespace and back into the
// original one at the end; the new namespace goes away with its last user.
class NetnsSnapshot : public testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP()
                << "needs root: the test makes a network namespace of its own (run as root to include it)";
        if (RunCommand("ip -V").status != 0)
            GTEST_SKIP() << "the ip tool (iproute2) is missing";
        m_original = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        ASSERT_GE(m_original, 0) << std::strerror(errno);
        if (::unshare(CLONE_NEWNET) != 0)
            GTEST_SKIP() << "cannot make a network namespace here: " << std::strerror(errno);
        const int current = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        ASSERT_GE(current, 0);
        const bool separate = NamespaceInode(current) != NamespaceInode(m_original);
        ::close(current);
        // Never run a single configuration command in the machine's own namespace.
        ASSERT_TRUE(separate) << "still in the original network namespace";
        m_inNamespace = true;
    }

    void TearDown() override {
        if (m_original < 0)
            return;
        if (m_inNamespace) {
            EXPECT_EQ(::setns(m_original, CLONE_NEWNET), 0) << std::strerror(errno);
        }
        ::close(m_original);
    }

    // One ip command inside the test's namespace.
    void Ip(const std::string& arguments) {
        ASSERT_TRUE(m_inNamespace);
        const CommandResult result = RunCommand("ip " + arguments);
        ASSERT_EQ(result.status, 0) << "ip " << arguments << ": " << result.output;
    }

    // A veth pair, both ends up, with fixed hardware addresses.
    void VethPair(const std::string& name, const std::string& mac, const std::string& peer,
                  const std::string& peerMac) {
        Ip("link add " + name + " address " + mac + " type veth peer name " + peer + " address " + peerMac);
        Ip("link set " + name + " up");
        Ip("link set " + peer + " up");
    }

    static std::vector<std::string> Texts(const TAdapter& adapter, bool gateways) {
        std::vector<std::string> texts;
        const std::int32_t count = gateways ? adapter.GatewayCount() : adapter.IPAddressCount();
        for (std::int32_t i = 0; i < count; ++i)
            texts.push_back((gateways ? adapter.Gateways(i) : adapter.IPAddresses(i)).Text());
        return texts;
    }

    static const TAdapter* Find(const TIPInfo& info, const std::string& name) {
        for (std::int32_t i = 0; i < info.AdapterCount(); ++i) {
            if (info.Adapters(i).AdapterName == name)
                return &info.Adapters(i);
        }
        return nullptr;
    }

private:
    int m_original = -1;
    bool m_inNamespace = false;
};

// Counts the queries that the snapshot makes of the real source.
class CountingSource : public AdapterSource {
public:
    std::uint32_t Query(void* buffer, std::uint32_t* size) override {
        Sizes.push_back(*size);
        return m_real->Query(buffer, size);
    }
    std::string ErrorText(std::uint32_t code) const override { return m_real->ErrorText(code); }

    std::vector<std::uint32_t> Sizes;

private:
    std::unique_ptr<AdapterSource> m_real = PlatformAdapterSource();
};

TEST_F(NetnsSnapshot, ShowsExactlyTheInterfacesMade) {
    VethPair("orvA", "02:00:5e:00:00:0a", "orvB", "02:00:5e:00:00:0b");
    Ip("addr add 192.0.2.10/24 dev orvA");
    Ip("addr add 192.0.2.11/24 dev orvA");
    Ip("route add default via 192.0.2.1 dev orvA");
    // Handed out with a lifetime, as a DHCP client does: the kernel marks it dynamic.
    Ip("addr add 203.0.113.5/28 dev orvB valid_lft 300 preferred_lft 300");
    Ip("link add orvC address 02:00:5e:00:00:0c type veth peer name orvD address 02:00:5e:00:00:0d");
    Ip("link set orvD up");
    Ip("addr add 198.51.100.7/25 dev orvD");
    Ip("route add default via 198.51.100.1 dev orvD metric 200");
    if (HasFatalFailure())
        return;
    ASSERT_NE(RunCommand("ip -4 addr show dev orvB").output.find("dynamic"), std::string::npos);
    ASSERT_EQ(RunCommand("ip -4 addr show dev orvA").output.find("dynamic"), std::string::npos);

    const TIPInfo info;

    ASSERT_EQ(info.AdapterCount(), 4) << "loopback is left out, the four veth ends are in";
    std::uint32_t previousIndex = 0;
    for (std::int32_t i = 0; i < info.AdapterCount(); ++i) {
        const TAdapter& adapter = info.Adapters(i);
        EXPECT_EQ(adapter.AdapterIndex, ::if_nametoindex(adapter.AdapterName.c_str())) << adapter.AdapterName;
        EXPECT_GT(adapter.AdapterIndex, previousIndex) << "adapters in the kernel's link order";
        previousIndex = adapter.AdapterIndex;
        EXPECT_EQ(adapter.Description, "veth virtual Ethernet");
        EXPECT_EQ(adapter.AdapterType, 6u);
        EXPECT_EQ(adapter.AddressLength, 6u);
        EXPECT_EQ(adapter.CurrentIpAddress->Text(), "");
        EXPECT_EQ(adapter.DhcpServer->Text(), "");
        EXPECT_FALSE(adapter.HaveWins);
        EXPECT_EQ(adapter.PrimaryWinsServer->Text(), "");
        EXPECT_EQ(adapter.SecondaryWinsServer->Text(), "");
    }

    const TAdapter* a = Find(info, "orvA");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->MacAddress, "02:00:5E:00:00:0A");
    EXPECT_EQ(Texts(*a, false),
              (std::vector<std::string>{"192.0.2.10/255.255.255.0", "192.0.2.11/255.255.255.0"}));
    EXPECT_EQ(Texts(*a, true), std::vector<std::string>{"192.0.2.1/255.255.255.255"});
    EXPECT_FALSE(a->DhcpEnabled);

    const TAdapter* b = Find(info, "orvB");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->MacAddress, "02:00:5E:00:00:0B");
    EXPECT_EQ(Texts(*b, false), std::vector<std::string>{"203.0.113.5/255.255.255.240"});
    EXPECT_EQ(Texts(*b, true), std::vector<std::string>{"0.0.0.0/255.255.255.255"});
    EXPECT_TRUE(b->DhcpEnabled);

    const TAdapter* c = Find(info, "orvC");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->MacAddress, "02:00:5E:00:00:0C");
    EXPECT_EQ(Texts(*c, false), std::vector<std::string>{"0.0.0.0/0.0.0.0"});
    EXPECT_EQ(Texts(*c, true), std::vector<std::string>{"0.0.0.0/255.255.255.255"});
    EXPECT_FALSE(c->DhcpEnabled);

    const TAdapter* d = Find(info, "orvD");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(Texts(*d, false), std::vector<std::string>{"198.51.100.7/255.255.255.128"});
    EXPECT_EQ(Texts(*d, true), std::vector<std::string>{"198.51.100.1/255.255.255.255"});
    EXPECT_FALSE(d->DhcpEnabled);
}

// Whether a link is wireless comes from netlink (nl80211), not from its sysfs entry:
// a uevent file that calls a veth wireless, laid over sysfs in a mount namespace of
// the test's own, changes nothing.
TEST_F(NetnsSnapshot, TheWirelessNatureComesFromNetlinkNotFromSysfs) {
    VethPair("orvW", "02:00:5e:00:00:1a", "orvX", "02:00:5e:00:00:1b");
    const std::string index = std::to_string(::if_nametoindex("orvW"));
    const int mounts = ::open("/proc/thread-self/ns/mnt", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(mounts, 0);
    if (::unshare(CLONE_NEWNS) != 0) {
        ::close(mounts);
        GTEST_SKIP() << "cannot make a mount namespace here: " << std::strerror(errno);
    }
    bool laid =
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
        ::mount("tmpfs", "/sys", "tmpfs", 0, nullptr) == 0 &&
        RunCommand("mkdir -p /sys/class/net/orvW && printf 'DEVTYPE=wlan\nINTERFACE=orvW\nIFINDEX=" + index +
                   "\n' > /sys/class/net/orvW/uevent")
                .status == 0;
    std::unique_ptr<TIPInfo> info;
    if (laid)
        info = std::make_unique<TIPInfo>();
    EXPECT_EQ(::setns(mounts, CLONE_NEWNS), 0) << std::strerror(errno);
    ::close(mounts);
    ASSERT_TRUE(laid) << "the wireless-looking uevent file could not be laid over sysfs";
    const TAdapter* veth = Find(*info, "orvW");
    ASSERT_NE(veth, nullptr);
    EXPECT_EQ(veth->AdapterType, 6u) << "an Ethernet link, as nl80211 knows no such wireless interface";
    EXPECT_EQ(veth->Description, "veth virtual Ethernet");
}

TEST_F(NetnsSnapshot, OnlyLoopbackGivesAnEmptySnapshot) {
    Ip("link set lo up");
    if (HasFatalFailure())
        return;
    CountingSource source;
    const TIPInfo info(source);
    EXPECT_EQ(info.AdapterCount(), 0);
    EXPECT_EQ(source.Sizes, std::vector<std::uint32_t>{5120});
}

TEST_F(NetnsSnapshot, MoreAdaptersThanTheFirstBufferHoldsAreAllTaken) {
    constexpr int Pairs = 5; // ten records of 704 bytes: more than 5120
    for (int i = 0; i < Pairs && !HasFatalFailure(); ++i)
        Ip("link add orvL" + std::to_string(i) + " type veth peer name orvR" + std::to_string(i));
    if (HasFatalFailure())
        return;

    CountingSource source;
    const TIPInfo info(source);

    ASSERT_EQ(info.AdapterCount(), 2 * Pairs);
    ASSERT_EQ(source.Sizes.size(), 2u);
    EXPECT_EQ(source.Sizes[0], 5120u);
    EXPECT_EQ(source.Sizes[1], 2 * Pairs * sizeof(IPHelperDef::IP_ADAPTER_INFO));
    for (int i = 0; i < Pairs; ++i) {
        EXPECT_NE(Find(info, "orvL" + std::to_string(i)), nullptr);
        EXPECT_NE(Find(info, "orvR" + std::to_string(i)), nullptr);
    }
}

} // namespace
