#include "platform/mfc/mfc_sheet.h"

#include "platform/resources.h"

#include <algorithm>

namespace {

constexpr int kPopupMargin = 7;

}  // namespace

CPropertyPage::CPropertyPage(UINT template_id, UINT caption_id, UINT size) : CDialog(template_id) {
    m_psp.dwSize = size;
    m_psp.nTemplateId = template_id;
    if (caption_id != 0) {
        m_strCaption = KvLoadString(caption_id);
        if (!m_strCaption.empty()) {
            m_psp.dwFlags |= PSP_USETITLE;
            m_psp.pszTitle = m_strCaption.c_str();
        }
    }
}

const std::string& CPropertyPage::GetTabText() {
    if ((m_psp.dwFlags & PSP_USETITLE) != 0 && m_psp.pszTitle != nullptr) {
        m_tabText = m_psp.pszTitle;
        return m_tabText;
    }
    DialogTemplate parsed;
    m_tabText.clear();
    if (LoadTemplate() && ParseDialogTemplate(m_template.data(), m_template.size(), parsed))
        m_tabText = parsed.title;
    return m_tabText;
}

bool CPropertyPage::TemplateSize(SIZE& size) {
    DialogTemplate parsed;
    if (!LoadTemplate() || !ParseDialogTemplate(m_template.data(), m_template.size(), parsed))
        return false;
    size = DialogUnitsToPixels(parsed.cx, parsed.cy);
    return true;
}

BOOL CPropertyPage::CreatePage(HWND sheet, const RECT& rect) {
    if (!LoadTemplate() || m_template.size() < 4)
        return FALSE;
    // Pages are hidden children, whatever their template says.
    DWORD style = static_cast<DWORD>(static_cast<unsigned char>(m_template[0])) |
                  (static_cast<DWORD>(static_cast<unsigned char>(m_template[1])) << 8) |
                  (static_cast<DWORD>(static_cast<unsigned char>(m_template[2])) << 16) |
                  (static_cast<DWORD>(static_cast<unsigned char>(m_template[3])) << 24);
    style &= ~(WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME | DS_CENTER);
    style |= WS_CHILD | DS_CONTROL;
    for (int i = 0; i < 4; ++i)
        m_template[static_cast<std::size_t>(i)] = static_cast<char>((style >> (8 * i)) & 0xFF);
    if (!CreateFromTemplate(sheet))
        return FALSE;
    ::SetWindowPos(m_hWnd, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
}

CPropertySheet::CPropertySheet(UINT caption_id, CWnd* parent, UINT select_page) {
    m_pParentWnd = parent;
    m_strCaption = caption_id ? KvLoadString(caption_id) : std::string();
    m_psh.hwndParent = parent ? parent->m_hWnd : nullptr;
    m_psh.nStartPage = select_page;
    m_psh.pszCaption = m_strCaption.c_str();
}

void CPropertySheet::AddPage(CPropertyPage* page) {
    if (page == nullptr || GetPageIndex(page) >= 0)
        return;
    m_pages.push_back(page);
    m_psh.nPages = static_cast<UINT>(m_pages.size());
    if (m_tab != nullptr) {
        TCITEM item;
        item.mask = TCIF_TEXT;
        std::string text = page->GetTabText();
        item.pszText = text.data();
        ::SendMessage(m_tab, TCM_INSERTITEM, m_pages.size() - 1, reinterpret_cast<LPARAM>(&item));
    }
}

CPropertyPage* CPropertySheet::GetPage(int index) const {
    return index >= 0 && index < GetPageCount() ? m_pages[static_cast<std::size_t>(index)] : nullptr;
}

int CPropertySheet::GetPageIndex(const CPropertyPage* page) const {
    const auto found = std::find(m_pages.begin(), m_pages.end(), page);
    return found == m_pages.end() ? -1 : static_cast<int>(found - m_pages.begin());
}

CTabCtrl* CPropertySheet::GetTabControl() const {
    return dynamic_cast<CTabCtrl*>(CWnd::FromHandlePermanent(m_tab));
}

void CPropertySheet::BuildTemplate(DWORD style, DWORD ex_style) {
    // Sized at WM_INITDIALOG.
    m_template = BuildDialogTemplate(style, ex_style, 0, 0, 0, 0, m_strCaption);
}

BOOL CPropertySheet::Create(CWnd* parent, DWORD style, DWORD ex_style) {
    if (parent != nullptr)
        m_pParentWnd = parent;
    if (style == static_cast<DWORD>(-1))
        style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE;
    m_psh.dwFlags |= PSH_MODELESS;
    BuildTemplate(style, ex_style);
    return CreateFromTemplate(m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr);
}

std::intptr_t CPropertySheet::DoModal() {
    BuildTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0);
    return CDialog::DoModal();
}

