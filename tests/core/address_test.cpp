#include "core/address.h"

#include "core_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

TEST(Address, WritesTrimmedTextsAndOnlyWhatIsSetAndReadsThemBackEncoded) {
    ADDRESS address;
    address.GetIdentifier() = "a";
    EXPECT_EQ(WriteRecordText(address),
              "<ADDRESS identifier=\"a\"><category>UNSPECIFIED</category></ADDRESS>");
    address.SetCategory(2);
    address.GetCity() = "  Berlin ";
    address.GetStreetAndNumber() = "Stra\xDF"
                                   "e 1";
    address.GetComment() = " \t ";
    const std::string text = WriteRecordText(address);
    EXPECT_EQ(text, "<ADDRESS identifier=\"a\"><category>PRIVAT</category><city>Berlin</city>"
                    "<streetandnumber>Stra&szlig;e 1</streetandnumber></ADDRESS>");
    EXPECT_EQ(address.GetCity() + "/" + address.GetComment(), "Berlin/");

    ADDRESS read;
    read.GetCountry() = "kept";
    EXPECT_EQ(read.ReadXml(Parsed(text)), KV_OK);
    EXPECT_EQ(read.GetStreetAndNumber() + "/" + read.GetCountry(), "Stra\xDF"
                                                                   "e 1/kept");
    EXPECT_EQ(read.GetCategory().GetValue(), 2u);
    // Without an identifier nothing is read.
    EXPECT_TRUE(read.ReadXml(Parsed("<ADDRESS><city>new</city></ADDRESS>")) == KV_E_NOT_FOUND &&
                read.GetCity() == "Berlin");
    // Category texts read in any case; unknown ones give UNSPECIFIED.
    const std::tuple<const char*, std::uint32_t, const char*> cases[] = {
        {"office", 1, "OFFICE"}, {"Diverse", 3, "DIVERSE"}, {"fax", 0, "UNSPECIFIED"}};
    for (const auto& [category, value, keyword] : cases) {
        read.SetCategory(2);
        EXPECT_EQ(read.ReadXml(Parsed(std::string("<ADDRESS identifier=\"a\">"
                                                  "<category>") +
                                      category + "</category></ADDRESS>")),
                  KV_OK);
        EXPECT_EQ(read.GetCategory().GetValue(), value) << category;
        EXPECT_EQ(read.GetCategory().Text(), keyword);
    }
}

TEST(AddressList, HoldsFiveAddressesCopiesThemAllAndSkipsChildrenThatAreNoAddress) {
    ADDRESS_LIST list;
    list.GetIdentifier() = "contact";
    for (int i = 0; i < 5; ++i) {
        std::string identifier = "a" + std::to_string(i);
        ADDRESS* entry = nullptr;
        ASSERT_EQ(list.CreateEntry(entry, identifier), KV_OK);
        entry->GetCity() = "city" + std::to_string(i);
    }
    auto sixth = std::make_unique<ADDRESS>();
    sixth->GetIdentifier() = "a5";
    EXPECT_EQ(list.Add(sixth), KV_E_LIST_FULL);

    ADDRESS_LIST copy;
    copy = list;
    const ADDRESS_LIST& same = copy;
    copy = same;
    std::string identifier = "a4";
    ADDRESS* entry = nullptr;
    ASSERT_EQ(copy.Lookup(entry, identifier), KV_OK);
    EXPECT_EQ(entry->GetCity(), "city4");
    EXPECT_EQ(list.RemoveAll(), KV_OK);
    EXPECT_EQ(list.GetCount() * 10 + copy.GetCount(), 5u);

    EXPECT_EQ(list.ReadXml(Parsed(WriteRecordText(copy))), KV_OK);
    EXPECT_TRUE(list.GetIdentifier() == "contact" && list.GetCount() == 5);
    ADDRESS_LIST other;
    EXPECT_TRUE(other.ReadXml(Parsed("<ADDRESS_LIST identifier=\"e\" />")) == KV_OK &&
                other.GetIdentifier() == "e");
    EXPECT_EQ(other.ReadXml(Parsed("<ADDRESS_LIST identifier=\"f\">"
                                   "<X identifier=\"1\"><city>c</city></X>"
                                   "<X identifier=\"2\"><city>c</city></X>"
                                   "</ADDRESS_LIST>")),
              KV_OK);
    EXPECT_EQ(other.GetCount(), 0u);
}

} // namespace
