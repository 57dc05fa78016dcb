// Demonstration: the dial and transfer managers on the scripted controller.
// The dial manager delivers a 12-byte packed message in the calling party
// subaddress; the network has no free channel the first time (0x34A2), so
// the item is dialled again 300 ms later. Then the transfer manager calls a
// first number, holds it, calls a second number and joins the two by
// explicit call transfer. Every CAPI message is printed, with the clock.

#include "capi/capi_dial_manager.h"
#include "capi/capi_host.h"
#include "capi/capi_payloads.h"
#include "capi/capi_transfer_manager.h"
#include "framework/message.h"
#include "platform/capi/scripted_capi_controller.h"
#include "platform/clock.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* CommandName(std::uint8_t command) {
    switch (command) {
    case CAPI_CONNECT: return "CONNECT";
    case CAPI_CONNECT_ACTIVE: return "CONNECT_ACTIVE";
    case CAPI_DISCONNECT: return "DISCONNECT";
    case CAPI_LISTEN: return "LISTEN";
    case CAPI_INFO: return "INFO";
    case CAPI_FACILITY: return "FACILITY";
    default: return "OTHER";
    }
}

const char* SubcommandName(std::uint8_t subcommand) {
    switch (subcommand) {
    case CAPI_REQ: return "REQ";
    case CAPI_CONF: return "CONF";
    case CAPI_IND: return "IND";
    default: return "RESP";
    }
}

void PrintMessage(const char* direction, std::uint32_t at_ms, const std::uint8_t* bytes,
                  std::size_t size) {
    std::printf("%6u ms %s %s_%s:", at_ms, direction, CommandName(bytes[kCapiOffsetCommand]),
                SubcommandName(bytes[kCapiOffsetSubcommand]));
    for (std::size_t i = 0; i < size; ++i)
        std::printf(" %02X", bytes[i]);
    std::printf("\n");
}

// The scripted controller behind a recorder that prints every message put
// and every message fetched, with the clock.
class PrintingCapi final : public CapiEntryPoints {
public:
    PrintingCapi(ScriptedCapiController& capi, ManualClock& clock)
        : capi_(capi), clock_(clock), start_(clock.TickMs()) {}

    DWORD CAPI_REGISTER(DWORD size, DWORD connections, DWORD blocks, DWORD length,
                        DWORD* appl_id) override {
        return capi_.CAPI_REGISTER(size, connections, blocks, length, appl_id);
    }
    DWORD CAPI_RELEASE(DWORD appl_id) override { return capi_.CAPI_RELEASE(appl_id); }
    DWORD CAPI_PUT_MESSAGE(DWORD appl_id, const void* message) override {
        const auto* bytes = static_cast<const std::uint8_t*>(message);
        PrintMessage("->", Now(), bytes, CapiMessageLength(bytes));
        return capi_.CAPI_PUT_MESSAGE(appl_id, message);
    }
    DWORD CAPI_GET_MESSAGE(DWORD appl_id, void** message) override {
        const DWORD code = capi_.CAPI_GET_MESSAGE(appl_id, message);
        if (code == 0 && *message != nullptr) {
            const auto* bytes = static_cast<const std::uint8_t*>(*message);
            PrintMessage("<-", Now(), bytes, CapiMessageLength(bytes));
        }
        return code;
    }
    DWORD CAPI_WAIT_FOR_SIGNAL(DWORD appl_id) override { return capi_.CAPI_WAIT_FOR_SIGNAL(appl_id); }
    DWORD CAPI_GET_MANUFACTURER(char* buffer) override { return capi_.CAPI_GET_MANUFACTURER(buffer); }
    DWORD CAPI_GET_VERSION(DWORD* a, DWORD* b, DWORD* c, DWORD* d) override {
        return capi_.CAPI_GET_VERSION(a, b, c, d);
    }
    DWORD CAPI_GET_SERIAL_NUMBER(char* buffer) override {
        return capi_.CAPI_GET_SERIAL_NUMBER(buffer);
    }
    DWORD CAPI_GET_PROFILE(void* buffer, DWORD controller) override {
        return capi_.CAPI_GET_PROFILE(buffer, controller);
    }
    DWORD CAPI_INSTALLED() override { return capi_.CAPI_INSTALLED(); }

private:
    std::uint32_t Now() const { return clock_.TickMs() - start_; }

