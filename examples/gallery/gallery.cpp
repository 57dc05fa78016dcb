#include "examples/gallery/gallery.h"

#include "controls/kv_bitmap.h"
#include "core/handle_table.h"
#include "framework/framework_payloads.h"
#include "framework/message.h"
#include "framework/named_value.h"
#include "framework/payload_registry.h"
#include "platform/gdi/gdi.h"
#include "platform/resources.h"
#include "platform/text.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

namespace gallery {
namespace {

constexpr const char* kExport = "UIObjXPButton_APPLICATION_Veltrix_Dlg_ACTION_EXPORT";
constexpr const char* kImport = "UIObjXPButton_APPLICATION_Veltrix_Dlg_ACTION_IMPORT";
constexpr const char* kEnd = "UIObjXPButton_APPLICATION_Veltrix_Dlg_Action_END";
constexpr const char* kDigits = "UIObjEdit_APPLICATION_Veltrix_Page_SEARCH_DIGITS";
constexpr const char* kCombo = "UIObjComboBoxEx_APPLICATION_Veltrix_Page_SEARCH_MODE";
constexpr const char* kList = "UIObjListCtrl_APPLICATION_Veltrix_Page_SOURCES_FOLDERS";
constexpr const char* kSheet = "UIObjPropertySheet_APPLICATION_Veltrix_MAIN";
constexpr const char* kCheckBoxes[] = {
    "UIObjCheckBox_APPLICATION_Veltrix_Page_INCOMING_KNOWN", "UIObjCheckBox_APPLICATION_Veltrix_Page_INCOMING_UNKNOWN",
    "UIObjCheckBox_APPLICATION_Veltrix_Page_OUTGOING_KNOWN", "UIObjCheckBox_APPLICATION_Veltrix_Page_OUTGOING_UNKNOWN",
    "UIObjCheckBox_APPLICATION_Veltrix_Page_EXPORT_OVERWRITE", "UIObjCheckBox_APPLICATION_Veltrix_Page_IMPORT_OVERWRITE"};
constexpr const char* kPages[] = {
    "UIObjDialog_APPLICATION_Veltrix_Page_INCOMING", "UIObjDialog_APPLICATION_Veltrix_Page_OUTGOING",
    "UIObjDialog_APPLICATION_Veltrix_Page_EXPORT",   "UIObjDialog_APPLICATION_Veltrix_Page_IMPORT",
    "UIObjDialog_APPLICATION_Veltrix_Page_SEARCH",   "UIObjDialog_APPLICATION_Veltrix_Page_SOURCES"};
constexpr const char* kPageCaptions[] = {
    "UIObjString_APPLICATION_Veltrix_Page_INCOMING_Caption", "UIObjString_APPLICATION_Veltrix_Page_OUTGOING_Caption",
    "UIObjString_APPLICATION_Veltrix_Page_EXPORT_Caption",   "UIObjString_APPLICATION_Veltrix_Page_IMPORT_Caption",
    "UIObjString_APPLICATION_Veltrix_Page_SEARCH_Caption",   "UIObjString_APPLICATION_Veltrix_Page_SOURCES_Caption"};
constexpr std::uint32_t kBackgroundId = 302;
constexpr std::uint32_t kBorderId = 303;
constexpr std::uint32_t kLogoId = 305;
constexpr int kCorner = 18;  // half the sample's roundedgex and roundedgey
constexpr COLORREF kMagenta = 0xFF00FF;  // RRGGBB of the sample's transparent colour

// A 32-bit bottom-up DIB: its info header and pixels; pixel(x, y) gives
// 0x00RRGGBB with y from the top.
std::string Dib(int width, int height, const std::function<std::uint32_t(int, int)>& pixel) {
    std::string bytes(40, '\0');
    auto put32 = [&bytes](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    put32(0, 40);
    put32(4, static_cast<std::uint32_t>(width));
    put32(8, static_cast<std::uint32_t>(height));
    bytes[12] = 1;
    bytes[14] = 32;
    put32(20, static_cast<std::uint32_t>(width * height * 4));
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t value = pixel(x, y);
            bytes.push_back(static_cast<char>(value & 0xFF));
            bytes.push_back(static_cast<char>((value >> 8) & 0xFF));
            bytes.push_back(static_cast<char>((value >> 16) & 0xFF));
            bytes.push_back(0);
        }
    return bytes;
}

std::string BmpFile(const std::string& dib) {
    std::string header = "BM";
    const std::uint32_t size = static_cast<std::uint32_t>(14 + dib.size());
    for (const std::uint32_t value : {size, 0u, 54u})
        for (int i = 0; i < 4; ++i)
            header.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return header + dib;
}

// Outside a rounded rectangle of the size: the corners that the region drops.
bool OutsideCorner(int x, int y, int width, int height, int radius) {
    const int cx = x < radius ? radius : x >= width - radius ? width - radius - 1 : x;
    const int cy = y < radius ? radius : y >= height - radius ? height - radius - 1 : y;
    const int dx = x - cx, dy = y - cy;
    return dx * dx + dy * dy > radius * radius;
}

std::uint32_t Mix(std::uint32_t a, std::uint32_t b, double t) {
    auto channel = [&](int shift) {
        const double value = ((a >> shift) & 0xFF) * (1 - t) + ((b >> shift) & 0xFF) * t;
        return static_cast<std::uint32_t>(std::lround(value)) << shift;
    };
    return channel(16) | channel(8) | channel(0);
}

std::string Text(CKvUIObjectCatalog& catalog, const char* identifier) {
    std::string text;
    catalog.GetString(text, identifier);
    return text;
}

std::string DescribeEvent(std::uint16_t endpoint, WPARAM, LPARAM lParam) {
    auto* message = reinterpret_cast<CKvMessage*>(lParam);
    std::string line = "event to " + std::to_string(endpoint);
    if (message->GetPayloadType() == KV_PAYLOAD_NAMED_VALUE) {
        const auto* value = static_cast<const CKvNamedValue*>(message->GetPayload());
        line = value->GetName() + " = \"" + value->GetValue() + "\"";
        if (value->GetValue().empty() && value->GetNumber() != 0)
            line = value->GetName() + " = " + std::to_string(value->GetNumber());
    }
    return line + " from " + std::to_string(message->GetSourceEndpoint()) + " value " +
           std::to_string(message->GetValue());
}

void Pump() { PumpUntilIdle(); }

HBITMAP CaptureRect(const RECT& rect) {
    HBITMAP screen = WndCaptureScreen();
    if (screen == nullptr)
        return nullptr;
    HDC source = CreateCompatibleDC(nullptr);
    HDC target = CreateCompatibleDC(nullptr);
    HBITMAP picture = CreateCompatibleBitmap(source, rect.right - rect.left, rect.bottom - rect.top);
    HGDIOBJ old_source = SelectObject(source, screen);
    HGDIOBJ old_target = SelectObject(target, picture);
    BitBlt(target, 0, 0, rect.right - rect.left, rect.bottom - rect.top, source, rect.left, rect.top, SRCCOPY);
    SelectObject(source, old_source);
    SelectObject(target, old_target);
    DeleteDC(source);
    DeleteDC(target);
    DeleteObject(screen);
    return picture;
}

}  // namespace

KvResult LoadSample(CKvUIObjectCatalog& catalog, const std::string& folder, const std::string& sample) {
    RegisterFrameworkPayloads();
    const KvResult loaded = catalog.Load(sample);
    if (KvFailed(loaded))
        return loaded;
    catalog.GetFolder() = folder;
    // The action dialog: a vertical wash with magenta outside its rounded
    // corners, a four-ring border strip and a logo.
    constexpr int kWidth = 360, kHeight = 220;
    RegisterResource(KV_RT_BITMAP, kBackgroundId, Dib(kWidth, kHeight, [](int x, int y) -> std::uint32_t {
                         if (OutsideCorner(x, y, kWidth, kHeight, kCorner))
                             return kMagenta;
                         const std::uint32_t wash = Mix(0xF4F8FF, 0xB8CCE8, y / double(kHeight));
                         return ((x + y) / 6) % 2 == 0 ? wash : Mix(wash, 0xFFFFFF, 0.25);
                     }));
    const std::uint32_t rings[] = {0x203050, 0x6080B0, 0xA0B8D8, 0xE8F0FF};
    RegisterResource(KV_RT_BITMAP, kBorderId, Dib(4, 1, [&rings](int x, int) { return rings[x]; }));
    RegisterResource(KV_RT_BITMAP, kLogoId, Dib(48, 48, [](int x, int y) -> std::uint32_t {
                         const int dx = x - 24, dy = y - 24;
                         if (dx * dx + dy * dy > 22 * 22)
                             return 0xF0F4FA;
                         return (dx * dx + dy * dy < 10 * 10) ? 0xF0C020 : 0x2050A0;
                     }));
    const std::filesystem::path images = std::filesystem::path(folder) / "Themes" / "Images";
    std::error_code ignored;
    std::filesystem::create_directories(images, ignored);
    std::ofstream(images / "dlg_configuration.bmp", std::ios::binary)
        << BmpFile(Dib(32, 32, [](int x, int y) { return ((x / 8 + y / 8) % 2 == 0) ? 0xE8EEF6u : 0xDCE4F0u; }));
    // The pages' template: a child the size of the sheet's page area.
    RegisterResource(KV_RT_DIALOG, kPageTemplate, BuildDialogTemplate(WS_CHILD | WS_CAPTION, 0, 0, 0, 346, 184, "Page"));
    return KV_OK;
}

// ---- The stand-ins ----

GalleryDialog::GalleryDialog(CKvUIObjectCatalog& catalog, CKvMessageRouter& router, const char* identifier,
                             std::uint16_t endpoint, POINT origin)
    : router_(router), endpoint_(endpoint), origin_(origin) {
    SetOwner(&catalog);
    GetIdentifier() = identifier;
    GetRouterRef() = &router;
    GetEndpointId() = endpoint;
    GetRouterRegistration() = TRUE;
}

GalleryDialog::~GalleryDialog() {
    router_.Unregister(endpoint_);
    if (IsWindow())
        DestroyWindow();
}

KvResult GalleryDialog::Open() {
    const KvResult result = CreateModelessFromDescription();
    if (KvFailed(result))
        return result;
    SetWindowPos(nullptr, origin_.x, origin_.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    router_.RegisterWindow(endpoint_, m_hWnd, GetIdentifier().c_str());
    ShowWindow(SW_SHOW);
    Pump();
    return KV_OK;
}

BOOL GalleryDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == BN_CLICKED && lParam != 0)
        events_.push_back("BN_CLICKED " + std::to_string(LOWORD(wParam)));
    return CKvUIDialog::OnCommand(wParam, lParam);
}

