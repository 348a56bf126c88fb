// Writing one value of a loaded material: by handle (the reference) and by
// identifier (searchProperty, then the write), each through a fresh attribute
// sync as callers use it.

#include "support/oxBenchData.h"
#include "support/oxBenchHost.h"

#include "oxSubstanceAttributeSync.h"

#include <benchmark/benchmark.h>

#include <map>

namespace {

/// One loaded material per size, kept for the whole run.
USubstanceMaterialPtr material(int inputs)
{
    static std::map<int, USubstanceMaterialPtr> materials;
    USubstanceMaterialPtr& m = materials[inputs];
    if (m.isNull())
        m = oxBench::loadedMaterial(oxBench::scratchFile("sync" + std::to_string(inputs) + ".sbsar",
                                                         oxBench::archiveText(inputs)));
    return m;
}

/// An input of the shared group, which is the last group: a search that walks
/// the groups in order passes nearly every value before it finds this one.
QString middleIdentifier(int inputs)
{
    return QStringLiteral("input%1").arg(inputs / 2 / 10 * 10 + 9);
}

void WriteByHandle(benchmark::State& state)
{
    const int inputs = int(state.range(0));
    const USubstanceMaterialPtr m = material(inputs);
    AttributeValuePtr value =
        oxSubstanceAttributeSync().searchProperty(m, oxBench::GraphName, middleIdentifier(inputs));
    if (value.isNull())
        state.SkipWithError("no such input");
    const QVariant newValue(0.75f);
    for (auto _ : state)
    {
        oxSubstanceAttributeSync sync;
        benchmark::DoNotOptimize(sync.setOsgAttribute(m, value, newValue));
        oxBench::clearHostRecords();
    }
}

void WriteByIdentifier(benchmark::State& state)
{
    const int inputs = int(state.range(0));
    const USubstanceMaterialPtr m = material(inputs);
    const QString graph = QString::fromLatin1(oxBench::GraphName);
    const QString identifier = middleIdentifier(inputs);
    const QVariant newValue(0.75f);
    bool found = true;
    for (auto _ : state)
    {
        oxSubstanceAttributeSync sync;
        found = sync.setOsgAttribute(m, graph, identifier, newValue) && found;
        oxBench::clearHostRecords();
    }
    if (!found)
        state.SkipWithError("no such input");
}

} // namespace

// Each size's reference runs just before its figure.
int main(int argc, char** argv)
{
    for (int inputs : {100, 1000, 10000})
    {
        benchmark::RegisterBenchmark("WriteByHandle", WriteByHandle)->Arg(inputs);
        benchmark::RegisterBenchmark("WriteByIdentifier", WriteByIdentifier)->Arg(inputs);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
