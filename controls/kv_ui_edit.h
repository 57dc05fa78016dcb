#pragma once
// CKvUIEdit: the skinned single-line edit. A character filter (excluded
// characters, or the IA5 set), a restricted mode that only appends, solid
// colours through the reflected WM_CTLCOLOR and a tooltip.

#include "guidesc/ui_object_edit.h"
#include "platform/mfc/mfc_edit.h"
#include "platform/mfc/mfc_tooltip.h"

#include <cstdint>
#include <string>

class CKvUIEdit : public CEdit, public CKvUIObjectEdit {
public:
    CKvUIEdit();
    ~CKvUIEdit() override;

    // Takes "editstyle" from the catalog's description itself, since the
    // description's assignment leaves it out.
    KvResult ApplyDescription();
    KvResult CreateFromDescription(CWnd* parent, BOOL apply);

    static bool IsIA5Character(UINT character);
    bool IsCharacterAccepted(UINT character) const;

    std::uint32_t& GetIA5OnlyFlag() { return ia5_only_; }
    std::uint32_t& GetRestrictedFlag() { return restricted_; }
    std::uint32_t GetShiftHeldFlag() const { return shift_held_; }
    std::uint32_t& GetTooltipActiveFlag() { return tooltip_active_; }
    // The owner's characters that typing may not insert; IA5-only mode
    // ignores them.
    void SetExcludedCharacters(const std::string& characters) { excluded_ = characters; }
    const std::string& GetExcludedCharacters() const { return excluded_; }
    COLORREF& GetEditTextColor() { return text_colour_; }
    COLORREF& GetEditBackgroundColor() { return background_colour_; }
    COLORREF& GetDisabledBackgroundColor() { return disabled_background_colour_; }
    CToolTipCtrl& GetToolTip() { return tooltip_; }
    // Window style, font weight and magnification used at creation.
    DWORD& GetCreationStyle() { return creation_style_; }
    LONG& GetCreationFontWeight() { return font_weight_; }
    float& GetCreationTextMagnify() { return text_magnify_; }
    CFont& GetEditFont() { return font_; }

    BOOL PreTranslateMessage(MSG* message) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    HBRUSH CtlColor(CDC* dc, UINT type) override;

protected:
    void OnChar(UINT character, UINT repeat, UINT flags) override;
    void OnMouseMove(UINT flags, CPoint point) override;

private:
    void CreateToolTip();

    std::uint32_t ia5_only_ = 0;
    std::uint32_t shift_held_ = 0;
    std::uint32_t restricted_ = 0;
    COLORREF text_colour_ = 0x000000;
    COLORREF background_colour_ = 0xFFFFFF;
    COLORREF disabled_background_colour_ = 0xFFFFFF;
    CBrush brush_;
    std::string excluded_;
    std::uint32_t tooltip_active_ = 0;
    CToolTipCtrl tooltip_;

    DWORD creation_style_ = 0x50810000;  // WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP
    CRect window_rect_;
    CFont font_;
    LONG font_weight_ = 400;
    float text_magnify_ = 1.0f;
};
