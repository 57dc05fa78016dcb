#include "data/network_settings.h"

#include "data_test_support.h"

namespace {

TEST(NetworkSettings, EntriesAreReplacedInPlaceAndResetEmptiesTheSettings) {
    using Profile = TestRecord<K_KVDT_TP_DTHDLR_DATAVOIPPROFILE>;
    ScopedRecordType<Profile> profiles;
    CKvNetworkSettings settings;
    settings.host.SetPort(8080);
    settings.AddEntry(7, "seven", "a");
    settings.AddEntry(2, "two", "b");
    settings.AddEntry(7, "SEVEN", "c");
    EXPECT_EQ(SettingsEntries(settings), "7=SEVEN:c;2=two:b;");
    std::unique_ptr<CKvDataHandler> profile = std::make_unique<Profile>();
    static_cast<Profile&>(*profile).name_ = "office";
    ASSERT_EQ(settings.GetProfileStore().Add(profile), KV_OK);

    settings.Reset();
    EXPECT_EQ(settings.host.GetPort(), 80u);
    EXPECT_EQ(SettingsEntries(settings), "");
    EXPECT_EQ(settings.GetProfileStore().GetCount(), 0);
    EXPECT_EQ(settings.GetProfileStore().GetCapacity(), 16);
    EXPECT_EQ(settings.GetProfileStore().GetHandlerType(), K_KVDT_TP_DTHDLR_DATAVOIPPROFILE);
}

} // namespace
