// The material editor on a large material: opening an archive of 1,000 inputs
// until the window shows it, and one step of a slider drag (push, merge, write,
// archive update, render, and the refresh of every panel with the preset
// panel's matching over 1,000 presets of 500 inputs), beside the stand-in's
// render alone, which the drag step includes.

#include "support/oxBenchData.h"

#include "oxEditorDocument.h"
#include "oxSubstanceEditorWindow.h"

#include "oxSubstancePresetUtils.h"

#include "host/QSubstanceArchive.h"
#include "oxStandInTesting.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int Inputs = 1000;

QString archive()
{
    return QString::fromStdString(oxBench::scratchFile("editor-1000.sbsar", oxBench::archiveText(Inputs)));
}

/// The first float input of the active graph.
QString firstFloatInput(const USubstanceMaterialPtr& material)
{
    for (const AttributeGroupPtr& group : material->getActiveGraph()->getAttributeGroups())
        for (const AttributeValuePtr& value : group->getProperties())
            if (value->getTypeString() == "float")
                return QString::fromStdString(value->getUuid());
    return QString();
}

void EditorOpen(benchmark::State& state)
{
    oxSubstanceEditorWindow window;
    const QString path = archive();
    for (auto _ : state)
    {
        window.openArchive(path);
        window.document()->refreshNow();
        oxStandIn::clearEditLog();
        oxStandIn::clearLogMessages();
    }
}

/// A window on the large material with its presets, in the middle of a drag.
struct Dragging
{
    Dragging()
    {
        window.openArchive(archive());
        // The list is larger than the stand-in reads from a file: it goes in as text.
        oxSubstancePresetUtils::addPresets(
            window.material(),
            oxSubstancePresetUtils::parsePresets(window.material(), oxBench::presetListText(1000, 500), "", false, false));
        window.document()->requestRefresh(oxEditorDocument::Everything);
        window.document()->refreshNow();
        input = firstFloatInput(window.material());
        window.document()->beginGesture();
    }
    ~Dragging() { window.document()->endGesture(); }

    oxSubstanceEditorWindow window;
    QString input;
};

void EditorDragStep(benchmark::State& state)
{
    Dragging drag;
    float value = 0;
    for (auto _ : state)
    {
        value = value > 0.5f ? 0.25f : 0.75f;
        drag.window.document()->setValue(drag.input, value);
        drag.window.document()->refreshNow();
        oxStandIn::clearEditLog();
    }
    state.counters["steps"] = drag.window.undoStack()->count();
    state.counters["presets"] = double(drag.window.material()->getSubstancePresets().size());
}

void EditorRenderAlone(benchmark::State& state)
{
    Dragging drag;
    bool created = false;
    const unsigned id = drag.window.material()->getId();
    const auto archive = oxSubstanceArchiveFactory::instance().getMaterialArchive(id, created);
    for (auto _ : state)
    {
        archive->renderTextures(id, true, false);
        oxStandIn::clearEditLog();
    }
}

} // namespace

BENCHMARK(EditorOpen)->Unit(benchmark::kMillisecond);
BENCHMARK(EditorDragStep)->Unit(benchmark::kMillisecond);
BENCHMARK(EditorRenderAlone)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
