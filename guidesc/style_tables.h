#pragma once
// The keyword tables of the GUI description file's flag and value
// properties ("windowstyle", "textstyle", "fontweight", ...). The rows, their
// order and their values are those the stored files use: a lookup takes the
// first matching row and a text lists the rows in this order.

#include "core/keyword_table.h"

// "WS_": the window styles; the rows cover the upper sixteen bits only.
class WindowStyleTable : public StyleKeywordTable {
public:
    WindowStyleTable();
};

// "WS_EX_": the extended window styles.
class WindowExStyleTable : public StyleKeywordTable {
public:
    WindowExStyleTable();
};

// "FS_ITALIC", "FS_UNDERLINE", "FS_STRIKE_OUT".
class FontStyleTable : public StyleKeywordTable {
public:
    FontStyleTable();
};

// "DT_": the text drawing formats; "DT_TOP" and "DT_LEFT" are 0.
class DrawTextFormatTable : public StyleKeywordTable {
public:
    DrawTextFormatTable();
};

// "MDS_": the skinned dialog's own style bits.
class DialogStyleTable : public StyleKeywordTable {
public:
    DialogStyleTable();
};

// "DS_": the dialog template styles.
class DialogTemplateStyleTable : public StyleKeywordTable {
public:
    DialogTemplateStyleTable();
};

// "BLS_VERTICAL", "BLS_SCROLLBAR", "BLS_BUTTON_SELECTABLE".
class ButtonLineStyleTable : public StyleKeywordTable {
public:
    ButtonLineStyleTable();
};

// "ES_": the edit styles; "ES_LEFT" is 0.
class EditStyleTable : public StyleKeywordTable {
public:
    EditStyleTable();
};

// "LVS_": the list view styles. "LVS_EX_GRIDLINES" is a row here too and
// names the bit of "LVS_REPORT": stored files list it so.
class ListCtrlStyleTable : public StyleKeywordTable {
public:
    ListCtrlStyleTable();
};

// "LVS_EX_": the extended list view styles.
class ListCtrlExStyleTable : public StyleKeywordTable {
public:
    ListCtrlExStyleTable();
};

// "CBS_": the combo box styles.
class ComboBoxStyleTable : public StyleKeywordTable {
public:
    ComboBoxStyleTable();
};

// "LBS_": the list box styles.
class ListBoxStyleTable : public StyleKeywordTable {
public:
    ListBoxStyleTable();
};

// "TVS_": the tree view styles.
class TreeCtrlStyleTable : public StyleKeywordTable {
public:
    TreeCtrlStyleTable();
};

// "FW_": the font weights, one value; starts at 400 "FW_NORMAL".
class FontWeightTable : public ValueKeywordTable {
public:
    FontWeightTable();
};
