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

class CKvUIObjectButtonLine : public CKvUIObject {
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

    KvResult SetRoundEdgeXText(const std::string& text) {
        return SetUIntField(round_edge_x_, text);
    }
    std::string& GetRoundEdgeXText(std::string& out) const {
        return FormatUInt(out, round_edge_x_);
    }
    std::uint32_t& GetRoundEdgeX() { return round_edge_x_; }
    KvResult SetRoundEdgeYText(const std::string& text) {
        return SetUIntField(round_edge_y_, text);
    }
    std::string& GetRoundEdgeYText(std::string& out) const {
        return FormatUInt(out, round_edge_y_);
    }
    std::uint32_t& GetRoundEdgeY() { return round_edge_y_; }
    void SetBackgroundImageText(const std::string& text) {
        SetResourceOrFileField(background_image_file_, background_image_id_, text);
    }
    std::string& GetBackgroundImageFile() { return background_image_file_; }
    std::uint32_t& GetBackgroundImageId() { return background_image_id_; }
    void SetFlagBackgroundImageHasTransparentText(const std::string& text) {
        SetFlagField(flag_background_image_has_transparent_, text);
    }
    std::string& GetFlagBackgroundImageHasTransparentText(std::string& out) const {
        return FormatFlag(out, flag_background_image_has_transparent_);
    }
    std::uint32_t& GetFlagBackgroundImageHasTransparent() {
        return flag_background_image_has_transparent_;
    }
    void SetFlagBackgroundImageIsPackedText(const std::string& text) {
        SetFlagField(flag_background_image_is_packed_, text);
    }
    std::string& GetFlagBackgroundImageIsPackedText(std::string& out) const {
        return FormatFlag(out, flag_background_image_is_packed_);
    }
    std::uint32_t& GetFlagBackgroundImageIsPacked() { return flag_background_image_is_packed_; }
    void SetFlagSizeFollowBackgroundImageText(const std::string& text) {
        SetFlagField(flag_size_follow_background_image_, text);
    }
    std::string& GetFlagSizeFollowBackgroundImageText(std::string& out) const {
        return FormatFlag(out, flag_size_follow_background_image_);
    }
    std::uint32_t& GetFlagSizeFollowBackgroundImage() { return flag_size_follow_background_image_; }
    void SetFlagBackgroundWallpaperText(const std::string& text) {
        SetFlagField(flag_background_wallpaper_, text);
    }
    std::string& GetFlagBackgroundWallpaperText(std::string& out) const {
        return FormatFlag(out, flag_background_wallpaper_);
    }
    std::uint32_t& GetFlagBackgroundWallpaper() { return flag_background_wallpaper_; }
    KvResult SetTransparentColorText(const std::string& text) {
        return SetColorFieldKeeping(transparent_color_, text);
    }
    std::string& GetTransparentColorText(std::string& out) const {
        return FormatColor(out, transparent_color_);
    }
    COLORREF& GetTransparentColor() { return transparent_color_; }
    void SetFlagRoundEdgeLeftText(const std::string& text) {
        SetFlagField(flag_round_edge_left_, text);
    }
    std::string& GetFlagRoundEdgeLeftText(std::string& out) const {
        return FormatFlag(out, flag_round_edge_left_);
    }
    std::uint32_t& GetFlagRoundEdgeLeft() { return flag_round_edge_left_; }
    void SetFlagRoundEdgeRightText(const std::string& text) {
        SetFlagField(flag_round_edge_right_, text);
    }
    std::string& GetFlagRoundEdgeRightText(std::string& out) const {
        return FormatFlag(out, flag_round_edge_right_);
    }
    std::uint32_t& GetFlagRoundEdgeRight() { return flag_round_edge_right_; }
    void SetFlagButtonAsStaticText(const std::string& text) {
        SetFlagField(flag_button_as_static_, text);
    }
    std::string& GetFlagButtonAsStaticText(std::string& out) const {
        return FormatFlag(out, flag_button_as_static_);
    }
    std::uint32_t& GetFlagButtonAsStatic() { return flag_button_as_static_; }
    KvResult SetImageWidthText(const std::string& text) { return SetIntField(image_width_, text); }
    std::string& GetImageWidthText(std::string& out) const { return FormatInt(out, image_width_); }
    std::int32_t& GetImageWidth() { return image_width_; }
    KvResult SetImageHeightText(const std::string& text) {
        return SetIntField(image_height_, text);
    }
    std::string& GetImageHeightText(std::string& out) const {
        return FormatInt(out, image_height_);
    }
    std::int32_t& GetImageHeight() { return image_height_; }
    KvResult SetImagePositionXText(const std::string& text) {
        return SetIntField(image_position_x_, text);
    }
    std::string& GetImagePositionXText(std::string& out) const {
        return FormatInt(out, image_position_x_);
    }
    std::int32_t& GetImagePositionX() { return image_position_x_; }
    KvResult SetImagePositionYText(const std::string& text) {
        return SetIntField(image_position_y_, text);
    }
    std::string& GetImagePositionYText(std::string& out) const {
        return FormatInt(out, image_position_y_);
    }
    std::int32_t& GetImagePositionY() { return image_position_y_; }
    void SetFlagBorderText(const std::string& text) { SetFlagField(flag_border_, text); }
    std::string& GetFlagBorderText(std::string& out) const { return FormatFlag(out, flag_border_); }
    std::uint32_t& GetFlagBorder() { return flag_border_; }
    void SetFlagImageBorderText(const std::string& text) { SetFlagField(flag_image_border_, text); }
    std::string& GetFlagImageBorderText(std::string& out) const {
        return FormatFlag(out, flag_image_border_);
    }
    std::uint32_t& GetFlagImageBorder() { return flag_image_border_; }
    KvResult SetImageRoundEdgeXText(const std::string& text) {
        return SetUIntField(image_round_edge_x_, text);
    }
    std::string& GetImageRoundEdgeXText(std::string& out) const {
        return FormatUInt(out, image_round_edge_x_);
    }
    std::uint32_t& GetImageRoundEdgeX() { return image_round_edge_x_; }
    KvResult SetImageRoundEdgeYText(const std::string& text) {
        return SetUIntField(image_round_edge_y_, text);
    }
    std::string& GetImageRoundEdgeYText(std::string& out) const {
        return FormatUInt(out, image_round_edge_y_);
    }
    std::uint32_t& GetImageRoundEdgeY() { return image_round_edge_y_; }
    KvResult SetTextWidthText(const std::string& text) { return SetIntField(text_width_, text); }
    std::string& GetTextWidthText(std::string& out) const { return FormatInt(out, text_width_); }
    std::int32_t& GetTextWidth() { return text_width_; }
    KvResult SetTextHeightText(const std::string& text) { return SetIntField(text_height_, text); }
    std::string& GetTextHeightText(std::string& out) const { return FormatInt(out, text_height_); }
    std::int32_t& GetTextHeight() { return text_height_; }
    KvResult SetTextPositionXText(const std::string& text) {
        return SetIntField(text_position_x_, text);
    }
    std::string& GetTextPositionXText(std::string& out) const {
        return FormatInt(out, text_position_x_);
    }
    std::int32_t& GetTextPositionX() { return text_position_x_; }
    KvResult SetTextPositionYText(const std::string& text) {
        return SetIntField(text_position_y_, text);
    }
    std::string& GetTextPositionYText(std::string& out) const {
        return FormatInt(out, text_position_y_);
    }
    std::int32_t& GetTextPositionY() { return text_position_y_; }
    KvResult SetBackgroundColorRangeStartText(const std::string& text) {
        return SetColorField(background_color_range_start_, text);
    }
    std::string& GetBackgroundColorRangeStartText(std::string& out) const {
        return FormatColor(out, background_color_range_start_);
    }
    COLORREF& GetBackgroundColorRangeStart() { return background_color_range_start_; }
    KvResult SetButtonWidthText(const std::string& text) {
        return SetIntField(button_width_, text);
    }
    std::string& GetButtonWidthText(std::string& out) const {
        return FormatInt(out, button_width_);
    }
    std::int32_t& GetButtonWidth() { return button_width_; }
    KvResult SetButtonHeightText(const std::string& text) {
        return SetIntField(button_height_, text);
    }
    std::string& GetButtonHeightText(std::string& out) const {
        return FormatInt(out, button_height_);
    }
    std::int32_t& GetButtonHeight() { return button_height_; }
    KvResult SetButtonViewableCountText(const std::string& text) {
        return SetUIntField(button_viewable_count_, text);
    }
    std::string& GetButtonViewableCountText(std::string& out) const {
        return FormatUInt(out, button_viewable_count_);
    }
    std::uint32_t& GetButtonViewableCount() { return button_viewable_count_; }
    KvResult SetButtonSpaceText(const std::string& text) {
        return SetUIntField(button_space_, text);
    }
    std::string& GetButtonSpaceText(std::string& out) const {
        return FormatUInt(out, button_space_);
    }
    std::uint32_t& GetButtonSpace() { return button_space_; }
    KvResult SetStyleText(const std::string& text) { return style_.SetText(text); }
    KvResult SetStyle(std::uint32_t value) { return style_.FormatText(value); }
    std::uint32_t GetStyle() const { return style_.GetValue(); }
    std::string& GetStyleText(std::string& out) const { return style_.GetText(out); }
    KvResult SetScrollbarSpaceText(const std::string& text) {
        return SetUIntField(scrollbar_space_, text);
    }
    std::string& GetScrollbarSpaceText(std::string& out) const {
        return FormatUInt(out, scrollbar_space_);
    }
    std::uint32_t& GetScrollbarSpace() { return scrollbar_space_; }
    KvResult SetScrollbarThicknessText(const std::string& text) {
        return SetUIntField(scrollbar_thickness_, text);
    }
    std::string& GetScrollbarThicknessText(std::string& out) const {
        return FormatUInt(out, scrollbar_thickness_);
    }
    std::uint32_t& GetScrollbarThickness() { return scrollbar_thickness_; }

protected:
    const Form& GetForm() const override;

private:
    KV_UI_BUTTON_LINE_MEMBERS
};
