#pragma once
// Drivers for the window tests: a GUI-thread scope, a fixture with a manual
// clock, an input driver, a message spy, window and screen captures and a
// scripted idle hook for nested loops.

#include "platform/clock.h"
#include "platform/message_queue.h"
#include "platform/wnd/wnd.h"
#include "support/gui_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Makes the calling thread a GUI thread for its lifetime: it gets a message
// queue of its own when it has none. Windows left at the end fail the test
// and are destroyed.
class GuiThreadScope {
public:
    GuiThreadScope();
    ~GuiThreadScope();
    GuiThreadScope(const GuiThreadScope&) = delete;
    GuiThreadScope& operator=(const GuiThreadScope&) = delete;

    MessageQueue& queue() const;

private:
    std::shared_ptr<MessageQueue> queue_;
    bool attached_ = false;
};

// GDI balance, a manual clock at tick 1000, a GUI thread and the cursor
// parked in the screen's bottom-right corner.
class WndTest : public GdiTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Registers a class (once per process) with the procedure, class style and
    // brush, a system colour index plus 1 or a stock brush.
    static const char* Class(const char* name, WNDPROC procedure = nullptr, UINT style = 0,
                             HBRUSH brush = reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1));
    // Pumps and expects the queue to run empty.
    void Pump();

    ManualClock clock_{0, 0, 1000};

private:
    std::optional<ScopedClock> installed_;
    std::unique_ptr<GuiThreadScope> scope_;
};

// Injects input as SendInput does and pumps after each step. The clock moves
// on where a rule needs time: a click waits out the double-click time of an
// earlier press, a hover waits the hover time.
class InputDriver {
public:
    explicit InputDriver(ManualClock& clock) : clock_(clock) {}

    static POINT ScreenPoint(HWND window, POINT client);

    void MoveTo(POINT screen);
    void Press(int button = VK_LBUTTON);
    void Release(int button = VK_LBUTTON);
    void Click(POINT screen, int button = VK_LBUTTON);
    void DoubleClick(POINT screen);
    void Drag(POINT from, POINT to, int steps = 4);
    void Hover(POINT screen, DWORD hover_ms = KV_HOVER_TIME_MS);
    void KeyDown(int virtual_key);
    void KeyUp(int virtual_key);
    void Key(int virtual_key);
    // Windows-1252 text, one WM_CHAR per byte to the focus window.
    void Type(const std::string& text);
    void Advance(DWORD milliseconds);

private:
    void Send(const INPUT& input);

    ManualClock& clock_;
    bool pressed_recently_ = false;
};

// Records the messages of the windows it watches (by subclassing them) and
// hands them on.
class MessageSpy {
public:
    struct Entry {
        HWND window;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    MessageSpy() = default;
    ~MessageSpy();
    MessageSpy(const MessageSpy&) = delete;
    MessageSpy& operator=(const MessageSpy&) = delete;

    void Watch(HWND window);
    const std::vector<Entry>& Log() const { return log_; }
    // The messages of one window (null: all), in order.
    std::vector<UINT> Messages(HWND window = nullptr) const;
    // The log restricted to the given messages, as (window, message) pairs.
    std::vector<std::pair<HWND, UINT>> Only(std::initializer_list<UINT> messages) const;
    int Count(HWND window, UINT message) const;
    void Clear() { log_.clear(); }

private:
    static LRESULT Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::vector<Entry> log_;
    std::vector<HWND> watched_;
};

// A picture of a window or the screen.
class Capture {
public:
    static Capture OfWindow(HWND window) { return Capture(WndCaptureWindow(window)); }
    static Capture OfScreen() { return Capture(WndCaptureScreen()); }
    ~Capture();
    Capture(Capture&& other) noexcept : bitmap_(other.bitmap_) { other.bitmap_ = nullptr; }
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    HBITMAP bitmap() const { return bitmap_; }
    COLORREF At(int x, int y) const;
    int Count(COLORREF color) const;

private:
    explicit Capture(HBITMAP bitmap);
    std::vector<std::uint32_t> pixels_;
    int width_ = 0;
    int height_ = 0;
    HBITMAP bitmap_ = nullptr;
};

// Steps that nested loops run one per idle pass; a loop that idles after the
// last step fails the test and ends.
class IdleScript {
public:
    IdleScript();
    ~IdleScript();
    IdleScript(const IdleScript&) = delete;
    IdleScript& operator=(const IdleScript&) = delete;

    IdleScript& Then(std::function<void()> step);
    bool Finished() const { return steps_.empty(); }

private:
    std::deque<std::function<void()>> steps_;
};
