#pragma once
// The character entities of record texts. Encoding protects "<", ">" and the
// eight Latin-1 letters ü Ü ä Ä ö Ö ß § (Windows-1252 bytes); "&" is left as it
// is, so encoding and decoding are not exact inverses. Decoding also reads
// numeric references "&#" digits ";" of up to three digits.

#include <string>
#include <string_view>

// Replaces the protected characters by their entities, in place.
void XmlEncodeEntities(std::string& text);
// Replaces the entities by their characters, in place.
void XmlDecodeEntities(std::string& text);

// Whether encoding would change the text.
bool XmlTextNeedsEncoding(std::string_view text);

// The same two operations appending to an output buffer.
void AppendXmlEncodedEntities(std::string& out, std::string_view text);
void AppendXmlDecodedEntities(std::string& out, std::string_view text);

// Attribute values: a double quote is written as "&quot;", and the "&" of a
// literal "&quot;" as "&amp;" (one "amp;" more for each already there), so
// that every value reads back byte for byte. Nothing else changes: a ">"
// stays, the parser knows it belongs to the quoted value.
void AppendXmlAttributeValue(std::string& out, std::string_view value);
void AppendXmlAttributeValueDecoded(std::string& out, std::string_view value);
// Whether the value read holds anything the decoding changes.
bool XmlAttributeValueNeedsDecoding(std::string_view value);
