#pragma once
// CKvUIStaticGroupBox: the owner-drawn group frame of the skinned windows, a
// one-pixel frame with rounded corners whose top (or bottom) line is broken
// by a caption, built from a "UIOBJECTSTATICGROUPBOX" description. It paints
// no background: what the parent painted below stays visible. It is disabled
// once created.

#include "controls/control_description.h"
#include "guidesc/ui_object_static_group_box.h"
#include "platform/mfc/mfc_controls.h"

#include <string>

class CKvUIStaticGroupBox : public CButton, public CKvUIObjectStaticGroupBox {
public:
    static constexpr DWORD kDefaultWindowStyle = WS_CHILD | BS_TYPEMASK;
    static constexpr COLORREF kDefaultCaptionColor = 0xD54600;
    // What a caption cut short ends with.
    static constexpr const char* kEllipsis = "..";

    CKvUIStaticGroupBox();
    ~CKvUIStaticGroupBox() override;

    KvResult ApplyDescription();
    KvResult CreateFromDescription(CWnd* parent, BOOL apply);
    void SetCaption(const std::string& caption);
    // Refreshed from the window text when there is a window.
    std::string& GetCaption();

    float& GetTextMagnifyRef() { return m_fTextMagnify; }
    std::uint32_t& GetCaptionFormat() { return m_nCaptionFormat; }
    std::uint32_t& GetFontStyleRef() { return m_nFontStyle; }
    std::int32_t& GetFontEscapementRef() { return m_nFontEscapement; }

    KvResult CreateFont();
    KvResult GetLastResult() const { return m_nLastResult; }
    const CRect& GetWindowRectangle() const { return m_rectWindow; }
    const CRect& GetFrameRectangle() const { return m_rectFrame; }
    const CRect& GetCaptionGap() const { return m_rectCaptionGap; }
    std::int32_t GetFontHeight() const { return m_nFontHeight; }
    std::uint32_t GetControlId() const { return m_nControlId; }

    // The caption as shown in the available width: the longest start of it
    // that fits with ".." after it, or ".." alone; a caption that fits stays
    // whole. Linear in the caption's length.
    static std::string FitCaption(CDC& dc, const std::string& caption, int available);

protected:
    void PreSubclassWindow() override;
    void OnPaint() override;
    BOOL OnEraseBkgnd(CDC*) override { return FALSE; }
    void OnNcPaint() override {}
    HBRUSH CtlColor(CDC*, UINT) override { return nullptr; }

    // Sets the caption gap.
    void DrawCaption(CDC& dc);
    void DrawFrame(CDC& dc);

private:
    KvResult m_nLastResult = KV_OK;
    CRect m_rectWindow;
    CRect m_rectFrame;
    CSize m_roundEdge{8, 8};
    std::uint32_t m_nControlId = 0;
    std::string m_strCaption;
    BOOL m_bDrawCaption = TRUE;
    COLORREF m_clrCaption = kDefaultCaptionColor;
    std::uint32_t m_clrTextBackground = 0xFF000000u;
    float m_fTextMagnify = 1.0f;
    std::uint32_t m_nCaptionFormat = DT_SINGLELINE;
    CRect m_rectCaptionGap;
    CFont m_font;
    LOGFONT m_logFont{};
    std::int32_t m_nFontWeight = FW_NORMAL;
    std::int32_t m_nFontEscapement = 0;
    std::uint32_t m_nFontStyle = 0;
    std::int32_t m_nFontHeight = 0;
    DWORD m_nWindowStyle = kDefaultWindowStyle;
};
