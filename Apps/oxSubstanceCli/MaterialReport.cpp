#include "MaterialReport.h"

#include "oxHostSetup.h"

#include "oxSubstanceAttributeSync.h"
#include "oxSubstancePresetUtils.h"

#include "host/OSGImage.h"
#include "host/QOXIntVector.h"
#include "host/oxdImage.h"

#include <QJsonArray>
#include <QLocale>
#include <QStringList>
#include <QVector2D>
#include <QVector3D>
#include <QVector4D>

#include <charconv>

namespace {

/// A float as the double nearest to the shortest decimal that reads back as
/// the same float: JSON and the text form then print that decimal.
QJsonValue number(float value)
{
    char text[32];
    const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
    return QByteArray(text, static_cast<int>(end.ptr - text)).toDouble();
}

/// Pixels of a log2 size; null for a log2 that is no size.
QJsonValue pixels(int log2)
{
    return log2 >= 0 && log2 <= 30 ? QJsonValue(1 << log2) : QJsonValue();
}

/// An output size read as pixels: {"width", "height"}, and "synced" when \p synced is given.
QJsonObject outputSize(const QJsonArray& log2, const QJsonValue& synced = QJsonValue::Undefined)
{
    QJsonObject size{{"width", pixels(log2.at(0).toInt())}, {"height", pixels(log2.at(1).toInt())}};
    if (!synced.isUndefined())
        size["synced"] = synced.toInt() != 0;
    return size;
}

template <class Vector>
QJsonArray floats(const Vector& v, int n)
{
    QJsonArray a;
    for (int i = 0; i < n; ++i)
        a.append(number(v[i]));
    return a;
}

QJsonValue variantToJson(const QVariant& value)
{
    const int type = value.userType();
    if (!value.isValid())
        return QJsonValue();
    if (type == QMetaType::Float || type == QMetaType::Double)
        return number(value.toFloat());
    if (type == QMetaType::Int)
        return value.toInt();
    if (type == QMetaType::QString)
        return value.toString();
    if (type == QMetaType::QVector2D)
        return floats(value.value<QVector2D>(), 2);
    if (type == QMetaType::QVector3D)
        return floats(value.value<QVector3D>(), 3);
    if (type == QMetaType::QVector4D)
        return floats(value.value<QVector4D>(), 4);
    if (type == qMetaTypeId<QOXIntVector2D>())
    {
        const QOXIntVector2D v = value.value<QOXIntVector2D>();
        return QJsonArray{v.getX(), v.getY()};
    }
    if (type == qMetaTypeId<QOXIntVector3D>())
    {
        const QOXIntVector3D v = value.value<QOXIntVector3D>();
        return QJsonArray{v.getX(), v.getY(), v.getZ()};
    }
    if (type == qMetaTypeId<QOXIntVector4D>())
    {
        const QOXIntVector4D v = value.value<QOXIntVector4D>();
        return QJsonArray{v.getX(), v.getY(), v.getZ(), v.getW()};
    }
    if (type == qMetaTypeId<oxdImage>())
    {
        const unsigned id = value.value<oxdImage>().getObjectId();
        return id ? QJsonValue(QJsonObject{{"image", static_cast<int>(id)}}) : QJsonValue();
    }
    return value.toString();
}

QJsonArray labels(const std::string* captions, int n)
{
    QJsonArray a;
    for (int i = 0; i < n; ++i)
        a.append(QString::fromStdString(captions[i]));
    return a;
}

/// Range, default, step and captions of the value's class.
void describeRange(const AttributeValuePtr& value, QJsonObject& out)
{
    if (auto v = AttributeFloatValuePtr::dcast(value); !v.isNull())
    {
        out["min"] = number(v->getMinValue());
        out["max"] = number(v->getMaxValue());
        out["defaultValue"] = number(v->getDefaultValue());
        out["step"] = number(v->getSliderStep());
    }
    else if (auto v = AttributeFloat2DValuePtr::dcast(value); !v.isNull())
    {
        out["min"] = floats(v->getMinValue(), 2);
        out["max"] = floats(v->getMaxValue(), 2);
        out["defaultValue"] = floats(v->getDefaultValue(), 2);
        out["step"] = number(v->getSliderStep());
        const std::string l[] = {v->getLabelX(), v->getLabelY()};
        out["labels"] = labels(l, 2);
    }
    else if (auto v = AttributeFloat3DValuePtr::dcast(value); !v.isNull())
    {
        out["min"] = floats(v->getMinValue(), 3);
        out["max"] = floats(v->getMaxValue(), 3);
        out["defaultValue"] = floats(v->getDefaultValue(), 3);
        out["step"] = number(v->getSliderStep());
        const std::string l[] = {v->getLabelX(), v->getLabelY(), v->getLabelZ()};
        out["labels"] = labels(l, 3);
    }
    else if (auto v = AttributeFloat4DValuePtr::dcast(value); !v.isNull())
    {
        out["min"] = floats(v->getMinValue(), 4);
        out["max"] = floats(v->getMaxValue(), 4);
        out["defaultValue"] = floats(v->getDefaultValue(), 4);
        out["step"] = number(v->getSliderStep());
        const std::string l[] = {v->getLabelX(), v->getLabelY(), v->getLabelZ(), v->getLabelW()};
        out["labels"] = labels(l, 4);
        out["color"] = v->isColorAttribute();
    }
    else if (auto v = AttributeIntValuePtr::dcast(value); !v.isNull())
    {
        out["min"] = v->getMinValue();
        out["max"] = v->getMaxValue();
        out["defaultValue"] = v->getDefaultValue();
        out["step"] = v->getSliderStep();
        if (!v->getMap().empty())
            out["map"] = QString::fromStdString(v->getMap());
    }
    else if (auto v = AttributeInt2DValuePtr::dcast(value); !v.isNull())
    {
        out["min"] = QJsonArray{v->getMinValueX(), v->getMinValueY()};
        out["max"] = QJsonArray{v->getMaxValueX(), v->getMaxValueY()};
        out["defaultValue"] = QJsonArray{v->getDefaultValueX(), v->getDefaultValueY()};
        out["step"] = v->getSliderStep();
        const std::string l[] = {v->getLabelX(), v->getLabelY()};
        out["labels"] = labels(l, 2);
    }
    else if (auto v = AttributeInt3DValuePtr::dcast(value); !v.isNull())
    {
        out["min"] = QJsonArray{v->getMinValueX(), v->getMinValueY(), v->getMinValueZ()};
        out["max"] = QJsonArray{v->getMaxValueX(), v->getMaxValueY(), v->getMaxValueZ()};
        out["defaultValue"] = QJsonArray{v->getDefaultValueX(), v->getDefaultValueY(), v->getDefaultValueZ()};
        out["step"] = v->getSliderStep();
        const std::string l[] = {v->getLabelX(), v->getLabelY(), v->getLabelZ()};
        out["labels"] = labels(l, 3);
    }
    else if (auto v = AttributeInt4DValuePtr::dcast(value); !v.isNull())
    {
        out["min"] = QJsonArray{v->getMinValueX(), v->getMinValueY(), v->getMinValueZ(), v->getMinValueW()};
        out["max"] = QJsonArray{v->getMaxValueX(), v->getMaxValueY(), v->getMaxValueZ(), v->getMaxValueW()};
        out["defaultValue"] =
            QJsonArray{v->getDefaultValueX(), v->getDefaultValueY(), v->getDefaultValueZ(), v->getDefaultValueW()};
        out["step"] = v->getSliderStep();
        const std::string l[] = {v->getLabelX(), v->getLabelY(), v->getLabelZ(), v->getLabelW()};
        out["labels"] = labels(l, 4);
    }
}

} // namespace

