#pragma once
// The XML form both advertising records share: the key text as the attribute
// "identifier", the first key only while nothing failed, the other keys
// whatever happened before.

#include "data/record_keys.h"

template <typename Record>
KvResult WriteAdvertizeXml(Record& record, const RecordForm<Record>& form, XmlNode*& out,
                           XmlDocument& document, XmlNode* parent) {
    const KvResult begun = BeginRecordXml(record, form, out, document, parent);
    if (out == nullptr)
        return begun;
    const KvResult result = WriteRecordKeys(record, form.keys.first(1), document, out,
                                            RecordWritePolicy::kStopAtFailure, begun);
    return WriteRecordKeys(record, form.keys.subspan(1), document, out, RecordWritePolicy::kGoOn,
                           result);
}

// The attribute "identifier" becomes the key text, so that a store of these
// records keeps its keys through its XML form; an element without it is read
// all the same, keeping the key text.
template <typename Record>
KvResult ReadAdvertizeXml(Record& record, const RecordForm<Record>& form, const XmlNode* element) {
    record.SetTookElement(false);
    if (!IsValidPtr(element))
        return KV_E_INVALID_POINTER;
    std::string key;
    if (record_keys_detail::ReadIdentifierAttribute(*element, key) == KV_OK)
        record.GetKey() = std::move(key);
    return ReadRecordKeys(record, form.keys, *element);
}
