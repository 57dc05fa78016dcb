#pragma once
// The item records that the skinned combo box and list control exchange with
// their window, with the documented mask bits. Our own definitions: lParam is
// pointer-sized, texts are Windows-1252 bytes.

#include "platform/types.h"

#include <cstdint>

// ---- Combo box ex items ----

inline constexpr UINT CBEIF_TEXT = 0x00000001;
inline constexpr UINT CBEIF_IMAGE = 0x00000002;
inline constexpr UINT CBEIF_SELECTEDIMAGE = 0x00000004;
inline constexpr UINT CBEIF_OVERLAY = 0x00000008;
inline constexpr UINT CBEIF_INDENT = 0x00000010;
inline constexpr UINT CBEIF_LPARAM = 0x00000020;
inline constexpr UINT CBEIF_DI_SETITEM = 0x10000000;

struct COMBOBOXEXITEM {
    UINT mask = 0;
    std::intptr_t iItem = 0;
    char* pszText = nullptr;
    std::int32_t cchTextMax = 0;
    std::int32_t iImage = 0;
    std::int32_t iSelectedImage = 0;
    std::int32_t iOverlay = 0;
    std::int32_t iIndent = 0;
    LPARAM lParam = 0;
};

// ---- List view items ----

inline constexpr UINT LVIF_TEXT = 0x00000001;
inline constexpr UINT LVIF_IMAGE = 0x00000002;
inline constexpr UINT LVIF_PARAM = 0x00000004;
inline constexpr UINT LVIF_STATE = 0x00000008;
inline constexpr UINT LVIF_INDENT = 0x00000010;

struct LVITEM {
    UINT mask = 0;
    std::int32_t iItem = 0;
    std::int32_t iSubItem = 0;
    UINT state = 0;
    UINT stateMask = 0;
    char* pszText = nullptr;
    std::int32_t cchTextMax = 0;
    std::int32_t iImage = 0;
    LPARAM lParam = 0;
    std::int32_t iIndent = 0;
};

// ---- Notifications ----

struct NMHDR {
    HWND hwndFrom = nullptr;
    std::uintptr_t idFrom = 0;
    UINT code = 0;
};

// ---- Owner drawing (DRAWITEMSTRUCT itself comes with the window system) ----

inline constexpr UINT ODT_MENU = 1;
inline constexpr UINT ODT_LISTBOX = 2;
inline constexpr UINT ODT_COMBOBOX = 3;
inline constexpr UINT ODT_BUTTON = 4;
inline constexpr UINT ODT_STATIC = 5;
inline constexpr UINT ODT_TAB = 101;
inline constexpr UINT ODA_DRAWENTIRE = 0x0001;
inline constexpr UINT ODA_SELECT = 0x0002;
inline constexpr UINT ODA_FOCUS = 0x0004;
inline constexpr UINT ODS_SELECTED = 0x0001;
inline constexpr UINT ODS_GRAYED = 0x0002;
inline constexpr UINT ODS_DISABLED = 0x0004;
inline constexpr UINT ODS_CHECKED = 0x0008;
inline constexpr UINT ODS_FOCUS = 0x0010;

// ---- Tab control items ----

inline constexpr UINT TCIF_TEXT = 0x0001;
inline constexpr UINT TCIF_IMAGE = 0x0002;
inline constexpr UINT TCIF_PARAM = 0x0008;
inline constexpr UINT TCIF_STATE = 0x0010;

struct TCITEM {
    UINT mask = 0;
    DWORD dwState = 0;
    DWORD dwStateMask = 0;
    char* pszText = nullptr;
    std::int32_t cchTextMax = 0;
    std::int32_t iImage = 0;
    LPARAM lParam = 0;
};

// ---- List view columns, searches and notifications ----

inline constexpr UINT LVCF_FMT = 0x0001;
inline constexpr UINT LVCF_WIDTH = 0x0002;
inline constexpr UINT LVCF_TEXT = 0x0004;
inline constexpr UINT LVCF_SUBITEM = 0x0008;
inline constexpr std::int32_t LVCFMT_LEFT = 0x0000;
inline constexpr std::int32_t LVCFMT_RIGHT = 0x0001;
inline constexpr std::int32_t LVCFMT_CENTER = 0x0002;

struct LVCOLUMN {
    UINT mask = 0;
    std::int32_t fmt = 0;
    std::int32_t cx = 0;
    char* pszText = nullptr;
    std::int32_t cchTextMax = 0;
    std::int32_t iSubItem = 0;
    std::int32_t iImage = 0;
    std::int32_t iOrder = 0;
};

inline constexpr UINT LVFI_PARAM = 0x0001;
inline constexpr UINT LVFI_STRING = 0x0002;
inline constexpr UINT LVFI_PARTIAL = 0x0008;
inline constexpr UINT LVFI_WRAP = 0x0020;

struct LVFINDINFO {
    UINT flags = 0;
    const char* psz = nullptr;
    LPARAM lParam = 0;
    POINT pt{};
    UINT vkDirection = 0;
};

struct NMITEMACTIVATE {
    NMHDR hdr;
    std::int32_t iItem = 0;
    std::int32_t iSubItem = 0;
    UINT uNewState = 0;
    UINT uOldState = 0;
    UINT uChanged = 0;
    POINT ptAction{};
    LPARAM lParam = 0;
    UINT uKeyFlags = 0;
};

struct NMLISTVIEW {
    NMHDR hdr;
    std::int32_t iItem = 0;
    std::int32_t iSubItem = 0;
    UINT uNewState = 0;
    UINT uOldState = 0;
    UINT uChanged = 0;
    POINT ptAction{};
    LPARAM lParam = 0;
};

struct NMLVODSTATECHANGE {
    NMHDR hdr;
    std::int32_t iFrom = 0;
    std::int32_t iTo = 0;
    UINT uNewState = 0;
    UINT uOldState = 0;
};

// ---- Header items and notifications ----

inline constexpr UINT HDI_WIDTH = 0x0001;
inline constexpr UINT HDI_TEXT = 0x0002;
inline constexpr UINT HDI_FORMAT = 0x0004;
inline constexpr UINT HDI_LPARAM = 0x0008;

struct HDITEM {
    UINT mask = 0;
    std::int32_t cxy = 0;
    char* pszText = nullptr;
    void* hbm = nullptr;
    std::int32_t cchTextMax = 0;
    std::int32_t fmt = 0;
    LPARAM lParam = 0;
};

struct NMHEADER {
    NMHDR hdr;
    std::int32_t iItem = 0;
    std::int32_t iButton = 0;
    HDITEM* pitem = nullptr;
};
