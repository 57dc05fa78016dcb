#include "capi/capi_function_manager.h"

#include "capi/capi_host.h"

#include <cstring>

CapiFunctionManager::CapiFunctionManager() : CapiManagerBase(nullptr) {
    Reset();
    timers_.Add(kCapiManagerTimer1, kTimer1Seconds, 0);
    timers_.Add(kCapiManagerTimer2, kTimer2Seconds, 0);
}

CapiFunctionManager::~CapiFunctionManager() {
    if (pending_ != nullptr)
        pending_->Release();
}

void CapiFunctionManager::Reset() {
    CapiManagerBase::Reset();
    payload_type_ = KV_PAYLOAD_CAPI_FUNCTION_MANAGER;
    if (pending_ != nullptr)
        pending_->Release();
    pending_ = nullptr;
    current_bytes_.clear();
}

std::uint32_t CapiFunctionManager::FetchMessage() {
    CapiEntryPoints* capi = owner_ != nullptr ? owner_->GetEntryPoints() : nullptr;
    if (capi == nullptr)
        return CAPIFuncData::kNotAvailable;
    void* message = nullptr;
    const std::uint32_t code = capi->CAPI_GET_MESSAGE(appl_id_, &message);
    if (code != 0 || message == nullptr)
        return code != 0 ? code : CAPIFuncData::kNotAvailable;
    // Only the message travels; a DATA_B3_IND's data stays behind (its Data
    // fields are zero in this form).
    const auto* bytes = static_cast<const std::uint8_t*>(message);
    const std::uint16_t length = CapiMessageLength(bytes);
    current_bytes_.assign(bytes, bytes + length);
    return 0;
}

KvResult CapiFunctionManager::Run() {
    if (appl_id_ != 0 && pending_ != nullptr) {
        // A message already held answers the wait at once; it stays held for
        // the GET_MESSAGE that takes it, so nothing is fetched over it.
        capi_info_ = current_bytes_.empty() ? FetchMessage() : 0;
        if (capi_info_ == 0) {
            CKvMessage* pending = pending_;
            pending_ = nullptr;
            result_ = Answer(pending);
        }
    }
    return Step();
}

KvResult CapiFunctionManager::Answer(CKvMessage* message) {
    const std::uint32_t value = NextValue(value_counter_);
    return message->Send(0, endpoint_, router_, value, true, false);
}

KvResult CapiFunctionManager::Step() {
    switch (state_) {
    case capi_state::kStart:
        ConfirmRequest(request_, KV_MSG_ATTR_ACCEPTED, false);
        SetState(capi_state::kRunning);
        return result_;
    case capi_state::kRunning:
        return DoRunning();
    case capi_state::kError:
    case capi_state::kShutdown:
        StepClosingState();
        return result_;
    case capi_state::kRelease:
        return DoRelease();
    default:
        return result_ = KV_CAPI_NOT_AVAILABLE;
    }
}

KvResult CapiFunctionManager::DoRunning() {
    CKvMessage* first = queue_.Front();
    if (first == nullptr)
        return result_;
    queue_.Remove(first);
    // Records and stop requests are taken in order, so that the calls posted
    // before a stop are still answered. Whatever its payload, a stop request
    // ends the manager: a first message that stayed queued would wedge it.
    if (IsStopRequest(first)) {
        first->Release();
        SetState(capi_state::kRelease);
        return result_;
    }
    if (first->GetPayloadType() != CAPIFuncData::kTypeCode || first->GetPayload() == nullptr) {
        first->Release();
        return result_;
    }
    auto& record = *static_cast<CAPIFuncData*>(first->GetPayload());
    const KvResult executed = ExecuteFunction(record);
    record.SetApplicationId(static_cast<std::int32_t>(appl_id_));
    first->SetKind(KV_MSG_KIND_CONFIRMATION);
    if (record.GetType() == CAPIFuncData::kWaitForSignal && executed == KV_OK) {
        // One wait at a time: the earlier one is answered as not executed.
        if (pending_ != nullptr) {
            auto& earlier = *static_cast<CAPIFuncData*>(pending_->GetPayload());
            earlier.SetNotAvailableResult();
            CKvMessage* replaced = pending_;
            pending_ = nullptr;
            Answer(replaced);
        }
        pending_ = first;
        return result_;
    }
    result_ = Answer(first);
    return result_;
}

KvResult CapiFunctionManager::DoRelease() {
    if (appl_id_ != 0 && owner_ != nullptr && owner_->GetEntryPoints() != nullptr) {
        capi_info_ = owner_->GetEntryPoints()->CAPI_RELEASE(appl_id_);
        if (capi_info_ != 0)
            result_ = KV_E_CAPI_INFO;
        appl_id_ = 0;
    }
    ReturnConnectionsToOwner();
    if (pending_ != nullptr) {
        static_cast<CAPIFuncData*>(pending_->GetPayload())->SetNotAvailableResult();
        CKvMessage* pending = pending_;
        pending_ = nullptr;
        Answer(pending);
    }
    SetState(capi_state::kEnded);
    return result_;
}

