#pragma once
/// \file oxSubstanceCommandSupport.h
/// What every undo command of the library shares: finding its material again
/// by container id, the host's Substance service and its notifications,
/// rendering, and the one write of a property value; plus the command base
/// template that gives each command class its command id and gathers what the
/// command needs at its first redo(). What a command keeps (presets, images,
/// values) it keeps in the holders of oxSubstanceHandles.h.
///
/// A command class is written as
/// \code
/// class OX_SUBSTANCE_API oxMyUndoCommand : public oxSubstanceUndoCommand<oxMyUndoCommand>
/// {
///     Q_DECLARE_TR_FUNCTIONS(oxMyUndoCommand)
/// public:
///     oxMyUndoCommand(const USubstanceMaterialPtr& material, QUndoCommand* parent)
///         : oxSubstanceUndoCommand("My substance edit", material, parent)
///     {}
///     void redo() override; // gatherAtFirstRedo(...), getMaterial(), notifyPresetsChanged(), ...
///     void undo() override;
/// };
/// \endcode
/// and so has `commandId()`, `id()`, `canMergeWith()` (false), `materialId()`,
/// `getMaterial()` and `gatherAtFirstRedo()` from the template, and
/// `tr`/`trUtf8` in its own name.

#include "oxSubstanceExport.h"
#include "oxSubstanceHandles.h"

#include "host/Materials.h"
#include "host/oxUndoCommand.h"

#include <QString>
#include <QVariant>

#include <typeinfo>

class oxSubstanceService;

/// Static helpers of the undo commands. Every function accepts a null
/// material (or an id that names none) and then does nothing.
class OX_SUBSTANCE_API oxSubstanceCommandSupport
{
public:
    oxSubstanceCommandSupport() = delete;

    /// The container id by which a command remembers a material; 0 for a null handle.
    static osg::UInt32 materialIdOf(const USubstanceMaterialPtr& material) { return oxSubstanceContainerId(material); }
    /// The Substance material (or a material derived from it) with this container
    /// id; null when it is gone or the id names another kind of container.
    static USubstanceMaterialPtr findMaterial(osg::UInt32 materialId)
    {
        return oxSubstanceFindContainer<USubstanceMaterialPtr>(materialId);
    }

    /// The host's Substance service. Null, with "oxKernelServiceFactory:
    /// couldn't find class 'oxSubstanceService'!" or "oxKernelServiceFactory:
    /// service 'oxSubstanceService' is NULL!" on the standard error stream, when
    /// the kernel-service factory has no entry for it, or a null one (or one of another class).
    static oxSubstanceService* getService();
    /// Emits presetsChanged(materialId) on the service, if there is one.
    static void notifyPresetsChanged(osg::UInt32 materialId);
    /// Emits presetApplied(materialId) on the service, if there is one.
    static void notifyPresetApplied(osg::UInt32 materialId);
    /// Emits substancePropertyChanged(materialId, property, value) on the service, if there is one.
    static void notifyPropertyChanged(osg::UInt32 materialId, const QString& property, const QVariant& value);

    /// Writes one value: finds the property (identifier or label) of the graph,
    /// writes the value into it, passes it to the material's archive, renders
    /// when \p render is true and the archive asks for it, and emits
    /// substancePropertyChanged, also when the archive does not ask for a render.
    /// Nothing, and no signal, for an invalid value, a property that is not
    /// found or a value that the attribute refuses.
    static void applyPropertyValue(const USubstanceMaterialPtr& material, QString graph, QString property,
                                   const QVariant& value, bool render);
    /// applyPropertyValue for each value in identifier order, without rendering.
    /// The graph's properties are indexed once for the batch (what
    /// searchProperty would find), since no identifier, label or group changes
    /// while its values are written.
    static void applyPropertyValues(const USubstanceMaterialPtr& material, const QString& graph,
                                    const oxSubstanceStoredValueMap& values);
    /// Renders a material's textures once after a batch of writes made without
    /// rendering; nothing when its archive holds nothing.
    static void renderMaterialTextures(osg::UInt32 materialId);
};

/// Base of every undo command of the library: the host's oxUndoCommand plus the
/// material's container id, the class's own command id and what the command
/// has gathered at its first redo(). Adds no virtual function of its own.
template <class Command>
class oxSubstanceUndoCommand : public oxUndoCommand
{
public:
    /// The command id of the class: its own, equal only among commands of the class.
    static int commandId()
    {
        static const int cmdId = oxUndoCommand::makeId(typeid(Command));
        return cmdId;
    }
    int id() const override { return commandId(); }
    /// Commands do not merge unless their class says otherwise.
    bool canMergeWith(const QUndoCommand* other) const override
    {
        Q_UNUSED(other);
        return false;
    }
    /// The container id of the command's material (0 when it was given a null handle).
    osg::UInt32 materialId() const { return _materialId; }

protected:
    oxSubstanceUndoCommand(const oxUndoString& text, osg::UInt32 materialId, QUndoCommand* parent)
        : oxUndoCommand(text, parent), _materialId(materialId)
    {
    }
    /// A command of the material commands, titled \p title (not translated here).
    oxSubstanceUndoCommand(const char* title, const USubstanceMaterialPtr& material, QUndoCommand* parent)
        : oxSubstanceUndoCommand(oxUndoString(title, QStringLiteral("Material Commands")),
                                 oxSubstanceCommandSupport::materialIdOf(material), parent)
    {
    }

    /// The command's material, found again by its id; null when it is gone.
    USubstanceMaterialPtr getMaterial() const { return oxSubstanceCommandSupport::findMaterial(_materialId); }
    void notifyPresetsChanged() const { oxSubstanceCommandSupport::notifyPresetsChanged(_materialId); }
    void notifyPresetApplied() const { oxSubstanceCommandSupport::notifyPresetApplied(_materialId); }
    void renderMaterialTextures() const { oxSubstanceCommandSupport::renderMaterialTextures(_materialId); }

    /// Merging copies the base's merge state from the newer command.
    void takeMergeStateFrom(const oxSubstanceUndoCommand& newer) { m_mergeTimeStamp = newer.m_mergeTimeStamp; }

    /// Where a command stands with what its redo() and undo() need and that it
    /// gathers from the material at its first redo() (values before and after,
    /// an inverse order, contents).
    enum class Gathering
    {
        Pending, ///< not gathered yet: before the first redo(), or while what is needed is missing
        Ready,   ///< gathered: redo() and undo() act on it
        Inert,   ///< the command found that it cannot act; it never does
    };

    /// Runs \p gather, which answers a Gathering, unless the command has
    /// gathered already: at its first redo(), and at later ones for as long as
    /// \p gather answers Pending. Returns where the command stands.
    template <class Gather>
    Gathering gatherAtFirstRedo(Gather gather)
    {
        return _gathering == Gathering::Pending ? gatherNow(gather) : _gathering;
    }
    /// Runs \p gather now, whether the command has gathered before or not, and keeps its answer.
    template <class Gather>
    Gathering gatherNow(Gather gather)
    {
        return _gathering = gather();
    }
    Gathering gathering() const { return _gathering; }

private:
    osg::UInt32 _materialId;
    Gathering _gathering = Gathering::Pending;
};
