// The main dialog's template (dialog 102): every control of the parameter form with its id, text,
// place and size in dialog units.
#pragma once

#include "ui/DialogTemplate.h"

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
};

constexpr int IDD_OXEL_REMOTE_DIALOG = 102;

extern const DialogTemplate MainDialogTemplate;
