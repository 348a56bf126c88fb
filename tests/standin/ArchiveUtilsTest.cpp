// The archive service's helpers: preset values by type code, preset content,
// image conversions (with binary PPM files), the list of Substance materials,
// preset files and the renderer hook.

#include "ArchiveTestSupport.h"

#include "preset/SubstanceAirPreset.h"

#include <cstring>

using namespace archivetest;

namespace {

class ArchiveUtilsTest : public oxHostTest
{
};

// ---------------------------------------------------------------- getValue

struct ValueCase
{
    const char* name;
    std::uint32_t type;
    const char* identifier;
    const char* text;
    QVariant expected; ///< invalid: the text does not read
};

class PresetValueTest : public oxHostTest, public ::testing::WithParamInterface<ValueCase>
{
};

TEST_P(PresetValueTest, TypeCodeGivesTheAttributeForm)
{
    const ValueCase& c = GetParam();
    SubstanceAir::Preset::InputValue in;
    in.type = c.type;
    in.identifier = c.identifier;
    in.value = c.text;
    const QVariant value = oxSubstanceUtils::getValue(in);
    EXPECT_EQ(value.userType(), c.expected.userType()) << value.typeName();
    EXPECT_EQ(value, c.expected);
}

QVariant i3(int x, int y, int z)
{
    return QVariant::fromValue(QOXIntVector3D(x, y, z));
}

INSTANTIATE_TEST_SUITE_P(
    Codes, PresetValueTest,
    ::testing::Values(
        ValueCase{"Float", 0, "f", "0.35", QVariant::fromValue(0.35f)},
        ValueCase{"FloatBlanksAndPlus", 0, "f", "  +2.5 ", QVariant::fromValue(2.5f)},
        ValueCase{"FloatExponent", 0, "f", "1e-3", QVariant::fromValue(1e-3f)},
        ValueCase{"FloatJunk", 0, "f", "2.5x", QVariant()},
        ValueCase{"FloatEmpty", 0, "f", "", QVariant()},
        ValueCase{"FloatNaN", 0, "f", "nan", QVariant()},
        ValueCase{"FloatTooBig", 0, "f", "1e39", QVariant()},
        ValueCase{"FloatTwoComponents", 0, "f", "1,2", QVariant()},
        ValueCase{"Float2", 1, "f", "1, 2", QVariant::fromValue(QVector2D(1, 2))},
        ValueCase{"Float2OneComponent", 1, "f", "1", QVariant()},
        ValueCase{"Float3", 2, "f", "0,0.5,-1", QVariant::fromValue(QVector3D(0, 0.5f, -1))},
        ValueCase{"Float3EmptyComponent", 2, "f", "0,,1", QVariant()},
        ValueCase{"Float4IsVector4D", 3, "tint", "0.9,0.75,0.55,1",
                  QVariant::fromValue(QVector4D(0.9f, 0.75f, 0.55f, 1))},
        ValueCase{"Int", 4, "i", "-12", QVariant(-12)},
        ValueCase{"IntFraction", 4, "i", "1.5", QVariant()},
        ValueCase{"IntOverflow", 4, "i", "2147483648", QVariant()},
        ValueCase{"IntMinimum", 4, "i", "-2147483648", QVariant(-2147483647 - 1)},
        ValueCase{"ImageEmptyPath", 5, "m", "", QVariant::fromValue(oxdImage(0))},
        ValueCase{"ImagePath", 5, "m", "/tmp/mask.ppm", QVariant(QStringLiteral("/tmp/mask.ppm"))},
        ValueCase{"String", 6, "s", "  spaced, as is ", QVariant(QStringLiteral("  spaced, as is "))},
        ValueCase{"StringEmpty", 6, "s", "", QVariant(QString(""))},
        ValueCase{"Int2", 8, "size", "9,10", QVariant::fromValue(QOXIntVector2D(9, 10))},
        ValueCase{"OutputSize", 8, "$outputsize", "9,10", i3(9, 10, 1)},
        ValueCase{"OutputSizeCaseMatters", 8, "$OutputSize", "9,10", QVariant::fromValue(QOXIntVector2D(9, 10))},
        ValueCase{"OutputSizeThreeComponents", 8, "$outputsize", "9,10,0", QVariant()},
        ValueCase{"OutputSizeAsInt3", 9, "$outputsize", "9,10,0", i3(9, 10, 0)},
        ValueCase{"Int3", 9, "i", "1,2,3", i3(1, 2, 3)},
        ValueCase{"Int4", 10, "i", "1,2,3,4", QVariant::fromValue(QOXIntVector4D(1, 2, 3, 4))},
        ValueCase{"Int4ThreeComponents", 10, "i", "1,2,3", QVariant()},
        ValueCase{"UnusedCode7", 7, "i", "1", QVariant()},
        ValueCase{"UnknownCode", SubstanceAir::Preset::UnknownType, "i", "1", QVariant()}),
    [](const ::testing::TestParamInfo<ValueCase>& info) { return std::string(info.param.name); });

TEST_F(ArchiveUtilsTest, OutputSizeValueTakesTheDefaultSyncState)
{
    SubstanceAir::Preset::InputValue in;
    in.type = SubstanceAir::InputType_Integer2;
    in.identifier = "$outputsize";
    in.value = "8,8";
    QSubstanceArchive::setDefaultSyncOutputSize(false);
    EXPECT_EQ(oxSubstanceUtils::getValue(in), i3(8, 8, 0));
}

// ---------------------------------------------------------------- content

TEST_F(ArchiveUtilsTest, ContentIsOnePresetElementAndNameIsTheLabel)
{
    SubstanceAir::Preset record;
    record.packageUrl = "pkg://a&b";
    record.label = "Light <Oak>";
    record.description = "dropped";
    SubstanceAir::Preset::InputValue in;
    in.uid = 3;
    in.identifier = "mask";
    in.type = 5;
    in.value = "/m.ppm";
    record.inputValues.push_back(in);

    const std::string expected = " <sbspreset pkgurl=\"pkg://a&amp;b\" label=\"Light &lt;Oak&gt;\" >\n"
                                 "  <presetinput identifier=\"mask\" uid=\"3\" type=\"5\" filepath=\"/m.ppm\" />\n"
                                 " </sbspreset>\n";
    EXPECT_EQ(oxSubstanceUtils::getContent(record), expected);
    const auto nameAndContent = oxSubstanceUtils::getNameAndContent(record);
    EXPECT_EQ(nameAndContent.first, "Light <Oak>");
    EXPECT_EQ(nameAndContent.second, expected);
}

// ---------------------------------------------------------------- images

TEST_F(ArchiveUtilsTest, ImageToVariantNamesTheContainer)
{
    ImagePtr image = hold(osg::Image::create());
    const QVariant value = oxSubstanceUtils::convertOsgImageToQVariant(image);
    ASSERT_EQ(value.userType(), qMetaTypeId<oxdImage>());
    EXPECT_EQ(value.value<oxdImage>().getObjectId(), image->getId());
    EXPECT_EQ(oxSubstanceUtils::convertOsgImageToQVariant(ImagePtr()), QVariant::fromValue(oxdImage(0)));
    EXPECT_EQ(oxSubstanceUtils::convertQVariantToOsgImage(value), image);
    EXPECT_EQ(image->getRefCount(), 1) << "no reference taken";
}

TEST_F(ArchiveUtilsTest, VariantToImageGivesNullForAnythingElse)
{
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    const std::vector<QVariant> others = {
        QVariant(),
        QVariant::fromValue(oxdImage(0)),
        QVariant::fromValue(oxdImage(material->getId())),
        QVariant::fromValue(oxdImage(0x7FFFFFF0u)),
        QVariant(QString()),
        QVariant(int(material->getId())),
        QVariant(QByteArray("P6 1 1 255 abc")),
    };
    for (const QVariant& v : others)
        EXPECT_TRUE(oxSubstanceUtils::convertQVariantToOsgImage(v).isNull()) << v.typeName();
    EXPECT_TRUE(logLines().empty());
}

TEST_F(ArchiveUtilsTest, BinaryPpmBecomesANewUnreferencedImage)
{
    TempFiles files;
    QByteArray bytes("P6\n# a comment\n2 1\n255\n");
    bytes.append("\x0A\x14\x1E\xFF\x00\x80", 6);
    const QString path = files.write("a.ppm", bytes);

    const ImagePtr image = oxSubstanceUtils::convertQVariantToOsgImage(QVariant(path));
    ASSERT_FALSE(image.isNull());
    hold(image);
    EXPECT_EQ(image->getRefCount(), 1);
    EXPECT_EQ(image->getWidth(), 2);
    EXPECT_EQ(image->getHeight(), 1);
    EXPECT_EQ(image->getDataType(), int(osg::Image::OSG_UINT8_IMAGEDATA));
    EXPECT_EQ(image->getPixels(), (osg::MField<osg::UInt8>{10, 20, 30, 255, 0, 128}));
    EXPECT_NE(hold(oxSubstanceUtils::convertQVariantToOsgImage(QVariant(path))), image) << "a new image each time";
}

TEST_F(ArchiveUtilsTest, WidePpmBecomesA16BitImage)
{
    TempFiles files;
    QByteArray bytes("P6 1 1 65535\n");
    bytes.append("\x12\x34\xFF\xFF\x00\x01", 6);
    const ImagePtr image = oxSubstanceUtils::convertQVariantToOsgImage(QVariant(files.write("w.ppm", bytes)));
    ASSERT_FALSE(image.isNull());
    hold(image);
    EXPECT_EQ(image->getDataType(), int(osg::Image::OSG_UINT16_IMAGEDATA));
    ASSERT_EQ(image->getPixels().size(), 6u);
    osg::UInt16 channels[3];
    std::memcpy(channels, image->getPixels().data(), 6);
    EXPECT_EQ(channels[0], 0x1234);
    EXPECT_EQ(channels[1], 0xFFFF);
    EXPECT_EQ(channels[2], 1);
}

TEST_F(ArchiveUtilsTest, SmallMaximumIsScaledToFullRange)
{
    TempFiles files;
    QByteArray bytes("P6 1 1 15\n");
    bytes.append("\x0F\x00\x05", 3);
    const ImagePtr image = oxSubstanceUtils::convertQVariantToOsgImage(QVariant(files.write("s.ppm", bytes)));
    ASSERT_FALSE(image.isNull());
    hold(image);
    EXPECT_EQ(image->getPixels(), (osg::MField<osg::UInt8>{255, 0, 85}));
}

struct BadPpmCase
{
    const char* name;
    QByteArray bytes;
    const char* problem;
};

class BadPpmTest : public oxHostTest, public ::testing::WithParamInterface<BadPpmCase>
{
};

TEST_P(BadPpmTest, GivesNullAndOneErrorNamingTheFile)
{
    TempFiles files;
    const QString path = files.write("bad.ppm", GetParam().bytes);
    const std::size_t live = oxStandIn::liveContainerCount();
    EXPECT_TRUE(oxSubstanceUtils::convertQVariantToOsgImage(QVariant(path)).isNull());
    EXPECT_EQ(oxStandIn::liveContainerCount(), live) << "no image made";
    EXPECT_EQ(logLines(), std::vector<std::string>{"error: Unable to read image '" + path.toStdString() + "': " +
                                                   GetParam().problem + "."});
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadPpmTest,
    ::testing::Values(BadPpmCase{"Empty", "", "not a binary PPM (P6) file"},
                      BadPpmCase{"AsciiPpm", "P3 1 1 255 1 2 3", "not a binary PPM (P6) file"},
                      BadPpmCase{"NoHeight", "P6 2", "the PPM header is incomplete"},
                      BadPpmCase{"LetterInHeader", "P6 2 x 255\n", "the PPM header is incomplete"},
                      BadPpmCase{"ZeroWidth", "P6 0 1 255\n", "the PPM header holds values out of range"},
                      BadPpmCase{"HugeMaximum", "P6 1 1 65536\n", "the PPM header holds values out of range"},
                      BadPpmCase{"HugeSize", "P6 99999 99999 255\n", "the PPM header holds values out of range"},
                      BadPpmCase{"TooManyDigits", "P6 1234567890 1 255\n", "the PPM header is incomplete"},
                      BadPpmCase{"NoBlankAfterHeader", "P6 1 1 255", "the PPM header is not followed by a blank"},
                      BadPpmCase{"Truncated", QByteArray("P6 2 2 255\n") + QByteArray(11, 'x'),
                                 "the pixel data is truncated"},
                      BadPpmCase{"TruncatedWide", QByteArray("P6 1 1 1000\n") + QByteArray(5, 'x'),
                                 "the pixel data is truncated"}),
    [](const ::testing::TestParamInfo<BadPpmCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- materials

TEST_F(ArchiveUtilsTest, AllSubstanceMaterialsAreTheLiveOnes)
{
    EXPECT_TRUE(oxSubstanceUtils::getAllSubstanceMaterials().empty());
    USubstanceMaterialPtr a = hold(USubstanceMaterial::create());
    USubstanceEnvironmentMaterialPtr env = hold(USubstanceEnvironmentMaterial::create());
    USubstanceMaterialPtr b = hold(USubstanceMaterial::create());
    {
        osgEdit edit(env, USubstanceEnvironmentMaterialBase::TextureGeneratorMaterialFieldMask);
        env->setTextureGeneratorMaterial(b);
    }
    hold(osg::Image::create());

    const auto all = oxSubstanceUtils::getAllSubstanceMaterials();
    std::set<osg::UInt32> ids;
    for (const USubstanceMaterialPtr& m : all)
        ids.insert(m->getId());
    EXPECT_EQ(all.size(), 2u);
    EXPECT_EQ(ids, (std::set<osg::UInt32>{a->getId(), b->getId()}));
}

// ---------------------------------------------------------------- preset files

struct PresetFileCase
{
    const char* name;
    QByteArray text; ///< null: no file
    bool presets;
};

class PresetFileTest : public oxHostTest, public ::testing::WithParamInterface<PresetFileCase>
{
};

TEST_P(PresetFileTest, ArePresetsWhenTheTopElementIsAPresetList)
{
    TempFiles files;
    const PresetFileCase& c = GetParam();
    const QString path = c.text.isNull() ? files.path("none.sbsprs") : files.write("f.sbsprs", c.text);
    EXPECT_EQ(QSubstanceFile(path).arePresets(), c.presets);
}

INSTANTIATE_TEST_SUITE_P(
    Files, PresetFileTest,
    ::testing::Values(PresetFileCase{"List", "<sbspresets count=\"0\" formatversion=\"1\">\n</sbspresets>\n", true},
                      PresetFileCase{"WithDeclaration", "<?xml version=\"1.0\"?><!-- c --><sbspresets/>", true},
                      PresetFileCase{"SinglePreset", "<sbspreset label=\"a\"/>", false},
                      PresetFileCase{"Archive", "<sbsar/>", false},
                      PresetFileCase{"NotXml", "<sbspresets>", false},
                      PresetFileCase{"Empty", "", false},
                      PresetFileCase{"Missing", QByteArray(), false}),
    [](const ::testing::TestParamInfo<PresetFileCase>& info) { return std::string(info.param.name); });

TEST_F(ArchiveUtilsTest, SamplePresetFilesArePresets)
{
    EXPECT_TRUE(QSubstanceFile(sample("materials.sbsprs")).arePresets());
    EXPECT_TRUE(QSubstanceFile(sample("multigraph.sbsprs")).arePresets());
    EXPECT_FALSE(QSubstanceFile(sample("materials.sbsar")).arePresets());
    EXPECT_FALSE(QSubstanceFile(QString()).arePresets());
}

TEST_F(ArchiveUtilsTest, PresetReaderReadsTheWholeFileAsBytes)
{
    TempFiles files;
    const QByteArray bytes("<sbspresets>\r\n\xC3\xA9\0tail", 21);
    QSubstancePresetReader reader(files.write("r.sbsprs", bytes));
    EXPECT_TRUE(reader.get().empty());
    ASSERT_TRUE(reader.read());
    EXPECT_EQ(reader.get(), std::string(bytes.constData(), std::size_t(bytes.size())));

    QSubstancePresetReader missing(files.path("none.sbsprs"));
    EXPECT_FALSE(missing.read());
    EXPECT_TRUE(missing.get().empty());
}

TEST_F(ArchiveUtilsTest, SamplePresetListsReadAsRecords)
{
    struct ListCase
    {
        const char* file;
        std::vector<std::string> labels;
    };
    for (const ListCase& c : std::vector<ListCase>{{"materials.sbsprs", {"Weathered Pine", "Light Oak", "Brushed Steel"}},
                                                   {"multigraph.sbsprs", {"Kitchen", "Smooth Concrete", "Light Oak"}}})
    {
        QSubstancePresetReader reader(sample(c.file));
        ASSERT_TRUE(reader.read());
        std::vector<SubstanceAir::Preset> records;
        ASSERT_TRUE(SubstanceAir::parsePresets(records, reader.get().c_str()));
        std::vector<std::string> labels;
        for (const auto& r : records)
            labels.push_back(r.label);
        EXPECT_EQ(labels, c.labels) << c.file;
    }
}

TEST_F(ArchiveUtilsTest, SamplePresetFileRepeatsOneArchivePresetExactly)
{
    auto archive = load(sample("materials.sbsar"));
    QSubstancePresetReader reader(sample("materials.sbsprs"));
    ASSERT_TRUE(reader.read());
    std::vector<SubstanceAir::Preset> records;
    ASSERT_TRUE(SubstanceAir::parsePresets(records, reader.get().c_str()));
    std::vector<std::string> fileContents;
    for (const auto& r : records)
        fileContents.push_back(oxSubstanceUtils::getContent(r));
    int equal = 0;
    for (const auto& p : archive->presets())
        equal += int(std::count(fileContents.begin(), fileContents.end(), p.second.toStdString()));
    EXPECT_EQ(equal, 1);
}

// ---------------------------------------------------------------- renderer

class CountingRenderer : public oxSubstanceRenderer
{
public:
    void materialUpdated(unsigned materialId) override
    {
        ids.push_back(materialId);
        oxSubstanceRenderer::materialUpdated(materialId);
    }
    std::vector<unsigned> ids;
};

TEST_F(ArchiveUtilsTest, RendererIsInstalledCountedAndRemovedByReset)
{
    EXPECT_EQ(oxSubstanceRenderer::instance(), nullptr);
    CountingRenderer renderer;
    oxSubstanceRenderer::setInstance(&renderer);
    EXPECT_EQ(oxSubstanceRenderer::instance(), &renderer);
    oxSubstanceRenderer::instance()->materialUpdated(12);
    oxSubstanceRenderer::instance()->materialUpdated(12);
    EXPECT_EQ(renderer.ids, (std::vector<unsigned>{12, 12}));
    EXPECT_EQ(oxStandIn::archiveCallCount("materialUpdated"), 2);

    oxStandIn::reset();
    EXPECT_EQ(oxSubstanceRenderer::instance(), nullptr);
}

TEST_F(ArchiveUtilsTest, DestroyedRendererUninstallsItself)
{
    {
        CountingRenderer renderer;
        oxSubstanceRenderer::setInstance(&renderer);
    }
    EXPECT_EQ(oxSubstanceRenderer::instance(), nullptr);
    CountingRenderer kept;
    oxSubstanceRenderer::setInstance(&kept);
    {
        CountingRenderer other;
    }
    EXPECT_EQ(oxSubstanceRenderer::instance(), &kept);
    oxSubstanceRenderer::setInstance(nullptr);
}

} // namespace
