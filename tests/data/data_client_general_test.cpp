#include "data/data_client_general.h"

#include "data_test_support.h"

namespace {

TEST(DataClientGeneral, FailsEveryPersistenceAndAnyTwoRecordsShareTheKey) {
    CKvDataClientGeneral record;
    XmlDocument document;
    XmlNode* root = document.GetRoot();
    XmlNode* out = root;
    EXPECT_EQ(record.WriteXml(out, document, root), KV_E_FAIL);
    EXPECT_EQ(out, root);
    EXPECT_TRUE(root->GetChildList().empty());
    EXPECT_EQ(record.ReadDom(DomElementPtr()), KV_E_FAIL);

    // In key mode a store gives up its record for any other of the type.
    CKvDataHandlerStore store(K_KVDT_TP_DTHDLR_DATACLIENTGENERAL, 1, 4, "S", nullptr);
    std::unique_ptr<CKvDataHandler> stored = std::make_unique<CKvDataClientGeneral>();
    stored->SetIdentifier(2);
    ASSERT_EQ(store.Add(stored), KV_OK);
    std::unique_ptr<CKvDataHandler> removed;
    EXPECT_TRUE(store.Remove(removed, &record, false));
    EXPECT_EQ(removed->GetIdentifier(), 2u);
}

TEST(DataClientGeneral, CloneCarriesTheTextsButNotTheSpareText) {
    CKvDataClientGeneral source;
    source.GetSpareText() = "tag";
    source.GetThirdText() = "c";
    std::unique_ptr<CKvDataHandler> clone;
    ASSERT_TRUE(source.Clone(clone));
    auto& copy = dynamic_cast<CKvDataClientGeneral&>(*clone);
    EXPECT_EQ(copy.GetSpareText(), "");
    EXPECT_EQ(copy.GetThirdText(), "c");
}

} // namespace
