// A simulated modem driven with made-up times, in milliseconds from its start: the persona and
// behaviour tests' way to talk to it; and the DLE codes among what a modem sent.
#pragma once

#include <chrono>
#include <string>

#include "sim/SimModem.h"

// The DLE codes among the output, without the DLEs ("/CC~/22~").
inline std::string Codes(const std::string& out)
{
    std::string codes;
    for (size_t i = 0; i + 1 < out.size(); ++i)
        if (out[i] == 0x10)
            codes += out[++i];
    return codes;
}

class TimedSimModem {
public:
    explicit TimedSimModem(const SimConfig& config) : m_modem(config, nullptr) {}
    // Sends one line at atMs and returns everything the modem has sent by thenMs.
    std::string Say(const std::string& line, int atMs, int thenMs)
    {
        m_modem.Receive(line + "\r", m_t0 + std::chrono::milliseconds(atMs));
        return At(thenMs);
    }
    // Everything the modem has sent since the last look, by ms.
    std::string At(int ms)
    {
        std::string out;
        m_modem.Advance(m_t0 + std::chrono::milliseconds(ms), &out);
        return out;
    }

private:
    CSimModem m_modem;
    CSimModem::TimePoint m_t0 = CSimModem::Clock::now();
};
