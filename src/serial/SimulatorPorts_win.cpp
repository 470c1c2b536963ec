#include "serial/SimulatorPorts.h"

std::vector<std::string> FindSimulatorPorts(const std::string&)
{
    return {};
}