void GalleryDialog::OnMessageReceived(WPARAM wParam, LPARAM lParam) {
    events_.push_back(DescribeEvent(endpoint_, wParam, lParam));
    CKvUIDialog::OnMessageReceived(wParam, lParam);
}

ActionDialog::ActionDialog(CKvUIObjectCatalog& catalog, CKvMessageRouter& router)
    : GalleryDialog(catalog, router, kActionDialog, kActionEndpoint, kActionOrigin) {}

BOOL ActionDialog::OnInitDialog() {
    CKvUIDialog::OnInitDialog();
    CKvUIObjectCatalog* catalog = GetOwner();
    const char* identifiers[] = {kExport, kImport, kEnd};
    const UINT ids[] = {kExportId, kImportId, kEndId};
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        buttons_[i].SetOwner(catalog);
        buttons_[i].GetIdentifier() = identifiers[i];
        buttons_[i].GetParentBackgroundRef() = &GetBackgroundCache().GetDC();
        buttons_[i].CreateFromDescription(this, TRUE);
        ::SetWindowLongPtr(buttons_[i].m_hWnd, GWLP_ID, static_cast<LONG_PTR>(ids[i]));
        buttons_[i].ShowWindow(SW_SHOW);
    }
    check_.SetOwner(catalog);
    check_.GetIdentifier() = kCheckBoxes[0];
    check_.CreateFromDescription(this, TRUE);
    check_.SetWindowPos(nullptr, 20, 148, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    check_.ShowWindow(SW_SHOW);
    edit_.SetOwner(catalog);
    edit_.GetIdentifier() = kDigits;
    edit_.CreateFromDescription(this, TRUE);
    return TRUE;
}

