#include "oxSubstanceInputLookup.h"

#include "oxSubstanceValueWalk.h"

#include "host/oxHostUtils.h"

#include <QCoreApplication>

namespace {

// The texts are the material modifier's, which reports them when it brings a
// graph's values in line; the undo commands report the same inputs alike.

/// Logs that an input's value could not be applied to the material, and why
/// (\p reason, translated). The names are put in in one pass and the finished
/// text is handed to the log as data, so per cent signs in them stay as they are.
bool notApplied(const USubstanceMaterialPtr& material, const std::string& group, const std::string& id,
                const QString& reason)
{
    //: %1 the material's name, %2 the attribute group, %3 the input's identifier, %4 why
    const QString text = QCoreApplication::translate("oxSubstanceMaterialModifier",
                                                     "Unable to apply parameter to material %1, group: %2, "
                                                     "property %3: %4")
                             .arg(QString::fromStdString(oxMaterials::getName(material)), QString::fromStdString(group),
                                  QString::fromStdString(id), reason);
    oxLog::error("%s", text.toUtf8().constData());
    return false;
}

} // namespace

oxSubstanceInputLookup::oxSubstanceInputLookup(const USubstanceMaterialPtr& material,
                                               const USubstanceGraphPtr& graph)
    : _material(material), _graph(graph)
{
}

const oxSubstanceInputLookup::GroupIndex& oxSubstanceInputLookup::groupIndex(const std::string& name)
{
    const auto found = _groups.find(name);
    if (found != _groups.end())
        return found->second;
    GroupIndex index;
    index.group = _graph->getAttributeGroup(name);
    oxSubstanceValueWalk::forEachValue(index.group, [&index](const AttributeValuePtr& value) {
        index.values.emplace(value->getUuid(), value);
        return true;
    });
    return _groups.emplace(name, std::move(index)).first->second;
}

bool oxSubstanceInputLookup::readInput(const std::string& group, const std::string& id, AttributeValuePtr& attribute,
                                       QVariant& current)
{
    const GroupIndex& index = groupIndex(group);
    if (index.group.isNull())
        return notApplied(_material, group, id,
                          QCoreApplication::translate("oxSubstanceMaterialModifier", "Group not found."));
    const auto found = index.values.find(id);
    if (found == index.values.end())
        return notApplied(_material, group, id,
                          QCoreApplication::translate("oxSubstanceMaterialModifier", "Property not found."));
    attribute = found->second;
    if (!_sync.getOsgAttribute(_material, attribute, current))
        return notApplied(_material, group, id,
                          QCoreApplication::translate("oxSubstanceMaterialModifier", "Unable to fetch current value."));
    return true;
}
