#pragma once
// Dialogs from DLGTEMPLATE bytes, modal and modeless.

#include "platform/mfc/mfc_controls.h"

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr const char* KV_DIALOG_CLASS = "#32770";
// Resource types of the registry: dialog templates and strings (the
// Windows-1252 bytes of the text).
inline constexpr const char* KV_RT_DIALOG = "RT_DIALOG";
inline constexpr const char* KV_RT_STRING = "RT_STRING";

inline constexpr DWORD DS_SETFONT = 0x40;
inline constexpr DWORD DS_3DLOOK = 0x4;
inline constexpr DWORD DS_FIXEDSYS = 0x8;
inline constexpr DWORD DS_CONTROL = 0x400;
inline constexpr DWORD DS_CENTER = 0x800;

// Dialog units use fixed base units of 6 x 13 pixels.
inline constexpr int KV_DIALOG_BASE_X = 6;
inline constexpr int KV_DIALOG_BASE_Y = 13;
// The font of a dialog without a font block.
inline constexpr const char* KV_DIALOG_FONT_FACE = "DejaVu Sans";
inline constexpr LONG KV_DIALOG_FONT_HEIGHT = -11;

// a * b / c rounded half away from zero; -1 when c is 0.
int MulDiv(int a, int b, int c);

struct DialogTemplate {
    DWORD style = 0;
    DWORD ex_style = 0;
    WORD item_count = 0;
    std::int16_t x = 0;
    std::int16_t y = 0;
    std::int16_t cx = 0;
    std::int16_t cy = 0;
    std::string menu;           // empty, or the name
    WORD menu_id = 0;           // an ordinal menu
    std::string class_name;     // empty for the dialog class
    WORD class_id = 0;
    std::string title;
    bool has_font = false;
    WORD point_size = 0;
    std::string face;
};

// Reads the documented little-endian DLGTEMPLATE (UTF-16 strings become
// Windows-1252, '?' for what it lacks). Refuses bytes that run past size,
// extended templates and templates with items.
bool ParseDialogTemplate(const void* data, std::size_t size, DialogTemplate& parsed);
// The bytes of a template without items and font block.
std::string BuildDialogTemplate(DWORD style, DWORD ex_style, short x, short y, short cx, short cy,
                                const std::string& title);
// A template's client size in pixels.
SIZE DialogUnitsToPixels(int cx, int cy);
// A string resource; empty when there is none.
std::string KvLoadString(UINT id);

class CDialog : public CWnd {
public:
    CDialog() = default;
    explicit CDialog(UINT template_id, CWnd* parent = nullptr) : m_nIDTemplate(template_id), m_pParentWnd(parent) {}

    // Modeless, from an RT_DIALOG resource or from template bytes.
    BOOL Create(UINT template_id, CWnd* parent = nullptr);
    BOOL CreateIndirect(const void* data, std::size_t size, CWnd* parent = nullptr);
    BOOL InitModalIndirect(const void* data, std::size_t size, CWnd* parent = nullptr);
    // Disables the owner, runs a nested loop until EndDialog and returns its
    // code; -1 when the dialog cannot be made or the loop ended otherwise.
    virtual std::intptr_t DoModal();
    // A modal dialog ends its loop and is destroyed; a modeless one is
    // hidden. When the focus went with it, it goes to the topmost visible,
    // enabled top-level window left: to the control that last had the focus
    // there while that is visible and enabled, else to the first usable
    // WS_TABSTOP control (the rule at opening), else to the window itself.
    void EndDialog(int result);
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Keyboard navigation of a top-level dialog: Tab and Shift+Tab move the
    // focus among the WS_TABSTOP controls in the order they were made (into
    // pages and child sheets), Return presses the default push button or
    // sends IDOK, Escape sends IDCANCEL. A key the focused control claims
    // through WM_GETDLGCODE stays with it; a child dialog leaves the keys to
    // the dialog around it.
    BOOL PreTranslateMessage(MSG* message) override;

    UINT m_nIDTemplate = 0;
    CWnd* m_pParentWnd = nullptr;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnNcDestroy() override;
    // Makes the window from the template bytes held. A dialog that is no
    // child window and whose OnInitDialog returned TRUE then focuses its first
    // visible, enabled WS_TABSTOP control (in a sheet: the shown page's, else
    // the tab control).
    BOOL CreateFromTemplate(HWND parent);
    bool LoadTemplate();

    std::string m_template;
    CFont m_font;
    int m_nModalResult = -1;
    bool m_bInModalLoop = false;
    // The character of the last key taken, whose WM_CHAR is swallowed too.
    WPARAM m_nTakenChar = 0;
};
