#include "serial/PortUsers.h"

#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/PtyPair.h"

namespace {

bool Lists(const std::vector<PortUser>& users, int pid)
{
    return std::any_of(users.begin(), users.end(), [&](const PortUser& user) { return user.pid == pid; });
}

} // namespace

TEST(FindOtherPortUsers, FindsAnotherProcessByItsPidAndNameButNotOurselves)
{
    PtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        ::close(release[1]);
        (void)::prctl(PR_SET_NAME, "pravel-holder");
        ::close(pty.Master()); // inherited; a program competing for the port holds the slave only
        const int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
        char ok = fd >= 0;
        (void)!::write(ready[1], &ok, 1);
        (void)!::read(release[0], &ok, 1);
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ASSERT_TRUE(ok);
    const int own = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(own, 0);

    const std::vector<PortUser> users = FindOtherPortUsers(pty.SlavePath());
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0].pid, child);
    EXPECT_EQ(users[0].name, "pravel-holder");
    EXPECT_FALSE(Lists(users, ::getpid()));

    ::close(release[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(FindOtherPortUsers(pty.SlavePath()).empty()); // only our own open is left
    ::close(own);
    ::close(ready[0]);
}

TEST(FindOtherPortUsers, NoDeviceNoUsers)
{
    EXPECT_TRUE(FindOtherPortUsers("/dev/pravel-no-such-port").empty());
    EXPECT_TRUE(FindOtherPortUsers("modem").empty());
    EXPECT_TRUE(FindOtherPortUsers("").empty());
}

TEST(PortUsersWarning, NamesThePortAndEveryUser)
{
    EXPECT_EQ(PortUsersWarning("com1", {{812, "ModemManager"}}),
              "Another program has com1 open: ModemManager (pid 812). It may take the modem's answers. Close it "
              "and try again (on many desktops ModemManager probes new modems).");
    EXPECT_EQ(PortUsersWarning("/dev/ttyUSB0", {{812, "ModemManager"}, {4100, "minicom"}}),
              "Another program has /dev/ttyUSB0 open: ModemManager (pid 812), minicom (pid 4100). It may take the "
              "modem's answers. Close it and try again (on many desktops ModemManager probes new modems).");
    // A name with a marker in it stays as it is.
    EXPECT_EQ(PortUsersWarning("/tmp/%2", {{7, "%1"}}),
              "Another program has /tmp/%2 open: %1 (pid 7). It may take the modem's answers. Close it and try "
              "again (on many desktops ModemManager probes new modems).");
}

TEST(FindOtherPortUsers, TheFarEndOfAPseudoTerminalIsNoCompetitor)
{
    // A simulated modem holds the master side and, to keep the line up, the slave side too: it
    // is the modem, not another program taking its answers.
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        ::close(release[1]);
        PtyPair pty; // master and slave both open in this process
        const int slave = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
        std::string path = slave >= 0 ? pty.SlavePath() : std::string();
        path.resize(64, '\0');
        (void)!::write(ready[1], path.data(), path.size());
        char byte = 0;
        (void)!::read(release[0], &byte, 1);
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    char path[64] = {};
    ASSERT_EQ(::read(ready[0], path, sizeof path), static_cast<ssize_t>(sizeof path));
    ASSERT_NE(path[0], '\0');
    EXPECT_TRUE(FindOtherPortUsers(path).empty());
    ::close(release[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(ready[0]);
}
