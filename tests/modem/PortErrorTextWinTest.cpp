#include "modem/PortErrorText.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "diag/SystemError.h"

TEST(PortOpenErrorTextWin, NamesThePortThenSaysWhatTheWin32ErrorMeans)
{
    const std::string held = "Can't open serial port com3\nThe port is in use by another program.";
    const struct {
        DWORD error;
        std::string text;
    } cases[] = {
        {ERROR_FILE_NOT_FOUND, "Can't open serial port com3\nThe device does not exist."},
        {ERROR_PATH_NOT_FOUND, "Can't open serial port com3\nThe device does not exist."},
        // A COM port that another program has open is refused as access denied.
        {ERROR_ACCESS_DENIED, held},
        {ERROR_SHARING_VIOLATION, held},
        {ERROR_BUSY, held},
        {ERROR_INVALID_FUNCTION, "Can't open serial port com3\nThe device is not a serial port."},
        {ERROR_NOT_SUPPORTED, "Can't open serial port com3\nThe device is not a serial port."},
        {ERROR_SUCCESS, "Can't open serial port com3"},
        // Anything else: the system's own text.
        {ERROR_GEN_FAILURE, "Can't open serial port com3\n" + SystemErrorText(ERROR_GEN_FAILURE)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PortOpenErrorText("com3", static_cast<int>(c.error)), c.text) << c.error;
}
