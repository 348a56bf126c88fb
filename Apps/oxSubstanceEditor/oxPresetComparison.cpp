#include "oxPresetComparison.h"

#include "oxValueForms.h"

#include "oxSubstancePresetUtils.h"

#include "host/QSubstanceArchive.h"

#include <QCoreApplication>
#include <QHash>
#include <QJsonObject>
#include <QStringList>
#include <QVector3D>
#include <QVector4D>

#include <memory>

using oxValueForms::valueText;
using oxValueForms::valueToJson;
using oxValueForms::describeAttribute;
using oxValueForms::mapEntries;

namespace {

/// Whether the preset's value accounts for the current one, as the library's
/// matching tells (docs/design.md, "Preset matching").
bool sameValue(const QVariant& preset, const QVariant& current)
{
    if (preset == current)
        return true;
    return preset.userType() == QMetaType::QVector4D && current.userType() == QMetaType::QVector3D &&
           QVariant(preset.value<QVector4D>().toVector3D()) == current;
}

/// A value of \p attribute as text, with its caption where the attribute's map
/// names it: "1 (Parquet)".
QString shownValue(const AttributeValuePtr& attribute, const QJsonValue& value)
{
    const AttributeIntValuePtr integer = AttributeIntValuePtr::dcast(attribute);
    if (!integer.isNull() && value.isDouble())
        for (const auto& [number, caption] : mapEntries(QString::fromStdString(integer->getMap())))
            if (number == value.toInt())
                return QString("%1 (%2)").arg(valueText(value), caption);
    return valueText(value);
}

/// The active graph's attributes by identifier.
QHash<QString, AttributeValuePtr> attributesById(const USubstanceGraphPtr& graph)
{
    QHash<QString, AttributeValuePtr> attributes;
    for (const AttributeGroupPtr& group : graph->getAttributeGroups())
        if (!group.isNull())
            for (const AttributeValuePtr& value : group->getProperties())
                if (!value.isNull())
                    attributes.insert(QString::fromStdString(value->getUuid()), value);
    return attributes;
}

} // namespace

std::vector<oxPresetDifference> oxComparePreset(const USubstanceMaterialPtr& material, unsigned index)
{
    std::vector<oxPresetDifference> differences;
    if (material.isNull() || index >= material->getSubstancePresets().size() || material->getActiveGraph().isNull())
        return differences;
    const oxSubstancePresetUtils::ValueMap presetValues =
        oxSubstancePresetUtils::getValues(material->getSubstancePresets()[index]);
    bool created = false;
    const auto current =
        oxSubstanceArchiveFactory::instance().getMaterialArchive(material->getId(), created)->getActiveGraphValues();
    const QHash<QString, AttributeValuePtr> attributes = attributesById(material->getActiveGraph());
    for (const auto& [identifier, state] : current)
    {
        const auto preset = presetValues.find(identifier);
        if (preset == presetValues.end() ? state.isDefault : sameValue(preset->second, state.value))
            continue;
        const AttributeValuePtr attribute = attributes.value(identifier);
        oxPresetDifference difference{identifier, identifier, valueText(QJsonValue()), QString()};
        if (!attribute.isNull())
        {
            difference.label = QString::fromStdString(attribute->getName());
            difference.current = shownValue(attribute, valueToJson(attribute, state.value));
        }
        if (preset != presetValues.end())
            difference.preset = attribute.isNull() ? preset->second.toString()
                                                   : shownValue(attribute, valueToJson(attribute, preset->second));
        else
        {
            const QString byDefault =
                attribute.isNull() ? QString("?")
                                   : shownValue(attribute, describeAttribute(material, attribute)["defaultValue"]);
            difference.preset = QCoreApplication::translate("oxPresetComparison", "%1 (default)").arg(byDefault);
        }
        differences.push_back(difference);
    }
    return differences;
}

QString oxComparisonText(const QString& presetName, const std::vector<oxPresetDifference>& differences)
{
    if (differences.empty())
        return QCoreApplication::translate("oxPresetComparison", "Applying '%1' changes nothing: it equals the current state.")
            .arg(presetName);
    QStringList lines{QCoreApplication::translate("oxPresetComparison", "Applying '%1' changes:").arg(presetName)};
    for (const oxPresetDifference& d : differences)
        lines << QString("%1: %2 \u2192 %3").arg(d.label, d.current, d.preset);
    return lines.join('\n');
}
