// Our dialog templates: per control its id, kind, text, place and size in dialog units and its
// style notes, the way a dialog resource describes a dialog. The Qt front end turns one into widgets.
#pragma once

#include <cstdint>

enum class ControlKind {
    GroupBox,    // a frame with a title; the title's mnemonic goes to the next control
    Label,       // static text; its mnemonic goes to the next control of the template
    Edit,        // single-line edit with a border, scrolling horizontally
    RadioButton, // automatic radio button; StyleGroup starts a group
    CheckBox,    // automatic check box (update boxes are check boxes without caption)
    ComboBox,    // drop-down combo with an editable text field; h is the height with the list open
    ComboList,   // drop-down list, no typing; h is the height with the list open
    UpDown,      // spin control; its buddy is the control just before it in the template
    StatusField, // read-only sunken text field
    Picture,     // a bitmap control (the logo)
    PushButton,
};

enum TemplateStyle : uint32_t {
    StyleNone = 0,
    StyleGroup = 1 << 0,         // first control of a group (radio buttons)
    StyleDigitsOnly = 1 << 1,    // edit accepts digits only
    StyleSorted = 1 << 2,        // combo list sorted
    StyleDefaultButton = 1 << 3, // the dialog's default push button
    StyleVScroll = 1 << 4,       // combo list with a vertical scroll bar
    StyleArrowKeys = 1 << 5,     // up-down reacts to the arrow keys in its buddy
    StyleSetBuddyInt = 1 << 6,   // up-down writes its position into the buddy as a decimal integer
};

constexpr int NoControlId = -1; // labels, frames and the like that are not addressed

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text;
    int x, y, w, h; // dialog units
    uint32_t style; // TemplateStyle bits
};

struct DialogTemplate {
    int resourceId;
    const char* caption;
    int width, height; // dialog units
    const ControlTemplate* controls;
    int controlCount;
};
