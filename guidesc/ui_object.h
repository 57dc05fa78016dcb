#pragma once
// CKvUIObject: the common base of the descriptions of a GUI description
// file's "UIOBJECT*" elements. It holds the properties every type shares,
// the value kinds that turn property texts into values and back, and the
// generic XML and DOM forms: each class lists its keys as rows of a key table
// (data/record_keys.h) and the base walks them.
//
// Reading a form fails only on structural problems (an invalid element or
// child, no "identifier" attribute, a failing DOM call): a property text that
// does not parse leaves the value its setter gives and is no failure, so the
// catalog never drops a description for one bad number.

#include "core/timeout_timer.h"
#include "core/xml_document.h"
#include "data/record_keys.h"
#include "guidesc/style_tables.h"
#include "platform/dom.h"
#include "platform/result_codes.h"
#include "platform/types.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

// The catalog that files descriptions by identifier; it owns them.
class CKvUIObjectCatalog;

// The type code of a description, one per element name.
enum UIObjectTypeCode : std::uint32_t {
    kUIObjectDialog = 1,
    kUIObjectXPButton = 2,
    kUIObjectImageButton = 3,
    kUIObjectStaticGroupBox = 4,
    kUIObjectStatic = 5,
    kUIObjectEdit = 6,
    kUIObjectCheckBox = 7,
    kUIObjectButtonLine = 8,
    kUIObjectPropertySheet = 9,
    kUIObjectListCtrl = 10,
    kUIObjectComboBoxEx = 11,
    kUIObjectTreeCtrl = 12,
    kUIObjectListBox = 13,
    kUIObjectString = 14,
    kUIObjectButtonGroupLine = 15,
};

// "UIOBJECTDIALOG" for 1 and so on; empty for a code outside 1 to 15.
constexpr std::string_view UIObjectElementName(std::uint32_t type_code) {
    constexpr std::string_view kNames[] = {
        "UIOBJECTDIALOG",         "UIOBJECTXPBUTTON",   "UIOBJECTIMAGEBUTTON",
        "UIOBJECTSTATICGROUPBOX", "UIOBJECTSTATIC",     "UIOBJECTEDIT",
        "UIOBJECTCHECKBOX",       "UIOBJECTBUTTONLINE", "UIOBJECTPROPERTYSHEET",
        "UIOBJECTLISTCTRL",       "UIOBJECTCOMBOBOXEX", "UIOBJECTTREECTRL",
        "UIOBJECTLISTBOX",        "UIOBJECTSTRING",     "UIOBJECTBUTTONGROUPLINE",
    };
    if (type_code < 1 || type_code > std::size(kNames))
        return {};
    return kNames[type_code - 1];
}

class CKvUIObject {
public:
    using Form = RecordForm<CKvUIObject>;

    static constexpr std::uint32_t kDefaultChildIdentifierLimit = 256;
    static constexpr std::int32_t kDefaultTooltipWidth = 200;
    static constexpr COLORREF kWhite = 0xFFFFFF;

    CKvUIObject(const CKvUIObject&) = delete;
    CKvUIObject& operator=(const CKvUIObject&) = delete;
    virtual ~CKvUIObject() = default;

    // ---- The virtual operations ----

