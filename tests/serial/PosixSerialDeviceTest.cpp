#include "serial/PosixSerialDevice.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "diag/SystemError.h"
#include "serial/ComPort.h"
#include "support/PtyPair.h"
#include "support/TraceCapture.h"
#include "support/WaitUntil.h"

namespace {

std::string TempFile()
{
    char path[] = "/tmp/pravel-serial-XXXXXX";
    int fd = ::mkstemp(path);
    if (fd >= 0)
        ::close(fd);
    return path;
}

// Opens path as an unprivileged user in a child process; the child's errno (0 for success).
int OpenAsNobody(const std::string& path)
{
    pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(255);
        int error = 0;
        auto device = OpenSerialDevice(path, &error);
        ::_exit(device ? 0 : error);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(OpenSerialDevice, ReasonsTellMissingRefusedAndBusyApart)
{
    int error = 0;
    EXPECT_EQ(OpenSerialDevice("/dev/pravel-no-such-port", &error), nullptr);
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(ClassifySystemError(error), SystemErrorKind::NotFound);
    EXPECT_EQ(OpenSerialDevice("modem", &error), nullptr);
    EXPECT_EQ(ClassifySystemError(error), SystemErrorKind::NotFound);

    const std::string file = TempFile();
    EXPECT_EQ(OpenSerialDevice(file, &error), nullptr);
    EXPECT_EQ(error, ENOTTY);

    PtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    auto first = OpenSerialDevice(pty.SlavePath(), &error);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(OpenSerialDevice(pty.SlavePath(), &error), nullptr);
    EXPECT_EQ(error, EBUSY);
    EXPECT_EQ(ClassifySystemError(error), SystemErrorKind::Busy);

    ::chmod(file.c_str(), 0600);
    if (::geteuid() == 0) {
        EXPECT_EQ(OpenAsNobody(file), EACCES);
        // Another user is kept out by the lock even where the permissions let it in.
        ::chmod(pty.SlavePath().c_str(), 0666);
        EXPECT_EQ(OpenAsNobody(pty.SlavePath()), EBUSY);
    } else {
        ::chmod(file.c_str(), 0);
        EXPECT_EQ(OpenSerialDevice(file, &error), nullptr);
        EXPECT_EQ(error, EACCES);
    }
    EXPECT_EQ(ClassifySystemError(EACCES), SystemErrorKind::Permission);
    ::unlink(file.c_str());
}

TEST(OpenSerialDevice, OpensAgainAfterCloseWhileTheFarEndKeepsTheSlaveOpen)
{
    PtyPair pty(true); // the simulator's way: its own descriptor on the slave stays open
    ASSERT_TRUE(pty.IsValid());
    for (int i = 0; i < 3; ++i) {
        int error = 0;
        auto device = OpenSerialDevice(pty.SlavePath(), &error);
        ASSERT_NE(device, nullptr) << "open " << i << ": " << error;
    }
}

TEST(PosixSerialDevice, ConfigureLineMakesACookedTtyRawWithoutSoftwareFlowControl)
{
    PtyPair pty(true);
    ASSERT_TRUE(pty.IsValid());
    termios before{};
    ASSERT_EQ(::tcgetattr(pty.Slave(), &before), 0);
    ASSERT_TRUE(before.c_lflag & ICANON); // a fresh pty is cooked
    int error = 0;
    auto device = OpenSerialDevice(pty.SlavePath(), &error);
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(device->IsTerminal());
    ASSERT_TRUE(device->ConfigureLine());
    termios t{};
    ASSERT_EQ(::tcgetattr(pty.Slave(), &t), 0);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_cflag & (CLOCAL | HUPCL | CREAD), static_cast<tcflag_t>(CLOCAL | HUPCL | CREAD));
    ASSERT_TRUE(before.c_iflag & IXON); // a fresh tty has software flow control on
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY), 0u);
    EXPECT_EQ(t.c_cflag & CRTSCTS, before.c_cflag & CRTSCTS);
    EXPECT_EQ(t.c_cc[VMIN], 1);
    EXPECT_EQ(t.c_cc[VTIME], 0);
}

TEST(PosixSerialDevice, LineSettingsAreAppliedAndReadBack)
{
    PtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    int error = 0;
    auto device = OpenSerialDevice(pty.SlavePath(), &error);
    ASSERT_NE(device, nullptr);
    CommState state;
    state.baudRate = 19200;
    state.stopBits = TWOSTOPBITS;
    ASSERT_TRUE(device->SetLineSettings(state));
    CommState read;
    ASSERT_TRUE(device->GetLineSettings(read));
    EXPECT_EQ(read.baudRate, 19200u);
    EXPECT_EQ(read.byteSize, 8);
    EXPECT_EQ(read.parity, NOPARITY);
    EXPECT_EQ(read.stopBits, TWOSTOPBITS);

    // A pty is always 8 bits without parity: a request it only partly takes is reported refused.
    state.byteSize = 7;
    state.parity = EVENPARITY;
    errno = 0;
    EXPECT_FALSE(device->SetLineSettings(state));
    EXPECT_EQ(errno, EINVAL);
    ASSERT_TRUE(device->GetLineSettings(read));
    EXPECT_EQ(read.byteSize, 8);
    EXPECT_EQ(read.parity, NOPARITY);

    state = CommState{};
    ASSERT_TRUE(device->SetLineSettings(state));
    ASSERT_TRUE(device->GetLineSettings(read));
    EXPECT_EQ(read.baudRate, 9600u);
    EXPECT_EQ(read.byteSize, 8);
    EXPECT_EQ(read.parity, NOPARITY);
    EXPECT_EQ(read.stopBits, ONESTOPBIT);

    for (auto bad :
         {CommState{12345}, CommState{9600, 9}, CommState{9600, 8, 7}, CommState{9600, 8, 0, ONE5STOPBITS}}) {
        errno = 0;
        EXPECT_FALSE(device->SetLineSettings(bad));
        EXPECT_EQ(errno, EINVAL);
    }
    ASSERT_TRUE(device->GetLineSettings(read));
    EXPECT_EQ(read.baudRate, 9600u);
}

