#pragma once
// Watches incoming ISDN calls without answering them (payload 28): every
// CONNECT_IND to a watched number that does not come from one of the own
// controllers is reported to the requester as a NOTIFICATION carrying a copy
// of the manager (caller, matched number, time, calling subaddress). It never
// sends CONNECT_RESP, so the call keeps ringing for the other devices.

#include "capi/capi_manager_base.h"
#include "core/phone_number.h"

#include <array>
#include <cstdint>
#include <string>

class CapiListenManager : public CapiManagerBase {
public:
    static constexpr std::uint32_t kOwnWaitSeconds = 4;
    // When another manager asked for the listening, its LISTEN_CONF may take
    // longer to be seen.
    static constexpr std::uint32_t kForeignWaitSeconds = 30;
    static constexpr std::uint32_t kTimer1Seconds = 11;

    CapiListenManager();
    ~CapiListenManager() override = default;

    void Reset();
    void CopyFrom(const CapiManagerBase& other) override;
    KvResult Run() override;
    KvResult Step() override;
    const void* AsPayload() const override { return this; }

    // Never marks the message handled: the other managers still see it.
    static KvResult HandleIndication(CapiManagerBase& manager, CapiStoredMessage* message);

    // The number the requester's calls go to (the chat job's own number).
    void SetCalledNumber(const std::string& number) { texts_own_[0] = number; }
    const std::string& GetCalledNumber() const { return texts_own_[0]; }
    // The number the requester calls from.
    void SetCallingNumber(const std::string& number) { texts_own_[1] = number; }
    const std::string& GetCallingNumber() const { return texts_own_[1]; }
    void SetOwnNumber(const std::string& number) { texts_own_[2] = number; }
    const std::string& GetOwnNumber() const { return texts_own_[2]; }
    // The calling number of the last matched call, as received.
    const std::string& GetCallerText() const { return caller_text_; }
    // Watched numbers, keyed by their digits.
    PHONE_NUMBER_LIST& GetNumberList() { return numbers_; }
    PHONE_NUMBER_LIST& GetSecondNumberList() { return second_numbers_; }
    // The calling party subaddress of the last matched call.
    const std::uint8_t* GetReceivedBytes() const { return received_bytes_.data(); }
    std::uint32_t GetReceivedCount() const { return received_count_; }
    // A matched call reported by a stand-in for the controller: the caller
    // text and at most the capacity of subaddress bytes.
    void SetReceivedCall(const std::string& caller, const std::uint8_t* bytes,
                         std::uint32_t count);

protected:
    // Only its LISTEN_CONF; its calls are watched, never answered.
    KvResult OnConfirmation(CapiStoredMessage* message) override {
        return ConfirmListening(message);
    }
    KvResult OnIndication(CapiStoredMessage* message) override {
        return HandleIndication(*this, message);
    }

private:
    KvResult DoStart();
    KvResult DoStartListening();
    KvResult DoWaitForListenConf();
    KvResult DoListening();
    KvResult HandleConnectInd(CapiStoredMessage& message);
    bool IsOwnControllerNumber(const std::string& calling_digits) const;
    // True while the manager waits for the tick manager's controller table.
    bool WaitForControllerTable();

    // The word's values while waiting for the controller table.
    static constexpr std::uint32_t kTableWaitRunning = 1;
    static constexpr std::uint32_t kTableWaitOver = 2;

    // Called number, calling number, own number and a fourth text.
    std::array<std::string, 4> texts_own_;
    std::string caller_text_;
    std::uint32_t word_ = 0;
    PHONE_NUMBER_LIST numbers_;
    PHONE_NUMBER_LIST second_numbers_;
    std::array<std::uint8_t, CapiSubaddress::kCapacity> received_bytes_{};
    std::uint32_t received_count_ = 0;
};
