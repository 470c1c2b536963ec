#include "serial/PosixSerialDevice.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct BaudSpeed {
    uint32_t baud;
    speed_t speed;
};

constexpr BaudSpeed BaudSpeeds[] = {
    {110, B110},       {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},
    {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

speed_t SpeedOfBaud(uint32_t baud)
{
    for (const auto& entry : BaudSpeeds) {
        if (entry.baud == baud)
            return entry.speed;
    }
    return B0;
}

uint32_t BaudOfSpeed(speed_t speed)
{
    for (const auto& entry : BaudSpeeds) {
        if (entry.speed == speed)
            return entry.baud;
    }
    return 0;
}

} // namespace

CPosixSerialDevice::CPosixSerialDevice(int fd) : m_fd(fd) {}

CPosixSerialDevice::~CPosixSerialDevice()
{
    if (m_fd >= 0)
        ::close(m_fd); // the lock goes with the last descriptor of this open
}

bool CPosixSerialDevice::IsTerminal() const
{
    return ::isatty(m_fd) == 1;
}

bool CPosixSerialDevice::ConfigureLine()
{
    termios t{};
    if (::tcgetattr(m_fd, &t) < 0)
        return false;
    // No software flow control: the modem's bytes are data, and a 0x13 among them must neither
    // stop our output nor vanish from the input. Hardware flow control stays as the device has it.
    t.c_iflag &=
        ~static_cast<tcflag_t>(BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IXON | IXOFF | IXANY);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ECHOE | ECHOK | ECHONL | ISIG | IEXTEN);
    t.c_cflag |= CREAD | CLOCAL | HUPCL;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return ::tcsetattr(m_fd, TCSANOW, &t) == 0;
}

bool CPosixSerialDevice::GetLineSettings(CommState& state)
{
    termios t{};
    if (::tcgetattr(m_fd, &t) < 0)
        return false;
    state.baudRate = BaudOfSpeed(::cfgetospeed(&t));
    switch (t.c_cflag & CSIZE) {
    case CS5:
        state.byteSize = 5;
        break;
    case CS6:
        state.byteSize = 6;
        break;
    case CS7:
        state.byteSize = 7;
        break;
    default:
        state.byteSize = 8;
        break;
    }
    if (!(t.c_cflag & PARENB))
        state.parity = NOPARITY;
    else if (t.c_cflag & CMSPAR)
        state.parity = (t.c_cflag & PARODD) ? MARKPARITY : SPACEPARITY;
    else
        state.parity = (t.c_cflag & PARODD) ? ODDPARITY : EVENPARITY;
    state.stopBits = (t.c_cflag & CSTOPB) ? TWOSTOPBITS : ONESTOPBIT;
    state.abortOnError = false; // a tty never aborts transfers on a line error
    return true;
}

bool CPosixSerialDevice::SetLineSettings(const CommState& state)
{
    termios t{};
    if (::tcgetattr(m_fd, &t) < 0)
        return false;
    const speed_t speed = SpeedOfBaud(state.baudRate);
    tcflag_t size = 0;
    switch (state.byteSize) {
    case 5:
        size = CS5;
        break;
    case 6:
        size = CS6;
        break;
    case 7:
        size = CS7;
        break;
    case 8:
        size = CS8;
        break;
    default:
        break;
    }
    tcflag_t parity = 0;
    switch (state.parity) {
    case NOPARITY:
        break;
    case ODDPARITY:
        parity = PARENB | PARODD;
        break;
    case EVENPARITY:
        parity = PARENB;
        break;
    case MARKPARITY:
        parity = PARENB | PARODD | CMSPAR;
        break;
    case SPACEPARITY:
        parity = PARENB | CMSPAR;
        break;
    default:
        size = 0; // refused below
        break;
    }
    if (speed == B0 || size == 0 || (state.stopBits != ONESTOPBIT && state.stopBits != TWOSTOPBITS)) {
        errno = EINVAL;
        return false;
    }
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
    t.c_cflag = (t.c_cflag & ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB)) | size | parity |
                (state.stopBits == TWOSTOPBITS ? CSTOPB : 0);
    if (parity != 0)
        t.c_iflag |= INPCK;
    else
        t.c_iflag &= ~static_cast<tcflag_t>(INPCK);
    if (::tcsetattr(m_fd, TCSANOW, &t) < 0)
        return false;
    // tcsetattr succeeds when any of the changes was made: check that all were.
    termios applied{};
    if (::tcgetattr(m_fd, &applied) < 0)
        return false;
    const tcflag_t mask = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
    if (::cfgetospeed(&applied) != speed || (applied.c_cflag & mask) != (t.c_cflag & mask)) {
        errno = EINVAL;
        return false;
    }
    return true;
}

ssize_t CPosixSerialDevice::Read(void* buffer, size_t size)
{
    ssize_t n = ::read(m_fd, buffer, size);
    if (n > 0) {
        const int saved = errno;
        LookForLineEvents();
        errno = saved;
    }
    return n;
}

