#include "oxSubstanceGraphUndoCommands.h"

#include "oxSubstanceArchiveLookup.h"
#include "oxSubstanceInputLookup.h"

#include "host/QSubstanceArchive.h"

namespace {

/// Records, for each archive value that differs from the material's attribute
/// value, the material's value in \p undoValues and the archive's in
/// \p redoValues, and sets \p graph to the active graph's name. Inputs that the
/// material lacks, or whose value cannot be read, are reported and left out.
void collectChangedValues(const USubstanceMaterialPtr& material, QString& graph,
                          const std::map<QString, SubstancePropertyValue>& archiveValues,
                          oxSubstanceStoredValueMap& undoValues, oxSubstanceStoredValueMap& redoValues)
{
    if (material.isNull())
        return;
    const USubstanceGraphPtr activeGraph = material->getActiveGraph();
    if (activeGraph.isNull())
        return;
    graph = QString::fromStdString(activeGraph->getName());
    oxSubstanceInputLookup lookup(material, activeGraph);
    for (const auto& entry : archiveValues)
    {
        AttributeValuePtr attribute;
        QVariant current;
        if (!lookup.readInput(entry.second.group.toStdString(), entry.first.toStdString(), attribute, current))
            continue;
        if (current != entry.second.value)
        {
            undoValues[entry.first] = current;
            redoValues[entry.first] = entry.second.value;
        }
    }
}

} // namespace

// ---------------------------------------------------------------- apply preset

oxApplySubstancePresetUndoCommand::oxApplySubstancePresetUndoCommand(const USubstanceMaterialPtr& material,
                                                                     unsigned presetIndex, bool defaultOutputSize,
                                                                     QUndoCommand* parent)
    : oxSubstanceUndoCommand("Apply substance preset", material, parent),
      _presetIndex(presetIndex), _defaultOutputSize(defaultOutputSize)
{
}

oxApplySubstancePresetUndoCommand::~oxApplySubstancePresetUndoCommand() = default;

bool oxApplySubstancePresetUndoCommand::fetchUndoData()
{
    const USubstanceMaterialPtr material = getMaterial();
    const std::shared_ptr<QSubstanceArchive> archive = oxSubstanceArchiveLookup::loadedArchive(material);
    if (!archive || _presetIndex >= material->getSubstancePresets().size())
        return false;

    _previousSyncOutputSize = material->getSyncOutputSize();
    _previousPreset = material->getLastActivatedPreset();
    // A preset that the archive cannot apply leaves the sync flag as it is.
    _newSyncOutputSize = _previousSyncOutputSize;
    if (archive->applyPreset(material->getSubstancePresets()[_presetIndex], _defaultOutputSize))
    {
        if (_defaultOutputSize)
            _newSyncOutputSize = QSubstanceArchive::getDefaultSyncOutputSize();
        else if (_previousSyncOutputSize)
        {
            // Only a square output size (or none) can stay in sync.
            int width = 0;
            int height = 0;
            _newSyncOutputSize = !archive->getOutputSize(width, height) || width == height;
        }
        else
            _newSyncOutputSize = false;
    }
    collectChangedValues(material, _graph, archive->getActiveGraphValues(), _undoValues, _redoValues);
    return true;
}

void oxApplySubstancePresetUndoCommand::applyValues(int presetIndex, const oxSubstanceStoredValueMap& values,
                                                    bool syncOutputSize)
{
    const USubstanceMaterialPtr material = getMaterial();
    if (material.isNull())
        return;
    // The values first: an output-size value carries the archive's sync flag,
    // which must not override the one that this command determined.
    oxSubstanceCommandSupport::applyPropertyValues(material, _graph, values);
    osgEdit edit(material, USubstanceMaterial::LastActivatedPresetFieldMask | USubstanceMaterial::SyncOutputSizeFieldMask);
    material->setSyncOutputSize(syncOutputSize);
    material->setLastActivatedPreset(presetIndex);
}

void oxApplySubstancePresetUndoCommand::renderCachedPreset()
{
    const USubstanceMaterialPtr material = getMaterial();
    if (material.isNull())
        return;
    if (!material->isPresetCached(_presetIndex))
    {
        renderMaterialTextures();
        material->cacheRenderResult(_presetIndex);
        return;
    }
    material->applyCachedPreset(_presetIndex);
    if (oxSubstanceRenderer* renderer = oxSubstanceRenderer::instance())
        renderer->materialUpdated(materialId());
}

void oxApplySubstancePresetUndoCommand::redo()
{
    // Gathered at the first redo() in any case: a command that cannot act then never does.
    const Gathering gathered =
        gatherAtFirstRedo([this] { return fetchUndoData() ? Gathering::Ready : Gathering::Inert; });
    // A material that is gone gets nothing written and nothing announced.
    if (gathered != Gathering::Ready || getMaterial().isNull())
        return;
    applyValues(int(_presetIndex), _redoValues, _newSyncOutputSize);
    if (USubstanceMaterial::isPresetCacheEnabled())
        renderCachedPreset();
    else
        renderMaterialTextures();
    notifyPresetApplied();
}

void oxApplySubstancePresetUndoCommand::undo()
{
    if (gathering() != Gathering::Ready || getMaterial().isNull())
        return;
    applyValues(_previousPreset, _undoValues, _previousSyncOutputSize);
    renderMaterialTextures();
    notifyPresetApplied();
}

// ---------------------------------------------------------------- reset graph

oxResetSubstanceGraphUndoCommand::oxResetSubstanceGraphUndoCommand(const USubstanceMaterialPtr& material,
                                                                   QUndoCommand* parent)
    : oxSubstanceUndoCommand("Reset substance graph", material, parent)
{
}

oxResetSubstanceGraphUndoCommand::~oxResetSubstanceGraphUndoCommand() = default;

void oxResetSubstanceGraphUndoCommand::redo()
{
    // Gathered at the first redo() that finds the material.
    const USubstanceMaterialPtr material = getMaterial();
    if (material.isNull())
        return;
    gatherAtFirstRedo([this, &material] {
        // An archive that holds nothing has no defaults: nothing changes, and its render does nothing.
        if (const std::shared_ptr<QSubstanceArchive> archive = oxSubstanceArchiveLookup::loadedArchive(material))
        {
            archive->resetGraph();
            collectChangedValues(material, _graph, archive->getActiveGraphValues(), _undoValues, _redoValues);
        }
        return Gathering::Ready;
    });
    applyValues(_redoValues);
}

void oxResetSubstanceGraphUndoCommand::undo()
{
    applyValues(_undoValues);
}

void oxResetSubstanceGraphUndoCommand::applyValues(const oxSubstanceStoredValueMap& values)
{
    const USubstanceMaterialPtr material = getMaterial();
    if (material.isNull())
        return;
    oxSubstanceCommandSupport::applyPropertyValues(material, _graph, values);
    renderMaterialTextures();
}
