#include "platform/display/display.h"

#include "platform/windows1252.h"

#include <SDL.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

// SDL's video part is started once and kept for the process: its desktop
// libraries stay loaded, and a second start would open the display again.
bool AcquireSdl(std::string* error) {
    static const std::string failure = [] {
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0 ? std::string() : std::string(SDL_GetError());
    }();
    if (!failure.empty() && error != nullptr)
        *error = failure;
    return failure.empty();
}

// The keys that type no character: they arrive as key codes only.
int VirtualKeyOf(SDL_Keycode key) {
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return VK_F1 + static_cast<int>(key - SDLK_F1);
    switch (key) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return VK_RETURN;
    case SDLK_ESCAPE:
        return VK_ESCAPE;
    case SDLK_TAB:
        return VK_TAB;
    case SDLK_BACKSPACE:
        return VK_BACK;
    case SDLK_SPACE:
        return VK_SPACE;  // its character comes from the key, as buttons need the key
    case SDLK_DELETE:
        return VK_DELETE;
    case SDLK_INSERT:
        return VK_INSERT;
    case SDLK_HOME:
        return VK_HOME;
    case SDLK_END:
        return VK_END;
    case SDLK_PAGEUP:
        return VK_PRIOR;
    case SDLK_PAGEDOWN:
        return VK_NEXT;
    case SDLK_LEFT:
        return VK_LEFT;
    case SDLK_RIGHT:
        return VK_RIGHT;
    case SDLK_UP:
        return VK_UP;
    case SDLK_DOWN:
        return VK_DOWN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
        return VK_MENU;
    default:
        return 0;
    }
}

// The keypad's keys without Num Lock move and edit; with it they type digits,
// which come as text.
int KeypadKeyOf(SDL_Keycode key) {
    switch (key) {
    case SDLK_KP_7:
        return VK_HOME;
    case SDLK_KP_1:
        return VK_END;
    case SDLK_KP_9:
        return VK_PRIOR;
    case SDLK_KP_3:
        return VK_NEXT;
    case SDLK_KP_8:
        return VK_UP;
    case SDLK_KP_2:
        return VK_DOWN;
    case SDLK_KP_4:
        return VK_LEFT;
    case SDLK_KP_6:
        return VK_RIGHT;
    case SDLK_KP_0:
        return VK_INSERT;
    case SDLK_KP_PERIOD:
        return VK_DELETE;
    default:
        return 0;
    }
}

// The key code of a letter or digit key; 0 for others.
int LetterOrDigitKeyOf(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z)
        return 'A' + static_cast<int>(key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9)
        return '0' + static_cast<int>(key - SDLK_0);
    return 0;
}

// Letters and digits go the key path only with Ctrl (and without Alt, which
// with Ctrl may type a character), and a release whose press went it: the
// Ctrl codes come from the key, every typed character from the text input,
// so none arrives twice.
int KeyPathKeyOf(const SDL_KeyboardEvent& event) {
    if (const int key = VirtualKeyOf(event.keysym.sym))
        return key;
    if (const int key = KeypadKeyOf(event.keysym.sym); key != 0 && (event.keysym.mod & KMOD_NUM) == 0)
        return key;
    const int key = LetterOrDigitKeyOf(event.keysym.sym);
    if (event.type == SDL_KEYUP)
        return GetAsyncKeyState(key) < 0 ? key : 0;
    return (event.keysym.mod & KMOD_CTRL) != 0 && (event.keysym.mod & KMOD_ALT) == 0 ? key : 0;
}

// The length of the UTF-8 sequence a lead byte opens; 1 for a stray byte.
std::size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    if (lead >= 0xE0)
        return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC2)
        return 2;
    return 1;
}

// The Windows-1252 byte one UTF-8 character types; 0 for a control
// character, the space (its key types it) and what Windows-1252 lacks.
int TypedByteOf(std::string_view sequence) {
    const std::string converted = Utf8ToWindows1252(sequence);
    if (converted.size() != 1 || (converted[0] == kUnmappableCharacter && sequence != "?"))
        return 0;
    const auto byte = static_cast<unsigned char>(converted[0]);
    const bool c1_control = sequence.size() == 2 && static_cast<unsigned char>(sequence[0]) == 0xC2 && byte < 0xA0;
    return byte <= 0x20 || byte == 0x7F || c1_control ? 0 : byte;
}

void InjectMouse(DWORD flags, POINT screen) {
    INPUT input;
    input.type = INPUT_MOUSE;
    input.mi.dx = screen.x;
    input.mi.dy = screen.y;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(INPUT));
}

