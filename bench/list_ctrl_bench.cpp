// BENCH_LIBRARIES: kv_controls
// Removing every row of a skinned list control one by one with RemoveRow,
// from the last row back and from the first row forward. From the last row
// back nothing is renumbered and the time should grow about linearly:
// 100,000 rows within 8 times the time of 25,000. From the first row forward
// every removal moves each row after it up one, in the list view and in the
// row map, so that time grows with the square of the rows.

#include "control_bench_scene.h"
#include "controls/kv_ui_list_ctrl.h"
#include "platform/text.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

constexpr const char* kCatalog =
    "<GUI><catalog_UIOBJECTLISTCTRL><UIOBJECTLISTCTRL identifier=\"L\">"
    "<positionx>10</positionx><positiony>10</positiony><width>280</width><height>200</height>"
    "<listctrlstyle>LVS_REPORT</listctrlstyle><windowstyle>WS_CHILD,WS_VISIBLE</windowstyle>"
    "<headernamelist>Name:2,Path:1</headernamelist>"
    "</UIOBJECTLISTCTRL></catalog_UIOBJECTLISTCTRL></GUI>";

class Scene {
public:
    Scene() : base(kCatalog, kUIObjectListCtrl, 300, 300) {
        list.SetOwner(&base.catalog);
        list.GetIdentifier() = "L";
        list.CreateFromDescription(&base.parent, TRUE);
        PumpUntilIdle();
    }
    ~Scene() { list.DestroyWindow(); }

    ControlBenchScene base;
    CKvUIListCtrl list;
};

// Identifiers and texts of the rows, in the order of adding.
struct Rows {
    explicit Rows(int count) {
        for (int i = 0; i < count; ++i) {
            identifiers.push_back(Format("row%06d", i));
            BoundedStringList row;
            row.Add(Format("Kontakte %d", i * 7919 % 100000));
            row.Add(Format("/Ordner/%d", i));
            texts.push_back(std::move(row));
        }
    }
    void AddTo(CKvUIListCtrl& list) const {
        for (std::size_t i = 0; i < identifiers.size(); ++i)
            list.AddRow(identifiers[i], &texts[i]);
    }
    std::vector<std::string> identifiers;
    std::vector<BoundedStringList> texts;
};

void RemoveRows(benchmark::State& state, bool from_last) {
    Scene scene;
    const Rows rows(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        rows.AddTo(scene.list);
        state.ResumeTiming();
        if (from_last) {
            for (auto at = rows.identifiers.rbegin(); at != rows.identifiers.rend(); ++at)
                scene.list.RemoveRow(*at);
        } else {
            for (const std::string& identifier : rows.identifiers)
                scene.list.RemoveRow(identifier);
        }
        benchmark::DoNotOptimize(scene.list.GetItemCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ListCtrlRemoveFromTheLastRowBack(benchmark::State& state) { RemoveRows(state, true); }
BENCHMARK(BM_ListCtrlRemoveFromTheLastRowBack)->Arg(25000)->Arg(100000)->Unit(benchmark::kMillisecond);

// One pass takes seconds at 25,000 rows (minutes at 100,000): one iteration a
// repetition.
void BM_ListCtrlRemoveFromTheFirstRowForward(benchmark::State& state) { RemoveRows(state, false); }
BENCHMARK(BM_ListCtrlRemoveFromTheFirstRowForward)
    ->Arg(6250)
    ->Arg(25000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
