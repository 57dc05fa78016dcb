#include "core/phone_number.h"

#include "core_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

PHONE_NUMBER* AddNumber(PHONE_NUMBER_LIST& list, std::string identifier, std::string number,
                        BOOL active = TRUE) {
    PHONE_NUMBER* entry = nullptr;
    EXPECT_EQ(list.CreateEntry(entry, identifier), KV_OK);
    if (entry != nullptr) {
        entry->GetNumber() = number;
        entry->GetFlagActive() = active;
    }
    return entry;
}

Strings Numbers(const PHONE_NUMBER_LIST& list) {
    return Entries(list, [](const PHONE_NUMBER& entry) { return entry.GetNumber(); });
}

TEST(PhoneNumber, WritesItsKeysInOrderOptionalOnesEncodedAndReadsThemBack) {
    PHONE_NUMBER number;
    number.GetIdentifier() = "p1";
    EXPECT_EQ(WriteRecordText(number),
              "<PHONE_NUMBER identifier=\"p1\"><number /><category>UNSPECIFIED</category>"
              "<flagdata>FALSE</flagdata><flagactive>TRUE</flagactive><dialcount>0</dialcount>"
              "</PHONE_NUMBER>");
    number.GetNumber() = "0<30 & 1";
    number.GetData() = "  note  ";
    number.GetLineId() = "line\xFC";
    number.GetAlias() = "Bob";
    number.SetCategory(7);
    number.GetFlagData() = TRUE;
    number.GetDialCount().Set(12);
    const std::string text = WriteRecordText(number);
    EXPECT_EQ(text, "<PHONE_NUMBER identifier=\"p1\"><number>0&lt;30 & 1</number>"
                    "<category>OFFICE_VOIP</category><data>note</data><flagdata>TRUE</flagdata>"
                    "<flagactive>TRUE</flagactive><dialcount>12</dialcount>"
                    "<lineid>line&uuml;</lineid><alias>Bob</alias></PHONE_NUMBER>");
    EXPECT_EQ(number.GetData(), "note");
    PHONE_NUMBER read;
    ASSERT_EQ(read.ReadXml(Parsed(text)), KV_OK);
    EXPECT_TRUE(WriteRecordText(read) == text && read.GetNumber() == "0<30 & 1");
}

TEST(PhoneNumber, ReadTakesCategoriesInAnyCaseAndRefusesOtherElementsAndNoIdentifier) {
    const std::tuple<const char*, std::uint32_t> cases[] = {
        {"office", 1}, {"Privat_Voip", 8}, {"7", 7}, {"fax", 0}};
    for (const auto& [category, value] : cases) {
        PHONE_NUMBER number;
        number.SetCategory(3);
        const std::string text = std::string("<PHONE_NUMBER identifier=\"x\"><category>") +
                                 category +
                                 "</category><flagactive>true</flagactive></PHONE_NUMBER>";
        EXPECT_EQ((std::tuple{number.ReadXml(Parsed(text)), number.GetCategory(),
                              number.GetFlagActive()}),
                  std::tuple(KV_OK, value, FALSE))
            << category;
    }
    PHONE_NUMBER number;
    number.GetNumber() = "kept";
    EXPECT_EQ(number.ReadXml(Parsed("<ADDRESS identifier=\"a\"><number>1</number></ADDRESS>")),
              KV_E_FAIL);
    EXPECT_EQ(number.ReadXml(Parsed("<PHONE_NUMBER><number>1</number></PHONE_NUMBER>")),
              KV_E_NOT_FOUND);
    EXPECT_EQ(number.GetNumber(), "kept");
}

TEST(PhoneNumberList, HoldsTwentyOneNumbersAndCopiesThemWithoutState) {
    PHONE_NUMBER_LIST list;
    for (int i = 0; i < 21; ++i)
        AddNumber(list, "id" + std::to_string(i), std::to_string(i))->SetState(6);
    auto extra = std::make_unique<PHONE_NUMBER>();
    extra->GetIdentifier() = "extra";
    EXPECT_TRUE(list.Add(extra) == KV_E_LIST_FULL && extra != nullptr);
    PHONE_NUMBER_LIST copy;
    copy = list;
    const PHONE_NUMBER_LIST& same = copy;
    copy = same;
    EXPECT_TRUE(copy.GetCount() == 21 && Numbers(copy) == Numbers(list));
    PHONE_NUMBER* entry = nullptr;
    EXPECT_TRUE(copy.GetFirst(entry) && entry->GetState() == 0);
    EXPECT_TRUE(list.RemoveAll() == KV_OK && list.GetCount() == 0);
}

