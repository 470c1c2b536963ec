#include <QApplication>
#include <string_view>

#include "app/OXEL_RemoteApp.h"
#include "ui/ProgramArt.h"

namespace {

// --help and --version need no display.
bool AsksOnlyForText(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        if (argument == "-h" || argument == "--help" || argument == "--help-all" || argument == "-v" ||
            argument == "--version")
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (AsksOnlyForText(argc, argv)) {
        QCoreApplication application(argc, argv);
        QCoreApplication::setApplicationVersion(QStringLiteral("1.09"));
        COXEL_RemoteApp theApp;
        return theApp.InitInstance(QCoreApplication::arguments());
    }
    QApplication application(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral("1.09"));
    QApplication::setWindowIcon(ProgramIcon());
    COXEL_RemoteApp theApp;
    return theApp.InitInstance(QApplication::arguments());
}
