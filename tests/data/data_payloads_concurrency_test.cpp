#include "data/data_payloads.h"

#include "core/handle_table.h"
#include "data_test_support.h"
#include "framework/framework_payloads.h"
#include "framework/message.h"
#include "framework/message_router.h"
#include "framework/win_thread.h"
#include "platform/sync.h"

namespace {

constexpr DWORD kWait = 20000;
constexpr std::uint16_t kSender = 0x810;
constexpr std::uint16_t kReceiver = 0x811;
constexpr std::int32_t kCommand = 1;

void RegisterCountedDataPayloads() {
    DataRecords::RegisterCounted();
    RegisterCountedPayloads<Counted<CKvDataHandlerStore, KV_PAYLOAD_DATA_HANDLER_STORE>,
                            Counted<CKvNetworkSettings, KV_PAYLOAD_NETWORK_SETTINGS>>();
}

std::vector<std::int32_t> DataPayloadCodes() {
    std::vector<std::int32_t> codes(std::begin(kDataRecordCodes), std::end(kDataRecordCodes));
    codes.push_back(KV_PAYLOAD_DATA_HANDLER_STORE);
    codes.push_back(KV_PAYLOAD_NETWORK_SETTINGS);
    return codes;
}

std::string SettingsText(CKvNetworkSettings& settings) {
    std::string text = settings.host.GetName() + ":" + std::to_string(settings.host.GetPort());
    for (const std::string& part : settings.texts)
        text += "|" + part;
    return text + "|" + SettingsEntries(settings) + "|" + XmlText(settings.GetProfileStore());
}

// What a payload holds, as text.
std::string PayloadText(void* payload, std::int32_t code) {
    if (code == KV_PAYLOAD_DATA_HANDLER_STORE)
        return XmlText(*static_cast<CKvDataHandlerStore*>(payload));
    if (code == KV_PAYLOAD_NETWORK_SETTINGS)
        return SettingsText(*static_cast<CKvNetworkSettings*>(payload));
    return Fingerprint(*static_cast<CKvDataHandler*>(payload));
}

// Fills a new payload of the code with sample content.
void FillPayload(void* payload, std::int32_t code) {
    if (code == KV_PAYLOAD_DATA_HANDLER_STORE) {
        auto& store = *static_cast<CKvDataHandlerStore*>(payload);
        store.Init(K_KVDT_TP_DTHDLR_DATACONTACT, 1, 4, "DATA_TYPE_HANDLER", nullptr);
        for (std::uint32_t index = 0; index < 2; ++index)
            store.Add(SampleRecord(K_KVDT_TP_DTHDLR_DATACONTACT, index).release());
        return;
    }
    if (code == KV_PAYLOAD_NETWORK_SETTINGS) {
        auto& settings = *static_cast<CKvNetworkSettings*>(payload);
        settings.host.Set("gateway", 0x0A000001, 8080);
        settings.texts[1] = "second";
        settings.AddEntry(7, "seven", "a");
        settings.GetProfileStore().Add(SampleRecord(K_KVDT_TP_DTHDLR_DATAVOIPPROFILE, 0).release());
        return;
    }
    const std::unique_ptr<CKvDataHandler> sample =
        SampleRecord(static_cast<std::uint32_t>(code), 2);
    CopyPayloadByType(payload, sample.get(), code);
}

// Sends one message per data payload class to the receiver when it starts.
class SenderThread : public CKvWinThread {
public:
    explicit SenderThread(CKvMessageRouter* router)
        : CKvWinThread(router, kSender, "sender", false) {
        routing_enabled_ = true;
    }
    ~SenderThread() override { JoinThread(); }
    // Read only after `sent_all` is set.
    std::map<std::int32_t, std::string> sent;
    ManualResetEvent sent_all;

protected:
    bool OnInitInstance() override {
        for (const std::int32_t code : DataPayloadCodes()) {
            auto* message = new CKvMessage;
            void* payload = nullptr;
            if (!message->CreatePayload(payload, code)) {
                message->Release();
                continue;
            }
            FillPayload(payload, code);
            sent[code] = PayloadText(payload, code);
            message->SetKindAndCommand(KV_MSG_KIND_INFO, kCommand, 0);
            if (message->Send(kReceiver, kSender, GetRouter(), 0, true, false) != KV_OK)
                message->Release();
        }
        sent_all.Set();
        return true;
    }
};

// Takes each payload's text and releases the message with its payload.
class ReceiverThread : public CKvWinThread {
public:
    ReceiverThread(CKvMessageRouter* router, std::size_t expected)
        : CKvWinThread(router, kReceiver, "receiver", false), expected_(expected) {
        routing_enabled_ = true;
    }
    ~ReceiverThread() override { JoinThread(); }

    // Read only after `received_all` is set.
    std::map<std::int32_t, std::string> received;
    ManualResetEvent received_all;

protected:
    bool OnInitInstance() override {
        GetStartedEvent().Set();
        return true;
    }

    KvResult OnInfo(CKvMessage* message) override {
        if (message->GetCommand() == kCommand && message->GetPayload() != nullptr) {
            const std::int32_t code = message->GetPayloadType();
            received[code] = PayloadText(message->GetPayload(), code);
        }
        message->Release();
        if (received.size() == expected_)
            received_all.Set();
        return KV_OK;
    }

private:
    std::size_t expected_;
};

TEST(DataPayloadsConcurrency, EveryDataPayloadCrossesThreadsIntactAndIsDestroyedOnce) {
    RegisterFrameworkPayloads();
    RegisterDataPayloads(); // the factory serves stores and copies
    RegisterCountedDataPayloads();
    const std::vector<std::int32_t> codes = DataPayloadCodes();

    CKvMessageRouter router;
    ASSERT_EQ(router.Init(&GetHandleTable()), KV_OK);
    ReceiverThread receiver(&router, codes.size());
    ASSERT_TRUE(receiver.CreateThread());
    ASSERT_TRUE(receiver.WaitStarted(kWait));
    SenderThread sender(&router);
    ASSERT_TRUE(sender.CreateThread());
    ASSERT_TRUE(sender.sent_all.Wait(kWait));
    ASSERT_TRUE(receiver.received_all.Wait(kWait));
    EXPECT_EQ(sender.Stop(kWait), KV_OK);
    EXPECT_EQ(receiver.Stop(kWait), KV_OK);

    for (const std::int32_t code : codes) {
        SCOPED_TRACE(code);
        ASSERT_EQ(sender.sent.count(code), 1u);
        EXPECT_FALSE(sender.sent[code].empty());
        EXPECT_EQ(receiver.received[code], sender.sent[code]);
        EXPECT_EQ(created_payloads[code], 1);
        EXPECT_EQ(destroyed_payloads[code], 1);
    }
    RegisterDataPayloads();
}

} // namespace
