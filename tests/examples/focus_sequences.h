#pragma once
// Keys and clicks that move the focus while the keys behind them are already
// typed, with the state each leaves the configuration dialog in when the
// thread handles every step before the next is typed. Played through the
// injection and through the real window.

#include "examples/gallery/gallery.h"
#include "platform/clock.h"
#include "support/wnd_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace focus_sequences {

enum class Step { kDigit1, kDigit2, kDigit3, kCtrlPageDown, kTab, kDown, kClickListRow3 };

struct Sequence {
    const char* name;
    bool from_the_digits;  // else from the combo
    std::vector<Step> steps;
    std::string outcome;  // as Outcome gives it
};

inline const std::vector<Sequence>& Sequences() {
    static const std::vector<Sequence> sequences = {
        {"1, Ctrl+PgDn, 2, 3 from the digits field", true,
         {Step::kDigit1, Step::kCtrlPageDown, Step::kDigit2, Step::kDigit3},
         "digits \"1\", page 5, combo line 0, list row 1, focus on the tabs"},
        {"a click on list row 3, then Down, from the combo", false, {Step::kClickListRow3, Step::kDown},
         "digits \"\", page 5, combo line 0, list row 4, focus on the list"},
        {"Tab, Down, Down from the combo", false, {Step::kTab, Step::kDown, Step::kDown},
         "digits \"\", page 5, combo line 0, list row 1, focus on the list"},
    };
    return sequences;
}

// Where the sequence left the dialog.
inline std::string Outcome(gallery::ConfigurationDialog& dialog) {
    std::string digits;
    dialog.Digits().GetWindowText(digits);
    const HWND focus = ::GetFocus();
    const char* focused = focus == dialog.Digits().m_hWnd  ? "digits"
                          : focus == dialog.Tabs().m_hWnd  ? "tabs"
                          : focus == dialog.Combo().m_hWnd ? "combo"
                          : focus == dialog.List().m_hWnd  ? "list"
                                                           : "elsewhere";
    return "digits \"" + digits + "\", page " + std::to_string(dialog.Sheet().GetActiveIndex()) + ", combo line " +
           std::to_string(dialog.Combo().GetCurSel()) + ", list row " +
           std::to_string(dialog.List().GetNextItem(-1, LVNI_SELECTED)) + ", focus on the " + focused;
}

// List row 3 in screen coordinates.
inline POINT ListRow3(gallery::ConfigurationDialog& dialog) {
    CRect row;
    dialog.List().GetItemRect(3, &row);
    return InputDriver::ScreenPoint(dialog.List().m_hWnd, POINT{row.left + 20, row.CenterPoint().y});
}

// A new configuration dialog, its combo on its first line (where Down moves
// it) and the focus where the sequence starts: the combo, or the digits
// field on the page before the sources.
inline void Open(const Sequence& sequence, std::unique_ptr<gallery::ConfigurationDialog>& dialog,
                 CKvUIObjectCatalog& catalog, CKvMessageRouter& router, ManualClock& clock) {
    dialog = std::make_unique<gallery::ConfigurationDialog>(catalog, router);
    ASSERT_EQ(dialog->Open(), KV_OK);
    clock.Advance(KV_DOUBLE_CLICK_MS + 100);
    ASSERT_TRUE(PumpUntilIdle());
    ASSERT_EQ(::GetFocus(), dialog->Combo().m_hWnd);
    dialog->Combo().SetCurSel(0);
    if (!sequence.from_the_digits)
        return;
    dialog->Sheet().SetActivePage(gallery::ConfigurationDialog::kSourcesPage - 1);
    InputDriver(clock).Key(VK_TAB);
    ASSERT_EQ(::GetFocus(), dialog->Digits().m_hWnd);
}

}  // namespace focus_sequences
