// The program's own texts (ids 101 to 133) and the framework texts it uses, by id.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

enum StringId : int {
    IDS_ABOUTBOX = 101,
    IDS_CANT_OPEN_PORT = 102,
    IDS_PROGRAM_TITLE = 103,
    IDS_BUSY = 104,
    IDS_NO_ANSWER = 105,
    IDS_UNKNOWN_DIAL_RESPONSE = 106,
    IDS_TOO_MANY_RETRIES = 108,
    IDS_DIALING = 109,
    IDS_CONNECTED = 110,
    IDS_TRANSFER = 111,
    IDS_EXTERNAL_POWER = 112,
    IDS_LINE_POWER = 113,
    IDS_NOT_PRAVEL_FILE = 115,
    IDS_UNKNOWN_FILE_VERSION = 116,
    IDS_FILE_CORRUPT = 117,
    IDS_TIP_READ = 118,
    IDS_TIP_READ_ALL = 119,
    IDS_TIP_WRITE = 120,
    IDS_TIP_LOAD = 121,
    IDS_TIP_SAVE = 122,
    IDS_TIP_COM_PORT = 123,
    IDS_TIP_CLOSE = 124,
    IDS_TIP_HELP = 125,
    IDS_TIP_DIAL_TONE = 129,
    IDS_TIP_UNIT = 130,
    IDS_BAD_CODE = 131,
    IDS_TIP_TWO_COLOURS = 132,
    IDS_TIP_ONE_COLOUR = 133,
    // Our own texts: what the job saw when it failed (140-159).
    IDS_MODEM_GONE = 140,
    IDS_MODEM_SILENT = 141,
    IDS_BUSY_TONE = 142,
    IDS_MODEM_REFUSED = 143,
    IDS_INVALID_STATUS_VALUE = 144,
    IDS_MODEM_STOPPED_ANSWERING = 145,
    IDS_NO_DIAL_RESULT = 146,
    IDS_NO_VOICE_MODE = 147,
    IDS_NO_DIAL_TONE = 148,
    IDS_TIP_MODEM_PROFILE = 149,
    IDS_UNIT_HUNG_UP = 158,
    IDS_NO_RINGBACK = 159,
    // The serial port's own texts (160-169).
    IDS_PORT_USERS_WARNING = 160,
    IDS_PORT_NOT_FOUND = 161,
    IDS_PORT_IN_USE = 162,
    IDS_PORT_NOT_SERIAL = 163,
    IDS_PORT_NOT_ALLOWED = 164,
    IDS_PORT_NOT_ALLOWED_GROUP = 165,
    IDS_PORT_NOT_ALLOWED_ROOT = 166,
    // The job check (170-189).
    IDS_CHECK_MODE = 170,
    IDS_CHECK_NUMBER_LENGTH = 171,
    IDS_CHECK_NUMBER_EMPTY = 172,
    IDS_CHECK_NUMBER_CHARACTERS = 173,
    IDS_CHECK_CODE = 174,
    IDS_CHECK_UNIT = 175,
    IDS_CHECK_VALUE_LENGTH = 176,
    IDS_CHECK_FLAG = 177,
    IDS_CHECK_DELAY = 178,
    IDS_CHECK_RANGE = 179,
    IDS_CHECK_NEW_CODE = 180,
    IDS_CHECK_VALUE_CHARACTERS = 181,
    // Parameter files (190-209).
    IDS_FILE_NOT_FOUND = 190,
    IDS_FILE_BAD_PATH = 191,
    IDS_FILE_TOO_MANY_OPEN = 192,
    IDS_FILE_ACCESS_DENIED = 193,
    IDS_FILE_INVALID_HANDLE = 194,
    IDS_FILE_DIRECTORY_FULL = 195,
    IDS_FILE_HARDWARE_IO = 196,
    IDS_FILE_SHARING_VIOLATION = 197,
    IDS_FILE_LOCK_VIOLATION = 198,
    IDS_FILE_DISK_FULL = 199,
    IDS_FILE_UNKNOWN_ERROR = 200,
    IDS_FILE_CREATE_FAILED = 201,
    AFX_IDP_FAILED_TO_LAUNCH_HELP = 61703,
};

// The text of a string id; the empty text for an id the table does not hold.
const char* LoadString(int id);
// The text of a string id with %1, %2, ... replaced by the arguments in order.
std::string FormatString(int id, std::initializer_list<std::string_view> arguments);
