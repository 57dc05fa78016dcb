#pragma once
// CKvUIObjectDialog: the description of a "UIOBJECTDIALOG" element, the
// skinned dialogs' and property pages' geometry, images, colours and styles.

#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

class CKvUIObjectDialog : public CKvUIObject {
public:
    CKvUIObjectDialog(CKvUIObjectCatalog* owner, std::uint32_t id, const char* identifier);
    // Copies the dialog's own properties, the owner, the numeric id, the text,
    // the background colour and the window styles; the identifier, geometry,
    // other colours, child identifiers, uiid, font, text style and tooltip
    // stay this object's own.
    CKvUIObjectDialog& operator=(const CKvUIObjectDialog& other);
    // A new description (no owner, id 0, no identifier) assigned from the
    // other, as Clone makes it.
    CKvUIObjectDialog(const CKvUIObjectDialog& other) : CKvUIObjectDialog(nullptr, 0, nullptr) {
        *this = other;
    }

    // Keeps "style", "windowstyleex", geometry, texts and identifier.
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
    KvResult SetBackgroundColorRangeStartText(const std::string& text) {
        return SetColorField(background_color_range_start_, text);
    }
    std::string& GetBackgroundColorRangeStartText(std::string& out) const {
        return FormatColor(out, background_color_range_start_);
    }
    COLORREF& GetBackgroundColorRangeStart() { return background_color_range_start_; }
    KvResult SetStyleText(const std::string& text) { return style_.SetText(text); }
    KvResult SetStyle(std::uint32_t value) { return style_.FormatText(value); }
    std::uint32_t GetStyle() const { return style_.GetValue(); }
    std::string& GetStyleText(std::string& out) const { return style_.GetText(out); }
    void SetBorderImageText(const std::string& text) {
        SetResourceOrFileField(border_image_file_, border_image_id_, text);
    }
    std::string& GetBorderImageFile() { return border_image_file_; }
    std::uint32_t& GetBorderImageId() { return border_image_id_; }
    KvResult SetDialogStyleText(const std::string& text) { return dialog_style_.SetText(text); }
    KvResult SetDialogStyle(std::uint32_t value) { return dialog_style_.FormatText(value); }
    std::uint32_t GetDialogStyle() const { return dialog_style_.GetValue(); }
    std::string& GetDialogStyleText(std::string& out) const { return dialog_style_.GetText(out); }
    std::string& GetDiverseFlags() { return diverse_flags_; }

protected:
    const Form& GetForm() const override;

private:
    std::uint32_t round_edge_x_ = 0;
    std::uint32_t round_edge_y_ = 0;
    std::string background_image_file_;
    std::uint32_t background_image_id_ = 0;
    std::uint32_t flag_background_image_has_transparent_ = 0;
    std::uint32_t flag_background_image_is_packed_ = 0;
    std::uint32_t flag_size_follow_background_image_ = 0;
    std::uint32_t flag_background_wallpaper_ = 0;
    COLORREF transparent_color_ = kWhite;
    COLORREF background_color_range_start_ = kWhite;
    DialogStyleTable style_;
    std::string border_image_file_;
    std::uint32_t border_image_id_ = 0;
    DialogTemplateStyleTable dialog_style_;
    std::string diverse_flags_;
};