TEST(PosixSerialDevice, PseudoTerminalReportsNoLineEventsAndStillReceives)
{
    PtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    int error = 0;
    auto device = OpenSerialDevice(pty.SlavePath(), &error);
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(device->ConfigureLine());
    ASSERT_TRUE(device->SetEventMask(EV_RXFLAG | EV_RLSD | EV_ERR));
    ASSERT_GE(device->EventFd(), 0);
    ASSERT_TRUE(pty.WriteMaster("OK\r"));
    pollfd p{device->Fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 5000), 1);
    char buffer[8];
    EXPECT_EQ(device->Read(buffer, sizeof buffer), 3);
    uint32_t events = 1;
    EXPECT_TRUE(device->TakeEvents(events));
    EXPECT_EQ(events, 0u);
    pollfd e{device->EventFd(), POLLIN, 0};
    EXPECT_EQ(::poll(&e, 1, 0), 0);
    uint32_t errors = 1;
    EXPECT_TRUE(device->ClearErrors(errors));
    EXPECT_EQ(errors, 0u);
    errno = 0;
    EXPECT_EQ(device->Read(buffer, sizeof buffer), -1);
    EXPECT_EQ(errno, EAGAIN); // never blocks
}

TEST(PosixSerialDevice, ComPortRefusesAPipeAndLeavesItOpen)
{
    TraceCapture trace;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    {
        CPosixSerialDevice device(fds[0]);
        CComPort port;
        EXPECT_FALSE(port.Open(&device));
        EXPECT_EQ(trace.Lines(), std::vector<std::string>{"File handle is not a comm handle.\n"});
        EXPECT_NE(::fcntl(fds[0], F_GETFD), -1);
    }
    EXPECT_EQ(::fcntl(fds[0], F_GETFD), -1); // the device closed it when it went
    ::close(fds[1]);
}

namespace {

// A child process that holds path open the way Pravel does until the parent lets it go, or kills
// it (as kill -9 would) while it holds the port.
class CHolder {
public:
    explicit CHolder(const std::string& path)
    {
        int ready[2];
        if (::pipe(ready) != 0 || ::pipe(m_release) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ready[0]);
            ::close(m_release[1]);
            int error = 0;
            auto device = OpenSerialDevice(path, &error);
            char ok = device != nullptr;
            (void)!::write(ready[1], &ok, 1);
            char byte;
            (void)!::read(m_release[0], &byte, 1);
            device.reset();
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(m_release[0]);
        char ok = 0;
        m_holding = ::read(ready[0], &ok, 1) == 1 && ok;
        ::close(ready[0]);
    }
    ~CHolder() { Release(); }
    CHolder(const CHolder&) = delete;
    CHolder& operator=(const CHolder&) = delete;

    bool Holding() const { return m_holding; }
    void Release()
    {
        if (m_pid <= 0)
            return;
        ::close(m_release[1]);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
    }
    void Kill()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        ::close(m_release[1]);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_release[2] = {-1, -1};
    bool m_holding = false;
};

} // namespace

TEST(OpenSerialDevice, PortHeldByAnotherProcessIsInUseUntilItLetsGoOrIsKilled)
{
    // The far end keeps the slave open or not; a holder ends by closing or by kill -9.
    for (bool farEndHoldsSlave : {false, true})
        for (bool killed : {false, true}) {
            SCOPED_TRACE(std::string(farEndHoldsSlave ? "far end holds the slave, " : "") +
                         (killed ? "holder killed" : "holder closes"));
            PtyPair pty(farEndHoldsSlave);
            ASSERT_TRUE(pty.IsValid());
            CHolder holder(pty.SlavePath());
            ASSERT_TRUE(holder.Holding());
            int error = 0;
            EXPECT_EQ(OpenSerialDevice(pty.SlavePath(), &error), nullptr);
            EXPECT_EQ(error, EBUSY);
            if (killed)
                holder.Kill();
            else
                holder.Release();
            auto device = OpenSerialDevice(pty.SlavePath(), &error);
            EXPECT_NE(device, nullptr) << error;
        }
}

TEST(OpenSerialDevice, RefusedOpenAndOtherDescriptorsLeaveTheHolderItsLock)
{
    PtyPair pty(true);
    ASSERT_TRUE(pty.IsValid());
    int error = 0;
    auto first = OpenSerialDevice(pty.SlavePath(), &error);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(OpenSerialDevice(pty.SlavePath(), &error), nullptr);
    {
        // A device made from a descriptor someone else opened, closing, does not unlock the port.
        const int other = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(other, 0);
        CPosixSerialDevice device(other);
    }
    EXPECT_EQ(OpenSerialDevice(pty.SlavePath(), &error), nullptr);
    EXPECT_EQ(error, EBUSY);
    // Nothing is left on the tty that would keep out a program that does not lock.
    int exclusive = -1;
    ASSERT_EQ(::ioctl(first->Fd(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    first.reset();
    EXPECT_NE(OpenSerialDevice(pty.SlavePath(), &error), nullptr);
}
