// The modems the batch window offers: the serial devices and the running pravel-sim ports the port
// dialog lists, and, under pravel --simulate, simulated modems of the program's own, ticked, so
// the window can be tried without hardware. Each simulated modem reaches line 5550100 with units
// 1 to 6 behind it, code 3958. Not copyable; the destructor stops the simulated modems.
#pragma once

#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class CSimulator;

struct BatchModem {
    std::string port;
    bool ticked = false;
};

class CBatchModems {
public:
    CBatchModems();
    ~CBatchModems();
    CBatchModems(const CBatchModems&) = delete;
    CBatchModems& operator=(const CBatchModems&) = delete;

    // Starts count simulated modems (fast: no delays, for tests); false with the problem.
    bool StartSimulated(int count, bool fast, std::string* problem);
    void Stop();
    // The devices (the port dialog's list), then the simulated modems, each port once.
    std::vector<BatchModem> Modems(const QStringList& devices) const;

private:
    std::vector<std::unique_ptr<CSimulator>> m_simulators;
};

// The simulated line the batch window's modems reach.
constexpr const char* SimulatedBatchNumber = "5550100";