// ---- Configuration dialog ----

GalleryPage::GalleryPage(CKvUIObjectCatalog& catalog, const char* identifier, std::function<void(GalleryPage&)> fill)
    : CKvUIPropertyPage(kPageTemplate), fill_(std::move(fill)) {
    SetOwner(&catalog);
    GetIdentifier() = identifier;
    LoadDescription();
}

BOOL GalleryPage::OnInitDialog() {
    CKvUIPropertyPage::OnInitDialog();
    if (fill_)
        fill_(*this);
    return TRUE;
}

ConfigurationDialog::ConfigurationDialog(CKvUIObjectCatalog& catalog, CKvMessageRouter& router)
    : GalleryDialog(catalog, router, kConfigurationDialog, kConfigurationEndpoint, kConfigurationOrigin) {}

// Its window goes first, while the controls' objects still exist.
ConfigurationDialog::~ConfigurationDialog() {
    if (IsWindow())
        DestroyWindow();
}

void ConfigurationDialog::FillSources(GalleryPage& page) {
    CKvUIObjectCatalog& catalog = *GetOwner();
    combo_.SetOwner(&catalog);
    combo_.GetIdentifier() = kCombo;
    combo_.SetEventTarget(&router_, static_cast<std::uint16_t>(kConfigurationEndpoint + kComboOffset));
    combo_.m_nOwnerEndpoint = kConfigurationEndpoint;
    combo_.CreateFromDescription(&page, TRUE);
    combo_.SelectIdentifier("EXACT");

    list_.SetOwner(&catalog);
    list_.GetIdentifier() = kList;
    list_.SetEventTarget(&router_, static_cast<std::uint16_t>(kConfigurationEndpoint + kListOffset));
    list_.m_nOwnerEndpoint = kConfigurationEndpoint;
    list_.CreateFromDescription(&page, TRUE);
    for (int row = 0; row < kListRows; ++row) {
        BoundedStringList texts;
        texts.Add(Format("Kontakte %02d", row + 1));
        texts.Add(row % 3 == 0 ? "Pers\xF6nlicher Ordner" : "Postfach");
        list_.AddRow(Format("folder%02d", row + 1), &texts);
    }
    list_.SelectRow("folder02");
}

