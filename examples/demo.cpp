// Demonstration: the framework's values turned into their text forms and back,
// phone numbers made dialable and written as XML, the road of one call event
// from a host thread to a worker thread through the router, and a store of
// contacts written as XML and read back.

#include "core/bounded_string_list.h"
#include "core/dialling_rules.h"
#include "core/function_flag_tables.h"
#include "core/handle_table.h"
#include "core/phone_category.h"
#include "core/phone_number.h"
#include "core/text_values.h"
#include "core/time_date.h"
#include "core/xml_document.h"
#include "data/data_call.h"
#include "data/data_contact.h"
#include "data/data_handler_store.h"
#include "data/data_payloads.h"
#include "framework/framework_payloads.h"
#include "framework/message_router.h"
#include "framework/win_thread.h"
#include "platform/telephony_location.h"

#include <cstdio>
#include <memory>
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

void ShowDialling() {
    // A machine in Berlin: outside line 0, two-digit extensions behind 9.
    SetTelephonyLocation({"49", "30", "G", "0FG", "00EFG"});
    DiallingRules rules;
    rules.SetExternalAffixes("0", "");
    rules.SetInternalAffixes("9", "", 2);
    rules.AreaCode() = "030";
    rules.LoadCountryRules("49");
    for (const char* typed : {"+49 (89) 1234-56", "+1 (206) 555-1212", "030 2345678", "9 12"}) {
        std::string number = typed;
        std::string dialable;
        rules.MakeDialableNumber(dialable, number);
        std::printf("Dialable %-17s: %s\n", typed, dialable.c_str());
    }
    ClearTelephonyLocation();
}

void ShowPhoneList() {
    PHONE_NUMBER_LIST phones;
    phones.GetIdentifier() = "contact-17";
    const struct {
        const char* identifier;
        std::uint32_t category;
        const char* number;
    } entries[] = {{"office", 1, "+49 (30) 2345678"}, {"mobile", 4, "0171 2345678"}};
    for (const auto& entry : entries) {
        std::string identifier = entry.identifier;
        PHONE_NUMBER* phone = nullptr;
        if (phones.CreateEntry(phone, identifier) != KV_OK)
            continue;
        phone->SetCategory(entry.category);
        phone->GetNumber() = entry.number;
    }
    XmlDocument document;
    XmlNode* element = nullptr;
    phones.WriteXml(element, document, document.GetRoot());
    std::string text;
    document.GetText(text);
    std::printf("Phone list as XML: %s\n", text.c_str());
}

constexpr std::uint16_t kHostEndpoint = 0x800;
constexpr std::uint16_t kWorkerEndpoint = 0x105;
constexpr DWORD kWaitMs = 10000;

// The plug-in's worker: takes call notifications and answers the host.
class WorkerThread : public CKvWinThread {
public:
    explicit WorkerThread(CKvMessageRouter* router)
        : CKvWinThread(router, kWorkerEndpoint, "veltrix-APP_WORKER", false) {
        routing_enabled_ = true;
    }
    ~WorkerThread() override { JoinThread(); }

protected:
    bool OnInitInstance() override {
        GetStartedEvent().Set();
        return true;
    }

    KvResult OnInfo(CKvMessage* message) override {
        if (message->GetCommand() == KV_MSG_COMMAND_NOTIFICATION &&
            message->GetPayloadType() == K_KVDT_TP_DTHDLR_DATACALL)
            ReportCall(*static_cast<CKvDataCall*>(message->GetPayload()));
        message->Release();
        return KV_OK;
    }

private:
    void ReportCall(CKvDataCall& call) {
        std::string start;
        call.GetStartTime().GetText(start);
        std::printf("worker: %s call with %s %s (%s), number %s, started %s\n",
                    call.IsOutgoing() ? "outgoing" : "incoming", call.GetFirstName().c_str(),
                    call.GetLastName().c_str(), call.GetCompanyName().c_str(),
                    call.GetPhoneNumber().GetNumber().c_str(), start.c_str());

        XmlDocument document;
        XmlNode* element = nullptr;
        call.WriteXml(element, document, document.GetRoot());
        std::string text;
        document.GetText(text);
        std::printf("worker: the call as XML: %s\n", text.c_str());

        auto* answer = new CKvMessage;
        answer->SetHeader(KV_MSG_KIND_INFO, nullptr, 0, KV_MSG_COMMAND_NOTIFICATION, 0, 0);
        answer->SetFirstText("journal entry for " + call.GetLastName() + " created");
        answer->Send(kHostEndpoint, kWorkerEndpoint, GetRouter(), 0, true, false);
    }
};

