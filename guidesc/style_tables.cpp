#include "guidesc/style_tables.h"

namespace {

constexpr KeywordRow kWindowStyleRows[] = {
    {"WS_BORDER", 0x00800000},       {"WS_CAPTION", 0x00C00000},
    {"WS_CHILD", 0x40000000},        {"WS_CLIPCHILDREN", 0x02000000},
    {"WS_CLIPSIBLINGS", 0x04000000}, {"WS_DISABLED", 0x08000000},
    {"WS_DLGFRAME", 0x00400000},     {"WS_GROUP", 0x00020000},
    {"WS_HSCROLL", 0x00100000},      {"WS_MAXIMIZE", 0x01000000},
    {"WS_MAXIMIZEBOX", 0x00010000},  {"WS_MINIMIZE", 0x20000000},
    {"WS_MINIMIZEBOX", 0x00020000},  {"WS_OVERLAPPEDWINDOW", 0x00CF0000},
    {"WS_POPUP", 0x80000000},        {"WS_POPUPWINDOW", 0x80880000},
    {"WS_SIZEBOX", 0x00040000},      {"WS_SYSMENU", 0x00080000},
    {"WS_TABSTOP", 0x00010000},      {"WS_THICKFRAME", 0x00040000},
    {"WS_TILEDWINDOW", 0x00CF0000},  {"WS_VISIBLE", 0x10000000},
    {"WS_VSCROLL", 0x00200000},
};

constexpr KeywordRow kWindowExStyleRows[] = {
    {"WS_EX_ACCEPTFILES", 0x10},
    {"WS_EX_APPWINDOW", 0x40000},
    {"WS_EX_CLIENTEDGE", 0x200},
    {"WS_EX_CONTEXTHELP", 0x400},
    {"WS_EX_CONTROLPARENT", 0x10000},
    {"WS_EX_DLGMODALFRAME", 0x1},
    {"WS_EX_LEFT", 0},
    {"WS_EX_LEFTSCROLLBAR", 0x4000},
    {"WS_EX_LTRREADING", 0},
    {"WS_EX_MDICHILD", 0x40},
    {"WS_EX_NOPARENTNOTIFY", 0x4},
    {"WS_EX_OVERLAPPEDWINDOW", 0x300},
    {"WS_EX_PALETTEWINDOW", 0x188},
    {"WS_EX_RIGHT", 0x1000},
    {"WS_EX_RIGHTSCROLLBAR", 0},
    {"WS_EX_RTLREADING", 0x2000},
    {"WS_EX_STATICEDGE", 0x20000},
    {"WS_EX_TOOLWINDOW", 0x80},
    {"WS_EX_TOPMOST", 0x8},
    {"WS_EX_TRANSPARENT", 0x20},
    {"WS_EX_WINDOWEDGE", 0x100},
    {"WS_EX_LAYERED", 0x80000},
};

constexpr KeywordRow kFontStyleRows[] = {
    {"FS_ITALIC", 0x1}, {"FS_UNDERLINE", 0x2}, {"FS_STRIKE_OUT", 0x4}};

constexpr KeywordRow kDrawTextFormatRows[] = {
    {"DT_TOP", 0},          {"DT_LEFT", 0},          {"DT_CENTER", 0x1},
    {"DT_RIGHT", 0x2},      {"DT_VCENTER", 0x4},     {"DT_BOTTOM", 0x8},
    {"DT_WORDBREAK", 0x10}, {"DT_SINGLELINE", 0x20}, {"DT_EXPANDTABS", 0x40},
    {"DT_TABSTOP", 0x80},   {"DT_NOCLIP", 0x100},    {"DT_EXTERNALLEADING", 0x200},
    {"DT_CALCRECT", 0x400}, {"DT_NOPREFIX", 0x800},  {"DT_INTERNAL", 0x1000},
};

// "MDS_GRADIENT_VERTICAL" names the same bit as "MDS_GRADIENT": stored files
// rely on it.
constexpr KeywordRow kDialogStyleRows[] = {
    {"MDS_GRADIENT", 0x1},
    {"MDS_GRADIENT_ISVERTICAL", 0x2},
    {"MDS_GRADIENT_HORIZONTAL", 0x1},
    {"MDS_GRADIENT_VERTICAL", 0x1},
    {"MDS_SIZE_FOR_CLIENTAREA", 0x4},
    {"MDS_USE_PARENT_BACKGROUND", 0x8},
    {"MDS_DOCKABLE", 0x10},
};

constexpr KeywordRow kDialogTemplateStyleRows[] = {
    {"DS_ABSALIGN", 0x1},        {"DS_SYSMODAL", 0x2},       {"DS_LOCALEDIT", 0x20},
    {"DS_SETFONT", 0x40},        {"DS_MODALFRAME", 0x80},    {"DS_NOIDLEMSG", 0x100},
    {"DS_SETFOREGROUND", 0x200}, {"DS_3DLOOK", 0x4},         {"DS_FIXEDSYS", 0x8},
    {"DS_NOFAILCREATE", 0x10},   {"DS_CONTROL", 0x400},      {"DS_CENTER", 0x800},
    {"DS_CENTERMOUSE", 0x1000},  {"DS_CONTEXTHELP", 0x2000},
};

constexpr KeywordRow kButtonLineStyleRows[] = {
    {"BLS_VERTICAL", 0x1}, {"BLS_SCROLLBAR", 0x2}, {"BLS_BUTTON_SELECTABLE", 0x4}};

constexpr KeywordRow kEditStyleRows[] = {
    {"ES_AUTOHSCROLL", 0x80}, {"ES_AUTOVSCROLL", 0x40},  {"ES_CENTER", 0x1},
    {"ES_LEFT", 0},           {"ES_LOWERCASE", 0x10},    {"ES_MULTILINE", 0x4},
    {"ES_NOHIDESEL", 0x100},  {"ES_NUMBER", 0x2000},     {"ES_OEMCONVERT", 0x400},
    {"ES_PASSWORD", 0x20},    {"ES_READONLY", 0x800},    {"ES_RIGHT", 0x2},
    {"ES_UPPERCASE", 0x8},    {"ES_WANTRETURN", 0x1000},
};

constexpr KeywordRow kListCtrlStyleRows[] = {
    {"LVS_ICON", 0},
    {"LVS_REPORT", 0x1},
    {"LVS_SMALLICON", 0x2},
    {"LVS_LIST", 0x3},
    {"LVS_TYPEMASK", 0x3},
    {"LVS_SINGLESEL", 0x4},
    {"LVS_SHOWSELALWAYS", 0x8},
    {"LVS_SORTASCENDING", 0x10},
    {"LVS_SORTDESCENDING", 0x20},
    {"LVS_SHAREIMAGELISTS", 0x40},
    {"LVS_NOLABELWRAP", 0x80},
    {"LVS_AUTOARRANGE", 0x100},
    {"LVS_EDITLABELS", 0x200},
    {"LVS_OWNERDATA", 0x1000},
    {"LVS_NOSCROLL", 0x2000},
    {"LVS_TYPESTYLEMASK", 0xFC00},
    {"LVS_ALIGNTOP", 0},
    {"LVS_ALIGNLEFT", 0x800},
    {"LVS_ALIGNMASK", 0xC00},
    {"LVS_OWNERDRAWFIXED", 0x400},
    {"LVS_EX_GRIDLINES", 0x1},
    {"LVS_NOCOLUMNHEADER", 0x4000},
};

constexpr KeywordRow kListCtrlExStyleRows[] = {
    {"LVS_EX_GRIDLINES", 0x1},         {"LVS_EX_SUBITEMIMAGES", 0x2},
    {"LVS_EX_CHECKBOXES", 0x4},        {"LVS_EX_TRACKSELECT", 0x8},
    {"LVS_EX_HEADERDRAGDROP", 0x10},   {"LVS_EX_FULLROWSELECT", 0x20},
    {"LVS_EX_ONECLICKACTIVATE", 0x40}, {"LVS_EX_TWOCLICKACTIVATE", 0x80},
    {"LVS_EX_FLATSB", 0x100},          {"LVS_EX_REGIONAL", 0x200},
    {"LVS_EX_INFOTIP", 0x400},         {"LVS_EX_UNDERLINEHOT", 0x800},
    {"LVS_EX_UNDERLINECOLD", 0x1000},  {"LVS_EX_MULTIWORKAREAS", 0x2000},
    {"LVS_EX_LABELTIP", 0x4000},       {"LVS_EX_BORDERSELECT", 0x8000},
};

constexpr KeywordRow kComboBoxStyleRows[] = {
    {"CBS_SIMPLE", 0x1},
    {"CBS_DROPDOWN", 0x2},
    {"CBS_DROPDOWNLIST", 0x3},
    {"CBS_OWNERDRAWFIXED", 0x10},
    {"CBS_OWNERDRAWVARIABLE", 0x20},
    {"CBS_AUTOHSCROLL", 0x40},
    {"CBS_OEMCONVERT", 0x80},
    {"CBS_SORT", 0x100},
    {"CBS_HASSTRINGS", 0x200},
    {"CBS_NOINTEGRALHEIGHT", 0x400},
    {"CBS_DISABLENOSCROLL", 0x800},
    {"CBS_UPPERCASE", 0x2000},
    {"CBS_LOWERCASE", 0x4000},
};

constexpr KeywordRow kListBoxStyleRows[] = {
    {"LBS_NOTIFY", 0x1},
    {"LBS_SORT", 0x2},
    {"LBS_NOREDRAW", 0x4},
    {"LBS_MULTIPLESEL", 0x8},
    {"LBS_OWNERDRAWFIXED", 0x10},
    {"LBS_OWNERDRAWVARIABLE", 0x20},
    {"LBS_HASSTRINGS", 0x40},
    {"LBS_USETABSTOPS", 0x80},
    {"LBS_NOINTEGRALHEIGHT", 0x100},
    {"LBS_MULTICOLUMN", 0x200},
    {"LBS_WANTKEYBOARDINPUT", 0x400},
    {"LBS_EXTENDEDSEL", 0x800},
    {"LBS_DISABLENOSCROLL", 0x1000},
    {"LBS_NODATA", 0x2000},
    {"LBS_STANDARD", 0xA00003},
    {"LBS_NOSEL", 0x4000},
};

constexpr KeywordRow kTreeCtrlStyleRows[] = {
    {"TVS_DISABLEDRAGDROP", 0x10}, {"TVS_EDITLABELS", 0x8},     {"TVS_HASBUTTONS", 0x1},
    {"TVS_HASLINES", 0x2},         {"TVS_LINESATROOT", 0x4},    {"TVS_SHOWSELALWAYS", 0x20},
    {"TVS_RTLREADING", 0x40},      {"TVS_NOTOOLTIPS", 0x80},    {"TVS_CHECKBOXES", 0x100},
    {"TVS_TRACKSELECT", 0x200},    {"TVS_SINGLEEXPAND", 0x400}, {"TVS_INFOTIP", 0x800},
    {"TVS_FULLROWSELECT", 0x1000}, {"TVS_NOSCROLL", 0x2000},    {"TVS_NONEVENHEIGHT", 0x4000},
    {"TVS_NOHSCROLL", 0x8000},
};

constexpr KeywordRow kFontWeightRows[] = {
    {"FW_DONTCARE", 0},    {"FW_THIN", 100},   {"FW_EXTRALIGHT", 200}, {"FW_LIGHT", 300},
    {"FW_NORMAL", 400},    {"FW_MEDIUM", 500}, {"FW_SEMIBOLD", 600},   {"FW_BOLD", 700},
    {"FW_EXTRABOLD", 800}, {"FW_HEAVY", 900},
};

} // namespace

