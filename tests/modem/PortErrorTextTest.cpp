#include "modem/PortErrorText.h"

#include <cerrno>
#include <cstdlib>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

TEST(PortOpenErrorText, NamesThePortThenSaysWhatTheErrorMeans)
{
    EXPECT_EQ(PortOpenErrorText("com1", ENOENT), "Can't open serial port com1\nThe device does not exist.");
    EXPECT_EQ(PortOpenErrorText("/dev/ttyUSB0", EBUSY),
              "Can't open serial port /dev/ttyUSB0\nThe port is in use by another program.");
    // A device that cannot be looked at gets the usual advice.
    std::string permission = PortOpenErrorText("/dev/pravel-no-such-port", EACCES);
    EXPECT_EQ(permission.rfind("Can't open serial port /dev/pravel-no-such-port\n", 0), 0u);
    EXPECT_NE(permission.find("sudo adduser $USER dialout"), std::string::npos);
    EXPECT_NE(PortOpenErrorText("x", ENOTTY).find("not a serial port"), std::string::npos);
    // Anything else: the system's own text.
    EXPECT_NE(PortOpenErrorText("x", EIO).find("Input/output error"), std::string::npos);
    EXPECT_EQ(PortOpenErrorText("x", 0), "Can't open serial port x");
}

TEST(PortOpenErrorText, PermissionHintNamesTheGroupTheDeviceBelongsTo)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a file to other users and groups needs root";
    char dir[] = "/tmp/pravel-porttext-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string device = std::string(dir) + "/ttyACM0";
    struct Case {
        const char* group; // null: a group number without a name
        uid_t uid;
        std::string reason;
    };
    const group* dialout = ::getgrnam("dialout");
    const group* plugdev = ::getgrnam("plugdev");
    const passwd* nobody = ::getpwnam("nobody");
    std::vector<Case> cases;
    if (dialout != nullptr)
        cases.push_back({"dialout", 0,
                         "You are not allowed to use it. Add your user to the dialout group with \"sudo adduser "
                         "$USER dialout\", then log out and in again."});
    if (plugdev != nullptr)
        cases.push_back({"plugdev", 0,
                         "You are not allowed to use it. " + device +
                             " belongs to user root, group plugdev: add your user to that group with \"sudo "
                             "adduser $USER plugdev\", then log out and in again."});
    if (nobody != nullptr)
        cases.push_back({"root", nobody->pw_uid,
                         "You are not allowed to use it. " + device +
                             " belongs to user nobody, group root: ask your administrator to give it to group "
                             "dialout (a udev rule) or run Pravel with the right to use it."});
    cases.push_back({nullptr, 54321,
                     "You are not allowed to use it. " + device +
                         " belongs to user 54321, group 54329: add your user to that group with \"sudo adduser "
                         "$USER 54329\", then log out and in again."});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.group != nullptr ? c.group : "no name");
        std::FILE* file = std::fopen(device.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fclose(file);
        gid_t gid = 54329;
        if (c.group != nullptr) {
            const group* entry = ::getgrnam(c.group);
            ASSERT_NE(entry, nullptr);
            gid = entry->gr_gid;
        }
        ASSERT_EQ(::chown(device.c_str(), c.uid, gid), 0);
        EXPECT_EQ(PortOpenErrorText(device, EACCES), "Can't open serial port " + device + "\n" + c.reason);
        ::unlink(device.c_str());
    }
    ::rmdir(dir);
}
