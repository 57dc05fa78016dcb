// FUZZ_LIBRARIES: kv_capi kv_capi_sim
// Arbitrary bytes arrive as received CAPI messages of the owner's
// application (each preceded by its length byte) while a tick manager and a
// listen manager run and the owner answers what nobody answered. Nothing may
// read outside a message, and every manager keeps running.

#include "capi/capi_host.h"
#include "capi/capi_listen_manager.h"
#include "capi/capi_payloads.h"
#include "capi/capi_tick_manager.h"
#include "platform/capi/scripted_capi_controller.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ScriptedCapiController capi;
    capi.AddController(1, 2);
    CapiHost host(&capi);
    if (host.Start() != KV_OK || host.QueryControllers() != KV_OK)
        std::abort();
    CapiControllerRecord* controller = host.GetControllerList().GetAt(0);
    controller->source_number = "5550";
    host.GetConnectionTable().CreateRecords(2, host.GetApplId(), controller);

    auto* tick = new CapiTickManager;
    host.FileManager(tick);
    tick->SetApplId(host.GetApplId());
    tick->SetText1("5550");
    tick->SetState(capi_state::kListening);
    auto* listen = new CapiListenManager;
    auto watched = std::make_unique<PHONE_NUMBER>();
    watched->GetIdentifier() = watched->GetNumber() = "5550";
    listen->GetNumberList().Add(watched);
    host.FileManager(listen);
    listen->SetApplId(host.GetApplId());
    listen->SetState(capi_state::kListening);

    std::size_t at = 0;
    while (at < size) {
        const std::size_t length = data[at++];
        const std::size_t taken = length < size - at ? length : size - at;
        std::vector<std::uint8_t> message(data + at, data + at + taken);
        at += taken;
        host.StoreMessage(host.GetApplId(), message);
        host.Pass();
        if (host.GetManagerCount() != 2)
            std::abort();
    }
    return 0;
}
