// The wall time of a twelve-row plan on 1, 2 and 3 simulated modems (fast mode, the dialogue's
// waits as shipped), each row a child pravel-cli, against the protocol minimum of the rows
// divided by the modems: the ideal when the rows are shared out perfectly and nothing else
// costs time.
//
//   batch_bench    (about two and a quarter minutes: one run of each)
//
// A row's protocol minimum is the two 2500 ms waits before the unit selection and the login,
// plus the 50 ms read interval after each of the modem's replies: ATZ, E0, #CLS, #VBT, dial,
// unit selection, login, one per code, log-off, final reset, and for a read the status. A read
// of every parameter sends 12 codes and the status (22 replies), a write of one short number
// one code (10 replies). The plan is six lines of two units, one read-all and one write each.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "batch/BatchPlan.h"
#include "batch/BatchRunner.h"
#include "diag/Trace.h"
#include "modem/DialogueTiming.h"
#include "sim/Simulator.h"

namespace {

constexpr int Lines = 6;

std::string PlanText()
{
    std::string text = "number,unit,code,action,AlarmReceiver1\n";
    for (int line = 1; line <= Lines; ++line) {
        const std::string number = "55504" + std::to_string(10 + line);
        text += number + ",1,3958,read,all\n";
        text += number + ",2,3958,write,06" + std::to_string(line) + "\n";
    }
    return text;
}

double RowMinimumSeconds(const PlanRow& row)
{
    const DialogueTiming timing = GetDialogueTiming();
    const int replies = row.action == JobRead ? 22 : 9 + static_cast<int>(row.cells.size());
    return (2.0 * timing.selectWaitMs + replies * 50.0) / 1000.0;
}

void BM_TwelveRowPlan(benchmark::State& state)
{
    SetTraceSink({});
    const int modems = static_cast<int>(state.range(0));
    BatchPlan plan;
    std::vector<PlanError> errors;
    if (!ParseBatchPlan(PlanText(), JobRead, {}, &plan, &errors)) {
        state.SkipWithError("the plan does not parse");
        return;
    }
    SimConfig config;
    config.fast = true;
    for (int line = 1; line <= Lines; ++line) {
        SimLine simLine;
        simLine.number = "55504" + std::to_string(10 + line);
        SimUnit second;
        second.unit = 2;
        simLine.units = {SimUnit{}, second};
        config.lines.push_back(simLine);
    }
    std::vector<std::unique_ptr<CSimulator>> sims;
    BatchOptions options;
    options.program = PRAVEL_CLI_PATH;
    options.journalPath = "/tmp/pravel_batch_bench_" + std::to_string(modems) + ".journal";
    for (int i = 0; i < modems; ++i) {
        sims.push_back(std::make_unique<CSimulator>());
        std::string error;
        if (!sims.back()->Start(config, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        options.ports.push_back(sims.back()->DevicePath());
    }
    double minimum = 0;
    for (const PlanRow& row : plan.rows)
        minimum += RowMinimumSeconds(row);
    const double ideal = minimum / modems;

    double wall = 0;
    for (auto _ : state) {
        CBatchRunner runner;
        std::vector<RowResult> results;
        std::string problem;
        const auto began = std::chrono::steady_clock::now();
        if (!runner.Run(plan, options, {}, &results, &problem)) {
            state.SkipWithError(problem.c_str());
            return;
        }
        wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        for (const RowResult& result : results)
            if (result.outcome != RowOutcome::Succeeded) {
                state.SkipWithError(("row " + std::to_string(result.row) + ": " + result.message).c_str());
                return;
            }
    }
    state.counters["minimum_s"] = minimum;
    state.counters["ideal_s"] = ideal;
    state.counters["wall_s"] = wall;
    state.counters["over_ideal_%"] = 100.0 * (wall - ideal) / ideal;
    for (auto& sim : sims)
        sim->Stop();
}

BENCHMARK(BM_TwelveRowPlan)->Arg(1)->Arg(2)->Arg(3)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
