#include "core/xml_document.h"

#include "platform/pointer.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <type_traits>

XmlDocument::XmlDocument() {
    Init();
}

XmlDocument::~XmlDocument() {
    DestroyNodes();
}

void XmlDocument::Init() {
    timed_out_ = FALSE;
    result_ = KV_OK;
    root_ = nullptr;
    node_counter_ = 0;
    time_limit_ = 0;
    parse_start_ = 0;
    depth_limit_ = kDefaultDepthLimit;
}

XmlAttribute* XmlDocument::NewUnfiledAttribute() {
    void* memory = arena_.Allocate(sizeof(XmlAttribute));
    return new (memory) XmlAttribute(this, 0);
}

void XmlDocument::FileParsedAttributes(XmlNodeList& target, const XmlNodeList& parsed) {
    for (XmlNode* attribute : parsed) {
        attribute->serial_ = ++node_counter_;
        nodes_.push_back(attribute);
    }
    target = parsed;
}

KvResult XmlDocument::CreateNode(XmlNode*& out, std::uint32_t kind) {
    out = nullptr;
    switch (kind) {
    case kXmlElement:
        out = NewNode<XmlElement>();
        break;
    case kXmlTextElement:
        out = NewNode<XmlTextElement>();
        break;
    case kXmlAttribute:
        out = NewNode<XmlAttribute>();
        break;
    case kXmlProcessingInstruction:
        out = NewNode<XmlProcessingInstruction>();
        break;
    case kXmlText:
        out = NewNode<XmlText>();
        break;
    case kXmlComment:
        out = NewNode<XmlComment>();
        break;
    default:
        return result_ = KV_E_OUT_OF_MEMORY;
    }
    nodes_.push_back(out);
    return result_ = KV_OK;
}

void XmlDocument::Append(XmlNodeList& list, XmlNode* node, std::uint32_t first_capacity) {
    if (list.size_ == list.capacity_) {
        // The old array stays in the arena until the document is cleared;
        // doubling bounds that waste by the final size.
        const std::uint32_t capacity = list.capacity_ == 0 ? first_capacity : list.capacity_ * 2;
        auto** items = static_cast<XmlNode**>(arena_.Allocate(sizeof(XmlNode*) * capacity));
        if (list.size_ != 0)
            std::memcpy(items, list.items_, sizeof(XmlNode*) * list.size_);
        list.items_ = items;
        list.capacity_ = capacity;
    }
    list.items_[list.size_++] = node;
}

void XmlDocument::AppendAttribute(XmlNodeList& list, XmlNode* attribute) {
    Append(list, attribute, kFirstAttributeCapacity);
}

void XmlDocument::LinkChild(XmlElement* parent, XmlNode* child) {
    if (child->GetKind() == kXmlAttribute) {
        AppendAttribute(parent->attributes_, child);
        return;
    }
    Append(parent->children_, child, kFirstChildCapacity);
    if (child->GetKind() != kXmlElement)
        return;
    auto* element = static_cast<XmlElement*>(child);
    if (element->HasFlag(XmlNode::kLinkedOnce)) {
        element->SetFlag(XmlNode::kLinkedTwice, true);
    } else if (!element->HasFlag(XmlNode::kLinkedTwice)) {
        element->SetFlag(XmlNode::kLinkedOnce, true);
        element->parent_ = parent;
    }
}

// True when parent is child or lies below it. Two walks run in turns, and the
// first to reach an answer gives it: up from parent along first parents (an
// answer only while no element on the way is linked more than once), and
// down through child's elements. A fresh leaf or a fresh parent thus costs
// one step, so building a tree top-down or bottom-up stays linear.
bool XmlDocument::WouldCreateCycle(XmlElement* parent, XmlElement* child) {
    if (parent == child)
        return true;
    XmlElement* up = parent;
    bool up_conclusive = true;
    walk_stack_.clear();
    walk_stack_.push_back(child);
    if (++walk_mark_ == 0) {
        // The mark wrapped: forget every old mark.
        for (XmlNode* node : nodes_) {
            if (node->GetKind() == kXmlElement)
                static_cast<XmlElement*>(node)->visit_mark_ = 0;
        }
        walk_mark_ = 1;
    }
    child->visit_mark_ = walk_mark_;
    for (;;) {
        if (up_conclusive) {
            if (up == child)
                return true;
            if (up->HasFlag(XmlNode::kLinkedTwice))
                up_conclusive = false;
            else if (up->HasFlag(XmlNode::kLinkedOnce))
                up = up->parent_;
            else
                return false;
        }
        if (walk_stack_.empty())
            return false;
        XmlElement* below = walk_stack_.back();
        walk_stack_.pop_back();
        for (XmlNode* node : below->children_) {
            if (node->GetKind() != kXmlElement)
                continue;
            auto* element = static_cast<XmlElement*>(node);
            if (element == parent)
                return true;
            if (element->visit_mark_ == walk_mark_)
                continue;
            element->visit_mark_ = walk_mark_;
            walk_stack_.push_back(element);
        }
    }
}

