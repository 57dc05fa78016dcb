#include "controls/control_tooltip.h"

std::uint32_t KvToolTipActive(const CKvUIObject& part) {
    return !part.GetTooltipText().empty() && part.GetTooltipWidth() != 0 ? 1 : 0;
}

void KvMakeToolTip(CToolTipCtrl& tooltip, CWnd& control, const std::string& text) {
    if (tooltip.IsWindow())
        return;
    if (tooltip.Create(&control, 0) && tooltip.AddTool(&control, text.c_str()))
        tooltip.Activate(TRUE);
}

int KvSetToolTipWidth(CToolTipCtrl& tooltip, CWnd& control, CKvUIObject& part, std::uint32_t& active,
                      int width) {
    if (control.IsWindow()) {
        if (!tooltip.IsWindow())
            KvMakeToolTip(tooltip, control, part.GetTooltipText());
        else
            tooltip.UpdateTipText(part.GetTooltipText().c_str(), &control);
    }
    const int answer = tooltip.IsWindow() ? tooltip.SetMaxTipWidth(width) : 0;
    if (answer == 0) {
        part.SetTooltipWidth(width);
        active = KvToolTipActive(part);
    }
    return answer;
}

void KvRelayToolTipEvent(CToolTipCtrl& tooltip, HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!tooltip.IsWindow())
        return;
    MSG relayed(control, message, wParam, lParam);
    relayed.time = 0;
    relayed.pt.x = LOWORD(static_cast<std::uintptr_t>(lParam));
    relayed.pt.y = HIWORD(static_cast<std::uintptr_t>(lParam));
    tooltip.RelayEvent(&relayed);
}

void KvDestroyWithToolTip(CWnd& control, CToolTipCtrl& tooltip) {
    if (tooltip.IsWindow())
        tooltip.DestroyWindow();
    if (control.IsWindow())
        control.DestroyWindow();
}
