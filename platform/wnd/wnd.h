#pragma once
// The window system: Win32-shaped windows on the thread message loop, over
// the drawing layer. Headless: every top-level window paints into a surface
// of its own, and the screen is composed from them on demand.
//
// A window belongs to the thread that created it, which must have a message
// queue. Calls from other threads are refused and counted, except PostMessage
// and IsWindow. Hit testing, capture, focus and input injection see the
// windows of the calling thread.
//
// Generated messages come after everything posted: WM_PAINT first, for the
// first window with something to paint in a walk of each top-level's tree that
// visits a parent before its children and siblings bottom to top; then hover
// notices; then due timers, one WM_TIMER waiting per timer at most.

#include "platform/gdi/gdi.h"
#include "platform/wnd/wnd_types.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Classes.
ATOM RegisterClassEx(const WNDCLASSEX* window_class);
BOOL UnregisterClass(const char* class_name, HINSTANCE instance);
BOOL GetClassInfoEx(HINSTANCE instance, const char* class_name, WNDCLASSEX* window_class);

// Windows.
HWND CreateWindowEx(DWORD ex_style, const char* class_name, const char* window_name, DWORD style,
                    int x, int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                    void* param);
// Safe inside the window's own handler: the record lives until the outermost
// dispatch to it returns. Releases capture, focus, timers and mouse tracking;
// messages still queued for the window go to its dropped-message hook.
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
BOOL IsChild(HWND parent, HWND window);
// The parent of a child window, the owner of a top-level one.
HWND GetParent(HWND window);
// A window's children in the order they were made (bottom to top), which is
// the order dialogs move the focus in.
std::vector<HWND> WndChildWindows(HWND parent);
// The calling thread's top-level windows, bottom to top.
std::vector<HWND> WndTopLevelWindows();
// The window that last took the focus within a top-level window (the window
// itself or one below it), while it is still there; null otherwise.
HWND WndLastFocus(HWND top_level);
// The name of the window's class; its length, 0 for no window.
int GetClassName(HWND window, char* buffer, int size);
HWND GetDlgItem(HWND parent, int id);
int GetDlgCtrlID(HWND window);
LONG_PTR GetWindowLongPtr(HWND window, int index);
// A style change reaches the frame at the next SetWindowPos with
// SWP_FRAMECHANGED.
LONG_PTR SetWindowLongPtr(HWND window, int index, LONG_PTR value);
LRESULT CallWindowProc(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL SetWindowText(HWND window, const char* text);
int GetWindowText(HWND window, char* buffer, int size);
int GetWindowTextLength(HWND window);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);
// Returns whether the window was visible before.
BOOL ShowWindow(HWND window, int command);
BOOL IsWindowVisible(HWND window);
BOOL SetWindowPos(HWND window, HWND insert_after, int x, int y, int width, int height, UINT flags);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
BOOL BringWindowToTop(HWND window);
BOOL GetWindowRect(HWND window, RECT* rect);
BOOL GetClientRect(HWND window, RECT* rect);
BOOL ClientToScreen(HWND window, POINT* point);
BOOL ScreenToClient(HWND window, POINT* point);
// Returns the offset packed as MAKELONG(dx, dy), 0 on failure.
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD ex_style);
// Takes the region over: it is deleted when replaced or with the window, and
// nobody else may change or delete it. Window coordinates.
int SetWindowRgn(HWND window, HRGN region, BOOL redraw);
// Copies the window region into region; ERROR when the window has none.
int GetWindowRgn(HWND window, HRGN region);
HWND WindowFromPoint(POINT point);
int GetSystemMetrics(int index);

// Stubs: AnimateWindow shows or hides at once; layered attributes are stored.
BOOL AnimateWindow(HWND window, DWORD time_ms, DWORD flags);
BOOL SetLayeredWindowAttributes(HWND window, COLORREF key, BYTE alpha, DWORD flags);
BOOL GetLayeredWindowAttributes(HWND window, COLORREF* key, BYTE* alpha, DWORD* flags);

// Messages. SendMessage calls the procedure at once and only on the window's
// own thread; PostMessage with a null window posts to the calling thread.
LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Filters are not supported: window null and both limits 0. Returns FALSE for
// the quit message, -1 on a bad call or without a queue.
BOOL GetMessage(MSG* message, HWND window, UINT first, UINT last);
BOOL PeekMessage(MSG* message, HWND window, UINT first, UINT last, UINT remove);
// Makes WM_CHAR from WM_KEYDOWN, queued for the same window ahead of every
// message waiting, so that it comes before the keys typed after its key.
BOOL TranslateMessage(const MSG* message);
LRESULT DispatchMessage(const MSG* message);

// Painting.
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL InvalidateRgn(HWND window, HRGN region, BOOL erase);
BOOL ValidateRect(HWND window, const RECT* rect);
BOOL GetUpdateRect(HWND window, RECT* rect, BOOL erase);
BOOL UpdateWindow(HWND window);
BOOL RedrawWindow(HWND window, const RECT* rect, HRGN region, UINT flags);
HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);
// A DC of the client area. The null window gives the 1024 x 768 screen, a
// bitmap of its own that captures do not use.
HDC GetDC(HWND window);
HDC GetWindowDC(HWND window);
int ReleaseDC(HWND window, HDC dc);

