#include "ui/DialogPrompts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <memory>

#include "ui/MessageBoxes.h"

QStringList ParameterFileFilters()
{
    return {QStringLiteral("OXEL_Remote files (*.oxl)"), QStringLiteral("All files (*.*)")};
}

namespace {

QString RunFileDialog(QWidget* parent, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(mode);
    dialog.setNameFilters(ParameterFileFilters());
    dialog.setDefaultSuffix(QStringLiteral("oxl"));
    if (mode == QFileDialog::AcceptSave) {
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString CQtDialogPrompts::GetSaveFileName(QWidget* parent)
{
    return RunFileDialog(parent, QFileDialog::AcceptSave);
}

QString CQtDialogPrompts::GetOpenFileName(QWidget* parent)
{
    return RunFileDialog(parent, QFileDialog::AcceptOpen);
}

void CQtDialogPrompts::ShowMessage(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon)
{
    std::unique_ptr<QMessageBox> box(NewMessageBox(icon, caption, text, parent));
    box->exec();
}

void CQtDialogPrompts::ShowNote(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon)
{
    QMessageBox* box = NewMessageBox(icon, caption, text, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
