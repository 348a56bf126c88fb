#include "oxSubstanceInputLookup.h"

#include "oxSubstanceAttributeSync.h"

#include "host/oxHostUtils.h"

#include <QCoreApplication>

namespace {

// The texts are the material modifier's, which reports them when it brings a
// graph's values in line; the undo commands report the same inputs alike.

/// Logs that an input's value could not be applied to the material, and why
/// (\p reason, translated). The names are put in in one pass and the finished
/// text is handed to the log as data, so per cent signs in them stay as they are.
bool notApplied(const USubstanceMaterialPtr& material, const QString& group, const QString& id, const QString& reason)
{
    //: %1 the material's name, %2 the attribute group, %3 the input's identifier, %4 why
    const QString text = QCoreApplication::translate("oxSubstanceMaterialModifier",
                                                     "Unable to apply parameter to material %1, group: %2, "
                                                     "property %3: %4")
                             .arg(QString::fromStdString(oxMaterials::getName(material)), group, id, reason);
    oxLog::error("%s", text.toUtf8().constData());
    return false;
}

} // namespace

bool oxSubstanceInputLookup::readInput(const USubstanceMaterialPtr& material, const USubstanceGraphPtr& graph,
                                       const QString& group, const QString& id, AttributeValuePtr& attribute,
                                       QVariant& current)
{
    const AttributeGroupPtr attributeGroup = graph->getAttributeGroup(group.toStdString());
    if (attributeGroup.isNull())
        return notApplied(material, group, id,
                          QCoreApplication::translate("oxSubstanceMaterialModifier", "Group not found."));
    attribute = attributeGroup->getAttribute(id.toStdString());
    if (attribute.isNull())
        return notApplied(material, group, id,
                          QCoreApplication::translate("oxSubstanceMaterialModifier", "Property not found."));
    if (!oxSubstanceAttributeSync().getOsgAttribute(material, attribute, current))
        return notApplied(material, group, id,
                          QCoreApplication::translate("oxSubstanceMaterialModifier", "Unable to fetch current value."));
    return true;
}
