#include "oxSubstanceAttributeCreator.h"

#include <QMetaType>

#include <cfloat>
#include <climits>
#include <cmath>
#include <string>

namespace {

using Description = QMap<QString, QVariant>;

const char* const kAxes[4] = {"X", "Y", "Z", "W"};

std::string readText(const Description& description, const QString& key)
{
    return description.value(key).toString().toStdString();
}

// Single precision cannot hold every double: finite values beyond its range
// are clamped rather than converted (which would be undefined).
float readFloat(const Description& description, const QString& key)
{
    const double d = description.value(key).toDouble();
    if (std::isfinite(d))
    {
        if (d > double(FLT_MAX))
            return FLT_MAX;
        if (d < -double(FLT_MAX))
            return -FLT_MAX;
    }
    return static_cast<float>(d);
}

// A number that does not fit a 32-bit integer reads as 0, the same as text
// that is not a number; Qt's own conversion would wrap it (text and 64-bit
// integers) or overflow (floating values).
int readInt(const Description& description, const QString& key)
{
    const QVariant v = description.value(key);
    switch (v.userType())
    {
    case QMetaType::Double:
    case QMetaType::Float:
    {
        const double d = v.toDouble();
        if (!(d > double(INT_MIN) - 0.5 && d < double(INT_MAX) + 0.5))
            return 0;
        return v.toInt();
    }
    case QMetaType::ULongLong:
    {
        const qulonglong u = v.toULongLong();
        return u > qulonglong(INT_MAX) ? 0 : int(u);
    }
    default:
    {
        // Text and the other integer types go through 64 bits in Qt.
        bool ok = false;
        const qlonglong l = v.toLongLong(&ok);
        return (!ok || l < INT_MIN || l > INT_MAX) ? 0 : int(l);
    }
    }
}

QString axisKey(const char* prefix, int axis)
{
    return QLatin1String(prefix) + QLatin1String(kAxes[axis]);
}

// Captions of the first N components, each only when its key is present.
template <int N, class ValuePtr>
void applyLabels(const ValuePtr& value, const Description& description)
{
    const auto apply = [&](int axis, auto setter) {
        const QString key = axisKey("Label", axis);
        if (description.contains(key))
            setter(readText(description, key));
    };
    apply(0, [&](const std::string& text) { value->setLabelX(text); });
    apply(1, [&](const std::string& text) { value->setLabelY(text); });
    if constexpr (N > 2)
        apply(2, [&](const std::string& text) { value->setLabelZ(text); });
    if constexpr (N > 3)
        apply(3, [&](const std::string& text) { value->setLabelW(text); });
}

// The float vector classes take whole vectors for bounds and default.
template <class ValuePtr, int N>
AttributeValuePtr createFloatVector(const Description& description)
{
    using Class = typename ValuePtr::StoredObjectType;
    const ValuePtr value = Class::create();
    if (value.isNull())
        return AttributeValuePtr();

    const float step = readFloat(description, QStringLiteral("Step"));
    osg::Vector<float, N> minValue, maxValue, defaultValue;
    for (int i = 0; i < N; ++i)
        minValue[i] = readFloat(description, axisKey("Min", i));
    for (int i = 0; i < N; ++i)
        maxValue[i] = readFloat(description, axisKey("Max", i));
    for (int i = 0; i < N; ++i)
        defaultValue[i] = readFloat(description, axisKey("DefaultValue", i));

    osgEdit edit(value, osg::FieldBits::AllFields);
    value->setMinValue(minValue);
    value->setMaxValue(maxValue);
    value->setDefaultValue(defaultValue);
    value->setSliderStep(step);
    applyLabels<N>(value, description);
    return value;
}

// The integer vector classes take one integer per component and field.
template <class ValuePtr, int N>
AttributeValuePtr createIntVector(const Description& description)
{
    using Class = typename ValuePtr::StoredObjectType;
    const ValuePtr value = Class::create();
    if (value.isNull())
        return AttributeValuePtr();

    const int step = readInt(description, QStringLiteral("Step"));
    int minValue[N], maxValue[N], defaultValue[N];
    for (int i = 0; i < N; ++i)
        minValue[i] = readInt(description, axisKey("Min", i));
    for (int i = 0; i < N; ++i)
        maxValue[i] = readInt(description, axisKey("Max", i));
    for (int i = 0; i < N; ++i)
        defaultValue[i] = readInt(description, axisKey("DefaultValue", i));

    osgEdit edit(value, osg::FieldBits::AllFields);
    value->setMinValueX(minValue[0]);
    value->setMinValueY(minValue[1]);
    if constexpr (N > 2)
        value->setMinValueZ(minValue[2]);
    if constexpr (N > 3)
        value->setMinValueW(minValue[3]);
    value->setMaxValueX(maxValue[0]);
    value->setMaxValueY(maxValue[1]);
    if constexpr (N > 2)
        value->setMaxValueZ(maxValue[2]);
    if constexpr (N > 3)
        value->setMaxValueW(maxValue[3]);
    value->setDefaultValueX(defaultValue[0]);
    value->setDefaultValueY(defaultValue[1]);
    if constexpr (N > 2)
        value->setDefaultValueZ(defaultValue[2]);
    if constexpr (N > 3)
        value->setDefaultValueW(defaultValue[3]);
    value->setSliderStep(step);
    applyLabels<N>(value, description);
    return value;
}

} // namespace

