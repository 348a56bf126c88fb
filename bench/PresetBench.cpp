// Preset lists: reading a large list (against a bare TinyXML parse of the same
// text), adding a preset file to a material (against a bare parse of the file),
// exporting presets (against the writer alone) and importing presets into a
// material that already holds as many (the duplicate check).

#include "support/oxBenchData.h"
#include "support/oxBenchHost.h"

#include "oxSubstancePresetUtils.h"
#include "preset/SubstanceAirPreset.h"

#include <benchmark/benchmark.h>
#include "preset/oxXmlParse.h"

#include <tinyxml.h>

#include <fstream>
#include <numeric>
#include <sstream>

namespace {

constexpr int kInputsPerPreset = 25;
constexpr int kLargeList = 20000;
constexpr int kFilePresets = 2000;

const std::string& largeListText()
{
    static const std::string text = oxBench::presetListText(kLargeList, kInputsPerPreset);
    return text;
}

const std::string& presetFile()
{
    static const std::string path =
        oxBench::scratchFile("presets.sbsprs", oxBench::presetListText(kFilePresets, kInputsPerPreset));
    return path;
}

/// A material loaded from a generated archive whose graph the generated presets
/// belong to. The archive's name differs from every preset file's, so that no
/// preset file counts as the one beside the archive.
USubstanceMaterialPtr newMaterial()
{
    return oxBench::loadedMaterial(
        oxBench::scratchFile("graph.sbsar", oxBench::archiveText(kInputsPerPreset)));
}

/// A material holding the presets of a list of \p count presets labelled with \p prefix.
USubstanceMaterialPtr materialWithPresets(int count, const std::string& prefix)
{
    const USubstanceMaterialPtr material = newMaterial();
    const std::string path = oxBench::scratchFile(prefix + std::to_string(count) + ".sbsprs",
                                                  oxBench::presetListText(count, kInputsPerPreset, prefix));
    oxSubstancePresetUtils::addPresets(material, path);
    oxBench::clearHostRecords();
    return material;
}

void bareParse(benchmark::State& state, const std::string& text)
{
    for (auto _ : state)
    {
        TiXmlDocument document;
        oxXml::parse(document, text.data(), text.size(), TIXML_DEFAULT_ENCODING);
        benchmark::DoNotOptimize(document.Error());
    }
}

void PresetListBareParse(benchmark::State& state)
{
    bareParse(state, largeListText());
}

void PresetListRead(benchmark::State& state)
{
    const std::string& text = largeListText();
    for (auto _ : state)
    {
        std::vector<SubstanceAir::Preset> presets;
        if (!SubstanceAir::parsePresets(presets, text.c_str()))
            state.SkipWithError("the list did not read");
    }
}

void PresetFileBareParse(benchmark::State& state)
{
    bareParse(state, oxBench::readFile(presetFile()));
}

void AddPresetsFromFile(benchmark::State& state)
{
    const USubstanceMaterialPtr material = newMaterial();
    const std::string& path = presetFile();
    bool complete = true;
    for (auto _ : state)
    {
        oxSubstancePresetUtils::addPresets(material, path);
        state.PauseTiming();
        complete = complete && material->getSubstancePresets().size() == std::size_t(kFilePresets);
        material->clearPresets();
        oxBench::clearHostRecords();
        state.ResumeTiming();
    }
    if (!complete)
        state.SkipWithError("the presets were not added");
    oxBench::releaseMaterial(material);
}

std::vector<unsigned int> allIndexes(const USubstanceMaterialPtr& material)
{
    std::vector<unsigned int> indexes(material->getSubstancePresets().size());
    std::iota(indexes.begin(), indexes.end(), 0u);
    return indexes;
}

void PresetWriterAlone(benchmark::State& state)
{
    const USubstanceMaterialPtr material = materialWithPresets(kFilePresets, "Held");
    std::vector<SubstanceAir::Preset> records;
    for (const SubstancePresetPtr& preset : material->getSubstancePresets())
    {
        records.emplace_back();
        SubstanceAir::parsePreset(records.back(), preset->getContent().c_str());
        records.back().label = preset->getName();
    }
    const std::string path = oxBench::scratchFolder() + "/written.sbsprs";
    for (auto _ : state)
    {
        std::ostringstream text;
        text << SubstanceAir::presetListHeader(records.size());
        for (const SubstanceAir::Preset& record : records)
            text << record;
        text << SubstanceAir::presetListFooter();
        const std::string bytes = text.str();
        std::ofstream(path, std::ios::out | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
    }
    oxBench::releaseMaterial(material);
}

void ExportPresets(benchmark::State& state)
{
    const USubstanceMaterialPtr material = materialWithPresets(kFilePresets, "Held");
    const std::vector<unsigned int> indexes = allIndexes(material);
    const QString path = QString::fromStdString(oxBench::scratchFolder() + "/exported.sbsprs");
    for (auto _ : state)
    {
        if (!oxSubstancePresetUtils::exportPresets(material, indexes, path))
            state.SkipWithError("the export failed");
    }
    oxBench::releaseMaterial(material);
}

void ImportWithDuplicateCheck(benchmark::State& state)
{
    const USubstanceMaterialPtr material = materialWithPresets(kFilePresets, "Held");
    const QStringList paths{QString::fromStdString(presetFile())};
    bool complete = true;
    for (auto _ : state)
    {
        const std::vector<SubstancePresetPtr> presets =
            oxSubstancePresetUtils::importPresets(material, paths, false, true);
        state.PauseTiming();
        complete = complete && presets.size() == std::size_t(kFilePresets);
        for (const SubstancePresetPtr& preset : presets)
        {
            osg::addRef(preset);
            osg::subRef(preset);
        }
        oxBench::clearHostRecords();
        state.ResumeTiming();
    }
    if (!complete)
        state.SkipWithError("the presets were not imported");
    oxBench::releaseMaterial(material);
}

} // namespace

// The large list runs a few times after a warm-up, so that neither pays alone for
// memory fresh from the system.
BENCHMARK(PresetListBareParse)->Unit(benchmark::kMillisecond)->MinWarmUpTime(1)->MinTime(3);
BENCHMARK(PresetListRead)->Unit(benchmark::kMillisecond)->MinWarmUpTime(1)->MinTime(3);
BENCHMARK(PresetFileBareParse)->Unit(benchmark::kMillisecond);
BENCHMARK(AddPresetsFromFile)->Unit(benchmark::kMillisecond);
BENCHMARK(PresetWriterAlone)->Unit(benchmark::kMillisecond);
BENCHMARK(ExportPresets)->Unit(benchmark::kMillisecond);
BENCHMARK(ImportWithDuplicateCheck)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
