// BENCH_LIBRARIES: kv_controls
// Costs that follow the length of a text: the first paint of an XP button
// whose single-line caption must be cut to its width, and Home and End in an
// edit, each with the repaint a person waits for. Both should grow about
// linearly: the longer text within 5 times the time of the text a quarter as
// long.

#include "control_bench_scene.h"
#include "controls/kv_ui_xp_button.h"
#include "platform/mfc/mfc_edit.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

// Words of mixed widths, as a long caption or a long line would hold.
std::string LongText(std::size_t length) {
    const std::string words = "Adressbuch Journaleintrag WMW il. ";
    std::string text;
    text.reserve(length);
    while (text.size() < length)
        text += words;
    text.resize(length);
    return text;
}

std::string ButtonCatalog(const std::string& caption) {
    return "<GUI><catalog_UIOBJECTXPBUTTON><UIOBJECTXPBUTTON identifier=\"B\">"
           "<positionx>20</positionx><positiony>20</positiony><width>90</width><height>24</height>"
           "<text>" +
           caption +
           "</text><textstyle>DT_CENTER,DT_VCENTER,DT_SINGLELINE</textstyle>"
           "<flagroundedgeleft>TRUE</flagroundedgeleft><flagroundedgeright>TRUE</flagroundedgeright>"
           "</UIOBJECTXPBUTTON></catalog_UIOBJECTXPBUTTON></GUI>";
}

// From showing a new button to the end of its paint; making it is not timed.
void BM_XPButtonFirstPaint(benchmark::State& state) {
    const std::string catalog = ButtonCatalog(LongText(static_cast<std::size_t>(state.range(0))));
    ControlBenchScene scene(catalog.c_str(), kUIObjectXPButton, 200, 100);
    for (auto _ : state) {
        state.PauseTiming();
        auto button = std::make_unique<CKvUIXPButton>();
        button->SetOwner(&scene.catalog);
        button->GetIdentifier() = "B";
        button->CreateFromDescription(&scene.parent, TRUE);
        state.ResumeTiming();
        button->ShowWindow(SW_SHOW);
        button->UpdateWindow();
        state.PauseTiming();
        button->DestroyWindow();
        button.reset();
        PumpUntilIdle();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_XPButtonFirstPaint)->Arg(16000)->Arg(64000)->Unit(benchmark::kMillisecond);

// Home then End in a 200-pixel edit holding the text, each key handled and
// its repaint drawn: the repaint after Home draws the text that End scrolled
// away from, most of what the keys cost.
void BM_EditHomeEndRepainted(benchmark::State& state) {
    static constexpr const char* kNoCatalog = "<GUI/>";
    ControlBenchScene scene(kNoCatalog, kUIObjectXPButton, 300, 100);
    CEdit edit;
    edit.Create(WS_VISIBLE | ES_AUTOHSCROLL, CRect(10, 10, 210, 30), &scene.parent, 7);
    edit.SetFont(&scene.font, FALSE);
    edit.SetLimitText(0);
    edit.SetWindowText(LongText(static_cast<std::size_t>(state.range(0))));
    edit.SetFocus();
    PumpUntilIdle();
    for (auto _ : state) {
        edit.SendMessage(WM_KEYDOWN, VK_HOME);
        edit.UpdateWindow();
        edit.SendMessage(WM_KEYDOWN, VK_END);
        edit.UpdateWindow();
        benchmark::DoNotOptimize(edit.GetFirstVisibleLine());
    }
    state.SetItemsProcessed(state.iterations());
    edit.DestroyWindow();
}
BENCHMARK(BM_EditHomeEndRepainted)->Arg(16384)->Arg(65536)->Unit(benchmark::kMillisecond);

}  // namespace
