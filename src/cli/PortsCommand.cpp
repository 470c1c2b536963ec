#include "cli/PortsCommand.h"

#include <iomanip>
#include <ostream>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "cli/TerminalText.h"
#include "serial/SerialPortList.h"
#include "serial/SimulatorPorts.h"

namespace {

constexpr int PathWidth = 16;
constexpr int DriverWidth = 14;

nlohmann::ordered_json OrNull(const std::string& text)
{
    return text.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(text);
}

} // namespace

CPortsCommand::CPortsCommand(std::string root)
    : CCommand("ports", "List the serial devices present, to find the modem's --port"), m_root(std::move(root))
{
}

void CPortsCommand::AddOptions(CLI::App& app)
{
    AddJsonOption(app);
}

int CPortsCommand::Execute(CommandIo& io)
{
    std::vector<SerialPortEntry> ports = ListSerialPorts(m_root);
    // The simulated modems running here, as the port dialog lists them (only for this machine).
    if (m_root == "/")
        for (const std::string& port : FindSimulatorPorts())
            ports.push_back({port, "", "pravel-sim"});
    if (JsonWanted()) {
        nlohmann::ordered_json json = nlohmann::ordered_json::array();
        for (const SerialPortEntry& port : ports)
            json.push_back({{"path", port.path}, {"byId", OrNull(port.byId)}, {"driver", OrNull(port.driver)}});
        io.out << json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
        return ExitOk;
    }
    if (ports.empty()) {
        io.err << "pravel-cli: no serial device found\n";
        return ExitOk;
    }
    io.out << std::left << std::setw(PathWidth) << "Device" << std::setw(DriverWidth) << "Driver" << "By id\n";
    for (const SerialPortEntry& port : ports) {
        // Names come from the file system and may hold any byte.
        io.out << std::setw(PathWidth) << EscapeControlCharacters(port.path) << std::setw(DriverWidth)
               << EscapeControlCharacters(port.driver.empty() ? "-" : port.driver)
               << EscapeControlCharacters(port.byId) << '\n';
    }
    io.out << std::right << std::flush;
    return ExitOk;
}
