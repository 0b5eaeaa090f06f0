// Resources of a program: the string table, menus, accelerators, toolbars,
// dialog templates and pictures, all found by their numeric identifiers as
// the program's code names them.  A program registers its table once at
// start (AfxSetResources); the toolkit builds windows from it.
#pragma once

#include "core/wintypes.h"

#include <QColor>
#include <QIcon>
#include <QPixmap>

#include <map>
#include <string>
#include <vector>

// A menu item; a popup has items, a separator has id 0 and no text.
struct MenuTemplateItem {
    UINT id = 0;
    std::string text;
    std::vector<MenuTemplateItem> items;
};

struct AcceleratorEntry {
    UINT id;
    const char* keys; // portable key text: "Ctrl+F5", "Alt+X", "F5"
};

// Buttons of a toolbar in order, 0 for a separator; the bitmap strip holds
// one width x height image per button, separators excluded.
struct ToolBarTemplate {
    UINT bitmapId = 0;
    int width = 16;
    int height = 16;
    std::vector<UINT> buttons;
};

enum class ControlKind {
    Static,    // text label
    Icon,      // picture from an icon resource (the id in text is unused)
    GroupBox,
    Button,    // push button
    DefButton, // default push button
    CheckBox,
    Radio,     // WS_GROUP on the first radio of each group
    Edit,
    ComboList, // drop-down list; the text holds its first items, one per line
    Spin,      // arrows stepping the edit just before it (its buddy)
    Progress,
    ListView,  // list_ctrl.h
    TrackBar,  // slider_ctrl.h; TBS_ styles
};

// Positions and sizes are in dialog units, as the templates were drawn.
struct ControlTemplate {
    ControlKind kind;
    UINT id; // 0xFFFF (IDC_STATIC) for controls nobody addresses
    std::string text;
    int x, y, cx, cy;
    DWORD style = 0;
    UINT iconId = 0; // ControlKind::Icon only
};

struct DialogTemplate {
    std::string caption;
    int cx = 0, cy = 0; // dialog units
    std::vector<ControlTemplate> controls;
};

struct ResourceTable {
    std::map<UINT, std::string> strings;
    std::map<UINT, MenuTemplateItem> menus;
    std::map<UINT, std::vector<AcceleratorEntry>> accelerators;
    std::map<UINT, ToolBarTemplate> toolbars;
    std::map<UINT, DialogTemplate> dialogs;
    std::map<UINT, std::string> pictures; // bitmap and icon ids -> Qt resource paths
};

constexpr UINT IDC_STATIC = 0xFFFF;

// The table lives as long as the program; null clears it.
void AfxSetResources(const ResourceTable* table);
const ResourceTable& AfxResources();

// The string of an id, empty when the table has none.
std::string LoadString(UINT id);
// "prompt\ntip" strings of commands: the part before and after the break.
std::string CommandPrompt(UINT id);
std::string CommandTip(UINT id);
const DialogTemplate* FindDialogTemplate(UINT id);

// A picture resource; null pixmap when missing.
QPixmap LoadPicture(UINT id);
// Image number index of a strip of size-wide images, with every pixel of
// the mask colour made transparent.
QPixmap StripImage(const QPixmap& strip, int index, QSize size, const QColor& mask);

// Dialog units to pixels for the toolkit's dialog font.
QPoint DialogUnitsToPixels(int x, int y);
