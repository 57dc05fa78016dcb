#include "data/network_settings.h"

#include "data/data_payloads.h"
#include "data_test_support.h"
#include "framework/payload_registry.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using Profile = TestRecord<K_KVDT_TP_DTHDLR_DATAVOIPPROFILE>;

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

TEST(NetworkSettings, NewSettingsHoldTheDefaults) {
    CKvNetworkSettings settings;
    EXPECT_EQ(settings.host.GetPort(), 80u);
    EXPECT_EQ(settings.first_number, 50050u);
    EXPECT_EQ(settings.second_number, 4u);
    EXPECT_EQ(settings.third_number, 20u);
    const int expected_flags[] = {1, 1, 1, 0, 0, 0};
    for (std::size_t index = 0; index < settings.flags.size(); ++index)
        EXPECT_EQ(settings.flags[index].Get(), expected_flags[index]) << index;
    EXPECT_EQ(settings.last_flag.Get(), 1);
    const CKvDataHandlerStore& store = settings.GetProfileStore();
    EXPECT_EQ(store.GetHandlerType(), K_KVDT_TP_DTHDLR_DATAVOIPPROFILE);
    EXPECT_EQ(store.GetKeyMode(), 1u);
    EXPECT_EQ(store.GetCapacity(), 16);
    EXPECT_EQ(store.GetElementName(), "");
}

TEST(NetworkSettings, CopyThroughTheRegistryIsIndependentAndResetEmptiesIt) {
    RegisterDataPayloads();
    ScopedRecordType<Profile> profiles;
    auto source = std::make_unique<CKvNetworkSettings>();
    source->host.SetPort(8080);
    source->texts[2] = "third";
    source->AddEntry(7, "seven", "a");
    source->AddEntry(2, "two", "b");
    source->AddEntry(7, "SEVEN", "c"); // replaced in its place
    std::unique_ptr<CKvDataHandler> profile = std::make_unique<Profile>();
    static_cast<Profile&>(*profile).name_ = "office";
    ASSERT_EQ(source->GetProfileStore().Add(profile), KV_OK);

    void* payload = nullptr;
    ASSERT_TRUE(CreatePayloadByType(payload, KV_PAYLOAD_NETWORK_SETTINGS));
    ASSERT_TRUE(CopyPayloadByType(payload, source.get(), KV_PAYLOAD_NETWORK_SETTINGS));
    source.reset();
    auto& copy = *static_cast<CKvNetworkSettings*>(payload);
    EXPECT_EQ(copy.host.GetPort(), 8080u);
    EXPECT_EQ(copy.texts[2], "third");
    EXPECT_EQ(Entries(copy), "7=SEVEN:c;2=two:b;");
    ASSERT_EQ(copy.GetProfileStore().GetCount(), 1);
    EXPECT_EQ(copy.GetProfileStore().GetFirst()->GetKey(), "office");

    copy.Reset();
    EXPECT_EQ(copy.host.GetPort(), 80u);
    EXPECT_EQ(Entries(copy), "");
    EXPECT_EQ(copy.GetProfileStore().GetCount(), 0);
    EXPECT_EQ(copy.GetProfileStore().GetCapacity(), 16);
    EXPECT_EQ(DestroyPayloadByType(payload, KV_PAYLOAD_NETWORK_SETTINGS), KV_OK);
}

} // namespace
