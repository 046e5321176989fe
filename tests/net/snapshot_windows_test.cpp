// The Windows adapter source (GetAdaptersInfo) of this machine; under Wine the
// answers come from the host's own adapters.
#include "net/IPInfo.h"
#include "net/adaptersource.h"
#include "net/oserror.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::set<std::string> SnapshotAddresses(const TIPInfo& info) {
    std::set<std::string> addresses;
    for (std::int32_t i = 0; i < info.AdapterCount(); ++i) {
        const TAdapter& adapter = info.Adapters(i);
        for (std::int32_t j = 0; j < adapter.IPAddressCount(); ++j)
            addresses.insert(adapter.IPAddresses(j).Address);
    }
    return addresses;
}

// The host's IPv4 addresses, as the test's runner found them (may be unset).
std::vector<std::string> HostAddresses() {
    std::vector<std::string> addresses;
    const char* listed = std::getenv("ORVANTIS_HOST_IPV4");
    std::istringstream words(listed != nullptr ? listed : "");
    for (std::string word; words >> word;)
        addresses.push_back(word);
    return addresses;
}

std::vector<std::string> AdapterNames(const TIPInfo& info) {
    std::vector<std::string> names;
    for (std::int32_t i = 0; i < info.AdapterCount(); ++i)
        names.push_back(info.Adapters(i).AdapterName);
    return names;
}

TEST(WindowsSnapshot, HoldsTheMachinesIPv4Addresses) {
    const TIPInfo info;
    ASSERT_GE(info.AdapterCount(), 1);
    const std::set<std::string> found = SnapshotAddresses(info);
    for (std::int32_t i = 0; i < info.AdapterCount(); ++i) {
        const TAdapter& adapter = info.Adapters(i);
        EXPECT_FALSE(adapter.AdapterName.empty());
        EXPECT_GE(adapter.IPAddressCount(), 1);
        EXPECT_GE(adapter.GatewayCount(), 1);
        std::cout << adapter.AdapterName << " | " << adapter.Description << " | " << adapter.MacAddress
                  << " | type " << adapter.AdapterType << " | " << adapter.IPAddresses(0).Text()
                  << " | gateway " << adapter.Gateways(0).Text() << " | dhcp " << adapter.DhcpEnabled << " "
                  << adapter.DhcpServer->Text() << " | current " << adapter.CurrentIpAddress->Text()
                  << " | wins " << adapter.HaveWins << " " << adapter.PrimaryWinsServer->Text() << '\n';
    }
    const bool anyAddress = std::any_of(found.begin(), found.end(), [](const std::string& address) {
        return !address.empty() && address != "0.0.0.0";
    });
    EXPECT_TRUE(anyAddress) << "no adapter has an IPv4 address";
    for (const std::string& address : HostAddresses()) {
        if (address.rfind("127.", 0) == 0)
            continue;
        EXPECT_EQ(found.count(address), 1u) << address << " of this machine is missing from the snapshot";
    }
}

// Hands the real query a buffer too small for its answer the first time.
class ShrinkingSource : public AdapterSource {
public:
    std::uint32_t Query(void* buffer, std::uint32_t* size) override {
        if (Results.empty())
            *size = 16;
        Sizes.push_back(*size);
        Results.push_back(m_real->Query(buffer, size));
        Named.push_back(*size);
        return Results.back();
    }

    std::vector<std::uint32_t> Sizes;   // given to each query
    std::vector<std::uint32_t> Results; // of each query
    std::vector<std::uint32_t> Named;   // written back by each query

private:
    std::unique_ptr<AdapterSource> m_real = PlatformAdapterSource();
};

TEST(WindowsSnapshot, TooSmallBufferIsRetriedWithTheSizeNamed) {
    ShrinkingSource source;
    const TIPInfo info(source);

    ASSERT_EQ(source.Results, (std::vector<std::uint32_t>{AdapterSource::ErrorBufferOverflow, 0}));
    EXPECT_GT(source.Named[0], 16u);
    EXPECT_EQ(source.Sizes[1], source.Named[0]);
    const TIPInfo direct;
    EXPECT_EQ(AdapterNames(info), AdapterNames(direct));
    EXPECT_EQ(SnapshotAddresses(info), SnapshotAddresses(direct));
}

TEST(WindowsSnapshot, OSErrorTextComesFromTheSystem) {
    const std::string text = SysErrorMessage(5); // ERROR_ACCESS_DENIED
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(TrimMessageText(text), text);
    EXPECT_EQ(std::string(EOSError(5).what()), "System Error.  Code: 5.\r\n" + text);
    std::cout << "code 5: " << text << "\ncode 111: " << SysErrorMessage(111) << '\n';
}

} // namespace
