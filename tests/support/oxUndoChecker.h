#pragma once
/// \file oxUndoChecker.h
/// Undo commands through a real QUndoStack, as the host pushes them: after
/// every push, undo and redo the whole state that the commands may touch is
/// compared with what that step of the stack stands for, and the events of the
/// step (signals of the Substance service, archive calls) with what the test
/// expects.
///
/// \code
/// oxStandIn::ScopedSubstanceService service;
/// oxServiceEvents events(service.service());
/// oxUndoChecker checker([&] { return oxMaterialState(material); }, [&] { return events.take(); });
/// checker.push(oxSubstancePropertyUndoCommand::create(material, "Wood", "roughness", 0.7f),
///              {{"Wood/roughness", "float 0.7"}, {"archive/roughness", "float 0.7"}},
///              {"renderTextures", "substancePropertyChanged(3, roughness, float 0.7)"});
/// checker.undo({"renderTextures", "substancePropertyChanged(3, roughness, float 0.35)"});
/// checker.redo({...});
/// \endcode

#include "Materials.h"
#include "oxKernelServices.h"

#include <QSignalSpy>
#include <QUndoStack>
#include <QVariant>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

/// A state as named facts ("Wood/roughness" -> "float 0.35").
using oxStateSnapshot = std::map<std::string, std::string>;
/// What happened during one step, in a fixed order (see oxServiceEvents::take).
using oxEvents = std::vector<std::string>;

/// A value as text: its type name and content ("float 0.35", "QVector3D(0.9, 0.75, 0.55)",
/// "oxdImage(17)", "invalid").
std::string oxDescribe(const QVariant& value);

/// The state of a Substance material: every attribute value of every graph
/// ("<graph>/<identifier>"), the archive's current values of the active graph
/// ("archive/<identifier>", with "*" after the value while it is the default),
/// the preset slots ("preset/<index>": name and content), "lastActivatedPreset",
/// "syncOutputSize" and "activeGraphIndex". A material that is gone gives {"material": "gone"}.
oxStateSnapshot oxMaterialState(const USubstanceMaterialPtr& material);

/// Whether a container is alive and how many references it holds ("gone" or
/// "refs N"), for facts about images that commands keep alive.
std::string oxContainerState(osg::UInt32 containerId);

/// Records the signals of a Substance service and the archive's render and
/// update calls.
class oxServiceEvents
{
public:
    explicit oxServiceEvents(oxSubstanceService* service);
    /// What happened since the last call: one "renderTextures" per render, then
    /// the signals in the order presetsChanged(id), presetApplied(id),
    /// substancePropertyChanged(id, property, value), each group in emission order.
    oxEvents take();

private:
    QSignalSpy _presetsChanged;
    QSignalSpy _presetApplied;
    QSignalSpy _propertyChanged;
};

/// Drives a QUndoStack and checks every step; see the file comment.
class oxUndoChecker
{
public:
    /// \p state gives the whole current state; \p events what happened since it
    /// was last called. The state at construction is the stack's step 0.
    oxUndoChecker(std::function<oxStateSnapshot()> state, std::function<oxEvents()> events);

    QUndoStack& stack() { return _stack; }

    /// Pushes \p command (the stack runs its redo and may merge it). The state
    /// must then be the previous step's with \p changes applied and the events
    /// \p events; the result becomes the state of the stack's current step.
    void push(QUndoCommand* command, const oxStateSnapshot& changes, const oxEvents& events);
    /// Undoes one step: the state must be the one recorded for the step before.
    void undo(const oxEvents& events);
    /// Redoes one step: the state must be the one recorded for the step after.
    void redo(const oxEvents& events);
    /// The state recorded for the stack's current step.
    const oxStateSnapshot& expectedState() const;

private:
    void check(const char* step, const oxStateSnapshot& expected, const oxEvents& events);

    std::function<oxStateSnapshot()> _state;
    std::function<oxEvents()> _events;
    std::vector<oxStateSnapshot> _states; ///< by stack index
    QUndoStack _stack;
};
