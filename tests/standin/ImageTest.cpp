// Host images: placeholder images, uniform fills, data type conversion with
// scaling, pixel reads and their error paths.

#include "OSGImage.h"
#include "oxHostFixture.h"
#include "oxHostUtils.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

using osg::Image;

/// The raw channel values of an image, widened to double (no scaling).
std::vector<double> channels(const ImagePtr& image)
{
    std::vector<double> out;
    const auto& px = image->getPixels();
    const std::size_t size = std::size_t(Image::channelSize(image->getDataType()));
    for (std::size_t at = 0; size && at + size <= px.size(); at += size)
    {
        switch (image->getDataType())
        {
        case Image::OSG_UINT8_IMAGEDATA:
            out.push_back(px[at]);
            break;
        case Image::OSG_UINT16_IMAGEDATA:
        {
            osg::UInt16 v;
            std::memcpy(&v, &px[at], 2);
            out.push_back(v);
            break;
        }
        case Image::OSG_UINT32_IMAGEDATA:
        {
            osg::UInt32 v;
            std::memcpy(&v, &px[at], 4);
            out.push_back(v);
            break;
        }
        default:
        {
            float v;
            std::memcpy(&v, &px[at], 4);
            out.push_back(v);
        }
        }
    }
    return out;
}

/// A 1x1 float image holding the three channel values.
ImagePtr floatPixel(float r, float g, float b)
{
    ImagePtr image = Image::create();
    osgEdit edit(image, osg::FieldBits::AllFields);
    image->setWidth(1);
    image->setHeight(1);
    image->setDataType(Image::OSG_FLOAT32_IMAGEDATA);
    const float values[] = {r, g, b};
    image->editPixels().resize(sizeof values);
    std::memcpy(image->editPixels().data(), values, sizeof values);
    return image;
}

class ImageTest : public oxHostTest
{
};

TEST_F(ImageTest, ChannelSizes)
{
    EXPECT_EQ(Image::channelSize(Image::OSG_UINT8_IMAGEDATA), 1);
    EXPECT_EQ(Image::channelSize(Image::OSG_UINT16_IMAGEDATA), 2);
    EXPECT_EQ(Image::channelSize(Image::OSG_UINT32_IMAGEDATA), 4);
    EXPECT_EQ(Image::channelSize(Image::OSG_FLOAT32_IMAGEDATA), 4);
    EXPECT_EQ(Image::channelSize(Image::OSG_INVALID_IMAGEDATATYPE), 0);
    EXPECT_EQ(Image::channelSize(0x1404), 0); // signed 32-bit: not a raster type here
    EXPECT_EQ(Image::channelSize(-1), 0);
}

TEST_F(ImageTest, DummyImageIsASmallUnreferencedEightBitRaster)
{
    ImagePtr image = oxImageCreator::createDummyImage(255, 128, 0);
    EXPECT_EQ(image->getRefCount(), 0);
    hold(image);
    EXPECT_EQ(image->getWidth(), 4);
    EXPECT_EQ(image->getHeight(), 4);
    EXPECT_EQ(image->getDataType(), Image::OSG_UINT8_IMAGEDATA);
    ASSERT_EQ(image->getPixels().size(), 4u * 4u * 3u);
    for (std::size_t i = 0; i < image->getPixels().size(); i += 3)
    {
        EXPECT_EQ(image->getPixels()[i], 255);
        EXPECT_EQ(image->getPixels()[i + 1], 128);
        EXPECT_EQ(image->getPixels()[i + 2], 0);
    }
    const osg::Vec3f corner = image->getPixel(3, 3);
    EXPECT_FLOAT_EQ(corner[0], 1.0f);
    EXPECT_FLOAT_EQ(corner[1], 128.0f / 255.0f);
    EXPECT_FLOAT_EQ(corner[2], 0.0f);
    EXPECT_TRUE(oxStandIn::editLog().empty());
}

TEST_F(ImageTest, UniformColorBracketsItself)
{
    ImagePtr image = hold(Image::create());
    image->setUniformColor(2, 3, 1, 2, 3);
    EXPECT_EQ(image->getWidth(), 2);
    EXPECT_EQ(image->getHeight(), 3);
    EXPECT_EQ(channels(image), (std::vector<double>{1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3}));
    const auto brackets = bracketsOn(image->getId());
    ASSERT_EQ(brackets.size(), 1u);
    EXPECT_EQ(brackets[0].mask,
              Image::WidthFieldMask | Image::HeightFieldMask | Image::DataTypeFieldMask | Image::PixelsFieldMask);
}

