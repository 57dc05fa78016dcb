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
