// The stand-in archive service's input values: updates, reset, presets
// applied and filled, output sizes and image inputs.

#include "ArchiveTestSupport.h"

#include "preset/SubstanceAirPreset.h"

#include <cmath>
#include <limits>

using namespace archivetest;

namespace {

QVariant v3(int x, int y, int z)
{
    return QVariant::fromValue(QOXIntVector3D(x, y, z));
}

QVariant valueOf(const QSubstanceArchive& archive, const char* id)
{
    return archive.getActiveGraphValues().at(QString::fromUtf8(id)).value;
}

/// Writes a binary PPM of one colour.
QByteArray ppm(int width, int height, unsigned char r, unsigned char g, unsigned char b)
{
    QByteArray bytes = QStringLiteral("P6\n%1 %2\n255\n").arg(width).arg(height).toLatin1();
    for (int i = 0; i < width * height; ++i)
        bytes.append(char(r)).append(char(g)).append(char(b));
    return bytes;
}

class ArchiveValuesTest : public oxHostTest
{
protected:
    void SetUp() override
    {
        oxHostTest::SetUp();
        archive = load(sample("materials.sbsar"));
        ASSERT_FALSE(archive->isEmpty());
    }
    void TearDown() override
    {
        archive.reset();
        oxHostTest::TearDown();
    }

    /// A preset object (held by the fixture) with \p content.
    SubstancePresetPtr preset(const std::string& content, const std::string& name = "P")
    {
        return hold(SubstancePreset::create(name, content, ""));
    }

