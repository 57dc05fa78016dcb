// Demonstration: the framework's values turned into their text forms and back,
// and a message sent from one framework thread to another through the router.

#include "core/bounded_string_list.h"
#include "core/function_flag_tables.h"
#include "core/handle_table.h"
#include "core/phone_category.h"
#include "core/text_values.h"
#include "core/time_date.h"
#include "framework/message_router.h"
#include "framework/win_thread.h"

#include <cstdio>
#include <string>

namespace {

void ShowTimeDate() {
    TimeDate now;
    now.SetNow();
    std::string text;
    now.GetText(text);
    TimeDate parsed;
    parsed.SetFromText(text);
    std::printf("TimeDate now           : %s (reads back %s)\n", text.c_str(),
                parsed == now ? "equal" : "different");
}

void ShowValues() {
    UIntValue number;
    number.Parse("4294967296");
    std::string text;
    std::printf("UIntValue \"4294967296\" : %s\n", number.Format(text).c_str());

    BoolValue flag;
    std::string flag_text = "  TRUE ";
    flag.Parse(flag_text);
    std::printf("BoolValue \"  TRUE \"    : %s\n", flag.Format(text).c_str());

    BoundedStringList list;
    list.SetFromText(" alpha, beta ,,gamma");
    std::printf("BoundedStringList      : %u entries, text \"%s\"\n", list.GetCount(),
                list.GetText(text).c_str());
}

void ShowKeywords() {
    PhoneCategory category;
    category.ParseText(" office_mobile ");
    std::printf("PhoneCategory          : \" office_mobile \" -> %u \"%s\"\n", category.GetValue(),
                category.Text().c_str());

    AppFunctionFlagTable skills;
    skills.SetText("dialog_action, DIALOG_CONFIGURATION , INCOMING_CALLS");
    std::printf("AppFunctionFlagTable   : 0x%03X \"%s\"\n", skills.GetValue(),
                skills.Text().c_str());

    ControllerFunctionFlagTable functions;
    const KvResult result = functions.FormatText(0x0D);
    std::printf("ControllerFunctions 0xD: 0x%X \"%s\" (result 0x%08X: bit 8 has no keyword)\n",
                functions.GetValue(), functions.Text().c_str(), result);
}

constexpr std::uint16_t kPrinterEndpoint = 0x801;
constexpr std::uint16_t kSenderEndpoint = 0x802;
constexpr DWORD kWaitMs = 10000;

// Prints every INFO that reaches its endpoint.
class PrinterThread : public CKvWinThread {
public:
    explicit PrinterThread(CKvMessageRouter* router)
        : CKvWinThread(router, kPrinterEndpoint, "printer", false) {
        routing_enabled_ = true;
    }
    ~PrinterThread() override { JoinThread(); }

    ManualResetEvent printed;

protected:
    bool OnInitInstance() override {
        GetStartedEvent().Set();
        return true;
    }
    KvResult OnInfo(CKvMessage* message) override {
        std::printf("%s from 0x%X to \"%s\": command %d, value %u, text \"%s\"\n",
                    message->GetKindName(), message->GetSourceEndpoint(),
                    message->GetTargetName().c_str(), message->GetCommand(), message->GetValue(),
                    message->GetFirstText().c_str());
        message->Release();
        printed.Set();
        return KV_OK;
    }
};

// Sends one INFO to the printer as soon as it runs.
class SenderThread : public CKvWinThread {
public:
    explicit SenderThread(CKvMessageRouter* router)
        : CKvWinThread(router, kSenderEndpoint, "sender", false) {
        routing_enabled_ = true;
    }
    ~SenderThread() override { JoinThread(); }

protected:
    bool OnInitInstance() override {
        auto* message = new CKvMessage;
        message->SetHeader(KV_MSG_KIND_INFO, nullptr, 0, KV_MSG_COMMAND_NOTIFICATION, 0, 0);
        message->SetFirstText("hello from the sender thread");
        message->Send(kPrinterEndpoint, kSenderEndpoint, GetRouter(), 42, true, false);
        return true;
    }
};

bool ShowMessaging() {
    CKvMessageRouter router;
    router.Init(&GetHandleTable());
    PrinterThread printer(&router);
    printer.CreateThread();
    printer.WaitStarted(kWaitMs);
    SenderThread sender(&router);
    sender.CreateThread();
    const bool arrived = printer.printed.Wait(kWaitMs);
    sender.Stop(kWaitMs);
    printer.Stop(kWaitMs);
    return arrived;
}

} // namespace

int main() {
    std::printf("== Values and keyword tables ==\n");
    ShowTimeDate();
    ShowValues();
    ShowKeywords();
    std::printf("\n== Messaging ==\n");
    if (!ShowMessaging()) {
        std::printf("the message did not arrive\n");
        return 1;
    }
    return 0;
}
