#pragma once
// Property sheets: a dialog-class window with a tab control over pages,
// each page a dialog from its template.

#include "platform/mfc/mfc_dialog.h"
#include "platform/mfc/mfc_tab.h"

#include <vector>

inline constexpr UINT PSM_SETCURSEL = WM_USER + 101;
inline constexpr UINT PSM_GETTABCONTROL = WM_USER + 116;
inline constexpr UINT PSM_GETCURRENTPAGEHWND = WM_USER + 118;
// The tab control's id inside a sheet.
inline constexpr int KV_SHEET_TAB_ID = 0x3020;

inline constexpr DWORD PSP_DEFAULT = 0x0000;
inline constexpr DWORD PSP_DLGINDIRECT = 0x0001;
inline constexpr DWORD PSP_USEHICON = 0x0002;
inline constexpr DWORD PSP_USEICONID = 0x0004;
inline constexpr DWORD PSP_USETITLE = 0x0008;
inline constexpr DWORD PSP_HASHELP = 0x0020;
inline constexpr DWORD PSP_PREMATURE = 0x0400;
inline constexpr DWORD PSP_HIDEHEADER = 0x0800;

inline constexpr DWORD PSH_DEFAULT = 0x0000;
inline constexpr DWORD PSH_PROPTITLE = 0x0001;
inline constexpr DWORD PSH_USEHICON = 0x0002;
inline constexpr DWORD PSH_USEICONID = 0x0004;
inline constexpr DWORD PSH_PROPSHEETPAGE = 0x0008;
inline constexpr DWORD PSH_USEPSTARTPAGE = 0x0040;
inline constexpr DWORD PSH_NOAPPLYNOW = 0x0080;
inline constexpr DWORD PSH_HASHELP = 0x0200;
inline constexpr DWORD PSH_MODELESS = 0x0400;
inline constexpr DWORD PSH_NOCONTEXTHELP = 0x02000000;

struct PROPSHEETPAGE {
    DWORD dwSize = sizeof(PROPSHEETPAGE);
    DWORD dwFlags = PSP_DEFAULT;
    HINSTANCE hInstance = nullptr;
    UINT nTemplateId = 0;
    HICON hIcon = nullptr;
    const char* pszTitle = nullptr;
    LPARAM lParam = 0;
};

struct PROPSHEETHEADER {
    DWORD dwSize = sizeof(PROPSHEETHEADER);
    DWORD dwFlags = PSH_DEFAULT;
    HWND hwndParent = nullptr;
    HINSTANCE hInstance = nullptr;
    HICON hIcon = nullptr;
    const char* pszCaption = nullptr;
    UINT nPages = 0;
    UINT nStartPage = 0;
};

class CPropertyPage : public CDialog {
public:
    // The caption string, when there is one, is the tab's text; else the
    // template's title.
    explicit CPropertyPage(UINT template_id, UINT caption_id = 0, UINT size = sizeof(PROPSHEETPAGE));
    const std::string& GetTabText();
    PROPSHEETPAGE m_psp;

protected:
    friend class CPropertySheet;
    // A child of the sheet filling rect (sheet client coordinates), hidden.
    BOOL CreatePage(HWND sheet, const RECT& rect);
    // The template's client size in pixels; false without a readable template.
    bool TemplateSize(SIZE& size);

    std::string m_strCaption;
    std::string m_tabText;
};

class CPropertySheet : public CDialog {
public:
    explicit CPropertySheet(UINT caption_id = 0, CWnd* parent = nullptr, UINT select_page = 0);
    void AddPage(CPropertyPage* page);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int index) const;
    int GetPageIndex(const CPropertyPage* page) const;
    int GetActiveIndex() const { return m_active; }
    CPropertyPage* GetActivePage() const { return GetPage(m_active); }
    // Shows the page and hides the one shown before; when the focus was on
    // that one, it goes to the tab control.
    BOOL SetActivePage(int index);
    // The tab control's object when one subclassed it; the sheet makes the
    // tab without one (PSM_GETTABCONTROL gives the window).
    CTabCtrl* GetTabControl() const;
    // Modeless; a child sheet (WS_CHILD, DS_CONTROL) has no buttons.
    BOOL Create(CWnd* parent = nullptr, DWORD style = static_cast<DWORD>(-1), DWORD ex_style = 0);
    std::intptr_t DoModal() override;

    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Ctrl+Tab and Ctrl+Page Down show the next page, Ctrl+Shift+Tab and
    // Ctrl+Page Up the previous one, round the ends.
    BOOL PreTranslateMessage(MSG* message) override;

    PROPSHEETHEADER m_psh;
    std::string m_strCaption;

protected:
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    // The sheet answers its controls' colours itself: nothing is reflected.
    HBRUSH OnCtlColor(CDC*, CWnd*, UINT) override { return reinterpret_cast<HBRUSH>(Default()); }
    void BuildTemplate(DWORD style, DWORD ex_style);

    std::vector<CPropertyPage*> m_pages;
    HWND m_tab = nullptr;
    RECT m_pageRect{};
    int m_active = -1;
};
