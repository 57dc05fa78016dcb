#include "data/data_client_general.h"

#include "data/network_settings.h"
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

std::string Entries(const CKvNetworkSettings& settings) {
    std::string entries;
    CKvNetworkSettings::Position position;
    settings.GetStartPosition(position);
    std::uint32_t key = 0;
    std::string identifier;
    std::string data;
    while (settings.GetNextEntry(position, key, identifier, data))
        entries += std::to_string(key) + "=" + identifier + ":" + data + ";";
    return entries;
}

TEST(NetworkSettings, EntriesAreReplacedInPlaceAndResetEmptiesTheSettings) {
    using Profile = TestRecord<K_KVDT_TP_DTHDLR_DATAVOIPPROFILE>;
    ScopedRecordType<Profile> profiles;
    CKvNetworkSettings settings;
    settings.host.SetPort(8080);
    settings.AddEntry(7, "seven", "a");
    settings.AddEntry(2, "two", "b");
    settings.AddEntry(7, "SEVEN", "c");
    EXPECT_EQ(Entries(settings), "7=SEVEN:c;2=two:b;");
    std::unique_ptr<CKvDataHandler> profile = std::make_unique<Profile>();
    static_cast<Profile&>(*profile).name_ = "office";
    ASSERT_EQ(settings.GetProfileStore().Add(profile), KV_OK);

    settings.Reset();
    EXPECT_EQ(settings.host.GetPort(), 80u);
    EXPECT_EQ(Entries(settings), "");
    EXPECT_EQ(settings.GetProfileStore().GetCount(), 0);
    EXPECT_EQ(settings.GetProfileStore().GetCapacity(), 16);
    EXPECT_EQ(settings.GetProfileStore().GetHandlerType(), K_KVDT_TP_DTHDLR_DATAVOIPPROFILE);
}

} // namespace
