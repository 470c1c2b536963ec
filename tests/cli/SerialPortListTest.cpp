// The serial devices present, over a fake /dev and /sys tree; and pravel-cli ports over it.
#include "serial/SerialPortList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "cli/PortsCommand.h"

namespace fs = std::filesystem;

namespace {

class FakeMachine : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = fs::path(::testing::TempDir()) / ("fake-machine-" + std::to_string(::getpid()));
        fs::remove_all(m_root);
        fs::create_directories(m_root / "dev/serial/by-id");
        fs::create_directories(m_root / "sys/class/tty");
    }
    void TearDown() override { fs::remove_all(m_root); }

    // A tty in /sys (with a device behind it when driver is given, "" for one without a driver
    // link) and its node in /dev. type: the serial core's "type" file, when not empty.
    void Tty(const std::string& name, bool device, const std::string& driver, const std::string& type = "")
    {
        fs::path folder = m_root / "sys/class/tty" / name;
        fs::create_directories(folder);
        if (device) {
            fs::path dev = m_root / "sys/devices" / name;
            fs::create_directories(dev);
            fs::create_directory_symlink(dev, folder / "device");
            if (!driver.empty())
                fs::create_symlink("../../../bus/usb-serial/drivers/" + driver, dev / "driver");
        }
        if (!type.empty())
            std::ofstream(folder / "type") << type << "\n";
        std::ofstream(m_root / "dev" / name).put('\0');
    }
    void ById(const std::string& link, const std::string& name)
    {
        fs::create_symlink("../../" + name, m_root / "dev/serial/by-id" / link);
    }

    fs::path m_root;
};

} // namespace

TEST_F(FakeMachine, ListsDevicesWithTheirByIdNameAndDriver)
{
    Tty("ttyUSB0", true, "ftdi_sio");
    Tty("ttyACM1", true, "cdc_acm");
    Tty("ttyS0", true, "port", "4");  // a UART answers
    Tty("ttyS1", true, "port", "0");  // listed by the kernel, nothing there
    Tty("tty1", false, "");           // a virtual console
    Tty("ttyX9", true, "");           // a device without a driver link
    ById("usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0", "ttyUSB0");
    fs::create_directories(m_root / "sys/class/tty/ttyGone/device"); // no node in /dev

    std::vector<SerialPortEntry> ports = ListSerialPorts(m_root.string());
    ASSERT_EQ(ports.size(), 4u);
    EXPECT_EQ(ports[0].path, "/dev/ttyACM1");
    EXPECT_EQ(ports[0].driver, "cdc_acm");
    EXPECT_EQ(ports[0].byId, "");
    EXPECT_EQ(ports[1].path, "/dev/ttyS0");
    EXPECT_EQ(ports[1].driver, "port");
    EXPECT_EQ(ports[2].path, "/dev/ttyUSB0");
    EXPECT_EQ(ports[2].byId, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0");
    EXPECT_EQ(ports[2].driver, "ftdi_sio");
    EXPECT_EQ(ports[3].path, "/dev/ttyX9");
    EXPECT_EQ(ports[3].driver, "");
}

TEST_F(FakeMachine, NoTreeGivesNothing)
{
    EXPECT_TRUE(ListSerialPorts((m_root / "missing").string()).empty());
    EXPECT_TRUE(ListSerialPorts(m_root.string()).empty());
}

TEST_F(FakeMachine, PortsCommandPrintsTheTableAndJson)
{
    Tty("ttyUSB0", true, "ftdi_sio");
    Tty("ttyS0", true, "port", "4");
    ById("usb-Modem-if00", "ttyUSB0");
    std::istringstream in;
    std::ostringstream out, err;
    CommandIo io{in, out, err, false};
    CPortsCommand table(m_root.string());
    ASSERT_EQ(table.Run({}, io), 0) << err.str();
    EXPECT_EQ(out.str(), "Device          Driver        By id\n"
                         "/dev/ttyS0      port          \n"
                         "/dev/ttyUSB0    ftdi_sio      /dev/serial/by-id/usb-Modem-if00\n");

    std::ostringstream jsonOut;
    CommandIo jsonIo{in, jsonOut, err, false};
    CPortsCommand json(m_root.string());
    ASSERT_EQ(json.Run({"--json"}, jsonIo), 0);
    nlohmann::json list = nlohmann::json::parse(jsonOut.str());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1]["path"], "/dev/ttyUSB0");
    EXPECT_EQ(list[1]["byId"], "/dev/serial/by-id/usb-Modem-if00");
    EXPECT_EQ(list[1]["driver"], "ftdi_sio");
    EXPECT_TRUE(list[0]["byId"].is_null());
}