    ScriptedCapiController& capi_;
    ManualClock& clock_;
    std::uint32_t start_;
};

void Drive(CapiHost& host, ManualClock& clock, int passes, std::uint32_t step_ms) {
    for (int i = 0; i < passes; ++i) {
        host.Pass();
        clock.Advance(step_ms);
    }
}

CKvMessage* RequestFor(void* payload, std::int32_t type) {
    auto* message = new CKvMessage;
    message->SetHeader(KV_MSG_KIND_REQUEST, payload, type, 0, 0, 0);
    return message;
}

} // namespace

int main() {
    RegisterCapiPayloads();
    ManualClock clock(3'900'000'000LL);
    ScopedClock scoped(clock);
    ScriptedCapiController capi;
    capi.AddController(1, 2);
    PrintingCapi printing(capi, clock);
    CapiHost host(&printing);
    if (host.Start() != KV_OK || host.QueryControllers() != KV_OK) {
        std::printf("CAPI did not start\n");
        return 1;
    }
    CapiControllerRecord* controller = host.GetControllerList().GetAt(0);
    controller->source_number = "5550";
    host.GetConnectionTable().CreateRecords(4, host.GetApplId(), controller);

    std::printf("Dial manager: a packed message in the calling party subaddress\n");
    auto* dial = new CapiDialManager;
    dial->SetCallingNumber("5550");
    host.FileManager(dial);
    auto* item = new CapiDialManager;
    item->SetCalledNumber("0891234");
    const std::uint8_t packed[12] = {'K', 'V', 1, 0, 'H', 'e', 'l', 'l', 'o', '!', 0x0D, 0x0A};
    item->SetSubaddress(packed, sizeof packed);
    dial->GetQueue().Add(RequestFor(item, KV_PAYLOAD_CAPI_DIAL_MANAGER), false);
    capi.ScriptOutgoingCall({ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnect, 0x34A2, 20)});
    capi.ScriptOutgoingCall({ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnect, 0x3490, 400)});
    Drive(host, clock, 100, 10);
    std::printf("attempts: %u, items left: %zu\n\n", dial->GetAttemptCount(),
                dial->GetQueueSet().TotalCount());
    dial->GetQueue().Add([] {
        auto* stop = new CKvMessage;
        stop->SetAttribute(KV_MSG_ATTR_SHUTDOWN);
        return stop;
    }(), false);
    Drive(host, clock, 4, 10);

    std::printf("Transfer manager: 0301111 joined to 0302222 by explicit call transfer\n");
    auto* transfer = new CapiTransferManager;
    transfer->SetCallingNumber("0301111");
    transfer->SetCalledNumber("0302222");
    host.FileManager(transfer);
    capi.ScriptOutgoingCall({ScriptedCapiStep::Make(ScriptedCapiStep::kConnectActive, 0, 500)});
    capi.ScriptOutgoingCall({ScriptedCapiStep::Make(ScriptedCapiStep::kAlerting, 0, 300)});
    Drive(host, clock, 40, 50);
    const auto puts = capi.GetPutMessages();
    std::uint32_t first_plci = 0;
    std::uint32_t second_plci = 0;
    for (const auto& put : puts)
        if (put.size() >= 22 && put[kCapiOffsetCommand] == CAPI_FACILITY &&
            put[kCapiOffsetSubcommand] == CAPI_REQ && put[15] == kCapiFacilityEct) {
            first_plci = CapiGetDword(&put[8]);
            second_plci = CapiGetDword(&put[18]);
        }
    if (first_plci == 0) {
        std::printf("no explicit call transfer was requested\n");
        return 1;
    }
    capi.ScheduleSteps(first_plci, {ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnect, 0x3490)});
    capi.ScheduleSteps(second_plci, {ScriptedCapiStep::Make(ScriptedCapiStep::kDisconnect, 0x3490)});
    Drive(host, clock, 10, 50);
    std::printf("managers left: %zu, protocol violations: %zu\n", host.GetManagerCount(),
                capi.GetViolations().size());
    return capi.GetViolations().empty() && host.GetManagerCount() == 0 ? 0 : 1;
}