oxSubstanceAttributeCreator::oxSubstanceAttributeCreator()
{
    _creators.insert(QStringLiteral("float"), &oxSubstanceAttributeCreator::createFloatValue);
    _creators.insert(QStringLiteral("float[2]"), &oxSubstanceAttributeCreator::createFloat2DValue);
    _creators.insert(QStringLiteral("float[3]"), &oxSubstanceAttributeCreator::createFloat3DValue);
    _creators.insert(QStringLiteral("float[4]"), &oxSubstanceAttributeCreator::createFloat4DValue);
    _creators.insert(QStringLiteral("int"), &oxSubstanceAttributeCreator::createIntValue);
    _creators.insert(QStringLiteral("int[2]"), &oxSubstanceAttributeCreator::createInt2DValue);
    _creators.insert(QStringLiteral("int[3]"), &oxSubstanceAttributeCreator::createInt3DValue);
    _creators.insert(QStringLiteral("int[4]"), &oxSubstanceAttributeCreator::createInt4DValue);
    _creators.insert(QStringLiteral("string"), &oxSubstanceAttributeCreator::createStringValue);
    _creators.insert(QStringLiteral("image"), &oxSubstanceAttributeCreator::createImageValue);
}

AttributeValuePtr oxSubstanceAttributeCreator::create(const QMap<QString, QVariant>& description) const
{
    const auto it = _creators.constFind(description.value(QStringLiteral("TYP")).toString());
    if (it == _creators.constEnd())
        return AttributeValuePtr();

    const AttributeValuePtr value = (this->*it.value())(description);
    if (value.isNull())
        return value;
    enrich(value, description);
    return value;
}

AttributeValuePtr oxSubstanceAttributeCreator::createFloatValue(const QMap<QString, QVariant>& description) const
{
    const AttributeFloatValuePtr value = AttributeFloatValue::create();
    if (value.isNull())
        return AttributeValuePtr();

    const float step = readFloat(description, QStringLiteral("Step"));
    const float minValue = readFloat(description, QStringLiteral("Min"));
    const float maxValue = readFloat(description, QStringLiteral("Max"));
    const float defaultValue = readFloat(description, QStringLiteral("DefaultValue"));

    osgEdit edit(value, osg::FieldBits::AllFields);
    value->setMinValue(minValue);
    value->setMaxValue(maxValue);
    value->setDefaultValue(defaultValue);
    value->setSliderStep(step);
    return value;
}

AttributeValuePtr oxSubstanceAttributeCreator::createFloat2DValue(const QMap<QString, QVariant>& description) const
{
    return createFloatVector<AttributeFloat2DValuePtr, 2>(description);
}

AttributeValuePtr oxSubstanceAttributeCreator::createFloat3DValue(const QMap<QString, QVariant>& description) const
{
    return createFloatVector<AttributeFloat3DValuePtr, 3>(description);
}

AttributeValuePtr oxSubstanceAttributeCreator::createFloat4DValue(const QMap<QString, QVariant>& description) const
{
    return createFloatVector<AttributeFloat4DValuePtr, 4>(description);
}

AttributeValuePtr oxSubstanceAttributeCreator::createIntValue(const QMap<QString, QVariant>& description) const
{
    const AttributeIntValuePtr value = AttributeIntValue::create();
    if (value.isNull())
        return AttributeValuePtr();

    const int step = readInt(description, QStringLiteral("Step"));
    const int minValue = readInt(description, QStringLiteral("Min"));
    const int maxValue = readInt(description, QStringLiteral("Max"));
    const int defaultValue = readInt(description, QStringLiteral("DefaultValue"));
    const QString mapKey = QStringLiteral("Map");

    osgEdit edit(value, osg::FieldBits::AllFields);
    value->setMinValue(minValue);
    value->setMaxValue(maxValue);
    value->setDefaultValue(defaultValue);
    value->setSliderStep(step);
    if (description.contains(mapKey))
        value->setMap(readText(description, mapKey));
    return value;
}

AttributeValuePtr oxSubstanceAttributeCreator::createInt2DValue(const QMap<QString, QVariant>& description) const
{
    return createIntVector<AttributeInt2DValuePtr, 2>(description);
}

AttributeValuePtr oxSubstanceAttributeCreator::createInt3DValue(const QMap<QString, QVariant>& description) const
{
    return createIntVector<AttributeInt3DValuePtr, 3>(description);
}

AttributeValuePtr oxSubstanceAttributeCreator::createInt4DValue(const QMap<QString, QVariant>& description) const
{
    return createIntVector<AttributeInt4DValuePtr, 4>(description);
}

AttributeValuePtr oxSubstanceAttributeCreator::createStringValue(const QMap<QString, QVariant>&) const
{
    return AttributeStringValue::create();
}

AttributeValuePtr oxSubstanceAttributeCreator::createImageValue(const QMap<QString, QVariant>&) const
{
    return AttributeImageValue::create();
}

void oxSubstanceAttributeCreator::enrich(AttributeValuePtr value, const QMap<QString, QVariant>& description) const
{
    const std::string id = readText(description, QStringLiteral("ID"));
    const std::string label = readText(description, QStringLiteral("LABEL"));
    const std::string type = readText(description, QStringLiteral("TYP"));
    const std::string widget = readText(description, QStringLiteral("WIDGET"));
    const std::string visibility = readText(description, QStringLiteral("VISIBILITY"));
    const std::string defaultText = readText(description, QStringLiteral("DEFAULT_VALUE"));
    const std::string text = readText(description, QStringLiteral("DESCRIPTION"));

    osgEdit edit(value, AttributeBase::UuidFieldMask | AttributeBase::NameFieldMask |
                            AttributeValueBase::TypeStringFieldMask | AttributeValueBase::WidgetFieldMask |
                            AttributeValueBase::DefaultFieldMask | AttributeValueBase::VisibilityFieldMask |
                            AttributeValueBase::DescriptionFieldMask);
    value->setName(label);
    value->setUuid(id);
    value->setTypeString(type);
    value->setWidget(widget);
    value->setDefault(defaultText);
    value->setVisibility(visibility);
    value->setDescription(text);
}
