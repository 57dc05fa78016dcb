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
constexpr const char* kPageCaptions[] = {
    "UIObjString_APPLICATION_Veltrix_Page_INCOMING_Caption", "UIObjString_APPLICATION_Veltrix_Page_OUTGOING_Caption",
    "UIObjString_APPLICATION_Veltrix_Page_EXPORT_Caption",   "UIObjString_APPLICATION_Veltrix_Page_IMPORT_Caption",
    "UIObjString_APPLICATION_Veltrix_Page_SEARCH_Caption",   "UIObjString_APPLICATION_Veltrix_Page_SOURCES_Caption"};
constexpr std::uint32_t kBackgroundId = 302;
constexpr std::uint32_t kBorderId = 303;
constexpr std::uint32_t kLogoId = 305;
constexpr int kCorner = 18;
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

template <class Description> Description* Find(CKvUIObjectCatalog& catalog, std::uint32_t type, const char* identifier) {
    CKvUIObject* found = nullptr;
    return catalog.Lookup(found, type, identifier) ? static_cast<Description*>(found) : nullptr;
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
    if (auto* action = Find<CKvUIObjectDialog>(catalog, kUIObjectDialog, kActionDialog)) {
        action->GetRoundEdgeX() = kCorner * 2;
        action->GetRoundEdgeY() = kCorner * 2;
        action->SetBorderImageText(std::to_string(kBorderId));
        action->SetWindowStyle(WS_POPUP | WS_VISIBLE);
        action->SetDialogStyle(0);
    }
    if (auto* configuration = Find<CKvUIObjectDialog>(catalog, kUIObjectDialog, kConfigurationDialog)) {
        configuration->SetWindowStyle(WS_POPUP | WS_VISIBLE);
        configuration->SetDialogStyle(0);
    }
    // The page controls stand inside the two dialogs.
    auto place = [&catalog](std::uint32_t type, const char* identifier, int x, int y, int width) {
        if (auto* description = Find<CKvUIObject>(catalog, type, identifier)) {
            description->GetPositionX() = x;
            description->GetPositionY() = y;
            description->GetWidth() = width;
        }
    };
    place(kUIObjectStaticGroupBox, "UIObjStaticGroupBox_APPLICATION_Veltrix_Dlg_ACTION_GROUP", 0, 40, 282);
    place(kUIObjectXPButton, kExport, 16, 24, 120);
    place(kUIObjectXPButton, kImport, 146, 24, 120);
    place(kUIObjectCheckBox, kCheckBoxes[0], 20, 148, 320);
    place(kUIObjectEdit, kDigits, 150, 182, 60);
    place(kUIObjectComboBoxEx, kCombo, 30, 80, 240);
    place(kUIObjectListCtrl, kList, 30, 120, 300);
    for (std::size_t i = 1; i < std::size(kCheckBoxes); ++i)
        place(kUIObjectCheckBox, kCheckBoxes[i], 345, 80 + static_cast<int>(i - 1) * 26, 195);
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
    check_.ShowWindow(SW_SHOW);
    edit_.SetOwner(catalog);
    edit_.GetIdentifier() = kDigits;
    edit_.CreateFromDescription(this, TRUE);
    return TRUE;
}

// ---- Configuration dialog ----

