#pragma once
// Executes remote CAPI function calls (payload 29): the CAPI server job posts
// CAPIFuncData records (payload 30); the manager calls the owner's CAPI for
// its own application, fills ReturnValue and FlagReturn and sends each record
// back to its sender as a CONFIRMATION. It holds at most one registered
// ApplID and refuses calls for any other.

#include "capi/capi_func_data.h"
#include "capi/capi_manager_base.h"

#include <cstdint>
#include <vector>

class CapiFunctionManager : public CapiManagerBase {
public:
    static constexpr std::uint32_t kTimer1Seconds = 11;
    static constexpr std::uint32_t kTimer2Seconds = 4;

    CapiFunctionManager();
    ~CapiFunctionManager() override;

    void Reset();
    KvResult Run() override;
    KvResult Step() override;
    // Its application is its own: the owner keeps no messages for it.
    bool WalksMessageStore() const override { return false; }
    const void* AsPayload() const override { return this; }

    // Executes the record's call; the record gets FlagReturn 1 and the CAPI
    // return value, or the not-available value when the call was not made.
    KvResult ExecuteFunction(CAPIFuncData& record);

    std::uint32_t GetMaxMessageLength() const { return max_message_length_; }
    bool HasCurrentMessage() const { return !current_bytes_.empty(); }
    CKvMessage* GetPendingMessage() const { return pending_; }

private:
    KvResult DoRunning();
    KvResult DoRelease();
    // Sends a record's message back to its sender; the message is handed over.
    KvResult Answer(CKvMessage* message);
    // CAPI_GET_MESSAGE into the current message, which an empty fetch leaves
    // alone; the CAPI code.
    std::uint32_t FetchMessage();
    bool Execute(CAPIFuncData& record);
    bool ExecuteGetMessage(CAPIFuncData& record);
    bool ExecutePutMessage(CAPIFuncData& record);

    CKvMessage* pending_ = nullptr;
    std::uint32_t max_message_length_ = CAPIFuncData::kMaxMessageLength;
    // The CAPI message fetched for the next GET_MESSAGE record, by its
    // length word; empty when none.
    std::vector<std::uint8_t> current_bytes_;
};
