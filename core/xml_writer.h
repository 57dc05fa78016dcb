#pragma once
// Writes the markup of a node and everything below it into one output
// buffer. The walk keeps its own stack, so a tree of any depth is written
// without deep recursion.

#include "core/xml_node.h"

#include <string>
#include <string_view>
#include <vector>

class XmlWriter {
public:
    // Appends the markup of the node to out. The markup of every node written
    // below it is left empty (a text node keeps its content), as a rebuild of
    // each child would leave it.
    void Append(std::string& out, XmlNode& node);

    // Parts of tags, shared with the nodes' own tag writers.
    static void AppendName(std::string& out, std::string_view name);
    // " name=\"value\"" per attribute, in list order.
    static void AppendAttributes(std::string& out, const XmlNodeList& attributes);
    // The ">" that ends an open tag with a body.
    static void AppendOpenTagEnd(std::string& out, std::string_view name,
                                 const XmlNodeList& attributes);

private:
    struct Frame {
        XmlElement* element;
        std::uint32_t next_child;
        std::size_t body_start; // where the element's children begin in out
    };

    static void ClearMarkup(XmlNode& node);
    void AppendLeaf(std::string& out, XmlNode& node);
    void OpenElement(std::string& out, XmlElement& element);
    void CloseElement(std::string& out, const Frame& frame);

    std::vector<Frame> stack_;
};
