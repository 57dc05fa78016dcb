// BENCH_LIBRARIES: kv_controls
// Filling a skinned combo box ex with n lines through AddEntry, the drop
// width kept equal to a measurement over all lines, and emptying it again
// with RemoveAllEntries, which removes the lines one by one at index 0. The
// time of each should grow about linearly: 20,000 lines within 5 times the
// time of 5,000.

#include "control_bench_scene.h"
#include "controls/kv_ui_combo_box_ex.h"
#include "platform/text.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

constexpr const char* kCatalog =
    "<GUI><catalog_UIOBJECTCOMBOBOXEX><UIOBJECTCOMBOBOXEX identifier=\"C\">"
    "<positionx>10</positionx><positiony>10</positiony><width>180</width><height>200</height>"
    "<comboboxstyle>CBS_DROPDOWNLIST</comboboxstyle><windowstyle>WS_CHILD,WS_VISIBLE</windowstyle>"
    "</UIOBJECTCOMBOBOXEX></catalog_UIOBJECTCOMBOBOXEX></GUI>";

class Scene {
public:
    Scene() : base(kCatalog, kUIObjectComboBoxEx, 300, 300) {
        combo.SetOwner(&base.catalog);
        combo.GetIdentifier() = "C";
        combo.CreateFromDescription(&base.parent, TRUE);
        PumpUntilIdle();
    }
    ~Scene() { combo.DestroyWindow(); }

    ControlBenchScene base;
    CKvUIComboBoxEx combo;
};

// Identifiers and texts of the lines, in the order of adding.
struct Lines {
    explicit Lines(int count) {
        for (int i = 0; i < count; ++i) {
            identifiers.push_back(Format("line%05d", i));
            texts.push_back(Format("Adressbuch %d", i * 7919 % 100000));
        }
    }
    void AddTo(CKvUIComboBoxEx& combo) const {
        for (std::size_t i = 0; i < identifiers.size(); ++i)
            combo.AddEntry(identifiers[i], texts[i]);
    }
    std::vector<std::string> identifiers, texts;
};

void BM_ComboBoxExFill(benchmark::State& state) {
    Scene scene;
    const Lines lines(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        lines.AddTo(scene.combo);
        benchmark::DoNotOptimize(scene.combo.GetDroppedWidth());
        state.PauseTiming();
        scene.combo.RemoveAllEntries();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ComboBoxExFill)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_ComboBoxExEmpty(benchmark::State& state) {
    Scene scene;
    const Lines lines(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        lines.AddTo(scene.combo);
        state.ResumeTiming();
        scene.combo.RemoveAllEntries();
        benchmark::DoNotOptimize(scene.combo.GetCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
// 80,000 lines: like 20,000, more than one core's cache holds.
BENCHMARK(BM_ComboBoxExEmpty)->Arg(5000)->Arg(20000)->Arg(80000)->Unit(benchmark::kMillisecond);

}  // namespace
