#pragma once
// A GUI thread for the control benchmarks: its message queue, a shown parent
// window with an 11-pixel DejaVu Sans font, and a catalog read from a
// description text. The control itself is the benchmark's.

#include "core/xml_document.h"
#include "guidesc/ui_object_catalog.h"
#include "platform/mfc/mfc_gdi.h"
#include "platform/mfc/mfc_wnd.h"
#include "platform/thread_messaging.h"

#include <cstdint>
#include <cstdio>
#include <memory>

class ControlBenchScene {
public:
    ControlBenchScene(const char* catalogText, std::uint32_t typeCode, int width, int height) {
        queue_ = std::make_shared<MessageQueue>();
        AttachThreadQueue(queue_);
        WNDCLASSEX window_class;
        window_class.lpfnWndProc = &ParentProcedure;
        window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1);
        window_class.lpszClassName = "BenchControlParent";
        RegisterClassEx(&window_class);
        parent.CreateEx(0, "BenchControlParent", "", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr);
        LOGFONT description{};
        description.lfHeight = -11;
        std::snprintf(description.lfFaceName, sizeof description.lfFaceName, "%s", "DejaVu Sans");
        font.CreateFontIndirect(&description);
        parent.SetFont(&font, FALSE);
        XmlDocument document;
        document.Parse(catalogText);
        catalog.RegisterTypes();
        catalog.ReadType(document, typeCode);
    }
    // The control goes first, while its parent lives.
    ~ControlBenchScene() {
        parent.DestroyWindow();
        DetachThreadQueue();
        queue_->CloseAndDrain();
    }
    ControlBenchScene(const ControlBenchScene&) = delete;
    ControlBenchScene& operator=(const ControlBenchScene&) = delete;

    CKvUIObjectCatalog catalog;
    CWnd parent;
    CFont font;

private:
    static LRESULT ParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        return DefWindowProc(window, message, wParam, lParam);
    }

    std::shared_ptr<MessageQueue> queue_;
};
