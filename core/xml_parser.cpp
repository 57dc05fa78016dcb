// The parsing operations of XmlDocument.
//
// The parser reads a text level by level: each nesting level takes its part
// of the one input text (a view into the document's copy of it), finds a tag,
// finds that tag's close tag, and hands the content between them to the next
// level. Two shortcuts give the same nodes in the same order:
// - a single pass that builds the tree with a stack of open elements, used
//   while the text is regular; it undoes its nodes and leaves the text to the
//   levels as soon as it meets anything else;
// - a table of close tags, built in one pass while close tags nest properly,
//   so that a level looks its close tags up instead of scanning its part.
// Without either, each level scans its own part once, which bounds the work
// by the depth limit times the text's length.

#include "core/xml_document.h"

#include "core/xml_entities.h"
#include "platform/clock.h"
#include "platform/pointer.h"
#include "platform/resources.h"
#include "platform/text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::string_view kTagNameEnds = "> \t";
constexpr std::string_view kAttributeNameEnds = " \t=";

using ByteSet = std::array<bool, 256>;

constexpr ByteSet MakeByteSet(std::string_view bytes) {
    ByteSet set{};
    for (char c : bytes)
        set[static_cast<unsigned char>(c)] = true;
    return set;
}

// What may follow the name in a close tag.
constexpr ByteSet kCloseNameEndSet = MakeByteSet(" \t\r\n>");

constexpr ByteSet kAttributeNameEndSet = MakeByteSet(kAttributeNameEnds);
constexpr ByteSet kWhiteSpaceSet = MakeByteSet(kWhiteSpace);

// Scanning 16 bytes at a time: a mask with a bit per byte of the block that
// equals one of the wanted bytes.
#if defined(__SSE2__)
constexpr std::size_t kBlockBytes = 16;

template <char... Wanted> std::uint32_t BlockMatches(const char* block) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block));
    const __m128i matches = (_mm_cmpeq_epi8(bytes, _mm_set1_epi8(Wanted)) | ...);
    return static_cast<std::uint32_t>(_mm_movemask_epi8(matches));
}
#endif

// The first byte equal to c in [at, end), or end.
template <char C> const char* FindByteIn(const char* at, const char* end) {
#if defined(__SSE2__)
    for (; end - at >= static_cast<std::ptrdiff_t>(kBlockBytes); at += kBlockBytes) {
        if (const std::uint32_t matches = BlockMatches<C>(at); matches != 0)
            return at + std::countr_zero(matches);
    }
#endif
    for (; at < end; ++at) {
        if (*at == C)
            return at;
    }
    return end;
}

template <char C> std::int32_t FindByte(std::string_view text, std::int32_t start) {
    if (start < 0 || static_cast<std::size_t>(start) >= text.size())
        return -1;
    const char* const data = text.data();
    // After a tag the next one often begins at once.
    if (data[start] == C)
        return start;
    const char* const end = data + text.size();
    const char* const found = FindByteIn<C>(data + start + 1, end);
    return found == end ? -1 : static_cast<std::int32_t>(found - data);
}

std::int32_t FindInSet(std::string_view text, const ByteSet& set, std::int32_t start) {
    if (start < 0)
        return -1;
    for (std::size_t i = static_cast<std::size_t>(start); i < text.size(); ++i) {
        if (set[static_cast<unsigned char>(text[i])])
            return static_cast<std::int32_t>(i);
    }
    return -1;
}

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && kWhiteSpaceSet[static_cast<unsigned char>(text.front())])
        text.remove_prefix(1);
    return text;
}

std::string_view Trim(std::string_view text) {
    text = TrimLeft(text);
    while (!text.empty() && kWhiteSpaceSet[static_cast<unsigned char>(text.back())])
        text.remove_suffix(1);
    return text;
}

// The first byte that ends an attribute name, or npos.
std::size_t FindAttributeNameEnd(std::string_view text) {
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + kBlockBytes <= text.size(); i += kBlockBytes) {
        if (const std::uint32_t ends = BlockMatches<' ', '\t', '='>(text.data() + i); ends != 0)
            return i + static_cast<std::size_t>(std::countr_zero(ends));
    }
#endif
    for (; i < text.size(); ++i) {
        if (kAttributeNameEndSet[static_cast<unsigned char>(text[i])])
            return i;
    }
    return std::string_view::npos;
}

// The positions lie within the text.
std::string_view SubView(std::string_view text, std::int32_t first, std::int32_t last) {
    return {text.data() + first, static_cast<std::size_t>(last - first)};
}

