#include "platform/capi/scripted_capi_controller.h"

#include "platform/capi/capi_wire.h"
#include "platform/clock.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// A message image written from the CAPI 2.0 layouts; the header is filled last.
class Image {
public:
    Image() : bytes_(kCapiHeaderLength, 0) {}

    Image& Byte(std::uint32_t value) {
        bytes_.push_back(static_cast<std::uint8_t>(value));
        return *this;
    }
    Image& Word(std::uint32_t value) { return Byte(value).Byte(value >> 8); }
    Image& Dword(std::uint32_t value) { return Word(value).Word(value >> 16); }
    Image& Struct(const std::vector<std::uint8_t>& content) {
        Byte(content.size());
        bytes_.insert(bytes_.end(), content.begin(), content.end());
        return *this;
    }
    Image& Empty() { return Byte(0); }

    std::vector<std::uint8_t> Finish(std::uint8_t command, std::uint8_t subcommand,
                                     std::uint16_t number = 0) {
        CapiPutWord(bytes_.data() + kCapiOffsetLength, bytes_.size());
        bytes_[kCapiOffsetCommand] = command;
        bytes_[kCapiOffsetSubcommand] = subcommand;
        CapiPutWord(bytes_.data() + kCapiOffsetMessageNumber, number);
        return std::move(bytes_);
    }

private:
    std::vector<std::uint8_t> bytes_;
};

std::vector<std::uint8_t> PartyNumber(const std::string& digits, std::uint8_t octet3) {
    if (digits.empty())
        return {};
    std::vector<std::uint8_t> content{octet3};
    content.insert(content.end(), digits.begin(), digits.end());
    return content;
}

// Type of number unknown, ISDN numbering plan.
constexpr std::uint8_t kUnknownIsdnNumber = 0x01;
// Octet 3a: presentation allowed, user-provided, not screened.
constexpr std::uint8_t kPresentationAllowed = 0x80;

// A number with octets 3 and 3a; empty for no digits.
std::vector<std::uint8_t> PresentedNumber(const std::string& digits) {
    if (digits.empty())
        return {};
    std::vector<std::uint8_t> content{kUnknownIsdnNumber, kPresentationAllowed};
    content.insert(content.end(), digits.begin(), digits.end());
    return content;
}

// PLCIs 1 to 255 in the second byte, beside the controller.
constexpr std::uint32_t kPlcisPerController = 255;
// CONNECT_B3_RESP's Reject that accepts the link.
constexpr std::uint16_t kAcceptB3 = 0;

std::uint32_t Ncci(std::uint32_t plci) {
    return plci | 0x10000u;
}

bool IsDue(std::uint32_t due_tick, std::uint32_t now) {
    return static_cast<std::int32_t>(now - due_tick) >= 0;
}

std::uint32_t FirstDword(const std::vector<std::uint8_t>& message) {
    return message.size() >= 12 ? CapiGetDword(message.data() + 8) : 0;
}

} // namespace

ScriptedCapiController::ScriptedCapiController() = default;

bool ScriptedCapiController::AddController(std::uint32_t number, std::uint16_t b_channels) {
    std::lock_guard lock(mutex_);
    if (number == 0 || number > 127 || controllers_.count(number) != 0)
        return false;
    controllers_[number] = b_channels;
    return true;
}

void ScriptedCapiController::SetInstalledResult(DWORD result) {
    std::lock_guard lock(mutex_);
    installed_result_ = result;
}

void ScriptedCapiController::SetVersion(DWORD capi_major, DWORD capi_minor,
                                        DWORD manufacturer_major, DWORD manufacturer_minor) {
    std::lock_guard lock(mutex_);
    version_[0] = capi_major;
    version_[1] = capi_minor;
    version_[2] = manufacturer_major;
    version_[3] = manufacturer_minor;
}

void ScriptedCapiController::SetManufacturer(const std::string& text) {
    std::lock_guard lock(mutex_);
    manufacturer_ = text.substr(0, kCapiManufacturerLength - 1);
}

void ScriptedCapiController::SetSerialNumber(const std::string& text) {
    std::lock_guard lock(mutex_);
    serial_number_ = text.substr(0, kCapiSerialNumberLength - 1);
}

void ScriptedCapiController::SetListenInfo(std::uint16_t info) {
    std::lock_guard lock(mutex_);
    listen_info_ = info;
}