TEST_F(ImageTest, UniformColorRefusesSizesWithoutPixels)
{
    ImagePtr image = hold(oxImageCreator::createDummyImage(7, 7, 7));
    const struct
    {
        osg::Int32 width, height;
    } sizes[] = {{0, 4}, {4, 0}, {-1, 4}, {4, -5}, {1 << 20, 1 << 20}};
    for (const auto& size : sizes)
        image->setUniformColor(size.width, size.height, 1, 1, 1);
    EXPECT_EQ(image->getWidth(), 4);
    EXPECT_EQ(channels(image), std::vector<double>(48, 7));
    const std::string id = std::to_string(image->getId());
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              "error: Image #" + id + ": cannot fill a raster of 0x4 pixels.",
                              "error: Image #" + id + ": cannot fill a raster of 4x0 pixels.",
                              "error: Image #" + id + ": cannot fill a raster of -1x4 pixels.",
                              "error: Image #" + id + ": cannot fill a raster of 4x-5 pixels.",
                              "error: Image #" + id + ": cannot fill a raster of 1048576x1048576 pixels.",
                          }));
    EXPECT_TRUE(bracketsOn(image->getId()).empty());
}

struct ConversionCase
{
    const char* name;
    osg::Int32 target;
    std::vector<double> expected; ///< raw channel values of the pixel (255, 128, 0)
};

std::ostream& operator<<(std::ostream& out, const ConversionCase& c)
{
    return out << c.name;
}

class ImageConversionTest : public oxHostTest, public ::testing::WithParamInterface<ConversionCase>
{
};

