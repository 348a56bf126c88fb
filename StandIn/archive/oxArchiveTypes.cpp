#include "oxArchiveTypes.h"

#include "QOXIntVector.h"

#include <QVector2D>
#include <QVector3D>
#include <QVector4D>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <type_traits>

namespace oxArchive {

const char* const OutputSizeId = "$outputsize";

namespace {

const TypeInfo kTypes[] = {
    {"float", SubstanceAir::InputType_Float, Kind::Float, 1},
    {"float[2]", SubstanceAir::InputType_Float2, Kind::Float, 2},
    {"float[3]", SubstanceAir::InputType_Float3, Kind::Float, 3},
    {"float[4]", SubstanceAir::InputType_Float4, Kind::Float, 4},
    {"int", SubstanceAir::InputType_Integer, Kind::Int, 1},
    {"int[2]", SubstanceAir::InputType_Integer2, Kind::Int, 2},
    {"int[3]", SubstanceAir::InputType_Integer3, Kind::Int, 3},
    {"int[4]", SubstanceAir::InputType_Integer4, Kind::Int, 4},
    {"string", SubstanceAir::InputType_String, Kind::String, 0},
    {"image", SubstanceAir::InputType_Image, Kind::Image, 0},
};

/// Whether Latin-1 byte \p c is white space to QString::trimmed.
bool isBlank(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return u == ' ' || (u >= '\t' && u <= '\r') || u == 0x85 || u == 0xA0;
}

/// Reads one number from [first, last), blanks around it allowed, a leading "+" too.
template <class T>
bool parseNumber(const char* first, const char* last, T& out)
{
    while (first != last && isBlank(*first))
        ++first;
    while (last != first && isBlank(last[-1]))
        --last;
    if (first != last && *first == '+')
        ++first;
    if (first == last)
        return false;
    T value{};
    const std::from_chars_result r = std::from_chars(first, last, value);
    if (r.ec != std::errc() || r.ptr != last)
        return false;
    if constexpr (std::is_floating_point<T>::value)
        if (!std::isfinite(value))
            return false;
    out = value;
    return true;
}

/// Reads exactly \p count numbers separated by ","; an empty text is one empty component.
template <class T>
bool parseList(const QString& text, int count, std::array<T, 4>& out)
{
    if (count < 1 || count > 4)
        return false;
    // Characters beyond Latin-1 become "?", which no number holds.
    const QByteArray bytes = text.toLatin1();
    const char* first = bytes.constData();
    const char* const end = first + bytes.size();
    std::array<T, 4> values{};
    for (int c = 0;; ++c)
    {
        const char* comma = std::find(first, end, ',');
        if (c >= count || !parseNumber(first, comma, values[c]))
            return false;
        if (comma == end)
        {
            if (c + 1 != count)
                return false;
            break;
        }
        first = comma + 1;
    }
    out = values;
    return true;
}

/// The stored T of a QVariant, else Qt's conversion to T, else a default T.
template <class T>
T variantAs(const QVariant& variant)
{
    const int id = qMetaTypeId<T>();
    if (variant.userType() == id)
        return variant.value<T>();
    QVariant copy = variant;
    if (copy.canConvert(id) && copy.convert(id))
        return copy.value<T>();
    return T();
}

} // namespace

const TypeInfo* typeByString(const QString& typeString)
{
    for (const TypeInfo& t : kTypes)
        if (typeString == QLatin1String(t.typeString))
            return &t;
    return nullptr;
}

const TypeInfo* typeByCode(std::uint32_t code)
{
    for (const TypeInfo& t : kTypes)
        if (static_cast<std::uint32_t>(t.code) == code)
            return &t;
    return nullptr;
}

std::string formatFloat(float value)
{
    char buffer[64];
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, r.ptr);
}

std::string formatValue(const TypeInfo& type, const Value& value)
{
    std::string text;
    switch (type.kind)
    {
    case Kind::Float:
    case Kind::Int:
        for (int c = 0; c < type.components; ++c)
        {
            if (c > 0)
                text += ',';
            text += type.kind == Kind::Float ? formatFloat(value.f[c]) : std::to_string(value.i[c]);
        }
        break;
    case Kind::String:
    case Kind::Image:
        text = value.text.toStdString();
        break;
    }
    return text;
}

bool parseFloats(const QString& text, int count, std::array<float, 4>& out)
{
    return parseList(text, count, out);
}

