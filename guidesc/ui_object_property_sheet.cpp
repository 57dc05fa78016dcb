#include "guidesc/ui_object_property_sheet.h"

#include "guidesc/ui_object_keys.h"

CKvUIObjectPropertySheet::CKvUIObjectPropertySheet(CKvUIObjectCatalog* owner, std::uint32_t id,
                                                   const char* identifier)
    : CKvUIObject(kUIObjectPropertySheet, owner, id, identifier) {
    Reset();
}

void CKvUIObjectPropertySheet::Reset() {
    SetTypeCode(kUIObjectPropertySheet);
    SetId(0);
    timer_.Stop();
    state_ = 0;
    ResetFace();
    background_image_id_ = 0;
    ResetImageArea();
    background_color_range_start_ = kWhite;
    anchor_identifier_.clear();
}

CKvUIObjectPropertySheet&
CKvUIObjectPropertySheet::operator=(const CKvUIObjectPropertySheet& other) {
    if (&other == this)
        return *this;
    SetTypeCode(kUIObjectPropertySheet);
    SetId(other.id_);
    CopyCommonState(other);
    owner_ = other.owner_;
    height_ = other.height_;
    width_ = other.width_;
    position_x_ = other.position_x_;
    position_y_ = other.position_y_;
    text_background_color_ = other.text_background_color_;
    round_edge_x_ = other.round_edge_x_;
    round_edge_y_ = other.round_edge_y_;
    background_image_file_ = other.background_image_file_;
    background_image_id_ = other.background_image_id_;
    flag_background_wallpaper_ = other.flag_background_wallpaper_;
    flag_background_image_has_transparent_ = other.flag_background_image_has_transparent_;
    flag_background_image_is_packed_ = other.flag_background_image_is_packed_;
    flag_size_follow_background_image_ = other.flag_size_follow_background_image_;
    text_color_ = other.text_color_;
    background_color_ = other.background_color_;
    background_color_range_start_ = other.background_color_range_start_;
    transparent_color_ = other.transparent_color_;
    text_ = other.text_;
    SetWindowStyle(other.GetWindowStyle());
    uiid_ = other.uiid_;
    text_magnify_ = other.text_magnify_;
    SetFontWeight(other.GetFontWeight());
    SetFontStyle(other.GetFontStyle());
    font_escapement_ = other.font_escapement_;
    SetTextStyle(other.GetTextStyle());
    anchor_identifier_ = other.anchor_identifier_;
    return *this;
}

const CKvUIObject::Form& CKvUIObjectPropertySheet::GetForm() const {
    using C = CKvUIObjectPropertySheet;
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
        uikey::Keyword<&C::window_style_>("windowstyle"),
        uikey::Keyword<&C::font_weight_>("fontweight"),
        uikey::Color<&C::text_background_color_>("textbackgroundcolor"),
        uikey::Text<&C::anchor_identifier_>("anchoridentifier"),
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
        {"text"},
        {"textmagnify"},
        {"uiid"},
        {"flagroundedgeleft"},
        {"flagroundedgeright"},
        {"flagbuttonasstatic"},
        {"imagewidth"},
        {"imageheight"},
        {"imagepositionx"},
        {"imagepositiony"},
        {"flagborder"},
        {"flagimageborder"},
        {"imageroundedgex"},
        {"imageroundedgey"},
        {"backgroundcolorrangestart"},
        {"windowstyle"},
        {"fontweight"},
        {"textbackgroundcolor"},
    };
    static constexpr auto kDomKeys = uikey::DomKeys(kKeys, kDomRows);
    static constexpr Form kForm =
        uikey::MakeForm(kUIObjectPropertySheet, kKeys, kDomKeys, IdentifierAttribute());
    return kForm;
}
