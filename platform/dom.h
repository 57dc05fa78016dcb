#pragma once
// An MSXML-style DOM: a document, its nodes and elements, and node lists,
// with the operations that records and UI descriptions use for their DOM
// forms. CreateDomDocument gives a document built over pugixml; tests may
// implement the interfaces themselves.
//
// Names and texts cross these interfaces as Windows-1252 text and are
// converted to and from Unicode inside (see platform/windows1252.h). A text
// ends at its first NUL byte, as a C string handed to a wide-string
// conversion does. The XML text of loadXML and get_xml is UTF-8.
//
// Interfaces are held in DomPtr. A call through an empty DomPtr returns
// KV_E_NULL_INTERFACE and clears its outputs; no call lets an exception out.
// A document and its nodes are used by one thread at a time.

#include "platform/result_codes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

class IDomNode;
class IDomElement;
class IDomDocument;
class IDomNodeList;

// The stand-in that answers calls through an empty DomPtr.
template <typename Interface> Interface& NullDomInterface() noexcept;
template <> IDomNode& NullDomInterface<IDomNode>() noexcept;
template <> IDomElement& NullDomInterface<IDomElement>() noexcept;
template <> IDomDocument& NullDomInterface<IDomDocument>() noexcept;
template <> IDomNodeList& NullDomInterface<IDomNodeList>() noexcept;

// A shared reference to a DOM interface, like a COM smart pointer: copies
// share the object, and the last one releases it.
template <typename Interface> class DomPtr {
public:
    DomPtr() = default;
    DomPtr(std::nullptr_t) {}
    explicit DomPtr(std::shared_ptr<Interface> pointer) : pointer_(std::move(pointer)) {}
    template <typename Derived>
    requires std::is_convertible_v<Derived*, Interface*> DomPtr(const DomPtr<Derived>& other)
        : pointer_(other.Shared()) {}

    Interface* operator->() const noexcept {
        return pointer_ ? pointer_.get() : &NullDomInterface<Interface>();
    }
    explicit operator bool() const noexcept { return pointer_ != nullptr; }
    Interface* Get() const noexcept { return pointer_.get(); }
    const std::shared_ptr<Interface>& Shared() const noexcept { return pointer_; }
    void Release() noexcept { pointer_.reset(); }

private:
    std::shared_ptr<Interface> pointer_;
};

using DomNodePtr = DomPtr<IDomNode>;
using DomElementPtr = DomPtr<IDomElement>;
using DomDocumentPtr = DomPtr<IDomDocument>;
using DomNodeListPtr = DomPtr<IDomNodeList>;

// The two kinds of VARIANT that attribute values take: an unsigned 32-bit
// number (VT_UI4, written in decimal) and a text (VT_BSTR).
using DomVariant = std::variant<std::uint32_t, std::string>;

// Results common to all calls: KV_OK; KV_E_NULL_INTERFACE through an empty
// DomPtr; KV_E_OUT_OF_MEMORY. KV_E_FAIL is what the DOM refuses, as each
// operation says.
class IDomNode {
public:
    virtual ~IDomNode() = default;

    // The tag of an element, the target of a processing instruction, else
    // "#text", "#cdata-section", "#comment" or "#document".
    virtual KvResult get_nodeName(std::string& name) noexcept = 0;
    // Of an element or the document, all text and CDATA below it in document
    // order; of any other node, its own value. White space is kept as it is.
    virtual KvResult get_text(std::string& text) noexcept = 0;
    // An element's children are replaced by one text node (none for an empty
    // text); other nodes take the text as their value. KV_E_FAIL on the
    // document, and for a comment holding "--" or ending in "-", or a
    // processing instruction holding "?>".
    virtual KvResult put_text(std::string_view text) noexcept = 0;
    // The children as they are now; later changes do not show in the list.
    virtual KvResult get_childNodes(DomNodeListPtr& list) noexcept = 0;
    // Moves the child from wherever it is to the end of this node's children.
    // KV_E_NULL_INTERFACE for an empty child; KV_E_FAIL for a child of another
    // document, the node itself or one of its ancestors, a parent that cannot
    // hold children, a second element or a text under the document.
    virtual KvResult appendChild(const DomNodePtr& child) noexcept = 0;
    // The node and what lies below it as UTF-8 XML text, without indentation.
    virtual KvResult get_xml(std::string& xml) noexcept = 0;
};

class IDomElement : public IDomNode {
public:
    // Adds the attribute or replaces its value. KV_E_FAIL when the name is
    // no XML name.
    virtual KvResult setAttribute(std::string_view name, const DomVariant& value) noexcept = 0;
};

class IDomDocument : public IDomNode {
public:
    // A new element of this document that has no parent yet. KV_E_FAIL and
    // an empty element when the name is no XML name.
    virtual KvResult createElement(std::string_view tag_name, DomElementPtr& element) noexcept = 0;
    // The element at the top of the document; empty when there is none.
    virtual KvResult get_documentElement(DomElementPtr& element) noexcept = 0;
    // Replaces the whole tree with the one parsed from UTF-8 XML text. Nodes
    // taken from the old tree stay usable but belong to no document. KV_E_FAIL
    // leaves the document empty: malformed XML, text that is not UTF-8, or not
    // exactly one top element. White space between elements is dropped; an
    // element holding only white space keeps it.
    virtual KvResult loadXML(std::string_view xml) noexcept = 0;
};

class IDomNodeList {
public:
    virtual ~IDomNodeList() = default;

    virtual KvResult get_length(std::int32_t& length) noexcept = 0;
    // Back before the first node.
    virtual KvResult reset() noexcept = 0;
    // The next node; empty, with KV_OK, after the last one.
    virtual KvResult nextNode(DomNodePtr& node) noexcept = 0;
};

// A new, empty document built over pugixml; empty and KV_E_OUT_OF_MEMORY
// when it cannot be made.
KvResult CreateDomDocument(DomDocumentPtr& document) noexcept;
