#include "oxArchiveTypes.h"

#include "QOXIntVector.h"

#include <QVector2D>
#include <QVector3D>
#include <QVector4D>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <type_traits>
#include <utility>

namespace oxArchive {

const char* const OutputSizeId = "$outputsize";

namespace {

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

/// A V made of the components I of \p n.
template <class V, class A, std::size_t... I>
V makeOf(const A& n, std::index_sequence<I...>)
{
    return V{n[I]...};
}

/// What varies by type, for the types of attribute class C, QVariant form F,
/// kind K and N components (F void and N 0 for strings and images).
template <class C, class F, Kind K, int N>
struct Access
{
    using Ptr = osg::FCPtr<C>;

    template <class V>
    static auto& numbersOf(V& value)
    {
        if constexpr (K == Kind::Float)
            return value.f;
        else
            return value.i;
    }

    static QVariant toVariant(const Value& value, bool colour)
    {
        const auto& n = numbersOf(value);
        // A colour travels as a QVector3D, without alpha.
        if constexpr (std::is_same_v<F, QVector4D>)
            if (colour)
                return QVariant::fromValue(QVector3D(n[0], n[1], n[2]));
        if constexpr (K == Kind::String)
            return QVariant::fromValue(value.text);
        else if constexpr (K == Kind::Image)
            return QVariant();
        else
            return QVariant::fromValue(makeOf<F>(n, std::make_index_sequence<N>()));
    }

    static bool fromVariant(const QVariant& variant, bool colour, Value& out)
    {
        if (!variant.isValid() || K == Kind::Image)
            return false;
        Value v;
        auto& n = numbersOf(v);
        if constexpr (K == Kind::String)
            v.text = variant.toString();
        else if constexpr (std::is_same_v<F, float>)
            n[0] = variant.toFloat();
        else if constexpr (std::is_same_v<F, int>)
            n[0] = variant.toInt();
        else if constexpr (std::is_same_v<F, QVector4D>)
        {
            // A QVector3D given to a colour makes it opaque.
            const QVector4D q = colour && variant.userType() == QMetaType::QVector3D
                                    ? QVector4D(variant.value<QVector3D>(), 1.f)
                                    : variantAs<QVector4D>(variant);
            n = {q.x(), q.y(), q.z(), q.w()};
        }
        else if constexpr (K == Kind::Float)
        {
            const F q = variantAs<F>(variant);
            for (int c = 0; c < N; ++c)
                n[c] = q[c];
        }
        else if constexpr (K == Kind::Int)
        {
            const F q = variantAs<F>(variant);
            n[0] = q.getX();
            n[1] = q.getY();
            if constexpr (N > 2)
                n[2] = q.getZ();
            if constexpr (N > 3)
                n[3] = q.getW();
        }
        out = v;
        return true;
    }

    static bool holds(const AttributeValuePtr& attribute) { return !Ptr::dcast(attribute).isNull(); }

    static Value load(const AttributeValuePtr& attribute)
    {
        const Ptr a = Ptr::dcast(attribute);
        Value v;
        auto& n = numbersOf(v);
        if constexpr (std::is_same_v<C, AttributeFloatValue>)
            n[0] = a->getFloatValue();
        else if constexpr (std::is_same_v<C, AttributeIntValue>)
            n[0] = a->getIntValue();
        else if constexpr (std::is_same_v<C, AttributeFloat4DValue>)
            for (int c = 0; c < N; ++c)
                n[c] = a->getColorValue()[c];
        else if constexpr (K == Kind::Float)
            for (int c = 0; c < N; ++c)
                n[c] = a->getFloatVectorValue()[c];
        else if constexpr (K == Kind::Int)
        {
            const std::array get{&C::getIntValueX, &C::getIntValueY, &C::getIntValueZ, &C::getIntValueW};
            for (int c = 0; c < N; ++c)
                n[c] = ((*a).*get[c])();
        }
        else if constexpr (K == Kind::String)
            v.text = QString::fromStdString(a->getStringValue());
        return v;
    }

    static void store(const AttributeValuePtr& attribute, const Value& v)
    {
        const Ptr a = Ptr::dcast(attribute);
        const auto& n = numbersOf(v);
        if constexpr (std::is_same_v<C, AttributeFloatValue>)
        {
            osgEdit edit(a, C::FloatValueFieldMask);
            a->setFloatValue(n[0]);
        }
        else if constexpr (std::is_same_v<C, AttributeIntValue>)
        {
            osgEdit edit(a, C::IntValueFieldMask);
            a->setIntValue(n[0]);
        }
        else if constexpr (std::is_same_v<C, AttributeFloat4DValue>)
        {
            osgEdit edit(a, C::ColorValueFieldMask);
            a->setColorValue(makeOf<osg::Vec4f>(n, std::make_index_sequence<N>()));
        }
        else if constexpr (K == Kind::Float)
        {
            osgEdit edit(a, C::FloatVectorValueFieldMask);
            a->setFloatVectorValue(makeOf<osg::Vector<float, N>>(n, std::make_index_sequence<N>()));
        }
        else if constexpr (K == Kind::Int)
        {
            const std::array set{&C::setIntValueX, &C::setIntValueY, &C::setIntValueZ, &C::setIntValueW};
            osgEdit edit(a, C::IntValueXFieldMask | C::IntValueYFieldMask | (N > 2 ? C::IntValueZFieldMask : 0) |
                                (N > 3 ? C::IntValueWFieldMask : 0));
            for (int c = 0; c < N; ++c)
                ((*a).*set[c])(n[c]);
        }
        else if constexpr (K == Kind::String)
        {
            osgEdit edit(a, C::StringValueFieldMask);
            a->setStringValue(v.text.toStdString());
        }
    }
};

template <class C, class F, Kind K, int N>
constexpr TypeInfo row(const char* typeString, SubstanceAir::InputType code)
{
    using A = Access<C, F, K, N>;
    return {typeString, code, K, N, &A::toVariant, &A::fromVariant, &A::holds, &A::load, &A::store};
}

using namespace SubstanceAir;

const TypeInfo kTypes[] = {
    row<AttributeFloatValue, float, Kind::Float, 1>("float", InputType_Float),
    row<AttributeFloat2DValue, QVector2D, Kind::Float, 2>("float[2]", InputType_Float2),
    row<AttributeFloat3DValue, QVector3D, Kind::Float, 3>("float[3]", InputType_Float3),
    row<AttributeFloat4DValue, QVector4D, Kind::Float, 4>("float[4]", InputType_Float4),
    row<AttributeIntValue, int, Kind::Int, 1>("int", InputType_Integer),
    row<AttributeInt2DValue, QOXIntVector2D, Kind::Int, 2>("int[2]", InputType_Integer2),
    row<AttributeInt3DValue, QOXIntVector3D, Kind::Int, 3>("int[3]", InputType_Integer3),
    row<AttributeInt4DValue, QOXIntVector4D, Kind::Int, 4>("int[4]", InputType_Integer4),
    row<AttributeStringValue, QString, Kind::String, 0>("string", InputType_String),
    row<AttributeImageValue, void, Kind::Image, 0>("image", InputType_Image),
};

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

const TypeInfo* typeOf(const AttributeValuePtr& attribute)
{
    for (const TypeInfo& t : kTypes)
        if (t.holds(attribute))
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
    return type.toVariant(value, colour);
}

bool fromVariant(const TypeInfo& type, const QVariant& variant, bool colour, Value& out)
{
    return type.fromVariant(variant, colour, out);
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
