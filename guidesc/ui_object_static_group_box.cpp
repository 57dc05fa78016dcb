#include "guidesc/ui_object_static_group_box.h"

#include "guidesc/ui_object_keys.h"

CKvUIObjectStaticGroupBox::CKvUIObjectStaticGroupBox(CKvUIObjectCatalog* owner, std::uint32_t id,
                                                     const char* identifier)
    : CKvUIObject(kUIObjectStaticGroupBox, owner, id, identifier) {
    Reset();
}

void CKvUIObjectStaticGroupBox::Reset() {
    SetTypeCode(kUIObjectStaticGroupBox);
    SetId(0);
    state_ = 0;
    ResetFace();
    ResetImageArea();
    anchor_identifier_.clear();
    pen_color_ = kDefaultPenColor;
}

CKvUIObjectStaticGroupBox&
CKvUIObjectStaticGroupBox::operator=(const CKvUIObjectStaticGroupBox& other) {
    if (&other == this)
        return *this;
    SetTypeCode(kUIObjectStaticGroupBox);
    SetId(other.id_);
    CopyCommonState(other);
    owner_ = other.owner_;
    height_ = other.height_;
    width_ = other.width_;
    position_x_ = other.position_x_;
    position_y_ = other.position_y_;
    anchor_identifier_ = other.anchor_identifier_;
    text_ = other.text_;
    text_magnify_ = other.text_magnify_;
    text_color_ = other.text_color_;
    uiid_ = other.uiid_;
    round_edge_x_ = other.round_edge_x_;
    round_edge_y_ = other.round_edge_y_;
    pen_color_ = other.pen_color_;
    return *this;
}

const CKvUIObject::Form& CKvUIObjectStaticGroupBox::GetForm() const {
    using C = CKvUIObjectStaticGroupBox;
    static constexpr UIKey kKeys[] = {
        KV_UI_GEOMETRY_KEYS(uikey::kDecoded),
        KV_UI_FACE_COLOUR_KEYS(uikey::kDecoded),
        uikey::Color<&C::pen_color_>("pencolor"),
        KV_UI_BACKGROUND_IMAGE_KEYS(uikey::kDecoded, uikey::kDecoded),
        uikey::Text<&C::child_identifier_list_>("childidentifierlist"),
        uikey::Text<&C::text_>("text"),
        uikey::Float<&C::text_magnify_>("textmagnify"),
        uikey::UInt<&C::uiid_>("uiid"),
        KV_UI_EDGE_KEYS(uikey::kDecoded),
        KV_UI_IMAGE_AREA_KEYS(uikey::kDecoded),
        uikey::Keyword<&C::text_style_>("textstyle"),
        uikey::Text<&C::anchor_identifier_>("anchoridentifier", uikey::kStored),
    };
    // The DOM form's keys, in its order.
    static constexpr uikey::DomRow kDomRows[] = {
        {"width"},
        {"height"},
        {"positionx"},
        {"positiony"},
        {"backgroundcolor"},
        {"textcolor"},
        {"transparentcolor"},
        {"pencolor"},
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
        {"textstyle"},
        {"anchoridentifier"},
    };
    static constexpr auto kDomKeys = uikey::DomKeys(kKeys, kDomRows);
    static constexpr Form kForm =
        uikey::MakeForm(kUIObjectStaticGroupBox, kKeys, kDomKeys, IdentifierAttribute());
    return kForm;
}
