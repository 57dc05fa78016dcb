#pragma once
// Helpers of the job tests: the payload registrations, a router whose
// endpoints post into a queue the test reads, and a loopback identity.

#include "core/handle_table.h"
#include "core/xml_document.h"
#include "data/data_payloads.h"
#include "framework/connection_objects.h"
#include "framework/framework_payloads.h"
#include "framework/message.h"
#include "framework/message_router.h"
#include "jobs/job_data.h"
#include "jobs/job_payloads.h"
#include "platform/local_identity.h"
#include "platform/message_queue.h"
#include "platform/name_resolver.h"
#include "platform/thread_messaging.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

// Resolves "server.test" to 127.0.0.1, and nothing else.
class LoopbackResolver final : public NameResolver {
public:
    bool LookupName(std::uint32_t, std::string&) override { return false; }
    bool LookupAddress(const std::string& name, std::uint32_t& address) override {
        address = kLoopbackAddress;
        return name == "server.test";
    }
};

inline void RegisterAllPayloads() {
    RegisterFrameworkPayloads();
    RegisterDataPayloads();
    RegisterJobPayloads();
}

using MessagePtr = std::unique_ptr<CKvMessage, void (*)(CKvMessage*)>;

inline MessagePtr Own(CKvMessage* message) {
    return MessagePtr(message, [](CKvMessage* m) {
        if (m != nullptr)
            m->Release();
    });
}

// A router whose endpoints all post into one queue.
class CapturingRouter {
public:
    explicit CapturingRouter(std::initializer_list<std::uint16_t> endpoints)
        : queue_(std::make_shared<MessageQueue>()) {
        RegisterAllPayloads();
        router_.Init(&GetHandleTable());
        queue_id_ = RegisterMessageQueue(queue_);
        for (std::uint16_t endpoint : endpoints)
            router_.RegisterThread(endpoint, queue_id_, "test");
    }
    ~CapturingRouter() {
        UnregisterMessageQueue(queue_id_);
        for (const ThreadMessage& left : queue_->CloseAndDrain())
            reinterpret_cast<CKvMessage*>(left.lParam)->Release();
    }
    CKvMessageRouter* Get() { return &router_; }
    // The next message posted, and the endpoint it was posted to; null when
    // none is waiting.
    MessagePtr Take(std::uint16_t* endpoint = nullptr) {
        ThreadMessage posted;
        if (!queue_->HasMessage() || !queue_->GetMessage(posted))
            return Own(nullptr);
        if (endpoint != nullptr)
            *endpoint = static_cast<std::uint16_t>(posted.message);
        return Own(reinterpret_cast<CKvMessage*>(posted.lParam));
    }
    std::size_t Count() const { return queue_->GetCount(); }
    // Every message posted so far, with the endpoint it was posted to.
    std::vector<std::pair<std::uint16_t, MessagePtr>> TakeAll() {
        std::vector<std::pair<std::uint16_t, MessagePtr>> posted;
        std::uint16_t endpoint = 0;
        while (MessagePtr message = Take(&endpoint))
            posted.emplace_back(endpoint, std::move(message));
        return posted;
    }

private:
    CKvMessageRouter router_;
    std::shared_ptr<MessageQueue> queue_;
    DWORD queue_id_ = 0;
};

// Parses a whole job text and lets the job read its element.
inline KvResult ReadJobText(const std::string& text, CKvJobData& job) {
    XmlDocument document;
    document.Parse(text);
    XmlNode* header = nullptr;
    document.FindNode(header, "JobData");
    return job.ReadXml(header);
}

// Stands for the client job (type 17) of a peer: only its state and peer
// count.
class TestClientJob : public CKvJobData {
public:
    TestClientJob(const char* address, std::uint32_t port, const char* login = "anna") {
        type_code_ = K_KVJBDT_TP_CLIENT;
        state_ = KV_JOB_STATE_RUNNING;
        SetPeerAddress(address);
        GetPeerComputer().SetPort(port);
        SetLoginName(login);
        transport_mode_ = KV_TRANSPORT_REMOTE_PEER;
    }
    KvResult ReadXml(const XmlNode*) override { return JobDataNoXml(); }
    KvResult WriteXml(XmlNode*) override { return JobDataNoXml(); }
    KvResult StepRequester() override { return JobDataNotSupported(); }
    KvResult StepExecutor() override { return JobDataNotSupported(); }
    KvResult CheckRootJob() override { return JobDataNotSupported(); }
};

// A message with a new payload of the type, put into the job's queue; the
// payload is returned for the test to fill.
template <typename Payload>
Payload* Deliver(CKvJobData& job, std::int32_t payload_type, std::int32_t kind,
                 std::int32_t attribute) {
    void* payload = nullptr;
    CreatePayloadByType(payload, payload_type);
    auto* message = new CKvMessage;
    message->SetHeader(kind, payload, payload_type, KV_MSG_COMMAND_NOTIFICATION, 5, attribute);
    job.GetIncomingQueue().Add(message, false);
    return static_cast<Payload*>(payload);
}

// The job text a network request (2062) carries.
inline std::string SentText(const MessagePtr& sent) {
    if (!sent || sent->GetPayloadType() != KV_PAYLOAD_TYPED_OBJECT42)
        return "<none>";
    return static_cast<CKvTypedObject42*>(sent->GetPayload())->name;
}