    std::shared_ptr<QSubstanceArchive> archive;
};

// ---------------------------------------------------------------- updateInputs

struct UpdateCase
{
    const char* name;
    const char* id;
    QVariant value;
    bool changed;
    QVariant after; ///< the input's VALUE afterwards
};

class ArchiveUpdateTest : public ArchiveValuesTest, public ::testing::WithParamInterface<UpdateCase>
{
};

TEST_P(ArchiveUpdateTest, ConvertsStoresAndTellsWhetherTheValueChanged)
{
    const UpdateCase& c = GetParam();
    EXPECT_EQ(archive->updateInputs("Wood", QString::fromUtf8(c.id), c.value), c.changed);
    const QVariant after = input(archive->graphs(), 0, QString::fromUtf8(c.id)).value("VALUE");
    EXPECT_EQ(after.userType(), c.after.userType()) << after.typeName();
    EXPECT_EQ(after, c.after);
    EXPECT_TRUE(logLines().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, ArchiveUpdateTest,
    ::testing::Values(
        UpdateCase{"FloatSame", "roughness", QVariant::fromValue(0.35f), false, QVariant::fromValue(0.35f)},
        UpdateCase{"FloatFromDouble", "roughness", QVariant(0.7), true, QVariant::fromValue(0.7f)},
        UpdateCase{"FloatFromText", "roughness", QVariant(QStringLiteral("0.25")), true, QVariant::fromValue(0.25f)},
        UpdateCase{"FloatFromJunkIsZero", "roughness", QVariant(QStringLiteral("rough")), true,
                   QVariant::fromValue(0.f)},
        UpdateCase{"InvalidIsRefused", "roughness", QVariant(), false, QVariant::fromValue(0.35f)},
        UpdateCase{"ColourFromVector3D", "tint", QVariant::fromValue(QVector3D(0.1f, 0.2f, 0.3f)), true,
                   QVariant::fromValue(QVector3D(0.1f, 0.2f, 0.3f))},
        UpdateCase{"ColourSameWithAlphaOne", "tint", QVariant::fromValue(QVector3D(0.8f, 0.6f, 0.4f)), false,
                   QVariant::fromValue(QVector3D(0.8f, 0.6f, 0.4f))},
        UpdateCase{"ColourAlphaOnly", "tint", QVariant::fromValue(QVector4D(0.8f, 0.6f, 0.4f, 0.5f)), true,
                   QVariant::fromValue(QVector3D(0.8f, 0.6f, 0.4f))},
        UpdateCase{"Float4FromVector4D", "grain", QVariant::fromValue(QVector4D(0, 1, 0, 1)), true,
                   QVariant::fromValue(QVector4D(0, 1, 0, 1))},
        UpdateCase{"Float4FromVector3DIsZeros", "grain", QVariant::fromValue(QVector3D(1, 2, 3)), true,
                   QVariant::fromValue(QVector4D(0, 0, 0, 0))},
        UpdateCase{"Float3", "contrast", QVariant::fromValue(QVector3D(1, 2, 1)), true,
                   QVariant::fromValue(QVector3D(1, 2, 1))},
        UpdateCase{"Float2", "tiling", QVariant::fromValue(QVector2D(3, 4)), true,
                   QVariant::fromValue(QVector2D(3, 4))},
        UpdateCase{"IntSame", "pattern", QVariant(1), false, QVariant(1)},
        UpdateCase{"IntFromText", "pattern", QVariant(QStringLiteral("2")), true, QVariant(2)},
        UpdateCase{"IntOutOfRangeIsKept", "pattern", QVariant(7), true, QVariant(7)},
        UpdateCase{"Int3", "knots", v3(1, 1, 1), true, v3(1, 1, 1)},
        UpdateCase{"Int4", "region", QVariant::fromValue(QOXIntVector4D(1, 2, 3, 4)), true,
                   QVariant::fromValue(QOXIntVector4D(1, 2, 3, 4))},
        UpdateCase{"String", "notes", QVariant(QStringLiteral("Ash")), true, QVariant(QStringLiteral("Ash"))},
        UpdateCase{"StringFromInt", "notes", QVariant(5), true, QVariant(QStringLiteral("5"))},
        UpdateCase{"OutputSizeSame", "$outputsize", v3(9, 9, 1), false, v3(9, 9, 1)},
        UpdateCase{"OutputSizeSize", "$outputsize", v3(10, 11, 1), true, v3(10, 11, 1)},
        UpdateCase{"OutputSizeSyncOff", "$outputsize", v3(9, 9, 0), true, v3(9, 9, 0)},
        UpdateCase{"OutputSizeSyncTwoIsOff", "$outputsize", v3(9, 9, 2), true, v3(9, 9, 0)},
        UpdateCase{"OutputSizeFrom2DKeepsSync", "$outputsize", QVariant::fromValue(QOXIntVector2D(10, 10)), true,
                   v3(10, 10, 1)},
        UpdateCase{"HiddenInput", "$time", QVariant::fromValue(5.f), true, QVariant::fromValue(5.f)},
        UpdateCase{"LabelIsNoIdentifier", "Roughness", QVariant::fromValue(0.9f), false, QVariant()},
        UpdateCase{"IdentifierCase", "ROUGHNESS", QVariant::fromValue(0.9f), false, QVariant()}),
    [](const ::testing::TestParamInfo<UpdateCase>& info) { return std::string(info.param.name); });

TEST_F(ArchiveValuesTest, UpdateOfAnUnknownGraphChangesNothing)
{
    EXPECT_FALSE(archive->updateInputs("wood", "roughness", QVariant::fromValue(0.9f)));
    EXPECT_FALSE(archive->updateInputs("", "roughness", QVariant::fromValue(0.9f)));
    EXPECT_EQ(valueOf(*archive, "roughness"), QVariant::fromValue(0.35f));
}

TEST_F(ArchiveValuesTest, DefaultFlagFollowsTheValue)
{
    EXPECT_FALSE(archive->getActiveGraphValues().at("roughness").isDefault);
    archive->updateInputs("Wood", "roughness", QVariant::fromValue(0.5f));
    EXPECT_TRUE(archive->getActiveGraphValues().at("roughness").isDefault);
    archive->updateInputs("Wood", "$outputsize", v3(9, 9, 0));
    EXPECT_TRUE(archive->getActiveGraphValues().at("$outputsize").isDefault) << "the sync state is no value";
    archive->updateInputs("Wood", "$outputsize", v3(9, 10, 0));
    EXPECT_FALSE(archive->getActiveGraphValues().at("$outputsize").isDefault);
    archive->updateInputs("Wood", "tint", QVariant::fromValue(QVector4D(0.8f, 0.6f, 0.4f, 0.f)));
    EXPECT_FALSE(archive->getActiveGraphValues().at("tint").isDefault) << "alpha counts";
}

TEST_F(ArchiveValuesTest, UpdatesOfAnotherGraphStayWithThatGraph)
{
    auto multi = load(sample("multigraph.sbsar"));
    EXPECT_TRUE(multi->updateInputs("Concrete", "pores", QVariant::fromValue(0.9f)));
    EXPECT_EQ(multi->getActiveGraphValues().count("pores"), 0u);
    EXPECT_EQ(input(multi->graphs(), 2, "pores").value("VALUE"), QVariant::fromValue(0.9f));
    multi->setActiveGraphIndex(2);
    EXPECT_EQ(valueOf(*multi, "pores"), QVariant::fromValue(0.9f));
    // The same identifier in another graph is another input.
    EXPECT_TRUE(multi->updateInputs("Brick", "$outputsize", v3(11, 11, 1)));
    EXPECT_EQ(valueOf(*multi, "$outputsize"), v3(9, 9, 1));
}

// ---------------------------------------------------------------- image inputs

TEST_F(ArchiveValuesTest, ImageInputHoldsOneReferenceOnItsImage)
{
    ImagePtr image = hold(osg::Image::create());
    const int held = image->getRefCount();
    const QVariant value = QVariant::fromValue(oxdImage(image->getId()));

    EXPECT_TRUE(archive->updateInputs("Wood", "mask", value));
    EXPECT_EQ(image->getRefCount(), held + 1);
    EXPECT_EQ(valueOf(*archive, "mask"), value);
    EXPECT_FALSE(archive->getActiveGraphValues().at("mask").isDefault);

    EXPECT_FALSE(archive->updateInputs("Wood", "mask", value));
    EXPECT_EQ(image->getRefCount(), held + 1);

    EXPECT_TRUE(archive->updateInputs("Wood", "mask", QVariant::fromValue(oxdImage())));
    EXPECT_EQ(image->getRefCount(), held);
    EXPECT_EQ(valueOf(*archive, "mask"), QVariant::fromValue(oxdImage(0)));

    archive->updateInputs("Wood", "mask", value);
    archive->resetGraph();
    EXPECT_EQ(image->getRefCount(), held);

    archive->updateInputs("Wood", "mask", value);
    archive.reset();
    EXPECT_EQ(image->getRefCount(), held) << "a dropped archive gives its references back";
}

TEST_F(ArchiveValuesTest, ImageInputReadsAFileNamedByText)
{
    TempFiles files;
    const QString path = files.write("mask.ppm", ppm(2, 3, 10, 20, 30));
    EXPECT_TRUE(archive->updateInputs("Wood", "mask", QVariant(path)));
    const QVariant value = valueOf(*archive, "mask");
    ASSERT_EQ(value.userType(), qMetaTypeId<oxdImage>());
    const ImagePtr image = ImagePtr::dcast(
        osg::FieldContainerFactory::the()->getContainer(value.value<oxdImage>().getObjectId()));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image->getWidth(), 2);
    EXPECT_EQ(image->getHeight(), 3);
    EXPECT_EQ(image->getRefCount(), 1);

    SubstanceAir::Preset record;
    archive->fillPreset(record);
    EXPECT_EQ(record.inputValues.at(3).identifier, "mask");
    EXPECT_EQ(record.inputValues.at(3).type, 5u);
    EXPECT_EQ(record.inputValues.at(3).value, path.toStdString());

    EXPECT_TRUE(archive->updateInputs("Wood", "mask", QVariant(files.path("none.ppm"))));
    EXPECT_EQ(valueOf(*archive, "mask"), QVariant::fromValue(oxdImage(0)));
    SubstanceAir::Preset after;
    archive->fillPreset(after);
    EXPECT_EQ(after.inputValues.at(3).value, "") << "no path of a file that did not read";
    ASSERT_EQ(logLines().size(), 1u);
    EXPECT_EQ(logLines()[0], "error: Unable to read image '" + files.path("none.ppm").toStdString() +
                                 "': the file cannot be opened.");
}

// ---------------------------------------------------------------- reset

TEST_F(ArchiveValuesTest, ResetPutsTheActiveGraphBackToItsDefaults)
{
    archive->updateInputs("Wood", "$outputsize", v3(11, 12, 0));
    archive->updateInputs("Wood", "notes", QVariant(QStringLiteral("Ash")));
    archive->updateInputs("Wood", "$time", QVariant::fromValue(3.f));
    archive->resetGraph();

    const auto values = archive->getActiveGraphValues();
    for (const auto& entry : values)
        EXPECT_TRUE(entry.second.isDefault) << entry.first.toStdString();
    EXPECT_EQ(values.at("$outputsize").value, v3(9, 9, 0)) << "reset leaves the sync state";
    EXPECT_EQ(values.at("roughness").value, QVariant::fromValue(0.5f));
    EXPECT_EQ(values.at("pattern").value, QVariant(0));
    EXPECT_EQ(values.at("tiling").value, QVariant::fromValue(QVector2D(1, 1)));
    EXPECT_EQ(values.at("notes").value, QVariant(QStringLiteral("Oak")));
    EXPECT_EQ(input(archive->graphs(), 0, "$time").value("VALUE"), QVariant::fromValue(0.f));
}

TEST_F(ArchiveValuesTest, ResetTouchesOnlyTheActiveGraph)
{
    auto multi = load(sample("multigraph.sbsar"));
    multi->updateInputs("Brick", "mortar", QVariant::fromValue(0.3f));
    multi->updateInputs("Tiles", "tiles", QVariant(20));
    multi->setActiveGraphIndex(1);
    multi->resetGraph();
    EXPECT_EQ(valueOf(*multi, "tiles"), QVariant(6));
    EXPECT_EQ(input(multi->graphs(), 0, "mortar").value("VALUE"), QVariant::fromValue(0.3f));
}

// ---------------------------------------------------------------- applyPreset

TEST_F(ArchiveValuesTest, ApplyPresetSetsItsInputsAndDefaultsTheRest)
{
    archive->updateInputs("Wood", "contrast", QVariant::fromValue(QVector3D(2, 2, 2)));
    archive->updateInputs("Wood", "$randomseed", QVariant(42));
    const auto presets = archive->presets();
    ASSERT_EQ(presets[1].first, "Dark Walnut");

    EXPECT_TRUE(archive->applyPreset(preset(presets[1].second.toStdString()), false));
    const auto values = archive->getActiveGraphValues();
    EXPECT_EQ(values.at("$outputsize").value, v3(10, 10, 1));
    EXPECT_EQ(values.at("roughness").value, QVariant::fromValue(0.6f));
    EXPECT_EQ(values.at("tint").value, QVariant::fromValue(QVector3D(0.35f, 0.2f, 0.1f)));
    EXPECT_EQ(values.at("pattern").value, QVariant(2));
    EXPECT_EQ(values.at("tiling").value, QVariant::fromValue(QVector2D(4, 4)));
    EXPECT_EQ(values.at("notes").value, QVariant(QStringLiteral("Walnut")));
    EXPECT_EQ(values.at("contrast").value, QVariant::fromValue(QVector3D(1, 1, 1)));
    EXPECT_EQ(values.at("$randomseed").value, QVariant(0));
    EXPECT_TRUE(logLines().empty());
}

struct OutputSizeApplyCase
{
    const char* name;
    const char* preset;    ///< archive preset applied
    bool defaultOutputSize;
    bool defaultSync;      ///< process-wide default sync state
    QVariant after;        ///< "$outputsize" afterwards (set to 11,12 with sync off before)
};

class ArchiveApplyOutputSizeTest : public ArchiveValuesTest, public ::testing::WithParamInterface<OutputSizeApplyCase>
{
};

TEST_P(ArchiveApplyOutputSizeTest, OutputSizeFollowsThePresetOrTheDefault)
{
    const OutputSizeApplyCase& c = GetParam();
    QSubstanceArchive::setDefaultSyncOutputSize(c.defaultSync);
    archive->updateInputs("Wood", "$outputsize", v3(11, 12, 0));
    std::string content;
    for (const auto& p : archive->presets())
        if (p.first == QLatin1String(c.preset))
            content = p.second.toStdString();
    ASSERT_FALSE(content.empty());
    EXPECT_TRUE(archive->applyPreset(preset(content), c.defaultOutputSize));
    EXPECT_EQ(valueOf(*archive, "$outputsize"), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Presets, ArchiveApplyOutputSizeTest,
    ::testing::Values(OutputSizeApplyCase{"WithoutSizeKeepsTheSize", "Light Oak", false, true, v3(11, 12, 0)},
                      OutputSizeApplyCase{"WithSizeTakesItsSize", "Dark Walnut", false, true, v3(10, 10, 0)},
                      OutputSizeApplyCase{"DefaultSizeOverPresetSize", "Dark Walnut", true, true, v3(9, 9, 1)},
                      OutputSizeApplyCase{"DefaultSizeWithoutPresetSize", "Light Oak", true, true, v3(9, 9, 1)},
                      OutputSizeApplyCase{"DefaultSyncOff", "Dark Walnut", true, false, v3(9, 9, 0)}),
    [](const ::testing::TestParamInfo<OutputSizeApplyCase>& info) { return std::string(info.param.name); });

TEST_F(ArchiveValuesTest, ApplyPresetRefusesNullAndUnreadablePresets)
{
    archive->updateInputs("Wood", "pattern", QVariant(2));
    EXPECT_FALSE(archive->applyPreset(SubstancePresetPtr(), false));
    EXPECT_TRUE(logLines().empty());
    EXPECT_FALSE(archive->applyPreset(preset("<sbspresets/>", "Broken"), true));
    EXPECT_FALSE(archive->applyPreset(preset("not xml", "Junk"), true));
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              "error: Unable to apply preset 'Broken': its content is not a preset.",
                              "error: Unable to apply preset 'Junk': its content is not a preset."}));
    EXPECT_EQ(valueOf(*archive, "pattern"), QVariant(2));

    QSubstanceArchive empty;
    EXPECT_FALSE(empty.applyPreset(preset(archive->presets()[0].second.toStdString()), false));
}

