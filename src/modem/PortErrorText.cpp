#include "modem/PortErrorText.h"

#include "diag/SystemError.h"
#include "job/StringTable.h"

std::string PortOpenErrorText(const std::string& portName, int error)
{
    std::string text = LoadString(IDS_CANT_OPEN_PORT);
    if (size_t at = text.find("%1"); at != std::string::npos)
        text.replace(at, 2, portName);

    std::string reason;
    switch (ClassifySystemError(error)) {
    case SystemErrorKind::None:
        break;
    case SystemErrorKind::NotFound:
        reason = "The device does not exist.";
        break;
    case SystemErrorKind::Permission:
        reason = "You are not allowed to use it. Add your user to the dialout group with "
                 "\"sudo adduser $USER dialout\", then log out and in again.";
        break;
    case SystemErrorKind::Busy:
        reason = "The port is in use by another program.";
        break;
    case SystemErrorKind::NotATerminal:
        reason = "The device is not a serial port.";
        break;
    default:
        reason = SystemErrorText(error);
        break;
    }
    if (!reason.empty())
        text += "\n" + reason;
    return text;
}
