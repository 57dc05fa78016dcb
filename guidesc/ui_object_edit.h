#pragma once
// CKvUIObjectEdit: the description of a "UIOBJECTEDIT" element, a skinned edit box
// with its edit styles and input flags. Most keys are read as the document
// stores them.

#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

class CKvUIObjectEdit : public CKvUIObject {
public:
    CKvUIObjectEdit(CKvUIObjectCatalog* owner, std::uint32_t id, const char* identifier);
    // Copies the base (not the identifier, the child identifier set or
    // "text2") and the two input flags; the face, image area, background
    // image and edit style stay this object's own.
    CKvUIObjectEdit& operator=(const CKvUIObjectEdit& other);
    // A new description (no owner, id 0, no identifier) assigned from the
    // other, as Clone makes it.
    CKvUIObjectEdit(const CKvUIObjectEdit& other) : CKvUIObjectEdit(nullptr, 0, nullptr) {
        *this = other;
    }

    // Every base property back to its default (owner and identifier
    // included, the child identifier limit 0) and the two input flags 0; the
    // face, image area, background image and edit style stay.
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
    KvResult SetBackgroundColorRangeStartText(const std::string& text) {
        return SetColorField(background_color_range_start_, text);
    }
    std::string& GetBackgroundColorRangeStartText(std::string& out) const {
        return FormatColor(out, background_color_range_start_);
    }
    COLORREF& GetBackgroundColorRangeStart() { return background_color_range_start_; }
    void SetFlagOnlyIA5CharsText(const std::string& text) {
        SetFlagField(flag_only_ia5_chars_, text);
    }
    std::string& GetFlagOnlyIA5CharsText(std::string& out) const {
        return FormatFlag(out, flag_only_ia5_chars_);
    }
    std::uint32_t& GetFlagOnlyIA5Chars() { return flag_only_ia5_chars_; }
    void SetFlagRestrictedText(const std::string& text) { SetFlagField(flag_restricted_, text); }
    std::string& GetFlagRestrictedText(std::string& out) const {
        return FormatFlag(out, flag_restricted_);
    }
    std::uint32_t& GetFlagRestricted() { return flag_restricted_; }
    // The table's result, like every keyword setter.
    KvResult SetEditStyleText(const std::string& text) { return edit_style_.SetText(text); }
    KvResult SetEditStyle(std::uint32_t value) { return edit_style_.FormatText(value); }
    std::uint32_t GetEditStyle() const { return edit_style_.GetValue(); }
    std::string& GetEditStyleText(std::string& out) const { return edit_style_.GetText(out); }

protected:
    const Form& GetForm() const override;

private:
    static constexpr std::uint32_t kDefaultWindowStyle = 0x40000000; // WS_CHILD

    KV_UI_FACE_MEMBERS
    KV_UI_IMAGE_AREA_MEMBERS
    COLORREF background_color_range_start_ = kWhite;
    std::uint32_t flag_only_ia5_chars_ = 0;
    std::uint32_t flag_restricted_ = 0;
    EditStyleTable edit_style_;
};