template <char C> std::size_t IndexOfByte(std::string_view text) {
    const char* const end = text.data() + text.size();
    const char* const found = FindByteIn<C>(text.data(), end);
    return found == end ? std::string_view::npos : static_cast<std::size_t>(found - text.data());
}

std::uint64_t LoadWord(const char* at) {
    std::uint64_t word = 0;
    std::memcpy(&word, at, sizeof word);
    return word;
}

// Compares a word at a time without a call: names are a few bytes long.
bool SameBytes(const char* a, const char* b, std::size_t size) {
    constexpr std::size_t kWord = sizeof(std::uint64_t);
    if (size < kWord)
        return std::memcmp(a, b, size) == 0;
    for (std::size_t i = 0; i + kWord < size; i += kWord) {
        if (LoadWord(a + i) != LoadWord(b + i))
            return false;
    }
    // The last word, overlapping the one before.
    return LoadWord(a + size - kWord) == LoadWord(b + size - kWord);
}

bool HasPrefix(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && SameBytes(text.data(), prefix.data(), prefix.size());
}

bool HasLineBreak(std::string_view name) {
    for (char c : name) {
        if (c == '\r' || c == '\n')
            return true;
    }
    return false;
}

bool IsCommentName(std::string_view tag) {
    return tag.starts_with("--") || tag.starts_with("!--");
}

// The ">" that ends a tag's attribute text from e on. A value in quotes,
// which the attribute reader takes only right after "=", may hold ">". A
// value without its closing quote cannot be read anyway: then the first ">"
// ends the tag, as it always did.
std::int32_t FindTagEnd(std::string_view text, std::int32_t e) {
    std::int32_t gt = FindByte<'>'>(text, e);
    if (gt < 0)
        return gt;
    const char* const data = text.data();
    const char* const end = data + text.size();
    const char* const first_gt = data + gt;
    const auto opens_value = [data, e](const char* quote) {
        const char* before = quote - 1;
        while (before >= data + e && kWhiteSpaceSet[static_cast<unsigned char>(*before)])
            --before;
        return before >= data + e && *before == '=';
    };
    // Most tags hold no quoted ">": when every value opened before the first
    // ">" also closes before it, that ">" ends the tag.
    const char* at = data + e;
    for (;;) {
        const char* quote = FindByteIn<'"'>(at, first_gt);
        if (quote == first_gt)
            return gt;
        at = quote + 1;
        if (!opens_value(quote))
            continue;
        const char* closing = FindByteIn<'"'>(at, end);
        if (closing == end)
            return gt;
        at = closing + 1;
        if (closing > first_gt)
            break;
    }
    for (;;) {
        // The next ">" or quote; a quote opens a value only after "=" and
        // white space, and then the value's closing quote is looked for.
        const char* found = at;
#if defined(__SSE2__)
        for (; end - found >= static_cast<std::ptrdiff_t>(kBlockBytes); found += kBlockBytes) {
            if (const std::uint32_t matches = BlockMatches<'>', '"'>(found); matches != 0) {
                found += std::countr_zero(matches);
                break;
            }
        }
#endif
        while (found < end && *found != '>' && *found != '"')
            ++found;
        if (found == end)
            return -1;
        if (*found == '>')
            return static_cast<std::int32_t>(found - data);
        at = found + 1;
        if (!opens_value(found))
            continue;
        const char* closing = FindByteIn<'"'>(at, end);
        if (closing == end)
            return gt;
        at = closing + 1;
    }
}

// The head of the tag whose "<" is at open.
struct TagHeader {
    std::string_view name;
    std::string_view attributes;
    std::int32_t end = -1;        // its ">"
    bool no_body = false;         // empty form, processing instruction or comment
    bool has_line_break = false;  // in the name, where close tags may end
};

// Bytes of a tag name: those that end it, and the line breaks it may hold.
enum : std::uint8_t { kEndsTagName = 1, kLineBreak = 2 };
constexpr std::array<std::uint8_t, 256> MakeTagNameClasses() {
    std::array<std::uint8_t, 256> classes{};
    for (char c : kTagNameEnds)
        classes[static_cast<unsigned char>(c)] = kEndsTagName;
    classes['\r'] = kLineBreak;
    classes['\n'] = kLineBreak;
    return classes;
}
constexpr std::array<std::uint8_t, 256> kTagNameClasses = MakeTagNameClasses();

