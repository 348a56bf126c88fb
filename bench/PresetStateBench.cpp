// Matching presets against a material's current state, as the host's preset
// panel does on every redraw: 1,000 presets of 500 inputs each on a material
// of 500 inputs.

#include "oxSubstanceCommandSupport.h"
#include "oxSubstanceMaterialModifier.h"
#include "oxSubstancePresetUtils.h"

#include "host/QSubstanceArchive.h"
#include "oxStandInServices.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

namespace {

constexpr int kInputs = 500;
constexpr int kPresets = 1000;

/// Type string, preset type code, widget and two value texts (current, other) of input i.
struct InputKind
{
    const char* type;
    int code;
    const char* widget;
    const char* current;
    const char* other;
};
const InputKind kKinds[] = {{"float", 0, "slider", "0.25", "0.75"},
                            {"float[3]", 2, "slider", "0.1,0.2,0.3", "0.3,0.2,0.1"},
                            {"int", 4, "slider", "3", "4"},
                            {"float[4]", 3, "color", "0.8,0.6,0.4,1", "0.4,0.6,0.8,1"}};

const InputKind& kindOf(int input)
{
    return kKinds[input % 4];
}

std::string identifierOf(int input)
{
    return "input" + std::to_string(input);
}

/// An archive of one graph with kInputs labelled inputs, all at their current values.
QByteArray archiveText()
{
    std::string text = "<sbsar formatversion=\"1\"><graph label=\"Bench\" pkgurl=\"pkg://bench/graph\">\n";
    for (int i = 0; i < kInputs; ++i)
    {
        const InputKind& k = kindOf(i);
        text += "<input identifier=\"" + identifierOf(i) + "\" label=\"Input " + std::to_string(i) + "\" group=\"G" +
                std::to_string(i % 10) + "\" type=\"" + k.type + "\" widget=\"" + k.widget + "\" value=\"" +
                k.current + "\"/>\n";
    }
    return QByteArray::fromStdString(text + "</graph></sbsar>\n");
}

/// A preset of all inputs. Preset 0 equals the current state; preset p > 0
/// differs in the one input at (p * 7) % kInputs, so that the comparison of most
/// presets runs deep before it fails.
std::string presetText(int p)
{
    const int differing = p == 0 ? -1 : (p * 7) % kInputs;
    std::string text = "<sbspreset pkgurl=\"pkg://bench/graph\" label=\"Preset " + std::to_string(p) + "\" >\n";
    for (int i = 0; i < kInputs; ++i)
    {
        const InputKind& k = kindOf(i);
        text += "  <presetinput identifier=\"" + identifierOf(i) + "\" uid=\"" + std::to_string(i + 1) +
                "\" type=\"" + std::to_string(k.code) + "\" value=\"" + (i == differing ? k.other : k.current) +
                "\" />\n";
    }
    return text + " </sbspreset>\n";
}

/// The material of the benchmarks, built once.
USubstanceMaterialPtr benchMaterial()
{
    static USubstanceMaterialPtr material;
    if (!material.isNull())
        return material;
    static QTemporaryDir dir;
    const QString path = dir.filePath("bench.sbsar");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(archiveText()) < 0)
        std::abort();
    file.close();

    // Edits notify the host's Substance service.
    static oxStandIn::ScopedSubstanceService service;
    material = USubstanceMaterial::create();
    osg::addRef(material);
    if (!oxSubstanceMaterialModifier(material).initFromFile(path))
    {
        std::fprintf(stderr, "the benchmark archive does not load\n");
        std::abort();
    }
    material->clearPresets();
    for (int p = 0; p < kPresets; ++p)
        material->addPreset("Preset " + std::to_string(p), presetText(p), "");
    return material;
}

void checkResult(benchmark::State& state, const std::set<unsigned int>& matching)
{
    if (matching != std::set<unsigned int>{0})
        state.SkipWithError("preset 0 alone should match");
}

/// A panel redraw with nothing changed since the last one.
void BM_MatchingPresetIndexes(benchmark::State& state)
{
    const USubstanceMaterialPtr material = benchMaterial();
    checkResult(state, oxSubstancePresetUtils::getMatchingPresetIndexes(material));
    for (auto _ : state)
        benchmark::DoNotOptimize(oxSubstancePresetUtils::getMatchingPresetIndexes(material));
}
BENCHMARK(BM_MatchingPresetIndexes)->Unit(benchmark::kMillisecond);

void BM_CurrentState(benchmark::State& state)
{
    const USubstanceMaterialPtr material = benchMaterial();
    unsigned int index = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(oxSubstancePresetUtils::getCurrentState(material, index));
    if (index != 0)
        state.SkipWithError("preset 0 should be the current preset");
}
BENCHMARK(BM_CurrentState)->Unit(benchmark::kMillisecond);

/// A redraw after each edit of a property: every preset is compared again, from
/// the values remembered of its content.
void BM_MatchingAfterAnEdit(benchmark::State& state)
{
    const USubstanceMaterialPtr material = benchMaterial();
    bool changed = false;
    for (auto _ : state)
    {
        changed = !changed;
        oxSubstanceCommandSupport::applyPropertyValue(material, "Bench", "input0", changed ? 0.75f : 0.25f, false);
        benchmark::DoNotOptimize(oxSubstancePresetUtils::getMatchingPresetIndexes(material));
    }
    if (changed)
        oxSubstanceCommandSupport::applyPropertyValue(material, "Bench", "input0", 0.25f, false);
}
BENCHMARK(BM_MatchingAfterAnEdit)->Unit(benchmark::kMillisecond);

/// Every preset's content read again on each call, as it would be without the
/// remembered values (switching the default output-size sync state drops them).
void BM_MatchingReadingEveryPreset(benchmark::State& state)
{
    const USubstanceMaterialPtr material = benchMaterial();
    bool sync = QSubstanceArchive::getDefaultSyncOutputSize();
    for (auto _ : state)
    {
        sync = !sync;
        QSubstanceArchive::setDefaultSyncOutputSize(sync);
        benchmark::DoNotOptimize(oxSubstancePresetUtils::getMatchingPresetIndexes(material));
    }
}
BENCHMARK(BM_MatchingReadingEveryPreset)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
