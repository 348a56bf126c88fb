#include "oxSubstanceAttributeSync.h"

#include "oxSubstanceValueTypes.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

bool isAscii(const char* bytes, std::size_t size)
{
    return std::all_of(bytes, bytes + size, [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

/// Tells whether host text (UTF-8 bytes) equals a QString exactly as
/// QString::fromStdString(bytes) == text would, converting only where the
/// bytes alone cannot tell.
class TextMatch
{
public:
    explicit TextMatch(const QString& text)
        : _text(text), _utf8(text.toUtf8()), _ascii(isAscii(_utf8.constData(), std::size_t(_utf8.size())))
    {
    }

    bool operator()(const std::string& bytes) const
    {
        if (_ascii)
        {
            if (bytes.size() == std::size_t(_utf8.size()) &&
                std::memcmp(bytes.data(), _utf8.constData(), bytes.size()) == 0)
                return true;
            // Bytes beyond ASCII never decode to ASCII characters, but a leading
            // byte-order mark is dropped by the conversion.
            return bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 && QString::fromStdString(bytes) == _text;
        }
        // Text beyond ASCII cannot come from ASCII bytes.
        return !isAscii(bytes.data(), bytes.size()) && QString::fromStdString(bytes) == _text;
    }

private:
    QString _text;
    QByteArray _utf8;
    bool _ascii;
};

} // namespace

// Both lists in the order of oxValueTypes::Rows.
oxSubstanceAttributeSync::oxSubstanceAttributeSync()
    : _setters{&oxSubstanceAttributeSync::setFloatValue,  &oxSubstanceAttributeSync::setFloat2DValue,
               &oxSubstanceAttributeSync::setFloat3DValue, &oxSubstanceAttributeSync::setFloat4DValue,
               &oxSubstanceAttributeSync::setIntValue,    &oxSubstanceAttributeSync::setInt2DValue,
               &oxSubstanceAttributeSync::setInt3DValue,  &oxSubstanceAttributeSync::setInt4DValue,
               &oxSubstanceAttributeSync::setStringValue, &oxSubstanceAttributeSync::setImageValue},
      _getters{&oxSubstanceAttributeSync::getFloatValue,  &oxSubstanceAttributeSync::getFloat2DValue,
               &oxSubstanceAttributeSync::getFloat3DValue, &oxSubstanceAttributeSync::getFloat4DValue,
               &oxSubstanceAttributeSync::getIntValue,    &oxSubstanceAttributeSync::getInt2DValue,
               &oxSubstanceAttributeSync::getInt3DValue,  &oxSubstanceAttributeSync::getInt4DValue,
               &oxSubstanceAttributeSync::getStringValue, &oxSubstanceAttributeSync::getImageValue}
{
    oxValueTypes::registerForms();
}

oxSubstanceAttributeSync::oxSubstanceAttributeSync(const oxSubstanceAttributeSync& other) = default;
oxSubstanceAttributeSync& oxSubstanceAttributeSync::operator=(const oxSubstanceAttributeSync& other) = default;
oxSubstanceAttributeSync::~oxSubstanceAttributeSync() = default;

// ---------------------------------------------------------------- dispatch

bool oxSubstanceAttributeSync::setOsgAttribute(const USubstanceMaterialPtr& material, AttributeValuePtr& value,
                                               const QVariant& newValue)
{
    _material = material;
    for (Setter setter : _setters)
        if ((this->*setter)(value, newValue))
            return true;
    return false;
}

bool oxSubstanceAttributeSync::setOsgAttribute(const USubstanceMaterialPtr& material, const QString& graphName,
                                               const QString& property, const QVariant& newValue)
{
    AttributeValuePtr value = searchProperty(material, graphName, property);
    return setOsgAttribute(material, value, newValue);
}

bool oxSubstanceAttributeSync::getOsgAttribute(const USubstanceMaterialPtr& material, const AttributeValuePtr& value,
                                               QVariant& result)
{
    if (value.isNull())
        return false;
    _material = material;
    for (Getter getter : _getters)
        if ((this->*getter)(value, result))
            return true;
    return false;
}

bool oxSubstanceAttributeSync::getOsgAttribute(const USubstanceMaterialPtr& material, const QString& graphName,
                                               const QString& property, QVariant& result)
{
    const AttributeValuePtr value = searchProperty(material, graphName, property);
    if (value.isNull())
        return false;
    return getOsgAttribute(material, value, result);
}

AttributeValuePtr oxSubstanceAttributeSync::searchProperty(const USubstanceMaterialPtr& material,
                                                           const QString& graphName, const QString& property) const
{
    if (material.isNull())
        return AttributeValuePtr();

    const std::string graphNameUtf8 = graphName.toStdString();
    const TextMatch matches(property);
    AttributeValuePtr labelMatch;
    for (const USubstanceGraphPtr& graph : material->getSubstanceGraphs())
    {
        if (graph.isNull() || graph->getName() != graphNameUtf8)
            continue;
        for (const AttributeGroupPtr& group : graph->getAttributeGroups())
        {
            if (group.isNull())
                continue;
            for (const AttributeValuePtr& value : group->getProperties())
            {
                if (value.isNull())
                    continue;
                if (matches(value->getUuid()))
                    return value;
                if (matches(value->getName()))
                    labelMatch = value;
            }
        }
    }
    return labelMatch;
}

// ---------------------------------------------------------------- setters and getters, by row

bool oxSubstanceAttributeSync::setFloatValue(AttributeValuePtr& value, const QVariant& newValue)
{
    return oxValueTypes::write<oxValueTypes::Float>(value, _material, newValue);
}

bool oxSubstanceAttributeSync::setFloat2DValue(AttributeValuePtr& value, const QVariant& newValue)
{
    return oxValueTypes::write<oxValueTypes::Float2>(value, _material, newValue);
}

bool oxSubstanceAttributeSync::setFloat3DValue(AttributeValuePtr& value, const QVariant& newValue)
{
    return oxValueTypes::write<oxValueTypes::Float3>(value, _material, newValue);
}

bool oxSubstanceAttributeSync::setFloat4DValue(AttributeValuePtr& value, const QVariant& newValue)
{
    return oxValueTypes::write<oxValueTypes::Float4>(value, _material, newValue);
}

bool oxSubstanceAttributeSync::setIntValue(AttributeValuePtr& value, const QVariant& newValue)
{
    return oxValueTypes::write<oxValueTypes::Int>(value, _material, newValue);
}

bool oxSubstanceAttributeSync::setInt2DValue(AttributeValuePtr& value, const QVariant& newValue)
{
    return oxValueTypes::write<oxValueTypes::Int2>(value, _material, newValue);
}

bool oxSubstanceAttributeSync::setInt3DValue(AttributeValuePtr& value, const QVariant& newValue)
{
    return oxValueTypes::write<oxValueTypes::Int3>(value, _material, newValue);
}

bool oxSubstanceAttributeSync::setInt4DValue(AttributeValuePtr& value, const QVariant& newValue)
{
    return oxValueTypes::write<oxValueTypes::Int4>(value, _material, newValue);
}

bool oxSubstanceAttributeSync::setStringValue(AttributeValuePtr& value, const QVariant& newValue)
{
    return oxValueTypes::write<oxValueTypes::String>(value, _material, newValue);
}

bool oxSubstanceAttributeSync::setImageValue(AttributeValuePtr& value, const QVariant& newValue)
{
    return oxValueTypes::write<oxValueTypes::Image>(value, _material, newValue);
}

bool oxSubstanceAttributeSync::getFloatValue(const AttributeValuePtr& value, QVariant& result)
{
    return oxValueTypes::read<oxValueTypes::Float>(value, _material, result);
}

bool oxSubstanceAttributeSync::getFloat2DValue(const AttributeValuePtr& value, QVariant& result)
{
    return oxValueTypes::read<oxValueTypes::Float2>(value, _material, result);
}

bool oxSubstanceAttributeSync::getFloat3DValue(const AttributeValuePtr& value, QVariant& result)
{
    return oxValueTypes::read<oxValueTypes::Float3>(value, _material, result);
}

bool oxSubstanceAttributeSync::getFloat4DValue(const AttributeValuePtr& value, QVariant& result)
{
    return oxValueTypes::read<oxValueTypes::Float4>(value, _material, result);
}

bool oxSubstanceAttributeSync::getIntValue(const AttributeValuePtr& value, QVariant& result)
{
    return oxValueTypes::read<oxValueTypes::Int>(value, _material, result);
}

bool oxSubstanceAttributeSync::getInt2DValue(const AttributeValuePtr& value, QVariant& result)
{
    return oxValueTypes::read<oxValueTypes::Int2>(value, _material, result);
}

bool oxSubstanceAttributeSync::getInt3DValue(const AttributeValuePtr& value, QVariant& result)
{
    return oxValueTypes::read<oxValueTypes::Int3>(value, _material, result);
}

bool oxSubstanceAttributeSync::getInt4DValue(const AttributeValuePtr& value, QVariant& result)
{
    return oxValueTypes::read<oxValueTypes::Int4>(value, _material, result);
}

bool oxSubstanceAttributeSync::getStringValue(const AttributeValuePtr& value, QVariant& result)
{
    return oxValueTypes::read<oxValueTypes::String>(value, _material, result);
}

bool oxSubstanceAttributeSync::getImageValue(const AttributeValuePtr& value, QVariant& result)
{
    return oxValueTypes::read<oxValueTypes::Image>(value, _material, result);
}
