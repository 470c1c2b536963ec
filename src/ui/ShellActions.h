// What the main dialog hands over to the application shell: the port selection dialog, the
// About box, the help and the batch window. The application implements it; a dialog without one ignores these.
#pragma once

class QWidget;

class IShellActions {
public:
    virtual ~IShellActions() = default;
    virtual void RunComPortDialog(QWidget* owner) = 0;
    virtual void RunAboutBox(QWidget* owner) = 0;
    // Opens the user manual at the place for the help context.
    virtual void ShowHelp(QWidget* owner, unsigned helpContext) = 0;
    // Opens the batch window beside the owner, with the modems the program offers.
    virtual void OpenBatchWindow(QWidget* owner) = 0;
};
