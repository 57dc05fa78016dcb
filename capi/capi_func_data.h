#pragma once
// One call of a CAPI 2.0 operation made portable: the operation, its inputs
// and, once executed, its return value and outputs. A record travels as the
// payload of type 30 and as the XML element "CAPIFuncData", so that a call
// made on one computer is executed by the CAPI of another. The thread that
// issued the call waits on the record's completion event.

#include "core/timeout_timer.h"
#include "core/xml_document.h"
#include "platform/result_codes.h"
#include "platform/sync.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class CAPIFuncData {
public:
    static constexpr std::int32_t kTypeCode = 30;

    enum Type : std::uint32_t {
        kUnspecified = 0,
        kManufacturer = 1,
        kRegister = 2,
        kRelease = 3,
        kPutMessage = 4,
        kGetMessage = 5,
        kWaitForSignal = 6,
        kGetManufacturer = 7,
        kGetVersion = 8,
        kGetSerialNumber = 9,
        kProfile = 10,
        kInstalled = 11,
    };

    static constexpr std::size_t kMessageAreaSize = 1288;
    static constexpr std::size_t kTextBufferSize = 64;
    static constexpr std::uint32_t kMinMessageLength = 9;
    static constexpr std::uint32_t kMaxMessageLength = 1032;
    static constexpr std::uint32_t kTimeoutMilliseconds = 1005;
    // CAPI 2.0 information values of a call that was not executed.
    static constexpr std::int32_t kRegisterNotAvailable = 0x1008;
    static constexpr std::int32_t kNotAvailable = 0x1108;

    CAPIFuncData();
    CAPIFuncData(const CAPIFuncData&) = delete;
    CAPIFuncData& operator=(const CAPIFuncData&) = delete;

    void Reset();
    // Everything but the event and the timer. KV_E_FAIL when the source's
    // message length lies outside 9 to 1032 (the target's length word is then
    // 0); the other fields are copied either way.
    KvResult CopyFrom(const CAPIFuncData& other);
    // 1 when both records have one Type and the answer's outputs were moved
    // into target; 0 otherwise.
    std::int32_t CopyResultTo(CAPIFuncData& target) const;

    void SetTypeFromName(std::string_view name);
    void SetType(std::uint32_t type);
    void SetIdText(std::string_view text);
    void SetApplicationIdText(std::string_view text);
    void SetReturnValueText(std::string_view text);
    void SetFlagReturnText(std::string_view text);
    void SetId(std::int32_t id);
    void SetFlagReturn(std::uint32_t flag);
    void SetApplicationId(std::int32_t id);
    void SetReturnValue(std::int32_t value);
    void SetNote(std::string note) { note_ = std::move(note); }

    std::uint32_t GetType() const { return type_; }
    const std::string& GetTypeName() const { return type_name_; }
    std::int32_t GetId() const { return id_; }
    const std::string& GetIdText() const { return id_text_; }
    std::uint32_t GetFlagReturn() const { return flag_return_; }
    const std::string& GetFlagReturnText() const { return flag_return_text_; }
    std::int32_t GetApplicationId() const { return application_id_; }
    const std::string& GetApplicationIdText() const { return application_id_text_; }
    std::int32_t GetReturnValue() const { return return_value_; }
    const std::string& GetReturnValueText() const { return return_value_text_; }
    const std::string& GetNote() const { return note_; }
    KvResult GetResult() const { return result_; }

    std::uint32_t GetRegisterParameter(std::size_t index) const { return register_[index]; }
    void SetRegisterParameter(std::size_t index, std::uint32_t value) { register_[index] = value; }
    std::uint32_t GetVersion(std::size_t index) const { return version_[index]; }
    void SetVersion(std::size_t index, std::uint32_t value) { version_[index] = value; }
    std::uint32_t GetController() const { return controller_; }
    void SetController(std::uint32_t controller) { controller_ = controller; }
    std::uint8_t* GetTextBuffer() { return text_.data(); }
    const std::uint8_t* GetTextBuffer() const { return text_.data(); }

    // The message image; its first word is the message's length.
    std::uint8_t* GetMessage() { return message_.data(); }
    const std::uint8_t* GetMessage() const { return message_.data(); }
    std::uint32_t GetMessageLength() const;
    // Copies a message of 9 to 1032 bytes (its length word) into the area;
    // KV_E_INVALID_POINTER without one, KV_E_FAIL outside the range (the length
    // word then set to 0).
    KvResult SetMessage(const std::uint8_t* message);

    void StartTimeout() { timeout_.Start(); }
    // True on or after the poll at which the running time-out elapsed.
    bool CheckTimeoutExpired();
    TimeoutTimer& GetTimeout() { return timeout_; }
    void SignalCompleted() { completed_.Set(); }
    bool IsCompleted() const { return completed_.IsSet(); }
    // True when the record was completed within the limit (KV_INFINITE: for ever).
    bool WaitCompleted(DWORD timeout_ms) const { return completed_.Wait(timeout_ms); }
    void SetNotAvailableResult();

    KvResult WriteXml(XmlDocument* document, XmlNode* parent, std::uint32_t format = 0);
    // Reads the child element "CAPIFuncData" of element. The DataPool is read
    // by the Type and FlagReturn read before it.
    KvResult ReadXml(const XmlNode* element);
    std::string WriteDataPool() const;
    // KV_E_FAIL for a malformed text; the result is also kept as the record's.
    KvResult ReadDataPool(std::string_view text);

private:
    KvResult CopyMessageFrom(const std::uint8_t* message);

    KvResult result_ = KV_OK;
    std::int32_t id_ = 0;
    std::string id_text_;
    std::uint32_t type_ = kUnspecified;
    std::string type_name_;
    ManualResetEvent completed_;
    std::uint32_t flag_return_ = 0;
    std::string flag_return_text_;
    std::int32_t application_id_ = 0;
    std::string application_id_text_;
    std::int32_t return_value_ = 0;
    std::string return_value_text_;
    std::string note_;
    TimeoutTimer timeout_{0, 0};
    std::array<std::uint32_t, 4> register_{};
    std::array<std::uint8_t, kMessageAreaSize> message_{};
    std::array<std::uint8_t, kTextBufferSize> text_{};
    std::array<std::uint32_t, 4> version_{};
    std::uint32_t controller_ = 0;
};
