#pragma once
/// \file oxSubstanceGraphUndoCommands.h
/// Undoable changes of many inputs of a material's active graph at once:
/// applying a preset and resetting the graph to its defaults.
///
/// Both let the material's archive compute the target values at their first
/// redo(), keep only the values that differ from the material's (each with its
/// value before), write them without rendering and render once per redo() and
/// undo(). Image values keep their image alive while the command stores them.

#include "oxSubstanceCommandSupport.h"
#include "oxSubstanceExport.h"

#include <QCoreApplication>
#include <QString>

/// Applies one of the material's presets, by its index in the preset list,
/// optionally with the archive's default output size. Sets the material's
/// last activated preset and output-size sync flag, and emits presetApplied
/// after every redo() and undo().
///
/// With the preset render cache on, a redo() applies the material's cached
/// render of the preset when there is one, and otherwise renders and caches
/// it; undo() always renders. A command whose first redo() finds no material,
/// an archive that holds nothing or no preset at the index does nothing, now
/// and later.
class OX_SUBSTANCE_API oxApplySubstancePresetUndoCommand
    : public oxSubstanceUndoCommand<oxApplySubstancePresetUndoCommand>
{
    Q_DECLARE_TR_FUNCTIONS(oxApplySubstancePresetUndoCommand)

public:
    oxApplySubstancePresetUndoCommand(const USubstanceMaterialPtr& material, unsigned presetIndex,
                                      bool defaultOutputSize, QUndoCommand* parent = nullptr);
    ~oxApplySubstancePresetUndoCommand() override;

    void redo() override;
    void undo() override;

private:
    /// Applies the preset to the archive and records what changes; false when the command cannot act.
    bool fetchUndoData();
    /// Writes the values without rendering, then the sync flag and the last activated preset.
    void applyValues(int presetIndex, const oxSubstanceStoredValueMap& values, bool syncOutputSize);
    /// Renders the preset, or applies its cached render, and caches a new render.
    void renderCachedPreset();

    unsigned _presetIndex;
    bool _defaultOutputSize;
    QString _graph;
    int _previousPreset = -1;
    bool _previousSyncOutputSize = false;
    bool _newSyncOutputSize = false;
    oxSubstanceStoredValueMap _undoValues;
    oxSubstanceStoredValueMap _redoValues;
};

/// Puts every input of the material's active graph back to its default.
/// Leaves the last activated preset and the output-size sync flag alone.
///
/// The values are recorded at the first redo() that finds the material.
class OX_SUBSTANCE_API oxResetSubstanceGraphUndoCommand
    : public oxSubstanceUndoCommand<oxResetSubstanceGraphUndoCommand>
{
    Q_DECLARE_TR_FUNCTIONS(oxResetSubstanceGraphUndoCommand)

public:
    oxResetSubstanceGraphUndoCommand(const USubstanceMaterialPtr& material, QUndoCommand* parent = nullptr);
    ~oxResetSubstanceGraphUndoCommand() override;

    void redo() override;
    void undo() override;

private:
    /// Writes the values without rendering, then renders once.
    void applyValues(const oxSubstanceStoredValueMap& values);

    QString _graph;
    oxSubstanceStoredValueMap _undoValues;
    oxSubstanceStoredValueMap _redoValues;
};
