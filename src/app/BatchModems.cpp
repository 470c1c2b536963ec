#include "app/BatchModems.h"

#include "sim/Simulator.h"

CBatchModems::CBatchModems() = default;

CBatchModems::~CBatchModems()
{
    Stop();
}

bool CBatchModems::StartSimulated(int count, bool fast, std::string* problem)
{
    SimConfig config = DefaultSimConfig();
    config.fast = fast;
    SimLine& line = config.lines.front();
    line.number = SimulatedBatchNumber;
    line.units.clear();
    for (int unit = 1; unit <= 6; ++unit) {
        SimUnit simulated;
        simulated.unit = unit;
        line.units.push_back(simulated);
    }
    for (int i = 0; i < count; ++i) {
        auto simulator = std::make_unique<CSimulator>();
        if (!simulator->Start(config, problem)) {
            Stop();
            return false;
        }
        m_simulators.push_back(std::move(simulator));
    }
    return true;
}

void CBatchModems::Stop()
{
    for (const auto& simulator : m_simulators)
        simulator->Stop();
    m_simulators.clear();
}

std::vector<BatchModem> CBatchModems::Modems(const QStringList& devices) const
{
    std::vector<BatchModem> modems;
    auto add = [&modems](const std::string& port, bool ticked) {
        for (const BatchModem& modem : modems)
            if (modem.port == port)
                return;
        modems.push_back({port, ticked});
    };
    for (const QString& device : devices)
        add(device.toStdString(), false);
    for (const auto& simulator : m_simulators)
        add(simulator->DevicePath(), true);
    return modems;
}
