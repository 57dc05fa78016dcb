#pragma once
// The tooltip control as a model without a popup: its tools, active flag
// and maximum width, and a count of the mouse events relayed to it.

#include "platform/mfc/mfc_wnd.h"

#include <cstdint>

inline constexpr const char* KV_TOOLTIP_CLASS = "tooltips_class32";

inline constexpr UINT TTM_ACTIVATE = WM_USER + 1;
inline constexpr UINT TTM_SETDELAYTIME = WM_USER + 3;
inline constexpr UINT TTM_ADDTOOL = WM_USER + 4;
inline constexpr UINT TTM_DELTOOL = WM_USER + 5;
inline constexpr UINT TTM_RELAYEVENT = WM_USER + 7;
inline constexpr UINT TTM_GETTOOLINFO = WM_USER + 8;
inline constexpr UINT TTM_UPDATETIPTEXT = WM_USER + 12;
inline constexpr UINT TTM_GETTOOLCOUNT = WM_USER + 13;
inline constexpr UINT TTM_SETMAXTIPWIDTH = WM_USER + 24;
inline constexpr UINT TTM_GETMAXTIPWIDTH = WM_USER + 25;
inline constexpr UINT TTM_POP = WM_USER + 28;
// Ours: the number of events relayed so far, and whether the model is active.
inline constexpr UINT KV_TTM_GETRELAYCOUNT = WM_USER + 0xF0;
inline constexpr UINT KV_TTM_ISACTIVE = WM_USER + 0xF1;

inline constexpr UINT TTF_IDISHWND = 0x0001;
inline constexpr UINT TTF_CENTERTIP = 0x0002;
inline constexpr UINT TTF_SUBCLASS = 0x0010;
inline constexpr DWORD TTS_ALWAYSTIP = 0x01;
inline constexpr DWORD TTS_NOPREFIX = 0x02;

struct TOOLINFO {
    UINT cbSize = sizeof(TOOLINFO);
    UINT uFlags = 0;
    HWND hwnd = nullptr;
    std::uintptr_t uId = 0;
    RECT rect{};
    HINSTANCE hinst = nullptr;
    char* lpszText = nullptr;
    LPARAM lParam = 0;
};

class CToolTipCtrl : public CWnd {
public:
    // A hidden popup owned by parent.
    BOOL Create(CWnd* parent, DWORD style = 0);
    // A tool for window (the whole window) or for the rectangle id of parent.
    BOOL AddTool(CWnd* window, const char* text, const RECT* rect = nullptr, std::uintptr_t id = 0);
    void DelTool(CWnd* window, std::uintptr_t id = 0);
    int GetToolCount() const { return static_cast<int>(SendMessage(TTM_GETTOOLCOUNT)); }
    void UpdateTipText(const char* text, CWnd* window, std::uintptr_t id = 0);
    void Activate(BOOL active) { SendMessage(TTM_ACTIVATE, static_cast<WPARAM>(active)); }
    BOOL IsActive() const { return static_cast<BOOL>(SendMessage(KV_TTM_ISACTIVE)); }
    // Returns the previous width; -1 before any was set.
    int SetMaxTipWidth(int width) { return static_cast<int>(SendMessage(TTM_SETMAXTIPWIDTH, 0, width)); }
    int GetMaxTipWidth() const { return static_cast<int>(SendMessage(TTM_GETMAXTIPWIDTH)); }
    void SetDelayTime(UINT delay_ms) { SendMessage(TTM_SETDELAYTIME, 0, static_cast<LPARAM>(delay_ms)); }
    void RelayEvent(MSG* message) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(message)); }
    int GetRelayedEventCount() const { return static_cast<int>(SendMessage(KV_TTM_GETRELAYCOUNT)); }
    void Pop() { SendMessage(TTM_POP); }
};