void ScriptedCapiController::SetConnectInfo(std::uint16_t info) {
    std::lock_guard lock(mutex_);
    connect_info_ = info;
}

void ScriptedCapiController::ScriptOutgoingCall(std::vector<ScriptedCapiStep> steps) {
    std::lock_guard lock(mutex_);
    outgoing_scripts_.push_back(std::move(steps));
}

void ScriptedCapiController::SetFacilityReason(std::uint16_t function, std::uint16_t reason) {
    std::lock_guard lock(mutex_);
    facility_reasons_[function] = reason;
}

void ScriptedCapiController::SetLocalDisconnectReason(std::uint16_t reason) {
    std::lock_guard lock(mutex_);
    local_disconnect_reason_ = reason;
}

void ScriptedCapiController::SetDisconnectInfo(std::uint16_t info) {
    std::lock_guard lock(mutex_);
    disconnect_info_ = info;
}

void ScriptedCapiController::SetSilent(bool silent) {
    std::lock_guard lock(mutex_);
    silent_ = silent;
}

std::uint32_t ScriptedCapiController::NewPlci(std::uint32_t controller) {
    for (std::uint32_t tried = 0; tried < kPlcisPerController; ++tried) {
        const std::uint32_t plci = (controller & 0x7F) | ((next_plci_ & 0xFF) << 8);
        next_plci_ = next_plci_ % kPlcisPerController + 1;
        if (!HoldsPlci(plci))
            return plci;
    }
    return 0;
}

bool ScriptedCapiController::HoldsPlci(std::uint32_t plci) const {
    return std::any_of(calls_.begin(), calls_.end(),
                       [plci](const Call& call) { return call.plci == plci; });
}

ScriptedCapiController::Call* ScriptedCapiController::FindCall(std::uint32_t appl_id,
                                                               std::uint32_t plci) {
    const auto found = std::find_if(calls_.begin(), calls_.end(), [&](const Call& call) {
        return call.appl_id == appl_id && call.plci == plci;
    });
    return found != calls_.end() ? &*found : nullptr;
}

std::uint32_t ScriptedCapiController::IncomingCall(const ScriptedIncomingCall& call) {
    std::lock_guard lock(mutex_);
    const std::uint32_t plci = NewPlci(call.controller);
    if (silent_ || plci == 0)
        return plci;
    std::vector<std::uint8_t> calling_subaddress;
    if (!call.calling_subaddress.empty()) {
        calling_subaddress.push_back(
            static_cast<std::uint8_t>(0x80 | ((call.calling_subaddress_type << 4) & 0x70)));
        calling_subaddress.insert(calling_subaddress.end(), call.calling_subaddress.begin(),
                                  call.calling_subaddress.end());
    }
    std::vector<std::uint8_t> calling;
    if (call.calling_octet_3a) {
        calling = {kUnknownIsdnNumber,
                   static_cast<std::uint8_t>(0x80 | ((call.calling_presentation << 5) & 0x60))};
        calling.insert(calling.end(), call.calling_number.begin(), call.calling_number.end());
    } else {
        calling = PartyNumber(call.calling_number, 0x80 | kUnknownIsdnNumber);
    }
    for (auto& [appl_id, application] : applications_) {
        const auto listen = application.listens.find(call.controller & 0x7F);
        if (listen == application.listens.end())
            continue;
        const std::uint32_t mask = listen->second.cip_mask;
        if ((mask & 1u) == 0 && (call.cip >= 32 || (mask & (1u << call.cip)) == 0))
            continue;
        Image image;
        image.Dword(plci)
            .Word(call.cip)
            .Struct(PartyNumber(call.called_number, 0x80 | kUnknownIsdnNumber))
            .Struct(calling)
            .Empty()
            .Struct(calling_subaddress)
            .Struct(call.bc)
            .Empty()
            .Struct(call.hlc)
            .Struct(call.additional_info);
        if (call.second_calling_number)
            image.Empty();
        calls_.push_back(
            Call{appl_id, plci, call.after_accept, call.connected_number, call.activates});
        Schedule(appl_id, plci, call.delay_ms, image.Finish(CAPI_CONNECT, CAPI_IND));
    }
    return plci;
}

void ScriptedCapiController::ScheduleSteps(std::uint32_t plci,
                                           std::vector<ScriptedCapiStep> steps) {
    std::lock_guard lock(mutex_);
    if (silent_)
        return;
    for (const Call& call : calls_)
        if (call.plci == plci)
            ScheduleStepsLocked(call.appl_id, plci, steps, 0);
}

