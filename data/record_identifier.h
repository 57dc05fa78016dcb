#pragma once
// The numeric identifier in the XML form of the records whose form has no
// "identifier" attribute of its own, so that a store keeping them by
// identifier (or, for records keyed by it, by key text) reads back every
// record it wrote. Texts without the attribute still read.

#include "data/data_handler.h"
#include "platform/result_codes.h"

class XmlDocument;
class XmlNode;

// Adds the attribute "identifier" with the identifier text (lower-case hex)
// to the record's element, when the element exists and the identifier is not
// 0: a record never given one writes the text it always wrote. Returns
// `result`, or the attribute step's code when that step fails.
KvResult AddRecordIdentifier(const CKvDataHandler& record, XmlDocument& document, XmlNode* element,
                             KvResult result);
// Sets the identifier from the element's attribute "identifier" when it holds
// a hexadecimal number; without it (or with another text) nothing changes.
void ReadRecordIdentifier(CKvDataHandler& record, const XmlNode* element);
