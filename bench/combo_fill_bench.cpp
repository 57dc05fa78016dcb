// BENCH_LIBRARIES: kv_controls
// Filling a skinned combo box ex with n lines through AddEntry, the drop
// width kept equal to a measurement over all lines. The time should grow
// about linearly: 20,000 lines within 5 times the time of 5,000.

#include "controls/kv_ui_combo_box_ex.h"
#include "core/xml_document.h"
#include "guidesc/ui_object_catalog.h"
#include "platform/text.h"
#include "platform/thread_messaging.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* kCatalog =
    "<GUI><catalog_UIOBJECTCOMBOBOXEX><UIOBJECTCOMBOBOXEX identifier=\"C\">"
    "<positionx>10</positionx><positiony>10</positiony><width>180</width><height>200</height>"
    "<comboboxstyle>CBS_DROPDOWNLIST</comboboxstyle><windowstyle>WS_CHILD,WS_VISIBLE</windowstyle>"
    "</UIOBJECTCOMBOBOXEX></catalog_UIOBJECTCOMBOBOXEX></GUI>";

LRESULT ParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProc(window, message, wParam, lParam);
}

class Scene {
public:
    Scene() {
        queue_ = std::make_shared<MessageQueue>();
        AttachThreadQueue(queue_);
        WNDCLASSEX window_class;
        window_class.lpfnWndProc = &ParentProcedure;
        window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1);
        window_class.lpszClassName = "BenchComboParent";
        RegisterClassEx(&window_class);
        parent.CreateEx(0, "BenchComboParent", "", WS_POPUP | WS_VISIBLE, 0, 0, 300, 300, nullptr, nullptr);
        LOGFONT description{};
        description.lfHeight = -11;
        std::snprintf(description.lfFaceName, sizeof description.lfFaceName, "%s", "DejaVu Sans");
        font.CreateFontIndirect(&description);
        parent.SetFont(&font, FALSE);
        XmlDocument document;
        document.Parse(kCatalog);
        catalog.RegisterTypes();
        catalog.ReadType(document, kUIObjectComboBoxEx);
        combo.SetOwner(&catalog);
        combo.GetIdentifier() = "C";
        combo.CreateFromDescription(&parent, TRUE);
        PumpUntilIdle();
    }
    ~Scene() {
        combo.DestroyWindow();
        parent.DestroyWindow();
        DetachThreadQueue();
        queue_->CloseAndDrain();
    }

    CKvUIObjectCatalog catalog;
    CWnd parent;
    CFont font;
    CKvUIComboBoxEx combo;

private:
    std::shared_ptr<MessageQueue> queue_;
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