std::vector<std::vector<std::uint8_t>> ScriptedCapiController::GetPutMessages() const {
    std::lock_guard lock(mutex_);
    return put_messages_;
}

std::vector<CapiProtocolViolation> ScriptedCapiController::GetViolations() const {
    std::lock_guard lock(mutex_);
    std::vector<CapiProtocolViolation> violations = violations_;
    for (const auto& [appl_id, application] : applications_)
        for (const Indication& indication : application.indications) {
            const bool must_answer = indication.command == CAPI_DISCONNECT ||
                                     indication.command == CAPI_DISCONNECT_B3 ||
                                     indication.command == CAPI_DATA_B3;
            if (must_answer && !indication.answered)
                violations.push_back({CapiProtocolViolation::kNeverAnswered, appl_id,
                                      indication.command, indication.message_number});
        }
    return violations;
}

std::size_t ScriptedCapiController::PendingCount(DWORD appl_id) {
    std::lock_guard lock(mutex_);
    DeliverDue();
    Application* application = FindApplication(appl_id);
    if (application == nullptr)
        return 0;
    return application->queue.size() + static_cast<std::size_t>(std::count_if(
                                           events_.begin(), events_.end(), [&](const Event& event) {
                                               return event.appl_id == appl_id;
                                           }));
}

ScriptedCapiController::Application* ScriptedCapiController::FindApplication(DWORD appl_id) {
    const auto found = applications_.find(appl_id);
    return found == applications_.end() ? nullptr : &found->second;
}

void ScriptedCapiController::Enqueue(std::uint32_t appl_id, std::vector<std::uint8_t> message) {
    Application* application = FindApplication(appl_id);
    if (application == nullptr)
        return;
    CapiPutWord(message.data() + kCapiOffsetApplId, appl_id);
    if (message[kCapiOffsetSubcommand] == CAPI_IND) {
        if (message[kCapiOffsetCommand] == CAPI_DISCONNECT)
            for (Call& call : calls_)
                if (call.appl_id == appl_id && call.plci == FirstDword(message))
                    call.cleared = true;
        const std::uint16_t number = application->next_message_number++;
        CapiPutWord(message.data() + kCapiOffsetMessageNumber, number);
        application->indications.push_back(
            Indication{message[kCapiOffsetCommand], number, FirstDword(message), false});
    }
    application->queue.push_back(std::move(message));
    queued_.notify_all();
}

void ScriptedCapiController::Schedule(std::uint32_t appl_id, std::uint32_t plci,
                                      std::uint32_t delay_ms, std::vector<std::uint8_t> message) {
    const std::uint32_t now = GetClock().TickMs();
    Event event{now + delay_ms, appl_id, plci, std::move(message)};
    // Kept earliest first, events due at one tick in the order they were
    // made in, so that a delivery looks only at the front.
    const auto place = std::upper_bound(events_.begin(), events_.end(), event,
                                        [now](const Event& a, const Event& b) {
                                            return static_cast<std::int32_t>(a.due_tick - now) <
                                                   static_cast<std::int32_t>(b.due_tick - now);
                                        });
    events_.insert(place, std::move(event));
    DeliverDue();
}

void ScriptedCapiController::DeliverDue() {
    const std::uint32_t now = GetClock().TickMs();
    std::vector<Event> due;
    while (!events_.empty() && IsDue(events_.front().due_tick, now)) {
        due.push_back(std::move(events_.front()));
        events_.pop_front();
    }
    for (Event& event : due)
        Enqueue(event.appl_id, std::move(event.message));
}

void ScriptedCapiController::ScheduleStepsLocked(std::uint32_t appl_id, std::uint32_t plci,
                                                 const std::vector<ScriptedCapiStep>& steps,
                                                 std::uint32_t start_ms) {
    std::uint32_t at = start_ms;
    for (const ScriptedCapiStep& step : steps) {
        at += step.delay_ms;
        Schedule(appl_id, plci, at, StepMessage(appl_id, plci, step));
    }
}

