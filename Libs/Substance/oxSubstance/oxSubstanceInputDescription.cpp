#include "oxSubstanceInputDescription.h"

#include "oxSubstanceValueTypes.h"

#include <QMetaType>

#include <cfloat>
#include <climits>
#include <cmath>

namespace {

using Description = QMap<QString, QVariant>;
using Numbers = oxSubstanceInputDescription::Numbers;

constexpr std::array<oxSubstanceInputDescription::Type, 10> kTypes = oxValueTypes::mapRows([](auto row) {
    using R = decltype(row);
    using T = typename R::Number;
    const Numbers numbers = std::is_same_v<T, float> ? Numbers::Float
                            : std::is_same_v<T, int> ? Numbers::Int
                                                     : Numbers::None;
    return oxSubstanceInputDescription::Type{R::typeString, numbers, R::components};
});

const char* const kAxes[4] = {"X", "Y", "Z", "W"};

QString axisKey(const char* prefix, int axis)
{
    return QLatin1String(prefix) + QLatin1String(kAxes[axis]);
}

// The key of one component of a range or default: "Min" for a scalar, "MinX" ... for a vector.
QString componentKey(const char* prefix, int components, int axis)
{
    return components == 1 ? QLatin1String(prefix) : axisKey(prefix, axis);
}

std::string readText(const Description& description, const QString& key)
{
    return description.value(key).toString().toStdString();
}

std::optional<std::string> readOptionalText(const Description& description, const QString& key)
{
    const auto it = description.constFind(key);
    if (it == description.constEnd())
        return std::nullopt;
    return it.value().toString().toStdString();
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

template <class T, class Read>
void readNumbers(const Description& description, int components, Read read, T& step, std::array<T, 4>& minValue,
                 std::array<T, 4>& maxValue, std::array<T, 4>& defaultValue)
{
    step = read(description, QStringLiteral("Step"));
    for (int i = 0; i < components; ++i)
        minValue[i] = read(description, componentKey("Min", components, i));
    for (int i = 0; i < components; ++i)
        maxValue[i] = read(description, componentKey("Max", components, i));
    for (int i = 0; i < components; ++i)
        defaultValue[i] = read(description, componentKey("DefaultValue", components, i));
}

} // namespace

const std::array<oxSubstanceInputDescription::Type, 10>& oxSubstanceInputDescription::types()
{
    return kTypes;
}

oxSubstanceInputDescription::oxSubstanceInputDescription(const QMap<QString, QVariant>& d)
    : typeString(d.value(QStringLiteral("TYP")).toString()),
      id(d.value(QStringLiteral("ID")).toString()),
      label(d.value(QStringLiteral("LABEL")).toString()),
      group(d.value(QStringLiteral("GROUP")).toString()),
      value(d.value(QStringLiteral("VALUE"))),
      idUtf8(id.toStdString()),
      labelUtf8(label.toStdString()),
      groupUtf8(group.toStdString()),
      typeUtf8(typeString.toStdString()),
      widget(readText(d, QStringLiteral("WIDGET"))),
      visibility(readText(d, QStringLiteral("VISIBILITY"))),
      defaultText(readText(d, QStringLiteral("DEFAULT_VALUE"))),
      description(readText(d, QStringLiteral("DESCRIPTION")))
{
    for (const Type& row : kTypes)
        if (typeString == QLatin1String(row.typeString))
            type = &row;
    if (!type)
        return;

    if (type->numbers == Numbers::Float)
        readNumbers(d, type->components, readFloat, floatStep, floatMin, floatMax, floatDefault);
    else if (type->numbers == Numbers::Int)
        readNumbers(d, type->components, readInt, intStep, intMin, intMax, intDefault);

    if (type->components >= 2)
        for (int axis = 0; axis < type->components; ++axis)
            componentLabels[axis] = readOptionalText(d, axisKey("Label", axis));
    if (type->numbers == Numbers::Int && type->components == 1)
        map = readOptionalText(d, QStringLiteral("Map"));
}

std::vector<oxSubstanceInputDescription>
oxSubstanceInputDescription::readAll(const QList<QMap<QString, QVariant>>& descriptions)
{
    std::vector<oxSubstanceInputDescription> result;
    result.reserve(std::size_t(descriptions.size()));
    for (const QMap<QString, QVariant>& description : descriptions)
        result.emplace_back(description);
    return result;
}
