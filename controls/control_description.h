#pragma once
// The steps every skinned control built from a catalog description shares.
//
// A control derives from its MFC class first and its description class
// second (the "description part"). Its owner stores the catalog as the
// part's owner and the control's identifier as its identifier, then calls
// the control's CreateFromDescription. How a control uses the pieces here:
//
//   KvResult CKvUIFoo::ApplyDescription() {
//       CKvUIObjectFoo& part = *this;
//       m_nLastResult = KvCopyDescription(part, kUIObjectFoo);  // look-up, copy,
//       if (KvFailed(m_nLastResult)) return m_nLastResult;     // absolute place
//       KvDescriptionRects(part, m_rectWindow, m_rectClient);
//       KvResolveText(part.GetOwner(), part.GetText());
//       ... copy the part's properties into the members ...
//   }
//   KvResult CKvUIFoo::CreateFromDescription(CWnd* parent, BOOL apply) {
//       return m_nLastResult = KvCreateFromDescription(parent, apply,
//           [&] { ApplyDescription(); },
//           [&] { return CButton::Create(text, style, m_rectWindow, parent, id); });
//   }
//   KvResult CKvUIFoo::CreateFont() {
//       return m_nLastResult = KvCreateControlFont(*this, m_font, m_logFont, wanted);
//   }
//
// Images named by a description ("backgroundimageridorfile" and the like)
// load through KvLoadDescriptionImage with the folder rule of the control.

#include "controls/kv_bitmap.h"
#include "guidesc/ui_object.h"
#include "guidesc/ui_object_catalog.h"
#include "platform/mfc/mfc_wnd.h"
#include "platform/pointer.h"
#include "platform/result_codes.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// "style" bits of the skinned windows ("MDS_").
inline constexpr std::uint32_t MDS_GRADIENT = 0x1;
inline constexpr std::uint32_t MDS_GRADIENT_ISVERTICAL = 0x2;
inline constexpr std::uint32_t MDS_USE_PARENT_BACKGROUND = 0x8;
inline constexpr std::uint32_t MDS_DOCKABLE = 0x10;

// "fontstyle" bits ("FS_").
inline constexpr std::uint32_t FS_ITALIC = 0x1;
inline constexpr std::uint32_t FS_UNDERLINE = 0x2;
inline constexpr std::uint32_t FS_STRIKE_OUT = 0x4;

// A colour whose top byte is 0xFF stands for no brush: nothing is filled
// with it and text over it is drawn transparently.
inline constexpr bool KvIsNoBrush(std::uint32_t colour) { return (colour >> 24) == 0xFFu; }

// A round edge ("roundedgex", "roundedgey") as the painters take it: at most
// 32767, so corner arithmetic on window coordinates cannot overflow.
inline constexpr std::int32_t kKvRoundEdgeLimit = 0x7FFF;
inline std::int32_t KvRoundEdge(std::uint32_t value) {
    return value > static_cast<std::uint32_t>(kKvRoundEdgeLimit) ? kKvRoundEdgeLimit
                                                                 : static_cast<std::int32_t>(value);
}

// Finds the part's identifier among the catalog's descriptions of the type
// code. KV_E_INVALID_POINTER without a valid catalog; KV_E_FAIL for an empty
// identifier or one the type does not hold; the catalog's code when the type
// is missing.
KvResult KvFindDescription(CKvUIObject& part, std::uint32_t typeCode, CKvUIObject*& found);

// Copies the found description into the part with the class's operator=,
// then replaces the part's position by the absolute one (the sum along the
// "anchoridentifier" chain).
template <class Description> KvResult KvCopyDescription(Description& part, std::uint32_t typeCode) {
    CKvUIObject* found = nullptr;
    const KvResult result = KvFindDescription(part, typeCode, found);
    if (KvFailed(result))
        return result;
    CKvUIObjectCatalog* catalog = part.GetOwner();
    part = static_cast<const Description&>(*found);
    std::int32_t x = 0;
    std::int32_t y = 0;
    catalog->GetAbsolutePosition(x, y, found);
    part.GetPositionX() = x;
    part.GetPositionY() = y;
    return KV_OK;
}

// A text that names a string description ("UIObjString_...") becomes that
// string's text; any other text stays. True when it was replaced.
bool KvResolveText(CKvUIObjectCatalog* catalog, std::string& text);

// (x, y, x + width - 1, y + height - 1) and the same at (0, 0): the window is
// one pixel narrower and lower than the description says. The sums wrap at
// 32 bits, as the catalog's absolute positions do.
void KvDescriptionRects(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                        CRect& window, CRect& client);
inline void KvDescriptionRects(CKvUIObject& part, CRect& window, CRect& client) {
    KvDescriptionRects(part.GetPositionX(), part.GetPositionY(), part.GetWidth(), part.GetHeight(),
                       window, client);
}

// KV_E_INVALID_POINTER for an invalid parent; otherwise apply (when asked;
// its result is not looked at) and create, KV_E_FAIL when creation fails.
KvResult KvCreateFromDescription(CWnd* parent, BOOL apply,
                                 const std::function<void()>& applyDescription,
                                 const std::function<BOOL()>& createWindow);

class CKvUIObjectDialog;
// Copies what a dialog and a property page take alike from their description:
// colours, images and their flags, geometry, corners, children, style, border
// and text. The dialog adds its window and dialog styles.
void KvCopyDialogLook(CKvUIObjectDialog& to, const CKvUIObjectDialog& source);

// What a control changes of its parent's font.
struct KvControlFontSpec {
    std::int32_t weight = FW_NORMAL;
    float magnify = 1.0f;
    // Left empty, the parent's italic, underline, strike-out and escapement stay.
    std::optional<std::uint32_t> style; // FS_ bits
    std::optional<std::int32_t> escapement;
};

// Derives the control's font from its parent's (WM_GETFONT) once: weight,
// height times magnify (truncated toward zero, saturating at the 32-bit
// limits), and the italic, underline and strike-out bits and escapement when
// wanted names them. Nothing when the font exists. KV_E_FAIL when the parent has no font or the font cannot
// be made. logFont receives what the font was made from.
KvResult KvCreateControlFont(const CWnd& control, CFont& font, LOGFONT& logFont,
                             const KvControlFontSpec& wanted);
// lfHeight times the factor, truncated, saturating; unchanged for NaN.
LONG KvScaleFontHeight(LONG height, float magnify);

// The folder below the catalog's folder where controls and dialogs find their
// image files: the theme folder ("Themes\", with the theme's own folder when
// it has one); pages use the image folder ("Images\").
std::string KvThemeImageFolder();
std::string KvImageFolder();
// The path of an image file named in a description: a name beginning with
// "\" is taken below the catalog's folder itself.
std::string KvImagePath(const std::string& catalogFolder, const std::string& file,
                        const std::string& folderBelow);

// Where a description names an image: a resource id (non-zero) or a file.
struct KvImageSource {
    const std::string& file;
    std::uint32_t resourceId = 0;
    bool packed = false;
};
// Loads the image into bitmap: an RT_BITMAP resource (id cut to 16 bits) when
// the id is not 0, else the file below the catalog's folder. KV_E_FAIL for a
// file without a valid catalog; otherwise the loader's code. Nothing is done
// (KV_OK) when the file text is empty.
KvResult KvLoadDescriptionImage(CKvBitmap& bitmap, const KvImageSource& source,
                                CKvUIObjectCatalog* catalog, const std::string& folderBelow,
                                CDC* pDC);
