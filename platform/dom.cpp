#include "platform/dom.h"

#include "platform/text.h"
#include "platform/windows1252.h"

#include <pugixml.hpp>

#include <new>
#include <utility>
#include <vector>

namespace {

// No exception may leave a DOM call.
template <typename Operation> KvResult Guarded(Operation&& operation) noexcept {
    try {
        return operation();
    } catch (const std::bad_alloc&) {
        return KV_E_OUT_OF_MEMORY;
    } catch (...) {
        return KV_E_FAIL;
    }
}

// ---- Calls through an empty DomPtr ----

template <typename Interface> class NullNode : public Interface {
public:
    KvResult get_nodeName(std::string& name) noexcept override {
        name.clear();
        return KV_E_NULL_INTERFACE;
    }
    KvResult get_text(std::string& text) noexcept override {
        text.clear();
        return KV_E_NULL_INTERFACE;
    }
    KvResult put_text(std::string_view) noexcept override { return KV_E_NULL_INTERFACE; }
    KvResult get_childNodes(DomNodeListPtr& list) noexcept override {
        list.Release();
        return KV_E_NULL_INTERFACE;
    }
    KvResult appendChild(const DomNodePtr&) noexcept override { return KV_E_NULL_INTERFACE; }
    KvResult get_xml(std::string& xml) noexcept override {
        xml.clear();
        return KV_E_NULL_INTERFACE;
    }
};

class NullElement final : public NullNode<IDomElement> {
public:
    KvResult setAttribute(std::string_view, const DomVariant&) noexcept override {
        return KV_E_NULL_INTERFACE;
    }
};

class NullDocument final : public NullNode<IDomDocument> {
public:
    KvResult createElement(std::string_view, DomElementPtr& element) noexcept override {
        element.Release();
        return KV_E_NULL_INTERFACE;
    }
    KvResult get_documentElement(DomElementPtr& element) noexcept override {
        element.Release();
        return KV_E_NULL_INTERFACE;
    }
    KvResult loadXML(std::string_view) noexcept override { return KV_E_NULL_INTERFACE; }
};

class NullNodeList final : public IDomNodeList {
public:
    KvResult get_length(std::int32_t& length) noexcept override {
        length = 0;
        return KV_E_NULL_INTERFACE;
    }
    KvResult reset() noexcept override { return KV_E_NULL_INTERFACE; }
    KvResult nextNode(DomNodePtr& node) noexcept override {
        node.Release();
        return KV_E_NULL_INTERFACE;
    }
};

NullElement& NullElementInstance() noexcept {
    static NullElement instance;
    return instance;
}

// ---- Text and names at the boundary ----

// A text ends at its first NUL, as a C string does.
std::string ToUtf8Text(std::string_view text) {
    return Windows1252ToUtf8(text.substr(0, text.find('\0')));
}

std::string VariantText(const DomVariant& value) {
    if (const auto* number = std::get_if<std::uint32_t>(&value))
        return Format("%u", *number);
    return ToUtf8Text(std::get<std::string>(value));
}

bool IsNameStartChar(char32_t c) {
    return c == ':' || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
           (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
           (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsNameChar(char32_t c) {
    return IsNameStartChar(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

// pugixml writes whatever name it is given; a name that XML does not allow
// would make the saved text unreadable.
bool IsXmlName(std::string_view name) {
    if (name.empty())
        return false;
    if (!IsNameStartChar(Windows1252ToCodePoint(static_cast<unsigned char>(name.front()))))
        return false;
    for (const char byte : name.substr(1)) {
        if (!IsNameChar(Windows1252ToCodePoint(static_cast<unsigned char>(byte))))
            return false;
    }
    return true;
}

// ---- The tree ----

// Nodes hold their tree through a shared pointer, so a node stays usable as
// long as it is held, even after its document has loaded another tree.
struct DomTree {
    pugi::xml_document document;
    // Parent of the nodes that are in no tree: new elements, and children
    // that put_text replaced. Always the document's first child and never
    // shown: the document's own children are its siblings after it.
    pugi::xml_node detached;
};

void AddDetachedHolder(DomTree& tree) {
    tree.detached = tree.document.prepend_child(pugi::node_element);
    if (!tree.detached)
        throw std::bad_alloc();
}

std::shared_ptr<DomTree> NewEmptyTree() {
    auto tree = std::make_shared<DomTree>();
    AddDetachedHolder(*tree);
    return tree;
}

bool IsTextNode(pugi::xml_node node) {
    return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

// Exactly one element at the top and no text beside it, as XML asks.
bool HasOneTopElement(const pugi::xml_document& document) {
    int elements = 0;
    for (const pugi::xml_node node : document.children()) {
        if (IsTextNode(node))
            return false;
        if (node.type() == pugi::node_element)
            ++elements;
    }
    return elements == 1;
}

// Null when the text is refused.
std::shared_ptr<DomTree> ParseTree(std::string_view xml) {
    if (!IsValidUtf8(xml))
        return nullptr;
    // The fragment mode keeps text at the top level, so that it can be refused.
    constexpr unsigned options = pugi::parse_default | pugi::parse_fragment | pugi::parse_comments |
                                 pugi::parse_pi | pugi::parse_ws_pcdata_single;
    auto tree = std::make_shared<DomTree>();
    const pugi::xml_parse_result parsed =
        tree->document.load_buffer(xml.data(), xml.size(), options, pugi::encoding_utf8);
    if (parsed.status == pugi::status_out_of_memory)
        throw std::bad_alloc();
    if (!parsed || !HasOneTopElement(tree->document))
        return nullptr;
    AddDetachedHolder(*tree);
    return tree;
}

pugi::xml_node FirstChild(const DomTree& tree, pugi::xml_node node) {
    return node == tree.document ? tree.detached.next_sibling() : node.first_child();
}

pugi::xml_node FindDocumentElement(const DomTree& tree) {
    for (pugi::xml_node node = tree.detached.next_sibling(); node; node = node.next_sibling()) {
        if (node.type() == pugi::node_element)
            return node;
    }
    return {};
}

std::string NodeNameUtf8(pugi::xml_node node) {
    switch (node.type()) {
    case pugi::node_element:
    case pugi::node_pi:
        return node.name();
    case pugi::node_pcdata:
        return "#text";
    case pugi::node_cdata:
        return "#cdata-section";
    case pugi::node_comment:
        return "#comment";
    case pugi::node_document:
        return "#document";
    default:
        return {};
    }
}

// Walks without recursion: a loaded document may nest very deeply.
std::string NodeTextUtf8(const DomTree& tree, pugi::xml_node root) {
    if (root.type() != pugi::node_element && root.type() != pugi::node_document)
        return root.value();
    std::string text;
    pugi::xml_node current = FirstChild(tree, root);
    while (current) {
        if (IsTextNode(current))
            text += current.value();
        if (current.first_child()) {
            current = current.first_child();
            continue;
        }
        while (!current.next_sibling()) {
            current = current.parent();
            if (current == root)
                return text;
        }
        current = current.next_sibling();
    }
    return text;
}

KvResult SetValue(pugi::xml_node node, const std::string& value) {
    return node.set_value(value.data(), value.size()) ? KV_OK : KV_E_OUT_OF_MEMORY;
}

KvResult ReplaceChildrenWithText(DomTree& tree, pugi::xml_node element, const std::string& text) {
    // Children go to the holder rather than away: someone may still hold them.
    while (pugi::xml_node child = element.first_child()) {
        if (!tree.detached.append_move(child))
            return KV_E_FAIL;
    }
    if (text.empty())
        return KV_OK;
    pugi::xml_node text_node = element.append_child(pugi::node_pcdata);
    if (!text_node)
        return KV_E_OUT_OF_MEMORY;
    return SetValue(text_node, text);
}

KvResult PutNodeText(DomTree& tree, pugi::xml_node node, std::string_view text) {
    const std::string value = ToUtf8Text(text);
    switch (node.type()) {
    case pugi::node_element:
        return ReplaceChildrenWithText(tree, node, value);
    case pugi::node_pcdata:
    case pugi::node_cdata:
        return SetValue(node, value);
    case pugi::node_comment:
        // Comments are written unescaped.
        if (value.find("--") != std::string::npos || value.ends_with('-'))
            return KV_E_FAIL;
        return SetValue(node, value);
    case pugi::node_pi:
        if (value.find("?>") != std::string::npos)
            return KV_E_FAIL;
        return SetValue(node, value);
    default:
        return KV_E_FAIL;
    }
}

bool CanHoldChild(const DomTree& tree, pugi::xml_node parent, pugi::xml_node child) {
    if (parent.type() == pugi::node_element)
        return child.type() != pugi::node_document;
    if (parent.type() != pugi::node_document)
        return false;
    if (child.type() == pugi::node_comment || child.type() == pugi::node_pi)
        return true;
    if (child.type() != pugi::node_element)
        return false;
    pugi::xml_node top = FindDocumentElement(tree);
    return !top || top == child;
}

bool IsSelfOrAncestor(pugi::xml_node candidate, pugi::xml_node node) {
    for (; node; node = node.parent()) {
        if (node == candidate)
            return true;
    }
    return false;
}

class StringWriter final : public pugi::xml_writer {
public:
    explicit StringWriter(std::string& out) : out_(out) {}
    void write(const void* data, std::size_t size) override {
        out_.append(static_cast<const char*>(data), size);
    }

private:
    std::string& out_;
};

std::string NodeXml(const DomTree& tree, pugi::xml_node node) {
    std::string xml;
    StringWriter writer(xml);
    if (node != tree.document) {
        node.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
        return xml;
    }
    for (pugi::xml_node child = FirstChild(tree, node); child; child = child.next_sibling())
        child.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return xml;
}

// ---- Nodes over pugixml ----

// The node operations, shared by the document and the other nodes.
template <typename Interface> class TreeNodeBase : public Interface {
public:
    KvResult get_nodeName(std::string& name) noexcept final {
        name.clear();
        return Guarded([&] {
            name = Utf8ToWindows1252(NodeNameUtf8(Node()));
            return KV_OK;
        });
    }
    KvResult get_text(std::string& text) noexcept final {
        text.clear();
        return Guarded([&] {
            text = Utf8ToWindows1252(NodeTextUtf8(*SharedTree(), Node()));
            return KV_OK;
        });
    }
    KvResult put_text(std::string_view text) noexcept final {
        return Guarded([&] { return PutNodeText(*SharedTree(), Node(), text); });
    }
    KvResult get_childNodes(DomNodeListPtr& list) noexcept final;
    KvResult appendChild(const DomNodePtr& child) noexcept final;
    KvResult get_xml(std::string& xml) noexcept final {
        xml.clear();
        return Guarded([&] {
            xml = NodeXml(*SharedTree(), Node());
            return KV_OK;
        });
    }

protected:
    virtual const std::shared_ptr<DomTree>& SharedTree() const noexcept = 0;
    virtual pugi::xml_node Node() const noexcept = 0;
};

class TreeNode final : public TreeNodeBase<IDomElement> {
public:
    TreeNode(std::shared_ptr<DomTree> tree, pugi::xml_node node)
        : tree_(std::move(tree)), node_(node) {}

    KvResult setAttribute(std::string_view name, const DomVariant& value) noexcept override {
        return Guarded([&] {
            if (node_.type() != pugi::node_element || !IsXmlName(name))
                return KV_E_FAIL;
            const std::string utf8_name = Windows1252ToUtf8(name);
            pugi::xml_attribute attribute = node_.attribute(utf8_name.c_str());
            if (!attribute)
                attribute = node_.append_attribute(utf8_name.c_str());
            const std::string text = VariantText(value);
            if (!attribute || !attribute.set_value(text.data(), text.size()))
                return KV_E_OUT_OF_MEMORY;
            return KV_OK;
        });
    }

    const std::shared_ptr<DomTree>& SharedTree() const noexcept override { return tree_; }
    pugi::xml_node Node() const noexcept override { return node_; }

private:
    std::shared_ptr<DomTree> tree_;
    pugi::xml_node node_;
};

// A snapshot of a node's children.
class ChildList final : public IDomNodeList {
public:
    ChildList(std::shared_ptr<DomTree> tree, std::vector<pugi::xml_node> nodes)
        : tree_(std::move(tree)), nodes_(std::move(nodes)) {}

    KvResult get_length(std::int32_t& length) noexcept override {
        length = static_cast<std::int32_t>(nodes_.size());
        return KV_OK;
    }
    KvResult reset() noexcept override {
        next_ = 0;
        return KV_OK;
    }
    KvResult nextNode(DomNodePtr& node) noexcept override {
        node.Release();
        return Guarded([&] {
            if (next_ < nodes_.size())
                node = DomNodePtr(std::make_shared<TreeNode>(tree_, nodes_[next_++]));
            return KV_OK;
        });
    }

private:
    std::shared_ptr<DomTree> tree_;
    std::vector<pugi::xml_node> nodes_;
    std::size_t next_ = 0;
};

template <typename Interface>
KvResult TreeNodeBase<Interface>::get_childNodes(DomNodeListPtr& list) noexcept {
    list.Release();
    return Guarded([&] {
        std::vector<pugi::xml_node> nodes;
        for (pugi::xml_node child = FirstChild(*SharedTree(), Node()); child;
             child = child.next_sibling())
            nodes.push_back(child);
        list = DomNodeListPtr(std::make_shared<ChildList>(SharedTree(), std::move(nodes)));
        return KV_OK;
    });
}

template <typename Interface>
KvResult TreeNodeBase<Interface>::appendChild(const DomNodePtr& child) noexcept {
    if (!child)
        return KV_E_NULL_INTERFACE;
    return Guarded([&] {
        const auto* source = dynamic_cast<const TreeNode*>(child.Get());
        if (source == nullptr || source->SharedTree() != SharedTree())
            return KV_E_FAIL;
        pugi::xml_node parent = Node();
        pugi::xml_node moved = source->Node();
        if (!CanHoldChild(*SharedTree(), parent, moved) || IsSelfOrAncestor(moved, parent))
            return KV_E_FAIL;
        return parent.append_move(moved) ? KV_OK : KV_E_FAIL;
    });
}

class TreeDocument final : public TreeNodeBase<IDomDocument> {
public:
    explicit TreeDocument(std::shared_ptr<DomTree> tree) : tree_(std::move(tree)) {}

    KvResult createElement(std::string_view tag_name, DomElementPtr& element) noexcept override {
        element.Release();
        return Guarded([&] {
            if (!IsXmlName(tag_name))
                return KV_E_FAIL;
            pugi::xml_node node = tree_->detached.append_child(pugi::node_element);
            if (!node || !node.set_name(Windows1252ToUtf8(tag_name).c_str()))
                return KV_E_OUT_OF_MEMORY;
            element = DomElementPtr(std::make_shared<TreeNode>(tree_, node));
            return KV_OK;
        });
    }

    KvResult get_documentElement(DomElementPtr& element) noexcept override {
        element.Release();
        return Guarded([&] {
            if (pugi::xml_node top = FindDocumentElement(*tree_))
                element = DomElementPtr(std::make_shared<TreeNode>(tree_, top));
            return KV_OK;
        });
    }

    KvResult loadXML(std::string_view xml) noexcept override {
        return Guarded([&] {
            std::shared_ptr<DomTree> parsed = ParseTree(xml);
            const KvResult result = parsed ? KV_OK : KV_E_FAIL;
            tree_ = parsed ? std::move(parsed) : NewEmptyTree();
            return result;
        });
    }

    const std::shared_ptr<DomTree>& SharedTree() const noexcept override { return tree_; }
    pugi::xml_node Node() const noexcept override { return tree_->document.root(); }

private:
    std::shared_ptr<DomTree> tree_;
};

} // namespace

template <> IDomNode& NullDomInterface<IDomNode>() noexcept {
    return NullElementInstance();
}

template <> IDomElement& NullDomInterface<IDomElement>() noexcept {
    return NullElementInstance();
}

template <> IDomDocument& NullDomInterface<IDomDocument>() noexcept {
    static NullDocument instance;
    return instance;
}

template <> IDomNodeList& NullDomInterface<IDomNodeList>() noexcept {
    static NullNodeList instance;
    return instance;
}

KvResult CreateDomDocument(DomDocumentPtr& document) noexcept {
    document.Release();
    return Guarded([&] {
        document = DomDocumentPtr(std::make_shared<TreeDocument>(NewEmptyTree()));
        return KV_OK;
    });
}
