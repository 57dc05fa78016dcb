// BENCH_LIBRARIES: kv_controls
// BENCH_PEER: BM_DialogEraseThroughMessages BM_ClientAreaBitBlt time
// WM_ERASEBKGND of a composed 640x480 skinned dialog (gradient, rounded
// region), sent through the window's message path, against one BitBlt of its
// client area from a memory DC: an erase should cost about one copy (target:
// at most 1.5 times its time).
//
// Run: build-release/bench/dialog_erase_bench (or any Release build folder).

#include "controls/kv_ui_dialog.h"
#include "platform/thread_messaging.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

const char* const kCatalog = "<GUI><catalog_UIOBJECTDIALOG><UIOBJECTDIALOG identifier=\"D\">"
                             "<width>640</width><height>480</height><windowstyle>WS_POPUP</windowstyle>"
                             "<style>MDS_GRADIENT,MDS_GRADIENT_ISVERTICAL</style>"
                             "<backgroundcolor>ff8000</backgroundcolor>"
                             "<backgroundcolorrangestart>0000ff</backgroundcolorrangestart>"
                             "<roundedgex>16</roundedgex><roundedgey>16</roundedgey>"
                             "</UIOBJECTDIALOG></catalog_UIOBJECTDIALOG></GUI>";

class GuiThread {
public:
    GuiThread() {
        queue_ = std::make_shared<MessageQueue>();
        AttachThreadQueue(queue_);
    }
    ~GuiThread() {
        DetachThreadQueue();
        queue_->CloseAndDrain();
    }

private:
    std::shared_ptr<MessageQueue> queue_;
};

// A shown, composed dialog and a DC of its client area.
struct ComposedDialog {
    ComposedDialog() {
        catalog.RegisterTypes();
        XmlDocument document;
        document.Parse(kCatalog);
        catalog.ReadType(document, kUIObjectDialog);
        dialog.SetOwner(&catalog);
        dialog.GetIdentifier() = "D";
        dialog.CreateModelessFromDescription();
        dialog.ShowWindow(SW_SHOW);
        PumpUntilIdle();
        dc = ::GetDC(dialog.m_hWnd);
    }
    ~ComposedDialog() {
        ::ReleaseDC(dialog.m_hWnd, dc);
        dialog.DestroyWindow();
    }

    CKvUIObjectCatalog catalog;
    CKvUIDialog dialog;
    HDC dc = nullptr;
};

void BM_DialogEraseThroughMessages(benchmark::State& state) {
    GuiThread thread;
    ComposedDialog composed;
    if (!composed.dialog.GetBackgroundCache().Exists()) {
        state.SkipWithError("the dialog did not compose its background");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(::SendMessage(composed.dialog.m_hWnd, WM_ERASEBKGND,
                                               reinterpret_cast<WPARAM>(composed.dc), 0));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DialogEraseThroughMessages);

void BM_ClientAreaBitBlt(benchmark::State& state) {
    GuiThread thread;
    ComposedDialog composed;
    KvMemorySurface source;
    CDC* target = CDC::FromHandle(composed.dc);
    source.Create(target, kWidth, kHeight);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            ::BitBlt(composed.dc, 0, 0, kWidth, kHeight, source.GetDC().GetSafeHdc(), 0, 0, SRCCOPY));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ClientAreaBitBlt);

} // namespace
