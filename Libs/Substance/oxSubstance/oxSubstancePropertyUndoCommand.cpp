#include "oxSubstancePropertyUndoCommand.h"

#include "oxSubstanceAttributeSync.h"

#include "host/oxHostUtils.h"

oxSubstancePropertyUndoCommand* oxSubstancePropertyUndoCommand::create(const USubstanceMaterialPtr& material,
                                                                       const QString& graph,
                                                                       const QString& property,
                                                                       const QVariant& value, QUndoCommand* parent)
{
    if (material.isNull())
        return nullptr;
    // One arg() call fills all three places, so a "%" in a name is not taken
    // for a place of the text.
    const QString description = tr("Setting substance property '%1' of material '%2' (graph '%3')")
                                    .arg(property, QString::fromStdString(oxMaterials::getName(material)), graph);
    const oxUndoString text(description, QStringLiteral("Setting substance property"), QStringLiteral("Substance"));
    return new oxSubstancePropertyUndoCommand(text, material->getId(), graph, property, value, parent);
}

oxSubstancePropertyUndoCommand::oxSubstancePropertyUndoCommand(const oxUndoString& text, unsigned materialId,
                                                               const QString& graph, const QString& property,
                                                               const QVariant& value, QUndoCommand* parent)
    : oxSubstanceUndoCommand(text, materialId, parent), _property(property), _graph(graph), _newValue(value)
{
}

oxSubstancePropertyUndoCommand::~oxSubstancePropertyUndoCommand() = default;

void oxSubstancePropertyUndoCommand::fetchUndoValue()
{
    gatherNow([this] { return readUndoValue(); });
}

oxSubstancePropertyUndoCommand::Gathering oxSubstancePropertyUndoCommand::readUndoValue()
{
    // A property that cannot be read leaves the undo value as it was.
    QVariant current = _undoValue.value();
    oxSubstanceAttributeSync().getOsgAttribute(getMaterial(), _graph, _property, current);
    _undoValue = current;
    return Gathering::Ready;
}

void oxSubstancePropertyUndoCommand::redo()
{
    gatherAtFirstRedo([this] { return readUndoValue(); });
    setValue(_newValue.value());
}

void oxSubstancePropertyUndoCommand::undo()
{
    setValue(_undoValue.value());
}

void oxSubstancePropertyUndoCommand::setValue(const QVariant& value)
{
    oxSubstanceCommandSupport::applyPropertyValue(getMaterial(), _graph, _property, value, true);
}

bool oxSubstancePropertyUndoCommand::canMergeWith(const QUndoCommand* other) const
{
    if (!oxUndoCommand::canMergeWith(other))
        return false;
    const auto* command = dynamic_cast<const oxSubstancePropertyUndoCommand*>(other);
    return command && command->materialId() == materialId() && command->_property == _property &&
           command->_graph == _graph;
}

bool oxSubstancePropertyUndoCommand::mergeWith(const QUndoCommand* other)
{
    if (!canMergeWith(other))
        return false;
    const auto* newer = dynamic_cast<const oxSubstancePropertyUndoCommand*>(other);
    if (!newer)
        return false;
    _newValue = newer->_newValue;
    takeMergeStateFrom(*newer);
    return true;
}
