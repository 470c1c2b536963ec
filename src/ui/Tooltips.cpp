#include "ui/Tooltips.h"

#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

#include "model/StringTable.h"
#include "ui/DialogBuilder.h"

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