std::vector<std::uint8_t> ScriptedCapiController::StepMessage(std::uint32_t appl_id,
                                                              std::uint32_t plci,
                                                              const ScriptedCapiStep& step) {
    Image image;
    switch (step.kind) {
    case ScriptedCapiStep::kAlerting:
        return image.Dword(plci).Word(kCapiInfoNumberAlerting).Empty().Finish(CAPI_INFO, CAPI_IND);
    case ScriptedCapiStep::kConnectActive:
        return image.Dword(plci).Empty().Empty().Empty().Finish(CAPI_CONNECT_ACTIVE, CAPI_IND);
    case ScriptedCapiStep::kDisconnect:
        return image.Dword(plci).Word(step.reason).Finish(CAPI_DISCONNECT, CAPI_IND);
    case ScriptedCapiStep::kConnectB3:
        return image.Dword(Ncci(plci)).Empty().Finish(CAPI_CONNECT_B3, CAPI_IND);
    case ScriptedCapiStep::kDisconnectB3:
        return image.Dword(Ncci(plci))
            .Word(step.reason)
            .Empty()
            .Finish(CAPI_DISCONNECT_B3, CAPI_IND);
    case ScriptedCapiStep::kFacility:
        return image.Dword(plci)
            .Word(kCapiFacilitySupplementaryServices)
            .Struct({static_cast<std::uint8_t>(step.function),
                     static_cast<std::uint8_t>(step.function >> 8), 2,
                     static_cast<std::uint8_t>(step.reason),
                     static_cast<std::uint8_t>(step.reason >> 8)})
            .Finish(CAPI_FACILITY, CAPI_IND);
    case ScriptedCapiStep::kData: {
        Application* application = FindApplication(appl_id);
        const std::uint16_t handle = application ? application->next_data_handle++ : 0;
        std::vector<std::uint8_t> message = image.Dword(Ncci(plci))
                                                .Dword(0)
                                                .Word(step.data.size())
                                                .Word(handle)
                                                .Word(0)
                                                .Finish(CAPI_DATA_B3, CAPI_IND);
        message.insert(message.end(), step.data.begin(), step.data.end());
        return message;
    }
    }
    return image.Finish(0, CAPI_IND);
}

void ScriptedCapiController::CancelEvents(std::uint32_t appl_id, std::uint32_t plci) {
    std::erase_if(events_, [&](const Event& event) {
        return event.appl_id == appl_id && event.plci == plci;
    });
}

DWORD ScriptedCapiController::CAPI_REGISTER(DWORD, DWORD, DWORD, DWORD, DWORD* appl_id) {
    std::lock_guard lock(mutex_);
    if (installed_result_ != 0)
        return installed_result_;
    if (appl_id == nullptr)
        return kCapiRegOsResourceError;
    *appl_id = next_appl_id_++;
    applications_[*appl_id] = Application{};
    return 0;
}

DWORD ScriptedCapiController::CAPI_RELEASE(DWORD appl_id) {
    std::lock_guard lock(mutex_);
    if (applications_.erase(appl_id) == 0)
        return kCapiIllegalApplId;
    std::erase_if(events_, [&](const Event& event) { return event.appl_id == appl_id; });
    std::erase_if(calls_, [&](const Call& call) { return call.appl_id == appl_id; });
    queued_.notify_all();
    return 0;
}

DWORD ScriptedCapiController::CAPI_PUT_MESSAGE(DWORD appl_id, const void* message) {
    std::lock_guard lock(mutex_);
    if (installed_result_ != 0)
        return installed_result_;
    if (FindApplication(appl_id) == nullptr)
        return kCapiIllegalApplId;
    if (message == nullptr)
        return kCapiIllegalCommand;
    const auto* bytes = static_cast<const std::uint8_t*>(message);
    std::size_t length = CapiMessageLength(bytes);
    if (length < kCapiHeaderLength + 4)
        return kCapiIllegalCommand;
    if (bytes[kCapiOffsetCommand] == CAPI_DATA_B3 && bytes[kCapiOffsetSubcommand] == CAPI_REQ &&
        length >= kCapiDataB3Length)
        length += CapiGetWord(bytes + kCapiDataB3OffsetLength);
    put_messages_.emplace_back(bytes, bytes + length);
    if (silent_)
        return 0;
    DeliverDue();
    const std::vector<std::uint8_t>& copy = put_messages_.back();
    if (copy[kCapiOffsetSubcommand] == CAPI_REQ)
        HandleRequest(appl_id, copy);
    else if (copy[kCapiOffsetSubcommand] == CAPI_RESP)
        HandleResponse(appl_id, copy);
    return 0;
}

