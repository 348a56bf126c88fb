#pragma once
/// \file OSGImage.h
/// Host image container: an RGB raster of one pixel data type.

#include "OSGBase.h"

namespace osg {

class Image;
using ImagePtr = FCPtr<Image>;

class OX_HOST_API ImageBase : public FieldContainer
{
    OX_CONTAINER(Image)
public:
    enum { WidthFieldId = FieldContainer::NextFieldId, HeightFieldId, DataTypeFieldId, PixelsFieldId, NextFieldId };
    OX_FIELD_MASK(Width)
    OX_FIELD_MASK(Height)
    OX_FIELD_MASK(DataType)
    OX_FIELD_MASK(Pixels)
    OX_FIELD(Int32, Width)
    OX_FIELD(Int32, Height)
    OX_FIELD(Int32, DataType)
    /// Raw bytes of the RGB raster, row by row, in the image's data type.
    OX_MFIELD(UInt8, Pixels)
protected:
    ImageBase() = default;
};

class OX_HOST_API Image : public ImageBase
{
public:
    /// Pixel data types (the GL type codes).
    enum Type
    {
        OSG_INVALID_IMAGEDATATYPE = 0,
        OSG_UINT8_IMAGEDATA = 0x1401,
        OSG_UINT16_IMAGEDATA = 0x1403,
        OSG_UINT32_IMAGEDATA = 0x1405,
        OSG_FLOAT32_IMAGEDATA = 0x1406
    };

    static ImagePtr create();
    /// Bytes per channel of a data type; 0 for an unknown type.
    static int channelSize(Int32 dataType);
    /// Fills the image with one RGB colour, 8 bits per channel (edits the image itself).
    void setUniformColor(Int32 width, Int32 height, UInt8 r, UInt8 g, UInt8 b);
    /// Converts the raster to another data type (edits the image itself);
    /// false, image unchanged, for an unknown type.
    bool convertDataTypeTo(Int32 dataType);
    /// Red, green and blue of pixel (x, y) scaled to [0, 1].
    Vec3f getPixel(Int32 x, Int32 y) const;

protected:
    Image() = default;
};

} // namespace osg

using ImagePtr = osg::ImagePtr;