void InjectKey(WORD virtual_key, WORD character, DWORD flags) {
    INPUT input;
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtual_key;
    input.ki.wScan = character;
    input.ki.dwFlags = flags;
    SendInput(1, &input, sizeof(INPUT));
}

}  // namespace

struct DisplayWindow::Impl {
    HWND shown = nullptr;
    SDL_Window* window = nullptr;
    bool open = false;
    bool hook_installed = false;
    bool force = true;
    RECT rect{};
    std::vector<std::uint32_t> presented;
    std::uint64_t present_count = 0;

    POINT ScreenPoint(int x, int y) const { return POINT{rect.left + x, rect.top + y}; }

    // The shown window's rectangle of the composed screen: popups above it
    // show too.
    bool Compose(std::vector<std::uint32_t>& pixels) {
        if (!IsWindow(shown) || !GetWindowRect(shown, &rect))
            return false;
        const int width = rect.right - rect.left, height = rect.bottom - rect.top;
        if (width <= 0 || height <= 0)
            return false;
        HBITMAP screen = WndCaptureScreen();
        BITMAP record;
        if (screen == nullptr || GetObject(screen, sizeof(record), &record) != sizeof(record)) {
            if (screen != nullptr)
                DeleteObject(screen);
            return false;
        }
        std::vector<std::uint32_t> all(static_cast<std::size_t>(record.bmWidth) * static_cast<std::size_t>(record.bmHeight));
        GetBitmapBits(screen, static_cast<LONG>(all.size() * 4), all.data());
        DeleteObject(screen);
        pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
        for (int y = 0; y < height; ++y) {
            const int sy = rect.top + y;
            if (sy < 0 || sy >= record.bmHeight)
                continue;
            for (int x = 0; x < width; ++x) {
                const int sx = rect.left + x;
                if (sx >= 0 && sx < record.bmWidth)
                    pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
                        all[static_cast<std::size_t>(sy) * static_cast<std::size_t>(record.bmWidth) +
                            static_cast<std::size_t>(sx)] & 0xFFFFFFu;
            }
        }
        return true;
    }

    bool Show(const std::vector<std::uint32_t>& pixels) {
        const int width = rect.right - rect.left, height = rect.bottom - rect.top;
        int shown_width = 0, shown_height = 0, x = 0, y = 0;
        SDL_GetWindowSize(window, &shown_width, &shown_height);
        if (shown_width != width || shown_height != height)
            SDL_SetWindowSize(window, width, height);
        SDL_GetWindowPosition(window, &x, &y);
        if (x != rect.left || y != rect.top)
            SDL_SetWindowPosition(window, rect.left, rect.top);  // a dragged dialog takes its real window along
        SDL_Surface* surface = SDL_GetWindowSurface(window);
        if (surface == nullptr)
            return false;
        const int copy_width = std::min(width, surface->w), copy_height = std::min(height, surface->h);
        if (SDL_LockSurface(surface) != 0)
            return false;
        SDL_ConvertPixels(copy_width, copy_height, SDL_PIXELFORMAT_RGB888, pixels.data(), width * 4,
                          surface->format->format, surface->pixels, surface->pitch);
        SDL_UnlockSurface(surface);
        if (SDL_UpdateWindowSurface(window) != 0)
            return false;
        presented = pixels;
        ++present_count;
        force = false;
        return true;
    }

