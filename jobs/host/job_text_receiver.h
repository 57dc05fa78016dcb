#pragma once
// Turns one received job text into a job and the message that carries it:
// the job of the header's type made by the payload registry and read from
// the text, the message with the header's kind, attribute, the job's type as
// payload type and the job ids (idtarget, idsource, 0). Every rejection has
// its own result, and nothing is left behind by a rejected text. A text holds
// one "JobData" element and, around it, nothing but white space, comments and
// an XML declaration.

#include "core/xml_document.h"
#include "framework/message.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

enum class JobTextResult : std::int32_t {
    kAccepted = 0,
    kTooLarge,         // above kMaxTextBytes
    kNotXml,           // the document did not parse completely
    kNoJobData,        // no "JobData" element at the top
    kUnknownType,      // "type" missing, unknown or UNSPECIFIED
    kUnknownKind,      // "messagetype" missing or not a kind name
    kUnknownAttribute, // "attribute" missing or not an attribute name
    kBadId,            // "idtarget" or "idsource" not plain digits up to 4294967295
    kNoJobClass,       // the type has no registered job class
    kReadFailed,       // the job's ReadXml did not return 0
    kNotOneJobData,    // beside the "JobData" element: another element, text or
                       // a processing instruction other than the XML declaration
    kWrongPeer,        // the job's partner is at another address (refused by the host)
};

const char* JobTextResultName(JobTextResult result);

class CKvJobTextReceiver {
public:
    static constexpr std::size_t kMaxTextBytes = 256 * 1024;

    // On kAccepted message is a new message owning the new job; otherwise
    // null.
    JobTextResult Receive(std::string_view text, CKvMessage*& message);

private:
    // Kept between texts, so that its storage is reused.
    XmlDocument document_;
};

// Plain decimal digits whose value fits 32 bits unsigned.
bool ParseJobId(std::string_view text, std::uint32_t& id);
