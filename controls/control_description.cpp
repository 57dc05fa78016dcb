#include "controls/control_description.h"

#include "core/module_identity.h"
#include "guidesc/ui_object_dialog.h"
#include "platform/geometry.h"

#include <cmath>
#include <limits>

KvResult KvFindDescription(CKvUIObject& part, std::uint32_t typeCode, CKvUIObject*& found) {
    found = nullptr;
    CKvUIObjectCatalog* catalog = part.GetOwner();
    if (!IsValidPtr(catalog))
        return KV_E_INVALID_POINTER;
    if (part.GetIdentifier().empty())
        return KV_E_FAIL;
    CKvUIObjectCatalogType* type = nullptr;
    const KvResult result = catalog->GetType(type, typeCode);
    if (KvFailed(result))
        return result;
    if (!IsValidPtr(type))
        return KV_E_FAIL;
    CKvUIObject* description = nullptr;
    // A type files only descriptions of its own class, yet the copy below
    // casts: check rather than trust.
    if (!type->Lookup(description, part.GetIdentifier()) || !IsValidPtr(description) ||
        description->GetTypeCode() != typeCode)
        return KV_E_FAIL;
    found = description;
    return KV_OK;
}

bool KvResolveText(CKvUIObjectCatalog* catalog, std::string& text) {
    if (!IsValidPtr(catalog) || text.empty())
        return false;
    std::string resolved;
    if (!catalog->GetString(resolved, text))
        return false;
    text = std::move(resolved);
    return true;
}

void KvDescriptionRects(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                        CRect& window, CRect& client) {
    const auto last = [](std::int32_t origin, std::int32_t size) { return KvWrapAdd(KvWrapAdd(origin, size), -1); };
    window.SetRect(x, y, last(x, width), last(y, height));
    client.SetRect(0, 0, last(0, width), last(0, height));
}

KvResult KvCreateFromDescription(CWnd* parent, BOOL apply,
                                 const std::function<void()>& applyDescription,
                                 const std::function<BOOL()>& createWindow) {
    if (!IsValidPtr(parent))
        return KV_E_INVALID_POINTER;
    if (apply)
        applyDescription();
    return createWindow() ? KV_OK : KV_E_FAIL;
}

void KvCopyDialogLook(CKvUIObjectDialog& to, const CKvUIObjectDialog& source) {
    // The catalog's descriptions are not changed; the getters are not const.
    auto& from = const_cast<CKvUIObjectDialog&>(source);
    to.GetBackgroundColor() = from.GetBackgroundColor();
    to.GetTextColor() = from.GetTextColor();
    to.GetTransparentColor() = from.GetTransparentColor();
    to.SetBackgroundImageText(from.GetBackgroundImageFile());
    to.GetFlagSizeFollowBackgroundImage() = from.GetFlagSizeFollowBackgroundImage();
    to.GetFlagBackgroundImageHasTransparent() = from.GetFlagBackgroundImageHasTransparent();
    to.GetFlagBackgroundImageIsPacked() = from.GetFlagBackgroundImageIsPacked();
    to.GetFlagBackgroundWallpaper() = from.GetFlagBackgroundWallpaper();
    to.GetHeight() = from.GetHeight();
    to.GetWidth() = from.GetWidth();
    to.GetPositionX() = from.GetPositionX();
    to.GetPositionY() = from.GetPositionY();
    to.GetRoundEdgeX() = from.GetRoundEdgeX();
    to.GetRoundEdgeY() = from.GetRoundEdgeY();
    to.GetChildIdentifierList() = from.GetChildIdentifierList();
    to.GetBackgroundColorRangeStart() = from.GetBackgroundColorRangeStart();
    to.SetStyle(from.GetStyle());
    to.SetBorderImageText(from.GetBorderImageFile());
    to.GetText() = from.GetText();
}

LONG KvScaleFontHeight(LONG height, float magnify) {
    const double scaled = std::trunc(static_cast<double>(height) * static_cast<double>(magnify));
    if (std::isnan(scaled))
        return height;
    if (scaled >= static_cast<double>(std::numeric_limits<LONG>::max()))
        return std::numeric_limits<LONG>::max();
    if (scaled <= static_cast<double>(std::numeric_limits<LONG>::min()))
        return std::numeric_limits<LONG>::min();
    return static_cast<LONG>(scaled);
}

KvResult KvCreateControlFont(const CWnd& control, CFont& font, LOGFONT& logFont,
                             const KvControlFontSpec& wanted) {
    if (font.GetSafeHandle() != nullptr)
        return KV_OK;
    if (control.GetSafeHwnd() == nullptr)
        return KV_E_FAIL;
    HWND parent = ::GetParent(control.GetSafeHwnd());
    const auto parentFont = reinterpret_cast<HFONT>(::SendMessage(parent, WM_GETFONT, 0, 0));
    LOGFONT derived;
    if (parent == nullptr || parentFont == nullptr ||
        ::GetObject(parentFont, sizeof(LOGFONT), &derived) != static_cast<int>(sizeof(LOGFONT)))
        return KV_E_FAIL;
    derived.lfWeight = wanted.weight;
    if (wanted.magnify != 1.0f)
        derived.lfHeight = KvScaleFontHeight(derived.lfHeight, wanted.magnify);
    if (wanted.style) {
        derived.lfItalic = (*wanted.style & FS_ITALIC) != 0 ? 1 : 0;
        derived.lfUnderline = (*wanted.style & FS_UNDERLINE) != 0 ? 1 : 0;
        derived.lfStrikeOut = (*wanted.style & FS_STRIKE_OUT) != 0 ? 1 : 0;
    }
    if (wanted.escapement)
        derived.lfEscapement = *wanted.escapement;
    logFont = derived;
    return font.CreateFontIndirect(&logFont) ? KV_OK : KV_E_FAIL;
}

std::string KvThemeImageFolder() {
    const ModuleIdentity& identity = GetModuleIdentity();
    std::string folder = identity.GetThemesFolder() + "\\";
    if (!identity.GetThemeName().empty())
        folder += identity.GetThemeName() + "\\";
    return folder;
}

std::string KvImageFolder() {
    return GetModuleIdentity().GetImagesFolder() + "\\";
}

std::string KvImagePath(const std::string& catalogFolder, const std::string& file,
                        const std::string& folderBelow) {
    if (!file.empty() && file.front() == '\\')
        return catalogFolder + file;
    return catalogFolder + "\\" + folderBelow + file;
}

KvResult KvLoadDescriptionImage(CKvBitmap& bitmap, const KvImageSource& source,
                                CKvUIObjectCatalog* catalog, const std::string& folderBelow,
                                CDC* pDC) {
    if (source.file.empty())
        return KV_OK;
    if (source.resourceId != 0) {
        const std::uint32_t id = source.resourceId & 0xFFFFu;
        return source.packed ? bitmap.LoadPackedResource(KV_RT_BITMAP_TYPE, id, pDC)
                             : bitmap.LoadResourceBitmap(KV_RT_BITMAP_TYPE, id, pDC);
    }
    if (!IsValidPtr(catalog))
        return KV_E_FAIL;
    const std::string path = KvImagePath(catalog->GetFolder(), source.file, folderBelow);
    return source.packed ? bitmap.LoadPackedFile(path, pDC) : bitmap.LoadFile(path, pDC);
}
