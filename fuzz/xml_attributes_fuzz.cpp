// Feeds arbitrary bytes to XmlDocument::ParseAttributesInto, the attribute
// text of a tag read on its own. The first byte chooses the node (any of the
// six kinds; only elements, text elements and processing instructions take
// attributes); the rest is the attribute text. The document parses it first,
// and the text is then read twice: in place, as a view of the document's own
// copy (XmlDocument::GetParsedText), whose bytes the attributes may borrow,
// and from a buffer of the caller's that is overwritten and freed before the
// attributes are looked at, so that one borrowed from it is seen by the
// AddressSanitizer. Checks that
// - both give the same result, KV_OK or KV_E_FAIL (always KV_E_FAIL and no
//   attribute for the other kinds), and the same attributes;
// - reading the text again into the same node replaces its attributes;
// - the node written with its attributes, and the attribute text of that
//   tag read into a new node, gives the same attributes.

#include "core/xml_document.h"
#include "core/xml_node.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using Attributes = std::vector<std::pair<std::string, std::string>>;

[[noreturn]] void Fail(const char* what, std::string_view first, std::string_view second) {
    std::fprintf(stderr, "%s\n[%.*s]\n[%.*s]\n", what, static_cast<int>(first.size()),
                 first.data(), static_cast<int>(second.size()), second.data());
    std::abort();
}

std::string Describe(const Attributes& attributes) {
    std::string out;
    for (const auto& [name, value] : attributes)
        out += name + "=[" + value + "] ";
    return out;
}

Attributes AttributesOf(const XmlNode& node) {
    Attributes attributes;
    for (const XmlNode* attribute : node.GetAttributeList())
        attributes.emplace_back(attribute->GetName(), attribute->GetContent());
    return attributes;
}

bool TakesAttributes(std::uint32_t kind) {
    return kind == kXmlElement || kind == kXmlTextElement || kind == kXmlProcessingInstruction;
}

// A node of the kind, named and (for a text element) with a text, so that its
// tag is written with its attributes.
XmlNode* NewNode(XmlDocument& document, std::uint32_t kind) {
    XmlNode* node = nullptr;
    document.CreateNode(node, kind);
    if (node == nullptr)
        std::abort();
    node->SetName("e");
    node->SetContent("t");
    return node;
}

// Reads text held only by this call: the buffer is overwritten and freed
// before the caller looks at what was read.
KvResult ParseFromPassingBuffer(XmlDocument& document, XmlNode* node, std::string_view text) {
    auto buffer = std::make_unique<char[]>(text.size() + 1);
    if (!text.empty())
        std::memcpy(buffer.get(), text.data(), text.size());
    const KvResult result = document.ParseAttributesInto(node, {buffer.get(), text.size()});
    std::memset(buffer.get(), '#', text.size());
    return result;
}

// The attribute text of the node's written tag: what lies between its name
// and the end of its tag.
std::string WrittenAttributeText(XmlNode& node) {
    node.BuildMarkup();
    const std::string_view markup = node.GetMarkup();
    std::string_view head = "<e";
    std::string_view tail = " />";
    if (node.GetKind() == kXmlTextElement) {
        tail = ">t</e>";
    } else if (node.GetKind() == kXmlProcessingInstruction) {
        head = "<?e";
        tail = "?>";
    }
    if (markup.size() < head.size() + tail.size() || !markup.starts_with(head) ||
        !markup.ends_with(tail))
        Fail("a tag is written in another form", markup, Describe(AttributesOf(node)));
    return std::string(markup.substr(head.size(), markup.size() - head.size() - tail.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint32_t kind = data[0] % 6 + 1;
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);

    XmlDocument document;
    document.Parse(input);
    // The document's copy of the input, which lives as long as the document:
    // read from there the attributes may borrow their texts.
    const std::string_view text = document.GetParsedText();
    if (text != input || (!input.empty() && text.data() == input.data()))
        Fail("the document keeps no copy of the text it parsed", text, input);
    XmlNode* borrowing = NewNode(document, kind);
    const KvResult result = document.ParseAttributesInto(borrowing, text);
    XmlNode* copying = NewNode(document, kind);
    const KvResult copied_result = ParseFromPassingBuffer(document, copying, text);

    const Attributes attributes = AttributesOf(*borrowing);
    if (result != KV_OK && result != KV_E_FAIL)
        Fail("an attribute text gives another code", text, std::to_string(result));
    if (!TakesAttributes(kind) && (result != KV_E_FAIL || !attributes.empty()))
        Fail("a node of this kind took attributes", text, Describe(attributes));
    if (copied_result != result || AttributesOf(*copying) != attributes)
        Fail("the text read in place and from a passing buffer differ", Describe(attributes),
             Describe(AttributesOf(*copying)));
    if (ParseFromPassingBuffer(document, copying, text) != result ||
        AttributesOf(*copying) != attributes)
        Fail("a second read does not replace the attributes", Describe(attributes),
             Describe(AttributesOf(*copying)));
    if (!TakesAttributes(kind))
        return 0;

    const std::string written = WrittenAttributeText(*borrowing);
    XmlDocument again;
    XmlNode* read_back = NewNode(again, kind);
    if (ParseFromPassingBuffer(again, read_back, written) != KV_OK ||
        AttributesOf(*read_back) != attributes)
        Fail("attributes written and read back differ", Describe(attributes),
             Describe(AttributesOf(*read_back)));
    return 0;
}
