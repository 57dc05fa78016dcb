#pragma once
// The nodes of an XmlDocument: six kinds on one base. The document creates,
// owns and destroys every node; a node's texts live in the document's storage,
// so the views that the accessors return stay valid until the node's text is
// set again or the document is cleared.

#include "platform/result_codes.h"
#include "platform/types.h"

#include <cstdint>
#include <string>
#include <string_view>

class XmlDocument;

enum XmlNodeKind : std::uint32_t {
    kXmlElement = 1,
    kXmlTextElement = 2,
    kXmlAttribute = 3,
    kXmlProcessingInstruction = 4,
    kXmlText = 5,
    kXmlComment = 6,
};

class XmlNode;

// A name that lives as long as every document it is given to: a literal or
// a row of a static table. Nodes refer to it instead of keeping a copy.
struct XmlStaticName {
    std::string_view text;
};

// An ordered list of references to nodes; it owns nothing. Lists grow only
// through the document, which links nodes into them.
class XmlNodeList {
public:
    using const_iterator = XmlNode* const*;

    const_iterator begin() const { return items_; }
    const_iterator end() const { return items_ + size_; }
    std::uint32_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    XmlNode* operator[](std::uint32_t index) const { return items_[index]; }

private:
    friend class XmlDocument;

    XmlNode** items_ = nullptr;
    std::uint32_t size_ = 0;
    std::uint32_t capacity_ = 0;
};

// The first node in the list whose name equals the given name byte for byte:
// KV_OK, or KV_E_NOT_FOUND with out null.
KvResult FindXmlNodeByName(XmlNode*& out, std::string_view name, const XmlNodeList& list);

class XmlNode {
public:
    XmlNode(const XmlNode&) = delete;
    XmlNode& operator=(const XmlNode&) = delete;

    std::uint32_t GetKind() const { return kind_; }
    // The document's node counter at this node's creation (the first node of
    // a document gets 1).
    std::uint32_t GetSerial() const { return serial_; }
    XmlDocument* GetDocument() const { return document_; }

    std::string_view GetName() const { return {name_, name_size_}; }
    void SetName(std::string_view name);
    void SetName(XmlStaticName name);
    // A null text gives an empty name.
    void SetNameText(const char* name);

    // The text form the last markup build left here; for a text node (kind 5)
    // its content, which is written out verbatim.
    std::string_view GetMarkup() const;
    void SetMarkup(std::string_view markup);

    // The raw text of a text element, the value of an attribute, the text of
    // a comment, the content of a text node; empty for elements and
    // processing instructions, whose content is their child or attribute list.
    std::string_view GetContent() const { return {content_, content_size_}; }
    // Assign the content unchanged (no entity encoding); text elements,
    // attributes, comments and text nodes only, other kinds ignore it. Null
    // texts give an empty content.
    void SetContent(std::string_view content);
    void SetContentText(const char* content);
    void SetContentCString(const char* content);
    // Attributes: name and value from two zero-terminated texts.
    void SetNameAndContent(const char* name, const char* content);

    // Entity-encoding setter and entity-decoding getter (XmlEncodeEntities,
    // XmlDecodeEntities) for text elements, attributes and comments.
    void SetText(std::string_view text);
    std::string& GetText(std::string& out) const;
    std::string GetText() const;

    // Children of an element (empty for every other kind).
    const XmlNodeList& GetChildList() const;
    // Attributes of an element, a text element or a processing instruction
    // (empty for every other kind).
    const XmlNodeList& GetAttributeList() const;
    KvResult FindChild(XmlNode*& out, std::string_view name) const;
    KvResult FindAttribute(XmlNode*& out, std::string_view name) const;

    // Rebuilds this node's markup from its fields and, for an element, from
    // its children; the children's own markup is left empty (a text node
    // keeps its content).
    virtual KvResult BuildMarkup() = 0;

protected:
    XmlNode(XmlDocument* document, std::uint32_t kind, std::uint32_t serial)
        : document_(document), serial_(serial), kind_(static_cast<std::uint8_t>(kind)) {}
    ~XmlNode() = default;

    // Empties the markup and writes the node into it.
    KvResult RebuildMarkup();

