// Host attribute model: attributes, typed attribute values and groups.

#include "Attributes.h"
#include "ModelInternal.h"

#include <utility>

OX_DEFINE_CONTAINER_TYPE(AttributeBase, Attribute, osg::FieldContainer)
OX_DEFINE_CONTAINER_TYPE(AttributeValueBase, AttributeValue, Attribute)
OX_DEFINE_CONTAINER_TYPE(AttributeFloatValueBase, AttributeFloatValue, AttributeValue)
OX_DEFINE_CONTAINER_TYPE(AttributeFloat2DValueBase, AttributeFloat2DValue, AttributeValue)
OX_DEFINE_CONTAINER_TYPE(AttributeFloat3DValueBase, AttributeFloat3DValue, AttributeValue)
OX_DEFINE_CONTAINER_TYPE(AttributeFloat4DValueBase, AttributeFloat4DValue, AttributeValue)
OX_DEFINE_CONTAINER_TYPE(AttributeIntValueBase, AttributeIntValue, AttributeValue)
OX_DEFINE_CONTAINER_TYPE(AttributeInt2DValueBase, AttributeInt2DValue, AttributeValue)
OX_DEFINE_CONTAINER_TYPE(AttributeInt3DValueBase, AttributeInt3DValue, AttributeValue)
OX_DEFINE_CONTAINER_TYPE(AttributeInt4DValueBase, AttributeInt4DValue, AttributeValue)
OX_DEFINE_CONTAINER_TYPE(AttributeStringValueBase, AttributeStringValue, AttributeValue)
OX_DEFINE_CONTAINER_TYPE(AttributeImageValueBase, AttributeImageValue, AttributeValue)
OX_DEFINE_CONTAINER_TYPE(AttributeGroupBase, AttributeGroup, Attribute)

// Component captions default to the component letters.
#define OX_DEFAULT_LABELS(Base)                                                                    \
    Base::Base() : _sfLabelX("X"), _sfLabelY("Y"), _sfLabelZ("Z"), _sfLabelW("W") {}

OX_DEFAULT_LABELS(AttributeFloat2DValueBase)
OX_DEFAULT_LABELS(AttributeFloat3DValueBase)
OX_DEFAULT_LABELS(AttributeFloat4DValueBase)
OX_DEFAULT_LABELS(AttributeInt2DValueBase)
OX_DEFAULT_LABELS(AttributeInt3DValueBase)
OX_DEFAULT_LABELS(AttributeInt4DValueBase)

#define OX_DEFINE_CREATE(Class)                                                                    \
    Class##Ptr Class::create() { return Class##Ptr(new Class()); }

OX_DEFINE_CREATE(AttributeFloatValue)
OX_DEFINE_CREATE(AttributeFloat2DValue)
OX_DEFINE_CREATE(AttributeFloat3DValue)
OX_DEFINE_CREATE(AttributeFloat4DValue)
OX_DEFINE_CREATE(AttributeIntValue)
OX_DEFINE_CREATE(AttributeInt2DValue)
OX_DEFINE_CREATE(AttributeInt3DValue)
OX_DEFINE_CREATE(AttributeInt4DValue)
OX_DEFINE_CREATE(AttributeStringValue)
OX_DEFINE_CREATE(AttributeImageValue)
OX_DEFINE_CREATE(AttributeGroup)

bool AttributeFloat4DValue::isColorAttribute() const
{
    return getWidget() == "color";
}

void AttributeImageValueBase::setImage(const ImagePtr& image)
{
    fieldWritten(ImageFieldMask);
    // Take the new reference first: the old and the new image may be the same.
    osg::addRef(image);
    const ImagePtr previous = _sfImage;
    _sfImage = image;
    osg::subRef(previous);
}

AttributeImageValueBase::~AttributeImageValueBase()
{
    osg::subRef(_sfImage);
}

AttributeGroupBase::~AttributeGroupBase()
{
    for (const AttributeValuePtr& value : _mfProperties)
        osg::subRef(value);
}

void AttributeGroup::clearAttributes()
{
    osg::MField<AttributeValuePtr> released;
    released.swap(editProperties());
    for (const AttributeValuePtr& value : released)
        osg::subRef(value);
}

AttributeValuePtr AttributeGroup::getAttribute(const std::string& uuid) const
{
    for (const AttributeValuePtr& value : getProperties())
        if (!value.isNull() && value->getUuid() == uuid)
            return value;
    return AttributeValuePtr();
}
