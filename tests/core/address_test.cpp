#include "core/address.h"

#include "core/record_xml_testing.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Address, ANewAddressWritesOnlyItsCategory) {
    ADDRESS address;
    address.GetIdentifier() = "home";
    EXPECT_EQ(WriteRecordText(address),
              "<ADDRESS identifier=\"home\"><category>UNSPECIFIED</category></ADDRESS>");
}

TEST(Address, TextsAreTrimmedWhenWrittenAndRoundTripEncoded) {
    ADDRESS address;
    address.GetIdentifier() = "a";
    address.SetCategory(2);
    address.GetCity() = "  Berlin ";
    address.GetStreetAndNumber() = "Stra\xDF"
                                   "e 1";
    address.GetComment() = " \t ";
    const std::string text = WriteRecordText(address);
    EXPECT_EQ(text, "<ADDRESS identifier=\"a\"><category>PRIVAT</category><city>Berlin</city>"
                    "<streetandnumber>Stra&szlig;e 1</streetandnumber></ADDRESS>");
    EXPECT_EQ(address.GetCity(), "Berlin");
    EXPECT_EQ(address.GetComment(), "");

    XmlDocument document;
    ADDRESS read;
    read.GetCountry() = "kept";
    EXPECT_EQ(read.ReadXml(ParseFirstNode(document, text)), KV_OK);
    EXPECT_EQ(read.GetStreetAndNumber(), "Stra\xDF"
                                         "e 1");
    EXPECT_EQ(read.GetCategory().GetValue(), 2u);
    EXPECT_EQ(read.GetCountry(), "kept");
    EXPECT_EQ(read.ReadXml(ParseFirstNode(document, "<ADDRESS><city>new</city></ADDRESS>")),
              KV_E_NOT_FOUND);
    EXPECT_EQ(read.GetCity(), "Berlin");
}

TEST(Address, CategoryTextsReadInAnyCaseAndUnknownOnesGiveUnspecified) {
    const struct {
        const char* text;
        std::uint32_t category;
        const char* keyword;
    } cases[] = {{"office", 1, "OFFICE"}, {"Diverse", 3, "DIVERSE"}, {"fax", 0, "UNSPECIFIED"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        XmlDocument document;
        ADDRESS address;
        address.SetCategory(2);
        const std::string text =
            std::string("<ADDRESS identifier=\"a\"><category>") + c.text + "</category></ADDRESS>";
        EXPECT_EQ(address.ReadXml(ParseFirstNode(document, text)), KV_OK);
        EXPECT_EQ(address.GetCategory().GetValue(), c.category);
        EXPECT_EQ(address.GetCategory().Text(), c.keyword);
    }
}

TEST(AddressList, HoldsFiveAddressesAndCopiesThemAll) {
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
    EXPECT_EQ(copy.GetCount(), 5u);
    std::string identifier = "a4";
    ADDRESS* entry = nullptr;
    ASSERT_EQ(copy.Lookup(entry, identifier), KV_OK);
    EXPECT_EQ(entry->GetCity(), "city4");

    XmlDocument document;
    ADDRESS_LIST read;
    EXPECT_EQ(read.ReadXml(ParseFirstNode(document, WriteRecordText(copy))), KV_OK);
    EXPECT_EQ(read.GetIdentifier(), "contact");
    EXPECT_EQ(read.GetCount(), 5u);
    EXPECT_EQ(list.RemoveAll(), KV_OK);
    EXPECT_EQ(list.GetCount(), 0u);
}

TEST(AddressList, ReadsTheEmptyFormAndSkipsChildrenThatAreNoAddress) {
    XmlDocument document;
    ADDRESS_LIST list;
    EXPECT_EQ(list.ReadXml(ParseFirstNode(document, "<ADDRESS_LIST identifier=\"e\" />")), KV_OK);
    EXPECT_EQ(list.GetIdentifier(), "e");
    EXPECT_EQ(list.ReadXml(ParseFirstNode(document, "<ADDRESS_LIST identifier=\"f\">"
                                                    "<X identifier=\"1\"><city>c</city></X>"
                                                    "<X identifier=\"2\"><city>c</city></X>"
                                                    "</ADDRESS_LIST>")),
              KV_OK);
    EXPECT_EQ(list.GetCount(), 0u);
}

} // namespace