    enum Flag : std::uint8_t {
        kOwnsName = 1,     // name_ is this node's own buffer
        kOwnsContent = 2,  // content_ is this node's own buffer
        kHasMarkup = 4,    // the document holds a markup buffer for the node
        kRootFlag = 8,     // elements: the document's root
        kLinkedOnce = 16,  // elements: in one child list
        kLinkedTwice = 32, // elements: in more than one child list, or twice
    };
    bool HasFlag(Flag flag) const { return (flags_ & flag) != 0; }
    void SetFlag(Flag flag, bool on) {
        flags_ = static_cast<std::uint8_t>(on ? flags_ | flag : flags_ & ~flag);
    }

private:
    friend class XmlDocument;
    friend class XmlWriter;

    // Points the name or the content at text the document keeps alive (the
    // parsed input).
    void BorrowName(std::string_view name);
    void BorrowContent(std::string_view content);
    // Copies the text into the node's own buffer in the document, reusing the
    // buffer when it is large enough; its capacity is kept just before it.
    void StoreText(const char*& data, std::uint32_t& size, Flag owned, std::string_view text);

    // Nodes are many: fields are packed, and texts are a pointer and a
    // 32-bit length (longer texts are cut at 4 GiB).
    XmlDocument* document_;
    const char* name_ = nullptr;
    const char* content_ = nullptr;
    std::uint32_t name_size_ = 0;
    std::uint32_t content_size_ = 0;
    std::uint32_t serial_;
    std::uint8_t kind_;
    std::uint8_t flags_ = 0;
};

class XmlElement final : public XmlNode {
public:
    const XmlNodeList& GetAttributeList() const { return attributes_; }
    BOOL GetRootFlag() const { return HasFlag(kRootFlag) ? TRUE : FALSE; }
    void SetRootFlag(BOOL flag) { SetFlag(kRootFlag, flag != FALSE); }

    KvResult BuildMarkup() override;
    // Append "<name attributes" and "</name>" to out.
    void WriteOpenTag(std::string& out);
    void WriteCloseTag(std::string& out) const;

private:
    friend class XmlDocument;
    friend class XmlNode;
    friend class XmlWriter;
    XmlElement(XmlDocument* document, std::uint32_t serial)
        : XmlNode(document, kXmlElement, serial) {}

    XmlNodeList children_;
    XmlNodeList attributes_;
    // Cycle test bookkeeping: the element this one was first linked under
    // (see kLinkedOnce) and the mark of the last walk.
    XmlElement* parent_ = nullptr;
    std::uint32_t visit_mark_ = 0;
};

class XmlTextElement final : public XmlNode {
public:
    const XmlNodeList& GetAttributeList() const { return attributes_; }

    KvResult BuildMarkup() override;
    // Append "<name attributes>" and "<name attributes />" to out.
    void WriteOpenTag(std::string& out);
    void WriteEmptyTag(std::string& out);

private:
    friend class XmlDocument;
    friend class XmlNode;
    friend class XmlWriter;
    XmlTextElement(XmlDocument* document, std::uint32_t serial)
        : XmlNode(document, kXmlTextElement, serial) {}

    XmlNodeList attributes_;
};

class XmlAttribute final : public XmlNode {
public:
    KvResult BuildMarkup() override;

private:
    friend class XmlDocument;
    XmlAttribute(XmlDocument* document, std::uint32_t serial)
        : XmlNode(document, kXmlAttribute, serial) {}
};

class XmlProcessingInstruction final : public XmlNode {
public:
    const XmlNodeList& GetAttributeList() const { return attributes_; }

    KvResult BuildMarkup() override;

private:
    friend class XmlDocument;
    friend class XmlNode;
    friend class XmlWriter;
    XmlProcessingInstruction(XmlDocument* document, std::uint32_t serial)
        : XmlNode(document, kXmlProcessingInstruction, serial) {}

    XmlNodeList attributes_;
};

class XmlText final : public XmlNode {
public:
    // Nothing to build: the markup of a text node is its content.
    KvResult BuildMarkup() override { return KV_OK; }

private:
    friend class XmlDocument;
    XmlText(XmlDocument* document, std::uint32_t serial) : XmlNode(document, kXmlText, serial) {}
};

class XmlComment final : public XmlNode {
public:
    KvResult BuildMarkup() override;

private:
    friend class XmlDocument;
    XmlComment(XmlDocument* document, std::uint32_t serial)
        : XmlNode(document, kXmlComment, serial) {}
};
