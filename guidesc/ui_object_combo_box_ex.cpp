#include "guidesc/ui_object_combo_box_ex.h"

#include "guidesc/ui_object_keys.h"

CKvUIObjectComboBoxEx::CKvUIObjectComboBoxEx(CKvUIObjectCatalog* owner, std::uint32_t id,
                                             const char* identifier)
    : CKvUIObject(kUIObjectComboBoxEx, owner, id, identifier) {
    Reset();
}

void CKvUIObjectComboBoxEx::Reset() {
    SetTypeCode(kUIObjectComboBoxEx);
    SetId(0);
    timer_.Stop();
    state_ = 0;
    ResetHead();
    border_image_file_.clear();
    border_image_id_ = 0;
    text_entries_.RemoveAll();
    SetComboBoxStyle(0);
    anchor_identifier_.clear();
}

CKvUIObjectComboBoxEx& CKvUIObjectComboBoxEx::operator=(const CKvUIObjectComboBoxEx& other) {
    if (&other == this)
        return *this;
    SetTypeCode(kUIObjectComboBoxEx);
    SetId(other.id_);
    height_ = other.height_;
    width_ = other.width_;
    position_x_ = other.position_x_;
    position_y_ = other.position_y_;
    CopyCommonState(other);
    owner_ = other.owner_;
    CopyHead(other);
    SetStyle(other.GetStyle());
    border_image_file_ = other.border_image_file_;
    border_image_id_ = other.border_image_id_;
    text_entries_ = other.text_entries_;
    SetComboBoxStyle(other.GetComboBoxStyle());
    SetWindowStyle(other.GetWindowStyle());
    anchor_identifier_ = other.anchor_identifier_;
    return *this;
}

const CKvUIObject::Form& CKvUIObjectComboBoxEx::GetForm() const {
    using C = CKvUIObjectComboBoxEx;
    static constexpr UIKey kKeys[] = {
        KV_UI_HEAD_KEYS(uikey::kDecoded),
        uikey::Keyword<&C::style_>("style"),
        uikey::ResourceOrFile<&C::border_image_file_, &C::border_image_id_>("borderimageridorfile"),
        uikey::StringList<&C::text_entries_>("textentries"),
        uikey::Keyword<&C::combo_box_style_>("comboboxstyle"),
        uikey::Keyword<&C::window_style_>("windowstyle"),
        uikey::Text<&C::anchor_identifier_>("anchoridentifier", uikey::kStored),
    };
    // The DOM form neither reads nor writes "anchoridentifier".
    // The DOM form's keys, in its order.
    static constexpr uikey::DomRow kDomRows[] = {
        {"width"},
        {"height"},
        {"positionx"},
        {"positiony"},
        {"backgroundcolor"},
        {"textcolor"},
        {"transparentcolor"},
        {"roundedgex"},
        {"roundedgey"},
        {"backgroundimageridorfile"},
        {"flagbackgroundwallpaper"},
        {"flagbackgroundimagehastransparent"},
        {"flagbackgroundimageispacked"},
        {"flagsizefollowbackgroundimage"},
        {"childidentifierlist"},
        {"uiid"},
        {"backgroundcolorrangestart"},
        {"style"},
        {"borderimageridorfile"},
        {"textentries"},
        {"comboboxstyle"},
        {"windowstyle"},
    };
    static constexpr auto kDomKeys = uikey::DomKeys(kKeys, kDomRows);
    static constexpr Form kForm =
        uikey::MakeForm(kUIObjectComboBoxEx, kKeys, kDomKeys, IdentifierAttribute());
    return kForm;
}
