// The main dialog's template (dialog 102): every control of the parameter form with its id, text,
// place and size in dialog units. It is the one control table of both desktop front ends: the Qt
// dialog is built from it and the Windows dialog resource is written from it.
#pragma once

#include <string>

#include "form/DialogTemplate.h"

// Command and control ids of the main dialog's buttons and fixed controls.
enum MainDialogButtonId : int {
    IDC_SAVE = 1056,
    IDC_LOAD = 1058,
    IDC_COM_PORT = 1059,
    IDC_CLOSE = 1050,
    IDC_LOGO = 1049,
    ID_READ = 57671,
    ID_READ_ALL = 57672,
    ID_WRITE = 57674,
    ID_HELP = 57670,
    IDC_STATUS_LINE = 1080, // the status line at the foot of the dialog
};

constexpr int IDD_OXEL_REMOTE_DIALOG = 102;

extern const DialogTemplate MainDialogTemplate;

// The text a user reads beside a control, without its mnemonic mark: the label just before an
// edit or combo ("Alarm receiver 1"), a check box's own text, the frame's title for the LED pair
// ("LED sequence"). Empty for an id the template does not hold.
std::string ControlLabel(int controlId);
