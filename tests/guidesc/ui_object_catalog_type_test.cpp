#include "guidesc/ui_object_catalog_type.h"

#include "guidesc/ui_object_catalog.h"
#include "guidesc/ui_object_dialog.h"
#include "guidesc/ui_object_string.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(UIObjectCatalogType, TheTableHoldsTheFifteenTypes) {
    const auto table = UIObjectTypeTable();
    ASSERT_EQ(table.size(), 15u);
    const std::uint32_t capacities[] = {128, 512, 256, 256, 512, 256,  256, 16,
                                        16,  256, 256, 256, 256, 1024, 16};
    for (std::uint32_t code = 1; code <= 15; ++code) {
        SCOPED_TRACE(code);
        const UIObjectTypeRow& row = table[code - 1];
        EXPECT_EQ(row.type_code, code);
        EXPECT_EQ(row.capacity, capacities[code - 1]);
        EXPECT_EQ(row.read_from_file, code != kUIObjectTreeCtrl);
        std::unique_ptr<CKvUIObject> made(row.create());
        EXPECT_EQ(made->GetTypeCode(), code);
        EXPECT_EQ(made->GetOwner(), nullptr);
    }
    EXPECT_EQ(table[13].tag, "UIOBJECTSTRING");
}

TEST(UIObjectCatalogType, CreatesAndDeletesByCode) {
    CKvUIObjectCatalogType type(kUIObjectString, 0, 2, "UIOBJECTSTRING", nullptr, nullptr);
    CKvUIObject* made = nullptr;
    EXPECT_EQ(type.CreateDescription(made, 0), KV_OK);
    EXPECT_EQ(made->GetTypeCode(), kUIObjectString);
    EXPECT_TRUE(type.DeleteDescription(made));
    EXPECT_EQ(type.CreateDescription(made, kUIObjectDialog), KV_OK);
    EXPECT_EQ(made->GetTypeCode(), kUIObjectDialog);
    EXPECT_TRUE(type.DeleteDescription(made));
    made = reinterpret_cast<CKvUIObject*>(&type);
    EXPECT_EQ(type.CreateDescription(made, 16), KV_E_NO_CLASS);
    EXPECT_EQ(made, nullptr);
    EXPECT_FALSE(type.DeleteDescription(nullptr));
    EXPECT_EQ(type.GetResult(), KV_E_INVALID_POINTER);
}

TEST(UIObjectCatalogType, AddFilesByIdentifierAndId) {
    CKvUIObjectCatalog catalog;
    UIObjectIdMap ids;
    CKvUIObjectCatalogType type(kUIObjectString, 0, 2, "UIOBJECTSTRING", &catalog, &ids);
    auto* a = new CKvUIObjectString(nullptr, 0, "A");
    a->SetId(100);
    EXPECT_EQ(type.Add(a), KV_OK);
    EXPECT_EQ(a->GetOwner(), &catalog);
    // Adding the filed description again changes nothing and keeps it alive.
    EXPECT_EQ(type.Add(a), KV_OK);
    EXPECT_EQ(type.GetCount(), 1u);
    EXPECT_EQ(a->GetIdentifier(), "A");
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(ids.begin()->first, 100u);

    auto* replacing = new CKvUIObjectString(nullptr, 0, "A");
    replacing->SetId(101);
    EXPECT_EQ(type.Add(replacing), KV_OK);
    EXPECT_EQ(type.GetCount(), 1u);
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(ids.begin()->second, replacing);
    CKvUIObject* found = nullptr;
    EXPECT_TRUE(type.Lookup(found, "A"));
    EXPECT_EQ(found, replacing);

    CKvUIObjectDialog wrong(nullptr, 0, "W");
    EXPECT_EQ(type.Add(&wrong), KV_E_WRONG_RECORD_TYPE);
    EXPECT_EQ(type.Add(nullptr), KV_E_INVALID_POINTER);
    auto* b = new CKvUIObjectString(nullptr, 0, "B");
    b->SetId(102);
    EXPECT_EQ(type.Add(b), KV_OK);
    CKvUIObjectString full(nullptr, 0, "A");
    EXPECT_EQ(type.Add(&full), KV_E_LIST_FULL);

    type.RemoveAll();
    EXPECT_EQ(type.GetCount(), 0u);
    EXPECT_TRUE(ids.empty());
    EXPECT_FALSE(type.Lookup(found, "A"));
    EXPECT_EQ(found, nullptr);
}

TEST(UIObjectCatalogType, ClearDeletesTheDescriptionsItHeld) {
    UIObjectIdMap ids;
    CKvUIObjectCatalogType type(kUIObjectString, 0, 4, "UIOBJECTSTRING", nullptr, &ids);
    auto* a = new CKvUIObjectString(nullptr, 0, "A");
    ASSERT_EQ(type.Add(a), KV_OK);
    type.Clear(); // no description is left behind unowned
    EXPECT_EQ(type.GetCount(), 0u);
    EXPECT_TRUE(ids.empty());
    EXPECT_EQ(type.GetTypeCode(), 0u);
    EXPECT_EQ(type.GetCapacity(), 0u);
    EXPECT_EQ(type.GetTag(), "");
    CKvUIObjectString refused(nullptr, 0, "B");
    EXPECT_EQ(type.Add(&refused), KV_E_LIST_FULL);
}

} // namespace
