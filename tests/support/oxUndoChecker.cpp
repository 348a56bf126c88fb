#include "oxUndoChecker.h"

#include "QSubstanceArchive.h"
#include "oxStandInTesting.h"
#include "oxSubstanceAttributeSync.h"

#include <QDebug>

#include <gtest/gtest.h>

std::string oxDescribe(const QVariant& value)
{
    if (!value.isValid())
        return "invalid";
    QString text;
    QDebug(&text).nospace() << value;
    // "QVariant(float, 0.35)" -> "float 0.35"
    const QString prefix = QStringLiteral("QVariant(");
    if (text.startsWith(prefix) && text.endsWith(')'))
        text = text.mid(prefix.size(), text.size() - prefix.size() - 1).replace(QStringLiteral(", "), QStringLiteral(" "));
    return text.toStdString();
}

oxStateSnapshot oxMaterialState(const USubstanceMaterialPtr& material)
{
    if (material.isNull() ||
        osg::FieldContainerFactory::the()->getContainer(material->getId()) != material)
        return {{"material", "gone"}};
    oxStateSnapshot state;
    oxSubstanceAttributeSync sync;
    for (const USubstanceGraphPtr& graph : material->getSubstanceGraphs())
    {
        if (graph.isNull())
            continue;
        for (const AttributeGroupPtr& group : graph->getAttributeGroups())
        {
            if (group.isNull())
                continue;
            for (const AttributeValuePtr& value : group->getProperties())
            {
                QVariant v;
                sync.getOsgAttribute(material, value, v);
                state[graph->getName() + "/" + value->getUuid()] = oxDescribe(v);
            }
        }
    }
    bool created = false;
    const auto archive = oxSubstanceArchiveFactory::instance().getMaterialArchive(material->getId(), created);
    for (const auto& entry : archive->getActiveGraphValues())
        state["archive/" + entry.first.toStdString()] =
            oxDescribe(entry.second.value) + (entry.second.isDefault ? " *" : "");
    const osg::MField<SubstancePresetPtr>& presets = material->getSubstancePresets();
    for (std::size_t i = 0; i < presets.size(); ++i)
        state["preset/" + std::to_string(i)] =
            presets[i].isNull() ? "null" : presets[i]->getName() + "\n" + presets[i]->getContent();
    state["lastActivatedPreset"] = std::to_string(material->getLastActivatedPreset());
    state["syncOutputSize"] = material->getSyncOutputSize() ? "on" : "off";
    state["activeGraphIndex"] = std::to_string(material->getActiveGraphIndex());
    return state;
}

std::string oxContainerState(osg::UInt32 containerId)
{
    const osg::FieldContainerPtr container = osg::FieldContainerFactory::the()->getContainer(containerId);
    return container.isNull() ? "gone" : "refs " + std::to_string(container->getRefCount());
}

// ---------------------------------------------------------------- service events

oxServiceEvents::oxServiceEvents(oxSubstanceService* service)
    : _presetsChanged(service, &oxSubstanceService::presetsChanged),
      _presetApplied(service, &oxSubstanceService::presetApplied),
      _propertyChanged(service, &oxSubstanceService::substancePropertyChanged)
{
    oxStandIn::clearArchiveCalls();
}

oxEvents oxServiceEvents::take()
{
    oxEvents events(static_cast<std::size_t>(oxStandIn::archiveCallCount("renderTextures")), "renderTextures");
    oxStandIn::clearArchiveCalls();
    for (const QList<QVariant>& args : _presetsChanged)
        events.push_back("presetsChanged(" + std::to_string(args[0].toUInt()) + ")");
    for (const QList<QVariant>& args : _presetApplied)
        events.push_back("presetApplied(" + std::to_string(args[0].toUInt()) + ")");
    for (const QList<QVariant>& args : _propertyChanged)
        events.push_back("substancePropertyChanged(" + std::to_string(args[0].toUInt()) + ", " +
                         args[1].toString().toStdString() + ", " + oxDescribe(args[2].value<QVariant>()) + ")");
    _presetsChanged.clear();
    _presetApplied.clear();
    _propertyChanged.clear();
    return events;
}

// ---------------------------------------------------------------- undo checker

oxUndoChecker::oxUndoChecker(std::function<oxStateSnapshot()> state, std::function<oxEvents()> events)
    : _state(std::move(state)), _events(std::move(events))
{
    _states.push_back(_state());
    _events();
}

void oxUndoChecker::push(QUndoCommand* command, const oxStateSnapshot& changes, const oxEvents& events)
{
    oxStateSnapshot expected = expectedState();
    for (const auto& change : changes)
        expected[change.first] = change.second;
    _stack.push(command);
    check("push", expected, events);
    _states.resize(static_cast<std::size_t>(_stack.index()) + 1);
    _states.back() = _state();
}

void oxUndoChecker::undo(const oxEvents& events)
{
    ASSERT_TRUE(_stack.canUndo());
    _stack.undo();
    check("undo", expectedState(), events);
}

void oxUndoChecker::redo(const oxEvents& events)
{
    ASSERT_TRUE(_stack.canRedo());
    _stack.redo();
    check("redo", expectedState(), events);
}

const oxStateSnapshot& oxUndoChecker::expectedState() const
{
    return _states.at(static_cast<std::size_t>(_stack.index()));
}

void oxUndoChecker::check(const char* step, const oxStateSnapshot& expected, const oxEvents& events)
{
    SCOPED_TRACE(std::string("after ") + step + " to step " + std::to_string(_stack.index()));
    const oxStateSnapshot actual = _state();
    for (const auto& fact : expected)
    {
        const auto it = actual.find(fact.first);
        if (it == actual.end())
            ADD_FAILURE() << fact.first << ": missing, expected \"" << fact.second << "\"";
        else if (it->second != fact.second)
            ADD_FAILURE() << fact.first << ": \"" << it->second << "\", expected \"" << fact.second << "\"";
    }
    for (const auto& fact : actual)
        if (expected.count(fact.first) == 0)
            ADD_FAILURE() << fact.first << ": \"" << fact.second << "\" is new";
    EXPECT_EQ(_events(), events);
}