KvResult XmlDocument::AddChild(XmlNode* parent, XmlNode* child) {
    if (!IsValidPtr(parent) || !IsValidPtr(child))
        return result_ = KV_E_INVALID_POINTER;
    if (parent->GetDocument() != this || child->GetDocument() != this)
        return result_ = KV_E_FAIL;
    switch (parent->GetKind()) {
    case kXmlElement:
        return AddToElement(static_cast<XmlElement*>(parent), child);
    case kXmlProcessingInstruction:
        return AddToProcessingInstruction(static_cast<XmlProcessingInstruction*>(parent), child);
    default:
        return result_ = KV_E_FAIL;
    }
}

KvResult XmlDocument::AddToElement(XmlElement* element, XmlNode* child) {
    if (!IsValidPtr(element) || !IsValidPtr(child))
        return result_ = KV_E_INVALID_POINTER;
    if (element->GetDocument() != this || child->GetDocument() != this)
        return result_ = KV_E_FAIL;
    if (child->GetKind() == kXmlElement &&
        WouldCreateCycle(element, static_cast<XmlElement*>(child)))
        return result_ = KV_E_FAIL;
    LinkChild(element, child);
    return result_ = KV_OK;
}

KvResult XmlDocument::AddToProcessingInstruction(XmlProcessingInstruction* instruction,
                                                 XmlNode* child) {
    if (!IsValidPtr(instruction) || !IsValidPtr(child))
        return result_ = KV_E_INVALID_POINTER;
    if (instruction->GetDocument() != this || child->GetDocument() != this ||
        child->GetKind() != kXmlAttribute)
        return result_ = KV_E_FAIL;
    AppendAttribute(instruction->attributes_, child);
    return result_ = KV_OK;
}

KvResult XmlDocument::AddTextElement(XmlNode*& out, XmlNode* parent, std::string_view name,
                                     std::string_view text, BOOL encode) {
    return AddNamedTextElement(out, parent, name, text, encode);
}

KvResult XmlDocument::AddTextElement(XmlNode*& out, XmlNode* parent, XmlStaticName name,
                                     std::string_view text, BOOL encode) {
    return AddNamedTextElement(out, parent, name, text, encode);
}

template <typename Name>
KvResult XmlDocument::AddNamedTextElement(XmlNode*& out, XmlNode* parent, Name name,
                                          std::string_view text, BOOL encode) {
    out = nullptr;
    if (!IsValidPtr(parent))
        return result_ = KV_E_INVALID_POINTER;
    const bool into_element = parent->GetDocument() == this && parent->GetKind() == kXmlElement;
    if (into_element) {
        // Most fields of a record: a new text element needs no cycle test.
        out = NewFiledNode<XmlTextElement>();
    } else if (KvFailed(CreateNode(out, kXmlTextElement))) {
        return result_;
    }
    out->SetName(name);
    if (encode)
        out->SetText(text);
    else
        out->SetContent(text);
    if (!into_element)
        return AddChild(parent, out);
    Append(static_cast<XmlElement*>(parent)->children_, out, kFirstChildCapacity);
    return result_ = KV_OK;
}

KvResult XmlDocument::AddElement(XmlNode*& out, XmlNode* parent, XmlStaticName name) {
    if (!IsValidPtr(parent) || parent->GetDocument() != this || parent->GetKind() != kXmlElement) {
        if (KvFailed(CreateNode(out, kXmlElement)))
            return result_;
        out->SetName(name);
        return AddChild(parent, out);
    }
    // A new element has no children: linking it closes no cycle.
    out = NewFiledNode<XmlElement>();
    out->SetName(name);
    LinkChild(static_cast<XmlElement*>(parent), out);
    return result_ = KV_OK;
}

KvResult XmlDocument::AddAttribute(XmlNode*& out, XmlNode* parent, XmlStaticName name,
                                   std::string_view value, BOOL encode) {
    const bool into_element = IsValidPtr(parent) && parent->GetDocument() == this &&
                              parent->GetKind() == kXmlElement;
    if (into_element)
        out = NewFiledNode<XmlAttribute>();
    else if (KvFailed(CreateNode(out, kXmlAttribute)))
        return result_;
    out->SetName(name);
    if (encode)
        out->SetText(value);
    else
        out->SetContent(value);
    if (!into_element)
        return AddChild(parent, out);
    AppendAttribute(static_cast<XmlElement*>(parent)->attributes_, out);
    return result_ = KV_OK;
}

