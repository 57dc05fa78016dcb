#pragma once
// The gallery: stand-ins for the plug-in's action and configuration dialogs,
// built from the sample GUI description file with images made here, a
// scripted interaction with them, and pictures of both dialogs, of every
// control alone in each state and of every window's region, as PNG files.
// Shared by the demonstration, the tests and the repaint benchmark.

#include "controls/kv_ui_check_box.h"
#include "controls/kv_ui_combo_box_ex.h"
#include "controls/kv_ui_dialog.h"
#include "controls/kv_ui_edit.h"
#include "controls/kv_ui_list_ctrl.h"
#include "controls/kv_ui_property_page.h"
#include "controls/kv_ui_property_sheet.h"
#include "controls/kv_ui_xp_button.h"
#include "framework/message_router.h"
#include "guidesc/ui_object_catalog.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace gallery {

inline constexpr const char* kActionDialog = "UIObjDialog_APPLICATION_Veltrix_Dlg_ACTION";
inline constexpr const char* kConfigurationDialog = "UIObjDialog_APPLICATION_Veltrix_Dlg_CONFIGURATION";
inline constexpr std::uint16_t kActionEndpoint = 0x0480;
inline constexpr std::uint16_t kConfigurationEndpoint = 0x0490;
// The owner gives each control its endpoint plus a small number.
inline constexpr std::uint16_t kComboOffset = 2;
inline constexpr std::uint16_t kListOffset = 3;
inline constexpr int kListRows = 20;
// Where the dialogs stand on the screen, side by side.
inline constexpr POINT kActionOrigin{10, 10};
inline constexpr POINT kConfigurationOrigin{400, 10};
// The text colour of the selected tab.
inline constexpr COLORREF kSelectedTabText = CKvTab::kTextColor;
// The in-code dialog template of the pages.
inline constexpr UINT kPageTemplate = 0x0390;

// Reads the sample file into the catalog and makes the images it names: the
// action dialog's background (resource 302), border (303) and logo (305),
// and the configuration wallpaper as a file below folder, which becomes the
// catalog's folder. The descriptions stay as the file gives them.
KvResult LoadSample(CKvUIObjectCatalog& catalog, const std::string& folder, const std::string& sample);

// One line of what reached a dialog: a router event ("ITEM_CLICKED_IDENTIFIER
// = r3 from 1171 value 2") or a button notification ("BN_CLICKED 1001").
using EventLog = std::vector<std::string>;

// What both stand-ins share: built modeless from their description, placed,
// shown and registered with the router at their endpoint; they note what
// reaches them.
class GalleryDialog : public CKvUIDialog {
public:
    GalleryDialog(CKvUIObjectCatalog& catalog, CKvMessageRouter& router, const char* identifier,
                  std::uint16_t endpoint, POINT origin);
    ~GalleryDialog() override;
    KvResult Open();
    EventLog& Events() { return events_; }

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnMessageReceived(WPARAM wParam, LPARAM lParam) override;

    CKvMessageRouter& router_;

private:
    std::uint16_t endpoint_;
    POINT origin_;
    EventLog events_;
};

class ActionDialog : public GalleryDialog {
public:
    static constexpr UINT kExportId = 1001;
    static constexpr UINT kImportId = 1002;
    static constexpr UINT kEndId = 1003;

    ActionDialog(CKvUIObjectCatalog& catalog, CKvMessageRouter& router);

    std::array<CKvUIXPButton, 3>& Buttons() { return buttons_; }
    CKvUICheckBox& CheckBox() { return check_; }
    CKvUIEdit& Edit() { return edit_; }

protected:
    BOOL OnInitDialog() override;

private:
    std::array<CKvUIXPButton, 3> buttons_;
    CKvUICheckBox check_;
    CKvUIEdit edit_;
};

// A page of the configuration sheet: its description's page, filled with
// its controls when its window is made.
class GalleryPage : public CKvUIPropertyPage {
public:
    GalleryPage(CKvUIObjectCatalog& catalog, const char* identifier, std::function<void(GalleryPage&)> fill);

protected:
    BOOL OnInitDialog() override;

private:
    std::function<void(GalleryPage&)> fill_;
};

// The configuration dialog: the six-page sheet with its owner-drawn tabs, the
// sources page showing the search-mode combo box and the folder list filled
// with twenty rows, and the check boxes and edit of the other pages. The
// sample's XP buttons belong to the action dialog.
class ConfigurationDialog : public GalleryDialog {
public:
    static constexpr int kSourcesPage = 5;

    ConfigurationDialog(CKvUIObjectCatalog& catalog, CKvMessageRouter& router);
    ~ConfigurationDialog() override;

    CKvUIPropertySheet& Sheet() { return *sheet_; }
    CTabCtrl& Tabs() { return sheet_->GetTab(); }
    CKvUIComboBoxEx& Combo() { return combo_; }
    CKvUIListCtrl& List() { return list_; }
    CKvUIEdit& Digits() { return digits_; }
    std::vector<std::unique_ptr<CKvUICheckBox>>& CheckBoxes() { return checks_; }
    // Every child window, for counting and outlining.
    std::vector<HWND> Children() const;

protected:
    BOOL OnInitDialog() override;

private:
    void FillSources(GalleryPage& page);

    CKvUIComboBoxEx combo_;
    CKvUIListCtrl list_;
    CKvUIEdit digits_;
    std::vector<std::unique_ptr<CKvUICheckBox>> checks_;
    std::vector<std::unique_ptr<GalleryPage>> pages_;
    std::unique_ptr<CKvUIPropertySheet> sheet_;
};

// Mouse input as the user gives it, through SendInput, with the messages
// pumped after each step.
void Click(POINT screen);
POINT ScreenPoint(HWND window, POINT client);

// Selects a combo line, clicks a list row and presses an XP button; the
// lines that reached the dialogs, in order.
EventLog PlayScript(ActionDialog& action, ConfigurationDialog& configuration);

// Writes the pictures into folder; returns the files written. False entries
// are not possible: a picture that cannot be made is left out.
std::vector<std::string> WriteGallery(ActionDialog& action, ConfigurationDialog& configuration,
                                      CKvUIObjectCatalog& catalog, const std::string& folder);

// A picture of the screen with the outline of every window's region (or
// rectangle) drawn over it; the caller deletes it.
HBITMAP OutlineRegions(const std::vector<HWND>& windows);

}  // namespace gallery
