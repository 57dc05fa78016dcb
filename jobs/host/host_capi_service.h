#pragma once
// The scripted CAPI side (2061): grants managers, executes CAPIFuncData
// calls to a granted function manager, reports for managers as tests script
// them, and carries the chat jobs' packets over the chat wire
// (jobs/host/chat_wire.h).

#include "framework/message.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

class JobHost;

class HostCapiService {
public:
    explicit HostCapiService(JobHost& host) : host_(host) {}
    ~HostCapiService();
    HostCapiService(const HostCapiService&) = delete;
    HostCapiService& operator=(const HostCapiService&) = delete;

    void Serve(CKvMessage* message);

    // Requests for managers are refused while set.
    void ScriptRefusal(bool refuse) { refuses_ = refuse; }
    // The id of the last manager granted (0: none).
    std::uint32_t GetLastManagerId() const { return next_manager_id_ - 1; }
    // A call the granted listen manager reports: a copy of the manager with
    // texts 2 and 3 and the event time, as INFO/NOTIFICATION to its
    // requester. False when no such manager is held.
    bool ScriptListenNotification(std::uint32_t manager_id, const std::string& calling,
                                  const std::string& called);
    // The manager ends: INFO/ENDED to its requester, the manager given up.
    bool ScriptManagerEnded(std::uint32_t manager_id);
    // The manager ids that SHUTDOWNs named, in order.
    const std::vector<std::uint32_t>& GetShutdowns() const { return shutdowns_; }
    // A transfer manager's report (CALL_CONNECTED, CALL_ECT_ESTABLISHED,
    // SHUTDOWN, ENDED) to its requester through the job intake (2063); an
    // end gives the manager up. False when no such manager is held.
    bool ScriptTransferReport(std::uint32_t manager_id, std::int32_t attribute);
    // CAPIFuncData calls to a granted function manager are executed: REGISTER
    // gives the next ApplID, RELEASE ApplID 0, the rest 0; WAIT_FOR_SIGNAL
    // (and, while set, every call) is held until released.
    void ScriptCallsHeld(bool hold) { calls_held_ = hold; }
    // Answers the held calls, ReturnValue 0; their count.
    std::size_t ReleaseHeldCalls();
    std::size_t GetHeldCallCount() const { return held_.size(); }

    // The packet bytes, as its listen manager's NOTIFICATION, to the chat
    // job here whose own number is the called number. False when none has it.
    bool DeliverChatPacket(const std::string& called, const std::string& caller,
                           const std::uint8_t* bytes, std::uint32_t count);

private:
    // The granted manager's request, as a notice to its requester.
    // target 0: the requester's endpoint.
    bool NotifyFromManager(std::uint32_t manager_id, std::int32_t attribute,
                           const std::function<void(CKvMessage&)>& fill, std::uint16_t target = 0);
    void GiveUp(std::uint32_t manager_id);
    // A CAPIFuncData call.
    void ServeCall(CKvMessage* message);
    void AnswerCall(CKvMessage* message);
    // A call set-up carrying packet bytes goes over the chat wire; true when
    // the message was taken.
    bool ServeChatWire(CKvMessage* message);

    JobHost& host_;
    bool refuses_ = false;
    std::uint32_t next_manager_id_ = 1;
    std::uint32_t value_ = 0;
    // The granted requests by manager id (messages owned).
    std::map<std::uint32_t, CKvMessage*> grants_;
    std::vector<std::uint32_t> shutdowns_;
    bool calls_held_ = false;
    std::int32_t next_appl_id_ = 1;
    std::vector<CKvMessage*> held_;
};
