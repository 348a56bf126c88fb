#include "oxArchiveAttributes.h"

#include "oxArchiveTypes.h"

#include "QOXIntVector.h"
#include "QSubstanceArchive.h"

#include <QVector2D>
#include <QVector3D>
#include <QVector4D>

namespace oxArchive {

namespace {

bool isOutputSize(const AttributeValuePtr& attribute)
{
    return attribute->getUuid() == OutputSizeId;
}

/// Converts with the archive's rules for a type code; false for an invalid value.
bool convert(SubstanceAir::InputType code, const QVariant& value, bool colour, Value& out)
{
    const TypeInfo* type = typeByCode(code);
    return type && fromVariant(*type, value, colour, out);
}

} // namespace

AttributeValuePtr findAttribute(const USubstanceGraphPtr& graph, const QString& identifier)
{
    if (graph.isNull())
        return AttributeValuePtr();
    const std::string uuid = identifier.toStdString();
    for (const AttributeGroupPtr& group : graph->getAttributeGroups())
    {
        if (group.isNull())
            continue;
        for (const AttributeValuePtr& value : group->getProperties())
            if (!value.isNull() && value->getUuid() == uuid)
                return value;
    }
    return AttributeValuePtr();
}

QVariant readAttribute(const USubstanceMaterialPtr& material, const AttributeValuePtr& attribute)
{
    if (attribute.isNull())
        return QVariant();
    if (auto v = AttributeFloatValuePtr::dcast(attribute); !v.isNull())
        return QVariant::fromValue(v->getFloatValue());
    if (auto v = AttributeFloat2DValuePtr::dcast(attribute); !v.isNull())
    {
        const osg::Vec2f& f = v->getFloatVectorValue();
        return QVariant::fromValue(QVector2D(f[0], f[1]));
    }
    if (auto v = AttributeFloat3DValuePtr::dcast(attribute); !v.isNull())
    {
        const osg::Vec3f& f = v->getFloatVectorValue();
        return QVariant::fromValue(QVector3D(f[0], f[1], f[2]));
    }
    if (auto v = AttributeFloat4DValuePtr::dcast(attribute); !v.isNull())
    {
        const osg::Vec4f& f = v->getColorValue();
        if (v->isColorAttribute())
            return QVariant::fromValue(QVector3D(f[0], f[1], f[2]));
        return QVariant::fromValue(QVector4D(f[0], f[1], f[2], f[3]));
    }
    if (auto v = AttributeIntValuePtr::dcast(attribute); !v.isNull())
        return QVariant::fromValue(int(v->getIntValue()));
    if (auto v = AttributeInt2DValuePtr::dcast(attribute); !v.isNull())
    {
        if (!isOutputSize(attribute))
            return QVariant::fromValue(QOXIntVector2D(v->getIntValueX(), v->getIntValueY()));
        if (material.isNull())
            return QVariant();
        return QVariant::fromValue(
            QOXIntVector3D(v->getIntValueX(), v->getIntValueY(), material->getSyncOutputSize() ? 1 : 0));
    }
    if (auto v = AttributeInt3DValuePtr::dcast(attribute); !v.isNull())
        return QVariant::fromValue(QOXIntVector3D(v->getIntValueX(), v->getIntValueY(), v->getIntValueZ()));
    if (auto v = AttributeInt4DValuePtr::dcast(attribute); !v.isNull())
        return QVariant::fromValue(
            QOXIntVector4D(v->getIntValueX(), v->getIntValueY(), v->getIntValueZ(), v->getIntValueW()));
    if (auto v = AttributeStringValuePtr::dcast(attribute); !v.isNull())
        return QVariant::fromValue(QString::fromStdString(v->getStringValue()));
    if (auto v = AttributeImageValuePtr::dcast(attribute); !v.isNull())
        return oxSubstanceUtils::convertOsgImageToQVariant(v->getImage());
    return QVariant();
}

bool writeAttribute(const USubstanceMaterialPtr& material, const AttributeValuePtr& attribute, const QVariant& value)
{
    if (attribute.isNull() || !value.isValid())
        return false;
    Value c;
    if (auto v = AttributeFloatValuePtr::dcast(attribute); !v.isNull())
    {
        convert(SubstanceAir::InputType_Float, value, false, c);
        osgEdit edit(v, AttributeFloatValueBase::FloatValueFieldMask);
        v->setFloatValue(c.f[0]);
        return true;
    }
    if (auto v = AttributeFloat2DValuePtr::dcast(attribute); !v.isNull())
    {
        convert(SubstanceAir::InputType_Float2, value, false, c);
        osgEdit edit(v, AttributeFloat2DValueBase::FloatVectorValueFieldMask);
        v->setFloatVectorValue(osg::Vec2f(c.f[0], c.f[1]));
        return true;
    }
    if (auto v = AttributeFloat3DValuePtr::dcast(attribute); !v.isNull())
    {
        convert(SubstanceAir::InputType_Float3, value, false, c);
        osgEdit edit(v, AttributeFloat3DValueBase::FloatVectorValueFieldMask);
        v->setFloatVectorValue(osg::Vec3f(c.f[0], c.f[1], c.f[2]));
        return true;
    }
    if (auto v = AttributeFloat4DValuePtr::dcast(attribute); !v.isNull())
    {
        convert(SubstanceAir::InputType_Float4, value, v->isColorAttribute(), c);
        osgEdit edit(v, AttributeFloat4DValueBase::ColorValueFieldMask);
        v->setColorValue(osg::Vec4f(c.f[0], c.f[1], c.f[2], c.f[3]));
        return true;
    }
    if (auto v = AttributeIntValuePtr::dcast(attribute); !v.isNull())
    {
        convert(SubstanceAir::InputType_Integer, value, false, c);
        osgEdit edit(v, AttributeIntValueBase::IntValueFieldMask);
        v->setIntValue(c.i[0]);
        return true;
    }
    if (auto v = AttributeInt2DValuePtr::dcast(attribute); !v.isNull())
    {
        const bool sized = isOutputSize(attribute) && value.userType() == qMetaTypeId<QOXIntVector3D>();
        if (sized)
        {
            const QOXIntVector3D s = value.value<QOXIntVector3D>();
            c.i = {s.getX(), s.getY(), s.getZ(), 0};
        }
        else
        {
            convert(SubstanceAir::InputType_Integer2, value, false, c);
        }
        {
            osgEdit edit(v, AttributeInt2DValueBase::IntValueXFieldMask | AttributeInt2DValueBase::IntValueYFieldMask);
            v->setIntValueX(c.i[0]);
            v->setIntValueY(c.i[1]);
        }
        if (sized && !material.isNull())
        {
            osgEdit edit(material, USubstanceMaterialBase::SyncOutputSizeFieldMask);
            material->setSyncOutputSize(c.i[2] == 1);
        }
        return true;
    }
    if (auto v = AttributeInt3DValuePtr::dcast(attribute); !v.isNull())
    {
        convert(SubstanceAir::InputType_Integer3, value, false, c);
        osgEdit edit(v, AttributeInt3DValueBase::IntValueXFieldMask | AttributeInt3DValueBase::IntValueYFieldMask |
                            AttributeInt3DValueBase::IntValueZFieldMask);
        v->setIntValueX(c.i[0]);
        v->setIntValueY(c.i[1]);
        v->setIntValueZ(c.i[2]);
        return true;
    }
    if (auto v = AttributeInt4DValuePtr::dcast(attribute); !v.isNull())
    {
        convert(SubstanceAir::InputType_Integer4, value, false, c);
        osgEdit edit(v, AttributeInt4DValueBase::IntValueXFieldMask | AttributeInt4DValueBase::IntValueYFieldMask |
                            AttributeInt4DValueBase::IntValueZFieldMask | AttributeInt4DValueBase::IntValueWFieldMask);
        v->setIntValueX(c.i[0]);
        v->setIntValueY(c.i[1]);
        v->setIntValueZ(c.i[2]);
        v->setIntValueW(c.i[3]);
        return true;
    }
    if (auto v = AttributeStringValuePtr::dcast(attribute); !v.isNull())
    {
        osgEdit edit(v, AttributeStringValueBase::StringValueFieldMask);
        v->setStringValue(value.toString().toStdString());
        return true;
    }
    if (auto v = AttributeImageValuePtr::dcast(attribute); !v.isNull())
    {
        const ImagePtr image = oxSubstanceUtils::convertQVariantToOsgImage(value);
        osgEdit edit(v, AttributeImageValueBase::ImageFieldMask);
        v->setImage(image);
        return true;
    }
    return false;
}

} // namespace oxArchive
