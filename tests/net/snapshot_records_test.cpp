// Laying adapter facts out as the Windows query lays out its records.
#include "net/IPHelperDef.h"
#include "net/adapterrecords.h"
#include "net/adaptersource.h"

#include <cstring>
#include <gtest/gtest.h>
#include <memory>

using IPHelperDef::IP_ADAPTER_INFO;
using IPHelperDef::IP_ADDR_STRING;

namespace {

class RecordLayout : public testing::Test {
protected:
    RecordLayout() {
        AdapterFacts first;
        first.Name = "eth0";
        first.Description = "e1000 Ethernet";
        first.HardwareAddress = {0x52, 0x54, 0x00, 0x12, 0x34, 0x56};
        first.Index = 2;
        first.Type = 6;
        first.DhcpEnabled = true;
        first.Addresses = {{"10.0.0.1", "255.0.0.0"}, {"10.0.0.2", "255.0.0.0"}, {"10.0.0.3", "255.0.0.0"}};
        first.Gateways = {{"10.0.0.254", "255.255.255.255"}, {"10.0.0.253", "255.255.255.255"}};
        AdapterFacts second;
        second.Name = "wg0";
        second.Type = 131;
        adapters = {first, second};
    }

    // Fills a buffer of size bytes; answers the code and leaves the size in used.
    std::uint32_t Fill(std::uint32_t size) {
        buffer = std::make_unique<std::byte[]>(size);
        used = size;
        return FillAdapterRecords(adapters, buffer.get(), &used);
    }

    bool InsideBuffer(const void* pointer) const {
        const auto* byte = static_cast<const std::byte*>(pointer);
        return byte >= buffer.get() && byte < buffer.get() + used;
    }

    const IP_ADAPTER_INFO& Record() const { return *reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.get()); }

    std::vector<AdapterFacts> adapters;
    std::unique_ptr<std::byte[]> buffer;
    std::uint32_t used = 0;
};

TEST_F(RecordLayout, NeedsOneRecordPerAdapterAndOneEntryPerFurtherChainItem) {
    EXPECT_EQ(AdapterRecordsSize(adapters), 2 * sizeof(IP_ADAPTER_INFO) + 3 * sizeof(IP_ADDR_STRING));
    EXPECT_EQ(AdapterRecordsSize({}), 0u);
}

TEST_F(RecordLayout, TooSmallBufferNamesTheSizeNeeded) {
    const std::uint32_t needed = AdapterRecordsSize(adapters);
    EXPECT_EQ(Fill(needed - 1), AdapterSource::ErrorBufferOverflow);
    EXPECT_EQ(used, needed);
    EXPECT_EQ(Fill(needed), AdapterSource::ErrorSuccess);
    EXPECT_EQ(used, needed);
}

TEST_F(RecordLayout, ChainsLiveInsideTheBuffer) {
    ASSERT_EQ(Fill(5120), AdapterSource::ErrorSuccess);
    const IP_ADAPTER_INFO& first = Record();
    ASSERT_TRUE(InsideBuffer(first.Next));
    EXPECT_EQ(first.Next->Next, nullptr);
    EXPECT_EQ(first.CurrentIpAddress, nullptr);

    std::vector<std::string> addresses;
    for (const IP_ADDR_STRING* entry = &first.IpAddressList; entry != nullptr; entry = entry->Next) {
        EXPECT_TRUE(InsideBuffer(entry));
        addresses.push_back(entry->IpAddress.String);
    }
    EXPECT_EQ(addresses, (std::vector<std::string>{"10.0.0.1", "10.0.0.2", "10.0.0.3"}));
    ASSERT_TRUE(InsideBuffer(first.GatewayList.Next));
    EXPECT_STREQ(first.GatewayList.Next->IpAddress.String, "10.0.0.253");
    EXPECT_STREQ(first.GatewayList.Next->IpMask.String, "255.255.255.255");
    EXPECT_EQ(first.GatewayList.Next->Next, nullptr);
}

TEST_F(RecordLayout, FieldsOfTheRecords) {
    ASSERT_EQ(Fill(5120), AdapterSource::ErrorSuccess);
    const IP_ADAPTER_INFO& first = Record();
    EXPECT_STREQ(first.AdapterName, "eth0");
    EXPECT_STREQ(first.Description, "e1000 Ethernet");
    EXPECT_EQ(first.AddressLength, 6u);
    EXPECT_EQ(first.Address[5], 0x56);
    EXPECT_EQ(first.Index, 2u);
    EXPECT_EQ(first.Type, 6u);
    EXPECT_EQ(first.DhcpEnabled, 1u);
    EXPECT_EQ(first.HaveWins, 0);
    EXPECT_STREQ(first.PrimaryWinsServer.IpAddress.String, "");

    const IP_ADAPTER_INFO& second = *first.Next;
    EXPECT_STREQ(second.AdapterName, "wg0");
    EXPECT_EQ(second.AddressLength, 0u);
    EXPECT_EQ(second.Type, 131u);
    EXPECT_EQ(second.DhcpEnabled, 0u);
    EXPECT_STREQ(second.IpAddressList.IpAddress.String, "");
    EXPECT_EQ(second.IpAddressList.Next, nullptr);
    EXPECT_STREQ(second.GatewayList.IpAddress.String, "");
}

TEST_F(RecordLayout, OverlongTextsAreCutAndKeepTheirZeroByte) {
    adapters[0].Name = std::string(300, 'n');
    adapters[0].Description = std::string(200, 'd');
    adapters[0].Addresses = {{"1234567890123456789", "12345678901234567"}};
    adapters[0].HardwareAddress = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ASSERT_EQ(Fill(5120), AdapterSource::ErrorSuccess);
    const IP_ADAPTER_INFO& first = Record();
    EXPECT_EQ(std::string(first.AdapterName), std::string(259, 'n'));
    EXPECT_EQ(std::string(first.Description), std::string(131, 'd'));
    EXPECT_EQ(std::string(first.IpAddressList.IpAddress.String), "123456789012345");
    EXPECT_EQ(std::string(first.IpAddressList.IpMask.String), "123456789012345");
    EXPECT_EQ(first.AddressLength, 8u);
    EXPECT_EQ(first.Address[7], 8);
}

TEST(RecordLayoutEmpty, NoAdaptersUsesNoBytes) {
    std::uint32_t size = 5120;
    auto buffer = std::make_unique<std::byte[]>(size);
    EXPECT_EQ(FillAdapterRecords({}, buffer.get(), &size), AdapterSource::ErrorSuccess);
    EXPECT_EQ(size, 0u);
}

} // namespace
