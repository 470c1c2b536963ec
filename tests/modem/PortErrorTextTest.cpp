#include "modem/PortErrorText.h"

#include <cerrno>
#include <gtest/gtest.h>

TEST(PortOpenErrorText, NamesThePortThenSaysWhatTheErrorMeans)
{
    EXPECT_EQ(PortOpenErrorText("com1", ENOENT), "Can't open serial port com1\nThe device does not exist.");
    EXPECT_EQ(PortOpenErrorText("/dev/ttyUSB0", EBUSY),
              "Can't open serial port /dev/ttyUSB0\nThe port is in use by another program.");
    std::string permission = PortOpenErrorText("/dev/ttyS0", EACCES);
    EXPECT_EQ(permission.rfind("Can't open serial port /dev/ttyS0\n", 0), 0u);
    EXPECT_NE(permission.find("sudo adduser $USER dialout"), std::string::npos);
    EXPECT_NE(PortOpenErrorText("x", ENOTTY).find("not a serial port"), std::string::npos);
    // Anything else: the system's own text.
    EXPECT_NE(PortOpenErrorText("x", EIO).find("Input/output error"), std::string::npos);
    EXPECT_EQ(PortOpenErrorText("x", 0), "Can't open serial port x");
}