void ScriptedCapiController::HandleRequest(std::uint32_t appl_id,
                                           const std::vector<std::uint8_t>& message) {
    const std::uint16_t number = CapiGetWord(message.data() + kCapiOffsetMessageNumber);
    const std::uint32_t id = FirstDword(message);
    switch (message[kCapiOffsetCommand]) {
    case CAPI_LISTEN:
        OnListenReq(appl_id, message);
        return;
    case CAPI_CONNECT:
        OnConnectReq(appl_id, message);
        return;
    case CAPI_DISCONNECT:
        if (disconnect_info_ != 0) {
            Enqueue(appl_id, Image().Dword(id).Word(disconnect_info_).Finish(CAPI_DISCONNECT,
                                                                             CAPI_CONF, number));
            return;
        }
        // The call stays until its DISCONNECT_IND is answered.
        CancelEvents(appl_id, id);
        Enqueue(appl_id, Image().Dword(id).Word(0).Finish(CAPI_DISCONNECT, CAPI_CONF, number));
        Enqueue(appl_id,
                Image().Dword(id).Word(local_disconnect_reason_).Finish(CAPI_DISCONNECT, CAPI_IND));
        return;
    case CAPI_FACILITY: {
        const std::uint16_t selector = message.size() >= 14 ? CapiGetWord(message.data() + 12) : 0;
        const std::uint16_t function =
            message.size() >= 17 && message[14] >= 2 ? CapiGetWord(message.data() + 15) : 0;
        const std::uint8_t lo = static_cast<std::uint8_t>(function);
        const std::uint8_t hi = static_cast<std::uint8_t>(function >> 8);
        Enqueue(appl_id, Image()
                             .Dword(id)
                             .Word(0)
                             .Word(selector)
                             .Struct({lo, hi, 2, 0, 0})
                             .Finish(CAPI_FACILITY, CAPI_CONF, number));
        const bool supplementary = selector == kCapiFacilitySupplementaryServices;
        if (supplementary && (function == kCapiFacilityHold || function == kCapiFacilityRetrieve ||
                              function == kCapiFacilityEct)) {
            const std::uint16_t reason = facility_reasons_[function];
            Enqueue(appl_id, Image()
                                 .Dword(id)
                                 .Word(selector)
                                 .Struct({lo, hi, 2, static_cast<std::uint8_t>(reason),
                                          static_cast<std::uint8_t>(reason >> 8)})
                                 .Finish(CAPI_FACILITY, CAPI_IND));
        }
        return;
    }
    case CAPI_CONNECT_B3:
        Enqueue(appl_id,
                Image().Dword(Ncci(id)).Word(0).Finish(CAPI_CONNECT_B3, CAPI_CONF, number));
        Enqueue(appl_id, Image().Dword(Ncci(id)).Empty().Finish(CAPI_CONNECT_B3_ACTIVE, CAPI_IND));
        return;
    case CAPI_DATA_B3: {
        const std::uint16_t handle = message.size() >= kCapiDataB3Length
                                         ? CapiGetWord(message.data() + kCapiDataB3OffsetHandle)
                                         : 0;
        Enqueue(appl_id,
                Image().Dword(id).Word(handle).Word(0).Finish(CAPI_DATA_B3, CAPI_CONF, number));
        return;
    }
    case CAPI_DISCONNECT_B3:
        Enqueue(appl_id, Image().Dword(id).Word(0).Finish(CAPI_DISCONNECT_B3, CAPI_CONF, number));
        Enqueue(appl_id, Image().Dword(id).Word(0).Empty().Finish(CAPI_DISCONNECT_B3, CAPI_IND));
        return;
    default:
        Enqueue(appl_id,
                Image().Dword(id).Word(0).Finish(message[kCapiOffsetCommand], CAPI_CONF, number));
        return;
    }
}

void ScriptedCapiController::OnListenReq(std::uint32_t appl_id,
                                         const std::vector<std::uint8_t>& message) {
    const std::uint16_t number = CapiGetWord(message.data() + kCapiOffsetMessageNumber);
    const std::uint32_t controller = FirstDword(message);
    std::uint16_t info = listen_info_;
    if (controllers_.count(controller & 0x7F) == 0)
        info = static_cast<std::uint16_t>(kCapiIllegalController);
    else if (info == 0 && message.size() >= 20)
        FindApplication(appl_id)->listens[controller & 0x7F] =
            Listen{CapiGetDword(message.data() + 12), CapiGetDword(message.data() + 16)};
    Enqueue(appl_id, Image().Dword(controller).Word(info).Finish(CAPI_LISTEN, CAPI_CONF, number));
}

