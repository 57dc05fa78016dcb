#pragma once
// CKvUIXPButton: the push button of the skinned dialogs and pages, built
// from a "UIOBJECTXPBUTTON" description. An owner-drawn, double-buffered
// pill-shaped face over a copy of the parent's background, with hover (from
// mouse tracking), focus and disabled looks, a tooltip and a window region
// that follows the rounding flags. Clicks reach the parent as BN_CLICKED.

#include "controls/control_description.h"
#include "controls/kv_painter.h"
#include "guidesc/ui_object_xp_button.h"
#include "platform/mfc/mfc_controls.h"
#include "platform/mfc/mfc_tooltip.h"

#include <cstdint>
#include <string>

class CKvUIXPButton : public CButton, public CKvUIObjectXPButton {
public:
    // WS_CHILD | BS_FLAT | BS_BITMAP | BS_OWNERDRAW.
    static constexpr DWORD kWindowStyle = 0x4000808B;
    static constexpr COLORREF kDisabledTextColor = 0x92A1A1;
    static constexpr std::uint32_t kTransparentTextBackground = 0xFF000000u;
    // The hover time asked of the mouse tracking, in milliseconds.
    static constexpr DWORD kHoverTimeMs = 1;

    // The looks of the face and its rings, from the outside in.
    enum Look { kNormalLook = 0, kHoverLook = 1, kFocusLook = 2 };
    enum Ring { kOuterRing = 0, kRing2 = 1, kRing3 = 2, kInnerRing = 3 };
    enum Side { kTop = 0, kBottom = 1, kLeft = 2, kRight = 3 };
    static COLORREF RingColor(Look look, Ring ring, Side side);

    explicit CKvUIXPButton(CKvUIObjectCatalog* owner = nullptr, const char* identifier = nullptr);
    ~CKvUIXPButton() override;

    // The button's defaults; the description's own properties stay but the
    // four rounding flags.
    void Reset() override;

    KvResult ApplyDescription();
    KvResult CreateFromDescription(CWnd* parent, BOOL apply);
    void SetCaption(const std::string& caption) { m_strCaption = caption; }
    std::string& GetCaptionBuffer() { return m_strCaption; }
    virtual void SetVisible(BOOL visible);
    int SetTooltipWidth(int width);
    void RelayToolTipEvent(UINT message, WPARAM wParam, LPARAM lParam);
    // A page's composed background, which the page owns; read at the first draw.
    CDC*& GetParentBackgroundRef() { return m_pParentBackground; }

    std::uint32_t& GetButtonAsStaticRef() { return m_bButtonAsStatic; }
    float& GetTextMagnifyRef() { return m_fTextMagnify; }
    std::uint32_t& GetTextFormat() { return m_nTextFormat; }
    std::int32_t& GetFontWeightRef() { return m_nFontWeight; }
    std::uint32_t& GetFontStyleRef() { return m_nFontStyle; }
    std::int32_t& GetFontEscapementRef() { return m_nFontEscapement; }

    void SetTextArea(const CRect& text, CPoint position);
    const CRect& BuildFaceRegion();
    void BuildWindowRegion(int roundX, int roundY, BOOL left, BOOL right, BOOL top, BOOL bottom);

    void DrawItem(DRAWITEMSTRUCT* item) override;
    void DrawButton(CDC* pDC, const CRect& item, UINT state);
    KvResult CreateFont();

    KvResult GetLastResult() const { return m_nLastResult; }
    BOOL IsHovering() const { return m_bHover; }
    BOOL IsPressed() const { return m_bPressed; }
    std::uint32_t GetTooltipFlag() const { return m_bTooltipActive; }
    CToolTipCtrl& GetToolTip() { return m_tooltip; }
    const CRect& GetWindowRectangle() const { return m_rectWindow; }
    const CRect& GetFaceRectangle() const { return m_rectFace; }
    const CRect& GetTextRectangle() const { return m_rectText; }
    CPoint GetTextPosition() const { return m_ptText; }
    CRgn& GetWindowRegion() { return m_rgnWindow; }
    const std::string& GetCaption() const { return m_strCaption; }
    // The caption as last drawn and its rectangle and format.
    const std::string& GetShownText() const { return m_strShown; }
    const CRect& GetShownRectangle() const { return m_rectShown; }
    UINT GetShownFormat() const { return m_nShownFormat; }
    const LOGFONT& GetLogFont() const { return m_logFont; }
    BOOL HasBackground() const { return m_bmpBackground.GetSafeHandle() != nullptr; }

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnLButtonUp(UINT flags, CPoint point) override;
    BOOL OnEraseBkgnd(CDC*) override { return m_nEraseResult; }
    void OnMouseMove(UINT flags, CPoint point) override;

private:
    void ResetMembers();
    void RelayMouse(UINT flags, CPoint point);
    // Asks for hover and leave notices; the answer becomes the tracking flag.
    void StartTracking();
    void TakeBackground();
    void DrawFace(CDC& dc, UINT state);
    void DrawCaption(CDC& dc, UINT state);
    Look LookFor(UINT state) const;

    KvResult m_nLastResult = KV_OK;
    std::uint32_t m_bButtonAsStatic = 0;
    BOOL m_bHover = FALSE;
    BOOL m_bTracking = FALSE;
    BOOL m_bPressed = FALSE;
    BOOL m_bDrawCaption = TRUE;
    BOOL m_bSubclassed = FALSE;
    BOOL m_nEraseResult = TRUE;
    std::string m_strCaption;
    CRect m_rectWindow;
    DWORD m_nWindowStyle = kWindowStyle;
    std::uint32_t m_nControlId = 0;
    BOOL m_bVisible = TRUE;
    CRgn m_rgnWindow;
    CSize m_roundEdge{0, 0};
    int m_nCornerCut = 2;
    CRect m_rectFace;
    CRect m_rectText;
    CPoint m_ptText;
    CBitmap m_bmpBackground;
    CKvPainter m_painter;
    COLORREF m_clrText = 0x000000;
    std::uint32_t m_clrTextBackground = kTransparentTextBackground;
    COLORREF m_clrDisabledText = kDisabledTextColor;
    float m_fTextMagnify = 1.0f;
    std::uint32_t m_nTextFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    CFont m_font;
    LOGFONT m_logFont{};
    std::int32_t m_nFontWeight = FW_NORMAL;
    std::int32_t m_nFontEscapement = 0;
    std::uint32_t m_nFontStyle = 0;
    CToolTipCtrl m_tooltip;
    std::uint32_t m_bTooltipActive = 0;
    CDC* m_pParentBackground = nullptr;

    // The composed face (background, face and caption) of each look,
    // enabled and disabled, kept for the next draw of the same look.
    struct Face {
        CBitmap bitmap;
        std::string text;
        UINT format = 0;
        bool background = false;
    };
    void ForgetFaces();
    Face m_faces[3][2];

    std::string m_strShown;
    CRect m_rectShown;
    UINT m_nShownFormat = 0;
};
