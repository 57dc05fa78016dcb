// BENCH_LIBRARIES: kv_mfc
// BENCH_PEER: BM_CWndHandlerWithDefault BM_PlainProcedure time
// BENCH_PEER: BM_CWndHandlerThroughTheLoop BM_PlainProcedureThroughTheLoop time
// WM_MOUSEMOVE sent to a window whose CWnd object handles it in
// OnMouseMove and passes it on with Default, against the same message sent to
// a window whose plain procedure handles it. The object's path should keep at
// least half the plain rate. Both again posted and run through the loop
// (pre-translate chain included), as input reaches windows.

#include "platform/mfc/mfc_wnd.h"
#include "platform/thread_messaging.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

std::uint64_t handled = 0;

LRESULT PlainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MOUSEMOVE) {
        ++handled;
        return 0;
    }
    return DefWindowProc(window, message, wParam, lParam);
}

class Handling : public CWnd {
protected:
    void OnMouseMove(UINT, CPoint point) override {
        handled += static_cast<std::uint64_t>(point.x >= 0);
        Default();
    }
};

class GuiThread {
public:
    GuiThread() {
        queue_ = std::make_shared<MessageQueue>();
        AttachThreadQueue(queue_);
        WNDCLASSEX window_class;
        window_class.lpfnWndProc = &PlainProcedure;
        window_class.lpszClassName = "BenchPlain";
        RegisterClassEx(&window_class);
    }
    ~GuiThread() {
        DetachThreadQueue();
        queue_->CloseAndDrain();
    }

private:
    std::shared_ptr<MessageQueue> queue_;
};

void BM_PlainProcedure(benchmark::State& state) {
    GuiThread thread;
    HWND window = CreateWindowEx(0, "BenchPlain", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    for (auto _ : state)
        benchmark::DoNotOptimize(SendMessage(window, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10)));
    DestroyWindow(window);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlainProcedure);

void BM_CWndHandlerWithDefault(benchmark::State& state) {
    GuiThread thread;
    Handling object;
    object.CreateEx(0, "BenchPlain", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr);
    for (auto _ : state)
        benchmark::DoNotOptimize(object.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(10, 10)));
    object.DestroyWindow();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CWndHandlerWithDefault);

void PostAndPump(benchmark::State& state, HWND window) {
    for (auto _ : state) {
        PostMessage(window, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
        PumpUntilIdle();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_PlainProcedureThroughTheLoop(benchmark::State& state) {
    GuiThread thread;
    HWND window = CreateWindowEx(0, "BenchPlain", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    PumpUntilIdle();
    PostAndPump(state, window);
    DestroyWindow(window);
}
BENCHMARK(BM_PlainProcedureThroughTheLoop);

void BM_CWndHandlerThroughTheLoop(benchmark::State& state) {
    GuiThread thread;
    Handling object;
    object.CreateEx(0, "BenchPlain", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr);
    PumpUntilIdle();
    PostAndPump(state, object.m_hWnd);
    object.DestroyWindow();
}
BENCHMARK(BM_CWndHandlerThroughTheLoop);

}  // namespace

BENCHMARK_MAIN();
