#include "guidesc/ui_object_image_button.h"

#include "guidesc/ui_object_keys.h"

CKvUIObjectImageButton::CKvUIObjectImageButton(CKvUIObjectCatalog* owner, std::uint32_t id,
                                               const char* identifier)
    : CKvUIObject(kUIObjectImageButton, owner, id, identifier) {
    Reset();
}

void CKvUIObjectImageButton::Reset() {
    SetTypeCode(kUIObjectImageButton);
    SetId(0);
    state_ = 0;
    ResetFace();
    background_image_id_ = 0;
    ResetImageArea();
    ResetTextArea();
}

CKvUIObjectImageButton& CKvUIObjectImageButton::operator=(const CKvUIObjectImageButton& other) {
    if (&other == this)
        return *this;
    SetTypeCode(kUIObjectImageButton);
    SetId(other.id_);
    CopyCommonState(other);
    owner_ = other.owner_;
    CopyFace(other);
    background_image_id_ = other.background_image_id_;
    CopyImageArea(other);
    CopyTextArea(other);
    return *this;
}

const CKvUIObject::Form& CKvUIObjectImageButton::GetForm() const {
    using C = CKvUIObjectImageButton;
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
        KV_UI_TEXT_AREA_KEYS(uikey::kDecoded),
        uikey::Keyword<&C::font_style_>("fontstyle"),
        uikey::UInt<&C::font_escapement_>("fontescapement"),
        uikey::Keyword<&C::text_style_>("textstyle"),
        uikey::Keyword<&C::font_weight_>("fontweight"),
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
    };
    static constexpr auto kDomKeys = uikey::DomKeys(kKeys, kDomRows);
    static constexpr Form kForm =
        uikey::MakeForm(kUIObjectImageButton, kKeys, kDomKeys, IdentifierAttribute());
    return kForm;
}
