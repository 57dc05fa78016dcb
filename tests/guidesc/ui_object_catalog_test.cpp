#include "guidesc/ui_object_catalog.h"

#include "guidesc_test_support.h"

#include "core/handle_table.h"
#include "framework/job_id.h"
#include "framework/message_router.h"
#include "guidesc/ui_object_static.h"
#include "platform/dom.h"
#include "platform/resources.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const std::string kSample =
    (std::filesystem::path(__FILE__).parent_path() / "../../examples/veltrix_GUI.xml").string();

std::string ReadText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// A file of the test's own under the temporary folder, removed afterwards.
class TempFile {
public:
    explicit TempFile(const std::string& text) {
        path_ = (std::filesystem::temp_directory_path() /
                 ("kv_catalog_" + std::to_string(TakeNextJobId()) + ".xml"))
                    .string();
        std::ofstream(path_, std::ios::binary) << text;
    }
    ~TempFile() { std::filesystem::remove(path_); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

std::string Strings(const std::string& elements) {
    return "<GUI><catalog_UIOBJECTSTRING>" + elements + "</catalog_UIOBJECTSTRING></GUI>";
}

std::string String(const std::string& identifier, const std::string& text) {
    return "<UIOBJECTSTRING identifier=\"" + identifier + "\"><text>" + text +
           "</text></UIOBJECTSTRING>";
}

std::size_t CountOf(CKvUIObjectCatalog& catalog, std::uint32_t type_code) {
    CKvUIObjectCatalogType* type = nullptr;
    return catalog.GetType(type, type_code) == KV_OK ? type->GetCount() : 0;
}

class CatalogResources : public ::testing::Test {
protected:
    void TearDown() override { UnregisterAllResources(); }
};

TEST(UIObjectCatalog, LoadsTheSampleFile) {
    CKvUIObjectCatalog catalog;
    EXPECT_EQ(catalog.Load(kSample), KV_OK);
    const std::size_t expected[] = {8, 3, 1, 1, 2, 1, 6, 1, 1, 1, 1, 0, 1, 29, 1};
    for (std::uint32_t code = 1; code <= 15; ++code) {
        SCOPED_TRACE(code);
        EXPECT_EQ(CountOf(catalog, code), expected[code - 1]);
    }
    EXPECT_EQ(catalog.GetCount(), 57u);
    CKvUIObject* tree = reinterpret_cast<CKvUIObject*>(&catalog);
    EXPECT_FALSE(catalog.Lookup(tree, kUIObjectTreeCtrl,
                                "UIObjTreeCtrl_APPLICATION_Veltrix_Page_SOURCES_TREE"));
    EXPECT_EQ(tree, nullptr);

    // Ids are distinct and rise in load order, below the next one a router
    // hands out; every description belongs to the catalog.
    std::uint32_t previous = 0;
    for (const auto& [id, description] : catalog.GetIdMap()) {
        EXPECT_GT(id, previous);
        EXPECT_EQ(description->GetId(), id);
        EXPECT_EQ(description->GetOwner(), &catalog);
        previous = id;
    }
    CKvMessageRouter router;
    router.Init(&GetHandleTable());
    EXPECT_LT(previous, router.NextJobId());

    std::string text = "fallback";
    EXPECT_TRUE(catalog.GetString(text, "UIObjString_APPLICATION_Veltrix_Dlg_ACTION_END"));
    EXPECT_EQ(text, "Schlie\xDF"
                    "en");
    CKvUIObject* dialog = nullptr;
    ASSERT_TRUE(catalog.FindByIdentifier(dialog, "UIObjDialog_APPLICATION_Veltrix_Dlg_ACTION"));
    EXPECT_EQ(dialog->GetTypeCode(), kUIObjectDialog);
    EXPECT_EQ(dialog->GetBackgroundColor(), 0x40F0E8E0u); // the top byte is kept
    CKvUIObject* button = nullptr;
    ASSERT_TRUE(catalog.Lookup(button, kUIObjectXPButton,
                               "UIObjXPButton_APPLICATION_Veltrix_Dlg_ACTION_EXPORT"));
    std::int32_t x = 0;
    std::int32_t y = 0;
    EXPECT_EQ(catalog.GetAbsolutePosition(x, y, button), KV_OK);
    EXPECT_EQ(x, 16 + 0 + 56 + 8);
    EXPECT_EQ(y, 24 + 40 + 4 + 8);
}

// Every description of the loaded sample file written back, in load order,
// one per line: the whole result of a load.
TEST(UIObjectCatalog, SampleFileWrittenBackIsTheGoldenText) {
    CKvUIObjectCatalog catalog;
    ASSERT_EQ(catalog.Load(kSample), KV_OK);
    std::string written;
    for (const auto& [id, description] : catalog.GetIdMap())
        written += XmlText(*description) + "\n";
    written.pop_back();
    EXPECT_EQ(written, GoldenText("catalog_sample_written.xml"));
}

TEST(UIObjectCatalog, SampleFileIsPlainXmlToo) {
    DomDocumentPtr document;
    ASSERT_EQ(CreateDomDocument(document), KV_OK);
    EXPECT_EQ(document->loadXML(ReadText(kSample)), KV_OK);
}

TEST_F(CatalogResources, FileWithoutTheLastSectionDoesNotFallBack) {
    RegisterResource("XML", 306,
                     "<GUI><catalog_UIOBJECTDIALOG><UIOBJECTDIALOG identifier=\"D\">"
                     "<width>1</width></UIOBJECTDIALOG></catalog_UIOBJECTDIALOG></GUI>");
    TempFile file(Strings(String("UIObjString_A", "a") + String("UIObjString_B", "b")));
    CKvUIObjectCatalog catalog;
    EXPECT_EQ(catalog.Load(file.Path()), KV_E_NOT_FOUND);
    EXPECT_EQ(CountOf(catalog, kUIObjectString), 2u);
    EXPECT_EQ(CountOf(catalog, kUIObjectDialog), 0u);
}

TEST_F(CatalogResources, MissingFileReadsTheResource) {
    CKvUIObjectCatalog catalog;
    EXPECT_EQ(catalog.Load("/nonexistent/veltrix_GUI.xml"), KV_E_RESOURCE_NOT_FOUND);
    EXPECT_EQ(catalog.GetCount(), 0u);
    EXPECT_EQ(catalog.Load(""), KV_E_RESOURCE_NOT_FOUND);

    RegisterResource("XML", 306, ReadText(kSample));
    EXPECT_EQ(catalog.Load("/nonexistent/veltrix_GUI.xml"), KV_OK);
    EXPECT_EQ(catalog.GetCount(), 57u);
    EXPECT_EQ(catalog.LoadFromFile(*std::make_unique<XmlDocument>(), ""), KV_E_EMPTY_FILE_NAME);
}

TEST(UIObjectCatalog, DuplicateIdentifierReplacesTheFirst) {
    TempFile file(Strings(String("UIObjString_0", "zero") + String("UIObjString_A", "first") +
                          String("UIObjString_A", "second") + String("UIObjString_B", "b")));
    CKvUIObjectCatalog catalog;
    catalog.Load(file.Path());
    EXPECT_EQ(CountOf(catalog, kUIObjectString), 3u);
    CKvUIObject* zero = nullptr;
    CKvUIObject* a = nullptr;
    CKvUIObject* b = nullptr;
    ASSERT_TRUE(catalog.Lookup(zero, kUIObjectString, "UIObjString_0"));
    ASSERT_TRUE(catalog.Lookup(a, kUIObjectString, "UIObjString_A"));
    ASSERT_TRUE(catalog.Lookup(b, kUIObjectString, "UIObjString_B"));
    EXPECT_EQ(a->GetText(), "second");
    EXPECT_EQ(a->GetId(), zero->GetId() + 2); // the first one used an id too
    EXPECT_EQ(b->GetId(), a->GetId() + 1);
}

TEST(UIObjectCatalog, TypeRefusesDescriptionsBeyondItsCapacity) {
    std::string elements;
    for (int i = 0; i < 1025; ++i)
        elements += String("UIObjString_" + std::to_string(i), "t");
    XmlDocument document;
    document.Parse(Strings(elements));
    CKvUIObjectCatalog catalog;
    catalog.RegisterTypes();
    EXPECT_EQ(catalog.ReadType(document, kUIObjectString), KV_E_LIST_FULL);
    EXPECT_EQ(CountOf(catalog, kUIObjectString), 1024u);
    CKvUIObject* last = nullptr;
    EXPECT_TRUE(catalog.Lookup(last, kUIObjectString, "UIObjString_1023"));
    EXPECT_FALSE(catalog.Lookup(last, kUIObjectString, "UIObjString_1024"));
    EXPECT_EQ(catalog.ReadType(document, 99), KV_E_FAIL);
    EXPECT_EQ(catalog.ReadType(document, kUIObjectDialog), KV_E_NOT_FOUND);
}

TEST(UIObjectCatalog, OnlyUnidentifiedElementsAreDropped) {
    XmlDocument document;
    document.Parse("<GUI><catalog_UIOBJECTCOMBOBOXEX>"
                   "<UIOBJECTCOMBOBOXEX><width>1</width></UIOBJECTCOMBOBOXEX>"
                   "<UIOBJECTCOMBOBOXEX identifier=\"Text\">only text</UIOBJECTCOMBOBOXEX>"
                   "<UIOBJECTSTRING identifier=\"Other\"><text>x</text></UIOBJECTSTRING>"
                   "<UIOBJECTCOMBOBOXEX identifier=\"C\"><height>5</height><width>x</width>"
                   "</UIOBJECTCOMBOBOXEX></catalog_UIOBJECTCOMBOBOXEX></GUI>");
    CKvUIObjectCatalog catalog;
    catalog.RegisterTypes();
    EXPECT_EQ(catalog.ReadType(document, kUIObjectComboBoxEx), KV_OK);
    EXPECT_EQ(CountOf(catalog, kUIObjectComboBoxEx), 1u);
    CKvUIObject* combo = nullptr;
    ASSERT_TRUE(catalog.Lookup(combo, kUIObjectComboBoxEx, "C"));
    EXPECT_EQ(combo->GetHeight(), 5);
}

TEST(UIObjectCatalog, SecondLoadAddsAndReplaces) {
    CKvUIObjectCatalog catalog;
    ASSERT_EQ(catalog.Load(kSample), KV_OK);
    CKvUIObject* first = nullptr;
    ASSERT_TRUE(catalog.Lookup(first, kUIObjectString, "UIObjString_APPLICATION_Veltrix_UNKNOWN"));
    const std::uint32_t first_id = first->GetId();
    TempFile extra(Strings(String("UIObjString_EXTRA", "x")));
    EXPECT_EQ(catalog.Load(extra.Path()), KV_E_NOT_FOUND);
    EXPECT_EQ(catalog.GetCount(), 58u);
    EXPECT_EQ(catalog.Load(kSample), KV_OK);
    EXPECT_EQ(catalog.GetCount(), 58u);
    CKvUIObject* again = nullptr;
    ASSERT_TRUE(catalog.Lookup(again, kUIObjectString, "UIObjString_APPLICATION_Veltrix_UNKNOWN"));
    EXPECT_GT(again->GetId(), first_id);
}

TEST(UIObjectCatalog, LookupsWriteTheirOutValuesAsDocumented) {
    CKvUIObjectCatalog catalog;
    CKvUIObject* const marker = reinterpret_cast<CKvUIObject*>(&catalog);
    CKvUIObject* out = marker;
    EXPECT_FALSE(catalog.Lookup(out, kUIObjectString, "X"));
    EXPECT_EQ(out, marker); // not registered: untouched
    std::string text = "fallback";
    EXPECT_FALSE(catalog.GetString(text, "X"));
    EXPECT_EQ(catalog.GetResult(), KV_E_NO_CLASS);
    EXPECT_EQ(text, "fallback");

    ASSERT_EQ(catalog.Load(kSample), KV_OK);
    EXPECT_FALSE(catalog.Lookup(out, kUIObjectString, "X"));
    EXPECT_EQ(out, nullptr);
    EXPECT_FALSE(catalog.GetString(text, ""));
    EXPECT_FALSE(catalog.GetString(text, "UIObjString_NONE"));
    EXPECT_EQ(text, "fallback");
    out = marker;
    EXPECT_FALSE(catalog.FindByIdentifier(out, "uiobjdialog_application_veltrix_dlg_action"));
    EXPECT_EQ(out, nullptr);

    catalog.RemoveAll();
    out = marker;
    EXPECT_FALSE(
        catalog.Lookup(out, kUIObjectDialog, "UIObjDialog_APPLICATION_Veltrix_Dlg_ACTION"));
    EXPECT_EQ(out, marker);
    EXPECT_FALSE(catalog.FindByIdentifier(out, "UIObjDialog_APPLICATION_Veltrix_Dlg_ACTION"));
    EXPECT_EQ(out, nullptr);
    CKvUIObjectCatalogType* type = nullptr;
    EXPECT_EQ(catalog.GetType(type, kUIObjectString), KV_E_NO_CLASS);
    EXPECT_EQ(type, nullptr);
}

// Statics named "S0", "S1", ... each at (1, 2) and anchored to the next; the
// last one's anchor is given.
void AddChain(CKvUIObjectCatalog& catalog, int count, const std::string& last_anchor) {
    CKvUIObjectCatalogType* type = nullptr;
    ASSERT_EQ(catalog.GetType(type, kUIObjectStatic), KV_OK);
    for (int i = 0; i < count; ++i) {
        auto* description = new CKvUIObjectStatic(nullptr, 0, ("S" + std::to_string(i)).c_str());
        description->GetPositionX() = 1;
        description->GetPositionY() = 2;
        description->GetAnchorIdentifier() =
            i + 1 < count ? " S" + std::to_string(i + 1) + " " : last_anchor;
        description->SetId(TakeNextJobId());
        ASSERT_EQ(type->Add(description), KV_OK);
    }
}

TEST(UIObjectCatalog, AbsolutePositionsFollowTheAnchors) {
    CKvUIObjectCatalog catalog;
    catalog.RegisterTypes();
    AddChain(catalog, 12, "");
    std::int32_t x = -1;
    std::int32_t y = -1;
    CKvUIObject* start = nullptr;
    ASSERT_TRUE(catalog.FindByIdentifier(start, "S0"));
    EXPECT_EQ(catalog.GetAbsolutePosition(x, y, start), KV_OK);
    EXPECT_EQ(x, 10); // ten of the twelve
    EXPECT_EQ(y, 20);
    EXPECT_EQ(catalog.GetAbsolutePosition(x, y, nullptr), KV_E_INVALID_POINTER);
    EXPECT_EQ(x, 0);

    CKvUIObjectCatalog pair;
    pair.RegisterTypes();
    AddChain(pair, 2, "S0"); // S0 -> S1 -> S0 ...
    ASSERT_TRUE(pair.FindByIdentifier(start, "S0"));
    EXPECT_EQ(pair.GetAbsolutePosition(x, y, start), KV_OK);
    EXPECT_EQ(x, 10);

    CKvUIObjectStatic button(nullptr, 0, "B");
    button.GetPositionX() = 10;
    button.GetPositionY() = 20;
    button.GetAnchorIdentifier() = "S1";
    CKvUIObject* anchor = nullptr;
    ASSERT_TRUE(pair.FindByIdentifier(anchor, "S1"));
    anchor->GetPositionX() = 100;
    anchor->GetPositionY() = 200;
    anchor->GetAnchorIdentifier() = "NONE";
    EXPECT_EQ(pair.GetAbsolutePosition(x, y, &button), KV_OK);
    EXPECT_EQ(x, 110);
    EXPECT_EQ(y, 220);

    // Sums wrap instead of overflowing.
    anchor->GetPositionX() = INT32_MAX;
    EXPECT_EQ(pair.GetAbsolutePosition(x, y, &button), KV_OK);
    EXPECT_EQ(x, INT32_MIN + 9);
}

} // namespace
