#pragma once
// CKvUIObjectButtonLine: the description of a "UIOBJECTBUTTONLINE" element, a line of
// equally sized buttons with an optional scroll bar.

#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

#define KV_UI_BUTTON_LINE_MEMBERS                                                                  \
    KV_UI_FACE_MEMBERS                                                                             \
    KV_UI_IMAGE_AREA_MEMBERS                                                                       \
    KV_UI_TEXT_AREA_MEMBERS                                                                        \
    COLORREF background_color_range_start_ = kWhite;                                               \
    std::int32_t button_width_ = 0;                                                                \
    std::int32_t button_height_ = 0;                                                               \
    std::uint32_t button_viewable_count_ = 0;                                                      \
    std::uint32_t button_space_ = 0;                                                               \
    ButtonLineStyleTable style_;                                                                   \
    std::uint32_t scrollbar_space_ = 0;                                                            \
    std::uint32_t scrollbar_thickness_ = 0;                                                        \
    /* The line's own properties but "style"; the base's stay. */                                  \
    void ResetLineProperties() {                                                                   \
        ResetFace();                                                                               \
        background_image_id_ = 0;                                                                  \
        ResetImageArea();                                                                          \
        ResetTextArea();                                                                           \
        background_color_range_start_ = kWhite;                                                    \
        button_width_ = button_height_ = 0;                                                        \
        button_viewable_count_ = button_space_ = 0;                                                \
        scrollbar_space_ = scrollbar_thickness_ = 0;                                               \
    }                                                                                              \
    template <typename Other> void CopyLineProperties(const Other& other) {                        \
        owner_ = other.owner_;                                                                     \
        font_escapement_ = other.font_escapement_;                                                 \
        SetFontStyle(other.GetFontStyle());                                                        \
        SetTextStyle(other.GetTextStyle());                                                        \
        CopyFace(other);                                                                           \
        background_image_id_ = other.background_image_id_;                                         \
        CopyImageArea(other);                                                                      \
        CopyTextArea(other);                                                                       \
        background_color_range_start_ = other.background_color_range_start_;                       \
        button_width_ = other.button_width_;                                                       \
        button_height_ = other.button_height_;                                                     \
        button_viewable_count_ = other.button_viewable_count_;                                     \
        button_space_ = other.button_space_;                                                       \
        scrollbar_space_ = other.scrollbar_space_;                                                 \
        scrollbar_thickness_ = other.scrollbar_thickness_;                                         \
    }

#define KV_UI_BUTTON_LINE_KEYS                                                                     \
    KV_UI_GEOMETRY_KEYS(uikey::kDecoded), KV_UI_FACE_COLOUR_KEYS(uikey::kDecoded),                 \
        KV_UI_BACKGROUND_IMAGE_KEYS(uikey::kDecoded, uikey::kDecoded),                             \
        uikey::Text<&C::child_identifier_list_>("childidentifierlist"),                            \
        uikey::Text<&C::text_>("text"), uikey::Float<&C::text_magnify_>("textmagnify"),            \
        uikey::UInt<&C::uiid_>("uiid"), KV_UI_EDGE_KEYS(uikey::kDecoded),                          \
        KV_UI_IMAGE_AREA_KEYS(uikey::kDecoded),                                                    \
        uikey::Color<&C::background_color_range_start_>("backgroundcolorrangestart"),              \
        uikey::Keyword<&C::window_style_>("windowstyle"),                                          \
        uikey::Keyword<&C::font_weight_>("fontweight"),                                            \
        uikey::Color<&C::text_background_color_>("textbackgroundcolor"),                           \
        uikey::Int<&C::button_width_>("buttonwidth"),                                              \
        uikey::Int<&C::button_height_>("buttonheight"),                                            \
        uikey::UInt<&C::button_viewable_count_>("buttonviewablecount"),                            \
        uikey::UInt<&C::button_space_>("buttonspace"), uikey::Keyword<&C::style_>("style"),        \
        uikey::UInt<&C::scrollbar_space_>("scrollbarspace"),                                       \
        uikey::UInt<&C::scrollbar_thickness_>("scrollbarthickness"),                               \
        KV_UI_TEXT_AREA_KEYS(uikey::kDecoded), uikey::Keyword<&C::font_style_>("fontstyle"),       \
        uikey::UInt<&C::font_escapement_>("fontescapement"),                                       \
        uikey::Keyword<&C::text_style_>("textstyle")

class CKvUIObjectButtonLine : public CKvUIObject,
                              public UIButtonLineAccessors<CKvUIObjectButtonLine> {
public:
    CKvUIObjectButtonLine(CKvUIObjectCatalog* owner, std::uint32_t id, const char* identifier);
    // Copies the owner, numeric id, "fontescapement", "fontstyle",
    // "textstyle" and the own properties but "style".
    CKvUIObjectButtonLine& operator=(const CKvUIObjectButtonLine& other);
    // A new description (no owner, id 0, no identifier) assigned from the
    // other, as Clone makes it.
    CKvUIObjectButtonLine(const CKvUIObjectButtonLine& other)
        : CKvUIObjectButtonLine(nullptr, 0, nullptr) {
        *this = other;
    }

    // The own properties but "style"; the base's stay.
    void Reset() override;
    BOOL Clone(CKvUIObject*& out) const override { return CloneAs(*this, out); }
    BOOL CopyTo(CKvUIObject* target) const override { return CopyAs(*this, target); }

protected:
    const Form& GetForm() const override;

private:
    template <typename> friend class UIBackgroundAccessors;
    template <typename> friend class UIFaceAccessors;
    template <typename> friend class UIImageAreaAccessors;
    template <typename> friend class UITextAreaAccessors;
    template <typename> friend class UIButtonLineAccessors;
    KV_UI_BUTTON_LINE_MEMBERS
};
