#include "model/StringTable.h"

namespace {

struct StringEntry {
    int id;
    const char* text;
};

constexpr StringEntry Strings[] = {
    {IDS_ABOUTBOX, "&About Pravel..."},
    {IDS_CANT_OPEN_PORT, "Can't open serial port %1"},
    {IDS_PROGRAM_TITLE, "Pravel"},
    {IDS_BUSY, "The specified telephone number is busy!"},
    {IDS_NO_ANSWER, "No answer!"},
    {IDS_UNKNOWN_DIAL_RESPONSE, "Unknown response from modem while dialling out. Does the modem support voice functions?"},
    {IDS_TOO_MANY_RETRIES, "Too many retries when communicating. Aborting!"},
    {IDS_DIALING, " - Dialing"},
    {IDS_CONNECTED, " - Connected/Logging in"},
    {IDS_TRANSFER, " - Transfer"},
    {IDS_EXTERNAL_POWER, "External power"},
    {IDS_LINE_POWER, "Line power"},
    {IDS_NOT_PRAVEL_FILE, "This is not a file created by Pravel! Can not read it!"},
    {IDS_UNKNOWN_FILE_VERSION, "Unknown file version. Try view newer version of Pravel!"},
    {IDS_FILE_CORRUPT, "The selected file is too small and is probably corrupt!"},
    {IDS_TIP_READ, "Connects modem and reads specified parameters from the specified Emergency phone."},
    {IDS_TIP_READ_ALL, "Connects modem and reads all parameters from the specified Emergency phone."},
    {IDS_TIP_WRITE, "Connects modem and programs all parameters which are checked for update (the check-box to the "
                    "right of the corresponding parameter)."},
    {IDS_TIP_LOAD, "Load a complete set of parameters from a disk file."},
    {IDS_TIP_SAVE, "Writes a complete set of parameters to a disk file."},
    {IDS_TIP_COM_PORT,
     "Specifies which com-port the modem is connected to. Only needed the first time the program is run."},
    {IDS_TIP_CLOSE, "Closes the program."},
    {IDS_TIP_HELP, "Opens up online-help about the use of the program."},
    {IDS_TIP_DIAL_TONE, "If the Emergency phone unit should check for a dial tone before dialing out."},
    {IDS_TIP_UNIT, "Specifies which Emergency phone unit to connect to. Up to six units may share the same phone line."},
    {IDS_BAD_CODE, "Invalid password entered."},
    {IDS_TIP_TWO_COLOURS, "LED will be yellow during connection and green when duplex comminucation is achieved."},
    {IDS_TIP_ONE_COLOUR, "LED will flash green during connection and be static green duplex comminucation is achieved."},
    {IDS_MODEM_GONE, "The modem on serial port %1 does not take commands any more."},
    {IDS_MODEM_SILENT, "The modem on %1 did not answer. Check the port, the cable and the power."},
    {IDS_BUSY_TONE, "The line gave a busy tone: the call ended before the job was done."},
    {IDS_MODEM_REFUSED, "The modem on %1 answered \"%2\" to \"%3\"."},
    {IDS_INVALID_STATUS_VALUE, "The unit reported values that are not valid: %1. They are not shown, and the values "
                               "read are incomplete."},
    {IDS_MODEM_STOPPED_ANSWERING, "The modem on %1 stopped answering."},
    {IDS_NO_DIAL_RESULT, "The modem on %1 gave no result for the call within %2 seconds."},
    {IDS_NO_VOICE_MODE, "The modem on %1 has no voice mode: it answered \"%2\" to \"%3\"."},
    {IDS_UNIT_HUNG_UP, "The unit hung up: the line went dead at the far end before the job was done."},
    {IDS_NO_RINGBACK, "No ringback was heard after dialling: check the number and the line."},
    {IDS_NO_DIAL_TONE, "The modem on %1 hears no dial tone. Is the telephone line plugged in?"},
    {IDS_TIP_MODEM_PROFILE, "Which voice commands the modem speaks. Automatic tries the older '#' commands first and "
                            "changes to the V.253 commands when the modem refuses them."},
    {IDS_UNIT_SILENT, "Unit %1 did not answer: nothing came back to the login. Check the unit number; if it is right, "
                      "the line may be too noisy for the unit to hear the tones."},
    {IDS_VERIFY_FAILED, "The unit holds other values than were written: %1."},
    {IDS_NOISY_LINE, "The line is too noisy for DTMF: %1 of %2 answers failed their check."},
    {IDS_PORT_USERS_WARNING, "Another program has %1 open: %2. It may take the modem's answers. Close it and try "
                             "again (on many desktops ModemManager probes new modems)."},
    {IDS_PORT_NOT_FOUND, "The device does not exist."},
    {IDS_PORT_IN_USE, "The port is in use by another program."},
    {IDS_PORT_NOT_SERIAL, "The device is not a serial port."},
    {IDS_PORT_NOT_ALLOWED, "You are not allowed to use it. Add your user to the dialout group with \"sudo adduser "
                           "$USER dialout\", then log out and in again."},
    {IDS_PORT_NOT_ALLOWED_GROUP, "You are not allowed to use it. %1 belongs to user %2, group %3: add your user to "
                                 "that group with \"sudo adduser $USER %3\", then log out and in again."},
    {IDS_PORT_NOT_ALLOWED_ROOT, "You are not allowed to use it. %1 belongs to user %2, group %3: ask your "
                                "administrator to give it to group dialout (a udev rule) or run Pravel with the "
                                "right to use it."},
    {IDS_CHECK_MODE, "The job is neither a read nor a write."},
    {IDS_CHECK_NUMBER_LENGTH, "Telephone number: at most 20 characters."},
    {IDS_CHECK_NUMBER_EMPTY, "Telephone number: enter the number of the unit's line."},
    {IDS_CHECK_NUMBER_CHARACTERS, "Telephone number: only digits, * # + , W P T ! @ A-D and the spacing characters "
                                  "space - ( ) . can be dialled."},
    {IDS_CHECK_CODE, "Programming code: enter the unit's code of exactly four digits."},
    {IDS_CHECK_UNIT, "Unit: choose a unit from 1 to 6."},
    {IDS_CHECK_VALUE_LENGTH, "%1: the value is too long."},
    {IDS_CHECK_FLAG, "%1: the value must be 0 or 1."},
    {IDS_CHECK_DELAY, "%1: give the delay in seconds, %2 to %3."},
    {IDS_CHECK_RANGE, "%1: choose a value from %2 to %3."},
    {IDS_CHECK_NEW_CODE, "%1: the new programming code must be exactly four digits."},
    {IDS_CHECK_VALUE_CHARACTERS, "%1: only digits, '*', '#' and 'A' can be sent to the unit."},
    {IDS_CHECK_NUMBER_NO_DIGIT, "Telephone number: it has no digit to dial."},
    {IDS_FILE_NOT_FOUND, "%1 was not found."},
    {IDS_FILE_BAD_PATH, "%1 contains an invalid path."},
    {IDS_FILE_TOO_MANY_OPEN, "%1 could not be opened because there are too many open files."},
    {IDS_FILE_ACCESS_DENIED, "Access to %1 was denied."},
    {IDS_FILE_INVALID_HANDLE, "An invalid file handle was associated with %1."},
    {IDS_FILE_DIRECTORY_FULL, "%1 could not be created because the directory is full."},
    {IDS_FILE_HARDWARE_IO, "A hardware I/O error was reported while accessing %1."},
    {IDS_FILE_SHARING_VIOLATION, "A sharing violation occurred while accessing %1."},
    {IDS_FILE_LOCK_VIOLATION, "A locking violation occurred while accessing %1."},
    {IDS_FILE_DISK_FULL, "Disk full while accessing %1."},
    {IDS_FILE_UNKNOWN_ERROR, "An unknown error occurred while accessing %1."},
    {IDS_FILE_CREATE_FAILED, "Failed to create file (%1)"},
    {IDS_FILE_READ_FOLDER, "%1 is a folder, not a parameter file."},
    {IDS_FILE_READ_NOT_REGULAR, "%1 is not a regular file (a device, a pipe or a socket): it cannot be read as a "
                                "parameter file."},
    {IDS_FILE_READ_DENIED, "%1 cannot be read: permission denied."},
    {IDS_FILE_READ_NO_FOLDER, "%1 was not found: the folder %2 does not exist."},
    {IDS_FILE_READ_NOT_FOLDER, "%1 was not found: %2 is a file, not a folder."},
    {IDS_FILE_SAVE_FOLDER, "%1 is a folder: give the name of the file to save to."},
    {IDS_FILE_SAVE_NOT_REGULAR, "%1 is not a regular file (a device, a pipe or a socket): a parameter file cannot be "
                                "saved there."},
    {IDS_FILE_SAVE_NO_FOLDER, "%1 cannot be saved: the folder %2 does not exist."},
    {IDS_FILE_SAVE_NOT_FOLDER, "%1 cannot be saved: %2 is a file, not a folder."},
    {IDS_FILE_NO_NAME, "The file name is empty."},
    {AFX_IDP_FAILED_TO_LAUNCH_HELP, "Failed to launch help."},
};

} // namespace

const char* LoadString(int id)
{
    for (const StringEntry& entry : Strings)
        if (entry.id == id)
            return entry.text;
    return "";
}

std::string FormatString(int id, std::initializer_list<std::string_view> arguments)
{
    const std::string_view text = LoadString(id);
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const size_t index = static_cast<size_t>(text[i + 1] - '1');
            if (index < arguments.size()) {
                result += *(arguments.begin() + index);
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}