TEST_F(ArchiveValuesTest, ApplyPresetSkipsUnknownInputsAndWarnsOfBadValues)
{
    const std::string content = R"(<sbspreset pkgurl="pkg://materials/wood" label="Odd">
        <presetinput identifier="nothing" uid="99" type="0" value="1"/>
        <presetinput identifier="roughness" uid="2" type="0" value="very"/>
        <presetinput identifier="tiling" uid="8" type="1" value="3"/>
        <presetinput identifier="pattern" uid="7" type="4" value="2"/>
        <presetinput identifier="notes" uid="12" type="77" value="x"/>
    </sbspreset>)";
    EXPECT_TRUE(archive->applyPreset(preset(content, "Odd"), false));
    EXPECT_EQ(valueOf(*archive, "roughness"), QVariant::fromValue(0.5f));
    EXPECT_EQ(valueOf(*archive, "tiling"), QVariant::fromValue(QVector2D(1, 1)));
    EXPECT_EQ(valueOf(*archive, "pattern"), QVariant(2));
    EXPECT_EQ(valueOf(*archive, "notes"), QVariant(QStringLiteral("Oak")));
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              "warning: Preset 'Odd': the value \"very\" of input 'roughness' does not read; the "
                              "input keeps its default.",
                              "warning: Preset 'Odd': the value \"3\" of input 'tiling' does not read; the input "
                              "keeps its default.",
                              "warning: Preset 'Odd': the value \"x\" of input 'notes' does not read; the input "
                              "keeps its default."}));
}