void ScriptedCapiController::OnConnectReq(std::uint32_t appl_id,
                                          const std::vector<std::uint8_t>& message) {
    const std::uint16_t number = CapiGetWord(message.data() + kCapiOffsetMessageNumber);
    const std::uint32_t controller = FirstDword(message) & 0x7F;
    std::uint16_t info = connect_info_;
    connect_info_ = 0;
    if (controllers_.count(controller) == 0)
        info = static_cast<std::uint16_t>(kCapiIllegalController);
    if (info != 0) {
        Enqueue(appl_id,
                Image().Dword(controller).Word(info).Finish(CAPI_CONNECT, CAPI_CONF, number));
        return;
    }
    const std::uint32_t plci = NewPlci(controller);
    if (plci == 0) {
        Enqueue(appl_id, Image()
                             .Dword(controller)
                             .Word(kCapiNoPlciAvailable)
                             .Finish(CAPI_CONNECT, CAPI_CONF, number));
        return;
    }
    calls_.push_back(Call{appl_id, plci, {}, {}, true});
    Enqueue(appl_id, Image().Dword(plci).Word(0).Finish(CAPI_CONNECT, CAPI_CONF, number));
    if (outgoing_scripts_.empty())
        return;
    const std::vector<ScriptedCapiStep> steps = std::move(outgoing_scripts_.front());
    outgoing_scripts_.pop_front();
    ScheduleStepsLocked(appl_id, plci, steps, 0);
}

void ScriptedCapiController::HandleResponse(std::uint32_t appl_id,
                                            const std::vector<std::uint8_t>& message) {
    Application* application = FindApplication(appl_id);
    const std::uint8_t command = message[kCapiOffsetCommand];
    const std::uint16_t number = CapiGetWord(message.data() + kCapiOffsetMessageNumber);
    const std::uint32_t id = FirstDword(message);
    auto& indications = application->indications;
    const auto same_number =
        std::find_if(indications.begin(), indications.end(), [&](const Indication& indication) {
            return indication.command == command && indication.message_number == number;
        });
    if (same_number == indications.end()) {
        const bool open_with_id =
            std::any_of(indications.begin(), indications.end(), [&](const Indication& indication) {
                return indication.command == command && indication.id == id && !indication.answered;
            });
        violations_.push_back({open_with_id ? CapiProtocolViolation::kWrongMessageNumber
                                            : CapiProtocolViolation::kUnexpectedResponse,
                               appl_id, command, number});
        return;
    }
    if (same_number->answered) {
        violations_.push_back({CapiProtocolViolation::kAnsweredTwice, appl_id, command, number});
        return;
    }
    same_number->answered = true;
    if (command == CAPI_CONNECT) {
        OnConnectResp(appl_id, message);
    } else if (command == CAPI_DISCONNECT) {
        // The call is gone: its PLCI may go out again.
        CancelEvents(appl_id, id);
        std::erase_if(calls_,
                      [&](const Call& call) { return call.appl_id == appl_id && call.plci == id; });
    } else if (command == CAPI_CONNECT_B3 && message.size() >= 14) {
        if (CapiGetWord(message.data() + 12) == kAcceptB3)
            Enqueue(appl_id, Image().Dword(id).Empty().Finish(CAPI_CONNECT_B3_ACTIVE, CAPI_IND));
        else
            Enqueue(appl_id,
                    Image().Dword(id).Word(0).Empty().Finish(CAPI_DISCONNECT_B3, CAPI_IND));
    }
}

void ScriptedCapiController::OnConnectResp(std::uint32_t appl_id,
                                           const std::vector<std::uint8_t>& message) {
    const std::uint32_t plci = FirstDword(message);
    const std::uint16_t reject = message.size() >= 14 ? CapiGetWord(message.data() + 12) : 0;
    Call* call = FindCall(appl_id, plci);
    // The caller hung up, or another device took the call, before this
    // answer; or the call is gone altogether.
    if (call == nullptr || call->cleared)
        return;
    if (reject != 0) {
        Enqueue(appl_id, Image().Dword(plci).Word(0).Finish(CAPI_DISCONNECT, CAPI_IND));
        return;
    }
    if (!call->activates)
        return;
    Enqueue(appl_id, Image()
                         .Dword(plci)
                         .Struct(PresentedNumber(call->connected_number))
                         .Empty()
                         .Empty()
                         .Finish(CAPI_CONNECT_ACTIVE, CAPI_IND));
    ScheduleStepsLocked(appl_id, plci, call->after_accept, 0);
}

