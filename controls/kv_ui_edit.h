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

    std::uint32_t& GetIA5OnlyFlag() { return m_nIA5Only; }
    std::uint32_t& GetRestrictedFlag() { return m_nRestricted; }
    std::uint32_t GetShiftHeldFlag() const { return m_nShiftHeld; }
    std::uint32_t& GetTooltipActiveFlag() { return m_nTooltipActive; }
    // The owner's characters that typing may not insert; IA5-only mode
    // ignores them.
    void SetExcludedCharacters(const std::string& characters) { m_strExcluded = characters; }
    const std::string& GetExcludedCharacters() const { return m_strExcluded; }
    COLORREF& GetEditTextColor() { return m_clrText; }
    COLORREF& GetEditBackgroundColor() { return m_clrBackground; }
    COLORREF& GetDisabledBackgroundColor() { return m_clrDisabledBackground; }
    CToolTipCtrl& GetToolTip() { return m_tooltip; }
    // Window style, font weight and magnification used at creation.
    DWORD& GetCreationStyle() { return m_nCreationStyle; }
    LONG& GetCreationFontWeight() { return m_nFontWeight; }
    float& GetCreationTextMagnify() { return m_fTextMagnify; }
    CFont& GetEditFont() { return m_font; }

    BOOL PreTranslateMessage(MSG* message) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    HBRUSH CtlColor(CDC* dc, UINT type) override;

protected:
    void OnChar(UINT character, UINT repeat, UINT flags) override;
    void OnMouseMove(UINT flags, CPoint point) override;

private:
    void CreateToolTip();

    std::uint32_t m_nIA5Only = 0;
    std::uint32_t m_nShiftHeld = 0;
    std::uint32_t m_nRestricted = 0;
    COLORREF m_clrText = 0x000000;
    COLORREF m_clrBackground = 0xFFFFFF;
    COLORREF m_clrDisabledBackground = 0xFFFFFF;
    CBrush m_brush;
    std::string m_strExcluded;
    std::uint32_t m_nTooltipActive = 0;
    CToolTipCtrl m_tooltip;

    DWORD m_nCreationStyle = 0x50810000;  // WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP
    CRect m_rectWindow;
    CFont m_font;
    LONG m_nFontWeight = 400;
    float m_fTextMagnify = 1.0f;
};