// The end of the tag name that begins at start, or -1; whether it holds a
// line break.
[[gnu::always_inline]] inline std::int32_t FindTagNameEnd(std::string_view text, std::int32_t start,
                                                          bool& has_line_break) {
    std::size_t i = static_cast<std::size_t>(start);
#if defined(__SSE2__)
    std::uint32_t breaks_seen = 0;
    for (; i + kBlockBytes <= text.size(); i += kBlockBytes) {
        const char* const block = text.data() + i;
        const std::uint32_t ends = BlockMatches<'>', ' ', '\t'>(block);
        const std::uint32_t breaks = BlockMatches<'\r', '\n'>(block);
        if (ends != 0) {
            const int end = std::countr_zero(ends);
            has_line_break = breaks_seen != 0 || (breaks & ((1u << end) - 1)) != 0;
            return static_cast<std::int32_t>(i) + end;
        }
        breaks_seen |= breaks;
    }
    std::uint8_t seen = breaks_seen != 0 ? kLineBreak : 0;
#else
    std::uint8_t seen = 0;
#endif
    for (; i < text.size(); ++i) {
        const std::uint8_t byte_class = kTagNameClasses[static_cast<unsigned char>(text[i])];
        if ((byte_class & kEndsTagName) != 0) {
            has_line_break = (seen & kLineBreak) != 0;
            return static_cast<std::int32_t>(i);
        }
        seen |= byte_class;
    }
    return -1;
}

[[gnu::always_inline]] inline bool ReadTagAt(std::string_view text, std::int32_t open,
                                             TagHeader& header) {
    enum class Form { kPlain, kInstruction, kComment };
    const std::int32_t p = open + 1;
    const auto at = [text](std::int32_t i) {
        return static_cast<std::size_t>(i) < text.size() ? text[static_cast<std::size_t>(i)] : '\0';
    };
    Form form = Form::kPlain;
    if (at(p) == '?')
        form = Form::kInstruction;
    else if ((at(p) == '-' && at(p + 1) == '-') ||
             (at(p) == '!' && at(p + 1) == '-' && at(p + 2) == '-'))
        form = Form::kComment;
    header.no_body = form != Form::kPlain;

    const std::int32_t e = FindTagNameEnd(text, p, header.has_line_break);
    if (e == -1 || e == p)
        return false;
    header.name = SubView(text, p, e);
    // A close tag where an element should begin is an error; read as an
    // element named "/name" it would be written back as a close tag.
    if (form == Form::kPlain && header.name.front() == '/')
        return false;

    if (text[static_cast<std::size_t>(e)] == '>') {
        header.end = e;
        header.attributes = {};
        // '<name/>' is the empty form like '<name />', and '<?pi?>' is named
        // "pi": the closing "/" or "?" is no part of the name. A lone "?" is
        // the name itself.
        if (header.name.size() >= 2 && form == Form::kPlain && header.name.back() == '/') {
            header.name.remove_suffix(1);
            header.no_body = true;
        } else if (header.name.size() >= 2 && form == Form::kInstruction &&
                   header.name.back() == '?') {
            header.name.remove_suffix(1);
        }
        return true;
    }

    header.end = form == Form::kComment ? FindByte<'>'>(text, e) : FindTagEnd(text, e);
    if (header.end == -1)
        return false;
    std::int32_t stop = header.end;
    switch (form) {
    case Form::kPlain:
        if (text[static_cast<std::size_t>(header.end - 1)] == '/') {
            header.no_body = true;
            stop = header.end - 1;
        }
        break;
    case Form::kInstruction:
        if (text[static_cast<std::size_t>(header.end - 1)] != '?')
            return false;
        stop = header.end - 1;
        break;
    case Form::kComment:
        if (SubView(text, header.end - 2, header.end) != "--")
            return false;
        stop = header.end - 2;
        break;
    }
    header.attributes = SubView(text, e, std::max(stop, e));
    return true;
}

bool IsCloseTagAt(std::string_view text, std::int32_t open) {
    const auto after_open = static_cast<std::size_t>(open) + 1;
    return after_open < text.size() && text[after_open] == '/';
}

constexpr std::int32_t kNotThisCloseTag = -1;
constexpr std::int32_t kNoCloseTagEnd = -2;

