#include "app/AboutDlg.h"

#include <QLabel>
#include <QPushButton>
#include <iterator>

#include "ui/DialogBuilder.h"
#include "ui/ProgramArt.h"

namespace {

constexpr int IDOK = 1;
constexpr int IDC_ABOUT_ICON = 1100;

const ControlTemplate AboutControls[] = {
    {IDC_ABOUT_ICON, ControlKind::Picture, "", 11, 17, 20, 20, StyleNone},
    {NoControlId, ControlKind::Label, "Pravel Version 1.09", 40, 10, 119, 8, StyleNone},
    {NoControlId, ControlKind::Label, "Remote programming of lift emergency telephones", 40, 25, 190, 8, StyleNone},
    {IDOK, ControlKind::PushButton, "OK", 178, 37, 50, 14, StyleDefaultButton | StyleGroup},
};

const DialogTemplate AboutTemplate = {
    CAboutDlg::IDD_ABOUTBOX, "About Pravel", 235, 55, AboutControls, static_cast<int>(std::size(AboutControls))};

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    BuiltDialog built = BuildDialog(this, AboutTemplate);
    if (auto* icon = qobject_cast<QLabel*>(built.controls[IDC_ABOUT_ICON]))
        icon->setPixmap(ProgramIcon().pixmap(icon->size()));
    if (auto* ok = qobject_cast<QPushButton*>(built.controls[IDOK]))
        connect(ok, &QPushButton::clicked, this, &CAboutDlg::accept);
}
