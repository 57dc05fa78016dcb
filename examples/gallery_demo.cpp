// Demonstration: the plug-in's action and configuration dialogs built from
// the sample GUI description file, a short scripted interaction (a combo
// line chosen, a list row clicked, an XP button pressed) with the events
// that reach the dialogs, and the gallery of pictures written to a folder.
// With --window the configuration dialog is then shown in a real window
// until that window is closed.
//
//   gallery_demo [--window] [output folder]

#include "core/handle_table.h"
#include "examples/gallery/gallery.h"
#include "platform/message_queue.h"
#include "platform/thread_messaging.h"

#ifdef KV_GALLERY_HAS_DISPLAY
#include "platform/display/display.h"
#endif

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

int main(int argc, char** argv) {
    bool window = false;
    std::string folder = (std::filesystem::current_path() / "gallery").string();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--window") == 0)
            window = true;
        else
            folder = argv[i];
    }
    // This thread is the GUI thread: it owns the windows and their queue.
    auto queue = std::make_shared<MessageQueue>();
    AttachThreadQueue(queue);
    int status = 0;
    {
        CKvMessageRouter router;
        router.Init(&GetHandleTable());
        CKvUIObjectCatalog catalog;
        const std::string images = (std::filesystem::temp_directory_path() / "kv_gallery_images").string();
        const KvResult loaded = gallery::LoadSample(catalog, images, KV_GALLERY_SAMPLE_FILE);
        std::printf("Sample %s: 0x%08X\n", KV_GALLERY_SAMPLE_FILE, loaded);
        gallery::ActionDialog action(catalog, router);
        gallery::ConfigurationDialog configuration(catalog, router);
        if (KvFailed(loaded) || KvFailed(action.Open()) || KvFailed(configuration.Open())) {
            std::printf("The dialogs could not be built\n");
            status = 1;
        } else {
            std::printf("Action dialog %d controls, configuration dialog %zu controls, list %d rows\n",
                        static_cast<int>(action.Buttons().size() + 2 + action.GetChildControls().GetCount()),
                        configuration.Children().size(), configuration.List().GetItemCount());
            std::printf("Scripted interaction:\n");
            for (const std::string& line : gallery::PlayScript(action, configuration))
                std::printf("  %s\n", line.c_str());
            const auto files = gallery::WriteGallery(action, configuration, catalog, folder);
            std::printf("Gallery: %zu pictures in %s\n", files.size(), folder.c_str());
            if (window) {
#ifdef KV_GALLERY_HAS_DISPLAY
                action.ShowWindow(SW_HIDE);
                std::string error;
                std::unique_ptr<DisplayWindow> display = DisplayWindow::Open(configuration.m_hWnd, &error);
                if (display == nullptr) {
                    std::printf("No display: %s\n", error.c_str());
                    status = 1;
                } else {
                    std::printf("Showing the configuration dialog; close its window to end.\n");
                    std::fflush(stdout);
                    display->InstallIdleHook();
                    RunNestedLoop([&configuration] { return configuration.IsWindow() != FALSE; });
                }
#else
                std::printf("Built without a display\n");
                status = 1;
#endif
            }
        }
        std::error_code ignored;
        std::filesystem::remove_all(images, ignored);
    }
    DetachThreadQueue();
    return status;
}
