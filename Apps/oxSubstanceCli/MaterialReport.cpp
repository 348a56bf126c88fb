#include "MaterialReport.h"

#include "oxHostSetup.h"
#include "oxValueForms.h"

#include "oxSubstanceAttributeSync.h"
#include "oxSubstancePresetUtils.h"

#include "host/OSGImage.h"

#include <QJsonArray>
#include <QStringList>

namespace {

QJsonArray describeGraphs(const USubstanceMaterialPtr& material)
{
    QJsonArray graphs;
    const auto& list = material->getSubstanceGraphs();
    for (std::size_t g = 0; g < list.size(); ++g)
    {
        const USubstanceGraphPtr& graph = list[g];
        if (graph.isNull())
            continue;
        QJsonArray groups;
        for (const AttributeGroupPtr& group : graph->getAttributeGroups())
        {
            if (group.isNull())
                continue;
            QJsonArray attributes;
            for (const AttributeValuePtr& value : group->getProperties())
                if (!value.isNull())
                    attributes.append(oxValueForms::describeAttribute(material, value));
            groups.append(QJsonObject{{"name", QString::fromStdString(group->getName())},
                                      {"common", group->getCommon()},
                                      {"attributes", attributes}});
        }
        graphs.append(QJsonObject{{"name", QString::fromStdString(graph->getName())},
                                  {"active", static_cast<int>(g) == material->getActiveGraphIndex()},
                                  {"groups", groups}});
    }
    return graphs;
}

QJsonArray describePresets(const USubstanceMaterialPtr& material)
{
    QJsonArray presets;
    const QStringList names = oxSubstancePresetUtils::getPresetNameList(material);
    const auto& presetSlots = material->getSubstancePresets();
    for (int i = 0; i < names.size(); ++i)
    {
        QJsonObject preset{{"index", i}, {"name", names[i]}};
        const SubstancePresetPtr& slot = presetSlots[static_cast<std::size_t>(i)];
        if (!slot.isNull() && !slot->getSourcePath().empty())
            preset["source"] = QString::fromStdString(slot->getSourcePath());
        presets.append(preset);
    }
    return presets;
}

QJsonArray describeComponents(const USubstanceMaterialPtr& material)
{
    QJsonArray components;
    const ColorComponentsPtr data = material->getColorComponentData();
    if (data.isNull())
        return components;
    for (const ComponentSettingsPtr& c : data->getAllComponents())
    {
        if (c.isNull() || !c->getUseTexture())
            continue;
        QJsonObject component{{"name", QString::fromStdString(c->getComponentName())}};
        const ImagePtr image = c->getImage();
        if (!image.isNull())
            component["image"] = QJsonObject{{"width", image->getWidth()},
                                             {"height", image->getHeight()},
                                             {"dataType", oxImageDataTypeName(image->getDataType())}};
        components.append(component);
    }
    if (material->getUseIncandescenceTexture())
        components.append(QJsonObject{{"name", "incandescence map"}});
    return components;
}

} // namespace

namespace {

/// Everything that the report says of an attribute besides its heading line:
/// the usual keys first, in a fixed order, then any other key by name.
QString attributeDetails(const QJsonObject& attribute)
{
    static const QStringList heading{"label", "id", "type", "value"};
    static const QStringList order{"min",    "max",   "step",       "defaultValue", "labels",     "map",
                                   "widget", "color", "defaultText", "visibility",  "description"};
    QStringList keys;
    for (const QString& key : order)
        if (attribute.contains(key))
            keys << key;
    for (const QString& key : attribute.keys())
        if (!heading.contains(key) && !order.contains(key))
            keys << key;
    QStringList details;
    for (const QString& key : keys)
        details << QString("%1 %2").arg(key, oxValueForms::valueText(attribute[key]));
    return details.join(", ");
}

} // namespace

QJsonObject describeMaterial(const USubstanceMaterialPtr& material)
{
    QJsonObject report;
    report["material"] = QString::fromStdString(material->getName());
    report["archive"] = QString::fromStdString(material->getArchivePath());
    report["activeGraph"] = material->getActiveGraphIndex();
    report["syncOutputSize"] = material->getSyncOutputSize();
    report["graphs"] = describeGraphs(material);
    report["presets"] = describePresets(material);
    report["colorComponents"] = describeComponents(material);
    return report;
}

QString reportToText(const QJsonObject& report)
{
    QString text;
    text += QString("Material '%1'\n").arg(report["material"].toString());
    text += QString("Archive: %1\n").arg(report["archive"].toString());
    text += QString("Sync output size: %1\n").arg(report["syncOutputSize"].toBool() ? "yes" : "no");
    for (const QJsonValue& g : report["graphs"].toArray())
    {
        const QJsonObject graph = g.toObject();
        text += QString("\nGraph '%1'%2\n").arg(graph["name"].toString(), graph["active"].toBool() ? " (active)" : "");
        for (const QJsonValue& gr : graph["groups"].toArray())
        {
            const QJsonObject group = gr.toObject();
            text += QString("  Group '%1'%2\n").arg(group["name"].toString(), group["common"].toBool() ? " (shared)" : "");
            for (const QJsonValue& a : group["attributes"].toArray())
            {
                const QJsonObject attribute = a.toObject();
                text += QString("    %1 [%2] %3 = %4\n")
                            .arg(attribute["label"].toString(), attribute["id"].toString(),
                                 attribute["type"].toString(), oxValueForms::valueText(attribute["value"]));
                const QString details = attributeDetails(attribute);
                if (!details.isEmpty())
                    text += "      " + details + "\n";
            }
        }
    }
    text += "\nPresets:\n";
    const QJsonArray presets = report["presets"].toArray();
    if (presets.isEmpty())
        text += "  none\n";
    for (const QJsonValue& p : presets)
    {
        const QJsonObject preset = p.toObject();
        text += QString("  %1: %2").arg(preset["index"].toInt()).arg(preset["name"].toString());
        if (preset.contains("source"))
            text += QString(" (from %1)").arg(preset["source"].toString());
        text += "\n";
    }
    text += "\nColour components:\n";
    const QJsonArray components = report["colorComponents"].toArray();
    if (components.isEmpty())
        text += "  none\n";
    for (const QJsonValue& c : components)
    {
        const QJsonObject component = c.toObject();
        text += "  " + component["name"].toString();
        if (component.contains("image"))
        {
            const QJsonObject image = component["image"].toObject();
            text += QString(": %1 image, %2").arg(oxValueForms::valueText(image), image["dataType"].toString());
        }
        text += "\n";
    }
    return text;
}
