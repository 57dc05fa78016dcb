#include "support/wnd_test_support.h"

#include "platform/thread_messaging.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>

namespace {

struct SpyEntry {
    MessageSpy* spy;
    WNDPROC previous;
};

std::map<HWND, SpyEntry>& Spies() {
    thread_local std::map<HWND, SpyEntry> spies;
    return spies;
}

} // namespace

GuiThreadScope::GuiThreadScope() {
    if (GetCurrentThreadQueue() == nullptr) {
        queue_ = std::make_shared<MessageQueue>();
        AttachThreadQueue(queue_);
        attached_ = true;
    } else {
        queue_ = FindThreadQueue(GetCurrentThreadId());
    }
}

GuiThreadScope::~GuiThreadScope() {
    const int left = WndCountWindows();
    EXPECT_EQ(left, 0) << "windows left at the end of the test";
    WndDestroyAllWindows();
    PumpUntilIdle();
    WndResetInput();
    if (attached_) {
        DetachThreadQueue();
        queue_->CloseAndDrain();
    }
}

MessageQueue& GuiThreadScope::queue() const { return *queue_; }

void WndTest::SetUp() {
    installed_.emplace(clock_);
    scope_ = std::make_unique<GuiThreadScope>();
    SetCursorPos(1023, 767);
    WndResetInput();
    // The screen bitmap is made on first use and lives on.
    ReleaseDC(nullptr, GetDC(nullptr));
    GdiTest::SetUp();
}

void WndTest::TearDown() {
    scope_.reset();
    installed_.reset();
    GdiTest::TearDown();
}

const char* WndTest::Class(const char* name, WNDPROC procedure, UINT style, HBRUSH brush) {
    WNDCLASSEX existing;
    if (GetClassInfoEx(nullptr, name, &existing))
        UnregisterClass(name, nullptr);
    WNDCLASSEX window_class;
    window_class.lpszClassName = name;
    window_class.lpfnWndProc = procedure;
    window_class.style = style;
    window_class.hbrBackground = brush;
    EXPECT_NE(RegisterClassEx(&window_class), 0);
    return name;
}

void WndTest::Pump() { EXPECT_TRUE(PumpUntilIdle()); }

POINT InputDriver::ScreenPoint(HWND window, POINT client) {
    ClientToScreen(window, &client);
    return client;
}

void InputDriver::Send(const INPUT& input) {
    EXPECT_EQ(SendInput(1, &input, sizeof(INPUT)), 1u);
    EXPECT_TRUE(PumpUntilIdle());
}

void InputDriver::MoveTo(POINT screen) {
    INPUT input;
    input.type = INPUT_MOUSE;
    input.mi.dx = screen.x;
    input.mi.dy = screen.y;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    Send(input);
}

void InputDriver::Press(int button) {
    INPUT input;
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = button == VK_RBUTTON ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    Send(input);
    pressed_recently_ = true;
}

void InputDriver::Release(int button) {
    INPUT input;
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = button == VK_RBUTTON ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    Send(input);
}

void InputDriver::Click(POINT screen, int button) {
    // A click is never taken for the second half of a double click.
    if (pressed_recently_)
        Advance(KV_DOUBLE_CLICK_MS + 100);
    MoveTo(screen);
    Press(button);
    Release(button);
}

void InputDriver::DoubleClick(POINT screen) {
    Click(screen);
    Advance(50);
    Press();
    Release();
}