    void Handle(const SDL_Event& event) {
        const std::uint32_t id = SDL_GetWindowID(window);
        switch (event.type) {
        case SDL_QUIT:
            open = false;
            break;
        case SDL_WINDOWEVENT:
            if (event.window.windowID != id)
                break;
            if (event.window.event == SDL_WINDOWEVENT_CLOSE)
                open = false;
            else if (event.window.event == SDL_WINDOWEVENT_EXPOSED || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                force = true;
            break;
        case SDL_MOUSEMOTION:
            if (event.motion.windowID == id)
                InjectMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, ScreenPoint(event.motion.x, event.motion.y));
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            if (event.button.windowID != id)
                break;
            const bool down = event.type == SDL_MOUSEBUTTONDOWN;
            DWORD flags = 0;
            if (event.button.button == SDL_BUTTON_LEFT)
                flags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
            else if (event.button.button == SDL_BUTTON_RIGHT)
                flags = down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP;
            else
                break;
            InjectMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, ScreenPoint(event.button.x, event.button.y));
            INPUT input;
            input.mi.dwFlags = flags;
            SendInput(1, &input, sizeof(INPUT));
            break;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            if (event.key.windowID != id)
                break;
            const bool up = event.type == SDL_KEYUP;
            const int key = KeyPathKeyOf(event.key);
            if (key != 0)
                InjectKey(static_cast<WORD>(key), 0, up ? KEYEVENTF_KEYUP : 0);
            break;
        }
        case SDL_TEXTINPUT: {
            if (event.text.windowID != id)
                break;
            // One character each; the space comes from its key. A character
            // Windows-1252 lacks is dropped alone.
            const std::string_view text(event.text.text);
            for (std::size_t at = 0; at < text.size();) {
                const std::size_t length =
                    std::min(SequenceLength(static_cast<unsigned char>(text[at])), text.size() - at);
                const std::string_view sequence = text.substr(at, length);
                at += length;
                if (const int byte = TypedByteOf(sequence); byte != 0)
                    InjectKey(0, static_cast<WORD>(byte), KEYEVENTF_UNICODE);
            }
            break;
        }
        default:
            break;
        }
    }
};

DisplayWindow::DisplayWindow() : impl_(std::make_unique<Impl>()) {}

std::unique_ptr<DisplayWindow> DisplayWindow::Open(HWND window, std::string* error) {
    RECT rect;
    if (!IsWindow(window) || !GetWindowRect(window, &rect) || rect.right <= rect.left || rect.bottom <= rect.top) {
        if (error != nullptr)
            *error = "no window to show";
        return nullptr;
    }
    if (!AcquireSdl(error))
        return nullptr;
    std::unique_ptr<DisplayWindow> display(new DisplayWindow);
    char title[256] = {};
    GetWindowText(window, title, sizeof title);
    const std::string utf8 = Windows1252ToUtf8(title);
    display->impl_->window = SDL_CreateWindow(utf8.c_str(), rect.left, rect.top, rect.right - rect.left,
                                              rect.bottom - rect.top, SDL_WINDOW_SHOWN);
    if (display->impl_->window == nullptr) {
        if (error != nullptr)
            *error = SDL_GetError();
        return nullptr;
    }
    display->impl_->shown = window;
    display->impl_->rect = rect;
    display->impl_->open = true;
    return display;
}

DisplayWindow::~DisplayWindow() {
    if (impl_->hook_installed)
        SetIdleHook(nullptr);
    if (impl_->window != nullptr)
        SDL_DestroyWindow(impl_->window);
}

bool DisplayWindow::Pump(int wait_ms) {
    if (!impl_->open)
        return false;
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, std::max(0, wait_ms)) != 0) {
        impl_->Handle(event);
        while (SDL_PollEvent(&event) != 0)
            impl_->Handle(event);
    }
    if (!impl_->open || !IsWindow(impl_->shown)) {
        // The shown window goes the way a close of its own would take it.
        if (IsWindow(impl_->shown))
            PostMessage(impl_->shown, WM_CLOSE, 0, 0);
        impl_->open = false;
        return false;
    }
    std::vector<std::uint32_t> pixels;
    if (impl_->Compose(pixels) && (impl_->force || pixels != impl_->presented))
        impl_->Show(pixels);
    return true;
}

bool DisplayWindow::Present() {
    std::vector<std::uint32_t> pixels;
    return impl_->open && impl_->Compose(pixels) && impl_->Show(pixels);
}

void DisplayWindow::InstallIdleHook() {
    impl_->hook_installed = true;
    SetIdleHook([this] { return Pump(KV_DISPLAY_IDLE_WAIT_MS); });
}

bool DisplayWindow::IsOpen() const { return impl_->open; }

POINT DisplayWindow::DesktopOrigin() const {
    int x = 0, y = 0;
    SDL_GetWindowPosition(impl_->window, &x, &y);
    return POINT{x, y};
}

std::uint64_t DisplayWindow::PresentCount() const { return impl_->present_count; }

std::uint32_t DisplayWindow::WindowId() const { return SDL_GetWindowID(impl_->window); }

bool DisplayGrabDesktop(const RECT& rect, std::vector<std::uint32_t>& pixels) {
    pixels.clear();
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return false;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return false;
    XImage* image = XGetImage(display, DefaultRootWindow(display), rect.left, rect.top, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image != nullptr) {
        pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
                    static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFFu;
        XDestroyImage(image);
    }
    XCloseDisplay(display);
    return image != nullptr;
}