XmlElement* XmlDocument::GetRoot() {
    if (IsValidPtr(root_) && root_->GetDocument() == this)
        return root_;
    XmlNode* node = nullptr;
    if (KvFailed(CreateNode(node, kXmlElement))) {
        root_ = nullptr;
        return nullptr;
    }
    root_ = static_cast<XmlElement*>(node);
    root_->SetRootFlag(TRUE);
    return root_;
}

KvResult XmlDocument::SetRoot(XmlNode* node) {
    if (!IsValidPtr(node))
        return result_ = KV_E_INVALID_POINTER;
    if (node->GetDocument() != this || node->GetKind() != kXmlElement)
        return result_ = KV_E_FAIL;
    if (root_ != nullptr)
        root_->SetRootFlag(FALSE);
    root_ = static_cast<XmlElement*>(node);
    root_->SetRootFlag(TRUE);
    return result_ = KV_OK;
}

KvResult XmlDocument::FindNode(XmlNode*& out, std::string_view name, std::uint32_t kind) {
    // The nodes of one kind, in creation order, are those of the node list.
    auto found = std::find_if(nodes_.begin(), nodes_.end(), [name, kind](const XmlNode* node) {
        return (kind == 0 || node->GetKind() == kind) && node->GetName() == name;
    });
    out = found == nodes_.end() ? nullptr : *found;
    return result_ = out == nullptr ? KV_E_NOT_FOUND : KV_OK;
}

void XmlDocument::DestroyNodes() {
    // Nodes own nothing: their texts and lists live in the arena and their
    // markup buffers in markups_.
    static_assert(std::is_trivially_destructible_v<XmlElement> &&
                  std::is_trivially_destructible_v<XmlTextElement> &&
                  std::is_trivially_destructible_v<XmlAttribute> &&
                  std::is_trivially_destructible_v<XmlProcessingInstruction> &&
                  std::is_trivially_destructible_v<XmlText> &&
                  std::is_trivially_destructible_v<XmlComment>);
    nodes_.clear();
    text_bytes_ = 0;
    for (auto& [node, markup] : markups_) {
        if (markup.capacity() > spare_markup_.capacity())
            spare_markup_.swap(markup);
    }
    markups_.clear();
    spare_markup_.clear();
}

std::string& XmlDocument::MarkupBuffer(XmlNode& node) {
    auto [entry, inserted] = markups_.try_emplace(&node);
    if (inserted) {
        entry->second.swap(spare_markup_);
        node.SetFlag(XmlNode::kHasMarkup, true);
    }
    return entry->second;
}

std::string_view XmlDocument::FindMarkup(const XmlNode& node) const {
    const auto entry = markups_.find(&node);
    return entry == markups_.end() ? std::string_view{} : std::string_view(entry->second);
}

XmlDocument::UndoMark XmlDocument::GetUndoMark() const {
    return UndoMark{nodes_.size(), node_counter_, arena_.GetMark()};
}

void XmlDocument::Undo(const UndoMark& mark) {
    nodes_.resize(mark.nodes);
    node_counter_ = mark.node_counter;
    arena_.Rewind(mark.arena);
}

KvResult XmlDocument::Clear() {
    result_ = KV_OK;
    DestroyNodes();
    root_ = nullptr;
    parsed_text_ = {};
    owned_text_ = std::string();
    earlier_owned_texts_.clear();
    close_tags_.clear();
    close_tags_valid_ = false;
    arena_.Reset();
    return result_;
}

KvResult XmlDocument::GetText(std::string& out) {
    XmlElement* root = GetRoot();
    if (root == nullptr)
        return result_ = KV_E_INVALID_POINTER;
    // One reservation instead of doubling steps that copy the text again
    // and again into fresh memory; written in place, the text is not copied
    // once more from the root's markup.
    out.clear();
    out.reserve(EstimateMarkupSize());
    if (root->HasFlag(XmlNode::kHasMarkup))
        MarkupBuffer(*root).clear();
    writer_.Append(out, *root);
    return result_ = KV_OK;
}

XmlNode* XmlDocument::NewTextNode(std::string_view content) {
    XmlNode* node = nullptr;
    CreateNode(node, kXmlText);
    // The parsed input lives as long as the node: borrow it.
    node->BorrowContent(content);
    return node;
}
