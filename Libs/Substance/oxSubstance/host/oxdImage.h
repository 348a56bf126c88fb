#pragma once
/// \file oxdImage.h
/// Scripting data objects of the host. An oxdImage names an image container
/// by its field-container id and travels in QVariant under the meta-type
/// name "oxdImage". It holds no reference on the image.

#include "oxHostExport.h"

#include <QMetaType>
#include <cstdint>

class OX_HOST_API oxdObject
{
public:
    oxdObject() = default;
    explicit oxdObject(std::uint32_t objectId) : _objectId(objectId) {}
    /// Field-container id of the object; 0 for none.
    std::uint32_t getObjectId() const { return _objectId; }

private:
    std::uint32_t _objectId = 0;
};

class OX_HOST_API oxdImage : public oxdObject
{
public:
    oxdImage() = default;
    explicit oxdImage(std::uint32_t imageId) : oxdObject(imageId) {}
    bool operator==(const oxdImage& o) const { return getObjectId() == o.getObjectId(); }
    bool operator!=(const oxdImage& o) const { return !(*this == o); }
};

Q_DECLARE_METATYPE(oxdImage)
