#include "cli/SimulatorProcess.h"

CSimulatorProcess::~CSimulatorProcess() = default;

bool CSimulatorProcess::Available()
{
    return false;
}

std::string CSimulatorProcess::FindProgram(std::string* problem)
{
    *problem = "pravel-sim runs on Linux only";
    return std::string();
}

bool CSimulatorProcess::Start(const std::vector<std::string>&, int, std::string* problem)
{
    *problem = "pravel-sim runs on Linux only";
    return false;
}

void CSimulatorProcess::Stop() {}
