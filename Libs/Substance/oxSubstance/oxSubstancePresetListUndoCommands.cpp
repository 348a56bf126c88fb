#include "oxSubstancePresetListUndoCommands.h"

#include "oxSubstancePresetUtils.h"

// ---------------------------------------------------------------- add

oxAddSubstancePresetUndoCommand::oxAddSubstancePresetUndoCommand(const USubstanceMaterialPtr& material,
                                                                 const std::vector<SubstancePresetPtr>& presets,
                                                                 QUndoCommand* parent)
    : oxSubstanceUndoCommand("Add substance presets", material, parent),
      _presets(presets.begin(), presets.end())
{
}

oxAddSubstancePresetUndoCommand::~oxAddSubstancePresetUndoCommand() = default;

void oxAddSubstancePresetUndoCommand::redo()
{
    oxSubstancePresetUtils::addPresets(getMaterial(), oxSubstanceHandles(_presets));
    notifyPresetsChanged();
}

void oxAddSubstancePresetUndoCommand::undo()
{
    oxSubstancePresetUtils::removePresets(getMaterial(), oxSubstanceHandles(_presets));
    notifyPresetsChanged();
}

// ---------------------------------------------------------------- remove

oxRemoveSubstancePresetUndoCommand::oxRemoveSubstancePresetUndoCommand(const USubstanceMaterialPtr& material,
                                                                       QUndoCommand* parent)
    : oxSubstanceUndoCommand("Remove substance presets", material, parent)
{
}

oxRemoveSubstancePresetUndoCommand::oxRemoveSubstancePresetUndoCommand(const USubstanceMaterialPtr& material,
                                                                       const std::vector<unsigned>& indexes,
                                                                       QUndoCommand* parent)
    : oxRemoveSubstancePresetUndoCommand(material, parent)
{
    for (unsigned index : indexes)
        record(material, index);
}

oxRemoveSubstancePresetUndoCommand::oxRemoveSubstancePresetUndoCommand(
    const USubstanceMaterialPtr& material, const std::vector<SubstancePresetPtr>& presets, QUndoCommand* parent)
    : oxRemoveSubstancePresetUndoCommand(material, parent)
{
    if (material.isNull())
        return;
    for (const SubstancePresetPtr& preset : presets)
    {
        osg::UInt32 index = 0;
        if (!preset.isNull() && material->findPreset(preset, &index))
            record(material, index);
    }
}

oxRemoveSubstancePresetUndoCommand::~oxRemoveSubstancePresetUndoCommand() = default;

void oxRemoveSubstancePresetUndoCommand::record(const USubstanceMaterialPtr& material, unsigned index)
{
    if (material.isNull())
        return;
    const osg::MField<SubstancePresetPtr>& presets = material->getSubstancePresets();
    if (index < presets.size() && !presets[index].isNull())
        _removed.emplace(index, presets[index]);
}

void oxRemoveSubstancePresetUndoCommand::redo()
{
    std::vector<SubstancePresetPtr> presets;
    for (const auto& entry : _removed)
        presets.push_back(entry.second.get());
    oxSubstancePresetUtils::removePresets(getMaterial(), presets);
    notifyPresetsChanged();
}

void oxRemoveSubstancePresetUndoCommand::undo()
{
    std::map<std::size_t, SubstancePresetPtr> presets;
    for (const auto& entry : _removed)
        presets.emplace(entry.first, entry.second.get());
    oxSubstancePresetUtils::insertPresets(getMaterial(), presets);
    notifyPresetsChanged();
}

// ---------------------------------------------------------------- reorder

oxReorderPresetsUndoCommand::oxReorderPresetsUndoCommand(const USubstanceMaterialPtr& material,
                                                         const std::vector<unsigned>& order, QUndoCommand* parent)
    : oxSubstanceUndoCommand("Reorder substance presets", material, parent), _order(order)
{
}

oxReorderPresetsUndoCommand::~oxReorderPresetsUndoCommand() = default;