KvResult CapiFunctionManager::ExecuteFunction(CAPIFuncData& record) {
    result_ = KV_OK;
    capi_info_ = 0;
    if (record.GetFlagReturn() != 0 || !Execute(record))
        result_ = KV_E_FAIL;
    else
        record.SetReturnValue(static_cast<std::int32_t>(capi_info_));
    if (result_ != KV_OK)
        record.SetNotAvailableResult();
    record.SetFlagReturn(1);
    return result_;
}

// False when a rule of the call is not met (nothing called).
bool CapiFunctionManager::Execute(CAPIFuncData& record) {
    CapiEntryPoints* capi = owner_ != nullptr ? owner_->GetEntryPoints() : nullptr;
    if (capi == nullptr)
        return false;
    const bool own_application =
        appl_id_ != 0 && static_cast<std::uint32_t>(record.GetApplicationId()) == appl_id_;
    auto* text = reinterpret_cast<char*>(record.GetTextBuffer());
    switch (record.GetType()) {
    case CAPIFuncData::kRegister: {
        if (appl_id_ != 0 ||
            connections_.Transfer(owner_->GetConnectionTable(), 1, true) != KV_OK)
            return false;
        DWORD appl_id = 0;
        capi_info_ = capi->CAPI_REGISTER(record.GetRegisterParameter(0), record.GetRegisterParameter(1),
                                         record.GetRegisterParameter(2), record.GetRegisterParameter(3),
                                         &appl_id);
        if (capi_info_ == 0)
            appl_id_ = appl_id;
        else // Refused: the record goes back, or retries drain the owner's table.
            owner_->GetConnectionTable().Transfer(connections_, 1, true);
        return true;
    }
    case CAPIFuncData::kRelease:
        if (!own_application)
            return false;
        capi_info_ = capi->CAPI_RELEASE(appl_id_);
        if (capi_info_ == 0) {
            appl_id_ = 0;
            ReturnConnectionsToOwner();
        }
        return true;
    case CAPIFuncData::kPutMessage:
        return own_application && ExecutePutMessage(record);
    case CAPIFuncData::kGetMessage:
        return own_application && ExecuteGetMessage(record);
    case CAPIFuncData::kWaitForSignal:
        return appl_id_ != 0;
    case CAPIFuncData::kGetManufacturer:
        capi_info_ = capi->CAPI_GET_MANUFACTURER(text);
        return true;
    case CAPIFuncData::kGetVersion: {
        DWORD words[4] = {};
        capi_info_ = capi->CAPI_GET_VERSION(&words[0], &words[1], &words[2], &words[3]);
        for (std::size_t i = 0; i < 4; ++i)
            record.SetVersion(i, words[i]);
        return true;
    }
    case CAPIFuncData::kGetSerialNumber:
        capi_info_ = capi->CAPI_GET_SERIAL_NUMBER(text);
        return true;
    case CAPIFuncData::kProfile:
        capi_info_ = capi->CAPI_GET_PROFILE(text, record.GetController());
        return true;
    case CAPIFuncData::kInstalled:
        capi_info_ = capi->CAPI_INSTALLED();
        return true;
    default:
        return false;
    }
}

// Only a message of the own application goes out, and no DATA_B3_REQ, whose
// data pointer belongs to another computer.
bool CapiFunctionManager::ExecutePutMessage(CAPIFuncData& record) {
    const std::uint8_t* message = record.GetMessage();
    const std::uint32_t length = record.GetMessageLength();
    if (length < kCapiHeaderLength || CapiGetWord(message + kCapiOffsetApplId) != appl_id_ ||
        (message[kCapiOffsetCommand] == CAPI_DATA_B3 && message[kCapiOffsetSubcommand] == CAPI_REQ))
        return false;
    capi_info_ = owner_->GetEntryPoints()->CAPI_PUT_MESSAGE(appl_id_, message);
    return true;
}

bool CapiFunctionManager::ExecuteGetMessage(CAPIFuncData& record) {
    if (current_bytes_.empty())
        capi_info_ = FetchMessage();
    if (current_bytes_.empty())
        return capi_info_ != 0;
    // A message too long for the record is refused rather than cut: a cut
    // copy would keep a length word the record cannot carry.
    const bool fits = current_bytes_.size() <= max_message_length_ &&
                      record.SetMessage(current_bytes_.data()) == KV_OK;
    current_bytes_.clear();
    return fits;
}
