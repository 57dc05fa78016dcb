// Feeds arbitrary bytes to the job text receiver and checks that
// - no bytes crash it or leave anything behind;
// - an accepted text, written, received and written again, gives the same
//   bytes, with the same header on the received message.
// FUZZ_LIBRARIES: kv_jobs kv_job_host

#include "data/data_payloads.h"
#include "framework/framework_payloads.h"
#include "jobs/host/job_text_receiver.h"
#include "jobs/job_payloads.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Fail(const char* what, const std::string& a, const std::string& b) {
    std::fprintf(stderr, "%s\n[%s]\n[%s]\n", what, a.c_str(), b.c_str());
    std::abort();
}

std::string Header(const CKvMessage& message) {
    return std::to_string(message.GetKind()) + "/" + std::to_string(message.GetAttribute()) + "/" +
           std::to_string(message.GetPayloadType()) + "/" +
           std::to_string(message.GetSourceJobId()) + "/" +
           std::to_string(message.GetTargetJobId());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool registered = [] {
        RegisterFrameworkPayloads();
        RegisterDataPayloads();
        RegisterJobPayloads();
        return true;
    }();
    (void)registered;

    CKvJobTextReceiver receiver;
    CKvMessage* message = nullptr;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (receiver.Receive(input, message) != JobTextResult::kAccepted)
        return 0;
    std::string first;
    if (JobFromPayload(message->GetPayload())->Serialize(first) != KV_OK)
        Fail("an accepted job cannot be written", std::string(input), "");

    CKvMessage* again = nullptr;
    if (receiver.Receive(first, again) != JobTextResult::kAccepted)
        Fail("a written job is not accepted", first, "");
    std::string second;
    JobFromPayload(again->GetPayload())->Serialize(second);
    if (second != first)
        Fail("written, received and written again differs", first, second);
    if (Header(*again) != Header(*message))
        Fail("the received header differs", Header(*message), Header(*again));
    message->Release();
    again->Release();
    return 0;
}