    // The class's type code, id 0 and the class's defaults.
    virtual void Reset() = 0;
    // 1 when both identifiers are equal byte for byte; 0 for a null other.
    virtual BOOL IsSameIdentifier(const CKvUIObject* other) const;
    // The class's DOM keys from the children of a DOM element; the identifier
    // is not read. The first failing DOM call's code, else 0.
    virtual KvResult ReadDom(const DomNodePtr& element);
    // The element with its "identifier" and one child per DOM key under the
    // parent; the first failing DOM call's code, else 0.
    virtual KvResult WriteDom(const DomDocumentPtr& document, const DomNodePtr& parent);
    // The identifier and the class's keys from an element; 0, or
    // KV_E_INVALID_POINTER (invalid element or child) or KV_E_NOT_FOUND (no
    // "identifier"; nothing changes then).
    virtual KvResult ReadXml(const XmlNode* element);
    // A new element under the parent with every key in the class's order;
    // out receives it (null when the parent is invalid or nothing was made).
    // Stops at the first failing step, the linking under the parent included.
    virtual KvResult WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent);
    // A new description of the same class assigned from this one; the caller
    // owns it. 1, or 0 with a null out.
    virtual BOOL Clone(CKvUIObject*& out) const = 0;
    // Assigns this description to a target of the same type code: 1; else 0
    // and the target is untouched (null included).
    virtual BOOL CopyTo(CKvUIObject* target) const = 0;

    // ---- Identity ----

    void SetId(std::uint32_t id);
    std::uint32_t GetId() const { return id_; }
    const std::string& GetIdText() const { return id_text_; }
    std::uint32_t GetTypeCode() const { return type_code_; }
    CKvUIObjectCatalog* GetOwner() const { return owner_; }
    // The catalog that files the description, or the creator of a control.
    void SetOwner(CKvUIObjectCatalog* owner) { owner_ = owner; }
    KvResult GetResult() const { return result_; }
    std::uint32_t& GetState() { return state_; }
    TimeoutTimer& GetTimeoutTimer() { return timer_; }
    std::string& GetIdentifier() { return identifier_; }
    const std::string& GetIdentifier() const { return identifier_; }

    // ---- Value kinds ----
    //
    // The parse routines set the last result to 0, trim a copy of the text and
    // fail with KV_E_FAIL (the out value unchanged) for an empty text or a
    // character outside the kind's set; they return the last result.

    // Radix 10: "0123456789-+"; radix 16: "0123456789xXaAbBcCdDeEfF"; the
    // value as strtol reads it, saturating at the 32-bit limits.
    KvResult ParseInt(std::int32_t& out, const std::string& text, int radix);
    // Radix 10: "0123456789"; radix 16 as above; saturates at 0xFFFFFFFF.
    KvResult ParseUInt(std::uint32_t& out, const std::string& text, int radix);
    // "0123456789.+-" read in the C locale; saturates beyond the float range.
    KvResult ParseFloat(float& out, const std::string& text);
    // RRGGBB in hexadecimal, stored as the COLORREF 0x00BBGGRR. A number above
    // 0xFFFFFF is stored as read and fails.
    KvResult ParseColor(COLORREF& out, const std::string& text);

    // The setters every class shares: the field is reset first (0, or 1.0 for
    // a float), then parsed into.
    KvResult SetIntField(std::int32_t& field, const std::string& text);
    KvResult SetUIntField(std::uint32_t& field, const std::string& text);
    KvResult SetFloatField(float& field, const std::string& text);
    KvResult SetColorField(COLORREF& field, const std::string& text);
    // Parses without clearing: a text that fails keeps the previous colour.
    KvResult SetColorFieldKeeping(COLORREF& field, const std::string& text) {
        return ParseColor(field, text);
    }
    // 1 exactly when the upper-cased text is "TRUE"; no trimming.
    static void SetFlagField(std::uint32_t& flag, std::string text);
    // The trimmed text is kept; a text of digits only is also the resource id
    // (else 0); a blank text empties the kept text.
    static void SetResourceOrFileField(std::string& file, std::uint32_t& id, std::string text);

    static std::string& FormatInt(std::string& out, std::int32_t value);
    static std::string& FormatUInt(std::string& out, std::uint32_t value);
    static std::string& FormatFloat(std::string& out, float value);
    // "%x" of RRGGBB; a colour above 0xFFFFFF (stored as read) as it is.
    static std::string& FormatColor(std::string& out, COLORREF value);
    static std::string& FormatFlag(std::string& out, std::uint32_t flag);

    // ---- Common properties ----

    std::int32_t& GetWidth() { return width_; }
    std::int32_t& GetHeight() { return height_; }
    std::int32_t& GetPositionX() { return position_x_; }
    std::int32_t& GetPositionY() { return position_y_; }
    KvResult SetWidthText(const std::string& text) { return SetIntField(width_, text); }
    KvResult SetHeightText(const std::string& text) { return SetIntField(height_, text); }
    KvResult SetPositionXText(const std::string& text) { return SetIntField(position_x_, text); }
    KvResult SetPositionYText(const std::string& text) { return SetIntField(position_y_, text); }
    std::string& GetWidthText(std::string& out) const { return FormatInt(out, width_); }
    std::string& GetHeightText(std::string& out) const { return FormatInt(out, height_); }
    std::string& GetPositionXText(std::string& out) const { return FormatInt(out, position_x_); }
    std::string& GetPositionYText(std::string& out) const { return FormatInt(out, position_y_); }

    COLORREF& GetBackgroundColor() { return background_color_; }
    COLORREF& GetTextColor() { return text_color_; }
    COLORREF& GetTextBackgroundColor() { return text_background_color_; }
    KvResult SetBackgroundColorText(const std::string& text) {
        return SetColorField(background_color_, text);
    }
    KvResult SetTextColorText(const std::string& text) { return SetColorField(text_color_, text); }
    KvResult SetTextBackgroundColorText(const std::string& text) {
        return SetColorField(text_background_color_, text);
    }
    std::string& GetBackgroundColorText(std::string& out) const {
        return FormatColor(out, background_color_);
    }
    std::string& GetTextColorText(std::string& out) const { return FormatColor(out, text_color_); }
    std::string& GetTextBackgroundColorText(std::string& out) const {
        return FormatColor(out, text_background_color_);
    }

    std::uint32_t& GetChildIdentifierLimit() { return child_identifier_limit_; }
    std::string& GetChildIdentifierList() { return child_identifier_list_; }
    std::string& GetAnchorIdentifier() { return anchor_identifier_; }
    std::string& GetText() { return text_; }
    std::string& GetText2() { return text2_; }

    float GetTextMagnify() const { return text_magnify_; }
    KvResult SetTextMagnifyText(const std::string& text) {
        return SetFloatField(text_magnify_, text);
    }
    std::string& GetTextMagnifyText(std::string& out) const {
        return FormatFloat(out, text_magnify_);
    }

    std::uint32_t GetUiid() const { return uiid_; }
    KvResult SetUiidText(const std::string& text) { return SetUIntField(uiid_, text); }
    // "%u": every id reads back as written.
    std::string& GetUiidText(std::string& out) const { return FormatUInt(out, uiid_); }

    // The keyword properties return their table's result and leave the last
    // result alone.
    KvResult SetWindowStyleText(const std::string& text) { return window_style_.SetText(text); }
    KvResult SetWindowStyle(std::uint32_t value) { return window_style_.FormatText(value); }
    std::uint32_t GetWindowStyle() const { return window_style_.GetValue(); }
    std::string& GetWindowStyleText(std::string& out) const { return window_style_.GetText(out); }
    KvResult SetWindowStyleExText(const std::string& text) {
        return window_style_ex_.SetText(text);
    }
    KvResult SetWindowStyleEx(std::uint32_t value) { return window_style_ex_.FormatText(value); }
    std::uint32_t GetWindowStyleEx() const { return window_style_ex_.GetValue(); }
    std::string& GetWindowStyleExText(std::string& out) const {
        return window_style_ex_.GetText(out);
    }
    KvResult SetFontWeightText(const std::string& text) { return font_weight_.SetText(text); }
    KvResult SetFontWeight(std::uint32_t value) { return font_weight_.SetValue(value); }
    std::uint32_t GetFontWeight() const { return font_weight_.GetValue(); }
    std::string& GetFontWeightText(std::string& out) const { return font_weight_.GetText(out); }
    KvResult SetFontStyleText(const std::string& text) { return font_style_.SetText(text); }
    KvResult SetFontStyle(std::uint32_t value) { return font_style_.FormatText(value); }
    std::uint32_t GetFontStyle() const { return font_style_.GetValue(); }
    std::string& GetFontStyleText(std::string& out) const { return font_style_.GetText(out); }
    KvResult SetTextStyleText(const std::string& text) { return text_style_.SetText(text); }
    KvResult SetTextStyle(std::uint32_t value) { return text_style_.FormatText(value); }
    std::uint32_t GetTextStyle() const { return text_style_.GetValue(); }
    std::string& GetTextStyleText(std::string& out) const { return text_style_.GetText(out); }

    std::uint32_t& GetFontEscapement() { return font_escapement_; }
    KvResult SetFontEscapementText(const std::string& text) {
        return SetUIntField(font_escapement_, text);
    }
    std::string& GetFontEscapementText(std::string& out) const {
        return FormatUInt(out, font_escapement_);
    }

    void SetTooltipText(const std::string& text) { tooltip_text_ = text; }
    std::string GetTooltipText() const { return tooltip_text_; }
    void SetTooltipWidth(std::int32_t width) { tooltip_width_ = width; }
    std::int32_t GetTooltipWidth() const { return tooltip_width_; }
    // A text that fails leaves 0, not the default.
    KvResult SetTooltipWidthText(const std::string& text) {
        return SetIntField(tooltip_width_, text);
    }
    std::string& GetTooltipWidthText(std::string& out) const {
        return FormatInt(out, tooltip_width_);
    }

    // ---- Child identifiers ----
    //
    // A set of identifiers in the order they were entered, filled from a
    // comma-separated text; the "childidentifierlist" text itself is kept
    // apart and only split on demand.

    // Empties the set, then enters the trimmed pieces of the text (empty ones
    // included), at most the child identifier limit of them.
    void SetChildIdentifierListText(const std::string& text);
    // The identifiers joined by ","; returns out.
    std::string& GetChildIdentifierListText(std::string& out) const;
    void AddChildIdentifier(const std::string& identifier);
    void RemoveAllChildIdentifiers() { child_identifiers_.clear(); }
    std::size_t GetChildIdentifierCount() const { return child_identifiers_.size(); }
    // The first identifier and the position after it: 1; 0 when the set is
    // empty. GetNextChildIdentifierAt goes on from a position.
    BOOL GetNextChildIdentifier(std::string& identifier, std::size_t& position) const;
    BOOL GetNextChildIdentifierAt(std::string& identifier, std::size_t& position) const;

