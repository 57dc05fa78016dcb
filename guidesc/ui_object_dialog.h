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

    KV_UI_UINT_ACCESSORS(RoundEdgeX, round_edge_x_)
    KV_UI_UINT_ACCESSORS(RoundEdgeY, round_edge_y_)
    KV_UI_RESOURCE_OR_FILE_ACCESSORS(BackgroundImage, background_image_file_, background_image_id_)
    KV_UI_FLAG_ACCESSORS(FlagBackgroundImageHasTransparent, flag_background_image_has_transparent_)
    KV_UI_FLAG_ACCESSORS(FlagBackgroundImageIsPacked, flag_background_image_is_packed_)
    KV_UI_FLAG_ACCESSORS(FlagSizeFollowBackgroundImage, flag_size_follow_background_image_)
    KV_UI_FLAG_ACCESSORS(FlagBackgroundWallpaper, flag_background_wallpaper_)
    KV_UI_KEPT_COLOR_ACCESSORS(TransparentColor, transparent_color_)
    KV_UI_COLOR_ACCESSORS(BackgroundColorRangeStart, background_color_range_start_)
    KV_UI_STYLE_ACCESSORS(Style, style_)
    KV_UI_RESOURCE_OR_FILE_ACCESSORS(BorderImage, border_image_file_, border_image_id_)
    KV_UI_STYLE_ACCESSORS(DialogStyle, dialog_style_)
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
