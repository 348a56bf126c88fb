#pragma once
/// \file oxSubstancePresetListUndoCommands.h
/// Undoable changes of a material's preset list: adding, removing, reordering
/// presets and recapturing one preset's content from the material's state.
///
/// Each command keeps its material's container id and finds the material again
/// whenever it runs; each emits presetsChanged(material id) after a change.
/// Presets that a command keeps stay alive (one reference each) until the
/// command is destroyed, so a removed preset can come back on undo.

#include "oxSubstanceCommandSupport.h"
#include "oxSubstanceExport.h"

#include <QCoreApplication>

#include <cstddef>
#include <map>
#include <string>
#include <vector>

/// Appends presets to the list; undo removes exactly those presets.
class OX_SUBSTANCE_API oxAddSubstancePresetUndoCommand : public oxSubstanceUndoCommand<oxAddSubstancePresetUndoCommand>
{
    Q_DECLARE_TR_FUNCTIONS(oxAddSubstancePresetUndoCommand)

public:
    /// \p presets are new presets (not yet on a material); null entries are kept
    /// and added as null slots.
    oxAddSubstancePresetUndoCommand(const USubstanceMaterialPtr& material,
                                    const std::vector<SubstancePresetPtr>& presets, QUndoCommand* parent = nullptr);
    ~oxAddSubstancePresetUndoCommand() override;

    void redo() override;
    void undo() override;

private:
    std::vector<oxSubstanceHeld<SubstancePresetPtr>> _presets;
};

/// Removes presets from the list; undo puts each back at its former index.
class OX_SUBSTANCE_API oxRemoveSubstancePresetUndoCommand
    : public oxSubstanceUndoCommand<oxRemoveSubstancePresetUndoCommand>
{
    Q_DECLARE_TR_FUNCTIONS(oxRemoveSubstancePresetUndoCommand)

public:
    /// The presets at \p indexes now; indexes outside the list, null slots and
    /// repeated indexes are passed over.
    oxRemoveSubstancePresetUndoCommand(const USubstanceMaterialPtr& material, const std::vector<unsigned>& indexes,
                                       QUndoCommand* parent = nullptr);
    /// \p presets as they stand in the list now; presets not in it, and a
    /// preset named twice, are passed over.
    oxRemoveSubstancePresetUndoCommand(const USubstanceMaterialPtr& material,
                                       const std::vector<SubstancePresetPtr>& presets, QUndoCommand* parent = nullptr);
    ~oxRemoveSubstancePresetUndoCommand() override;

    void redo() override;
    void undo() override;

private:
    oxRemoveSubstancePresetUndoCommand(const USubstanceMaterialPtr& material, QUndoCommand* parent);
    void record(const USubstanceMaterialPtr& material, unsigned index);

    /// Index in the list at construction to preset, ascending.
    std::map<std::size_t, oxSubstanceHeld<SubstancePresetPtr>> _removed;
};

/// Puts the presets in a new order; undo restores the former order.
///
/// The order is checked at the first redo(): it must name every current index
/// exactly once. A command whose order does not fit does nothing, now and later,
/// and emits nothing.
class OX_SUBSTANCE_API oxReorderPresetsUndoCommand : public oxSubstanceUndoCommand<oxReorderPresetsUndoCommand>
{
    Q_DECLARE_TR_FUNCTIONS(oxReorderPresetsUndoCommand)

public:
    /// Entry i of \p order is the current index of the preset that is to stand at position i.
    oxReorderPresetsUndoCommand(const USubstanceMaterialPtr& material, const std::vector<unsigned>& order,
                                QUndoCommand* parent = nullptr);
    ~oxReorderPresetsUndoCommand() override;

    void redo() override;
    void undo() override;

private:
    /// Checks the order against the list and computes its inverse; false when it does not fit.
    bool getCurrentPresetIndexes();
    void reorderPresets(const std::vector<unsigned>& order);

    std::vector<unsigned> _order;
    std::vector<unsigned> _inverseOrder;
};

/// Replaces one preset's content (and its cached images) by the material's
/// current state; undo gives the preset back its former content and images,
/// redo the ones captured the first time.
///
/// The capture happens at the first redo() that finds the preset and the
/// material and gets a state from the material's archive; until then redo()
/// and undo() change nothing and emit nothing.
class OX_SUBSTANCE_API oxRecapturePresetUndoCommand : public oxSubstanceUndoCommand<oxRecapturePresetUndoCommand>
{
    Q_DECLARE_TR_FUNCTIONS(oxRecapturePresetUndoCommand)

public:
    oxRecapturePresetUndoCommand(const USubstanceMaterialPtr& material, const SubstancePresetPtr& preset,
                                 QUndoCommand* parent = nullptr);
    ~oxRecapturePresetUndoCommand() override;

    void redo() override;
    void undo() override;

private:
    /// A preset's content with the images cached with it.
    struct Capture
    {
        std::string content;
        std::vector<oxSubstanceHeld<ImagePtr>> images;
    };

    /// The preset, found again by its id; null when it is gone.
    SubstancePresetPtr getPreset() const;
    /// Captures the material's state into the preset, keeping what it held
    /// before; Pending (nothing changed) while there is no preset, material or state.
    Gathering capture();
    void setContent(const Capture& capture);
    static Capture captureOf(const SubstancePresetPtr& preset);

    osg::UInt32 _presetId;
    Capture _old;
    Capture _new;
};
