#include <QApplication>

#include "app/OXEL_RemoteApp.h"
#include "ui/ProgramArt.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral("1.09"));
    QApplication::setWindowIcon(ProgramIcon());
    COXEL_RemoteApp theApp;
    return theApp.InitInstance(QApplication::arguments());
}
