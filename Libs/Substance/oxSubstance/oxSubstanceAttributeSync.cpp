#include "oxSubstanceAttributeSync.h"

#include "oxSubstanceValueWalk.h"

#include "host/OSGBase.h"
#include "host/oxHostUtils.h"
#include "host/QOXIntVector.h"
#include "host/QSubstanceArchive.h"

#include <QCoreApplication>
#include <QMetaType>
#include <QVector2D>
#include <QVector3D>
#include <QVector4D>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace {

/// Identifier of the input whose "int[2]" value is the graph's output size.
const char* const OutputSizeIdentifier = "$outputsize";

/// The meta-type id registered under \p name, registering T under it when
/// nobody has yet; also registers T's comparators so that QVariant compares by value.
template <class T>
int lookUpIntVectorType(const char* name)
{
    int id = QMetaType::type(name);
    if (id == QMetaType::UnknownType)
        id = qRegisterMetaType<T>(name);
    if (!QMetaType::hasRegisteredComparators(id))
        QMetaType::registerComparators<T>();
    return id;
}

int intVector2DType()
{
    static const int id = lookUpIntVectorType<QOXIntVector2D>("QOXIntVector2D");
    return id;
}

int intVector3DType()
{
    static const int id = lookUpIntVectorType<QOXIntVector3D>("QOXIntVector3D");
    return id;
}

int intVector4DType()
{
    static const int id = lookUpIntVectorType<QOXIntVector4D>("QOXIntVector4D");
    return id;
}

// Makes sure the integer vector types are known to Qt by their names, with
// comparators, so that QVariant compares them by value.
void registerIntVectorTypes()
{
    intVector2DType();
    intVector3DType();
    intVector4DType();
}

/// \p v as a T: as stored when it holds type \p typeId, else Qt's conversion
/// when there is one, else a default-constructed T.
template <class T>
T convertedOrDefault(const QVariant& v, int typeId)
{
    if (v.userType() == typeId)
        return *static_cast<const T*>(v.constData());
    QVariant converted(v);
    if (converted.convert(typeId))
        return *static_cast<const T*>(converted.constData());
    return T();
}

template <class T>
QVariant makeVariant(int typeId, const T& value)
{
    return QVariant(typeId, &value);
}

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

bool isOutputSize(const AttributeValuePtr& value)
{
    return value->getUuid() == OutputSizeIdentifier;
}

/// True when every component to write is a finite number. Otherwise logs a
/// warning naming the property and writes nothing: an infinity or a NaN has no
/// text that a preset could carry back, so it would be lost on export.
template <class... Components>
bool finiteOrWarn(const AttributeValuePtr& value, Components... components)
{
    if ((std::isfinite(components) && ...))
        return true;
    //: %1 the identifier of a Substance input
    const QString text = QCoreApplication::translate("oxSubstanceAttributeSync",
                                                     "Value of substance property '%1' is not a finite number. "
                                                     "It was not written.")
                             .arg(QString::fromStdString(value->getUuid()));
    oxLog::warning("%s", text.toUtf8().constData());
    return false;
}

} // namespace