TEST(PhoneNumberList, EntriesKeepOrderAddressesAndKeysAcrossTheFourthEntryAndRemovals) {
    PHONE_NUMBER_LIST list;
    std::vector<PHONE_NUMBER*> added;
    for (int i = 0; i < 8; ++i)
        added.push_back(AddNumber(list, "id" + std::to_string(i), i % 3 == 0 ? "x" : "1"));
    // The key is the identifier the entry was added under.
    added[6]->GetIdentifier() = "renamed";
    std::string identifier = "id1";
    EXPECT_EQ(list.Remove(identifier), KV_OK);
    identifier = "id5";
    EXPECT_EQ(list.Remove(identifier), KV_OK);
    ASSERT_NE(AddNumber(list, "id9", "1"), nullptr);
    const Strings remaining = {"id0=x", "id2=1", "id3=x", "id4=1", "renamed=x", "id7=1", "id9=1"};
    EXPECT_EQ(Numbers(list), remaining);
    for (int i : {0, 2, 3, 4, 6, 7}) {
        PHONE_NUMBER* found = nullptr;
        identifier = "id" + std::to_string(i);
        EXPECT_TRUE(list.Lookup(found, identifier) == KV_OK && found == added[i]) << i;
    }
    identifier = "renamed";
    EXPECT_EQ(list.Remove(identifier), KV_E_NOT_PRESENT);
    // Removing across the fourth entry keeps the order and the addresses.
    EXPECT_EQ(list.RemoveInvalidNumbers(5, FALSE), KV_OK);
    EXPECT_EQ(Numbers(list), Strings({"id2=1", "id4=1", "id7=1", "id9=1"}));
    PHONE_NUMBER* first = nullptr;
    EXPECT_TRUE(list.GetFirst(first) && first == added[2]);
    identifier = "id7";
    PHONE_NUMBER* seventh = nullptr;
    EXPECT_TRUE(list.Lookup(seventh, identifier) == KV_OK && seventh == added[7]);
    PHONE_NUMBER_LIST copy;
    copy = list;
    EXPECT_EQ(Numbers(copy), Numbers(list));
}

TEST(PhoneNumberList, RemoveInvalidNumbersKeepsOnlyDialableDigits) {
    // Runs of adjacent invalid entries catch a walk that skips the entry after
    // a removed one; the last entry is invalid too.
    const std::tuple<BOOL, Strings> cases[] = {{TRUE, {"a=03012"}}, {FALSE, {"a=03012", "c=12"}}};
    const std::pair<const char*, const char*> entries[] = {{"a", "0 30-12"}, {"b", "030 1234"},
                                                           {"c", "12"},      {"d", "12@host"},
                                                           {"e", "none"},    {"f@voip", "5"}};
    for (const auto& [only_active, kept] : cases) {
        PHONE_NUMBER_LIST list;
        for (const auto& [identifier, number] : entries)
            AddNumber(list, identifier, number, *identifier != 'c');
        EXPECT_EQ(list.RemoveInvalidNumbers(5, only_active), KV_OK);
        EXPECT_EQ(Numbers(list), kept) << only_active;
    }
}

TEST(PhoneNumberList, FindNumberTrimsAndComparesExactlyAndFindNextByCategoryGivesEachOnce) {
    PHONE_NUMBER_LIST list;
    AddNumber(list, "a", "0123")->SetCategory(1);
    AddNumber(list, "b", "1 23")->SetCategory(2);
    std::string text = " 123 ";
    EXPECT_EQ((std::tuple{list.FindNumber(text), text}), std::tuple(KV_E_FAIL, "123"));
    AddNumber(list, "c", "123")->SetCategory(1);
    EXPECT_EQ(list.FindNumber(text), KV_OK);

    PHONE_NUMBER_LIST::Position position = PHONE_NUMBER_LIST::kEndPosition;
    list.GetStartPosition(position);
    PHONE_NUMBER* entry = nullptr;
    Strings found;
    while (list.FindNextByCategory(entry, 1, position) == 1)
        found.push_back(entry->GetIdentifier());
    EXPECT_TRUE(found == Strings({"a", "c"}) && entry == nullptr);
}

TEST(PhoneNumberList, RoundTripsInInsertionOrderAndReadKeepsTheFirstOfRepeatedIdentifiers) {
    PHONE_NUMBER_LIST list;
    list.GetIdentifier() = "home";
    list.GetData() = "data<";
    AddNumber(list, "zeta", "1");
    AddNumber(list, "alpha", "2");
    const std::string text = WriteRecordText(list);
    EXPECT_EQ(text.rfind("<PHONE_NUMBER_LIST identifier=\"home\"><data>data&lt;</data>"
                         "<PHONE_NUMBER identifier=\"zeta\">",
                         0),
              0u);
    const std::string a1 = "<PHONE_NUMBER identifier=\"a\"><number>1</number></PHONE_NUMBER>";
    const std::tuple<std::string, KvResult, Strings> cases[] = {
        {text, KV_OK, {"zeta=1", "alpha=2"}},
        {"<PHONE_NUMBER_LIST identifier=\"l\"></PHONE_NUMBER_LIST>", KV_OK, {}},
        {"<PHONE_NUMBER_LIST identifier=\"l\">" + a1 +
             "<PHONE_NUMBER identifier=\"a\"><number>2</number></PHONE_NUMBER></PHONE_NUMBER_LIST>",
         KV_E_ALREADY_PRESENT,
         {"a=1"}},
        {"<PHONE_NUMBER_LIST identifier=\"l\">" + a1 +
             "<ADDRESS identifier=\"b\"><city>x</city></ADDRESS></PHONE_NUMBER_LIST>",
         KV_E_FAIL,
         {"a=1"}},
    };
    for (const auto& [input, result, numbers] : cases) {
        SCOPED_TRACE(input);
        PHONE_NUMBER_LIST read;
        EXPECT_EQ(read.ReadXml(Parsed(input)), result);
        EXPECT_EQ(Numbers(read), numbers);
        EXPECT_TRUE(input != text || read.GetIdentifier() + read.GetData() == "homedata<");
    }
}

} // namespace
