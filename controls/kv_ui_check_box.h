#pragma once
// CKvUICheckBox: the owner-drawn two-state check box of the configuration
// pages, built from a "UIOBJECTCHECKBOX" description. A white rounded box at
// the left edge, a rounded mark when checked, the caption from x = 20 and a
// rounded focus frame, over the parent's pixels or a solid colour.

#include "controls/control_description.h"
#include "guidesc/ui_object_check_box.h"
#include "platform/mfc/mfc_controls.h"
#include "platform/mfc/mfc_tooltip.h"

#include <cstdint>
#include <memory>
#include <string>

class CKvUICheckBox : public CButton, public CKvUIObjectCheckBox {
public:
    // WS_CHILD | BS_PUSHBOX: hidden and without a tab stop until shown; the
    // type becomes BS_OWNERDRAW while the window is made.
    static constexpr DWORD kWindowStyle = WS_CHILD | BS_PUSHBOX;

    CKvUICheckBox();
    ~CKvUICheckBox() override;

    KvResult ApplyDescription();
    KvResult CreateFromDescription(CWnd* parent, BOOL apply);
    void SetCaption(const std::string& caption) { m_strCaption = caption; }
    std::string& GetCaptionBuffer() { return m_strCaption; }
    void SetControlId(std::uint32_t id) { m_nControlId = id; }
    // The answer of TTM_SETMAXTIPWIDTH; see KvSetToolTipWidth.
    int SetTooltipWidth(int width);
    void RelayToolTipEvent(UINT message, WPARAM wParam, LPARAM lParam);

    void DrawItem(DRAWITEMSTRUCT* item) override;
    int DrawBackground(CDC* pDC);
    KvResult CopyParentBackground();
    static void DrawRoundedFrame(CDC* pDC, const CRect& rect, CSize corner);
    KvResult DrawCaption(CDC* pDC);
    KvResult CreateFont();

    KvResult GetLastResult() const { return m_nLastResult; }
    std::uint32_t IsChecked() const { return m_nChecked; }
    std::uint32_t GetTooltipFlag() const { return m_nTooltip; }
    CToolTipCtrl& GetToolTip() { return m_tooltip; }
    const CRect& GetWindowRectangle() const { return m_rectWindow; }
    const CRect& GetCaptionRectangle() const { return m_rectCaption; }
    const std::string& GetCaption() const { return m_strCaption; }
    std::uint32_t GetControlId() const { return m_nControlId; }
    const LOGFONT& GetLogFont() const { return m_logFont; }
    CFont& GetCaptionFont() { return m_font; }
    COLORREF& GetCheckTextColor() { return m_clrText; }
    COLORREF& GetCheckTextBackgroundColor() { return m_clrTextBackground; }
    COLORREF& GetCheckBackgroundColor() { return m_clrBackground; }
    std::uint32_t GetDrawnState() const { return m_nDisabled | m_nFocused | m_nPushed; }

    // The box and mark of a client rectangle.
    static CRect BoxRect(const CRect& client);
    static CRect MarkRect(const CRect& client);

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    HBRUSH OnCtlColor(CDC* pDC, CWnd*, UINT) override;
    BOOL OnEraseBkgnd(CDC* pDC) override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnLButtonUp(UINT flags, CPoint point) override;
    void OnKeyDown(UINT key, UINT repeat, UINT flags) override;
    void OnMouseMove(UINT flags, CPoint point) override;
    void OnCaptureChanged(CWnd*) override;

private:
    void Toggle();
    void MakeToolTip();

    KvResult& Result() { return m_nLastResult; }

    KvResult m_nLastResult = KV_OK;
    DWORD m_nWindowStyle = kWindowStyle;
    CRect m_rectWindow;
    CRect m_rectClient;
    CRect m_rectCaption;
    std::uint32_t m_nChecked = 0;
    std::uint32_t m_nDisabled = 0;
    std::uint32_t m_nFocused = 0;
    std::uint32_t m_nPushed = 0;
    COLORREF m_clrText = 0;
    COLORREF m_clrTextBackground = 0xFFFFFF;
    COLORREF m_clrBackground = 0xFFFFFF;
    float m_fTextMagnify = 1.0f;
    UINT m_nCaptionFormat = 0;
    std::string m_strCaption;
    std::uint32_t m_nControlId = 0;
    CFont m_font;
    LOGFONT m_logFont{};
    std::int32_t m_nFontWeight = FW_NORMAL;
    BOOL m_bWindowReady = FALSE;
    std::unique_ptr<CDC> m_pSavedBackground;
    CBitmap m_savedBitmap;
    std::uint32_t m_nTooltip = 0;
    CToolTipCtrl m_tooltip;
    // A press began on the box and has not been released.
    bool m_bPressed = false;
};
