// The adapter snapshot built from synthetic platform records and from fake sources.
#include "net/IPInfo.h"
#include "net/oserror.h"
#include "tests/net/snapshot_fakesource.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using IPHelperDef::IP_ADAPTER_INFO;
using IPHelperDef::IP_ADDR_STRING;

namespace {

// A text put into a zeroed 16-byte field (all 16 bytes used when it is that long).
void Put(char (&field)[16], const char* text) {
    std::memcpy(field, text, std::min<std::size_t>(std::strlen(text), sizeof field));
}

IP_ADDR_STRING Entry(const char* address, const char* mask, IP_ADDR_STRING* next = nullptr) {
    IP_ADDR_STRING entry{};
    Put(entry.IpAddress.String, address);
    Put(entry.IpMask.String, mask);
    entry.Next = next;
    return entry;
}

AdapterFacts Facts(const std::string& name, std::vector<AddressPair> addresses,
                   std::vector<AddressPair> gateways) {
    AdapterFacts facts;
    facts.Name = name;
    facts.Description = name + " adapter";
    facts.HardwareAddress = {0x00, 0x0C, 0x29, 0xAB, 0xCD, 0xEF};
    facts.Index = 7;
    facts.Type = 6;
    facts.Addresses = std::move(addresses);
    facts.Gateways = std::move(gateways);
    return facts;
}

// ---- TInfoIPAddress -------------------------------------------------------------

struct PairCase {
    const char* address;
    const char* mask;
    const char* text;
};

class PairText : public testing::TestWithParam<PairCase> {};

TEST_P(PairText, JoinsAddressAndMaskWithASlashUnlessBothAreEmpty) {
    const IP_ADDR_STRING entry = Entry(GetParam().address, GetParam().mask);
    const TInfoIPAddress pair(&entry);
    EXPECT_EQ(pair.Address, GetParam().address);
    EXPECT_EQ(pair.Mask, GetParam().mask);
    EXPECT_EQ(pair.Text(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Pairs, PairText,
                         testing::Values(PairCase{"10.0.0.1", "255.0.0.0", "10.0.0.1/255.0.0.0"},
                                         PairCase{"", "", ""}, PairCase{"10.0.0.1", "", "10.0.0.1/"},
                                         PairCase{"", "255.0.0.0", "/255.0.0.0"}));

TEST(InfoIPAddress, FromNoEntryIsEmpty) {
    const TInfoIPAddress pair(nullptr);
    EXPECT_EQ(pair.Address, "");
    EXPECT_EQ(pair.Mask, "");
    EXPECT_EQ(pair.Text(), "");
}

TEST(InfoIPAddress, FieldWithoutZeroByteGivesAllSixteenCharacters) {
    IP_ADDR_STRING entry{};
    std::memcpy(entry.IpAddress.String, "1234567890ABCDEF", 16);
    std::memcpy(entry.IpMask.String, "255.255.255.0\0XY", 16);
    entry.Context = 0x41414141; // bytes right behind the mask field: never read as text
    const TInfoIPAddress pair(&entry);
    EXPECT_EQ(pair.Address, "1234567890ABCDEF");
    EXPECT_EQ(pair.Mask, "255.255.255.0");
}

// ---- FormatMacAddress -----------------------------------------------------------

struct MacCase {
    std::vector<std::uint8_t> bytes;
    std::int32_t count;
    std::string text;
};

class MacText : public testing::TestWithParam<MacCase> {};

TEST_P(MacText, TwoUpperCaseDigitsPerByteJoinedByColons) {
    EXPECT_EQ(FormatMacAddress(GetParam().bytes, GetParam().count), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Macs, MacText,
    testing::Values(MacCase{{0x00, 0x0C, 0x29, 0xAB, 0xCD, 0xEF}, 6, "00:0C:29:AB:CD:EF"},
                    MacCase{{0x00, 0x0C, 0x29, 0xAB, 0xCD, 0xEF}, 0, ""},
                    MacCase{{0x00, 0x0C, 0x29, 0xAB, 0xCD, 0xEF}, -1, ""},
                    MacCase{{0x00, 0x0C, 0x29, 0xAB, 0xCD, 0xEF}, 2, "00:0C"}, MacCase{{0x0A}, 1, "0A"},
                    MacCase{{1, 2, 3, 4, 5, 6, 0xFE, 0xFF}, 8, "01:02:03:04:05:06:FE:FF"},
                    // A count beyond the bytes given stops at the last byte.
                    MacCase{{0xAA, 0xBB}, 6, "AA:BB"}));

// ---- FillAddressList ------------------------------------------------------------

TEST(FillAddressList, EmptiesTheListThenFollowsTheChain) {
    IP_ADDR_STRING second = Entry("10.0.0.2", "255.0.0.0");
    const IP_ADDR_STRING head = Entry("10.0.0.1", "255.0.0.0", &second);
    TInfoIPAddressList list;
    list.push_back(std::make_unique<TInfoIPAddress>());
    FillAddressList(&head, list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->Text(), "10.0.0.1/255.0.0.0");
    EXPECT_EQ(list[1]->Text(), "10.0.0.2/255.0.0.0");

    FillAddressList(nullptr, list);
    EXPECT_TRUE(list.empty());
}

// ---- TAdapter from one record ---------------------------------------------------

class AdapterRecord : public testing::Test {
protected:
    AdapterRecord() {
        std::strcpy(info.AdapterName, "{4D36E972-E325-11CE-BFC1-08002BE10318}");
        std::strcpy(info.Description, "Intel(R) PRO/1000 MT Network Connection");
        info.AddressLength = 6;
        const std::uint8_t mac[] = {0x00, 0x0C, 0x29, 0xAB, 0xCD, 0xEF};
        std::memcpy(info.Address, mac, sizeof mac);
        info.Index = 0x10004;
        info.Type = 71;
        info.IpAddressList = Entry("192.168.1.5", "255.255.255.0");
        info.GatewayList = Entry("192.168.1.1", "255.255.255.255");
        info.DhcpServer = Entry("192.168.1.254", "255.255.255.255");
        info.PrimaryWinsServer = Entry("192.168.1.2", "");
        info.SecondaryWinsServer = Entry("192.168.1.3", "");
    }

    IP_ADAPTER_INFO info{};
};

TEST_F(AdapterRecord, CopiesEveryField) {
    IP_ADDR_STRING current = Entry("192.168.1.5", "255.255.255.0");
    info.CurrentIpAddress = &current;
    info.DhcpEnabled = 1;
    info.HaveWins = 1;
    const TAdapter adapter(info);
    EXPECT_EQ(adapter.AdapterName, "{4D36E972-E325-11CE-BFC1-08002BE10318}");
    EXPECT_EQ(adapter.Description, "Intel(R) PRO/1000 MT Network Connection");
    EXPECT_EQ(adapter.AddressLength, 6u);
    EXPECT_EQ(adapter.MacAddress, "00:0C:29:AB:CD:EF");
    EXPECT_EQ(adapter.AdapterIndex, 0x10004u);
    EXPECT_EQ(adapter.AdapterType, 71u);
    EXPECT_TRUE(adapter.DhcpEnabled);
    EXPECT_EQ(adapter.CurrentIpAddress->Text(), "192.168.1.5/255.255.255.0");
    ASSERT_EQ(adapter.IPAddressCount(), 1);
    EXPECT_EQ(adapter.IPAddresses(0).Text(), "192.168.1.5/255.255.255.0");
    ASSERT_EQ(adapter.GatewayCount(), 1);
    EXPECT_EQ(adapter.Gateways(0).Text(), "192.168.1.1/255.255.255.255");
    EXPECT_EQ(adapter.DhcpServer->Text(), "192.168.1.254/255.255.255.255");
    EXPECT_TRUE(adapter.HaveWins);
    EXPECT_EQ(adapter.PrimaryWinsServer->Text(), "192.168.1.2/");
    EXPECT_EQ(adapter.SecondaryWinsServer->Text(), "192.168.1.3/");
}

TEST_F(AdapterRecord, CharacterFieldsWithoutZeroByteAreTakenWhole) {
    std::memset(info.AdapterName, 'N', sizeof info.AdapterName);
    std::memset(info.Description, 'D', sizeof info.Description);
    const TAdapter adapter(info);
    EXPECT_EQ(adapter.AdapterName, std::string(260, 'N'));
    EXPECT_EQ(adapter.Description, std::string(132, 'D'));
}

TEST_F(AdapterRecord, NullCurrentAddressGivesAnEmptyPair) {
    info.CurrentIpAddress = nullptr;
    const TAdapter adapter(info);
    ASSERT_NE(adapter.CurrentIpAddress, nullptr);
    EXPECT_EQ(adapter.CurrentIpAddress->Address, "");
    EXPECT_EQ(adapter.CurrentIpAddress->Mask, "");
    EXPECT_EQ(adapter.CurrentIpAddress->Text(), "");
}

TEST_F(AdapterRecord, SingleEntriesDoNotFollowTheirLinks) {
    IP_ADDR_STRING other = Entry("10.9.9.9", "255.0.0.0");
    IP_ADDR_STRING current = Entry("192.168.1.5", "255.255.255.0", &other);
    info.CurrentIpAddress = &current;
    info.DhcpServer.Next = &other;
    const TAdapter adapter(info);
    EXPECT_EQ(adapter.CurrentIpAddress->Text(), "192.168.1.5/255.255.255.0");
    EXPECT_EQ(adapter.DhcpServer->Text(), "192.168.1.254/255.255.255.255");
}

TEST_F(AdapterRecord, ChainsOfTwoKeepTheirOrder) {
    IP_ADDR_STRING secondAddress = Entry("10.0.0.2", "255.255.0.0");
    IP_ADDR_STRING secondGateway = Entry("192.168.1.2", "255.255.255.255");
    info.IpAddressList.Next = &secondAddress;
    info.GatewayList.Next = &secondGateway;
    const TAdapter adapter(info);
    ASSERT_EQ(adapter.IPAddressCount(), 2);
    EXPECT_EQ(adapter.IPAddresses(0).Text(), "192.168.1.5/255.255.255.0");
    EXPECT_EQ(adapter.IPAddresses(1).Text(), "10.0.0.2/255.255.0.0");
    ASSERT_EQ(adapter.GatewayCount(), 2);
    EXPECT_EQ(adapter.Gateways(1).Text(), "192.168.1.2/255.255.255.255");
}

TEST_F(AdapterRecord, EmptyGatewayHeadIsStillOnePair) {
    info.GatewayList = Entry("", "");
    const TAdapter adapter(info);
    ASSERT_EQ(adapter.GatewayCount(), 1);
    EXPECT_EQ(adapter.Gateways(0).Text(), "");
}

TEST_F(AdapterRecord, ZeroLengthHardwareAddressGivesNoText) {
    info.AddressLength = 0;
    const TAdapter adapter(info);
    EXPECT_EQ(adapter.AddressLength, 0u);
    EXPECT_EQ(adapter.MacAddress, "");
}

TEST_F(AdapterRecord, OversizedAddressLengthNeverReadsPastTheAddressField) {
    const std::uint8_t bytes[] = {1, 2, 3, 4, 5, 6, 7, 8};
    std::memcpy(info.Address, bytes, sizeof bytes);
    info.AddressLength = 200;
    const TAdapter adapter(info);
    EXPECT_EQ(adapter.AddressLength, 200u);
    EXPECT_EQ(adapter.MacAddress, "01:02:03:04:05:06:07:08");
}

struct FlagCase {
    std::uint32_t dhcpEnabled;
    std::int32_t haveWins;
    bool expected;
};

class AdapterFlags : public AdapterRecord, public testing::WithParamInterface<FlagCase> {};

TEST_P(AdapterFlags, AnyNonZeroValueIsTrue) {
    info.DhcpEnabled = GetParam().dhcpEnabled;
    info.HaveWins = GetParam().haveWins;
    const TAdapter adapter(info);
    EXPECT_EQ(adapter.DhcpEnabled, GetParam().expected);
    EXPECT_EQ(adapter.HaveWins, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Flags, AdapterFlags,
                         testing::Values(FlagCase{0, 0, false}, FlagCase{1, 1, true}, FlagCase{2, -1, true},
                                         FlagCase{0x80000000u, INT_MIN, true},
                                         FlagCase{0xFFFFFFFFu, 0x100, true}));

// ---- TIPInfo from a source ------------------------------------------------------

TEST(IPInfo, TakesEveryAdapterInChainOrder) {
    FakeAdapterSource source;
    source.Adapters = {Facts("first", {{"10.0.0.1", "255.0.0.0"}, {"10.0.0.2", "255.0.0.0"}},
                             {{"10.0.0.254", "255.255.255.255"}}),
                       Facts("second", {}, {})};
    source.Adapters[1].DhcpEnabled = true;
    source.Adapters[1].HardwareAddress.clear();

    const TIPInfo info(source);

    ASSERT_EQ(info.AdapterCount(), 2);
    const TAdapter& first = info.Adapters(0);
    EXPECT_EQ(first.AdapterName, "first");
    EXPECT_EQ(first.Description, "first adapter");
    EXPECT_EQ(first.MacAddress, "00:0C:29:AB:CD:EF");
    EXPECT_FALSE(first.DhcpEnabled);
    ASSERT_EQ(first.IPAddressCount(), 2);
    EXPECT_EQ(first.IPAddresses(1).Text(), "10.0.0.2/255.0.0.0");
    EXPECT_EQ(first.Gateways(0).Text(), "10.0.0.254/255.255.255.255");
    const TAdapter& second = info.Adapters(1);
    EXPECT_EQ(second.AdapterName, "second");
    EXPECT_EQ(second.MacAddress, "");
    EXPECT_TRUE(second.DhcpEnabled);
    ASSERT_EQ(second.IPAddressCount(), 1);
    EXPECT_EQ(second.IPAddresses(0).Text(), "");
    ASSERT_EQ(second.GatewayCount(), 1);
    EXPECT_EQ(second.Gateways(0).Text(), "");
    EXPECT_EQ(source.BufferSizes, std::vector<std::uint32_t>{5120});
}

TEST(IPInfo, SourceWithoutAdaptersGivesAnEmptySnapshot) {
    FakeAdapterSource source;
    const TIPInfo info(source);
    EXPECT_EQ(info.AdapterCount(), 0);
    EXPECT_THROW(info.Adapters(0), EListError);
}

TEST(IPInfo, BufferTooSmallIsQueriedOnceMoreWithTheSizeNamed) {
    FakeAdapterSource source;
    for (int i = 0; i < 10; ++i)
        source.Adapters.push_back(
            Facts("adapter" + std::to_string(i),
                  {{"10.0.0.1", "255.0.0.0"}, {"10.0.0.2", "255.0.0.0"}, {"10.0.0.3", "255.0.0.0"}},
                  {{"10.0.0.254", "255.255.255.255"}}));
    const std::uint32_t needed = AdapterRecordsSize(source.Adapters);
    ASSERT_GT(needed, TIPInfo::InitialBufferSize);

    const TIPInfo info(source);

    EXPECT_EQ(source.BufferSizes, (std::vector<std::uint32_t>{5120, needed}));
    ASSERT_EQ(info.AdapterCount(), 10);
    EXPECT_EQ(info.Adapters(9).AdapterName, "adapter9");
    EXPECT_EQ(info.Adapters(9).IPAddresses(2).Text(), "10.0.0.3/255.0.0.0");
}

// Each query finds one adapter more than the one before: the second query is too small too.
class GrowingSource : public FakeAdapterSource {
public:
    std::uint32_t Query(void* buffer, std::uint32_t* size) override {
        for (int i = 0; i < 8; ++i)
            Adapters.push_back(Facts("grown", {}, {}));
        return FakeAdapterSource::Query(buffer, size);
    }
};

TEST(IPInfo, SecondTooSmallAnswerFailsWithoutAThirdQuery) {
    GrowingSource source;
    try {
        const TIPInfo info(source);
        FAIL() << "the snapshot should have failed";
    } catch (const EOSError& error) {
        EXPECT_EQ(error.ErrorCode(), AdapterSource::ErrorBufferOverflow);
    }
    EXPECT_EQ(source.BufferSizes.size(), 2u);
}

class FailingSource : public testing::TestWithParam<std::uint32_t> {};

TEST_P(FailingSource, NonZeroResultFailsWithAnOSErrorForThatCode) {
    FakeAdapterSource source;
    source.Adapters = {Facts("never seen", {}, {})};
    source.Failures = {GetParam()};
    try {
        const TIPInfo info(source);
        FAIL() << "the snapshot should have failed";
    } catch (const EOSError& error) {
        EXPECT_EQ(error.ErrorCode(), GetParam());
        EXPECT_EQ(std::string(error.what()), "System Error.  Code: " + std::to_string(GetParam()) + ".\r\n" +
                                                 SysErrorMessage(GetParam()));
    }
    EXPECT_EQ(source.BufferSizes, std::vector<std::uint32_t>{5120});
}

INSTANTIATE_TEST_SUITE_P(Codes, FailingSource, testing::Values(5u, 8u, 87u, 232u));

TEST(IPInfo, FailureAfterTheRetryReportsTheSecondCode) {
    FakeAdapterSource source;
    source.Failures = {AdapterSource::ErrorBufferOverflow, 5};
    try {
        const TIPInfo info(source);
        FAIL() << "the snapshot should have failed";
    } catch (const EOSError& error) {
        EXPECT_EQ(error.ErrorCode(), 5u);
    }
}

class OwnTextSource : public FakeAdapterSource {
public:
    std::string ErrorText(std::uint32_t) const override { return "Nothing to see here. . \r\n\t"; }
};

TEST(IPInfo, FailureTextIsTheSourcesTextTrimmed) {
    OwnTextSource source;
    source.Failures = {4242};
    try {
        const TIPInfo info(source);
        FAIL() << "the snapshot should have failed";
    } catch (const EOSError& error) {
        EXPECT_STREQ(error.what(), "System Error.  Code: 4242.\r\nNothing to see here");
    }
}

// ---- Indexed getters ------------------------------------------------------------

class OutOfBounds : public testing::TestWithParam<std::int32_t> {
protected:
    OutOfBounds() {
        source.Adapters = {Facts("only", {{"10.0.0.1", "255.0.0.0"}}, {{"10.0.0.254", "255.255.255.255"}})};
    }
    static void ExpectListError(const std::function<void()>& get, std::int32_t index) {
        try {
            get();
            ADD_FAILURE() << "index " << index << " was accepted";
        } catch (const EListError& error) {
            EXPECT_EQ(std::string(error.what()), "List index out of bounds (" + std::to_string(index) + ")");
        }
    }
    FakeAdapterSource source;
};

TEST_P(OutOfBounds, EveryIndexedGetterRejectsTheIndex) {
    const TIPInfo info(source);
    const TAdapter& adapter = info.Adapters(0);
    const std::int32_t index = GetParam();
    ExpectListError([&] { info.Adapters(index); }, index);
    ExpectListError([&] { adapter.IPAddresses(index); }, index);
    ExpectListError([&] { adapter.Gateways(index); }, index);
}

INSTANTIATE_TEST_SUITE_P(Indexes, OutOfBounds, testing::Values(-1, 1, 2, INT_MIN, INT_MAX));

TEST(ListError, IsARuntimeError) {
    const EListError error(3);
    const std::runtime_error& base = error;
    EXPECT_STREQ(base.what(), "List index out of bounds (3)");
}

// ---- EOSError -------------------------------------------------------------------

struct TrimCase {
    std::string text;
    std::string trimmed;
};

class MessageTrim : public testing::TestWithParam<TrimCase> {};

TEST_P(MessageTrim, DropsTrailingBlanksControlCharactersAndFullStops) {
    EXPECT_EQ(TrimMessageText(GetParam().text), GetParam().trimmed);
}

INSTANTIATE_TEST_SUITE_P(Texts, MessageTrim,
                         testing::Values(TrimCase{"Access is denied.\r\n", "Access is denied"},
                                         TrimCase{"Done . .\t \x01", "Done"}, TrimCase{"...  \r\n", ""},
                                         TrimCase{"", ""}, TrimCase{"v1.2 ok", "v1.2 ok"},
                                         TrimCase{" keeps leading blanks", " keeps leading blanks"}));

TEST(OSError, CarriesTheCodeAndThePlatformText) {
    const EOSError error(2);
    EXPECT_EQ(error.ErrorCode(), 2u);
    const std::string text = SysErrorMessage(2);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(TrimMessageText(text), text);
    EXPECT_EQ(std::string(error.what()), "System Error.  Code: 2.\r\n" + text);
}

TEST(OSError, CodeIsShownAsASigned32BitNumber) {
    const EOSError error(0x80004005u, "Unspecified error");
    EXPECT_STREQ(error.what(), "System Error.  Code: -2147467259.\r\nUnspecified error");
}

} // namespace