// The ">" of the close tag of name whose "<" is at open: kNotThisCloseTag
// when it closes another element, kNoCloseTagEnd when no ">" follows. The
// name holds no byte that may end a close tag's name, so the close tag is
// its own when the name follows "</" and then such a byte does.
[[gnu::always_inline]] inline std::int32_t CloseTagEnd(std::string_view text, std::int32_t open,
                                                       std::string_view name) {
    const std::size_t name_start = static_cast<std::size_t>(open) + 2;
    const std::size_t name_end = name_start + name.size();
    if (name_end >= text.size() || !HasPrefix(text.substr(name_start), name) ||
        !kCloseNameEndSet[static_cast<unsigned char>(text[name_end])])
        return kNotThisCloseTag;
    const std::int32_t gt = FindByte<'>'>(text, static_cast<std::int32_t>(name_end));
    return gt == -1 ? kNoCloseTagEnd : gt;
}

} // namespace

// ---- Top level ----

KvResult XmlDocument::Parse(std::string_view text) {
    if (text.size() > kLargestText)
        return RefuseText();
    // Nodes borrow their texts from the document's own copy of the input.
    return ParseKeptText(arena_.Store(text));
}

KvResult XmlDocument::ParseOwned(std::string text) {
    if (text.size() > kLargestText)
        return RefuseText();
    // Nodes of an earlier parse that was not cleared may still borrow from
    // the text held before.
    if (!owned_text_.empty())
        earlier_owned_texts_.push_back(std::move(owned_text_));
    owned_text_ = std::move(text);
    return ParseKeptText(owned_text_);
}

KvResult XmlDocument::RefuseText() {
    parse_complete_ = false;
    return result_ = KV_E_FAIL; // positions are 32-bit
}

KvResult XmlDocument::ParseKeptText(std::string_view text) {
    result_ = KV_OK;
    parse_complete_ = false;
    if (time_limit_ != 0)
        StartTimeLimit();
    parsed_text_ = text;
    close_tags_valid_ = false;

    XmlElement* container = nullptr;
    KvResult code = KV_OK;
    bool parsed = false;
    if (strategy_ == Strategy::kSinglePass && time_limit_ == 0) {
        const UndoMark mark = GetUndoMark();
        parsed = ParseInOnePass(container, parsed_text_);
        if (!parsed) {
            Undo(mark);
            container = nullptr;
        }
    }
    if (!parsed) {
        if (strategy_ != Strategy::kLevelScans)
            MatchCloseTags(parsed_text_);
        code = ParseElement(container, parsed_text_, 0);
    }
    parse_complete_ = code == KV_OK;
    close_tags_valid_ = false;
    if (container != nullptr)
        return SetRoot(container);

    // No tag could be read: the whole text is one text node below the root.
    XmlElement* root = GetRoot();
    if (root == nullptr)
        return result_ = KV_E_INVALID_POINTER;
    LinkChild(root, NewTextNode(parsed_text_));
    return result_ = KV_OK;
}

KvResult XmlDocument::LoadFromResource(std::string_view type, std::string_view name) {
    std::string bytes;
    result_ = ::LoadResource(type, name, bytes);
    if (KvFailed(result_))
        return result_;
    // The text ends at its first zero byte, as a C string would. The nodes
    // borrow from the bytes read instead of a copy of them.
    bytes.resize(std::strlen(bytes.c_str()));
    return ParseOwned(std::move(bytes));
}

KvResult XmlDocument::LoadFromFile(const std::string& path) {
    std::string bytes;
    result_ = ReadWholeFile(path, bytes);
    if (KvFailed(result_))
        return result_;
    bytes.resize(std::strlen(bytes.c_str()));
    return ParseOwned(std::move(bytes));
}

void XmlDocument::StartTimeLimit() {
    timed_out_ = FALSE;
    parse_start_ = GetClock().Seconds();
}

BOOL XmlDocument::IsTimedOut() {
    if (parse_start_ != 0) {
        timed_out_ = GetClock().Seconds() - parse_start_ >= time_limit_ ? TRUE : FALSE;
        // Only the first level that notices it fails for it.
        if (timed_out_)
            parse_start_ = 0;
    }
    return timed_out_;
}

// ---- One nesting level ----