// Input.
UINT SendInput(UINT count, const INPUT* inputs, int size);
HWND SetFocus(HWND window);
HWND GetFocus();
HWND SetCapture(HWND window);
BOOL ReleaseCapture();
HWND GetCapture();
BOOL TrackMouseEvent(TRACKMOUSEEVENT* track);
inline BOOL _TrackMouseEvent(TRACKMOUSEEVENT* track) { return TrackMouseEvent(track); }
BOOL GetCursorPos(POINT* point);
BOOL SetCursorPos(int x, int y);
// The key as of the last key message taken from the queue.
SHORT GetKeyState(int virtual_key);
// The key as injected, ahead of the queue.
SHORT GetAsyncKeyState(int virtual_key);
// Cursors and icons are handles kept, never drawn.
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
// A handle standing for the cursor or icon; null for a null name. The same
// name always gives the same handle.
HCURSOR LoadCursor(HINSTANCE instance, const char* name);
HICON LoadIcon(HINSTANCE instance, const char* name);
// The hover time of HOVER_DEFAULT, in milliseconds.
inline constexpr DWORD KV_HOVER_TIME_MS = 400;
// Double clicks: a second press within this time and within a 4 x 4 pixel box.
inline constexpr DWORD KV_DOUBLE_CLICK_MS = 500;

// Timers run on the replaceable clock and die with their window.
// A window is required; the procedure must be null. Setting an existing id
// restarts it. Returns the id, 0 on failure.
using TIMERPROC = void (*)(HWND, UINT, std::uintptr_t, DWORD);
std::uintptr_t SetTimer(HWND window, std::uintptr_t id, UINT elapse_ms, TIMERPROC procedure);
BOOL KillTimer(HWND window, std::uintptr_t id);

// Objects that the class layer attaches to a window.
class WindowHooks {
public:
    virtual ~WindowHooks() = default;
    // A message for the window or one of its children, before dispatch.
    virtual bool PreTranslateMessage(MSG& message) = 0;
    // A message for the window that will never be dispatched.
    virtual void OnDroppedMessage(const MSG& message) = 0;
    // The class layer's object behind these hooks, found without a cast.
    virtual class CWnd* ClassObject() { return nullptr; }
};
BOOL SetWindowHooks(HWND window, WindowHooks* hooks);
WindowHooks* GetWindowHooks(HWND window);
// Called once, for the next window the calling thread creates, after its
// style and text are set and before WM_NCCREATE reaches it, so the class
// layer can attach its object; a failed creation that never made a window
// clears it too.
using CreationHook = void (*)(HWND window, void* context);
void WndHookNextCreation(CreationHook hook, void* context);

// Offers a message to the pre-translate hooks of its window and the window's
// ancestors, innermost first, as the thread loop does; true when one handled
// it. Quicker than the loop's own walk for the calling thread's windows.
bool PreTranslateWindowMessage(MSG& message);

// Drivers.
// Runs posted messages, paints and due timers (translated, through the
// pre-translate chain) until none waits. False when the limit of messages
// was reached, or the quit message was taken.
bool PumpUntilIdle(int limit = 100000);
// Called by nested loops when nothing waits. Returns false to end the loop.
using IdleHook = std::function<bool()>;
// Per thread; an empty hook removes it.
void SetIdleHook(IdleHook hook);
bool HasIdleHook();

// Called once ShowWindow, EnableWindow or DestroyWindow has done its work,
// when hiding, disabling or destroying `window` took the focus and nothing
// has taken it since, so that the class layer can give it a place: the
// window layer knows no dialogs. `parent` and `next` say where `window`
// stood: its parent (null for a top-level window) and the sibling above it
// (null for the topmost). After DestroyWindow, `window` is gone. Process-wide;
// null removes it. SetFocus(nullptr) by itself never calls it.
using FocusLostHook = void (*)(HWND window, HWND parent, HWND next);
void SetFocusLostHook(FocusLostHook hook);

// A nested message loop that runs while keep_running() holds. When nothing
// waits it calls the idle hook, or waits for a message without one. False
// when the idle hook ended it, or the quit message was taken.
bool RunNestedLoop(const std::function<bool()>& keep_running);

// Captures, as new bitmaps the caller deletes: the window's pixels (window
// rectangle) and the screen composed from the calling thread's visible
// top-level windows over COLOR_BACKGROUND.
HBITMAP WndCaptureWindow(HWND window);
HBITMAP WndCaptureScreen();
// The calling thread's windows, top-levels and children.
int WndCountWindows();
// Destroys every window of the calling thread; returns how many top-levels
// there were.
int WndDestroyAllWindows();

// Forgets the calling thread's key and button states, capture, focus, last
// click and mouse tracking, for drivers that start afresh.
void WndResetInput();

struct WndStatistics {
    std::uint64_t live_windows = 0;
    std::uint64_t refused_calls = 0;
};
WndStatistics WndGetStatistics();
