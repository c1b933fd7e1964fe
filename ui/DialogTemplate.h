// A dialog as data: its controls with id, kind, caption, rectangle in dialog units and style, the
// way a resource template describes a dialog. The hosts render a template into a window.
#pragma once

#include <string>
#include <vector>

namespace qv {

// Standard command ids.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDC_STATIC = -1;

enum class ControlKind {
    Static,    // a text (label); Sunken style gives it a border
    Group,     // a group box with a caption
    Frame,     // a rectangle without caption
    Edit,      // an edit box
    Button,    // a push button
    CheckBox,  // a check box
    ComboBox,  // a drop-down combo box (entries plus an edit field)
    List,      // a report-style list (a CReportCtrl)
    Progress,  // a progress bar
    Icon,      // the program's icon
    Radio,     // a radio button; a run of them in the template is one group
};

// Style flags, combined with |.
enum ControlStyle : unsigned {
    kStyleNone = 0,
    kReadOnly = 1u << 0,       // edit: no typing
    kPassword = 1u << 1,       // edit: masked
    kHidden = 1u << 2,         // created invisible
    kDisabled = 1u << 3,       // created disabled
    kDefaultButton = 1u << 4,  // button: pressed by Enter
    kSunken = 1u << 5,         // static: sunken border
    kBorder = 1u << 6,         // icon, progress: a border
    kManualCheck = 1u << 7,    // check box: does not toggle by itself; its handler does
    kMultiLine = 1u << 8,      // static/edit: several lines
    kRightAlign = 1u << 9,     // static/edit: text aligned right
    // Check box drawn as a push button that stays pressed while checked; combined with
    // kManualCheck only the dialog sets its mark. (A bit kept apart from the others above.)
    kPushLike = 1u << 16,
};

// How a control follows the edges of a resizable window, combined with |. A control without any
// stays where the template puts it.
enum ControlAnchor : unsigned {
    kAnchorNone = 0,
    kMoveRight = 1u << 0,   // keeps its distance to the right edge
    kMoveDown = 1u << 1,    // keeps its distance to the bottom edge
    kGrowWidth = 1u << 2,   // its right side keeps its distance to the right edge
    kGrowHeight = 1u << 3,  // its bottom side keeps its distance to the bottom edge
    kFollowBottom = kMoveDown,
    kFollowCorner = kMoveRight | kMoveDown,
    kGrowBoth = kGrowWidth | kGrowHeight,
};

struct ControlTemplate {
    int id = IDC_STATIC;
    ControlKind kind = ControlKind::Static;
    std::string caption;
    int x = 0, y = 0, width = 0, height = 0;  // dialog units
    unsigned style = kStyleNone;
    unsigned anchor = kAnchorNone;
};

// A rectangle in any one unit.
struct LayoutRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const LayoutRect&) const = default;
};

// Where a control placed at `r` in a window of the template's size goes when the window is
// dx wider and dy higher (both may be negative): moved or grown by its anchor, never smaller
// than nothing.
inline LayoutRect AnchoredRect(const LayoutRect& r, unsigned anchor, int dx, int dy) {
    LayoutRect out = r;
    if (anchor & kMoveRight) out.x += dx;
    if (anchor & kMoveDown) out.y += dy;
    if (anchor & kGrowWidth) out.width = r.width + dx > 0 ? r.width + dx : 0;
    if (anchor & kGrowHeight) out.height = r.height + dy > 0 ? r.height + dy : 0;
    return out;
}

// A key that gives a command, written the portable way ("Ctrl+F", "F3", "Shift+F10"). A command
// that is a control of the template clicks it (nothing while it is disabled or hidden); any
// other command reaches OnCommand.
struct Accelerator {
    std::string key;
    int command = 0;
};

// The window's own flags.
enum DialogStyle : unsigned {
    kDlgNone = 0,
    kDlgSystemMenu = 1u << 0,  // caption bar with system menu and close box
    kDlgMinimizeBox = 1u << 1,
    kDlgNoClose = 1u << 2,  // caption bar without system menu or close box
    kDlgCentered = 1u << 3,
    kDlgKeepFocus = 1u << 4,  // takes the keyboard focus back whenever it loses it
    // The user may resize (and maximise) the window; the template's size is the smallest, and
    // the controls follow the edges by their anchors.
    kDlgResizable = 1u << 5,
};

// An entry the program adds to the window's system menu; command 0 is a separator.
struct SystemMenuEntry {
    int command = 0;
    std::string text;
};

struct DialogTemplate {
    int id = 0;
    std::string title;
    int width = 0, height = 0;  // dialog units
    unsigned style = kDlgSystemMenu;
    std::string fontName = "MS Shell Dlg";
    int fontPointSize = 8;
    std::vector<ControlTemplate> controls;
    std::vector<Accelerator> accelerators;

    // The control with this id, or nullptr. Labels (IDC_STATIC) are not found by id.
    const ControlTemplate* Find(int id) const {
        if (id == IDC_STATIC) return nullptr;
        for (const auto& c : controls)
            if (c.id == id) return &c;
        return nullptr;
    }
};

}  // namespace qv
