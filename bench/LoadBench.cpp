// Loading a generated archive of one graph: the bare TinyXML parse of the file
// (the reference), the stand-in archive service's own reading, and the whole
// load through the scripting interface.

#include "support/oxBenchData.h"
#include "support/oxBenchHost.h"

#include "host/QSubstanceArchive.h"

#include <benchmark/benchmark.h>
#include "preset/oxXmlParse.h"

#include <tinyxml.h>

namespace {

std::string archivePath(int inputs)
{
    return oxBench::scratchFile("load" + std::to_string(inputs) + ".sbsar", oxBench::archiveText(inputs));
}

void ArchiveBareParse(benchmark::State& state)
{
    const std::string text = oxBench::readFile(archivePath(int(state.range(0))));
    for (auto _ : state)
    {
        TiXmlDocument document;
        oxXml::parse(document, text.data(), text.size(), TIXML_ENCODING_UTF8);
        benchmark::DoNotOptimize(document.Error());
    }
}

void ArchiveStandInRead(benchmark::State& state)
{
    const QString path = QString::fromStdString(archivePath(int(state.range(0))));
    bool loaded = true;
    for (auto _ : state)
    {
        QSubstanceArchive archive;
        QSubstanceBinaryDiskReader reader(path, nullptr);
        loaded = archive.import(reader) && loaded;
    }
    if (!loaded)
        state.SkipWithError("the archive did not load");
    oxBench::clearHostRecords();
}

void LoadArchive(benchmark::State& state)
{
    oxBench::timeLoads(state, archivePath(int(state.range(0))));
}

} // namespace

// Each size's reference runs just before its figures.
int main(int argc, char** argv)
{
    for (int inputs : {1000, 10000, 100000})
    {
        benchmark::RegisterBenchmark("ArchiveBareParse", ArchiveBareParse)->Arg(inputs)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("ArchiveStandInRead", ArchiveStandInRead)->Arg(inputs)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("LoadArchive", LoadArchive)->Arg(inputs)->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
