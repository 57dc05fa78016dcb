#pragma once
// A real window on the desktop that shows one top-level window of the calling
// GUI thread: its pixels (and those of popups above it) are presented after
// each pump that changed them, and the desktop's mouse and keys come back as
// injected input at the matching screen points. Closing the real window
// closes the shown one. Everything runs on the GUI thread.

#include "platform/wnd/wnd.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class DisplayWindow {
public:
    // Null, with the reason in *error, when there is no display to open.
    static std::unique_ptr<DisplayWindow> Open(HWND window, std::string* error = nullptr);
    ~DisplayWindow();
    DisplayWindow(const DisplayWindow&) = delete;
    DisplayWindow& operator=(const DisplayWindow&) = delete;

    // Turns waiting desktop events into input (waiting at most wait_ms for
    // the first), then presents the window when its pixels changed. False
    // once the real window was closed or the shown window is gone.
    bool Pump(int wait_ms);
    // Presents the window's pixels now; false when there is nothing to show.
    bool Present();
    // Makes Pump the calling thread's idle hook (with a short wait), so
    // nested loops keep the real window alive; removed by the destructor.
    void InstallIdleHook();

    bool IsOpen() const;
    // Where the real window shows its top-left pixel on the desktop.
    POINT DesktopOrigin() const;
    // How many times pixels were presented.
    std::uint64_t PresentCount() const;
    // The real window's id, as desktop events name it.
    std::uint32_t WindowId() const;

private:
    DisplayWindow();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The pixels (0x00RRGGBB, rows top-down) of a rectangle of the desktop's
// root window as the display server has them. False without a display.
bool DisplayGrabDesktop(const RECT& rect, std::vector<std::uint32_t>& pixels);

// How long an idle pass waits for desktop events.
inline constexpr int KV_DISPLAY_IDLE_WAIT_MS = 10;
