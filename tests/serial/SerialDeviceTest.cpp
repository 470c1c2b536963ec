#include "serial/SerialDevice.h"

#include <cerrno>
#include <gtest/gtest.h>

TEST(SerialDevicePath, ComNamesAreTheSerialPortsCountedFromOne)
{
    EXPECT_EQ(SerialDevicePath("com1"), "/dev/ttyS0");
    EXPECT_EQ(SerialDevicePath("com3"), "/dev/ttyS2");
    EXPECT_EQ(SerialDevicePath("COM10"), "/dev/ttyS9");
}

TEST(SerialDevicePath, PathsAreUsedAsTheyStand)
{
    EXPECT_EQ(SerialDevicePath("/dev/ttyACM0"), "/dev/ttyACM0");
    EXPECT_EQ(SerialDevicePath("/dev/serial/by-id/usb-Modem_123-if00"), "/dev/serial/by-id/usb-Modem_123-if00");
}

TEST(SerialDevicePath, OtherNamesStandForNoDevice)
{
    for (const char* name : {"", "com", "com0", "com01", "comx", "com1x", "ttyS0", "dev/ttyS0", "com123456"})
        EXPECT_EQ(SerialDevicePath(name), "") << name;
}

TEST(IsDeviceGone, TellsAVanishedDeviceFromOtherFailures)
{
    for (int error : {EBADF, EIO, ENXIO, ENODEV, EPIPE})
        EXPECT_TRUE(IsDeviceGone(error)) << error;
    for (int error : {0, EAGAIN, EINTR, EINVAL, ENOTTY, EACCES})
        EXPECT_FALSE(IsDeviceGone(error)) << error;
}
