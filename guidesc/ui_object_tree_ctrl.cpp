#include "guidesc/ui_object_tree_ctrl.h"

#include "guidesc/ui_object_keys.h"

CKvUIObjectTreeCtrl::CKvUIObjectTreeCtrl(CKvUIObjectCatalog* owner, std::uint32_t id,
                                         const char* identifier)
    : CKvUIObject(kUIObjectTreeCtrl, owner, id, identifier) {
    Reset();
}

void CKvUIObjectTreeCtrl::Reset() {
    SetTypeCode(kUIObjectTreeCtrl);
    SetId(0);
    timer_.Stop();
    state_ = 0;
    result_ = KV_OK;
    owner_ = nullptr;
    child_identifier_limit_ = 0;
    identifier_.clear();
    width_ = 0;
    height_ = 0;
    position_x_ = 0;
    position_y_ = 0;
    background_color_ = kWhite;
    text_color_ = 0;
    text_background_color_ = kWhite;
    child_identifier_list_.clear();
    anchor_identifier_.clear();
    child_identifiers_.clear();
    text_.clear();
    text_magnify_ = 1.0f;
    uiid_ = 0;
    SetWindowStyle(kDefaultWindowStyle);
    SetWindowStyleEx(0);
    SetFontWeight(400);
    SetFontStyle(0);
    font_escapement_ = 0;
    SetTextStyle(0);
    ResetFace();
    ResetImageArea();
    background_color_range_start_ = kWhite;
    flag_only_ia5_chars_ = 0;
    flag_restricted_ = 0;
}

CKvUIObjectTreeCtrl& CKvUIObjectTreeCtrl::operator=(const CKvUIObjectTreeCtrl& other) {
    if (&other == this)
        return *this;
    SetTypeCode(kUIObjectTreeCtrl);
    SetId(other.id_);
    CopyCommonState(other);
    result_ = other.result_;
    owner_ = other.owner_;
    child_identifier_limit_ = other.child_identifier_limit_;
    width_ = other.width_;
    height_ = other.height_;
    position_x_ = other.position_x_;
    position_y_ = other.position_y_;
    background_color_ = other.background_color_;
    text_color_ = other.text_color_;
    text_background_color_ = other.text_background_color_;
    child_identifier_list_ = other.child_identifier_list_;
    anchor_identifier_ = other.anchor_identifier_;
    text_ = other.text_;
    text_magnify_ = other.text_magnify_;
    uiid_ = other.uiid_;
    SetWindowStyle(other.GetWindowStyle());
    SetWindowStyleEx(other.GetWindowStyleEx());
    SetFontWeight(other.GetFontWeight());
    SetFontStyle(other.GetFontStyle());
    font_escapement_ = other.font_escapement_;
    SetTextStyle(other.GetTextStyle());
    SetTreeCtrlStyle(other.GetTreeCtrlStyle());
    return *this;
}

const CKvUIObject::Form& CKvUIObjectTreeCtrl::GetForm() const {
    using C = CKvUIObjectTreeCtrl;
    static constexpr UIKey kKeys[] = {
        KV_UI_GEOMETRY_KEYS(uikey::kDecoded),
        KV_UI_FACE_COLOUR_KEYS(uikey::kDecoded),
        KV_UI_BACKGROUND_IMAGE_KEYS(uikey::kDecoded, uikey::kDecoded),
        uikey::Text<&C::child_identifier_list_>("childidentifierlist"),
        uikey::Text<&C::text_>("text"),
        uikey::Float<&C::text_magnify_>("textmagnify"),
        uikey::UInt<&C::uiid_>("uiid"),
        KV_UI_EDGE_KEYS(uikey::kDecoded),
        KV_UI_IMAGE_AREA_KEYS(uikey::kDecoded),
        uikey::Color<&C::background_color_range_start_>("backgroundcolorrangestart"),
        uikey::Flag<&C::flag_only_ia5_chars_>("flagonlyia5chars"),
        uikey::Flag<&C::flag_restricted_>("flagrestricted"),
        uikey::Keyword<&C::window_style_>("windowstyle"),
        uikey::Keyword<&C::tree_ctrl_style_>("treectrlstyle"),
        uikey::Keyword<&C::font_weight_>("fontweight"),
        uikey::Keyword<&C::window_style_ex_>("windowstyleex"),
    };
    static constexpr auto kDomKeys = uikey::SwapKeys(
        uikey::DomKeysColoursFirst<36>(kKeys, {"backgroundcolor", "textcolor", "transparentcolor"}),
        "windowstyle", "treectrlstyle");
    static constexpr Form kForm =
        uikey::MakeForm(kUIObjectTreeCtrl, kKeys, kDomKeys, IdentifierAttribute());
    return kForm;
}
