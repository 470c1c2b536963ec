#include "modem/PortErrorText.h"

#include "diag/SystemError.h"
#include "model/StringTable.h"

std::string PortOpenErrorText(const std::string& portName, int error)
{
    std::string text = FormatString(IDS_CANT_OPEN_PORT, {portName});

    std::string reason;
    switch (ClassifySystemError(error)) {
    case SystemErrorKind::None:
        break;
    case SystemErrorKind::NotFound:
        reason = LoadString(IDS_PORT_NOT_FOUND);
        break;
    case SystemErrorKind::Permission:
        reason = PortPermissionReason(portName);
        break;
    case SystemErrorKind::Busy:
        reason = LoadString(IDS_PORT_IN_USE);
        break;
    case SystemErrorKind::NotATerminal:
        reason = LoadString(IDS_PORT_NOT_SERIAL);
        break;
    default:
        reason = SystemErrorText(error);
        break;
    }
    if (!reason.empty())
        text += "\n" + reason;
    return text;
}