void InputDriver::Drag(POINT from, POINT to, int steps) {
    MoveTo(from);
    Press();
    for (int i = 1; i <= steps; ++i)
        MoveTo(POINT{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
    Release();
}

void InputDriver::Hover(POINT screen, DWORD hover_ms) {
    MoveTo(screen);
    Advance(hover_ms);
}

void InputDriver::KeyDown(int virtual_key) {
    INPUT input;
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(virtual_key);
    Send(input);
}

void InputDriver::KeyUp(int virtual_key) {
    INPUT input;
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(virtual_key);
    input.ki.dwFlags = KEYEVENTF_KEYUP;
    Send(input);
}

void InputDriver::Key(int virtual_key) {
    KeyDown(virtual_key);
    KeyUp(virtual_key);
}

void InputDriver::Type(const std::string& text) {
    for (char c : text) {
        INPUT input;
        input.type = INPUT_KEYBOARD;
        input.ki.wScan = static_cast<BYTE>(c);
        input.ki.dwFlags = KEYEVENTF_UNICODE;
        Send(input);
    }
}

void InputDriver::Advance(DWORD milliseconds) {
    clock_.Advance(milliseconds);
    pressed_recently_ = false;
    EXPECT_TRUE(PumpUntilIdle());
}

MessageSpy::~MessageSpy() {
    for (HWND window : watched_) {
        auto found = Spies().find(window);
        if (found == Spies().end() || found->second.spy != this)
            continue;
        if (IsWindow(window))
            SetWindowLongPtr(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(found->second.previous));
        Spies().erase(found);
    }
}

void MessageSpy::Watch(HWND window) {
    auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtr(window, GWLP_WNDPROC));
    Spies()[window] = SpyEntry{this, previous};
    watched_.push_back(window);
    SetWindowLongPtr(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MessageSpy::Procedure));
}

LRESULT MessageSpy::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto found = Spies().find(window);
    if (found == Spies().end())
        return DefWindowProc(window, message, wParam, lParam);
    const SpyEntry entry = found->second;
    entry.spy->log_.push_back(Entry{window, message, wParam, lParam});
    if (message == WM_NCDESTROY)
        Spies().erase(found);
    return CallWindowProc(entry.previous, window, message, wParam, lParam);
}

std::vector<UINT> MessageSpy::Messages(HWND window) const {
    std::vector<UINT> messages;
    for (const Entry& entry : log_)
        if (window == nullptr || entry.window == window)
            messages.push_back(entry.message);
    return messages;
}

std::vector<std::pair<HWND, UINT>> MessageSpy::Only(std::initializer_list<UINT> messages) const {
    std::vector<std::pair<HWND, UINT>> picked;
    for (const Entry& entry : log_)
        if (std::find(messages.begin(), messages.end(), entry.message) != messages.end())
            picked.emplace_back(entry.window, entry.message);
    return picked;
}

int MessageSpy::Count(HWND window, UINT message) const {
    return static_cast<int>(std::count_if(log_.begin(), log_.end(), [&](const Entry& entry) {
        return entry.window == window && entry.message == message;
    }));
}

Capture::Capture(HBITMAP bitmap) : bitmap_(bitmap) {
    BITMAP record;
    if (bitmap_ == nullptr || GetObject(bitmap_, sizeof(record), &record) != sizeof(record))
        return;
    width_ = record.bmWidth;
    height_ = record.bmHeight;
    pixels_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
    GetBitmapBits(bitmap_, static_cast<LONG>(pixels_.size() * 4), pixels_.data());
}

Capture::~Capture() {
    if (bitmap_ != nullptr)
        DeleteObject(bitmap_);
}

COLORREF Capture::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return CLR_INVALID;
    const std::uint32_t pixel = pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                                        static_cast<std::size_t>(x)];
    return RGB(static_cast<BYTE>(pixel >> 16), static_cast<BYTE>(pixel >> 8), static_cast<BYTE>(pixel));
}

int Capture::Count(COLORREF color) const {
    int count = 0;
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            count += At(x, y) == color ? 1 : 0;
    return count;
}

IdleScript::IdleScript() {
    SetIdleHook([this] {
        if (steps_.empty()) {
            ADD_FAILURE() << "the idle script ran out while a nested loop waited";
            return false;
        }
        std::function<void()> step = std::move(steps_.front());
        steps_.pop_front();
        step();
        return true;
    });
}

IdleScript::~IdleScript() { SetIdleHook(nullptr); }

IdleScript& IdleScript::Then(std::function<void()> step) {
    steps_.push_back(std::move(step));
    return *this;
}