KvResult XmlDocument::ParseElement(XmlElement*& container, std::string_view text,
                                   std::int32_t depth) {
    container = nullptr;
    if (depth <= depth_limit_ && IsTimedOut())
        depth = depth_limit_ + 1;
    if (depth > depth_limit_)
        return result_ = KV_E_FAIL;

    std::int32_t position = 0;
    std::int32_t previous_end = 0;
    KvResult code = KV_OK;
    for (;;) {
        std::string_view tag;
        std::string_view content;
        std::string_view attributes;
        std::int32_t start = position;
        std::int32_t end = -1;
        code = NextTag(tag, start, end, content, attributes, text);
        if (KvFailed(code)) {
            if (start == -1)
                code = KV_OK; // no "<" left: the normal end of a level
            break;
        }
        if (container == nullptr) {
            XmlNode* node = nullptr;
            CreateNode(node, kXmlElement);
            container = static_cast<XmlElement*>(node);
        }
        if (start > previous_end)
            LinkChild(container, NewTextNode(SubView(text, previous_end, start)));
        code = AddTagNode(container, tag, content, attributes, depth);
        position = previous_end = end + 1;
        if (KvFailed(code))
            break;
    }
    if (container != nullptr && code == KV_OK &&
        static_cast<std::size_t>(previous_end) < text.size())
        LinkChild(container, NewTextNode(text.substr(static_cast<std::size_t>(previous_end))));
    return result_ = code;
}

XmlNode* XmlDocument::NewEmptyTagNode(std::string_view tag, std::string_view attributes) {
    XmlNode* node = nullptr;
    if (tag.front() == '?') {
        CreateNode(node, kXmlProcessingInstruction);
        node->BorrowName(tag.substr(1));
        ParseAttributeList(static_cast<XmlProcessingInstruction*>(node)->attributes_, attributes,
                           true);
    } else if (IsCommentName(tag)) {
        CreateNode(node, kXmlComment);
        node->BorrowContent(attributes);
    } else {
        CreateNode(node, kXmlTextElement);
        node->BorrowName(tag);
        ParseAttributeList(static_cast<XmlTextElement*>(node)->attributes_, attributes, true);
    }
    return node;
}

XmlNode* XmlDocument::NewTextElement(std::string_view tag, std::string_view content,
                                     std::string_view attributes) {
    XmlNode* node = nullptr;
    CreateNode(node, kXmlTextElement);
    node->BorrowName(tag);
    node->BorrowContent(content);
    ParseAttributeList(static_cast<XmlTextElement*>(node)->attributes_, attributes, true);
    return node;
}

KvResult XmlDocument::AddTagNode(XmlElement* container, std::string_view tag,
                                 std::string_view content, std::string_view attributes,
                                 std::int32_t depth) {
    XmlNode* node = nullptr;
    if (content.empty()) {
        // Processing instructions and comments have no body, so no content.
        node = NewEmptyTagNode(tag, attributes);
    } else {
        XmlElement* element = nullptr;
        if (KvFailed(ParseElement(element, content, depth + 1)))
            return result_;
        if (element != nullptr) {
            element->BorrowName(tag);
            ParseAttributeList(element->attributes_, attributes, true);
            node = element;
        } else {
            node = NewTextElement(tag, content, attributes);
        }
    }
    LinkChild(container, node);
    return result_ = KV_OK;
}

// ---- The single pass ----