TEST_F(ArchiveValuesTest, ApplyPresetReadsImageFiles)
{
    TempFiles files;
    const QString path = files.write("m.ppm", ppm(1, 1, 1, 2, 3));
    const std::string content = "<sbspreset label=\"I\"><presetinput identifier=\"mask\" uid=\"4\" type=\"5\" "
                                "filepath=\"" + path.toStdString() + "\"/></sbspreset>";
    EXPECT_TRUE(archive->applyPreset(preset(content), false));
    EXPECT_NE(valueOf(*archive, "mask").value<oxdImage>().getObjectId(), 0u);
    SubstanceAir::Preset record;
    archive->fillPreset(record);
    EXPECT_EQ(record.inputValues.at(3).value, path.toStdString());
}

// ---------------------------------------------------------------- fillPreset

TEST_F(ArchiveValuesTest, FillPresetWritesEveryInputInArchiveOrder)
{
    SubstanceAir::Preset record;
    record.description = "kept";
    record.inputValues.resize(2);
    archive->fillPreset(record);
    EXPECT_EQ(record.description, "kept");
    EXPECT_EQ(oxSubstanceUtils::getContent(record),
              " <sbspreset pkgurl=\"pkg://materials/wood\" label=\"Wood\" >\n"
              "  <presetinput identifier=\"$outputsize\" uid=\"1\" type=\"8\" value=\"9,9\" />\n"
              "  <presetinput identifier=\"roughness\" uid=\"2\" type=\"0\" value=\"0.35\" />\n"
              "  <presetinput identifier=\"grain\" uid=\"3\" type=\"3\" value=\"1,0,0,0.5\" />\n"
              "  <presetinput identifier=\"mask\" uid=\"4\" type=\"5\" filepath=\"\" />\n"
              "  <presetinput identifier=\"tint\" uid=\"5\" type=\"3\" value=\"0.8,0.6,0.4,1\" />\n"
              "  <presetinput identifier=\"contrast\" uid=\"6\" type=\"2\" value=\"1,1,1\" />\n"
              "  <presetinput identifier=\"pattern\" uid=\"7\" type=\"4\" value=\"1\" />\n"
              "  <presetinput identifier=\"tiling\" uid=\"8\" type=\"1\" value=\"2,2\" />\n"
              "  <presetinput identifier=\"knots\" uid=\"9\" type=\"9\" value=\"3,2,10\" />\n"
              "  <presetinput identifier=\"region\" uid=\"10\" type=\"10\" value=\"0,0,512,512\" />\n"
              "  <presetinput identifier=\"$randomseed\" uid=\"11\" type=\"4\" value=\"0\" />\n"
              "  <presetinput identifier=\"notes\" uid=\"12\" type=\"6\" value=\"Oak\" />\n"
              "  <presetinput identifier=\"$time\" uid=\"13\" type=\"0\" value=\"0\" />\n"
              " </sbspreset>\n");
}

