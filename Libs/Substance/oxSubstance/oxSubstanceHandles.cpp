#include "oxSubstanceHandles.h"

#include "host/oxdImage.h"

namespace {

/// The image container that a value names, or null.
osg::FieldContainerPtr imageContainerOf(const QVariant& value)
{
    static const int imageType = qMetaTypeId<oxdImage>();
    if (!value.canConvert(imageType))
        return osg::FieldContainerPtr();
    return osg::FieldContainerFactory::the()->getContainer(value.value<oxdImage>().getObjectId());
}

} // namespace

oxSubstanceStoredValue::oxSubstanceStoredValue(const QVariant& value) : _value(value), _image(imageContainerOf(value))
{
}
