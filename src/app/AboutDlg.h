// The About box: the program's icon, name and version, and an OK button.
#pragma once

#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int IDD_ABOUTBOX = 100;
    explicit CAboutDlg(QWidget* parent = nullptr);
};