TEST_P(ImageConversionTest, ScalesEightBitValues)
{
    ImagePtr image = hold(oxImageCreator::createDummyImage(255, 128, 0));
    oxStandIn::clearEditLog();
    ASSERT_TRUE(image->convertDataTypeTo(GetParam().target));
    EXPECT_EQ(image->getDataType(), GetParam().target);
    EXPECT_EQ(image->getPixels().size(), 48u * std::size_t(Image::channelSize(GetParam().target)));
    const std::vector<double> values = channels(image);
    ASSERT_EQ(values.size(), 48u);
    for (std::size_t i = 0; i < 3; ++i)
    {
        if (GetParam().target == Image::OSG_FLOAT32_IMAGEDATA)
            EXPECT_FLOAT_EQ(float(values[i]), float(GetParam().expected[i])) << i;
        else
            EXPECT_EQ(values[i], GetParam().expected[i]) << i;
    }
    // Pixel reads are scaled back to [0, 1] whatever the type.
    const osg::Vec3f pixel = image->getPixel(1, 2);
    EXPECT_NEAR(pixel[0], 1.0f, 1e-6f);
    EXPECT_NEAR(pixel[1], 128.0f / 255.0f, 1e-4f);
    EXPECT_NEAR(pixel[2], 0.0f, 1e-6f);

    const auto brackets = bracketsOn(image->getId());
    if (GetParam().target == Image::OSG_UINT8_IMAGEDATA)
    {
        EXPECT_TRUE(brackets.empty());
    }
    else
    {
        ASSERT_EQ(brackets.size(), 1u);
        EXPECT_EQ(brackets[0].mask, Image::DataTypeFieldMask | Image::PixelsFieldMask);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Targets, ImageConversionTest,
    ::testing::Values(ConversionCase{"SameType", Image::OSG_UINT8_IMAGEDATA, {255, 128, 0}},
                      ConversionCase{"ToUInt16", Image::OSG_UINT16_IMAGEDATA, {65535, 128 * 257, 0}},
                      ConversionCase{"ToUInt32", Image::OSG_UINT32_IMAGEDATA, {4294967295.0, 128.0 * 16843009.0, 0}},
                      ConversionCase{"ToFloat", Image::OSG_FLOAT32_IMAGEDATA, {1.0, 128.0 / 255.0, 0.0}}),
    [](const ::testing::TestParamInfo<ConversionCase>& info) { return std::string(info.param.name); });

TEST_F(ImageTest, RoundTripsThroughWiderTypesKeepEightBitValues)
{
    ImagePtr image = hold(oxImageCreator::createDummyImage(1, 127, 254));
    for (osg::Int32 type : {Image::OSG_FLOAT32_IMAGEDATA, Image::OSG_UINT16_IMAGEDATA, Image::OSG_UINT32_IMAGEDATA,
                            Image::OSG_UINT8_IMAGEDATA})
        ASSERT_TRUE(image->convertDataTypeTo(type));
    const std::vector<double> values = channels(image);
    EXPECT_EQ(std::vector<double>(values.begin(), values.begin() + 3), (std::vector<double>{1, 127, 254}));
}

TEST_F(ImageTest, NarrowingRoundsAndClampsFloatValues)
{
    const struct
    {
        float in;
        double out;
    } cases[] = {{0.5f, 128},  {0.499f, 127}, {1.0f, 255}, {1.5f, 255}, {-0.25f, 0},
                 {std::numeric_limits<float>::quiet_NaN(), 0}, {std::numeric_limits<float>::infinity(), 255}};
    for (const auto& c : cases)
    {
        ImagePtr image = hold(floatPixel(c.in, c.in, c.in));
        ASSERT_TRUE(image->convertDataTypeTo(Image::OSG_UINT8_IMAGEDATA));
        EXPECT_EQ(channels(image), std::vector<double>(3, c.out)) << c.in;
    }
    ImagePtr wide = hold(floatPixel(1.0f, 0.5f, 0.0f));
    ASSERT_TRUE(wide->convertDataTypeTo(Image::OSG_UINT16_IMAGEDATA));
    EXPECT_EQ(channels(wide), (std::vector<double>{65535, 32768, 0}));
}

TEST_F(ImageTest, UnknownTargetTypeIsRefusedAndChangesNothing)
{
    ImagePtr image = hold(oxImageCreator::createDummyImage(9, 8, 7));
    oxStandIn::clearEditLog();
    EXPECT_FALSE(image->convertDataTypeTo(Image::OSG_INVALID_IMAGEDATATYPE));
    EXPECT_FALSE(image->convertDataTypeTo(0x1404));
    EXPECT_EQ(image->getDataType(), Image::OSG_UINT8_IMAGEDATA);
    const std::vector<double> values = channels(image);
    EXPECT_EQ(std::vector<double>(values.begin(), values.begin() + 3), (std::vector<double>{9, 8, 7}));
    const std::string id = std::to_string(image->getId());
    EXPECT_EQ(logLines(), (std::vector<std::string>{"error: Image #" + id + ": unknown image data type 0x0.",
                                                    "error: Image #" + id + ": unknown image data type 0x1404."}));
    EXPECT_TRUE(oxStandIn::editLog().empty());
}

TEST_F(ImageTest, RasterThatDoesNotMatchItsSizeIsNotConverted)
{
    ImagePtr image = hold(oxImageCreator::createDummyImage(1, 2, 3));
    {
        osgEdit edit(image, Image::PixelsFieldMask);
        image->editPixels().pop_back();
    }
    EXPECT_FALSE(image->convertDataTypeTo(Image::OSG_FLOAT32_IMAGEDATA));
    EXPECT_EQ(image->getDataType(), Image::OSG_UINT8_IMAGEDATA);
    EXPECT_EQ(image->getPixels().size(), 47u);
    ASSERT_EQ(logLines().size(), 1u);
    EXPECT_NE(logLines()[0].find("raster of 47 bytes does not match 4x4 pixels of type uint8"), std::string::npos)
        << logLines()[0];
}

TEST_F(ImageTest, EmptyImageOnlyChangesItsType)
{
    ImagePtr image = hold(Image::create());
    EXPECT_TRUE(image->convertDataTypeTo(Image::OSG_UINT16_IMAGEDATA));
    EXPECT_EQ(image->getDataType(), Image::OSG_UINT16_IMAGEDATA);
    EXPECT_TRUE(image->getPixels().empty());
}

TEST_F(ImageTest, PixelsOutsideTheRasterReadAsBlackWithAnError)
{
    ImagePtr image = hold(oxImageCreator::createDummyImage(255, 255, 255));
    const struct
    {
        osg::Int32 x, y;
    } outside[] = {{-1, 0}, {0, -1}, {4, 0}, {0, 4}, {4, 4}};
    for (const auto& p : outside)
    {
        oxStandIn::clearLogMessages();
        const osg::Vec3f pixel = image->getPixel(p.x, p.y);
        EXPECT_EQ(pixel, osg::Vec3f(0.f, 0.f, 0.f));
        ASSERT_EQ(logLines().size(), 1u);
        EXPECT_EQ(logLines()[0], "error: Image #" + std::to_string(image->getId()) + ": no pixel (" +
                                     std::to_string(p.x) + ", " + std::to_string(p.y) +
                                     ") in a raster of 4x4 pixels.");
    }
    EXPECT_EQ(image->getPixel(3, 0), osg::Vec3f(1.f, 1.f, 1.f));

    ImagePtr empty = hold(Image::create());
    EXPECT_EQ(empty->getPixel(0, 0), osg::Vec3f(0.f, 0.f, 0.f));
}

} // namespace
