#include "core/kv_string.h"

#include "core_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

Strings Entries(const KVSTRING_LIST& list) {
    return Entries(list, [](const KVSTRING& entry) { return entry.GetData(); });
}

void Fill(KVSTRING_LIST& list, int count) {
    for (int i = 0; i < count; ++i) {
        std::string identifier = "k" + std::to_string(i);
        KVSTRING* entry = nullptr;
        ASSERT_EQ(list.CreateEntry(entry, identifier), KV_OK);
        entry->GetData() = std::to_string(i);
    }
}

TEST(KvString, TextsRoundTripThroughTheirEncodedForm) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"id<1>", "a<b & \xFC",
         "<KVSTRING identifier=\"id&lt;1&gt;\"><data>a&lt;b & &uuml;</data></KVSTRING>"},
        {"id", "", "<KVSTRING identifier=\"id\"><data /></KVSTRING>"},
        {"\"&quot;\">", "x",
         "<KVSTRING identifier=\"&quot;&amp;quot;&quot;&gt;\"><data>x</data></KVSTRING>"},
    };
    for (const auto& [identifier, data, text] : cases) {
        KVSTRING pair, read;
        pair.Set(identifier, data);
        EXPECT_EQ(WriteRecordText(pair), text);
        read.Set("old", "old");
        EXPECT_EQ(read.ReadXml(Parsed(text)), KV_OK);
        EXPECT_EQ(read.GetIdentifier() + "=" + read.GetData(),
                  std::string(identifier) + "=" + data);
    }
}

TEST(KvStringList, HoldsAtMost201EntriesTrimsIdentifiersAndCopiesThemAll) {
    KVSTRING_LIST list;
    KVSTRING* entry = nullptr;
    std::string blanks = "   ";
    EXPECT_TRUE(list.CreateEntry(entry, blanks) == KV_E_FAIL && entry == nullptr);
    std::string letter = " a ";
    EXPECT_EQ(list.CreateEntry(entry, letter), KV_OK);
    EXPECT_EQ(letter + "/" + entry->GetIdentifier(), "a/a");
    EXPECT_EQ(list.CreateEntry(entry, letter), KV_E_ALREADY_PRESENT);
    std::string upper = "A", padded = "\ta ";
    EXPECT_EQ(list.Lookup(entry, upper), KV_E_NOT_PRESENT);
    EXPECT_EQ(list.Lookup(entry, padded), KV_OK);

    Fill(list, 200);
    std::string identifier = "one more";
    EXPECT_TRUE(list.CreateEntry(entry, identifier) == KV_E_LIST_FULL && entry == nullptr);
    KVSTRING_LIST copy;
    copy.SetElementName("DEVICES");
    copy = list;
    const KVSTRING_LIST& same = copy;
    copy = same;
    EXPECT_TRUE(copy.GetCount() == 201 && copy.GetElementName() == "DEVICES");
    EXPECT_EQ(Entries(copy), Entries(list));
    EXPECT_EQ(list.RemoveAll(), KV_OK);
    EXPECT_EQ(list.GetCount(), 0u);
}

TEST(KvStringList, RoundTripsUnderItsOwnElementNameInInsertionOrder) {
    KVSTRING_LIST list;
    list.SetElementName("DEVICES");
    list.GetIdentifier() = "dev";
    Fill(list, 12); // insertion order, not sorted: k10 would come before k2
    const std::string text = WriteRecordText(list);
    EXPECT_EQ(text.rfind("<DEVICES identifier=\"dev\"><KVSTRING identifier=\"k0\">", 0), 0u);
    KVSTRING_LIST other_name, read;
    EXPECT_EQ(other_name.ReadXml(Parsed(text)), KV_OK);
    EXPECT_EQ(other_name.GetCount(), 0u);
    read.SetElementName("DEVICES");
    EXPECT_EQ(read.ReadXml(Parsed(text)), KV_OK);
    EXPECT_EQ(read.GetIdentifier(), "dev");
    EXPECT_EQ(Entries(read), Entries(list));
}

TEST(KvStringList, ACopyKeepsItsElementNameAfterTheSourceIsGone) {
    auto owned = std::make_unique<KVSTRING_LIST>();
    owned->SetElementName(std::string("DEVICES_OWNED"));
    auto referred = std::make_unique<KVSTRING_LIST>();
    referred->SetElementName(XmlStaticName{"DEVICES_STATIC"});
    const KVSTRING_LIST owned_copy(*owned);
    const KVSTRING_LIST referred_copy(*referred);
    owned->SetElementName(std::string("CHANGED"));
    owned.reset();
    referred.reset();
    EXPECT_EQ(owned_copy.GetElementName(), "DEVICES_OWNED");
    EXPECT_EQ(referred_copy.GetElementName(), "DEVICES_STATIC");
    KVSTRING_LIST written;
    written.SetElementName(XmlStaticName{"STATIC_LIST"});
    written.GetIdentifier() = "s";
    EXPECT_EQ(WriteRecordText(written), "<STATIC_LIST identifier=\"s\" />");
}

TEST(KvStringList, ReadsEmptyListsRepeatedIdentifiersAndForeignChildren) {
    const std::string a1 = "<KVSTRING identifier=\"a\"><data>1</data></KVSTRING>";
    const std::tuple<std::string, KvResult, Strings> cases[] = {
        {"<KVSTRING_LIST identifier=\"l\" />", KV_OK, {}},
        {"<KVSTRING_LIST identifier=\"l\">" + a1 +
             "<KVSTRING identifier=\"a\"><data>2</data></KVSTRING></KVSTRING_LIST>",
         KV_E_ALREADY_PRESENT,
         {"a=1"}},
        {"<KVSTRING_LIST identifier=\"l\"><OTHER identifier=\"b\"><data>1</data></OTHER>"
         "<OTHER identifier=\"c\"><data>2</data></OTHER></KVSTRING_LIST>",
         KV_OK,
         {}},
        {"<KVSTRING_LIST>" + a1 + "</KVSTRING_LIST>", KV_E_NOT_FOUND, {}},
    };
    for (const auto& [text, result, entries] : cases) {
        SCOPED_TRACE(text);
        KVSTRING_LIST list;
        EXPECT_EQ(list.ReadXml(Parsed(text)), result);
        EXPECT_EQ(Entries(list), entries);
    }
}

} // namespace