BOOL ConfigurationDialog::OnInitDialog() {
    CKvUIDialog::OnInitDialog();
    CKvUIObjectCatalog& catalog = *GetOwner();
    // The pages' controls: check boxes on the first four, the digits on the
    // search page, the combo box and the list on the sources page.
    auto checks = [this, &catalog](std::initializer_list<const char*> identifiers) {
        return [this, &catalog, identifiers = std::vector<const char*>(identifiers)](GalleryPage& page) {
            for (std::size_t i = 0; i < identifiers.size(); ++i) {
                auto check = std::make_unique<CKvUICheckBox>();
                check->SetOwner(&catalog);
                check->GetIdentifier() = identifiers[i];
                check->CreateFromDescription(&page, TRUE);
                check->ShowWindow(SW_SHOW);
                check->SetCheck(i % 2 == 0 ? BST_CHECKED : BST_UNCHECKED);
                checks_.push_back(std::move(check));
            }
        };
    };
    std::function<void(GalleryPage&)> fills[] = {
        checks({kCheckBoxes[0], kCheckBoxes[1]}),
        checks({kCheckBoxes[2], kCheckBoxes[3]}),
        checks({kCheckBoxes[4]}),
        checks({kCheckBoxes[5]}),
        [this, &catalog](GalleryPage& page) {
            digits_.SetOwner(&catalog);
            digits_.GetIdentifier() = kDigits;
            digits_.CreateFromDescription(&page, TRUE);
        },
        [this](GalleryPage& page) { FillSources(page); },
    };
    sheet_ = std::make_unique<CKvUIPropertySheet>(&catalog, kSheet, 0, this, kSourcesPage);
    for (std::size_t i = 0; i < std::size(kPages); ++i) {
        pages_.push_back(std::make_unique<GalleryPage>(catalog, kPages[i], fills[i]));
        sheet_->AddPage(pages_.back().get());
    }
    sheet_->CreateFromDescription(this);
    for (std::size_t i = 0; i < std::size(kPageCaptions); ++i)
        sheet_->SetPageCaption(static_cast<int>(i), Text(catalog, kPageCaptions[i]).c_str());
    sheet_->SetActivePage(kSourcesPage);

    return TRUE;
}