// The host: reports one incoming call to the worker and waits for its answer.
class HostThread : public CKvWinThread {
public:
    explicit HostThread(CKvMessageRouter* router)
        : CKvWinThread(router, kHostEndpoint, "host", false) {
        routing_enabled_ = true;
    }
    ~HostThread() override { JoinThread(); }

    ManualResetEvent answered;

protected:
    bool OnInitInstance() override {
        auto* message = new CKvMessage;
        void* payload = nullptr;
        if (!message->CreatePayload(payload, K_KVDT_TP_DTHDLR_DATACALL)) {
            message->Release();
            return true;
        }
        auto& call = *static_cast<CKvDataCall*>(payload);
        call.GetLastName() = "Lindqvist";
        call.GetFirstName() = "Maren";
        call.GetCompanyName() = "Nordlicht Logistik";
        call.GetPhoneNumber().GetNumber() = "+49 (40) 5550123";
        call.GetFlagCallOut().Set(0);
        call.GetStartTime().SetNow();
        message->SetHeader(KV_MSG_KIND_INFO, payload, K_KVDT_TP_DTHDLR_DATACALL,
                           KV_MSG_COMMAND_NOTIFICATION, 0, 0);
        std::printf("host: reporting an incoming call to endpoint 0x%X\n", kWorkerEndpoint);
        message->Send(kWorkerEndpoint, kHostEndpoint, GetRouter(), 0, true, false);
        return true;
    }

    KvResult OnInfo(CKvMessage* message) override {
        std::printf("host: the worker answers \"%s\"\n", message->GetFirstText().c_str());
        message->Release();
        answered.Set();
        return KV_OK;
    }
};

bool ShowRoadOfOneCallEvent() {
    CKvMessageRouter router;
    router.Init(&GetHandleTable());
    WorkerThread worker(&router);
    worker.CreateThread();
    worker.WaitStarted(kWaitMs);
    HostThread host(&router);
    host.CreateThread();
    const bool answered = host.answered.Wait(kWaitMs);
    host.Stop(kWaitMs);
    worker.Stop(kWaitMs);
    return answered;
}

void AddContact(CKvDataHandlerStore& store, std::uint32_t identifier, const char* last_name,
                const char* number) {
    auto contact = std::make_unique<CKvDataContact>(nullptr, identifier);
    contact->SetIdentifier(identifier);
    contact->GetLastName() = last_name;
    std::string phone_identifier = "office";
    PHONE_NUMBER* phone = nullptr;
    if (contact->GetPhoneNumberList().CreateEntry(phone, phone_identifier) == KV_OK)
        phone->GetNumber() = number;
    std::unique_ptr<CKvDataHandler> record = std::move(contact);
    store.Add(record);
}

void ShowContactStore() {
    // Contacts are kept by their key text (last name, first name, company).
    constexpr std::uint32_t kKeyTextMode = 1;
    CKvDataHandlerStore store(K_KVDT_TP_DTHDLR_DATACONTACT, kKeyTextMode, 100, "DATA_TYPE_HANDLER",
                              nullptr);
    AddContact(store, 1, "Lindqvist", "+49 (40) 5550123");
    AddContact(store, 2, "Okafor", "+44 (20) 7946 0018");

    XmlDocument written;
    XmlNode* element = nullptr;
    store.WriteXml(element, written, written.GetRoot());
    std::string text;
    written.GetText(text);
    std::printf("store of %d contacts as XML (%zu bytes): %.160s...\n", store.GetCount(),
                text.size(), text.c_str());

    XmlDocument parsed;
    parsed.Parse(text);
    CKvDataHandlerStore read_back(K_KVDT_TP_DTHDLR_DATACONTACT, kKeyTextMode, 100,
                                  "DATA_TYPE_HANDLER", nullptr);
    for (XmlNode* child : parsed.GetRoot()->GetChildList())
        read_back.ReadXml(child);
    std::printf("read back: %d contacts:", read_back.GetCount());
    for (CKvDataHandler* record = read_back.GetFirst(); record; record = read_back.GetNext())
        std::printf(" %s", static_cast<CKvDataContact*>(record)->GetLastName().c_str());
    std::printf("\n");
}

} // namespace

int main() {
    RegisterFrameworkPayloads();
    RegisterDataPayloads();
    std::printf("== Values and keyword tables ==\n");
    ShowTimeDate();
    ShowValues();
    ShowKeywords();
    std::printf("\n== Dialling rules and phone numbers ==\n");
    ShowDialling();
    ShowPhoneList();
    std::printf("\n== The road of one call event ==\n");
    if (!ShowRoadOfOneCallEvent()) {
        std::printf("the worker did not answer\n");
        return 1;
    }
    std::printf("\n== A store of contacts ==\n");
    ShowContactStore();
    return 0;
}
