// Lists written self-closed when empty read back with their identifier, and
// the childless form gives the same codes as the full one.

#include "data_test_support.h"

#include <functional>

namespace {

struct EmptyListCase {
    std::string_view record_element;
    std::string_view list_element;
    // One entry the list reads, for the full form.
    std::string_view entry;
    std::function<std::unique_ptr<CKvDataHandler>()> make;
};

const EmptyListCase kEmptyListCases[] = {
    {"DATACONTACT", "ADDRESS_LIST", R"(<ADDRESS identifier="home"><city>Kiel</city></ADDRESS>)",
     [] { return std::make_unique<CKvDataContact>(); }},
    {"DATAPREFERENCES", "DEVICES", R"(<KVSTRING identifier="d"><data>x</data></KVSTRING>)",
     [] { return std::make_unique<CKvDataPreferences>(); }},
    {"DATAPREFERENCES", "DIALHISTORY", R"(<KVSTRING identifier="d"><data>x</data></KVSTRING>)",
     [] { return std::make_unique<CKvDataPreferences>(); }},
    {"DATAGENERAL", "STRINGHANDLER_TAPILINES",
     R"(<KVSTRING identifier="d"><data>x</data></KVSTRING>)",
     [] { return std::make_unique<CKvDataGeneral>(); }},
};

std::string RecordText(const EmptyListCase& c, std::string_view list) {
    return "<" + std::string(c.record_element) + ">" + std::string(list) + "</" +
           std::string(c.record_element) + ">";
}

std::string ListText(const EmptyListCase& c, std::string_view attributes, std::string_view body) {
    const std::string name(c.list_element);
    if (body.empty())
        return "<" + name + std::string(attributes) + " />";
    return "<" + name + std::string(attributes) + ">" + std::string(body) + "</" + name + ">";
}

TEST(RecordEmptyLists, ChildlessListReadsItsIdentifierAndWritesItBack) {
    for (const EmptyListCase& c : kEmptyListCases) {
        SCOPED_TRACE(c.list_element);
        const std::string empty_list = ListText(c, R"( identifier="l")", "");
        std::unique_ptr<CKvDataHandler> record = c.make();
        EXPECT_EQ(ReadXmlText(*record, RecordText(c, empty_list)), KV_OK);
        const std::string written = XmlText(*record);
        EXPECT_NE(written.find(empty_list), std::string::npos) << written;

        std::unique_ptr<CKvDataHandler> again = c.make();
        EXPECT_EQ(ReadXmlText(*again, written), KV_OK);
        EXPECT_EQ(XmlText(*again), written);
    }
}

TEST(RecordEmptyLists, ChildlessListWithoutIdentifierFailsAsTheFullOneDoes) {
    for (const EmptyListCase& c : kEmptyListCases) {
        SCOPED_TRACE(c.list_element);
        std::unique_ptr<CKvDataHandler> full = c.make();
        std::unique_ptr<CKvDataHandler> childless = c.make();
        EXPECT_EQ(ReadXmlText(*full, RecordText(c, ListText(c, "", c.entry))), KV_E_NOT_FOUND);
        EXPECT_EQ(ReadXmlText(*childless, RecordText(c, ListText(c, "", ""))), KV_E_NOT_FOUND);
        EXPECT_EQ(XmlText(*childless), XmlText(*full));
    }
}

TEST(RecordEmptyLists, StoreOfGeneralSettingsKeepsAnEmptyTapiLineListsIdentifier) {
    RegisterDataPayloads();
    CKvDataHandlerStore store;
    ASSERT_EQ(store.Init(K_KVDT_TP_DTHDLR_DATAGENERAL, 0, 10, "DATA_TYPE_HANDLER", nullptr),
              KV_OK);
    EXPECT_EQ(ReadXmlText(store, R"(<DATA_TYPE_HANDLER identifier="" )"
                                 R"(datatype="K_KVDT_TP_DTHDLR_DATAGENERAL"><DATAGENERAL>)"
                                 R"(<STRINGHANDLER_TAPILINES identifier="l" /></DATAGENERAL>)"
                                 R"(</DATA_TYPE_HANDLER>)"),
              KV_OK);
    ASSERT_EQ(store.GetCount(), 1);
    EXPECT_NE(XmlText(store).find(R"(<STRINGHANDLER_TAPILINES identifier="l" />)"),
              std::string::npos);
}

} // namespace
