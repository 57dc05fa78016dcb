// BENCH_LIBRARIES: kv_controls
// BENCH_PEER: BM_XPButtonHoverChange BM_BitBltOfTheButtonArea time
// BENCH_PEER: BM_XPButtonHoverChangeDrawnAnew BM_BitBltOfTheButtonArea time
// A hover change of an XP button (invalidation, erase, paint, the reflected
// WM_DRAWITEM, the double-buffered face with its caption, the region handed
// to the window) against one BitBlt of the button's area. The hover change
// should stay within 20 times the BitBlt. The button keeps each look's
// composed face, so a change back to a look already drawn only copies it.

#include "controls/kv_ui_xp_button.h"
#include "core/xml_document.h"
#include "guidesc/ui_object_catalog.h"
#include "platform/thread_messaging.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

constexpr const char* kCatalog =
    "<GUI><catalog_UIOBJECTXPBUTTON><UIOBJECTXPBUTTON identifier=\"B\">"
    "<positionx>20</positionx><positiony>20</positiony><width>90</width><height>24</height>"
    "<text>Apply</text><textstyle>DT_CENTER,DT_VCENTER,DT_SINGLELINE</textstyle>"
    "<flagroundedgeleft>TRUE</flagroundedgeleft><flagroundedgeright>TRUE</flagroundedgeright>"
    "</UIOBJECTXPBUTTON></catalog_UIOBJECTXPBUTTON></GUI>";

LRESULT ParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProc(window, message, wParam, lParam);
}

// A GUI thread with a parent window, its font and one button.
class Scene {
public:
    Scene() {
        queue_ = std::make_shared<MessageQueue>();
        AttachThreadQueue(queue_);
        WNDCLASSEX window_class;
        window_class.lpfnWndProc = &ParentProcedure;
        window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1);
        window_class.lpszClassName = "BenchXPParent";
        RegisterClassEx(&window_class);
        parent.CreateEx(0, "BenchXPParent", "", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr);
        LOGFONT description{};
        description.lfHeight = -11;
        std::snprintf(description.lfFaceName, sizeof description.lfFaceName, "%s", "DejaVu Sans");
        font.CreateFontIndirect(&description);
        parent.SetFont(&font, FALSE);
        XmlDocument document;
        document.Parse(kCatalog);
        catalog.RegisterTypes();
        catalog.ReadType(document, kUIObjectXPButton);
        button.SetOwner(&catalog);
        button.GetIdentifier() = "B";
        button.CreateFromDescription(&parent, TRUE);
        button.ShowWindow(SW_SHOW);
        PumpUntilIdle();
    }
    ~Scene() {
        button.DestroyWindow();
        parent.DestroyWindow();
        DetachThreadQueue();
        queue_->CloseAndDrain();
    }

    CKvUIObjectCatalog catalog;
    CWnd parent;
    CFont font;
    CKvUIXPButton button;

private:
    std::shared_ptr<MessageQueue> queue_;
};

void BM_XPButtonHoverChange(benchmark::State& state) {
    Scene scene;
    bool hover = false;
    for (auto _ : state) {
        hover = !hover;
        scene.button.SendMessage(hover ? WM_MOUSEHOVER : WM_MOUSELEAVE);
        scene.button.UpdateWindow();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_XPButtonHoverChange);

// The same with the composed faces forgotten before each change, so every
// change draws its face and caption anew.
void BM_XPButtonHoverChangeDrawnAnew(benchmark::State& state) {
    Scene scene;
    const CRect text = scene.button.GetTextRectangle();
    const CPoint position = scene.button.GetTextPosition();
    bool hover = false;
    for (auto _ : state) {
        hover = !hover;
        scene.button.SetTextArea(text, position);
        scene.button.SendMessage(hover ? WM_MOUSEHOVER : WM_MOUSELEAVE);
        scene.button.UpdateWindow();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_XPButtonHoverChangeDrawnAnew);

void BM_BitBltOfTheButtonArea(benchmark::State& state) {
    Scene scene;
    CRect area;
    scene.button.GetClientRect(&area);
    CDC* target = scene.button.GetDC();
    CDC memory;
    memory.CreateCompatibleDC(target);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(target, area.Width(), area.Height());
    CBitmap* previous = memory.SelectObject(&bitmap);
    for (auto _ : state)
        benchmark::DoNotOptimize(target->BitBlt(0, 0, area.Width(), area.Height(), &memory, 0, 0, SRCCOPY));
    memory.SelectObject(previous);
    scene.button.ReleaseDC(target);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BitBltOfTheButtonArea);

}  // namespace