std::vector<HWND> ConfigurationDialog::Children() const {
    std::vector<HWND> children{sheet_->m_hWnd, sheet_->GetTab().m_hWnd, combo_.m_hWnd, list_.m_hWnd,
                               digits_.m_hWnd};
    for (const auto& page : pages_)
        children.push_back(page->m_hWnd);
    for (const auto& check : checks_)
        children.push_back(check->m_hWnd);
    return children;
}

// ---- Input and the script ----

POINT ScreenPoint(HWND window, POINT client) {
    ::ClientToScreen(window, &client);
    return client;
}

void Click(POINT screen) {
    INPUT input;
    input.type = INPUT_MOUSE;
    input.mi.dx = screen.x;
    input.mi.dy = screen.y;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(INPUT));
    Pump();
    input.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &input, sizeof(INPUT));
    Pump();
    input.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof(INPUT));
    Pump();
}

EventLog PlayScript(ActionDialog& action, ConfigurationDialog& configuration) {
    configuration.Events().clear();
    action.Events().clear();
    // The combo's second line.
    CKvUIComboBoxEx& combo = configuration.Combo();
    CRect box;
    combo.GetWindowRect(&box);
    Click(CPoint(box.left + 8, box.top + 6));
    HWND popup = WindowFromPoint(CPoint(box.left + 2, box.bottom + 2));
    CRect list_rect;
    ::GetWindowRect(popup, &list_rect);
    const int lines = std::max(1, std::min(combo.GetCount(), KV_COMBO_POPUP_LINES));
    const int line = (list_rect.Height() - 2) / lines;
    Click(CPoint(list_rect.left + 8, list_rect.top + 1 + line + line / 2));
    // The fifth row of the list.
    CRect row;
    configuration.List().GetItemRect(4, &row);
    Click(ScreenPoint(configuration.List().m_hWnd, CPoint(30, row.CenterPoint().y)));
    // The export button of the action dialog.
    CRect button;
    action.Buttons()[0].GetWindowRect(&button);
    Click(button.CenterPoint());
    Pump();
    EventLog log = configuration.Events();
    log.insert(log.end(), action.Events().begin(), action.Events().end());
    return log;
}

// ---- Pictures ----

HBITMAP OutlineRegions(const std::vector<HWND>& windows) {
    HBITMAP screen = WndCaptureScreen();
    if (screen == nullptr)
        return nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, screen);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    for (HWND window : windows) {
        if (!IsWindow(window) || !IsWindowVisible(window))
            continue;
        RECT rect;
        GetWindowRect(window, &rect);
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        if (GetWindowRgn(window, region) == ERROR) {
            DeleteObject(region);
            region = CreateRectRgn(0, 0, rect.right - rect.left, rect.bottom - rect.top);
        }
        OffsetRgn(region, rect.left, rect.top);
        FrameRgn(dc, region, red, 1, 1);
        DeleteObject(region);
    }
    DeleteObject(red);
    SelectObject(dc, old);
    DeleteDC(dc);
    return screen;
}

