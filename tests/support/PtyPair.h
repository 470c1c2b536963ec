// A pseudo-terminal pair for tests that need a real tty: the test holds the master side (the far
// end, as the simulator does) and opens the slave by its path as a serial port. Optionally the
// helper keeps its own descriptor on the slave open, as the simulator does, which also lets a test
// look at the slave's queues.
#pragma once

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

class PtyPair {
public:
    explicit PtyPair(bool keepSlaveOpen = false)
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            return;
        char name[128];
        if (::ptsname_r(m_master, name, sizeof name) != 0)
            return;
        m_slavePath = name;
        if (keepSlaveOpen)
            m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    }
    ~PtyPair()
    {
        CloseMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool IsValid() const { return m_master >= 0 && !m_slavePath.empty(); }
    int Master() const { return m_master; }
    // The helper's own descriptor on the slave, or -1.
    int Slave() const { return m_slave; }
    const std::string& SlavePath() const { return m_slavePath; }

    // The far end sends bytes to the port.
    bool WriteMaster(const std::string& bytes)
    {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

    // Reads what the port sent until count bytes have come or timeoutMs passes without any.
    std::string ReadMaster(size_t count, int timeoutMs = 5000)
    {
        std::string got;
        while (got.size() < count) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0 || !(p.revents & POLLIN))
                break;
            char buffer[4096];
            ssize_t n = ::read(m_master, buffer, std::min(sizeof buffer, count - got.size()));
            if (n <= 0)
                break;
            got.append(buffer, static_cast<size_t>(n));
        }
        return got;
    }

    // Bytes waiting to be read on the master side (sent by the port, not yet taken).
    int MasterPending() const
    {
        int n = 0;
        return ::ioctl(m_master, FIONREAD, &n) == 0 ? n : -1;
    }
    // Bytes waiting in the slave's receive queue (needs keepSlaveOpen).
    int SlavePending() const
    {
        int n = 0;
        return m_slave >= 0 && ::ioctl(m_slave, FIONREAD, &n) == 0 ? n : -1;
    }

    // The far end goes away: the port sees a hang-up.
    void CloseMaster()
    {
        if (m_master >= 0) {
            ::close(m_master);
            m_master = -1;
        }
    }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};
