#pragma once
// The button and static window classes and their wrappers.

#include "platform/mfc/mfc_wnd.h"

// The window classes of this layer ("Button", "Static", the dialog class
// "#32770" and the tab control); registering twice is harmless.
void KvRegisterWindowClasses();

inline constexpr const char* KV_BUTTON_CLASS = "Button";
inline constexpr const char* KV_STATIC_CLASS = "Static";

// Button styles, states, messages and notifications.
inline constexpr DWORD BS_PUSHBUTTON = 0x0;
inline constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
inline constexpr DWORD BS_CHECKBOX = 0x2;
inline constexpr DWORD BS_AUTOCHECKBOX = 0x3;
inline constexpr DWORD BS_RADIOBUTTON = 0x4;
inline constexpr DWORD BS_3STATE = 0x5;
inline constexpr DWORD BS_AUTO3STATE = 0x6;
inline constexpr DWORD BS_GROUPBOX = 0x7;
inline constexpr DWORD BS_USERBUTTON = 0x8;
inline constexpr DWORD BS_AUTORADIOBUTTON = 0x9;
inline constexpr DWORD BS_PUSHBOX = 0xA;
inline constexpr DWORD BS_OWNERDRAW = 0xB;
inline constexpr DWORD BS_TYPEMASK = 0xF;
inline constexpr UINT BST_UNCHECKED = 0x0;
inline constexpr UINT BST_CHECKED = 0x1;
inline constexpr UINT BST_INDETERMINATE = 0x2;
inline constexpr UINT BST_PUSHED = 0x4;
inline constexpr UINT BST_FOCUS = 0x8;
inline constexpr UINT BM_GETCHECK = 0x00F0;
inline constexpr UINT BM_SETCHECK = 0x00F1;
inline constexpr UINT BM_GETSTATE = 0x00F2;
inline constexpr UINT BM_SETSTATE = 0x00F3;
inline constexpr UINT BM_SETSTYLE = 0x00F4;
inline constexpr UINT BM_CLICK = 0x00F5;
inline constexpr UINT BM_GETIMAGE = 0x00F6;
inline constexpr UINT BM_SETIMAGE = 0x00F7;
inline constexpr UINT BN_CLICKED = 0;

// Static styles and notifications.
inline constexpr DWORD SS_LEFT = 0x0;
inline constexpr DWORD SS_CENTER = 0x1;
inline constexpr DWORD SS_RIGHT = 0x2;
inline constexpr DWORD SS_LEFTNOWORDWRAP = 0xC;
inline constexpr DWORD SS_SIMPLE = 0xB;
inline constexpr DWORD SS_OWNERDRAW = 0xD;
inline constexpr DWORD SS_TYPEMASK = 0x1F;
inline constexpr DWORD SS_NOPREFIX = 0x80;
inline constexpr DWORD SS_NOTIFY = 0x100;
inline constexpr DWORD SS_CENTERIMAGE = 0x200;
inline constexpr UINT STN_CLICKED = 0;

// Sends a child's notification to its parent as WM_COMMAND.
void KvNotifyParent(HWND control, UINT code);
// A DRAWITEMSTRUCT for the whole control, sent to its parent with a DC that
// holds the control's font, WHITE_BRUSH and BLACK_PEN.
void KvSendDrawItem(HWND control, HDC dc, UINT type, UINT item, UINT state, const RECT& rect);

class CButton : public CWnd {
public:
    BOOL Create(const char* caption, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    UINT GetState() const { return static_cast<UINT>(SendMessage(BM_GETSTATE)); }
    void SetState(BOOL pushed) { SendMessage(BM_SETSTATE, static_cast<WPARAM>(pushed)); }
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int check) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
    UINT GetButtonStyle() const { return GetStyle() & 0xFFFF; }
    void SetButtonStyle(UINT style, BOOL redraw = TRUE) { SendMessage(BM_SETSTYLE, style, redraw); }
    // Owner drawing, reflected from the parent's WM_DRAWITEM.
    virtual void DrawItem(DRAWITEMSTRUCT*) {}
    BOOL OnDrawItemReflect(DRAWITEMSTRUCT* item) override {
        DrawItem(item);
        return TRUE;
    }
};

class CStatic : public CWnd {
public:
    BOOL Create(const char* text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xFFFF);
    virtual void DrawItem(DRAWITEMSTRUCT*) {}
    BOOL OnDrawItemReflect(DRAWITEMSTRUCT* item) override {
        DrawItem(item);
        return TRUE;
    }
};