ssize_t CPosixSerialDevice::Write(const void* data, size_t size)
{
    return ::write(m_fd, data, size);
}

bool CPosixSerialDevice::DiscardInput()
{
    return ::tcflush(m_fd, TCIFLUSH) == 0;
}

bool CPosixSerialDevice::DiscardOutput()
{
    return ::tcflush(m_fd, TCOFLUSH) == 0;
}

bool CPosixSerialDevice::ReadErrorCounts(ErrorCounts& counts)
{
    serial_icounter_struct icount{};
    if (::ioctl(m_fd, TIOCGICOUNT, &icount) < 0)
        return false;
    counts.frame = icount.frame;
    counts.overrun = icount.overrun;
    counts.parity = icount.parity;
    counts.brk = icount.brk;
    counts.bufferOverrun = icount.buf_overrun;
    return true;
}

bool CPosixSerialDevice::SetEventMask(uint32_t mask)
{
    if (!m_event.IsCreated() && !m_event.Create(true, false))
        return false;
    m_event.Reset();
    m_eventMask = mask;
    m_carrierChanges = 0;
    m_errors = 0;
    m_errorEvent = false;
    // A driver without modem lines or error counts (a pseudo-terminal answers ENOTTY or EINVAL)
    // is simply not watched for them.
    int lines = 0;
    m_watchCarrier = (mask & EV_RLSD) && ::ioctl(m_fd, TIOCMGET, &lines) == 0;
    m_carrier = (lines & TIOCM_CD) != 0;
    m_watchErrors = (mask & EV_ERR) && ReadErrorCounts(m_counts);
    return true;
}

void CPosixSerialDevice::LookForLineEvents()
{
    if (m_watchCarrier) {
        int lines = 0;
        if (::ioctl(m_fd, TIOCMGET, &lines) == 0) {
            const bool carrier = (lines & TIOCM_CD) != 0;
            if (carrier != m_carrier) {
                m_carrier = carrier;
                ++m_carrierChanges;
            }
        }
    }
    if (m_watchErrors) {
        ErrorCounts now;
        if (ReadErrorCounts(now)) {
            uint32_t bits = 0;
            bits |= now.frame != m_counts.frame ? CE_FRAME : 0;
            bits |= now.overrun != m_counts.overrun ? CE_OVERRUN : 0;
            bits |= now.parity != m_counts.parity ? CE_RXPARITY : 0;
            bits |= now.brk != m_counts.brk ? CE_BREAK : 0;
            bits |= now.bufferOverrun != m_counts.bufferOverrun ? CE_RXOVER : 0;
            m_counts = now;
            if (bits != 0) {
                m_errors |= bits;
                m_errorEvent = true;
            }
        }
    }
    if (m_carrierChanges != 0 || m_errorEvent)
        m_event.Set();
}

bool CPosixSerialDevice::TakeEvents(uint32_t& events)
{
    events = 0;
    if (!m_event.IsCreated()) {
        errno = EINVAL;
        return false;
    }
    LookForLineEvents();
    if (m_carrierChanges != 0) {
        events |= EV_RLSD;
        --m_carrierChanges;
    }
    if (m_errorEvent) {
        events |= EV_ERR;
        m_errorEvent = false;
    }
    if (m_carrierChanges == 0)
        m_event.Reset();
    return true;
}

bool CPosixSerialDevice::ClearErrors(uint32_t& errors)
{
    errors = m_errors;
    m_errors = 0;
    return true;
}

std::unique_ptr<ISerialDevice> OpenSerialDevice(const std::string& portName, int* error)
{
    int ignored = 0;
    if (error == nullptr)
        error = &ignored;
    const std::string path = SerialDevicePath(portName);
    if (path.empty()) {
        *error = ENOENT;
        return nullptr;
    }
    // O_NONBLOCK: the open must not wait for the carrier, and the reader and writer never block
    // in a read or write, so that the stop signal can always reach them.
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return nullptr;
    }
    auto fail = [&](int code) {
        ::close(fd);
        *error = code;
        return std::unique_ptr<ISerialDevice>();
    };
    if (!::isatty(fd))
        return fail(ENOTTY);
    // One program at a time: an advisory lock on the device, taken on this open, which the system
    // lets go of when the descriptor closes, however the holder ends (kill -9 included). A second
    // opener is refused by the lock alone. The tty's own exclusive flag (TIOCEXCL) is not used: it
    // outlives a killed holder while anything else keeps the tty open (the far side of a
    // pseudo-terminal does), and then shuts everyone out until that goes too.
    if (::flock(fd, LOCK_EX | LOCK_NB) < 0)
        return fail(errno == EWOULDBLOCK ? EBUSY : errno);
    return std::make_unique<CPosixSerialDevice>(fd);
}
