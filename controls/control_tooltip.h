#pragma once
// The tooltip steps the skinned buttons, check boxes and edits share: one
// tool for the whole control, its width, and mouse events relayed to it.

#include "guidesc/ui_object.h"
#include "platform/mfc/mfc_tooltip.h"

#include <cstdint>

// 1 when the description's tooltip text is not empty and its width not 0:
// only then do mouse events reach the tooltip.
std::uint32_t KvToolTipActive(const CKvUIObject& part);

// Makes the tooltip on the control, when it has no window yet, with a tool
// for the whole control and the text, and activates it.
void KvMakeToolTip(CToolTipCtrl& tooltip, CWnd& control, const std::string& text);

// With the control's window: makes the tooltip, or gives an existing one the
// part's text again; then asks it for the maximum width. Only an answer of 0
// (also when there is no tooltip window to ask) stores the width in the part
// and recomputes the active flag. Returns the answer.
int KvSetToolTipWidth(CToolTipCtrl& tooltip, CWnd& control, CKvUIObject& part, std::uint32_t& active,
                      int width);

// Hands the tooltip a message record of the control's window with time 0
// and the point of lParam (both words unsigned); nothing without a tooltip.
void KvRelayToolTipEvent(CToolTipCtrl& tooltip, HWND control, UINT message, WPARAM wParam, LPARAM lParam);

// For the control's destructor: the tooltip window (a popup the control
// owns), then the control's own window.
void KvDestroyWithToolTip(CWnd& control, CToolTipCtrl& tooltip);
