#include "data/record_identifier.h"

#include "core/record_xml.h"
#include "platform/number_parse.h"
#include "platform/pointer.h"

#include <cctype>
#include <string>

KvResult AddRecordIdentifier(const CKvDataHandler& record, XmlDocument& document, XmlNode* element,
                             KvResult result) {
    if (element == nullptr || record.GetIdentifier() == 0)
        return result;
    const KvResult added =
        AddRecordAttribute(document, element, XmlStaticName{"identifier"},
                           record.GetIdentifierText());
    return KvFailed(added) ? added : result;
}

void ReadRecordIdentifier(CKvDataHandler& record, const XmlNode* element) {
    std::string text;
    if (!IsValidPtr(element) || ReadRecordAttribute(*element, "identifier", text) != KV_OK)
        return;
    if (text.empty() || text.size() > 8)
        return;
    for (const char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return;
    }
    record.SetIdentifier(ParseUInt32(text, 16));
}
