#include "form/MainDialogTemplate.h"

#include <iterator>
#include <string>

namespace {

constexpr uint32_t Digits = StyleDigitsOnly;
constexpr uint32_t Spin = StyleArrowKeys | StyleSetBuddyInt;

// Labels of the parameter rows stand three units below their edit's top, update boxes two. Every
// label, title and combo choice is whole in "MS Sans Serif" 8 at 96 dpi: the left column's labels
// take the whole width before the edits, the combos are wide enough for "(Deactivated)" beside
// their drop button, and the right column's update boxes stand just inside the frame.
const ControlTemplate MainControls[] = {
    // Unit identification
    {NoControlId, ControlKind::GroupBox, "Unit &identification", 5, 5, 240, 60, StyleNone},
    {NoControlId, ControlKind::Label, "Telephone &number", 10, 18, 75, 8, StyleNone},
    {1020, ControlKind::Edit, "", 85, 15, 100, 14, StyleNone},
    {NoControlId, ControlKind::Label, "&Programming code", 10, 33, 75, 8, StyleNone},
    {1021, ControlKind::Edit, "", 85, 30, 40, 14, Digits},
    {NoControlId, ControlKind::Label, "&Master/slave unit", 10, 51, 75, 8, StyleNone},
    {1022, ControlKind::RadioButton, "1", 85, 50, 20, 10, StyleGroup},
    {1023, ControlKind::RadioButton, "2", 110, 50, 20, 10, StyleNone},
    {1024, ControlKind::RadioButton, "3", 135, 50, 20, 10, StyleNone},
    {1025, ControlKind::RadioButton, "4", 160, 50, 20, 10, StyleNone},
    {1026, ControlKind::RadioButton, "5", 185, 50, 20, 10, StyleNone},
    {1027, ControlKind::RadioButton, "6", 210, 50, 20, 10, StyleNone},
    {IDC_LOGO, ControlKind::Picture, "", 270, 10, 95, 53, StyleNone},

    // Unit information, left column
    {NoControlId, ControlKind::GroupBox, "&Unit information", 5, 65, 385, 210, StyleNone},
    {NoControlId, ControlKind::Label, "Alarm receiver &1", 10, 80, 75, 8, StyleNone},
    {1000, ControlKind::Edit, "", 85, 77, 100, 14, StyleNone},
    {1010, ControlKind::CheckBox, "", 195, 79, 16, 8, StyleNone},
    {NoControlId, ControlKind::Label, "Alarm receiver &2", 10, 95, 75, 8, StyleNone},
    {1001, ControlKind::Edit, "", 85, 92, 100, 14, StyleNone},
    {1011, ControlKind::CheckBox, "", 195, 94, 16, 8, StyleNone},
    {NoControlId, ControlKind::Label, "&Test alarm receiver", 10, 110, 75, 8, StyleNone},
    {1002, ControlKind::Edit, "", 85, 107, 100, 14, StyleNone},
    {1012, ControlKind::CheckBox, "", 195, 109, 16, 8, StyleNone},
    {NoControlId, ControlKind::Label, "&Battery alarm receiver", 10, 125, 75, 8, StyleNone},
    {1033, ControlKind::Edit, "", 85, 122, 100, 14, StyleNone},
    {1039, ControlKind::CheckBox, "", 195, 124, 16, 8, StyleNone},
    {NoControlId, ControlKind::Label, "Alarm c&ode 1", 10, 140, 75, 8, StyleNone},
    {1003, ControlKind::Edit, "", 85, 137, 60, 14, Digits},
    {1013, ControlKind::CheckBox, "", 195, 139, 16, 8, StyleNone},
    {NoControlId, ControlKind::Label, "Alarm co&de 2", 10, 155, 75, 8, StyleNone},
    {1004, ControlKind::Edit, "", 85, 152, 60, 14, Digits},
    {1014, ControlKind::CheckBox, "", 195, 154, 16, 8, StyleNone},
    {NoControlId, ControlKind::Label, "Test alarm cod&e", 10, 170, 75, 8, StyleNone},
    {1005, ControlKind::Edit, "", 85, 167, 60, 14, Digits},
    {1015, ControlKind::CheckBox, "", 195, 169, 16, 8, StyleNone},
    {NoControlId, ControlKind::Label, "Batter&y alarm code", 10, 185, 75, 8, StyleNone},
    {1042, ControlKind::Edit, "", 85, 182, 60, 14, Digits},
    {1070, ControlKind::CheckBox, "", 195, 184, 16, 8, StyleNone},
    {NoControlId, ControlKind::Label, "Sequence receiver &3", 10, 200, 75, 8, StyleNone},
    {1006, ControlKind::Edit, "", 85, 197, 100, 14, StyleNone},
    {1016, ControlKind::CheckBox, "", 195, 199, 16, 8, StyleNone},
    {NoControlId, ControlKind::Label, "Sequence receiver &4", 10, 215, 75, 8, StyleNone},
    {1007, ControlKind::Edit, "", 85, 212, 100, 14, StyleNone},
    {1017, ControlKind::CheckBox, "", 195, 214, 16, 8, StyleNone},
    {NoControlId, ControlKind::Label, "Sequence receiver &5", 10, 230, 75, 8, StyleNone},
    {1008, ControlKind::Edit, "", 85, 227, 100, 14, StyleNone},
    {1018, ControlKind::CheckBox, "", 195, 229, 16, 8, StyleNone},
    {NoControlId, ControlKind::Label, "Sequence receiver &6", 10, 245, 75, 8, StyleNone},
    {1009, ControlKind::Edit, "", 85, 242, 100, 14, StyleNone},
    {1019, ControlKind::CheckBox, "", 195, 244, 16, 8, StyleNone},
    {NoControlId, ControlKind::Label, "Alarm type", 10, 260, 75, 8, StyleNone},
    {1047, ControlKind::Edit, "", 85, 257, 40, 14, Digits},
    {1066, ControlKind::UpDown, "", 125, 257, 11, 15, Spin},
    {1048, ControlKind::CheckBox, "", 195, 259, 10, 8, StyleNone},

    // The thin frame between the columns
    {NoControlId, ControlKind::GroupBox, "", 212, 70, 8, 200, StyleNone},

    // Right column
    {NoControlId, ControlKind::GroupBox, "LED &sequence", 229, 71, 155, 36, StyleNone},
    {1028, ControlKind::RadioButton, "Two colours", 235, 81, 55, 10, StyleGroup},
    {1029, ControlKind::RadioButton, "One colour", 235, 93, 51, 10, StyleNone},
    {1036, ControlKind::CheckBox, "", 374, 83, 10, 8, StyleNone},
    {1030, ControlKind::CheckBox, "Dial tone detection", 235, 111, 75, 10, StyleGroup},
    {1037, ControlKind::CheckBox, "", 374, 113, 10, 8, StyleNone},
    {1061, ControlKind::CheckBox, "ID beep in telephone", 235, 125, 82, 10, StyleNone},
    {1062, ControlKind::CheckBox, "", 374, 127, 10, 8, StyleNone},
    {1063, ControlKind::CheckBox, "Info-alarm active", 235, 139, 68, 10, StyleNone},
    {1064, ControlKind::CheckBox, "", 374, 141, 10, 8, StyleNone},
    {NoControlId, ControlKind::Label, "New pro&gramming code", 235, 156, 88, 8, StyleNone},
    {1031, ControlKind::Edit, "", 326, 153, 40, 14, Digits},
    {1038, ControlKind::CheckBox, "", 374, 155, 10, 8, StyleNone},
    {NoControlId, ControlKind::Label, "Phone ackno&wledge", 235, 174, 74, 8, StyleNone},
    {1052, ControlKind::ComboBox, "Standard\nSimple\nNone", 309, 171, 64, 120, StyleVScroll},
    {1060, ControlKind::CheckBox, "", 374, 173, 10, 8, StyleNone},
    {NoControlId, ControlKind::Label, "Te&st alarm time (days)", 235, 191, 74, 8, StyleNone},
    {1032, ControlKind::ComboBox, "0\n1\n2\n3\n4\n5\n6\n7\n8\n9\n(Deactivated)", 309, 188, 64, 120, StyleVScroll},
    {1040, ControlKind::CheckBox, "", 374, 190, 10, 8, StyleNone},
    {NoControlId, ControlKind::Label, "A&larm button delay (s)", 235, 207, 88, 8, StyleNone},
    {1034, ControlKind::Edit, "", 325, 204, 30, 14, Digits},
    {1035, ControlKind::UpDown, "", 355, 204, 11, 15, Spin},
    {1041, ControlKind::CheckBox, "", 374, 206, 10, 8, StyleNone},

    // Unit status
    {NoControlId, ControlKind::GroupBox, "Unit status", 229, 223, 155, 47, StyleNone},
    {NoControlId, ControlKind::Label, "Power", 235, 237, 54, 8, StyleNone},
    {1045, ControlKind::StatusField, "", 291, 234, 65, 14, StyleNone},
    {NoControlId, ControlKind::Label, "Firmware", 235, 252, 54, 8, StyleNone},
    {1054, ControlKind::StatusField, "", 291, 249, 65, 14, StyleNone},

    // The button row
    {ID_READ, ControlKind::PushButton, "&Read", 7, 279, 40, 14, StyleGroup},
    {ID_READ_ALL, ControlKind::PushButton, "Read &all", 52, 279, 40, 14, StyleNone},
    {ID_WRITE, ControlKind::PushButton, "&Write", 98, 279, 40, 14, StyleNone},
    {IDC_SAVE, ControlKind::PushButton, "Save", 152, 279, 40, 14, StyleNone},
    {IDC_LOAD, ControlKind::PushButton, "Load", 197, 279, 40, 14, StyleNone},
    {IDC_COM_PORT, ControlKind::PushButton, "Com-Port", 252, 279, 40, 14, StyleNone},
    {IDC_CLOSE, ControlKind::PushButton, "&Close", 307, 279, 40, 14, StyleNone},
    {ID_HELP, ControlKind::PushButton, "&Help", 352, 279, 40, 14, StyleNone},

    // The status line: the job's stage, its count and how it ended
    {IDC_STATUS_LINE, ControlKind::StatusField, "", 5, 297, 390, 12, StyleNone},
};

} // namespace

const DialogTemplate MainDialogTemplate = {
    IDD_OXEL_REMOTE_DIALOG, "Pravel 1.09", 400, 313, MainControls, static_cast<int>(std::size(MainControls)),
};

std::string ControlLabel(int controlId)
{
    const ControlTemplate* label = nullptr;    // the last label or titled frame so far
    const ControlTemplate* previous = nullptr; // the control just before
    for (const ControlTemplate& control : MainControls) {
        if (control.id == controlId && control.id != NoControlId) {
            const char* text = nullptr;
            if (control.kind == ControlKind::CheckBox && control.text[0] != '\0')
                text = control.text;
            else if (previous != nullptr && previous->kind == ControlKind::Label)
                text = previous->text;
            else if (label != nullptr)
                text = label->text;
            std::string result;
            for (const char* c = text == nullptr ? "" : text; *c != '\0'; ++c)
                if (*c != '&')
                    result += *c;
            return result;
        }
        if (control.kind == ControlKind::Label || (control.kind == ControlKind::GroupBox && control.text[0] != '\0'))
            label = &control;
        previous = &control;
    }
    return std::string();
}
