#include "oxArchiveAttributes.h"

#include "oxArchiveTypes.h"

#include "QOXIntVector.h"
#include "QSubstanceArchive.h"

namespace oxArchive {

namespace {

bool isColour(const AttributeValuePtr& attribute)
{
    const AttributeFloat4DValuePtr colour = AttributeFloat4DValuePtr::dcast(attribute);
    return !colour.isNull() && colour->isColorAttribute();
}

bool isOutputSize(const TypeInfo& type, const AttributeValuePtr& attribute)
{
    return type.code == SubstanceAir::InputType_Integer2 && attribute->getUuid() == OutputSizeId;
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
    const TypeInfo* type = typeOf(attribute);
    if (!type)
        return QVariant();
    if (type->kind == Kind::Image)
        return oxSubstanceUtils::convertOsgImageToQVariant(AttributeImageValuePtr::dcast(attribute)->getImage());
    const Value value = type->load(attribute);
    if (!isOutputSize(*type, attribute))
        return toVariant(*type, value, isColour(attribute));
    if (material.isNull())
        return QVariant();
    return QVariant::fromValue(QOXIntVector3D(value.i[0], value.i[1], material->getSyncOutputSize() ? 1 : 0));
}

bool writeAttribute(const USubstanceMaterialPtr& material, const AttributeValuePtr& attribute, const QVariant& value)
{
    const TypeInfo* type = typeOf(attribute);
    if (!type || !value.isValid())
        return false;
    if (type->kind == Kind::Image)
    {
        const AttributeImageValuePtr image = AttributeImageValuePtr::dcast(attribute);
        const ImagePtr content = oxSubstanceUtils::convertQVariantToOsgImage(value);
        osgEdit edit(image, AttributeImageValueBase::ImageFieldMask);
        image->setImage(content);
        return true;
    }
    // The output size carries the material's sync flag as Z: 1 sets it, anything else clears it.
    const bool sized = isOutputSize(*type, attribute) && value.userType() == qMetaTypeId<QOXIntVector3D>();
    Value v;
    if (sized)
        fromVariant(*typeByCode(SubstanceAir::InputType_Integer3), value, false, v);
    else
        fromVariant(*type, value, isColour(attribute), v);
    type->store(attribute, v);
    if (sized && !material.isNull())
    {
        osgEdit edit(material, USubstanceMaterialBase::SyncOutputSizeFieldMask);
        material->setSyncOutputSize(v.i[2] == 1);
    }
    return true;
}

} // namespace oxArchive