BOOL CPropertySheet::OnInitDialog() {
    const bool child = (GetStyle() & WS_CHILD) != 0;
    const int margin = child ? 0 : kPopupMargin;
    m_tab = ::CreateWindowEx(0, KV_TAB_CLASS, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, margin, margin, 0, 0,
                             m_hWnd, reinterpret_cast<HMENU>(static_cast<std::intptr_t>(KV_SHEET_TAB_ID)), nullptr,
                             nullptr);
    if (m_tab == nullptr)
        return FALSE;
    ::SendMessage(m_tab, WM_SETFONT, static_cast<WPARAM>(SendMessage(WM_GETFONT)), FALSE);
    SIZE largest{0, 0};
    for (std::size_t i = 0; i < m_pages.size(); ++i) {
        TCITEM item;
        item.mask = TCIF_TEXT;
        std::string text = m_pages[i]->GetTabText();
        item.pszText = text.data();
        ::SendMessage(m_tab, TCM_INSERTITEM, i, reinterpret_cast<LPARAM>(&item));
        SIZE size{};
        if (m_pages[i]->TemplateSize(size)) {
            largest.cx = std::max(largest.cx, size.cx);
            largest.cy = std::max(largest.cy, size.cy);
        }
    }
    // Laid out once, from the largest page.
    RECT tab_rect{0, 0, largest.cx, largest.cy};
    ::SendMessage(m_tab, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&tab_rect));
    const int tab_w = tab_rect.right - tab_rect.left, tab_h = tab_rect.bottom - tab_rect.top;
    ::SetWindowPos(m_tab, nullptr, margin, margin, tab_w, tab_h, SWP_NOZORDER | SWP_NOACTIVATE);
    m_pageRect = RECT{margin, margin, margin + tab_w, margin + tab_h};
    ::SendMessage(m_tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&m_pageRect));
    RECT sheet{0, 0, tab_w + 2 * margin, tab_h + 2 * margin};
    ::AdjustWindowRectEx(&sheet, GetStyle(), FALSE, GetExStyle());
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, sheet.right - sheet.left, sheet.bottom - sheet.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (m_psh.hIcon != nullptr)
        SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_psh.hIcon));
    const int start = static_cast<int>(m_psh.nStartPage) < GetPageCount() ? static_cast<int>(m_psh.nStartPage) : 0;
    if (!m_pages.empty())
        SetActivePage(start);
    return CDialog::OnInitDialog();
}

BOOL CPropertySheet::SetActivePage(int index) {
    CPropertyPage* page = GetPage(index);
    if (page == nullptr || m_hWnd == nullptr)
        return FALSE;
    if (page->m_hWnd == nullptr && !page->CreatePage(m_hWnd, m_pageRect))
        return FALSE;
    CPropertyPage* old = GetPage(m_active);
    const HWND sheet = m_hWnd;
    const HWND focus = ::GetFocus();
    const bool focus_on_old = old != nullptr && old != page && old->m_hWnd != nullptr && focus != nullptr &&
                              (focus == old->m_hWnd || ::IsChild(old->m_hWnd, focus));
    m_active = index;
    if (m_tab != nullptr && ::SendMessage(m_tab, TCM_GETCURSEL, 0, 0) != index)
        ::SendMessage(m_tab, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    // The focus leaves the page for the tabs, whoever turned it, so that the
    // keys still reach the sheet; before the page hides, so that hiding it
    // takes no focus to place elsewhere first.
    if (focus_on_old && ::IsWindow(sheet) && m_tab != nullptr)
        ::SetFocus(m_tab);
    if (old != nullptr && old != page && old->m_hWnd != nullptr)
        old->ShowWindow(SW_HIDE);
    page->ShowWindow(SW_SHOW);
    return TRUE;
}

BOOL CPropertySheet::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (CDialog::OnNotify(wParam, lParam, result))
        return TRUE;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header == nullptr || header->hwndFrom != m_tab || m_tab == nullptr)
        return FALSE;
    if (header->code == TCN_SELCHANGING) {
        *result = 0;
        return TRUE;
    }
    if (header->code == TCN_SELCHANGE) {
        SetActivePage(static_cast<int>(::SendMessage(m_tab, TCM_GETCURSEL, 0, 0)));
        *result = 0;
        return TRUE;
    }
    return FALSE;
}

BOOL CPropertySheet::PreTranslateMessage(MSG* message) {
    if (message != nullptr && message->message == WM_KEYDOWN && ::GetKeyState(VK_CONTROL) < 0 &&
        ::GetKeyState(VK_MENU) >= 0 && GetPageCount() > 0 && m_hWnd != nullptr) {
        int step = 0;
        if (message->wParam == static_cast<WPARAM>(VK_TAB))
            step = ::GetKeyState(VK_SHIFT) < 0 ? -1 : 1;
        else if (message->wParam == static_cast<WPARAM>(VK_NEXT))
            step = 1;
        else if (message->wParam == static_cast<WPARAM>(VK_PRIOR))
            step = -1;
        if (step != 0) {
            const int count = GetPageCount();
            SetActivePage(((std::max(m_active, 0) + step) % count + count) % count);
            return TRUE;
        }
    }
    return CDialog::PreTranslateMessage(message);
}

LRESULT CPropertySheet::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case PSM_GETTABCONTROL:
        return reinterpret_cast<LRESULT>(m_tab);
    case PSM_GETCURRENTPAGEHWND: {
        CPropertyPage* page = GetActivePage();
        return reinterpret_cast<LRESULT>(page ? page->m_hWnd : nullptr);
    }
    case PSM_SETCURSEL:
        return SetActivePage(static_cast<int>(wParam));
    case WM_NCDESTROY:
        m_tab = nullptr;
        m_active = -1;
        break;
    default:
        break;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}
