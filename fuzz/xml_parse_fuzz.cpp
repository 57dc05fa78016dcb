// Feeds arbitrary bytes to XmlDocument::Parse and checks that
// - the tree reads back as written: writing it, parsing that text and writing
//   again gives the same text;
// - every parse strategy builds the same nodes.

#include "core/xml_document.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Fail(const char* what, const std::string& a, const std::string& b) {
    std::fprintf(stderr, "%s\n[%s]\n[%s]\n", what, a.c_str(), b.c_str());
    std::abort();
}

// Every node of the document with its fields and the serials of its lists.
std::string DescribeNodes(const XmlDocument& document) {
    std::string out;
    for (const XmlNode* node : document.GetNodeList()) {
        out += std::to_string(node->GetSerial()) + ":" + std::to_string(node->GetKind()) + "(";
        out += node->GetName();
        out += ")=(";
        out += node->GetContent();
        out += ")[";
        for (const XmlNode* child : node->GetChildList())
            out += std::to_string(child->GetSerial()) + ",";
        out += "][";
        for (const XmlNode* attribute : node->GetAttributeList())
            out += std::to_string(attribute->GetSerial()) + ",";
        out += "]\n";
    }
    return out;
}

std::string ParseAndWrite(std::string_view text, bool check_strategies) {
    XmlDocument document;
    const KvResult result = document.Parse(text);
    if (result != KV_OK)
        std::abort();
    if (check_strategies) {
        const std::string nodes = DescribeNodes(document);
        for (XmlDocument::Strategy strategy :
             {XmlDocument::Strategy::kCloseTagTable, XmlDocument::Strategy::kLevelScans}) {
            XmlDocument other;
            other.SetParseStrategy(strategy);
            other.Parse(text);
            const std::string other_nodes = DescribeNodes(other);
            if (other_nodes != nodes || other.IsParseComplete() != document.IsParseComplete())
                Fail("parse strategies differ", nodes, other_nodes);
        }
    }
    // Decoding runs over every text the parser stored.
    std::string decoded;
    for (XmlNode* node : document.GetNodeList())
        node->GetText(decoded);
    std::string written;
    document.GetText(written);
    return written;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string first = ParseAndWrite(input, true);
    const std::string second = ParseAndWrite(first, false);
    if (first != second)
        Fail("round trip differs", first, second);
    return 0;
}