oxSubstanceAttributeSync::oxSubstanceAttributeSync()
{
    registerIntVectorTypes();

    _setters.reserve(10);
    _setters.append(&oxSubstanceAttributeSync::setFloatValue);
    _setters.append(&oxSubstanceAttributeSync::setFloat2DValue);
    _setters.append(&oxSubstanceAttributeSync::setFloat3DValue);
    _setters.append(&oxSubstanceAttributeSync::setFloat4DValue);
    _setters.append(&oxSubstanceAttributeSync::setIntValue);
    _setters.append(&oxSubstanceAttributeSync::setInt2DValue);
    _setters.append(&oxSubstanceAttributeSync::setInt3DValue);
    _setters.append(&oxSubstanceAttributeSync::setInt4DValue);
    _setters.append(&oxSubstanceAttributeSync::setStringValue);
    _setters.append(&oxSubstanceAttributeSync::setImageValue);

    _getters.reserve(10);
    _getters.append(&oxSubstanceAttributeSync::getFloatValue);
    _getters.append(&oxSubstanceAttributeSync::getFloat2DValue);
    _getters.append(&oxSubstanceAttributeSync::getFloat3DValue);
    _getters.append(&oxSubstanceAttributeSync::getFloat4DValue);
    _getters.append(&oxSubstanceAttributeSync::getIntValue);
    _getters.append(&oxSubstanceAttributeSync::getInt2DValue);
    _getters.append(&oxSubstanceAttributeSync::getInt3DValue);
    _getters.append(&oxSubstanceAttributeSync::getInt4DValue);
    _getters.append(&oxSubstanceAttributeSync::getStringValue);
    _getters.append(&oxSubstanceAttributeSync::getImageValue);
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

// ---------------------------------------------------------------- setters

bool oxSubstanceAttributeSync::setFloatValue(AttributeValuePtr& value, const QVariant& newValue)
{
    const AttributeFloatValuePtr v = AttributeFloatValuePtr::dcast(value);
    if (v.isNull())
        return false;
    const float f = newValue.toFloat();
    if (!finiteOrWarn(value, f))
        return false;
    osgEdit edit(v, AttributeFloatValueBase::FloatValueFieldMask);
    v->setFloatValue(f);
    return true;
}

bool oxSubstanceAttributeSync::setFloat2DValue(AttributeValuePtr& value, const QVariant& newValue)
{
    const AttributeFloat2DValuePtr v = AttributeFloat2DValuePtr::dcast(value);
    if (v.isNull())
        return false;
    const QVector2D f = convertedOrDefault<QVector2D>(newValue, QMetaType::QVector2D);
    if (!finiteOrWarn(value, f.x(), f.y()))
        return false;
    osgEdit edit(v, AttributeFloat2DValueBase::FloatVectorValueFieldMask);
    v->setFloatVectorValue(osg::Vec2f(f.x(), f.y()));
    return true;
}

bool oxSubstanceAttributeSync::setFloat3DValue(AttributeValuePtr& value, const QVariant& newValue)
{
    const AttributeFloat3DValuePtr v = AttributeFloat3DValuePtr::dcast(value);
    if (v.isNull())
        return false;
    const QVector3D f = convertedOrDefault<QVector3D>(newValue, QMetaType::QVector3D);
    if (!finiteOrWarn(value, f.x(), f.y(), f.z()))
        return false;
    osgEdit edit(v, AttributeFloat3DValueBase::FloatVectorValueFieldMask);
    v->setFloatVectorValue(osg::Vec3f(f.x(), f.y(), f.z()));
    return true;
}

bool oxSubstanceAttributeSync::setFloat4DValue(AttributeValuePtr& value, const QVariant& newValue)
{
    const AttributeFloat4DValuePtr v = AttributeFloat4DValuePtr::dcast(value);
    if (v.isNull())
        return false;
    // A colour travels without alpha; writing one makes it opaque.
    osg::Vec4f f;
    if (v->isColorAttribute() && newValue.userType() == QMetaType::QVector3D)
    {
        const QVector3D c = *static_cast<const QVector3D*>(newValue.constData());
        f = osg::Vec4f(c.x(), c.y(), c.z(), 1.0f);
    }
    else
    {
        const QVector4D c = convertedOrDefault<QVector4D>(newValue, QMetaType::QVector4D);
        f = osg::Vec4f(c.x(), c.y(), c.z(), c.w());
    }
    if (!finiteOrWarn(value, f[0], f[1], f[2], f[3]))
        return false;
    osgEdit edit(v, AttributeFloat4DValueBase::ColorValueFieldMask);
    v->setColorValue(f);
    return true;
}

bool oxSubstanceAttributeSync::setIntValue(AttributeValuePtr& value, const QVariant& newValue)
{
    const AttributeIntValuePtr v = AttributeIntValuePtr::dcast(value);
    if (v.isNull())
        return false;
    osgEdit edit(v, AttributeIntValueBase::IntValueFieldMask);
    v->setIntValue(newValue.toInt());
    return true;
}

bool oxSubstanceAttributeSync::setInt2DValue(AttributeValuePtr& value, const QVariant& newValue)
{
    const AttributeInt2DValuePtr v = AttributeInt2DValuePtr::dcast(value);
    if (v.isNull())
        return false;
    osgEdit edit(v, AttributeInt2DValueBase::IntValueXFieldMask | AttributeInt2DValueBase::IntValueYFieldMask);
    if (isOutputSize(value) && newValue.userType() == intVector3DType())
    {
        // Z carries the material's SyncOutputSize flag: 1 sets it, anything else clears it.
        const QOXIntVector3D size = *static_cast<const QOXIntVector3D*>(newValue.constData());
        v->setIntValueX(size.getX());
        v->setIntValueY(size.getY());
        if (!_material.isNull())
        {
            osgEdit materialEdit(_material, USubstanceMaterialBase::SyncOutputSizeFieldMask);
            _material->setSyncOutputSize(size.getZ() == 1);
        }
        return true;
    }
    const QOXIntVector2D i = convertedOrDefault<QOXIntVector2D>(newValue, intVector2DType());
    v->setIntValueX(i.getX());
    v->setIntValueY(i.getY());
    return true;
}

bool oxSubstanceAttributeSync::setInt3DValue(AttributeValuePtr& value, const QVariant& newValue)
{
    const AttributeInt3DValuePtr v = AttributeInt3DValuePtr::dcast(value);
    if (v.isNull())
        return false;
    osgEdit edit(v, AttributeInt3DValueBase::IntValueXFieldMask | AttributeInt3DValueBase::IntValueYFieldMask |
                        AttributeInt3DValueBase::IntValueZFieldMask);
    const QOXIntVector3D i = convertedOrDefault<QOXIntVector3D>(newValue, intVector3DType());
    v->setIntValueX(i.getX());
    v->setIntValueY(i.getY());
    v->setIntValueZ(i.getZ());
    return true;
}

bool oxSubstanceAttributeSync::setInt4DValue(AttributeValuePtr& value, const QVariant& newValue)
{
    const AttributeInt4DValuePtr v = AttributeInt4DValuePtr::dcast(value);
    if (v.isNull())
        return false;
    osgEdit edit(v, AttributeInt4DValueBase::IntValueXFieldMask | AttributeInt4DValueBase::IntValueYFieldMask |
                        AttributeInt4DValueBase::IntValueZFieldMask | AttributeInt4DValueBase::IntValueWFieldMask);
    const QOXIntVector4D i = convertedOrDefault<QOXIntVector4D>(newValue, intVector4DType());
    v->setIntValueX(i.getX());
    v->setIntValueY(i.getY());
    v->setIntValueZ(i.getZ());
    v->setIntValueW(i.getW());
    return true;
}

bool oxSubstanceAttributeSync::setStringValue(AttributeValuePtr& value, const QVariant& newValue)
{
    const AttributeStringValuePtr v = AttributeStringValuePtr::dcast(value);
    if (v.isNull())
        return false;
    osgEdit edit(v, AttributeStringValueBase::StringValueFieldMask);
    v->setStringValue(newValue.toString().toStdString());
    return true;
}

bool oxSubstanceAttributeSync::setImageValue(AttributeValuePtr& value, const QVariant& newValue)
{
    const AttributeImageValuePtr v = AttributeImageValuePtr::dcast(value);
    if (v.isNull())
        return false;
    osgEdit edit(v, AttributeImageValueBase::ImageFieldMask);
    // The value takes its own reference on the image.
    v->setImage(oxSubstanceUtils::convertQVariantToOsgImage(newValue));
    return true;
}

// ---------------------------------------------------------------- getters

bool oxSubstanceAttributeSync::getFloatValue(const AttributeValuePtr& value, QVariant& result)
{
    const AttributeFloatValuePtr v = AttributeFloatValuePtr::dcast(value);
    if (v.isNull())
        return false;
    result = QVariant(v->getFloatValue());
    return true;
}

bool oxSubstanceAttributeSync::getFloat2DValue(const AttributeValuePtr& value, QVariant& result)
{
    const AttributeFloat2DValuePtr v = AttributeFloat2DValuePtr::dcast(value);
    if (v.isNull())
        return false;
    const osg::Vec2f& f = v->getFloatVectorValue();
    result = QVariant::fromValue(QVector2D(f.x(), f.y()));
    return true;
}

bool oxSubstanceAttributeSync::getFloat3DValue(const AttributeValuePtr& value, QVariant& result)
{
    const AttributeFloat3DValuePtr v = AttributeFloat3DValuePtr::dcast(value);
    if (v.isNull())
        return false;
    const osg::Vec3f& f = v->getFloatVectorValue();
    result = QVariant::fromValue(QVector3D(f.x(), f.y(), f.z()));
    return true;
}

bool oxSubstanceAttributeSync::getFloat4DValue(const AttributeValuePtr& value, QVariant& result)
{
    const AttributeFloat4DValuePtr v = AttributeFloat4DValuePtr::dcast(value);
    if (v.isNull())
        return false;
    const osg::Vec4f& f = v->getColorValue();
    if (v->isColorAttribute())
        result = QVariant::fromValue(QVector3D(f.x(), f.y(), f.z()));
    else
        result = QVariant::fromValue(QVector4D(f.x(), f.y(), f.z(), f.w()));
    return true;
}

bool oxSubstanceAttributeSync::getIntValue(const AttributeValuePtr& value, QVariant& result)
{
    const AttributeIntValuePtr v = AttributeIntValuePtr::dcast(value);
    if (v.isNull())
        return false;
    result = QVariant(int(v->getIntValue()));
    return true;
}

bool oxSubstanceAttributeSync::getInt2DValue(const AttributeValuePtr& value, QVariant& result)
{
    const AttributeInt2DValuePtr v = AttributeInt2DValuePtr::dcast(value);
    if (v.isNull())
        return false;
    if (isOutputSize(value))
    {
        // Without a material there is no flag to report.
        if (_material.isNull())
            return false;
        const QOXIntVector3D size(v->getIntValueX(), v->getIntValueY(), _material->getSyncOutputSize() ? 1 : 0);
        result = makeVariant(intVector3DType(), size);
        return true;
    }
    result = makeVariant(intVector2DType(), QOXIntVector2D(v->getIntValueX(), v->getIntValueY()));
    return true;
}

bool oxSubstanceAttributeSync::getInt3DValue(const AttributeValuePtr& value, QVariant& result)
{
    const AttributeInt3DValuePtr v = AttributeInt3DValuePtr::dcast(value);
    if (v.isNull())
        return false;
    result = makeVariant(intVector3DType(), QOXIntVector3D(v->getIntValueX(), v->getIntValueY(), v->getIntValueZ()));
    return true;
}

bool oxSubstanceAttributeSync::getInt4DValue(const AttributeValuePtr& value, QVariant& result)
{
    const AttributeInt4DValuePtr v = AttributeInt4DValuePtr::dcast(value);
    if (v.isNull())
        return false;
    result = makeVariant(intVector4DType(), QOXIntVector4D(v->getIntValueX(), v->getIntValueY(),
                                                           v->getIntValueZ(), v->getIntValueW()));
    return true;
}

bool oxSubstanceAttributeSync::getStringValue(const AttributeValuePtr& value, QVariant& result)
{
    const AttributeStringValuePtr v = AttributeStringValuePtr::dcast(value);
    if (v.isNull())
        return false;
    result = QVariant(QString::fromStdString(v->getStringValue()));
    return true;
}

bool oxSubstanceAttributeSync::getImageValue(const AttributeValuePtr& value, QVariant& result)
{
    const AttributeImageValuePtr v = AttributeImageValuePtr::dcast(value);
    if (v.isNull())
        return false;
    result = oxSubstanceUtils::convertOsgImageToQVariant(v->getImage());
    return true;
}
