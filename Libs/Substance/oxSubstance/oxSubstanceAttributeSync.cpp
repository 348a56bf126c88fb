#include "oxSubstanceAttributeSync.h"

#include "oxSubstanceValueTypes.h"
#include "oxSubstanceValueWalk.h"

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
    const TextMatch matches(property);
    AttributeValuePtr identified;
    AttributeValuePtr labelMatch;
    oxSubstanceValueWalk::forEachValue(material, graphName.toStdString(), [&](const AttributeValuePtr& value) {
        if (matches(value->getUuid()))
            identified = value;
        else if (matches(value->getName()))
            labelMatch = value;
        return identified.isNull();
    });
    return identified.isNull() ? labelMatch : identified;
}

// ---------------------------------------------------------------- setters and getters: one row each

using namespace oxValueTypes;
using Sync = oxSubstanceAttributeSync;

bool Sync::setFloatValue(AttributeValuePtr& v, const QVariant& x) { return writeValue<Float>(v, _material, x); }
bool Sync::setFloat2DValue(AttributeValuePtr& v, const QVariant& x) { return writeValue<Float2>(v, _material, x); }
bool Sync::setFloat3DValue(AttributeValuePtr& v, const QVariant& x) { return writeValue<Float3>(v, _material, x); }
bool Sync::setFloat4DValue(AttributeValuePtr& v, const QVariant& x) { return writeValue<Float4>(v, _material, x); }
bool Sync::setIntValue(AttributeValuePtr& v, const QVariant& x) { return writeValue<Int>(v, _material, x); }
bool Sync::setInt2DValue(AttributeValuePtr& v, const QVariant& x) { return writeValue<Int2>(v, _material, x); }
bool Sync::setInt3DValue(AttributeValuePtr& v, const QVariant& x) { return writeValue<Int3>(v, _material, x); }
bool Sync::setInt4DValue(AttributeValuePtr& v, const QVariant& x) { return writeValue<Int4>(v, _material, x); }
bool Sync::setStringValue(AttributeValuePtr& v, const QVariant& x) { return writeValue<String>(v, _material, x); }
bool Sync::setImageValue(AttributeValuePtr& v, const QVariant& x) { return writeValue<Image>(v, _material, x); }

bool Sync::getFloatValue(const AttributeValuePtr& v, QVariant& x) { return readValue<Float>(v, _material, x); }
bool Sync::getFloat2DValue(const AttributeValuePtr& v, QVariant& x) { return readValue<Float2>(v, _material, x); }
bool Sync::getFloat3DValue(const AttributeValuePtr& v, QVariant& x) { return readValue<Float3>(v, _material, x); }
bool Sync::getFloat4DValue(const AttributeValuePtr& v, QVariant& x) { return readValue<Float4>(v, _material, x); }
bool Sync::getIntValue(const AttributeValuePtr& v, QVariant& x) { return readValue<Int>(v, _material, x); }
bool Sync::getInt2DValue(const AttributeValuePtr& v, QVariant& x) { return readValue<Int2>(v, _material, x); }
bool Sync::getInt3DValue(const AttributeValuePtr& v, QVariant& x) { return readValue<Int3>(v, _material, x); }
bool Sync::getInt4DValue(const AttributeValuePtr& v, QVariant& x) { return readValue<Int4>(v, _material, x); }
bool Sync::getStringValue(const AttributeValuePtr& v, QVariant& x) { return readValue<String>(v, _material, x); }
bool Sync::getImageValue(const AttributeValuePtr& v, QVariant& x) { return readValue<Image>(v, _material, x); }
