// Host image: an RGB raster of 8, 16 or 32-bit unsigned or 32-bit float channels.

#include "ModelInternal.h"
#include "OSGImage.h"
#include "oxHostUtils.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr int kChannels = 3;
// Largest raster that setUniformColor and conversions accept, in bytes.
constexpr std::size_t kMaxRasterBytes = std::size_t(1) << 30;

/// Channel value at byte offset \p at, scaled to [0, 1] for the unsigned types.
double readChannel(const osg::MField<osg::UInt8>& pixels, std::size_t at, osg::Int32 type)
{
    switch (type)
    {
    case osg::Image::OSG_UINT8_IMAGEDATA:
        return pixels[at] / 255.0;
    case osg::Image::OSG_UINT16_IMAGEDATA:
    {
        osg::UInt16 v;
        std::memcpy(&v, &pixels[at], sizeof v);
        return v / 65535.0;
    }
    case osg::Image::OSG_UINT32_IMAGEDATA:
    {
        osg::UInt32 v;
        std::memcpy(&v, &pixels[at], sizeof v);
        return v / 4294967295.0;
    }
    case osg::Image::OSG_FLOAT32_IMAGEDATA:
    {
        float v;
        std::memcpy(&v, &pixels[at], sizeof v);
        return v;
    }
    default:
        return 0.0;
    }
}

template <class T>
void storeScaled(std::vector<osg::UInt8>& out, std::size_t at, double value)
{
    if (!(value > 0.0)) // NaN too
        value = 0.0;
    if (value > 1.0)
        value = 1.0;
    const T v = static_cast<T>(std::llround(value * double(std::numeric_limits<T>::max())));
    std::memcpy(&out[at], &v, sizeof v);
}

void writeChannel(std::vector<osg::UInt8>& out, std::size_t at, osg::Int32 type, double value)
{
    switch (type)
    {
    case osg::Image::OSG_UINT8_IMAGEDATA:
        storeScaled<osg::UInt8>(out, at, value);
        break;
    case osg::Image::OSG_UINT16_IMAGEDATA:
        storeScaled<osg::UInt16>(out, at, value);
        break;
    case osg::Image::OSG_UINT32_IMAGEDATA:
        storeScaled<osg::UInt32>(out, at, value);
        break;
    case osg::Image::OSG_FLOAT32_IMAGEDATA:
    {
        const float v = static_cast<float>(value);
        std::memcpy(&out[at], &v, sizeof v);
        break;
    }
    default:
        break;
    }
}

/// Number of bytes that the raster of \p image should hold; 0 when the size is not positive.
std::size_t expectedBytes(const osg::Image& image)
{
    if (image.getWidth() <= 0 || image.getHeight() <= 0)
        return 0;
    return std::size_t(image.getWidth()) * std::size_t(image.getHeight()) * kChannels *
           std::size_t(osg::Image::channelSize(image.getDataType()));
}

/// Whether the raster matches the image's size and data type.
bool rasterConsistent(const osg::Image& image)
{
    return image.getPixels().size() == expectedBytes(image);
}

} // namespace

namespace oxStandIn {
namespace detail {

bool fillUniform(osg::Image& image, osg::Int32 width, osg::Int32 height, osg::UInt8 r, osg::UInt8 g, osg::UInt8 b)
{
    if (width <= 0 || height <= 0 || std::size_t(width) * std::size_t(height) * kChannels > kMaxRasterBytes)
        return false;
    image.setWidth(width);
    image.setHeight(height);
    image.setDataType(osg::Image::OSG_UINT8_IMAGEDATA);
    osg::MField<osg::UInt8>& pixels = image.editPixels();
    pixels.assign(std::size_t(width) * std::size_t(height) * kChannels, 0);
    for (std::size_t i = 0; i < pixels.size(); i += kChannels)
    {
        pixels[i] = r;
        pixels[i + 1] = g;
        pixels[i + 2] = b;
    }
    return true;
}

ImagePtr cloneImage(const ImagePtr& image)
{
    if (image.isNull())
        return ImagePtr();
    ImagePtr copy = osg::Image::create();
    InitScope init(copy.getCPtr());
    copy->setWidth(image->getWidth());
    copy->setHeight(image->getHeight());
    copy->setDataType(image->getDataType());
    copy->editPixels() = image->getPixels();
    return copy;
}

const char* dataTypeName(osg::Int32 dataType)
{
    switch (dataType)
    {
    case osg::Image::OSG_UINT8_IMAGEDATA:
        return "uint8";
    case osg::Image::OSG_UINT16_IMAGEDATA:
        return "uint16";
    case osg::Image::OSG_UINT32_IMAGEDATA:
        return "uint32";
    case osg::Image::OSG_FLOAT32_IMAGEDATA:
        return "float32";
    default:
        return "invalid";
    }
}

} // namespace detail
} // namespace oxStandIn