void oxReorderPresetsUndoCommand::redo()
{
    // Checked at the first redo(): an order that does not fit then never does.
    gatherAtFirstRedo([this] { return getCurrentPresetIndexes() ? Gathering::Ready : Gathering::Inert; });
    reorderPresets(_order);
}

void oxReorderPresetsUndoCommand::undo()
{
    reorderPresets(_inverseOrder);
}

bool oxReorderPresetsUndoCommand::getCurrentPresetIndexes()
{
    _inverseOrder.clear();
    const USubstanceMaterialPtr material = getMaterial();
    // Valid indexes, none twice, as many as there are presets: a permutation.
    if (!oxSubstancePresetUtils::indexesValid(material, _order) ||
        material->getSubstancePresets().size() != _order.size())
        return false;
    _inverseOrder.assign(_order.size(), 0);
    for (unsigned i = 0; i < _order.size(); ++i)
        _inverseOrder[_order[i]] = i;
    return true;
}

void oxReorderPresetsUndoCommand::reorderPresets(const std::vector<unsigned>& order)
{
    if (gathering() != Gathering::Ready)
        return;
    const USubstanceMaterialPtr material = getMaterial();
    if (material.isNull() || material->getSubstancePresets().size() != order.size())
        return;
    // Held while the list is cleared, which gives back the list's references.
    const std::vector<oxSubstanceHeld<SubstancePresetPtr>> current(material->getSubstancePresets().begin(),
                                                                   material->getSubstancePresets().end());
    material->clearPresets();
    for (unsigned index : order)
        material->addPreset(current[index].get());
    notifyPresetsChanged();
}

// ---------------------------------------------------------------- recapture

oxRecapturePresetUndoCommand::oxRecapturePresetUndoCommand(const USubstanceMaterialPtr& material,
                                                           const SubstancePresetPtr& preset, QUndoCommand* parent)
    : oxSubstanceUndoCommand("Capture substance presets", material, parent),
      _presetId(oxSubstanceContainerId(preset))
{
}

oxRecapturePresetUndoCommand::~oxRecapturePresetUndoCommand() = default;

SubstancePresetPtr oxRecapturePresetUndoCommand::getPreset() const
{
    return oxSubstanceFindContainer<SubstancePresetPtr>(_presetId);
}

oxRecapturePresetUndoCommand::Capture oxRecapturePresetUndoCommand::captureOf(const SubstancePresetPtr& preset)
{
    const osg::MField<ImagePtr>& images = preset->getCachedImages();
    return Capture{preset->getContent(), {images.begin(), images.end()}};
}

void oxRecapturePresetUndoCommand::redo()
{
    if (gathering() == Gathering::Ready)
        setContent(_new);
    else
        gatherAtFirstRedo([this] { return capture(); });
}

oxRecapturePresetUndoCommand::Gathering oxRecapturePresetUndoCommand::capture()
{
    const SubstancePresetPtr preset = getPreset();
    const USubstanceMaterialPtr material = getMaterial();
    if (preset.isNull() || material.isNull())
        return Gathering::Pending;
    // No state to capture (an archive that holds nothing): the capture waits
    // rather than give the preset an empty content.
    std::string content = oxSubstancePresetUtils::fetchPresetContent(material);
    if (content.empty())
        return Gathering::Pending;
    _old = captureOf(preset);
    oxSubstancePresetUtils::applyPresetContent(material, preset, std::move(content));
    _new = captureOf(preset);
    notifyPresetsChanged();
    return Gathering::Ready;
}

void oxRecapturePresetUndoCommand::undo()
{
    // Before the first capture there is nothing to give back.
    if (gathering() == Gathering::Ready)
        setContent(_old);
}

void oxRecapturePresetUndoCommand::setContent(const Capture& capture)
{
    const SubstancePresetPtr preset = getPreset();
    if (preset.isNull() || getMaterial().isNull())
        return;
    oxSubstancePresetUtils::setPresetContent(preset, capture.content, oxSubstanceHandles(capture.images));
    notifyPresetsChanged();
}
