// BENCH_LIBRARIES: kv_gallery PkgConfig::CAIRO
// BENCH_PEER: BM_ConfigurationFullRepaint BM_CairoPaintOfDialogSize time
// The full repaint of the configuration dialog of the gallery (its tabs,
// combo box, list control with twenty rows, check boxes and XP buttons) after
// its first composition, in frames per second, against one cairo_paint of a
// surface of the dialog's size; and the first paint (composition, fonts,
// captures) of a new dialog beside it.

#include "core/handle_table.h"
#include "examples/gallery/gallery.h"
#include "platform/message_queue.h"
#include "platform/thread_messaging.h"

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <filesystem>
#include <memory>

namespace {

class GuiThread {
public:
    GuiThread() : queue_(std::make_shared<MessageQueue>()) { AttachThreadQueue(queue_); }
    ~GuiThread() {
        DetachThreadQueue();
        queue_->CloseAndDrain();
    }
    GuiThread(const GuiThread&) = delete;
    GuiThread& operator=(const GuiThread&) = delete;

private:
    std::shared_ptr<MessageQueue> queue_;
};

struct Sample {
    Sample() {
        router.Init(&GetHandleTable());
        gallery::LoadSample(catalog, folder.string(), KV_GALLERY_SAMPLE_FILE);
    }
    ~Sample() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "kv_gallery_bench";
    CKvMessageRouter router;
    CKvUIObjectCatalog catalog;
};

void BM_ConfigurationFullRepaint(benchmark::State& state) {
    GuiThread thread;
    Sample sample;
    gallery::ConfigurationDialog dialog(sample.catalog, sample.router);
    if (KvFailed(dialog.Open())) {
        state.SkipWithError("the dialog could not be built");
        return;
    }
    PumpUntilIdle();
    for (auto _ : state) {
        dialog.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpUntilIdle();
    }
    state.counters["frames_per_second"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                             benchmark::Counter::kIsRate);
    state.counters["windows"] = static_cast<double>(dialog.Children().size());
}
BENCHMARK(BM_ConfigurationFullRepaint)->Unit(benchmark::kMicrosecond);

void BM_ConfigurationFirstPaint(benchmark::State& state) {
    GuiThread thread;
    Sample sample;
    for (auto _ : state) {
        gallery::ConfigurationDialog dialog(sample.catalog, sample.router);
        dialog.Open();
        PumpUntilIdle();
        state.PauseTiming();
        dialog.DestroyWindow();
        PumpUntilIdle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ConfigurationFirstPaint)->Unit(benchmark::kMicrosecond);

// One paint of a surface of the dialog's size, as cairo gives it.
void BM_CairoPaintOfDialogSize(benchmark::State& state) {
    constexpr int kWidth = 560, kHeight = 420;
    cairo_surface_t* source = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
    cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
    cairo_t* cr = cairo_create(target);
    for (auto _ : state) {
        cairo_set_source_surface(cr, source, 0, 0);
        cairo_paint(cr);
        cairo_surface_flush(target);
        benchmark::DoNotOptimize(cairo_image_surface_get_data(target));
    }
    cairo_destroy(cr);
    cairo_surface_destroy(target);
    cairo_surface_destroy(source);
}
BENCHMARK(BM_CairoPaintOfDialogSize)->Unit(benchmark::kMicrosecond);

}  // namespace
