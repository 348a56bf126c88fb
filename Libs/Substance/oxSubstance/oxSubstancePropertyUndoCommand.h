#pragma once
/// \file oxSubstancePropertyUndoCommand.h
/// The undoable edit of one Substance property.

#include "oxSubstanceCommandSupport.h"
#include "oxSubstanceExport.h"

#include <QCoreApplication>
#include <QString>
#include <QVariant>

/// Sets one input of one graph of a Substance material. Successive edits of
/// the same property of the same graph and material merge into one undo step
/// (within the host's merge rule), which undoes to the value from before the
/// first of them.
///
/// Keeps the material's container id, not a handle; a command whose material
/// is gone does nothing. Image values (oxdImage) keep their image alive while
/// the command stores them.
class OX_SUBSTANCE_API oxSubstancePropertyUndoCommand
    : public oxSubstanceUndoCommand<oxSubstancePropertyUndoCommand>
{
    Q_DECLARE_TR_FUNCTIONS(oxSubstancePropertyUndoCommand)

public:
    /// A new command, owned by the caller (normally handed to the undo stack);
    /// null for a null material. \p property is an identifier or a label.
    static oxSubstancePropertyUndoCommand* create(const USubstanceMaterialPtr& material, const QString& graph,
                                                  const QString& property, const QVariant& value,
                                                  QUndoCommand* parent = nullptr);
    ~oxSubstancePropertyUndoCommand() override;

    /// Reads the property's current value as the value that undo restores. The
    /// first redo() does it unless it was done before; a caller that changes the
    /// property by other means before pushing the command calls it first.
    void fetchUndoValue();

    void undo() override;
    void redo() override;
    /// True for a command of this class on the same material, graph and
    /// property, when the host's rule lets the two merge.
    bool canMergeWith(const QUndoCommand* other) const override;
    /// Takes over the newer command's value (and the host's merge state); the
    /// undo value stays the one from before the first edit.
    bool mergeWith(const QUndoCommand* other) override;

private:
    oxSubstancePropertyUndoCommand(const oxUndoString& text, unsigned materialId, const QString& graph,
                                   const QString& property, const QVariant& value, QUndoCommand* parent);
    /// Reads the property's current value into the undo value.
    Gathering readUndoValue();
    /// Writes \p value through applyPropertyValue, rendering.
    void setValue(const QVariant& value);

    QString _property;
    QString _graph;
    oxSubstanceStoredValue _newValue;
    oxSubstanceStoredValue _undoValue; ///< invalid until fetched, or when the property could not be read
};
