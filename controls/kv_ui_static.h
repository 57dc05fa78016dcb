#pragma once
// CKvUIStatic: the owner-drawn static text and image of the skinned windows,
// built from a "UIOBJECTSTATIC" description. It composes its background once
// (colour, gradient or the parent's own composed background, with an image
// blended or tiled over it) and draws its text over it on every paint. It is
// disabled once created, so clicks pass to the window below.

#include "controls/control_description.h"
#include "controls/kv_bitmap.h"
#include "controls/skin_background.h"
#include "guidesc/ui_object_static.h"
#include "platform/mfc/mfc_controls.h"

#include <string>

class CKvUIStatic : public CStatic, public CKvUIObjectStatic {
public:
    static constexpr DWORD kDefaultWindowStyle = WS_CHILD | SS_OWNERDRAW;
    static constexpr COLORREF kDefaultBackgroundColor = 0xFFFEFD;
    static constexpr std::uint32_t kTransparentTextBackground = 0xFF000000u;

    CKvUIStatic();
    ~CKvUIStatic() override;

    KvResult ApplyDescription();
    KvResult CreateFromDescription(CWnd* parent, BOOL apply);
    // Takes effect at the next paint; invalidates the window when there is one.
    void SetText(const std::string& text);
    virtual void SetCaption(const char* text);
    // The parent's composed background, which the parent owns and which must
    // outlive the control; written by the creator before creation.
    CDC*& GetParentBackgroundRef() { return m_pParentBackground; }

    std::string& GetStaticText() { return m_strText; }
    float& GetTextMagnifyRef() { return m_fTextMagnify; }
    std::uint32_t& GetTextFormat() { return m_nTextFormat; }
    std::int32_t& GetFontWeightRef() { return m_nFontWeight; }
    std::uint32_t& GetFontStyleRef() { return m_nFontStyle; }
    std::int32_t& GetFontEscapementRef() { return m_nFontEscapement; }

    // Composes once, then copies the composition; 1.
    int Paint(CDC* pDC);
    KvResult DrawText(CDC* pDC);
    KvResult CreateFont();
    const LOGFONT& GetLogFont() const { return m_logFont; }

    KvResult GetLastResult() const { return m_nLastResult; }
    const CRect& GetWindowRectangle() const { return m_rectWindow; }
    const CRect& GetClientRectangle() const { return m_rectClient; }
    bool IsComposed() { return m_composition.Exists(); }
    CKvBitmap& GetBackgroundImage() { return m_backgroundImage; }
    std::uint32_t GetControlId() const { return m_nControlId; }
    BOOL IsSubclassed() const { return m_bSubclassed; }

protected:
    void PreSubclassWindow() override;
    void OnPaint() override;
    BOOL OnEraseBkgnd(CDC*) override { return static_cast<BOOL>(Default()); }
    void OnNcPaint() override {}
    HBRUSH OnCtlColor(CDC* pDC, CWnd*, UINT) override { return CtlColor(pDC, 0); }
    HBRUSH CtlColor(CDC* pDC, UINT) override;

    void LoadBackgroundImage(CDC* pDC);
    void ComposeBackground(CDC* pDC);

private:
    // The parent's composition exists but has not been made yet.
    bool ParentBackgroundPending() const;

    KvResult m_nLastResult = KV_OK;
    std::uint32_t m_nStyle = 0;
    std::uint32_t m_nFontStyle = 0;
    std::int32_t m_nFontEscapement = 0;
    CRect m_rectWindow;
    CRect m_rectClient;
    CSize m_roundEdge{8, 8};
    CRect m_rectText;
    std::uint32_t m_nControlId = 0;
    DWORD m_nWindowStyle = kDefaultWindowStyle;
    BOOL m_bDrawText = TRUE;
    COLORREF m_clrText = 0x000000;
    COLORREF m_clrBackground = kDefaultBackgroundColor;
    COLORREF m_clrGradientStart = 0xFFFFFF;
    std::uint32_t m_clrTextBackground = kTransparentTextBackground;
    float m_fTextMagnify = 1.0f;
    std::uint32_t m_nTextFormat = DT_VCENTER | DT_SINGLELINE;
    std::string m_strText;
    BOOL m_bSubclassed = FALSE;
    CFont m_font;
    LOGFONT m_logFont{};
    std::int32_t m_nFontWeight = FW_NORMAL;
    KvMemorySurface m_composition;
    CKvBitmap m_backgroundImage;
    CDC* m_pParentBackground = nullptr;
};
