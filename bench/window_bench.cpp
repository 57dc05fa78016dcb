// BENCH_LIBRARIES: kv_wnd
// BENCH_PEER: BM_WindowFromPoint BM_FlatHitLoop time
// BENCH_PEER: BM_InjectedMouseMoves BM_PlainThreadMessages time
// The window system against the plain work underneath it: WindowFromPoint at
// random points over a 640 x 480 window with 30 children (ten of them with
// rounded regions) against a flat loop over the same rectangles and regions;
// injected mouse moves (hit test, WM_SETCURSOR, post, pre-translate chain,
// handler) against plain ThreadMessages through a MessageQueue on one thread.

#include "platform/message_queue.h"
#include "platform/platform_window.h"
#include "platform/thread_messaging.h"
#include "platform/wnd/wnd.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kColumns = 6;
constexpr int kRows = 5;
constexpr int kPoints = 4096;

std::uint64_t handled = 0;

LRESULT CountingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MOUSEMOVE) {
        ++handled;
        return 0;
    }
    return DefWindowProc(window, message, wParam, lParam);
}

class NoHooks : public WindowHooks {
public:
    bool PreTranslateMessage(MSG&) override { return false; }
    void OnDroppedMessage(const MSG&) override {}
};

RECT ChildRect(int index) {
    const int column = index % kColumns;
    const int row = index / kColumns;
    const int left = 10 + column * 104;
    const int top = 10 + row * 92;
    return RECT{left, top, left + 96, top + 84};
}

std::vector<POINT> RandomPoints() {
    std::mt19937 random(42);
    std::uniform_int_distribution<int> x(0, kWidth - 1);
    std::uniform_int_distribution<int> y(0, kHeight - 1);
    std::vector<POINT> points(kPoints);
    for (POINT& point : points)
        point = POINT{x(random), y(random)};
    return points;
}

// A GUI thread with the 640 x 480 window and its children.
struct Scene {
    Scene() {
        queue = std::make_shared<MessageQueue>();
        AttachThreadQueue(queue);
        WNDCLASSEX window_class;
        window_class.lpszClassName = "BenchWindow";
        window_class.lpfnWndProc = CountingProcedure;
        RegisterClassEx(&window_class);
        top = CreateWindowEx(0, "BenchWindow", "", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr, nullptr,
                             nullptr, nullptr);
        SetWindowHooks(top, &hooks);
        for (int i = 0; i < kColumns * kRows; ++i) {
            const RECT rect = ChildRect(i);
            HWND child = CreateWindowEx(0, "BenchWindow", "", WS_CHILD | WS_VISIBLE, rect.left, rect.top,
                                        rect.right - rect.left, rect.bottom - rect.top, top, nullptr, nullptr, nullptr);
            SetWindowHooks(child, &hooks);
            if (i % 3 == 0)
                SetWindowRgn(child, CreateRoundRectRgn(0, 0, 97, 85, 40, 40), FALSE);
        }
        PumpUntilIdle();
    }
    ~Scene() {
        DestroyWindow(top);
        DetachThreadQueue();
        queue->CloseAndDrain();
    }
    std::shared_ptr<MessageQueue> queue;
    NoHooks hooks;
    HWND top = nullptr;
};

void BM_WindowFromPoint(benchmark::State& state) {
    Scene scene;
    const std::vector<POINT> points = RandomPoints();
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(WindowFromPoint(points[next]));
        next = (next + 1) % points.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WindowFromPoint);

void BM_FlatHitLoop(benchmark::State& state) {
    std::vector<RECT> rects;
    std::vector<HRGN> regions;
    for (int i = 0; i < kColumns * kRows; ++i) {
        rects.push_back(ChildRect(i));
        regions.push_back(i % 3 == 0 ? CreateRoundRectRgn(0, 0, 97, 85, 40, 40) : nullptr);
    }
    const std::vector<POINT> points = RandomPoints();
    std::size_t next = 0;
    for (auto _ : state) {
        const POINT point = points[next];
        next = (next + 1) % points.size();
        int hit = -1;
        for (int i = static_cast<int>(rects.size()) - 1; i >= 0; --i) {
            const RECT& rect = rects[static_cast<std::size_t>(i)];
            if (point.x < rect.left || point.x >= rect.right || point.y < rect.top || point.y >= rect.bottom)
                continue;
            HRGN region = regions[static_cast<std::size_t>(i)];
            if (region != nullptr && !PtInRegion(region, point.x - rect.left, point.y - rect.top))
                continue;
            hit = i;
            break;
        }
        benchmark::DoNotOptimize(hit);
    }
    for (HRGN region : regions)
        if (region != nullptr)
            DeleteObject(region);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FlatHitLoop);

void BM_InjectedMouseMoves(benchmark::State& state) {
    Scene scene;
    const std::vector<POINT> points = RandomPoints();
    std::size_t next = 0;
    INPUT input;
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    for (auto _ : state) {
        input.mi.dx = points[next].x;
        input.mi.dy = points[next].y;
        next = (next + 1) % points.size();
        SendInput(1, &input, sizeof(INPUT));
        MSG message;
        while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!PreTranslateWindowMessage(message))
                DispatchMessage(&message);
        }
    }
    benchmark::DoNotOptimize(handled);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_InjectedMouseMoves);

void Handle(const ThreadMessage& message) {
    if (message.message == WM_MOUSEMOVE)
        ++handled;
}

void BM_PlainThreadMessages(benchmark::State& state) {
    MessageQueue queue;
    const std::vector<POINT> points = RandomPoints();
    std::size_t next = 0;
    for (auto _ : state) {
        const POINT point = points[next];
        next = (next + 1) % points.size();
        queue.Post(ThreadMessage{nullptr, WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y)});
        ThreadMessage message;
        while (queue.PeekMessage(message, true))
            Handle(message);
    }
    benchmark::DoNotOptimize(handled);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlainThreadMessages);

} // namespace
