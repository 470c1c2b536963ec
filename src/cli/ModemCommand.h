// pravel-cli modem: the modem check. Resets the modem, asks who it is and what it can do, tries
// each voice command set without dialling, and says which profile "auto" would use, or that the
// modem has no voice mode. Exit status 0 for a voice modem, 1 for anything else.
#pragma once

#include <string>

#include "cli/Command.h"

struct ModemCheckReport;
namespace CLI {
class Option;
}

class CModemCommand : public CCommand {
public:
    CModemCommand();

protected:
    void AddOptions(CLI::App& app) override;
    int Execute(CommandIo& io) override;

private:
    void PrintReport(CommandIo& io, const ModemCheckReport& report) const;

    std::string m_port;
    bool m_simulate = false;
    std::string m_simulatedModem = "hash";
    std::string m_traceFile;
    CLI::Option* m_traceOption = nullptr;
};