TEST_F(ArchiveValuesTest, FilledPresetAppliedAgainGivesTheSameValuesExactly)
{
    const float awkward[] = {0.1f + 1e-8f, 1.0f / 3.0f, -2.5e-7f, 16777217.0f,
                             std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min()};
    for (float f : awkward)
    {
        archive->updateInputs("Wood", "roughness", QVariant::fromValue(f));
        archive->updateInputs("Wood", "grain", QVariant::fromValue(QVector4D(f, -f, f / 7, 1)));
        archive->updateInputs("Wood", "tint", QVariant::fromValue(QVector4D(f, 0.3f, 0.2f, 0.7f)));
        archive->updateInputs("Wood", "region", QVariant::fromValue(QOXIntVector4D(-1, 2147483647, -2147483647 - 1, 0)));
        archive->updateInputs("Wood", "notes", QVariant(QStringLiteral("a \"quoted\" <note> & more")));
        archive->updateInputs("Wood", "$outputsize", v3(12, 8, 1));
        const auto before = archive->getActiveGraphValues();
        SubstanceAir::Preset filled;
        archive->fillPreset(filled);

        archive->resetGraph();
        ASSERT_TRUE(archive->applyPreset(preset(oxSubstanceUtils::getContent(filled)), false));
        const auto after = archive->getActiveGraphValues();
        for (const auto& entry : before)
            EXPECT_EQ(after.at(entry.first).value, entry.second.value) << entry.first.toStdString() << " " << f;
        SubstanceAir::Preset again;
        archive->fillPreset(again);
        EXPECT_EQ(oxSubstanceUtils::getContent(again), oxSubstanceUtils::getContent(filled));
    }
}

