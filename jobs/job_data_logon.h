#pragma once
// What the two client jobs (CLIENT and CLIENT2) share of their logon: the
// requester's logged-on step, and the executor's logged-on walk and its wait
// for the user record at the logoff. They differ in how a text reaches the
// peer (through the host, or over a connection of the job's own), in the
// user record they ask for and in the state a lost keep-alive leads to.

#include "jobs/job_data.h"

#include <functional>

class CKvJobDataLogon : public CKvJobData {
public:
    // Timers of the base's first list.
    static constexpr std::uint32_t kAnswerSeconds = 20;
    static constexpr std::uint32_t kKeepAliveTimerId = 3; // requester, 30 s
    static constexpr std::uint32_t kKeepAliveSeconds = 30;
    static constexpr std::uint32_t kWatchdogTimerId = 4; // executor, 35 s
    static constexpr std::uint32_t kWatchdogSeconds = 35;
    static constexpr std::uint32_t kLockRetryTimerId = 7; // executor, 1 s
    static constexpr std::uint32_t kLockRetrySeconds = 1;

    // Executor states: the waits for the user record and the host record.
    static constexpr std::uint32_t kStateUserLogon = 2;
    static constexpr std::uint32_t kStateUserLogoff = 3;
    static constexpr std::uint32_t kStateHost = 4;

protected:
    // messagetype and attribute set, the job's text to its peer.
    virtual void Answer(std::uint32_t messagetype, std::uint32_t attribute) = 0;
    // Asks the host (2048) for the caller's user record, locking it.
    virtual KvResult RequestUser() = 0;
    // The payload type of that record.
    virtual std::int32_t UserPayloadType() const = 0;
    // A new user record asked for: what the request tells of the caller.
    virtual void FillUserRecord(void* /*record*/) {}
    // The found user record at the logoff, before it goes back to the host.
    virtual void OnLogoffRecord(void* /*record*/) {}

    // The record of the first message of the job's own type in the queue;
    // message is that message, null when there is none. The record is null
    // when the message holds no valid record received as that type.
    CKvJobData* FirstRecord(CKvMessage*& message);

    // Requester, logged on (state 10): the peer's first record decides (an
    // end ends, a REQUEST/"ENDED" confirmed to the peer's job first; an
    // "ALIVE" confirmation restarts the keep-alive period, any other ends;
    // a confirmation stops the answer timer); then a missing answer ends,
    // and an elapsed period sends the next REQUEST/"ALIVE". An end leaves
    // the job in clean-up (8).
    void KeepLogonAlive();

    // Executor, logged on (state 10): the queue's records in order, up to
    // the first that changes the state; a silent peer leads to
    // keep_alive_lost_state once the watchdog expires.
    void ServeLogon(std::uint32_t keep_alive_lost_state);
    // Executor, the logoff's wait for the user record (state 3).
    void WaitForLogoffRecord();
    // Executor, the logon lost (state 11, and CLIENT's 21): after the
    // logged-on state the user record is asked for and the logoff waits for
    // it; from any other state the job cleans up.
    void LoseLogon();
    // Executor, the end requested (state 11): LoseLogon, and after the
    // logged-on state the requester is told with INFO/"ENDED".
    void EndLogon();
    // Executor, a wait for the user record in waiting_state: on_found gets
    // the message of a found record, the timers stopped; a locked record
    // starts the lock retry timer; any other answer ends the job. Then the
    // queue is emptied; still waiting, the answer timer ends the job and
    // the lock retry timer asks again.
    void WaitForUserRecord(std::uint32_t waiting_state,
                           const std::function<void(CKvMessage* message)>& on_found);
    // The found user record goes back to the host as INFO.
    void ReturnUserRecord(CKvMessage* message);

    // The requester's job id as the executor learnt it from the logon.
    std::uint32_t requester_job_id_ = 0;

private:
    void FinishUserWait(std::uint32_t waiting_state);
    void ServeRecord(CKvMessage* message, bool& re_sent);
    // The logoff: the user record asked for in place of the message's
    // payload, then the wait for it.
    void ForwardLogoff(CKvMessage* message);
};