protected:
    // The identifier is copied when it is a valid pointer, else empty.
    CKvUIObject(std::uint32_t type_code, CKvUIObjectCatalog* owner, std::uint32_t id,
                const char* identifier);

    // The form whose keys the generic readers and writers walk.
    virtual const Form& GetForm() const = 0;
    // The "identifier" attribute of every class's form.
    static constexpr RecordIdentifierAttribute<CKvUIObject> IdentifierAttribute();

    // What every assignment copies: the state word and the timer.
    void CopyCommonState(const CKvUIObject& other);
    // Every common property back to its default, the owner, identifier and
    // child identifiers included and the child identifier limit 0; the
    // tooltip and "text2" stay.
    void ResetCommonProperties(std::uint32_t window_style);
    // Every common property of the other with its result code, owner and
    // child identifier limit; not the identifier, the child identifier set,
    // the tooltip or "text2".
    void CopyCommonProperties(const CKvUIObject& other);
    void SetTypeCode(std::uint32_t type_code) { type_code_ = type_code; }

    // Clone and CopyTo of a class whose operator= takes its own type.
    template <typename Derived> static BOOL CloneAs(const Derived& source, CKvUIObject*& out) {
        auto* copy = new Derived(nullptr, 0, nullptr);
        *copy = source;
        out = copy;
        return TRUE;
    }
    template <typename Derived> static BOOL CopyAs(const Derived& source, CKvUIObject* target) {
        if (!IsValidPtr(target) || target->GetTypeCode() != source.GetTypeCode())
            return FALSE;
        static_cast<Derived&>(*target) = source;
        return TRUE;
    }

    std::uint32_t id_ = 0;
    std::string id_text_;
    std::uint32_t type_code_ = 0;
    TimeoutTimer timer_{0, 0};
    std::uint32_t state_ = 0;
    KvResult result_ = KV_OK;
    CKvUIObjectCatalog* owner_ = nullptr;
    std::uint32_t child_identifier_limit_ = kDefaultChildIdentifierLimit;
    std::string identifier_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t position_x_ = 0;
    std::int32_t position_y_ = 0;
    COLORREF background_color_ = kWhite;
    COLORREF text_color_ = 0;
    COLORREF text_background_color_ = kWhite;
    std::string child_identifier_list_;
    std::string anchor_identifier_;
    std::vector<std::string> child_identifiers_;
    std::string text_;
    std::string text2_;
    float text_magnify_ = 1.0f;
    std::uint32_t uiid_ = 0;
    WindowStyleTable window_style_;
    WindowExStyleTable window_style_ex_;
    FontWeightTable font_weight_;
    FontStyleTable font_style_;
    std::uint32_t font_escapement_ = 0;
    DrawTextFormatTable text_style_;
    std::string tooltip_text_;
    std::int32_t tooltip_width_ = kDefaultTooltipWidth;
};

constexpr RecordIdentifierAttribute<CKvUIObject> CKvUIObject::IdentifierAttribute() {
    return RecordIdentifierAttribute<CKvUIObject>{
        .get = [](CKvUIObject& object) -> const std::string& { return object.identifier_; },
        .set = [](CKvUIObject& object,
                  std::string_view value) { object.identifier_.assign(value); },
    };
}
