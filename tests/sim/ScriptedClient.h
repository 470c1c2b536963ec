// A small scripted client for the simulator: opens the port side of the pseudo-terminal as Pravel
// does (raw mode, exclusive), writes commands and reads until the expected text arrives or a
// time-out passes. Waits are polls on the descriptor, never fixed sleeps, except ExpectSilence,
// which by its nature waits out its whole window.
#pragma once

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "sim/ToneFrame.h"

class ScriptedClient {
public:
    // raw false leaves the terminal as found (to test a client that never set it up).
    explicit ScriptedClient(const std::string& path, bool raw = true)
    {
        m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd < 0)
            return;
        ::ioctl(m_fd, TIOCEXCL);
        if (raw) {
            termios t{};
            ::tcgetattr(m_fd, &t);
            ::cfmakeraw(&t);
            ::tcsetattr(m_fd, TCSANOW, &t);
        }
    }
    ~ScriptedClient()
    {
        if (m_fd >= 0) {
            ::ioctl(m_fd, TIOCNXCL);
            ::close(m_fd);
        }
    }
    ScriptedClient(const ScriptedClient&) = delete;
    ScriptedClient& operator=(const ScriptedClient&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }

    bool Send(const std::string& text) { return ::write(m_fd, text.data(), text.size()) == ssize_t(text.size()); }

    // Reads until the received text holds expected; returns everything up to and including it
    // (and keeps the rest for later), or sets *timedOut and returns what came.
    std::string ReadUntil(const std::string& expected, int timeoutMs = 3000, bool* timedOut = nullptr)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            size_t at = m_buffer.find(expected);
            if (at != std::string::npos) {
                std::string got = m_buffer.substr(0, at + expected.size());
                m_buffer.erase(0, at + expected.size());
                if (timedOut)
                    *timedOut = false;
                return got;
            }
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                    .count();
            if (left <= 0 || !Fill(static_cast<int>(left))) {
                if (timedOut)
                    *timedOut = true;
                std::string got;
                got.swap(m_buffer);
                return got;
            }
        }
    }
    bool Expect(const std::string& expected, int timeoutMs = 3000)
    {
        bool timedOut = true;
        ReadUntil(expected, timeoutMs, &timedOut);
        return !timedOut;
    }

    // Everything that arrives within the window (nothing, when the far end is rightly silent).
    std::string ExpectSilence(int windowMs = 150)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(windowMs);
        for (;;) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                    .count();
            if (left <= 0 || !Fill(static_cast<int>(left)))
                break;
        }
        std::string got;
        got.swap(m_buffer);
        return got;
    }

    // A command and its result line.
    bool Command(const std::string& command, const std::string& result = "OK", int timeoutMs = 3000)
    {
        return Send(command + "\r\n") && Expect("\r\n" + result + "\r\n", timeoutMs);
    }

    // The modem set-up and the call as Pravel makes them, up to the unit selection.
    bool Connect(const std::string& number = "5550100", int unit = 1)
    {
        return Command("ATZ") && Command("ATE0") && Command("AT#CLS=8") && Command("AT#VBT=1") &&
               Command("ATD" + number, "VCON") && Command("AT#VTS=#," + std::to_string(unit));
    }

    static std::string ToneCommand(const std::string& tones)
    {
        std::string command = "AT#VTS=";
        for (size_t i = 0; i < tones.size(); ++i) {
            if (i > 0)
                command += ',';
            command += tones[i];
        }
        return command;
    }

    // Sends a code framed as the unit expects; true when the modem said "OK".
    bool SendCode(const std::string& code) { return Command(ToneCommand(EncodeToneFrame(code))); }

    // Reads the next answer frame (DLE 'C' ... DLE 'D'); the raw tones go to *tones.
    bool ReadAnswer(std::string* tones, int timeoutMs = 3000)
    {
        bool timedOut = true;
        std::string got = ReadUntil("\x10"
                                    "D",
                                    timeoutMs, &timedOut);
        if (timedOut)
            return false;
        size_t start = got.rfind("\x10"
                                 "C");
        if (start == std::string::npos)
            return false;
        tones->clear();
        for (size_t i = start; i + 1 < got.size(); i += 2) {
            if (got[i] != 0x10)
                return false;
            *tones += got[i + 1];
        }
        return true;
    }

    // Sends a code and returns the unit's decoded answer; "<no answer>" or "<bad frame>" otherwise.
    std::string Ask(const std::string& code, int timeoutMs = 3000)
    {
        if (!SendCode(code))
            return "<no OK>";
        std::string tones;
        if (!ReadAnswer(&tones, timeoutMs))
            return "<no answer>";
        auto text = DecodeToneFrame(tones);
        return text ? *text : "<bad frame " + tones + ">";
    }

private:
    bool Fill(int timeoutMs)
    {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return false;
        char buffer[1024];
        ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got > 0)
            m_buffer.append(buffer, static_cast<size_t>(got));
        return got > 0 || (got < 0 && errno == EAGAIN);
    }

    int m_fd = -1;
    std::string m_buffer;
};
