#include "modem/PortErrorText.h"

#include "model/StringTable.h"

// Windows opens a COM port for one program at a time: access to it is denied while another
// program (a terminal, a phone tool, a modem driver's helper) has it open.
std::string PortPermissionReason(const std::string&)
{
    return LoadString(IDS_PORT_IN_USE);
}