namespace osg {

OX_DEFINE_CONTAINER_TYPE(ImageBase, Image, FieldContainer)

ImagePtr Image::create()
{
    ImagePtr image(new Image());
    oxStandIn::detail::InitScope init(image.getCPtr());
    image->setDataType(OSG_UINT8_IMAGEDATA);
    return image;
}

int Image::channelSize(Int32 dataType)
{
    switch (dataType)
    {
    case OSG_UINT8_IMAGEDATA:
        return 1;
    case OSG_UINT16_IMAGEDATA:
        return 2;
    case OSG_UINT32_IMAGEDATA:
    case OSG_FLOAT32_IMAGEDATA:
        return 4;
    default:
        return 0;
    }
}

void Image::setUniformColor(Int32 width, Int32 height, UInt8 r, UInt8 g, UInt8 b)
{
    if (width <= 0 || height <= 0 ||
        std::size_t(width) * std::size_t(height) * kChannels > kMaxRasterBytes)
    {
        oxLog::error("Image #%u: cannot fill a raster of %dx%d pixels.", getId(), width, height);
        return;
    }
    osgEdit edit(FieldContainerPtr(this), WidthFieldMask | HeightFieldMask | DataTypeFieldMask | PixelsFieldMask);
    oxStandIn::detail::fillUniform(*this, width, height, r, g, b);
}

bool Image::convertDataTypeTo(Int32 dataType)
{
    if (channelSize(dataType) == 0)
    {
        oxLog::error("Image #%u: unknown image data type 0x%X.", getId(), static_cast<unsigned>(dataType));
        return false;
    }
    if (dataType == getDataType())
        return true;
    if (getPixels().empty())
    {
        osgEdit edit(FieldContainerPtr(this), DataTypeFieldMask);
        setDataType(dataType);
        return true;
    }
    if (channelSize(getDataType()) == 0 || !rasterConsistent(*this))
    {
        oxLog::error("Image #%u: raster of %zu bytes does not match %dx%d pixels of type %s; not converted.", getId(),
                     getPixels().size(), getWidth(), getHeight(), oxStandIn::detail::dataTypeName(getDataType()));
        return false;
    }
    const std::size_t values = getPixels().size() / std::size_t(channelSize(getDataType()));
    if (values * std::size_t(channelSize(dataType)) > kMaxRasterBytes)
    {
        oxLog::error("Image #%u: a raster of %dx%d pixels is too large to convert.", getId(), getWidth(), getHeight());
        return false;
    }
    std::vector<UInt8> converted(values * std::size_t(channelSize(dataType)));
    const std::size_t inSize = std::size_t(channelSize(getDataType()));
    const std::size_t outSize = std::size_t(channelSize(dataType));
    for (std::size_t i = 0; i < values; ++i)
        writeChannel(converted, i * outSize, dataType, readChannel(getPixels(), i * inSize, getDataType()));

    osgEdit edit(FieldContainerPtr(this), DataTypeFieldMask | PixelsFieldMask);
    setDataType(dataType);
    editPixels().assign(converted.begin(), converted.end());
    return true;
}

Vec3f Image::getPixel(Int32 x, Int32 y) const
{
    if (x < 0 || y < 0 || x >= getWidth() || y >= getHeight() || channelSize(getDataType()) == 0 ||
        !rasterConsistent(*this))
    {
        oxLog::error("Image #%u: no pixel (%d, %d) in a raster of %dx%d pixels.", getId(), x, y, getWidth(),
                     getHeight());
        return Vec3f(0.f, 0.f, 0.f);
    }
    const std::size_t size = std::size_t(channelSize(getDataType()));
    const std::size_t at = (std::size_t(y) * std::size_t(getWidth()) + std::size_t(x)) * kChannels * size;
    return Vec3f(readChannel(getPixels(), at, getDataType()), readChannel(getPixels(), at + size, getDataType()),
                 readChannel(getPixels(), at + 2 * size, getDataType()));
}

} // namespace osg