void ScriptedCapiController::SetNextIndicationNumber(DWORD appl_id, std::uint16_t number) {
    std::lock_guard lock(mutex_);
    if (Application* application = FindApplication(appl_id))
        application->next_message_number = number;
}

std::size_t ScriptedCapiController::GetMessageCalls(DWORD appl_id) {
    std::lock_guard lock(mutex_);
    const Application* application = FindApplication(appl_id);
    return application != nullptr ? application->get_message_calls : 0;
}

DWORD ScriptedCapiController::CAPI_GET_MESSAGE(DWORD appl_id, void** message) {
    std::lock_guard lock(mutex_);
    if (message != nullptr)
        *message = nullptr;
    Application* application = FindApplication(appl_id);
    if (application == nullptr)
        return kCapiIllegalApplId;
    ++application->get_message_calls;
    if (message == nullptr)
        return kCapiIllegalCommand;
    DeliverDue();
    if (application->queue.empty())
        return kCapiReceiveQueueEmpty;
    application->current = std::move(application->queue.front());
    application->queue.pop_front();
    *message = application->current.data();
    return 0;
}

DWORD ScriptedCapiController::CAPI_WAIT_FOR_SIGNAL(DWORD appl_id) {
    std::unique_lock lock(mutex_);
    for (;;) {
        Application* application = FindApplication(appl_id);
        if (application == nullptr)
            return kCapiIllegalApplId;
        DeliverDue();
        if (!application->queue.empty())
            return 0;
        queued_.wait(lock);
    }
}

DWORD ScriptedCapiController::CAPI_GET_MANUFACTURER(char* buffer) {
    std::lock_guard lock(mutex_);
    if (buffer == nullptr)
        return kCapiOsResourceError;
    std::memset(buffer, 0, kCapiManufacturerLength);
    std::memcpy(buffer, manufacturer_.data(), manufacturer_.size());
    return 0;
}

DWORD ScriptedCapiController::CAPI_GET_VERSION(DWORD* capi_major, DWORD* capi_minor,
                                               DWORD* manufacturer_major,
                                               DWORD* manufacturer_minor) {
    std::lock_guard lock(mutex_);
    DWORD* targets[] = {capi_major, capi_minor, manufacturer_major, manufacturer_minor};
    for (int i = 0; i < 4; ++i)
        if (targets[i] != nullptr)
            *targets[i] = version_[i];
    return 0;
}

DWORD ScriptedCapiController::CAPI_GET_SERIAL_NUMBER(char* buffer) {
    std::lock_guard lock(mutex_);
    if (buffer == nullptr)
        return kCapiOsResourceError;
    std::memset(buffer, 0, kCapiSerialNumberLength);
    std::memcpy(buffer, serial_number_.data(), serial_number_.size());
    return 0;
}

DWORD ScriptedCapiController::CAPI_GET_PROFILE(void* buffer, DWORD controller) {
    std::lock_guard lock(mutex_);
    if (installed_result_ != 0)
        return installed_result_;
    if (buffer == nullptr)
        return kCapiOsResourceError;
    auto* profile = static_cast<std::uint8_t*>(buffer);
    if (controller != 0 && controllers_.count(controller) == 0)
        return kCapiIllegalController;
    std::memset(profile, 0, kCapiProfileLength);
    CapiPutWord(profile, controllers_.size());
    if (controller == 0)
        return 0;
    // B channels, then global options (internal controller), and the B1, B2
    // and B3 protocols (64 kbit/s HDLC and transparent).
    CapiPutWord(profile + 2, controllers_[controller]);
    CapiPutDword(profile + 4, 0x00000001);
    CapiPutDword(profile + 8, 0x00000003);
    CapiPutDword(profile + 12, 0x00000003);
    CapiPutDword(profile + 16, 0x00000001);
    return 0;
}

DWORD ScriptedCapiController::CAPI_INSTALLED() {
    std::lock_guard lock(mutex_);
    return installed_result_;
}
