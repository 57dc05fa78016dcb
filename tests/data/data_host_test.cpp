#include "data/data_host.h"

#include "data_test_support.h"

#include <tuple>

namespace {

TEST(DataHost, ReaderTakesTheIdentifierAppendsCtiNumbersAndReadsADigitFlag) {
    CKvDataHost copy;
    const std::string text = XmlText(*SampleRecord(K_KVDT_TP_DTHDLR_DATACOMPUTER, 1));
    ASSERT_EQ(ReadXmlText(copy, text), KV_OK);
    EXPECT_EQ(copy.GetKey(), "101"); // the key is the identifier, so it must travel
    ReadXmlText(copy, text);         // the list is not emptied first
    std::string cti;
    EXPECT_EQ(copy.GetCtiDeviceNumbers().GetText(cti), "100,200,100,200");

    // Older texts carry no identifier; a text that is no hex number is ignored.
    for (const char* older :
         {"<H><flagacceptalluser>TRUE</flagacceptalluser></H>",
          "<H identifier=\"x1\"><flagacceptalluser>0</flagacceptalluser></H>"}) {
        copy.SetFlagAcceptAllUser(true);
        EXPECT_EQ(ReadXmlText(copy, older), KV_OK) << older;
        EXPECT_EQ(copy.GetKey(), "101");
        EXPECT_FALSE(copy.GetFlagAcceptAllUser()); // an old digit flag, not a BoolValue
    }
}

TEST(DataHost, IsSameKeyMatchesByNameOrNonZeroAddressInBothOrders) {
    // this name, this address, other name, other address, same
    constexpr std::tuple<const char*, std::uint32_t, const char*, std::uint32_t, bool> kCases[] = {
        {"pc1", 1, "pc1", 2, true},  {"", 7, "", 7, true},        {"", 0, "", 0, false},
        {"", 0, "pc1", 0, false},    {"pc1", 7, "PC1", 7, true},  {"pc1", 7, "PC1", 8, false},
        {"pc1", 0, "pc2", 0, false}, {"pc1", 7, "pc2", 0, false},
    };
    for (const std::uint32_t address_first : {0u, 1u}) {
        for (const auto& [name, address, other_name, other_address, same] : kCases) {
            CKvDataHost host;
            CKvDataHost other;
            host.SetAddressFirst(address_first);
            host.GetHost().Set(name, address, 0);
            other.GetHost().Set(other_name, other_address, 0);
            EXPECT_EQ(host.IsSameKey(other), same) << name << "/" << address << " vs " << other_name
                                                   << "/" << other_address << " " << address_first;
        }
    }
    CKvDataHost host;
    TestRecord<K_KVDT_TP_DTHDLR_DATACOMPUTER> stranger; // same code, other class
    EXPECT_FALSE(host.IsSameKey(stranger));
}

TEST(DataHost, CopyTakesIdentityAndContextButNotTheAddressFirstFlag) {
    FakeDataHandlerCatalog catalog;
    CKvDataHost host(&catalog, 0);
    host.SetIdentifier(9);
    host.GetHost().Set("pc", 0x0A000001, 80);
    host.SetAddressFirst(1);
    CKvDataHost copy;
    ASSERT_TRUE(host.CopyToSameType(&copy));
    EXPECT_EQ(XmlText(copy), XmlText(host));
    EXPECT_EQ(copy.GetContext(), &catalog);
    EXPECT_EQ(copy.GetAddressFirst(), 0u);
    const CKvDataHost& self = host;
    host = self;
    EXPECT_EQ(host.GetAddressFirst(), 1u);
}

} // namespace