WindowStyleTable::WindowStyleTable() : StyleKeywordTable(kWindowStyleRows) {}
WindowExStyleTable::WindowExStyleTable() : StyleKeywordTable(kWindowExStyleRows) {}
FontStyleTable::FontStyleTable() : StyleKeywordTable(kFontStyleRows) {}
DrawTextFormatTable::DrawTextFormatTable() : StyleKeywordTable(kDrawTextFormatRows) {}
DialogStyleTable::DialogStyleTable() : StyleKeywordTable(kDialogStyleRows) {}
DialogTemplateStyleTable::DialogTemplateStyleTable()
    : StyleKeywordTable(kDialogTemplateStyleRows) {}
ButtonLineStyleTable::ButtonLineStyleTable() : StyleKeywordTable(kButtonLineStyleRows) {}
EditStyleTable::EditStyleTable() : StyleKeywordTable(kEditStyleRows) {}
ListCtrlStyleTable::ListCtrlStyleTable() : StyleKeywordTable(kListCtrlStyleRows) {}
ListCtrlExStyleTable::ListCtrlExStyleTable() : StyleKeywordTable(kListCtrlExStyleRows) {}
ComboBoxStyleTable::ComboBoxStyleTable() : StyleKeywordTable(kComboBoxStyleRows) {}
ListBoxStyleTable::ListBoxStyleTable() : StyleKeywordTable(kListBoxStyleRows) {}
TreeCtrlStyleTable::TreeCtrlStyleTable() : StyleKeywordTable(kTreeCtrlStyleRows) {}
FontWeightTable::FontWeightTable()
    : ValueKeywordTable(kFontWeightRows, KeywordRow{"FW_NORMAL", 400}) {}