bool parseInts(const QString& text, int count, std::array<int, 4>& out)
{
    return parseList(text, count, out);
}

bool parseValue(const TypeInfo& type, const QString& text, Value& out)
{
    Value v;
    switch (type.kind)
    {
    case Kind::Float:
        if (!parseFloats(text, type.components, v.f))
            return false;
        break;
    case Kind::Int:
        if (!parseInts(text, type.components, v.i))
            return false;
        break;
    case Kind::String:
    case Kind::Image:
        v.text = text;
        break;
    }
    out = v;
    return true;
}

QVariant toVariant(const TypeInfo& type, const Value& value, bool colour)
{
    const auto& f = value.f;
    const auto& i = value.i;
    switch (type.code)
    {
    case SubstanceAir::InputType_Float:
        return QVariant::fromValue(f[0]);
    case SubstanceAir::InputType_Float2:
        return QVariant::fromValue(QVector2D(f[0], f[1]));
    case SubstanceAir::InputType_Float3:
        return QVariant::fromValue(QVector3D(f[0], f[1], f[2]));
    case SubstanceAir::InputType_Float4:
        if (colour)
            return QVariant::fromValue(QVector3D(f[0], f[1], f[2]));
        return QVariant::fromValue(QVector4D(f[0], f[1], f[2], f[3]));
    case SubstanceAir::InputType_Integer:
        return QVariant::fromValue(i[0]);
    case SubstanceAir::InputType_Integer2:
        return QVariant::fromValue(QOXIntVector2D(i[0], i[1]));
    case SubstanceAir::InputType_Integer3:
        return QVariant::fromValue(QOXIntVector3D(i[0], i[1], i[2]));
    case SubstanceAir::InputType_Integer4:
        return QVariant::fromValue(QOXIntVector4D(i[0], i[1], i[2], i[3]));
    case SubstanceAir::InputType_String:
        return QVariant::fromValue(value.text);
    case SubstanceAir::InputType_Image:
        break;
    }
    return QVariant();
}

bool fromVariant(const TypeInfo& type, const QVariant& variant, bool colour, Value& out)
{
    if (!variant.isValid() || type.kind == Kind::Image)
        return false;
    Value v;
    switch (type.code)
    {
    case SubstanceAir::InputType_Float:
        v.f[0] = variant.toFloat();
        break;
    case SubstanceAir::InputType_Float2:
    {
        const QVector2D q = variantAs<QVector2D>(variant);
        v.f = {q.x(), q.y(), 0.f, 0.f};
        break;
    }
    case SubstanceAir::InputType_Float3:
    {
        const QVector3D q = variantAs<QVector3D>(variant);
        v.f = {q.x(), q.y(), q.z(), 0.f};
        break;
    }
    case SubstanceAir::InputType_Float4:
        if (colour && variant.userType() == QMetaType::QVector3D)
        {
            const QVector3D q = variant.value<QVector3D>();
            v.f = {q.x(), q.y(), q.z(), 1.f};
        }
        else
        {
            const QVector4D q = variantAs<QVector4D>(variant);
            v.f = {q.x(), q.y(), q.z(), q.w()};
        }
        break;
    case SubstanceAir::InputType_Integer:
        v.i[0] = variant.toInt();
        break;
    case SubstanceAir::InputType_Integer2:
    {
        const QOXIntVector2D q = variantAs<QOXIntVector2D>(variant);
        v.i = {q.getX(), q.getY(), 0, 0};
        break;
    }
    case SubstanceAir::InputType_Integer3:
    {
        const QOXIntVector3D q = variantAs<QOXIntVector3D>(variant);
        v.i = {q.getX(), q.getY(), q.getZ(), 0};
        break;
    }
    case SubstanceAir::InputType_Integer4:
    {
        const QOXIntVector4D q = variantAs<QOXIntVector4D>(variant);
        v.i = {q.getX(), q.getY(), q.getZ(), q.getW()};
        break;
    }
    case SubstanceAir::InputType_String:
        v.text = variant.toString();
        break;
    case SubstanceAir::InputType_Image:
        return false;
    }
    out = v;
    return true;
}

std::uint32_t hashBytes(const std::string& bytes, std::uint32_t seed)
{
    std::uint32_t h = seed;
    for (unsigned char c : bytes)
    {
        h ^= c;
        h *= 16777619u;
    }
    return h;
}

} // namespace oxArchive
