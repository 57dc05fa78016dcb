#pragma once
// The combo box ex: a window holding a combo box child (and, for
// CBS_DROPDOWN, an edit child inside that) whose lines carry a text, an image
// index and an lParam. A click focuses the control and opens a popup list
// below it, which scrolls over all lines; the keys work the popup while it is
// open and the selection while it is closed. The popup closes unchanged when
// the focus leaves the combo and its edit or when the combo is hidden.

#include "platform/mfc/mfc_controls.h"

inline constexpr const char* KV_COMBOBOXEX_CLASS = "ComboBoxEx32";
inline constexpr const char* KV_COMBOBOX_CLASS = "ComboBox";
inline constexpr const char* KV_COMBOLIST_CLASS = "ComboLBox";

inline constexpr DWORD CBS_SIMPLE = 0x0001;
inline constexpr DWORD CBS_DROPDOWN = 0x0002;
inline constexpr DWORD CBS_DROPDOWNLIST = 0x0003;
inline constexpr DWORD CBS_TYPEMASK = 0x0003;
inline constexpr DWORD CBS_NOINTEGRALHEIGHT = 0x0400;

inline constexpr LRESULT CB_ERR = -1;
inline constexpr UINT CB_DELETESTRING = 0x0144;
inline constexpr UINT CB_GETCOUNT = 0x0146;
inline constexpr UINT CB_GETCURSEL = 0x0147;
inline constexpr UINT CB_GETLBTEXT = 0x0148;
inline constexpr UINT CB_GETLBTEXTLEN = 0x0149;
inline constexpr UINT CB_RESETCONTENT = 0x014B;
inline constexpr UINT CB_SETCURSEL = 0x014E;
inline constexpr UINT CB_SHOWDROPDOWN = 0x014F;
inline constexpr UINT CB_GETITEMDATA = 0x0150;
inline constexpr UINT CB_GETDROPPEDSTATE = 0x0157;
inline constexpr UINT CB_FINDSTRINGEXACT = 0x0158;
inline constexpr UINT CB_GETDROPPEDWIDTH = 0x015F;
inline constexpr UINT CB_SETDROPPEDWIDTH = 0x0160;

inline constexpr UINT CBEM_INSERTITEM = WM_USER + 1;
inline constexpr UINT CBEM_GETITEM = WM_USER + 4;
inline constexpr UINT CBEM_SETITEM = WM_USER + 5;
inline constexpr UINT CBEM_GETCOMBOCONTROL = WM_USER + 6;
inline constexpr UINT CBEM_GETEDITCONTROL = WM_USER + 7;
inline constexpr UINT CBEM_DELETEITEM = CB_DELETESTRING;

inline constexpr UINT CBN_SELCHANGE = 1;
inline constexpr UINT CBN_DROPDOWN = 7;
inline constexpr UINT CBN_CLOSEUP = 8;
inline constexpr UINT CBEN_FIRST = static_cast<UINT>(-800);
inline constexpr UINT CBEN_BEGINEDIT = CBEN_FIRST - 4;

// Lines the popup list shows at once; a scroll bar reaches the others.
inline constexpr int KV_COMBO_POPUP_LINES = 8;

void KvRegisterComboBoxExClass();

class CComboBoxEx : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    int InsertItem(const COMBOBOXEXITEM* item) {
        return static_cast<int>(SendMessage(CBEM_INSERTITEM, 0, reinterpret_cast<LPARAM>(item)));
    }
    int DeleteItem(int index) { return static_cast<int>(SendMessage(CBEM_DELETEITEM, static_cast<WPARAM>(index))); }
    BOOL GetItem(COMBOBOXEXITEM* item) const {
        return static_cast<BOOL>(SendMessage(CBEM_GETITEM, 0, reinterpret_cast<LPARAM>(item)));
    }
    BOOL SetItem(const COMBOBOXEXITEM* item) {
        return static_cast<BOOL>(SendMessage(CBEM_SETITEM, 0, reinterpret_cast<LPARAM>(item)));
    }
    int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int index) { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }
    // The line's text; empty for a line that does not exist.
    void GetLBText(int index, std::string& text) const;
    int FindStringExact(int start, const char* text) const {
        return static_cast<int>(SendMessage(CB_FINDSTRINGEXACT, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(text)));
    }
    int SetDroppedWidth(UINT width) { return static_cast<int>(SendMessage(CB_SETDROPPEDWIDTH, width)); }
    int GetDroppedWidth() const { return static_cast<int>(SendMessage(CB_GETDROPPEDWIDTH)); }
    BOOL GetDroppedState() const { return static_cast<BOOL>(SendMessage(CB_GETDROPPEDSTATE)); }
    void ShowDropDown(BOOL show = TRUE) { SendMessage(CB_SHOWDROPDOWN, static_cast<WPARAM>(show)); }
    HWND GetComboBoxCtrl() const { return reinterpret_cast<HWND>(SendMessage(CBEM_GETCOMBOCONTROL)); }
    // Null unless the style is CBS_DROPDOWN.
    HWND GetEditCtrl() const { return reinterpret_cast<HWND>(SendMessage(CBEM_GETEDITCONTROL)); }
};
