// BENCH_LIBRARIES: kv_controls
// BENCH_PEER: BM_XPButtonHoverChange BM_BitBltOfTheButtonArea time
// BENCH_PEER: BM_XPButtonHoverChangeDrawnAnew BM_BitBltOfTheButtonArea time
// A hover change of an XP button (invalidation, erase, paint, the reflected
// WM_DRAWITEM, the double-buffered face with its caption, the region handed
// to the window) against one BitBlt of the button's area. The hover change
// should stay within 20 times the BitBlt. The button keeps each look's
// composed face, so a change back to a look already drawn only copies it.

#include "control_bench_scene.h"
#include "controls/kv_ui_xp_button.h"

#include <benchmark/benchmark.h>


namespace {

constexpr const char* kCatalog =
    "<GUI><catalog_UIOBJECTXPBUTTON><UIOBJECTXPBUTTON identifier=\"B\">"
    "<positionx>20</positionx><positiony>20</positiony><width>90</width><height>24</height>"
    "<text>Apply</text><textstyle>DT_CENTER,DT_VCENTER,DT_SINGLELINE</textstyle>"
    "<flagroundedgeleft>TRUE</flagroundedgeleft><flagroundedgeright>TRUE</flagroundedgeright>"
    "</UIOBJECTXPBUTTON></catalog_UIOBJECTXPBUTTON></GUI>";

// The parent, its font and one button.
class Scene {
public:
    Scene() : base(kCatalog, kUIObjectXPButton, 200, 100) {
        button.SetOwner(&base.catalog);
        button.GetIdentifier() = "B";
        button.CreateFromDescription(&base.parent, TRUE);
        button.ShowWindow(SW_SHOW);
        PumpUntilIdle();
    }
    ~Scene() { button.DestroyWindow(); }

    ControlBenchScene base;
    CKvUIXPButton button;
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
