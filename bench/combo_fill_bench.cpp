// BENCH_LIBRARIES: kv_controls
// Filling a skinned combo box ex with n lines through AddEntry, the drop
// width kept equal to a measurement over all lines. The time should grow
// about linearly: 20,000 lines within 5 times the time of 5,000.

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

void BM_ComboBoxExFill(benchmark::State& state) {
    Scene scene;
    const int lines = static_cast<int>(state.range(0));
    std::vector<std::string> identifiers, texts;
    for (int i = 0; i < lines; ++i) {
        identifiers.push_back(Format("line%05d", i));
        texts.push_back(Format("Adressbuch %d", i * 7919 % 100000));
    }
    for (auto _ : state) {
        for (int i = 0; i < lines; ++i)
            scene.combo.AddEntry(identifiers[static_cast<std::size_t>(i)], texts[static_cast<std::size_t>(i)]);
        benchmark::DoNotOptimize(scene.combo.GetDroppedWidth());
        state.PauseTiming();
        scene.combo.RemoveAllEntries();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_ComboBoxExFill)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace
