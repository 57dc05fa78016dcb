#include "platform/gdi/gdi.h"
#include "support/gui_test_support.h"

#include <thread>
#include <vector>

namespace {

constexpr int kThreads = 4;
constexpr int kObjects = 200;

std::vector<std::uint32_t> DrawSample() {
    Canvas canvas(80, 20);
    SelectObject(canvas.dc(), GetStockObject(DEFAULT_GUI_FONT));
    RECT rect{0, 0, 80, 20};
    DrawText(canvas.dc(), "&Threads", -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    HRGN round = CreateRoundRectRgn(2, 2, 30, 18, 6, 6);
    FrameRgn(canvas.dc(), round, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 1, 1);
    DeleteObject(round);
    return canvas.Pixels();
}

}  // namespace

using GdiObjectsConcurrency = GdiTest;

TEST_F(GdiObjectsConcurrency, ThreadsCreateUseAndDeleteObjectsWithoutMixingHandles) {
    const std::vector<std::uint32_t> expected = DrawSample();
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures, &expected] {
            std::vector<HBRUSH> brushes;
            for (int i = 0; i < kObjects; ++i)
                brushes.push_back(CreateSolidBrush(RGB(t, i & 0xFF, 7)));
            Canvas canvas(1, 1);
            for (int i = 0; i < kObjects; ++i) {
                const RECT pixel{0, 0, 1, 1};
                FillRect(canvas.dc(), &pixel, brushes[static_cast<std::size_t>(i)]);
                failures[static_cast<std::size_t>(t)] += canvas.At(0, 0) != RGB(t, i & 0xFF, 7);
            }
            for (HBRUSH brush : brushes)
                failures[static_cast<std::size_t>(t)] += DeleteObject(brush) != TRUE;
            // Every handle is dead now, whatever other threads created since.
            for (HBRUSH brush : brushes)
                failures[static_cast<std::size_t>(t)] += DeleteObject(brush) != FALSE;
            failures[static_cast<std::size_t>(t)] += DrawSample() != expected;
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(failures[static_cast<std::size_t>(t)], 0) << "thread " << t;
    ExpectRefused(kThreads * kObjects);
}