TEST_F(ArchiveValuesTest, PresetValuesCompareEqualToCurrentValuesButForColours)
{
    // What preset matching compares: a preset value against the current value.
    archive->updateInputs("Wood", "grain", QVariant::fromValue(QVector4D(0.5f, 0.25f, 0, 1)));
    SubstanceAir::Preset filled;
    archive->fillPreset(filled);
    const auto current = archive->getActiveGraphValues();
    for (const SubstanceAir::Preset::InputValue& in : filled.inputValues)
    {
        const QString id = QString::fromStdString(in.identifier);
        if (!current.count(id))
            continue; // hidden input
        const QVariant presetValue = oxSubstanceUtils::getValue(in);
        if (id == "tint")
            EXPECT_NE(presetValue, current.at(id).value) << "a preset does not know the colour widget";
        else
            EXPECT_EQ(presetValue, current.at(id).value) << in.identifier;
    }
}

TEST_F(ArchiveValuesTest, FillPresetDescribesTheActiveGraph)
{
    auto multi = load(sample("multigraph.sbsar"));
    multi->setActiveGraphIndex(2);
    SubstanceAir::Preset record;
    multi->fillPreset(record);
    EXPECT_EQ(record.packageUrl, "pkg://materials/concrete");
    EXPECT_EQ(record.label, "Concrete");
    ASSERT_EQ(record.inputValues.size(), 2u);
    EXPECT_EQ(record.inputValues[1].identifier, "pores");
    EXPECT_EQ(record.inputValues[1].value, "0.3");
}

