#include "platform/wnd/wnd_internal.h"

#include <algorithm>
#include <cstring>

using namespace wnd_internal;

std::vector<HWND> WndChildWindows(HWND parent) {
    std::vector<HWND> children;
    if (Window* window = Find(parent))
        for (const Window* child : window->children)
            if (!child->destroyed)
                children.push_back(child->hwnd);
    return children;
}

std::vector<HWND> WndTopLevelWindows() {
    std::vector<HWND> tops;
    for (const Window* top : State().top_levels)
        if (!top->destroyed)
            tops.push_back(top->hwnd);
    return tops;
}

HWND WndLastFocus(HWND top_level) {
    Window* top = Find(top_level);
    if (top == nullptr || top->parent != nullptr)
        return nullptr;
    Window* last = Find(top->last_focus);
    return last != nullptr && &TopLevel(*last) == top ? last->hwnd : nullptr;
}

int GetClassName(HWND handle, char* buffer, int size) {
    Window* window = Find(handle);
    if (window == nullptr || buffer == nullptr || size <= 0)
        return 0;
    const std::string& name = window->window_class->name;
    const auto length =
        static_cast<int>(std::min<std::size_t>(name.size(), static_cast<std::size_t>(size) - 1));
    std::memcpy(buffer, name.data(), static_cast<std::size_t>(length));
    buffer[length] = '\0';
    return length;
}