// Builds the nodes in the order in which the nesting levels would build them.
// False, with nodes left to be undone, when the levels would read the text
// otherwise: a malformed tag, a close tag that is not the innermost open
// element's, an element left open, content deeper than the depth limit, or a
// name holding a line break (close tags may end at one).
bool XmlDocument::ParseInOnePass(XmlElement*& container, std::string_view text) {
    container = nullptr;
    open_elements_.clear();
    open_elements_.push_back(OpenElement{{}, {}, 0, 0, 0, nullptr});
    std::int32_t at = 0;
    for (;;) {
        at = FindByte<'<'>(text, at);
        if (at == -1)
            break;
        if (IsCloseTagAt(text, at)) {
            const OpenElement& open = open_elements_.back();
            if (open_elements_.size() == 1)
                return false;
            const std::int32_t gt = CloseTagEnd(text, at, open.name);
            if (gt < 0)
                return false;
            XmlNode* node = nullptr;
            if (!CloseInOnePass(open, at, node))
                return false;
            open_elements_.pop_back();
            OpenElement& parent = open_elements_.back();
            LinkChild(parent.container, node);
            parent.previous_end = gt + 1;
            at = gt + 1;
            continue;
        }

        OpenElement& open = open_elements_.back();
        if (open.level > depth_limit_)
            return false;
        TagHeader header;
        if (!ReadTagAt(text, at, header))
            return false;
        if (open.container == nullptr)
            open.container = NewFiledNode<XmlElement>();
        if (at > open.previous_end)
            LinkChild(open.container, NewTextNode(SubView(text, open.previous_end, at)));
        at = header.end + 1;
        if (header.no_body) {
            LinkChild(open.container, NewEmptyTagNode(header.name, header.attributes));
            open.previous_end = at;
            continue;
        }
        if (header.has_line_break)
            return false;
        const std::int32_t level = open.level + 1;
        const std::int32_t content_start = at;
        at = FindByte<'<'>(text, content_start);
        if (at != -1 && IsCloseTagAt(text, at)) {
            // Most elements hold a text and no tag: the text element is made
            // at once, without an open entry.
            const std::int32_t gt = CloseTagEnd(text, at, header.name);
            if (gt == kNoCloseTagEnd)
                return false;
            if (gt >= 0) {
                if (at > content_start && level > depth_limit_)
                    return false;
                XmlNodeList attributes;
                if (!header.attributes.empty())
                    ParseAttributeList(attributes, header.attributes, true, false);
                LinkLeaf(open.container,
                         NewTextElementNode(header.name, content_start, at, attributes));
                open.previous_end = gt + 1;
                at = gt + 1;
                continue;
            }
        }
        // The attributes are read now, so that they lie before the content
        // in memory where a writer wants them, and are filed when the element
        // closes, where the levels would create them. Built in place: copying
        // it after its list was filled stalls.
        OpenElement& element = open_elements_.emplace_back(
            OpenElement{header.name, {}, content_start, content_start, level, nullptr});
        if (!header.attributes.empty())
            ParseAttributeList(element.attributes, header.attributes, true, false);
        if (at == -1)
            break;
    }
    if (open_elements_.size() != 1)
        return false;
    const OpenElement& top = open_elements_.back();
    if (top.container != nullptr && static_cast<std::size_t>(top.previous_end) < text.size())
        LinkChild(top.container,
                  NewTextNode(text.substr(static_cast<std::size_t>(top.previous_end))));
    container = top.container;
    return true;
}

XmlNode* XmlDocument::NewTextElementNode(std::string_view name, std::int32_t content_start,
                                         std::int32_t close_start, const XmlNodeList& attributes) {
    XmlTextElement* node = NewFiledNode<XmlTextElement>();
    node->BorrowName(name);
    if (close_start > content_start)
        node->BorrowContent(SubView(parsed_text_, content_start, close_start));
    FileAttributes(node->attributes_, attributes);
    return node;
}

bool XmlDocument::CloseInOnePass(const OpenElement& element, std::int32_t close_start,
                                 XmlNode*& node) {
    const bool has_content = close_start > element.content_start;
    // The level of the content would refuse to start.
    if (has_content && element.level > depth_limit_)
        return false;
    if (element.container != nullptr) {
        if (close_start > element.previous_end)
            LinkChild(element.container,
                      NewTextNode(SubView(parsed_text_, element.previous_end, close_start)));
        element.container->BorrowName(element.name);
        FileAttributes(element.container->attributes_, element.attributes);
        node = element.container;
        return true;
    }
    node = NewTextElementNode(element.name, element.content_start, close_start,
                              element.attributes);
    return true;
}

// ---- Tags ----

KvResult XmlDocument::NextTag(std::string_view& tag, std::int32_t& start, std::int32_t& end,
                              std::string_view& content, std::string_view& attributes,
                              std::string_view text) {
    content = {};
    std::int32_t tag_end = -1;
    BOOL no_body = FALSE;
    if (KvFailed(ReadTagHeader(tag, start, tag_end, attributes, no_body, text)))
        return result_;
    if (no_body) {
        end = tag_end;
        return result_ = KV_OK;
    }
    std::int32_t close_start = tag_end + 1;
    std::int32_t close_end = -1;
    if (KvFailed(FindCloseTag(tag, close_start, close_end, text)))
        return result_;
    content = SubView(text, tag_end + 1, close_start);
    end = close_end;
    return result_ = KV_OK;
}

KvResult XmlDocument::ReadTagHeader(std::string_view& tag, std::int32_t& start,
                                    std::int32_t& tag_end, std::string_view& attributes,
                                    BOOL& no_body, std::string_view text) {
    no_body = FALSE;
    tag_end = -1;
    attributes = {};
    tag = {};
    if (start < 0)
        start = 0;
    start = FindByte<'<'>(text, start);
    if (start == -1)
        return result_ = KV_E_FAIL;
    TagHeader header;
    if (!ReadTagAt(text, start, header))
        return result_ = KV_E_FAIL;
    tag = header.name;
    tag_end = header.end;
    attributes = header.attributes;
    no_body = header.no_body ? TRUE : FALSE;
    return result_ = KV_OK;
}

