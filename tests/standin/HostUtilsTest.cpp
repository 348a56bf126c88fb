// Host utilities and images: log formatting, file-name expansion, image data
// type conversion.

#include "Materials.h"
#include "OSGImage.h"
#include "oxHostFixture.h"
#include "oxHostUtils.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

using HostUtilsTest = oxHostTest;
using osg::Image;

/// The channels of the first pixel as stored (no scaling).
template <class T>
std::vector<double> firstPixel(const ImagePtr& image)
{
    T v[3];
    std::memcpy(v, image->getPixels().data(), sizeof v);
    return {double(v[0]), double(v[1]), double(v[2])};
}

TEST_F(HostUtilsTest, LogFormatsPrintfStyleWithoutALengthLimit)
{
    const std::string longText(5000, 'x');
    oxLog::error("Material %s: %s", oxMaterials::getName(MaterialPtr()).c_str(), "");
    oxLog::warning("%d presets, %.2f%% done, %5s|%-4d|%x", -3, 42.126, "ab", 12, 255);
    oxLog::error("<%s>", longText.c_str());
    EXPECT_EQ(logLines(), (std::vector<std::string>{"error: Material <null>: ",
                                                    "warning: -3 presets, 42.13% done,    ab|12  |ff",
                                                    "error: <" + longText + ">"}));
}

TEST_F(HostUtilsTest, ExpandFilenameReplacesHomeAndVariables)
{
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    setenv("HOME", "/home/tester", 1);
    setenv("OXT_A", "alpha", 1);
    unsetenv("OXT_UNSET");
    const std::pair<const char*, const char*> cases[] = {
        {"~", "/home/tester"},
        {"~/a/$OXT_A.sbsar", "/home/tester/a/alpha.sbsar"},
        {"~other/a/~/b", "~other/a/~/b"},
        {"${OXT_A}x$OXT_Ax", "alphax"},
        {"a${OXT_UNSET}b", "ab"},
        {"$1x ${} ${OXT_A", "$1x ${} ${OXT_A"},
        {"$$OXT_A$", "$alpha$"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(oxFile::expandFilename(c.first), c.second) << '"' << c.first << '"';
    if (oldHome)
        setenv("HOME", savedHome.c_str(), 1);
    else
        unsetenv("HOME");
}

TEST_F(HostUtilsTest, ConversionScalesToTheTargetRange)
{
    ImagePtr wide = hold(oxImageCreator::createDummyImage(255, 128, 0));
    ASSERT_TRUE(wide->convertDataTypeTo(Image::OSG_UINT16_IMAGEDATA));
    EXPECT_EQ(firstPixel<osg::UInt16>(wide), (std::vector<double>{65535, 128 * 257, 0}));
    ASSERT_TRUE(wide->convertDataTypeTo(Image::OSG_UINT32_IMAGEDATA));
    EXPECT_EQ(firstPixel<osg::UInt32>(wide), (std::vector<double>{4294967295.0, 128.0 * 16843009.0, 0}));
    ASSERT_TRUE(wide->convertDataTypeTo(Image::OSG_FLOAT32_IMAGEDATA));
    EXPECT_EQ(wide->getPixels().size(), 48u * 4u);
    EXPECT_NEAR(wide->getPixel(1, 2)[1], 128.0f / 255.0f, 1e-6f);
    ASSERT_TRUE(wide->convertDataTypeTo(Image::OSG_UINT8_IMAGEDATA));
    EXPECT_EQ(firstPixel<osg::UInt8>(wide), (std::vector<double>{255, 128, 0}));
    EXPECT_EQ(bracketsOn(wide->getId())[0].mask, Image::DataTypeFieldMask | Image::PixelsFieldMask);

    // Narrowing rounds and clamps.
    ImagePtr image = hold(Image::create());
    osgEdit edit(image, osg::FieldBits::AllFields);
    image->setWidth(1);
    image->setHeight(2);
    image->setDataType(Image::OSG_FLOAT32_IMAGEDATA);
    const float values[] = {0.5f, 0.499f, 1.5f, -0.25f, std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity()};
    image->editPixels().resize(sizeof values);
    std::memcpy(image->editPixels().data(), values, sizeof values);
    ASSERT_TRUE(image->convertDataTypeTo(Image::OSG_UINT8_IMAGEDATA));
    EXPECT_EQ(std::vector<osg::UInt8>(image->getPixels().begin(), image->getPixels().end()),
              (std::vector<osg::UInt8>{128, 127, 255, 0, 0, 255}));
}

TEST_F(HostUtilsTest, BadConversionsAndPixelReadsAreRefusedWithAnError)
{
    ImagePtr image = hold(oxImageCreator::createDummyImage(9, 8, 7));
    const std::string id = "error: Image #" + std::to_string(image->getId()) + ": ";
    EXPECT_FALSE(image->convertDataTypeTo(0x1404));
    EXPECT_EQ(image->getPixel(4, 0), osg::Vec3f(0.f, 0.f, 0.f));
    {
        osgEdit edit(image, Image::PixelsFieldMask);
        image->editPixels().pop_back();
    }
    EXPECT_FALSE(image->convertDataTypeTo(Image::OSG_FLOAT32_IMAGEDATA));
    EXPECT_EQ(image->getDataType(), Image::OSG_UINT8_IMAGEDATA);
    EXPECT_EQ(firstPixel<osg::UInt8>(image), (std::vector<double>{9, 8, 7}));
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              id + "unknown image data type 0x1404.",
                              id + "no pixel (4, 0) in a raster of 4x4 pixels.",
                              id + "raster of 47 bytes does not match 4x4 pixels of type uint8; not converted."}));
}

} // namespace
