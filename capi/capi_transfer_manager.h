#pragma once
// Joins two parties over the ISDN line and hands the call to the network
// (payload 27): it calls the first number, holds that call once answered,
// calls the second number and, as soon as the second call alerts, joins the
// two by explicit call transfer (ECT). It reports CALL_CONNECTED and
// CALL_ECT_ESTABLISHED to 2063. One transfer manager per first number runs
// at a time.

#include "capi/capi_manager_base.h"

#include <cstdint>
#include <string>

class CapiTransferManager : public CapiManagerBase {
public:
    // States of its own besides the common ones.
    static constexpr std::uint32_t kFirstCallRinging = 4;
    static constexpr std::uint32_t kTransferRequested = 21;
    static constexpr std::uint32_t kClearing = 23;
    static constexpr std::uint32_t kRetrieving = 24;
    static constexpr std::uint32_t kSecondCallRinging = 14;
    static constexpr std::uint32_t kHolding = 16;

    static constexpr std::uint32_t kCipValue = 16;
    static constexpr std::uint32_t kFirstMark = 1;
    static constexpr std::uint32_t kSecondMark = 2;
    static constexpr std::uint32_t kTimerDuplicate = 9;
    static constexpr std::uint32_t kOverallSeconds = 25;
    static constexpr std::uint32_t kAnswerSeconds = 15;
    static constexpr std::uint32_t kHoldSeconds = 4;
    static constexpr std::uint32_t kDuplicateSeconds = 20;
    static constexpr std::uint32_t kNoCableReason = 0x3301;

    CapiTransferManager();
    ~CapiTransferManager() override = default;

    void Reset();
    void CopyFrom(const CapiManagerBase& other) override;
    KvResult Run() override;
    KvResult Step() override;
    const void* AsPayload() const override { return this; }

    // The jobs fill a transfer manager with the dial manager's setter names.
    // Called number: the second call's number.
    void SetCalledNumber(const std::string& number) { second_number_ = number; }
    const std::string& GetCalledNumber() const { return second_number_; }
    // Calling number: the first call's number, the key of the
    // one-manager-per-number rule.
    void SetCallingNumber(const std::string& number) { first_number_ = number; }
    const std::string& GetCallingNumber() const { return first_number_; }
    // Whether the number is internal, as the dial job stores it.
    std::uint32_t* GetTargetNumbers() { return &word_; }

private:
    // Takes every queued message (it is sent nothing else to keep); true when
    // a stop request moved the manager to 32.
    bool TakeQueuedMessages();
    bool TimerExpired() { return timers_.CheckAllExpired() != 0; }
    CapiConnection* FindMarked(std::uint32_t mark);
    // The manager's request, when it is a REQUEST.
    CKvMessage* Request() const;
    void Notify(std::uint16_t target, std::int32_t attribute);
    // Forgets the request message, which it frees (header only) or releases.
    void DropRequest(bool release);
    // A request that went out starts timer 2 for the next phase; one that did
    // not ends in the shutdown.
    void NextPhase(bool sent, std::uint32_t next);

    KvResult DoStart();
    KvResult DoDialFirst();
    KvResult DoFirstCall();
    KvResult DoHolding();
    KvResult DoSecondCall();
    KvResult DoRetrieving();
    KvResult DoClearing();
    KvResult DoRefused();
    KvResult DoShutdown();
    KvResult DoRelease();

    std::string second_number_;
    std::string first_number_;
    std::uint32_t word_ = 0;
    bool connected_reported_ = false;
};
