// FUZZ_LIBRARIES: kv_jobs
// Arbitrary bytes (0 to 32) with a caller text reach a running chat job with
// linked and unlinked participants, as its listen manager's NOTIFICATIONs.
// Each record of the input: a length byte (taken modulo 33), a caller byte
// choosing one of the participants' numbers or a text of the input, then
// the bytes. The packets are the only outside bytes the job parses: nothing
// may crash, leak or read outside them.

#include "capi/capi_listen_manager.h"
#include "capi/capi_payloads.h"
#include "core/handle_table.h"
#include "data/data_payloads.h"
#include "framework/framework_payloads.h"
#include "jobs/job_data_chat.h"
#include "jobs/job_data_chat_fields.h"
#include "jobs/job_payloads.h"
#include "platform/clock.h"
#include "platform/message_queue.h"
#include "platform/thread_messaging.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::uint16_t kJobEndpoint = 0x900;
constexpr std::uint16_t kEndpoints[] = {KV_ENDPOINT_HOST_MAIN, KV_ENDPOINT_HOST_STATUS,
                                        KV_ENDPOINT_CHAT_LOG, KV_ENDPOINT_CAPI, kJobEndpoint};
const char* const kCallers[] = {"200", "300", "400", ""};

void AddParticipant(CKvJobDataChat& job, const char* name, const char* number,
                    std::uint32_t sub_state, std::uint32_t state, std::uint32_t id) {
    auto* user = new CKvDataUser(nullptr, 0);
    std::string text = name;
    user->SetScreenName(text);
    text = number;
    user->SetPhoneNumberOut(text);
    text = number;
    user->SetPhoneNumberIn(text);
    user->SetChatSubState(sub_state);
    user->SetChatState(state);
    chat_fields::LocalId(*user) = id;
    chat_fields::PeerId(*user) = id + 1;
    if (job.AddParticipant(user) != KV_OK)
        std::abort();
    std::uint32_t allocated = 0;
    job.AllocateLocalId(allocated, *user);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool registered = [] {
        RegisterFrameworkPayloads();
        RegisterDataPayloads();
        RegisterJobPayloads();
        RegisterCapiPayloads();
        return true;
    }();
    (void)registered;
    ManualClock clock(1000000);
    ScopedClock scoped(clock);
    auto queue = std::make_shared<MessageQueue>();
    const DWORD queue_id = RegisterMessageQueue(queue);
    CKvMessageRouter router;
    router.Init(&GetHandleTable());
    for (std::uint16_t endpoint : kEndpoints)
        router.RegisterThread(endpoint, queue_id, "fuzz");

    {
        CKvJobDataChat job;
        job.SetTarget(&router, kJobEndpoint);
        job.SetJobId(1);
        job.SetNumber("100");
        job.SetPresence(CKvJobDataChat::kOnline);
        job.ChangeState(KV_JOB_STATE_RUNNING);
        AddParticipant(job, "bob", "200", 2, 0, 5);
        AddParticipant(job, "carl", "300", 0, 3, 6);
        AddParticipant(job, "dora", "400", 1, 14, 7);

        std::size_t at = 0;
        while (at + 2 <= size) {
            const std::size_t length = data[at++] % 33;
            const std::uint8_t selector = data[at++];
            std::string caller = kCallers[selector % 4];
            if (selector >= 0xF0 && at < size) {
                const std::size_t text_length = (selector & 0x0F) < size - at
                                                    ? (selector & 0x0F)
                                                    : size - at;
                caller.assign(reinterpret_cast<const char*>(data + at), text_length);
                at += text_length;
            }
            const std::size_t taken = length < size - at ? length : size - at;
            // An exact-size copy, so that a read past the bytes is seen.
            const std::vector<std::uint8_t> bytes(data + at, data + at + taken);
            at += taken;
            auto* manager = new CapiListenManager;
            manager->SetReceivedCall(caller, bytes.data(), static_cast<std::uint32_t>(taken));
            auto* message = new CKvMessage;
            message->SetHeader(KV_MSG_KIND_INFO, manager, KV_PAYLOAD_CAPI_LISTEN_MANAGER, 1, 5,
                               KV_MSG_ATTR_NOTIFICATION);
            if (job.GetIncomingQueue().Add(message, false) != KV_OK)
                message->Release();
            job.Step();
            clock.Advance(700);
            ThreadMessage posted;
            while (queue->HasMessage() && queue->GetMessage(posted))
                reinterpret_cast<CKvMessage*>(posted.lParam)->Release();
        }
    }
    UnregisterMessageQueue(queue_id);
    for (const ThreadMessage& left : queue->CloseAndDrain())
        reinterpret_cast<CKvMessage*>(left.lParam)->Release();
    return 0;
}
