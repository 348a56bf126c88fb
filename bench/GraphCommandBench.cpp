// Resetting a graph whose every input differs from its default, then undoing
// it, as one undo step on a real stack; the reference is loading the same
// archive through the scripting interface.

#include "support/oxBenchData.h"
#include "support/oxBenchHost.h"

#include "oxSubstanceUndoCommands.h"

#include "oxStandInServices.h"

#include <QUndoStack>

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string archivePath(int inputs)
{
    return oxBench::scratchFile("reset" + std::to_string(inputs) + ".sbsar", oxBench::archiveText(inputs));
}

void LoadForReset(benchmark::State& state)
{
    oxBench::timeLoads(state, archivePath(int(state.range(0))));
}

void ResetAndUndo(benchmark::State& state)
{
    // Every write notifies the host's Substance service.
    const oxStandIn::ScopedSubstanceService service;
    const USubstanceMaterialPtr material = oxBench::loadedMaterial(archivePath(int(state.range(0))));
    if (material.isNull())
    {
        state.SkipWithError("the archive did not load");
        return;
    }
    for (auto _ : state)
    {
        QUndoStack stack;
        stack.push(new oxResetSubstanceGraphUndoCommand(material));
        stack.undo();
        state.PauseTiming();
        oxBench::clearHostRecords();
        state.ResumeTiming();
    }
    oxBench::releaseMaterial(material);
}

} // namespace

// Each size's reference runs just before its figure.
int main(int argc, char** argv)
{
    for (int inputs : {4000, 16000})
    {
        benchmark::RegisterBenchmark("LoadForReset", LoadForReset)->Arg(inputs)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("ResetAndUndo", ResetAndUndo)->Arg(inputs)->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