QJsonValue valueToJson(const AttributeValuePtr& attribute, const QVariant& value)
{
    const QJsonValue json = variantToJson(value);
    if (QString::fromStdString(attribute->getUuid()) != OutputSizeId)
        return json;
    const QJsonArray log2 = json.toArray();
    return log2.size() == 3 ? QJsonValue(outputSize(log2, log2.at(2))) : QJsonValue();
}

QJsonObject describeAttribute(const USubstanceMaterialPtr& material, const AttributeValuePtr& value)
{
    QJsonObject out;
    out["label"] = QString::fromStdString(value->getName());
    out["id"] = QString::fromStdString(value->getUuid());
    out["type"] = QString::fromStdString(value->getTypeString());
    QVariant current;
    out["value"] = oxSubstanceAttributeSync().getOsgAttribute(material, value, current) ? valueToJson(value, current)
                                                                                          : QJsonValue();
    describeRange(value, out);
    if (out["id"] == OutputSizeId)
        for (const char* key : {"min", "max", "defaultValue"})
            out[key] = outputSize(out[key].toArray());
    if (!value->getWidget().empty())
        out["widget"] = QString::fromStdString(value->getWidget());
    if (!value->getDefault().empty())
        out["defaultText"] = QString::fromStdString(value->getDefault());
    if (!value->getVisibility().empty())
        out["visibility"] = QString::fromStdString(value->getVisibility());
    if (!value->getDescription().empty())
        out["description"] = QString::fromStdString(value->getDescription());
    return out;
}

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
                    attributes.append(describeAttribute(material, value));
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

QString valueText(const QJsonValue& v)
{
    const QJsonObject object = v.toObject();
    if (object.contains("width"))
    {
        QString text = valueText(object["width"]) + " x " + valueText(object["height"]);
        if (object.contains("synced"))
            text += ", " + (object["synced"].toBool() ? SyncedWord : UnsyncedWord);
        return text;
    }
    if (object.contains("image"))
        return QString("image #%1").arg(object["image"].toInt());
    if (v.isArray())
    {
        QStringList parts;
        for (const QJsonValue& e : v.toArray())
            parts << valueText(e);
        return "(" + parts.join(", ") + ")";
    }
    if (v.isString())
        return "\"" + v.toString() + "\"";
    if (v.isBool())
        return v.toBool() ? "true" : "false";
    if (v.isDouble())
        return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    return "none";
}

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
        details << QString("%1 %2").arg(key, valueText(attribute[key]));
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
                                 attribute["type"].toString(), valueText(attribute["value"]));
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
            text += QString(": %1 image, %2").arg(valueText(image), image["dataType"].toString());
        }
        text += "\n";
    }
    return text;
}