class ConfigurationDialog::TabStrip : public CTabCtrl {
public:
    explicit TabStrip(CKvUIObjectCatalog& catalog) : catalog_(catalog) {}
    void DrawItem(DRAWITEMSTRUCT* item) override {
        CDC* dc = CDC::FromHandle(item->hDC);
        const bool selected = (item->itemState & ODS_SELECTED) != 0;
        CRect rect(item->rcItem);
        const COLORREF top = selected ? 0xFFFFFF : 0xE0D8D0;
        const COLORREF bottom = selected ? 0xF0E8E0 : 0xC8BCB0;
        // Two bands: a lighter top half over the tab's own colour.
        const int half = rect.Height() / 2;
        dc->FillSolidRect(rect.left, rect.top, rect.Width(), half, top);
        dc->FillSolidRect(rect.left, rect.top + half, rect.Width(), rect.Height() - half, bottom);
        dc->Draw3dRect(&rect, 0xFFFFFF, 0x806050);
        char text[128] = {};
        TCITEM tab;
        tab.mask = TCIF_TEXT;
        tab.pszText = text;
        tab.cchTextMax = sizeof text;
        GetItem(static_cast<int>(item->itemID), &tab);
        dc->SetBkMode(TRANSPARENT);
        dc->SetTextColor(selected ? kSelectedTabText : 0x404040);
        ::DrawText(item->hDC, text, static_cast<int>(std::strlen(text)), &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        CDC::DeleteTempHandle(item->hDC);
    }

private:
    CKvUIObjectCatalog& catalog_;
};

ConfigurationDialog::ConfigurationDialog(CKvUIObjectCatalog& catalog, CKvMessageRouter& router)
    : GalleryDialog(catalog, router, kConfigurationDialog, kConfigurationEndpoint, kConfigurationOrigin),
      tabs_(std::make_unique<TabStrip>(catalog)) {}

// Its window goes first, while the controls' objects still exist.
ConfigurationDialog::~ConfigurationDialog() {
    if (IsWindow())
        DestroyWindow();
}

CTabCtrl& ConfigurationDialog::Tabs() { return *tabs_; }

BOOL ConfigurationDialog::OnInitDialog() {
    CKvUIDialog::OnInitDialog();
    CKvUIObjectCatalog& catalog = *GetOwner();
    CRect sheet(10, 30, 550, 370);
    if (auto* description = Find<CKvUIObject>(catalog, kUIObjectPropertySheet, kSheet))
        sheet = CRect(description->GetPositionX(), description->GetPositionY(),
                      description->GetPositionX() + description->GetWidth(),
                      description->GetPositionY() + description->GetHeight());
    tabs_->Create(WS_VISIBLE | TCS_OWNERDRAWFIXED, sheet, this, kTabId);
    tabs_->SetFont(CFont::FromHandle(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT))), FALSE);
    for (std::size_t i = 0; i < std::size(kPageCaptions); ++i)
        tabs_->InsertItem(static_cast<int>(i), Text(catalog, kPageCaptions[i]).c_str());
    tabs_->SetCurSel(5);  // the sources page

    combo_.SetOwner(&catalog);
    combo_.GetIdentifier() = kCombo;
    combo_.SetEventTarget(&router_, static_cast<std::uint16_t>(kConfigurationEndpoint + kComboOffset));
    combo_.m_nOwnerEndpoint = kConfigurationEndpoint;
    combo_.CreateFromDescription(this, TRUE);
    combo_.SelectIdentifier("EXACT");

    list_.SetOwner(&catalog);
    list_.GetIdentifier() = kList;
    list_.SetEventTarget(&router_, static_cast<std::uint16_t>(kConfigurationEndpoint + kListOffset));
    list_.m_nOwnerEndpoint = kConfigurationEndpoint;
    list_.CreateFromDescription(this, TRUE);
    for (int row = 0; row < kListRows; ++row) {
        BoundedStringList texts;
        texts.Add(Format("Kontakte %02d", row + 1));
        texts.Add(row % 3 == 0 ? "Pers\xF6nlicher Ordner" : "Postfach");
        list_.AddRow(Format("folder%02d", row + 1), &texts);
    }
    list_.SelectRow("folder02");

    // Two columns of the pages' check boxes, the second below the first.
    for (int column = 0; column < 2; ++column)
        for (std::size_t i = 1; i < std::size(kCheckBoxes); ++i) {
            auto check = std::make_unique<CKvUICheckBox>();
            check->SetOwner(&catalog);
            check->GetIdentifier() = kCheckBoxes[i];
            check->CreateFromDescription(this, TRUE);
            if (column == 1)
                check->SetWindowPos(nullptr, 345, 220 + static_cast<int>(i - 1) * 26, 0, 0,
                                    SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            check->ShowWindow(SW_SHOW);
            if ((i + static_cast<std::size_t>(column)) % 2 == 1)
                check->SetCheck(BST_CHECKED);
            checks_.push_back(std::move(check));
        }
    // The navigation line below the sheet and a line of shortcuts above it.
    const char* buttons[] = {kExport, kImport, kEnd};
    const UINT navigation_count = 4, shortcut_count = 6;
    for (UINT i = 0; i < navigation_count + shortcut_count; ++i) {
        const bool shortcut = i >= navigation_count;
        auto button = std::make_unique<CKvUIXPButton>(&catalog, shortcut ? kEnd : buttons[i % 3]);
        button->GetParentBackgroundRef() = &GetBackgroundCache().GetDC();
        button->CreateFromDescription(this, TRUE);
        const int x = shortcut ? 12 + static_cast<int>(i - navigation_count) * 92 : 20 + static_cast<int>(i) * 135;
        button->SetWindowPos(nullptr, x, shortcut ? 3 : 382, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::SetWindowLongPtr(button->m_hWnd, GWLP_ID, static_cast<LONG_PTR>(kFirstNavigationId + i));
        button->ShowWindow(SW_SHOW);
        navigation_.push_back(std::move(button));
    }
    return TRUE;
}

std::vector<HWND> ConfigurationDialog::Children() const {
    std::vector<HWND> children{tabs_->m_hWnd, combo_.m_hWnd, list_.m_hWnd};
    for (const auto& check : checks_)
        children.push_back(check->m_hWnd);
    for (const auto& button : navigation_)
        children.push_back(button->m_hWnd);
    for (const auto& [identifier, control] : GetChildControls().GetEntries())
        children.push_back(control->m_hWnd);
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
    save(window(button), "xp_button_hover");
    button.SetFocus();
    save(window(button), "xp_button_focus");
    move.mi.dx = 1000;
    move.mi.dy = 750;
    SendInput(1, &move, sizeof(INPUT));
    button.EnableWindow(FALSE);
    save(window(button), "xp_button_disabled");
    button.EnableWindow(TRUE);

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
