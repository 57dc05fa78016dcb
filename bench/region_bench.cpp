// BENCH_LIBRARIES: kv_controls
// BENCH_PEER: BM_RegionFromBitmap BM_GetBitmapBits time
// RegionFromBitmap of a 1000x1000 image with rounded transparent corners and
// a hole, against GetBitmapBits of the same image: the pass over the pixels
// should dominate (target: at most 4 times its time).
//
// Run: build-release/bench/region_bench (or any Release build folder).

#include "controls/kv_painter.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int kSide = 1000;
constexpr COLORREF kKey = RGB(255, 0, 255);

struct Image {
    Image() {
        dc.CreateCompatibleDC(nullptr);
        bitmap.CreateCompatibleBitmap(&dc, kSide, kSide);
        previous = dc.SelectObject(&bitmap);
        RECT all{0, 0, kSide, kSide};
        dc.FillSolidRect(&all, kKey);
        CBrush face;
        face.CreateSolidBrush(RGB(40, 80, 120));
        CBrush* old = dc.SelectObject(&face);
        CPen* oldPen = dc.SelectObject(static_cast<CPen*>(nullptr));
        dc.RoundRect(0, 0, kSide, kSide, 120, 120);
        dc.SelectObject(old);
        if (oldPen)
            dc.SelectObject(oldPen);
        RECT hole{400, 400, 600, 600};
        dc.FillSolidRect(&hole, kKey);
        dc.SelectObject(previous);
    }
    ~Image() {
        bitmap.DeleteObject();
        dc.DeleteDC();
    }
    CDC dc;
    CBitmap bitmap;
    CBitmap* previous = nullptr;
};

void BM_RegionFromBitmap(benchmark::State& state) {
    Image image;
    const CKvPainter painter;
    const KvColorRange key{kKey, kKey};
    for (auto _ : state) {
        CRgn region;
        painter.RegionFromBitmap(&region, nullptr, image.bitmap, &key, 1.0f, 1.0f,
                                 kKvRegionBufferSize);
        benchmark::DoNotOptimize(region.m_hObject);
    }
}
BENCHMARK(BM_RegionFromBitmap)->Unit(benchmark::kMillisecond);

void BM_GetBitmapBits(benchmark::State& state) {
    Image image;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(kSide) * kSide);
    for (auto _ : state) {
        GetBitmapBits(image.bitmap, static_cast<LONG>(pixels.size() * 4), pixels.data());
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(BM_GetBitmapBits)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
