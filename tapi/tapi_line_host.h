#pragma once
// TapiLineHost: the line service behind endpoint 2110 (0x83E). It
// initialises TAPI, starts a CKvTAPILine for every line object it is sent,
// hands call requests and watches to the line they name, turns TAPI's
// messages into KVTAPILINEMESSAGE payloads for the lines, and stops the lines
// and TAPI when it ends. It runs on a thread of its own; the lines live on
// theirs, each reached only through messages.

#include "framework/message_router.h"
#include "framework/win_thread.h"
#include "platform/tapi/tapi_types.h"
#include "tapi/tapi_line.h"
#include "tapi/tapi_line_message.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The line message of a LINE_REPLY: result 1 for a request that succeeded.
KVTAPILINEMESSAGE* NewLineReplyMessage(const LineMessage& message);
// The line message of a LINE_CALLSTATE with the call's info and status
// attached; null when the call cannot be read.
KVTAPILINEMESSAGE* NewLineCallStateMessage(const LineMessage& message);

class TapiLineHost : public CKvWinThread {
public:
    static constexpr std::uint16_t kEndpoint = 2110;
    // The endpoints handed to the lines.
    static constexpr std::uint16_t kFirstLineEndpoint = 0xA00;
    static constexpr std::uint16_t kLastLineEndpoint = 0xAFF;
    static constexpr DWORD kApiVersion = 0x00020002u;
    static constexpr UINT kDrainTimerMs = 50;
    // INFO command that closes lines.
    static constexpr std::int32_t kCloseCommand = 3;
    // How long the end waits for lines that drop their calls, on the clock;
    // a line still running then is told to quit at once.
    static constexpr std::uint32_t kLineStopWaitMs = 11000;

    // Without auto-delete: the owner stops the host, waits for its end and
    // deletes it.
    explicit TapiLineHost(CKvMessageRouter* router);
    ~TapiLineHost() override;

    bool OnInitInstance() override;
    void OnExitInstance() override;
    KvResult OnRequest(CKvMessage* message) override;
    KvResult OnInfo(CKvMessage* message) override;
    KvResult OnSignal(CKvMessage* message) override;
    bool OnIdleHook(LONG count) override;

    // Lines started and not yet deleted; readable from any thread.
    std::size_t GetLineCount() const { return line_count_.load(std::memory_order_acquire); }
    // Valid once the host has started.
    const TapiHostRecord& GetHostRecord() const { return record_; }

protected:
    bool PreTranslateMessage(ThreadMessage& message) override;
    void OnTimer(UINT id) override;

private:
    struct Line {
        std::unique_ptr<CKvTAPILine> thread;
        bool stopping = false;
    };

    void OpenLine(CKvMessage* message);
    void CloseLines(CKvMessage* message);
    // Hands the message to the named line; a REQUEST for a line that is not
    // open is refused, anything else released.
    void ForwardToLine(CKvMessage* message, const std::string& name);
    void ForwardToEveryLine(CKvMessage* message);
    void Refuse(CKvMessage* message);

    void DrainLineMessages();
    void ForwardReply(const LineMessage& message);
    void ForwardCallState(const LineMessage& message);
    void PostLineMessage(CKvTAPILine& line, KVTAPILINEMESSAGE* payload);
    // The trimmed name of a device, as the lines compare it.
    std::string DeviceName(DWORD device_id);

    CKvTAPILine* FindLine(const std::string& name);
    std::uint16_t FreeEndpoint();
    void DeleteEndedLines();
    void UpdateLineCount() { line_count_.store(lines_.size(), std::memory_order_release); }
    std::uint32_t NextSequence() { return ++sequence_; }

    TapiHostRecord record_;
    std::vector<Line> lines_;
    std::map<DWORD, std::string> device_names_;
    std::atomic<std::size_t> line_count_{0};
    std::uint32_t sequence_ = 0;
};