std::int32_t XmlDocument::FindFirstOf(std::string_view text, std::string_view set,
                                      std::int32_t start) {
    if (set.empty())
        return -1;
    ByteSet bytes{};
    for (char c : set)
        bytes[static_cast<unsigned char>(c)] = true;
    return FindInSet(text, bytes, start);
}

// ---- Close tags ----

KvResult XmlDocument::FindCloseTag(std::string_view name, std::int32_t& position,
                                   std::int32_t& close_end, std::string_view text) {
    if (position < 0)
        position = 0;
    if (close_tags_valid_ && IsInParsedText(text)) {
        const auto offset = static_cast<std::int32_t>(text.data() - parsed_text_.data());
        const std::int32_t open_end = offset + position - 1;
        while (close_cursor_ < close_tags_.size() && close_tags_[close_cursor_].open_end < open_end)
            ++close_cursor_;
        if (close_cursor_ < close_tags_.size() && close_tags_[close_cursor_].open_end == open_end) {
            const CloseTag& found = close_tags_[close_cursor_];
            if (found.close_start < 0)
                return result_ = KV_E_FAIL;
            const std::int32_t local_end = found.close_end - offset;
            if (found.close_start >= offset + position &&
                static_cast<std::size_t>(local_end) < text.size()) {
                position = found.close_start - offset;
                close_end = local_end;
                return result_ = KV_OK;
            }
        }
    }
    return ScanForCloseTag(name, position, close_end, text);
}

// Walks the level's text tag by tag, as the level below will read it, so that
// a name inside a comment or an attribute value is not taken for a tag.
KvResult XmlDocument::ScanForCloseTag(std::string_view name, std::int32_t& position,
                                      std::int32_t& close_end, std::string_view text) {
    std::int32_t open = 0;
    std::int32_t at = position;
    for (;;) {
        at = FindByte<'<'>(text, at);
        if (at == -1 || name.empty())
            return result_ = KV_E_FAIL;
        const auto m = static_cast<std::size_t>(at) + 2;
        if (m <= text.size() && text[m - 1] == '/') {
            const std::size_t after = m + name.size();
            if (text.substr(m).starts_with(name) &&
                (after == text.size() ||
                 kCloseNameEndSet[static_cast<unsigned char>(text[after])])) {
                const std::int32_t gt = FindByte<'>'>(text, static_cast<std::int32_t>(m) + 1);
                if (gt == -1)
                    return result_ = KV_E_FAIL; // no ">" left: no close tag can follow
                if (open == 0) {
                    position = at;
                    close_end = gt;
                    return result_ = KV_OK;
                }
                --open;
                at = gt + 1;
                continue;
            }
            // Another element's close tag.
            const auto other_start = static_cast<std::int32_t>(m);
            const std::int32_t other_end = FindInSet(text, kCloseNameEndSet, other_start);
            if (other_end == -1 || other_end == other_start)
                return result_ = KV_E_FAIL;
            const std::int32_t gt = FindByte<'>'>(text, other_end);
            if (gt == -1)
                return result_ = KV_E_FAIL;
            at = gt + 1;
            continue;
        }
        std::string_view tag;
        std::string_view attributes;
        std::int32_t tag_end = -1;
        BOOL no_body = FALSE;
        std::int32_t start = at;
        if (KvFailed(ReadTagHeader(tag, start, tag_end, attributes, no_body, text)))
            return result_;
        if (!no_body && tag == name)
            ++open;
        at = tag_end + 1;
    }
}

