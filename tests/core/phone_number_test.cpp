#include "core/phone_number.h"

#include "core/record_xml_testing.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

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

Strings Numbers(PHONE_NUMBER_LIST& list) {
    Strings numbers;
    PHONE_NUMBER_LIST::Position position = PHONE_NUMBER_LIST::kEndPosition;
    list.GetStartPosition(position);
    PHONE_NUMBER* entry = nullptr;
    while (list.GetNext(entry, position))
        numbers.push_back(entry->GetIdentifier() + "=" + entry->GetNumber());
    return numbers;
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
    XmlDocument document;
    PHONE_NUMBER read;
    ASSERT_EQ(read.ReadXml(ParseFirstNode(document, text)), KV_OK);
    EXPECT_EQ(WriteRecordText(read), text);
    EXPECT_EQ(read.GetNumber(), "0<30 & 1");
}

TEST(PhoneNumber, ReadTakesCategoriesInAnyCaseAndRefusesOtherElementsAndNoIdentifier) {
    const std::tuple<const char*, std::uint32_t> cases[] = {
        {"office", 1}, {"Privat_Voip", 8}, {"7", 7}, {"fax", 0}};
    XmlDocument document;
    for (const auto& [category, value] : cases) {
        PHONE_NUMBER number;
        number.SetCategory(3);
        const std::string text = std::string("<PHONE_NUMBER identifier=\"x\"><category>") +
                                 category +
                                 "</category><flagactive>true</flagactive></PHONE_NUMBER>";
        EXPECT_EQ(number.ReadXml(ParseFirstNode(document, text)), KV_OK);
        EXPECT_EQ(number.GetCategory(), value) << category;
        EXPECT_EQ(number.GetFlagActive(), FALSE);
    }
    PHONE_NUMBER number;
    number.GetNumber() = "kept";
    EXPECT_EQ(number.ReadXml(ParseFirstNode(document, "<ADDRESS identifier=\"a\"><number>1"
                                                      "</number></ADDRESS>")),
              KV_E_FAIL);
    EXPECT_EQ(number.ReadXml(ParseFirstNode(document, "<PHONE_NUMBER><number>1</number>"
                                                      "</PHONE_NUMBER>")),
              KV_E_NOT_FOUND);
    EXPECT_EQ(number.GetNumber(), "kept");
}

TEST(PhoneNumberList, HoldsTwentyOneNumbersAndCopiesThemWithoutState) {
    PHONE_NUMBER_LIST list;
    for (int i = 0; i < 21; ++i)
        AddNumber(list, "id" + std::to_string(i), std::to_string(i))->SetState(6);
    auto extra = std::make_unique<PHONE_NUMBER>();
    extra->GetIdentifier() = "extra";
    EXPECT_EQ(list.Add(extra), KV_E_LIST_FULL);
    EXPECT_NE(extra, nullptr);
    PHONE_NUMBER_LIST copy;
    copy = list;
    const PHONE_NUMBER_LIST& same = copy;
    copy = same;
    EXPECT_EQ(copy.GetCount(), 21u);
    EXPECT_EQ(Numbers(copy), Numbers(list));
    PHONE_NUMBER* entry = nullptr;
    ASSERT_TRUE(copy.GetFirst(entry));
    EXPECT_EQ(entry->GetState(), 0u);
    EXPECT_EQ(list.RemoveAll(), KV_OK);
    EXPECT_EQ(list.GetCount(), 0u);
}

TEST(PhoneNumberList, RemoveInvalidNumbersKeepsOnlyDialableDigits) {
    // Runs of adjacent invalid entries catch a walk that skips the entry after
    // a removed one; the last entry is invalid too.
    const std::tuple<BOOL, Strings> cases[] = {{TRUE, {"a=03012"}}, {FALSE, {"a=03012", "c=12"}}};
    for (const auto& [only_active, kept] : cases) {
        PHONE_NUMBER_LIST list;
        AddNumber(list, "a", "0 30-12");
        AddNumber(list, "b", "030 1234");
        AddNumber(list, "c", "12", FALSE);
        AddNumber(list, "d", "12@host");
        AddNumber(list, "e", "none");
        AddNumber(list, "f@voip", "5");
        EXPECT_EQ(list.RemoveInvalidNumbers(5, only_active), KV_OK);
        EXPECT_EQ(Numbers(list), kept) << only_active;
    }
}

TEST(PhoneNumberList, FindNumberTrimsAndComparesExactlyAndFindNextByCategoryGivesEachOnce) {
    PHONE_NUMBER_LIST list;
    AddNumber(list, "a", "0123")->SetCategory(1);
    AddNumber(list, "b", "1 23")->SetCategory(2);
    std::string text = " 123 ";
    EXPECT_EQ(list.FindNumber(text), KV_E_FAIL);
    EXPECT_EQ(text, "123");
    AddNumber(list, "c", "123")->SetCategory(1);
    EXPECT_EQ(list.FindNumber(text), KV_OK);

    PHONE_NUMBER_LIST::Position position = PHONE_NUMBER_LIST::kEndPosition;
    list.GetStartPosition(position);
    PHONE_NUMBER* entry = nullptr;
    Strings found;
    while (list.FindNextByCategory(entry, 1, position) == 1)
        found.push_back(entry->GetIdentifier());
    EXPECT_EQ(found, (Strings{"a", "c"}));
    EXPECT_EQ(entry, nullptr);
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
        XmlDocument document;
        PHONE_NUMBER_LIST read;
        EXPECT_EQ(read.ReadXml(ParseFirstNode(document, input)), result);
        EXPECT_EQ(Numbers(read), numbers);
    }
    XmlDocument document;
    PHONE_NUMBER_LIST read;
    read.ReadXml(ParseFirstNode(document, text));
    EXPECT_EQ(read.GetIdentifier() + read.GetData(), "homedata<");
}

} // namespace
