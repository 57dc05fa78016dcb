#pragma once
// Places outgoing call attempts (payload 32). One class, two roles: the
// running manager keeps a DialQueueSet and dials one queued item at a time
// with CONNECT_REQ (CIP 16), trying again 300 ms after the network had no
// free channel; a dial item carries one attempt (called number, calling party
// subaddress bytes, ring time) to the running manager as a message payload.
// The chat job carries a packed message in the subaddress to a called party
// that does not answer.

#include "capi/capi_manager_base.h"
#include "capi/dial_queue.h"
#include "core/timeout_timer.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class CapiDialManager : public CapiManagerBase {
public:
    static constexpr std::uint32_t kCipValue = 16;
    static constexpr std::uint32_t kDefaultRingTime = 1500;
    static constexpr std::uint32_t kMinRingTime = 400;
    static constexpr std::uint32_t kMaxRingTime = 10000;
    static constexpr std::uint32_t kRetryPause = 300;
    // Queue time of an item: this, plus kQueueTimePerItem per item ahead.
    static constexpr std::uint32_t kQueueTime = 10000;
    static constexpr std::uint32_t kQueueTimePerItem = 3000;
    static constexpr std::size_t kSubaddressCapacity = 20;
    // Mark of the connection that carries the manager's attempt.
    static constexpr std::uint32_t kCallMark = 1;

    CapiDialManager();
    ~CapiDialManager() override;

    void Reset();
    void CopyFrom(const CapiManagerBase& other) override;
    KvResult Run() override;
    KvResult Step() override;
    const void* AsPayload() const override { return this; }

    // The number an item dials and the key it is queued under.
    void SetCalledNumber(const std::string& number) { called_number_ = number; }
    const std::string& GetCalledNumber() const { return called_number_; }
    // The running manager's own number, sent as calling party number.
    void SetCallingNumber(const std::string& number) { calling_number_ = number; }
    const std::string& GetCallingNumber() const { return calling_number_; }
    // Ring time of an item, kept within 400 to 10000 ms.
    void SetRetryInterval(std::uint32_t milliseconds);
    std::uint32_t GetRingTime() const { return ring_time_; }
    TimeoutTimer& GetRetryTimer() { return retry_timer_; }
    TimeoutTimer& GetCallTimer() { return call_timer_; }
    // The calling party subaddress an item carries.
    std::uint32_t* GetConnectionSlot() { return &subaddress_length_; }
    std::uint8_t* GetSubaddressData() { return subaddress_.data(); }
    // Copies at most 20 bytes; false (nothing kept) for more.
    bool SetSubaddress(const std::uint8_t* bytes, std::uint32_t length);
    DialQueueSet& GetQueueSet() { return *queues_; }
    CapiDialManager* GetCurrentItem() const { return current_item_; }
    std::uint32_t GetAttemptCount() const { return attempts_; }

    // Indications of the manager's own connections; a CONNECT_IND is left to
    // the managers that take calls. Its confirmations go to the base's
    // HandleConfirmation.
    KvResult HandleIndication(CapiStoredMessage* message);

protected:
    KvResult OnIndication(CapiStoredMessage* message) override { return HandleIndication(message); }

private:
    KvResult DoStart();
    KvResult DoQueueing();
    KvResult DoDialling();
    KvResult DoAttemptEnd();
    KvResult DoRelease();
    // Moves the queued messages: dial items into the queues; true when an
    // ENDED or SHUTDOWN ended the walk.
    bool TakeQueuedMessages();
    CapiConnection* FindCallConnection();
    void GiveBack(CapiConnection* connection);

    std::string called_number_;
    std::string calling_number_;
    TimeoutTimer call_timer_{0, 0};
    TimeoutTimer retry_timer_{0, 0};
    std::uint32_t ring_time_ = kDefaultRingTime;
    std::array<std::uint8_t, kSubaddressCapacity> subaddress_{};
    std::uint32_t subaddress_length_ = 0;
    std::unique_ptr<DialQueueSet> queues_;
    CapiDialManager* current_item_ = nullptr;
    std::uint32_t attempts_ = 0;
};