// One pass over the whole text that pairs each body tag with its close tag
// while every close tag closes the innermost open element. Anything else
// (a stray or crossing close tag, a name holding a line break, which close
// tags may end at) leaves the table unused; a malformed tag ends the pass,
// and the elements still open then have no close tag, as a scan would find.
void XmlDocument::MatchCloseTags(std::string_view text) {
    close_tags_.clear();
    open_stack_.clear();
    close_cursor_ = 0;
    close_tags_valid_ = false;
    std::int32_t at = 0;
    for (;;) {
        at = FindByte<'<'>(text, at);
        if (at == -1)
            break;
        const auto after_open = static_cast<std::size_t>(at) + 1;
        if (after_open < text.size() && text[after_open] == '/') {
            const auto name_start = static_cast<std::int32_t>(after_open) + 1;
            const std::int32_t name_end = FindInSet(text, kCloseNameEndSet, name_start);
            if (name_end == -1)
                break;
            if (name_end == name_start)
                break; // no name: a malformed tag
            if (open_stack_.empty() ||
                open_stack_.back().name != SubView(text, name_start, name_end))
                return;
            const std::int32_t gt = FindByte<'>'>(text, name_end);
            if (gt == -1)
                break;
            CloseTag& matched = close_tags_[open_stack_.back().entry];
            matched.close_start = at;
            matched.close_end = gt;
            open_stack_.pop_back();
            at = gt + 1;
            continue;
        }
        std::string_view tag;
        std::string_view attributes;
        std::int32_t tag_end = -1;
        BOOL no_body = FALSE;
        std::int32_t start = at;
        if (KvFailed(ReadTagHeader(tag, start, tag_end, attributes, no_body, text)))
            break;
        if (!no_body) {
            if (HasLineBreak(tag))
                return;
            open_stack_.push_back(OpenTag{static_cast<std::uint32_t>(close_tags_.size()), tag});
            close_tags_.push_back(CloseTag{tag_end, -1, -1});
        }
        at = tag_end + 1;
    }
    close_tags_valid_ = true;
}

bool XmlDocument::IsInParsedText(std::string_view text) const {
    const std::less_equal<const char*> not_after;
    return !parsed_text_.empty() && not_after(parsed_text_.data(), text.data()) &&
           not_after(text.data() + text.size(), parsed_text_.data() + parsed_text_.size());
}

// ---- Attributes ----

KvResult XmlDocument::ParseAttributesInto(XmlNode* node, std::string_view attributes) {
    if (!IsValidPtr(node))
        return result_ = KV_E_INVALID_POINTER;
    if (node->GetDocument() != this)
        return result_ = KV_E_FAIL;
    const bool borrow = IsInParsedText(attributes);
    switch (node->GetKind()) {
    case kXmlElement:
        return ParseAttributeList(static_cast<XmlElement*>(node)->attributes_, attributes, borrow);
    case kXmlTextElement:
        return ParseAttributeList(static_cast<XmlTextElement*>(node)->attributes_, attributes,
                                  borrow);
    case kXmlProcessingInstruction:
        return ParseAttributeList(static_cast<XmlProcessingInstruction*>(node)->attributes_,
                                  attributes, borrow);
    default:
        return result_ = KV_E_FAIL;
    }
}

KvResult XmlDocument::ParseAttributeList(XmlNodeList& list, std::string_view attributes,
                                         bool borrow_texts, bool file_nodes) {
    result_ = KV_OK;
    // The nodes listed before stay in the document, unlinked.
    list.size_ = 0;
    if (attributes.empty())
        return result_;
    std::string_view rest = Trim(attributes);
    std::string decoded;
    for (;;) {
        const std::size_t name_end = FindAttributeNameEnd(rest);
        if (name_end == std::string_view::npos || name_end == 0)
            break; // a lone word, or text beginning with "=", is ignored
        const std::string_view name = rest.substr(0, name_end);
        rest = TrimLeft(rest.substr(name_end));
        if (!rest.starts_with('='))
            return result_ = KV_E_FAIL;
        rest = TrimLeft(rest.substr(1));
        if (!rest.starts_with('"'))
            return result_ = KV_E_FAIL;
        rest.remove_prefix(1);
        const std::size_t quote = IndexOfByte<'"'>(rest);
        if (quote == std::string_view::npos)
            return result_ = KV_E_FAIL;
        std::string_view value = rest.substr(0, quote);
        rest = TrimLeft(rest.substr(quote + 1));

        XmlNode* attribute = nullptr;
        if (file_nodes)
            CreateNode(attribute, kXmlAttribute);
        else
            attribute = NewUnfiledAttribute();
        if (IndexOfByte<'&'>(value) != std::string_view::npos &&
            XmlAttributeValueNeedsDecoding(value)) {
            decoded.clear();
            AppendXmlAttributeValueDecoded(decoded, value);
            value = arena_.Store(decoded);
        } else if (!borrow_texts) {
            value = arena_.Store(value);
        }
        attribute->BorrowName(borrow_texts ? name : arena_.Store(name));
        attribute->BorrowContent(value);
        AppendAttribute(list, attribute);
    }
    return result_;
}
