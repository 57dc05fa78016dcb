#pragma once
// CKvTab: the owner-drawn tab control of a skinned property sheet, which
// paints its tabs and background in the sheet description's colours.

#include "platform/mfc/mfc_tab.h"

class CKvTab : public CTabCtrl {
public:
    static constexpr COLORREF kTextColor = 0x460000;
    static constexpr COLORREF kBackgroundColor = 0xD8E9EC;
    static constexpr COLORREF kTabColor = 0xFFFFFF;
    // The text of a tab as drawn: at most this many characters.
    static constexpr int kTextLimit = 63;

    CKvTab();

    void SetBackgroundColor(COLORREF color);
    void SetTabColor(COLORREF color);
    COLORREF GetBackgroundColor() const { return m_clrBackground; }
    COLORREF GetTabColor() const { return m_clrTab; }

    HBRUSH CtlColor(CDC* pDC, UINT type) override;
    void DrawItem(DRAWITEMSTRUCT* item) override;
    // The text of the last tab drawn.
    const std::string& GetDrawnText() const { return m_drawnText; }

protected:
    void PreSubclassWindow() override;
    BOOL OnEraseBkgnd(CDC* pDC) override;

private:
    // NULL_BRUSH while the background colour's top byte is 0xFF.
    HBRUSH BackgroundBrush() const;

    COLORREF m_clrText = kTextColor;
    COLORREF m_clrBackground = kBackgroundColor;
    CBrush m_brushBackground;
    COLORREF m_clrTab = kTabColor;
    CBrush m_brushTab;
    std::string m_drawnText;
};
