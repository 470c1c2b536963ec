#include "ui/Tooltips.h"

#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

#include "model/StringTable.h"
#include "ui/DialogBuilder.h"
#include "ui/MainDialogTemplate.h"

TooltipEntry TooltipTable[] = {
    {ID_READ, IDS_TIP_READ, 0},     {ID_READ_ALL, IDS_TIP_READ_ALL, 0},
    {ID_WRITE, IDS_TIP_WRITE, 0},   {IDC_LOAD, IDS_TIP_LOAD, 0},
    {IDC_SAVE, IDS_TIP_SAVE, 0},    {IDC_COM_PORT, IDS_TIP_COM_PORT, 0},
    {IDC_CLOSE, IDS_TIP_CLOSE, 0},  {ID_HELP, IDS_TIP_HELP, 0},
    {1028, IDS_TIP_TWO_COLOURS, 0}, {1029, IDS_TIP_ONE_COLOUR, 0},
    {1030, IDS_TIP_DIAL_TONE, 0},   {1022, IDS_TIP_UNIT, 0},
    {1023, IDS_TIP_UNIT, 0},        {1024, IDS_TIP_UNIT, 0},
    {1025, IDS_TIP_UNIT, 0},        {1026, IDS_TIP_UNIT, 0},
    {1027, IDS_TIP_UNIT, 0},        {0, 0, 0},
};

void CreateTooltips(QWidget* dialog, TooltipEntry* table)
{
    if (dialog == nullptr || table == nullptr)
        return;
    dialog->setAttribute(Qt::WA_AlwaysShowToolTips, true);
    for (TooltipEntry* row = table; row->controlId != 0; ++row) {
        row->toolMarker = 0;
        QWidget* control = GetDlgItem(dialog, row->controlId);
        if (control == nullptr)
            continue;
        QString text = QString::fromLatin1(LoadString(static_cast<int>(row->stringId)));
        if (text.isEmpty())
            continue;
        control->setToolTip(text);
        // A drop-down combo's edit field is a window of its own and gets the text too.
        if (auto* combo = qobject_cast<QComboBox*>(control); combo != nullptr && combo->lineEdit() != nullptr)
            combo->lineEdit()->setToolTip(text);
    }
}