std::vector<std::string> WriteGallery(ActionDialog& action, ConfigurationDialog& configuration,
                                      CKvUIObjectCatalog& catalog, const std::string& folder) {
    std::vector<std::string> written;
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    auto save = [&](HBITMAP picture, const std::string& name) {
        if (picture == nullptr)
            return;
        const std::string path = (std::filesystem::path(folder) / (name + ".png")).string();
        if (GdiWritePng(picture, path))
            written.push_back(path);
        DeleteObject(picture);
    };
    auto window = [](CWnd& control) {
        PumpUntilIdle();
        return WndCaptureWindow(control.m_hWnd);
    };
    Pump();
    save(WndCaptureWindow(action.m_hWnd), "action_dialog");
    save(WndCaptureWindow(configuration.m_hWnd), "configuration_dialog");
    std::vector<HWND> windows{action.m_hWnd, configuration.m_hWnd};
    for (CKvUIXPButton& button : action.Buttons())
        windows.push_back(button.m_hWnd);
    windows.push_back(action.CheckBox().m_hWnd);
    windows.push_back(action.Edit().m_hWnd);
    for (const auto& [identifier, control] : action.GetChildControls().GetEntries())
        windows.push_back(control->m_hWnd);
    for (HWND child : configuration.Children())
        windows.push_back(child);
    save(OutlineRegions(windows), "regions");

    // Every control alone in each state.
    CKvUIXPButton& button = action.Buttons()[1];
    save(window(button), "xp_button_normal");
    CRect face;
    button.GetWindowRect(&face);
    INPUT move;
    move.mi.dx = face.CenterPoint().x;
    move.mi.dy = face.CenterPoint().y;
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &move, sizeof(INPUT));
    Pump();
    // The hover look comes once the mouse has rested the hover time.
    GetClock().Sleep(CKvUIXPButton::kHoverTimeMs + 10);
    Pump();
    save(window(button), "xp_button_hover");
    // Hover wins over focus: the focus look shows once the mouse has left.
    move.mi.dx = 1000;
    move.mi.dy = 750;
    SendInput(1, &move, sizeof(INPUT));
    Pump();
    button.SetFocus();
    save(window(button), "xp_button_focus");
    button.EnableWindow(FALSE);
    save(window(button), "xp_button_disabled");
    button.EnableWindow(TRUE);
    // Disabling the button moved its focus on; the pictures after it show
    // every control unfocused.
    ::SetFocus(nullptr);

    CKvUICheckBox& check = action.CheckBox();
    check.SetCheck(BST_UNCHECKED);
    save(window(check), "check_box_unchecked");
    check.SetCheck(BST_CHECKED);
    save(window(check), "check_box_checked");
    check.EnableWindow(FALSE);
    save(window(check), "check_box_disabled");
    check.EnableWindow(TRUE);
    check.SetCheck(BST_UNCHECKED);

    CKvUIEdit& edit = action.Edit();
    save(window(edit), "edit_normal");
    edit.EnableWindow(FALSE);
    save(window(edit), "edit_disabled");
    edit.EnableWindow(TRUE);

    const char* kPrefix = "UIObj";
    for (const auto& [identifier, control] : action.GetChildControls().GetEntries()) {
        PumpUntilIdle();
        save(WndCaptureWindow(control->m_hWnd), ToLower(identifier.substr(std::strlen(kPrefix))));
    }

    CKvUIComboBoxEx& combo = configuration.Combo();
    save(window(combo), "combo_box_closed");
    combo.ShowDropDown(TRUE);
    Pump();
    CRect dropped;
    combo.GetWindowRect(&dropped);
    HWND popup = WindowFromPoint(CPoint(dropped.left + 2, dropped.bottom + 2));
    CRect popup_rect;
    ::GetWindowRect(popup, &popup_rect);
    CRect both;
    both.UnionRect(dropped, popup_rect);
    save(CaptureRect(both), "combo_box_dropped");
    combo.ShowDropDown(FALSE);
    Pump();

    save(window(configuration.List()), "list_control");
    save(window(configuration.Tabs()), "tab_control");
    (void)catalog;
    return written;
}

}  // namespace gallery