// ---------------------------------------------------------------- output size

struct SizeCase
{
    int x, y;
    bool ok;
    int width, height;
};

class ArchiveOutputSizeTest : public ArchiveValuesTest, public ::testing::WithParamInterface<SizeCase>
{
};

TEST_P(ArchiveOutputSizeTest, Log2SizesBecomePixels)
{
    const SizeCase& c = GetParam();
    archive->updateInputs("Wood", "$outputsize", QVariant::fromValue(QOXIntVector2D(c.x, c.y)));
    int width = -7, height = -7;
    EXPECT_EQ(archive->getOutputSize(width, height), c.ok);
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
    EXPECT_EQ(logLines().size(), c.ok ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ArchiveOutputSizeTest,
                         ::testing::Values(SizeCase{9, 9, true, 512, 512}, SizeCase{0, 0, true, 1, 1},
                                           SizeCase{12, 10, true, 4096, 1024}, SizeCase{30, 1, true, 1 << 30, 2},
                                           SizeCase{31, 9, false, -7, -7}, SizeCase{9, -1, false, -7, -7}));

TEST_F(ArchiveValuesTest, OutputSizeWarningNamesTheGraph)
{
    archive->updateInputs("Wood", "$outputsize", QVariant::fromValue(QOXIntVector2D(31, 9)));
    int w = 0, h = 0;
    archive->getOutputSize(w, h);
    EXPECT_EQ(logLines(),
              std::vector<std::string>{"warning: The output size 2^31 x 2^9 of graph 'Wood' is out of range."});
}

TEST_F(ArchiveValuesTest, GraphWithoutOutputSizeHasNoSize)
{
    TempFiles files;
    auto other = load(files.write("n.sbsar", oneGraph("<input identifier=\"a\" label=\"A\" type=\"int[2]\"/>")));
    int width = 5, height = 6;
    EXPECT_FALSE(other->getOutputSize(width, height));
    EXPECT_EQ(width, 5);
    EXPECT_EQ(height, 6);
    // And the output-size form belongs to "$outputsize" only.
    EXPECT_EQ(valueOf(*other, "a"), QVariant::fromValue(QOXIntVector2D(0, 0)));
}

} // namespace
