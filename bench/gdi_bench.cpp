// BENCH_LIBRARIES: kv_gdi
// BENCH_PEER: BM_GdiBitBlt BM_CairoPaint time
// BENCH_PEER: BM_GdiFillRect BM_CairoFillRectangle time
// BENCH_PEER: BM_GdiDrawText BM_CairoShowGlyphs time
// BENCH_PEER: BM_GdiCombineRgnOr BM_CairoRegionUnion time
// The drawing layer against plain cairo: a 640 x 480 BitBlt and FillRect
// against cairo_paint and a rectangle fill, DrawText of 40 characters against
// cairo_show_glyphs of the same glyphs, and CombineRgn OR of two 100-rectangle
// regions against cairo_region_union.

#include "platform/gdi/gdi.h"

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr char kText[] = "The quick brown fox jumps over a lazy dog";  // 40 characters

struct GdiCanvas {
    GdiCanvas() {
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateCompatibleBitmap(dc, kWidth, kHeight);
        previous = SelectObject(dc, bitmap);
    }
    ~GdiCanvas() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
};

void BM_GdiBitBlt(benchmark::State& state) {
    GdiCanvas source;
    GdiCanvas target;
    for (auto _ : state)
        benchmark::DoNotOptimize(BitBlt(target.dc, 0, 0, kWidth, kHeight, source.dc, 0, 0, SRCCOPY));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GdiBitBlt);

void BM_CairoPaint(benchmark::State& state) {
    cairo_surface_t* source = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
    cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
    cairo_t* cr = cairo_create(target);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    for (auto _ : state) {
        cairo_set_source_surface(cr, source, 0, 0);
        cairo_paint(cr);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(source);
    cairo_surface_destroy(target);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CairoPaint);

void BM_GdiFillRect(benchmark::State& state) {
    GdiCanvas target;
    HBRUSH brush = CreateSolidBrush(RGB(236, 233, 216));
    const RECT all{0, 0, kWidth, kHeight};
    for (auto _ : state)
        benchmark::DoNotOptimize(FillRect(target.dc, &all, brush));
    DeleteObject(brush);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GdiFillRect);

void BM_CairoFillRectangle(benchmark::State& state) {
    cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
    cairo_t* cr = cairo_create(target);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgb(cr, 236 / 255.0, 233 / 255.0, 216 / 255.0);
    for (auto _ : state) {
        cairo_rectangle(cr, 0, 0, kWidth, kHeight);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(target);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CairoFillRectangle);

void BM_GdiDrawText(benchmark::State& state) {
    GdiCanvas target;
    SelectObject(target.dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(target.dc, TRANSPARENT);
    RECT rect{0, 0, kWidth, 20};
    for (auto _ : state)
        benchmark::DoNotOptimize(DrawText(target.dc, kText, 40, &rect, DT_SINGLELINE | DT_NOPREFIX));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GdiDrawText);

void BM_CairoShowGlyphs(benchmark::State& state) {
    cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
    cairo_t* cr = cairo_create(target);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 11);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr, options);
    cairo_glyph_t* glyphs = nullptr;
    int count = 0;
    cairo_scaled_font_text_to_glyphs(cairo_get_scaled_font(cr), 0, 11, kText, 40, &glyphs, &count, nullptr,
                                     nullptr, nullptr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    for (auto _ : state)
        cairo_show_glyphs(cr, glyphs, count);
    cairo_glyph_free(glyphs);
    cairo_font_options_destroy(options);
    cairo_destroy(cr);
    cairo_surface_destroy(target);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CairoShowGlyphs);

// Two staggered rows of 100 rectangles each.
std::vector<cairo_rectangle_int_t> Rectangles(int shift) {
    std::vector<cairo_rectangle_int_t> rectangles;
    for (int i = 0; i < 100; ++i)
        rectangles.push_back({(i % 10) * 20 + shift, (i / 10) * 20 + shift, 12, 12});
    return rectangles;
}

HRGN GdiRegionOf(const std::vector<cairo_rectangle_int_t>& rectangles) {
    std::vector<unsigned char> bytes(sizeof(RGNDATAHEADER) + rectangles.size() * sizeof(RECT));
    RGNDATAHEADER header;
    header.dwSize = sizeof(RGNDATAHEADER);
    header.iType = RDH_RECTANGLES;
    header.nCount = static_cast<DWORD>(rectangles.size());
    std::memcpy(bytes.data(), &header, sizeof(header));
    for (std::size_t i = 0; i < rectangles.size(); ++i) {
        const auto& r = rectangles[i];
        const RECT rect{r.x, r.y, r.x + r.width, r.y + r.height};
        std::memcpy(bytes.data() + sizeof(header) + i * sizeof(RECT), &rect, sizeof(rect));
    }
    return ExtCreateRegion(nullptr, static_cast<DWORD>(bytes.size()), reinterpret_cast<const RGNDATA*>(bytes.data()));
}

void BM_GdiCombineRgnOr(benchmark::State& state) {
    HRGN first = GdiRegionOf(Rectangles(0));
    HRGN second = GdiRegionOf(Rectangles(6));
    HRGN result = CreateRectRgn(0, 0, 0, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(CombineRgn(result, first, second, RGN_OR));
    DeleteObject(first);
    DeleteObject(second);
    DeleteObject(result);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GdiCombineRgnOr);

void BM_CairoRegionUnion(benchmark::State& state) {
    const auto a = Rectangles(0);
    const auto b = Rectangles(6);
    cairo_region_t* first = cairo_region_create_rectangles(a.data(), static_cast<int>(a.size()));
    cairo_region_t* second = cairo_region_create_rectangles(b.data(), static_cast<int>(b.size()));
    for (auto _ : state) {
        // CombineRgn leaves its sources alone, so the union works on a copy.
        cairo_region_t* result = cairo_region_copy(first);
        benchmark::DoNotOptimize(cairo_region_union(result, second));
        cairo_region_destroy(result);
    }
    cairo_region_destroy(first);
    cairo_region_destroy(second);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CairoRegionUnion);

}  // namespace
