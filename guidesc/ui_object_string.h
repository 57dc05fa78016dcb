#pragma once
// CKvUIObjectString: the description of a "UIOBJECTSTRING" element, a named
// user-visible text ("UIObjString_..."); the catalog hands out its "text".

#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

class CKvUIObjectString : public CKvUIObject {
public:
    CKvUIObjectString(CKvUIObjectCatalog* owner, std::uint32_t id, const char* identifier);
    // Copies the owner, the numeric id, the head, "style", the border image,
    // "text", "windowstyle" and "backgroundcolor"; the identifier, geometry,
    // "textcolor", child identifiers and "uiid" stay this object's own.
    CKvUIObjectString& operator=(const CKvUIObjectString& other);
    // A new description (no owner, id 0, no identifier) assigned from the
    // other, as Clone makes it.
    CKvUIObjectString(const CKvUIObjectString& other) : CKvUIObjectString(nullptr, 0, nullptr) {
        *this = other;
    }

    // The head and the border image; "style" and the base properties stay.
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

protected:
    const Form& GetForm() const override;

private:
    KV_UI_HEAD_MEMBERS
    DialogStyleTable style_;
    std::string border_image_file_;
    std::uint32_t border_image_id_ = 0;
};
