#pragma once
// The home-made XML document: it creates and owns the nodes of one tree,
// files them by creation order and by kind, links them on request, parses a
// text into nodes and, through its root element, writes the tree back.
//
// Writing: GetRoot(); CreateNode(kXmlElement) and AddChild() under the
// parent; CreateNode(kXmlAttribute) with SetNameText()/SetContent() and
// AddChild() under the element; AddTextElement() per field; then
// GetText(out) (or the root's BuildMarkup() and GetMarkup()).
// Reading: Clear(); Parse(text); then FindNode() or walk GetChildList() of the
// root, take attributes with FindAttribute() and texts with GetText()
// (decoded) or GetContent() (raw).
//
// Every operation stores its result code in the document and returns it.

#include "core/xml_arena.h"
#include "core/xml_node.h"
#include "core/xml_writer.h"
#include "platform/result_codes.h"
#include "platform/types.h"

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class XmlDocument {
public:
    // Nesting level up to which the parser reads content.
    static constexpr std::int32_t kDefaultDepthLimit = 50;

    XmlDocument();
    ~XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // ---- Nodes ----

    // Creates a node of kind 1 to 6 owned by this document; any other kind
    // gives KV_E_OUT_OF_MEMORY, no node and an unchanged node counter.
    KvResult CreateNode(XmlNode*& out, std::uint32_t kind);
    // Links the child into an element (attributes to its attribute list, the
    // other kinds to its child list) or an attribute into a processing
    // instruction. Both nodes must belong to this document (else KV_E_FAIL);
    // an element is not linked below itself or below one of its descendants
    // (KV_E_FAIL). The same node may be linked more than once.
    KvResult AddChild(XmlNode* parent, XmlNode* child);
    KvResult AddToElement(XmlElement* element, XmlNode* child);
    KvResult AddToProcessingInstruction(XmlProcessingInstruction* instruction, XmlNode* child);
    // Creates a text element with the name and the text under the parent; the
    // text is entity-encoded when encode is set. out keeps the new node even
    // when linking it failed.
    KvResult AddTextElement(XmlNode*& out, XmlNode* parent, std::string_view name,
                            std::string_view text, BOOL encode);
    KvResult AddTextElement(XmlNode*& out, XmlNode* parent, XmlStaticName name,
                            std::string_view text, BOOL encode);
    // An element with the name linked under the parent, and an attribute
    // with the name and the value (entity-encoded when encode is set) linked
    // to the parent: as CreateNode, SetName and AddChild, with their codes;
    // out keeps the new node even when linking it failed.
    KvResult AddElement(XmlNode*& out, XmlNode* parent, XmlStaticName name);
    KvResult AddAttribute(XmlNode*& out, XmlNode* parent, XmlStaticName name,
                          std::string_view value, BOOL encode);

    // The root element, created nameless when there is none; null when it
    // cannot be created.
    XmlElement* GetRoot();
    // Makes an element of this document the root.
    KvResult SetRoot(XmlNode* node);

    // The first node in creation order with the name, among all nodes (kind
    // 0) or those of one kind; detached nodes are found too.
    KvResult FindNode(XmlNode*& out, std::string_view name, std::uint32_t kind = 0);

    // Destroys every node. The node counter, the time limit and the
    // timed-out flag keep their values.
    KvResult Clear();

    // Every node this document created, in creation order.
    const std::vector<XmlNode*>& GetNodeList() const { return nodes_; }
    std::uint32_t GetNodeCounter() const { return node_counter_; }
    KvResult GetResult() const { return result_; }

    // ---- Writing ----

    // Writes the document text, the markup of the root, straight to out;
    // the markup of the root and of every node below it is left empty.
    KvResult GetText(std::string& out);

    // ---- Parsing ----

    // Reads the text into nodes below the root. Callers clear the document
    // first. A text read only in part still gives KV_OK: the top-level nodes
    // completed before the first error are in the tree; IsParseComplete()
    // tells whether the whole text was read.
    KvResult Parse(std::string_view text);
    // Parse without a copy: the document keeps the text, and the nodes
    // borrow from it until the document is cleared.
    KvResult ParseOwned(std::string text);
    bool IsParseComplete() const { return parse_complete_; }
    // The document's own copy of the text last parsed, which its nodes borrow
    // from; it lives until Clear. Empty before the first parse. An attribute
    // text viewed inside it is read in place by ParseAttributesInto.
    std::string_view GetParsedText() const { return parsed_text_; }
    // Parses the resource of the registry with that type and name ("XML" for
    // GUI descriptions), or a whole file. Not found: KV_E_RESOURCE_NOT_FOUND;
    // empty or larger than 64 MiB: KV_E_RESOURCE_NOT_LOADABLE.
    KvResult LoadFromResource(std::string_view type, std::string_view name);
    KvResult LoadFromFile(const std::string& path);

    // How Parse finds its nodes; every strategy gives the same nodes in the
    // same order (tests and the fuzz target compare them).
    enum class Strategy {
        // One pass that builds the tree while every close tag closes the
        // innermost open element, nothing is too deep and no time limit is
        // set; on anything else it undoes its nodes and the levels run.
        kSinglePass,
        // Nesting levels, with the close tags paired in one pass over the text
        // while they nest properly.
        kCloseTagTable,
        // Nesting levels, each scanning its own part for close tags.
        kLevelScans,
    };
    void SetParseStrategy(Strategy strategy) { strategy_ = strategy; }

    // Parse time limit in seconds, checked at each nesting level up to the
    // depth limit; 0 (the default) means none.
    void SetTimeLimit(std::int32_t seconds) { time_limit_ = seconds; }
    std::int32_t GetTimeLimit() const { return time_limit_; }
    void StartTimeLimit();
    BOOL IsTimedOut();
    std::int32_t GetDepthLimit() const { return depth_limit_; }

    // Steps of the parser. Positions are byte indexes into text; -1 means
    // none.

    // The head of the next tag at or after start: its name, the ">" that ends
    // it, its attribute text, and whether it has no body (empty form,
    // processing instruction, comment). No "<" left: start -1, KV_E_FAIL. A
    // close tag where a tag should begin is an error.
    KvResult ReadTagHeader(std::string_view& tag, std::int32_t& start, std::int32_t& tag_end,
                           std::string_view& attributes, BOOL& no_body, std::string_view text);
    // The close tag of an element named name whose content begins at
    // position: position becomes its "</", close_end its ">". Nested elements
    // of the same name are counted.
    KvResult FindCloseTag(std::string_view name, std::int32_t& position, std::int32_t& close_end,
                          std::string_view text);
    // Index of the first byte at or after start that is one of set; -1 when
    // there is none, start is out of range or set is empty.
    static std::int32_t FindFirstOf(std::string_view text, std::string_view set,
                                    std::int32_t start);
    // Parses an attribute text into the attribute list of an element, a text
    // element or a processing instruction (KV_E_FAIL for other kinds). The
    // attributes listed before stay in the document, unlinked; what was read
    // before an error is kept.
    KvResult ParseAttributesInto(XmlNode* node, std::string_view attributes);

private:
    friend class XmlNode;
    friend class XmlWriter;

    // One nesting level: the nodes found in text, a part of the parsed input,
    // in a nameless container element (null when text holds no tag).
    KvResult ParseElement(XmlElement*& container, std::string_view text, std::int32_t depth);
    // The next tag at or after start, its content (for a tag with a body) and
    // the end of its markup (the ">" of its close tag).
    KvResult NextTag(std::string_view& tag, std::int32_t& start, std::int32_t& end,
                     std::string_view& content, std::string_view& attributes,
                     std::string_view text);

    // A body tag of the parsed text and where its close tag lies (close_start
    // -1: it has none), in text order.
    struct CloseTag {
        std::int32_t open_end;
        std::int32_t close_start;
        std::int32_t close_end;
    };

    // An element of the parsed text whose close tag is not yet found.
    struct OpenTag {
        std::uint32_t entry; // index in close_tags_
        std::string_view name;
    };

    // An element of the single pass whose close tag is not read yet; the
    // first entry stands for the whole text.
    struct OpenElement {
        std::string_view name;
        XmlNodeList attributes; // read, not yet filed
        std::int32_t content_start;
        std::int32_t previous_end; // end of the last markup read inside
        std::int32_t level;        // nesting level of its content
        XmlElement* container;     // created at the first tag inside
    };

    // What the single pass undoes when it gives up.
    struct UndoMark {
        std::size_t nodes;
        std::uint32_t node_counter;
        XmlArena::Mark arena;
    };

    // Texts up to this size are parsed: positions are 32-bit.
    static constexpr std::size_t kLargestText = 0x7FFFFFFF;

    template <typename Name>
    KvResult AddNamedTextElement(XmlNode*& out, XmlNode* parent, Name name, std::string_view text,
                                 BOOL encode);
    void Init();
    // A text too large to parse: KV_E_FAIL, and the parse is not complete.
    KvResult RefuseText();
    // Parses a text that lives as long as the nodes do.
    KvResult ParseKeptText(std::string_view text);
    // The markup buffer of a node, created on first use, and a view of it.
    std::string& MarkupBuffer(XmlNode& node);
    std::string_view FindMarkup(const XmlNode& node) const;
    // Enough for the markup of the whole tree in most documents: the texts
    // given to the nodes (names twice, for the close tags) and a few bytes of
    // markup per node.
    std::size_t EstimateMarkupSize() const { return text_bytes_ + 8 * nodes_.size(); }
    UndoMark GetUndoMark() const;
    void Undo(const UndoMark& mark);
    bool ParseInOnePass(XmlElement*& container, std::string_view text);
    bool CloseInOnePass(const OpenElement& element, std::int32_t close_start, XmlNode*& node);
    // A text element of the parsed text with the content between the two
    // positions and the attributes read for it, filed now.
    XmlNode* NewTextElementNode(std::string_view name, std::int32_t content_start,
                                std::int32_t close_start, const XmlNodeList& attributes);
    void DestroyNodes();
    template <typename Node> Node* NewNode() {
        static_assert(alignof(Node) <= alignof(void*));
        void* memory = arena_.Allocate(sizeof(Node));
        return new (memory) Node(this, ++node_counter_);
    }
    // First capacities of the lists; they double from there. Most elements
    // have one attribute at most. A record's element holds five to ten
    // fields: eight slots take most without regrowing, which would leave the
    // list apart from its nodes in memory and copy it again.
    static constexpr std::uint32_t kFirstChildCapacity = 8;
    static constexpr std::uint32_t kFirstAttributeCapacity = 1;
    void Append(XmlNodeList& list, XmlNode* node, std::uint32_t first_capacity);
    void AppendAttribute(XmlNodeList& list, XmlNode* attribute);
    void LinkChild(XmlElement* parent, XmlNode* child);
    // LinkChild for a node that is neither an element nor an attribute.
    void LinkLeaf(XmlElement* parent, XmlNode* child) {
        XmlNodeList& children = parent->children_;
        if (children.size_ != children.capacity_)
            children.items_[children.size_++] = child;
        else
            Append(children, child, kFirstChildCapacity);
    }
    bool WouldCreateCycle(XmlElement* parent, XmlElement* child);
    XmlNode* NewTextNode(std::string_view content);

    XmlNode* NewEmptyTagNode(std::string_view tag, std::string_view attributes);
    XmlNode* NewTextElement(std::string_view tag, std::string_view content,
                            std::string_view attributes);
    KvResult AddTagNode(XmlElement* container, std::string_view tag, std::string_view content,
                        std::string_view attributes, std::int32_t depth);
    // Attributes whose nodes are not filed get neither a serial nor a place
    // in the node list until FileAttributes.
    KvResult ParseAttributeList(XmlNodeList& list, std::string_view attributes, bool borrow_texts,
                                bool file_nodes = true);
    XmlAttribute* NewUnfiledAttribute();
    void FileAttributes(XmlNodeList& target, const XmlNodeList& parsed) {
        if (!parsed.empty())
            FileParsedAttributes(target, parsed);
    }
    void FileParsedAttributes(XmlNodeList& target, const XmlNodeList& parsed);
    // CreateNode for a kind known at compile time.
    template <typename Node> Node* NewFiledNode() {
        Node* node = NewNode<Node>();
        nodes_.push_back(node);
        return node;
    }
    KvResult ScanForCloseTag(std::string_view name, std::int32_t& position, std::int32_t& close_end,
                             std::string_view text);
    void MatchCloseTags(std::string_view text);
    bool IsInParsedText(std::string_view text) const;

    BOOL timed_out_ = FALSE;
    KvResult result_ = KV_OK;
    std::vector<XmlNode*> nodes_;
    XmlElement* root_ = nullptr;
    std::uint32_t node_counter_ = 0;
    std::int32_t time_limit_ = 0;
    std::int64_t parse_start_ = 0;
    std::int32_t depth_limit_ = kDefaultDepthLimit;
    bool parse_complete_ = false;

    XmlArena arena_;
    XmlWriter writer_;
    // Bytes of the texts given to the nodes since the last Clear, names
    // counted twice; texts set again are counted again.
    std::size_t text_bytes_ = 0;

    // Walk state of the cycle test.
    std::vector<XmlElement*> walk_stack_;
    std::uint32_t walk_mark_ = 0;

    // State of the running parse: the document's copy of the input, and the
    // close tags found for its body tags when they nest properly.
    std::string_view parsed_text_;
    // The texts taken over by ParseOwned since the last Clear.
    std::string owned_text_;
    std::vector<std::string> earlier_owned_texts_;
    std::vector<CloseTag> close_tags_;
    std::vector<OpenTag> open_stack_;
    std::size_t close_cursor_ = 0;
    bool close_tags_valid_ = false;
    Strategy strategy_ = Strategy::kSinglePass;

    std::vector<OpenElement> open_elements_;

    // Markup buffers of the few nodes whose markup was built or set; the
    // largest one is kept, emptied, over Clear.
    std::unordered_map<const XmlNode*, std::string> markups_;
    std::string spare_markup_;
};

// The parser's hot path calls these once per node: defined here, where the
// document is complete, so that they are inlined.
inline void XmlNode::BorrowName(std::string_view name) {
    name_ = name.data();
    name_size_ = static_cast<std::uint32_t>(name.size());
    SetFlag(kOwnsName, false);
    document_->text_bytes_ += 2 * std::size_t{name_size_};
}

inline void XmlNode::BorrowContent(std::string_view content) {
    content_ = content.data();
    content_size_ = static_cast<std::uint32_t>(content.size());
    SetFlag(kOwnsContent, false);
    document_->text_bytes_ += content_size_;
}

inline void XmlNode::SetName(XmlStaticName name) {
    BorrowName(name.text.substr(0, UINT32_MAX));
}
