// The stand-in archive service on its own: importing samples, missing and
// malformed files, input descriptions and values, presets applied and filled,
// output sizes, image inputs, preset values by type code, PPM files, the
// factory and the renderer hook.

#include "ArchiveTestSupport.h"

#include "preset/SubstanceAirPreset.h"

#include <QSet>

#include <cstring>
#include <limits>
#include <tuple>

using namespace archivetest;

namespace {

/// Archive text with one graph "G" (pkg://test/g) holding \p body.
QByteArray oneGraph(const QByteArray& body)
{
    return "<sbsar formatversion=\"1\"><graph label=\"G\" pkgurl=\"pkg://test/g\">" + body + "</graph></sbsar>";
}

/// The bytes of a literal that may hold NULs.
template <std::size_t N>
QByteArray bytes(const char (&text)[N])
{
    return QByteArray(text, int(N - 1));
}

/// Starts from a fresh "materials.sbsar" (graph "Wood").
class ArchiveTest : public oxHostTest
{
protected:
    void SetUp() override
    {
        oxHostTest::SetUp();
        archive = load(sample("materials.sbsar"));
    }
    void TearDown() override
    {
        archive.reset();
        oxHostTest::TearDown();
    }

    QVariant value(const QString& id) const { return archive->getActiveGraphValues().at(id).value; }
    bool update(const char* id, const QVariant& v) { return archive->updateInputs("Wood", id, v); }
    /// A preset object (held by the fixture).
    SubstancePresetPtr preset(const std::string& content, const std::string& name = "P")
    {
        return hold(SubstancePreset::create(name, content, ""));
    }
    SubstancePresetPtr archivePreset(int index) { return preset(archive->presets().at(index).second.toStdString()); }
    SubstanceAir::Preset filled() const
    {
        SubstanceAir::Preset record;
        archive->fillPreset(record);
        return record;
    }

    std::shared_ptr<QSubstanceArchive> archive;
};

// ---------------------------------------------------------------- import

struct SampleCase
{
    const char* file;
    std::vector<const char*> graphs;
    std::vector<const char*> presets;
    bool panorama;
};

void PrintTo(const SampleCase& c, std::ostream* os) { *os << c.file; }

class ArchiveSampleTest : public oxHostTest, public ::testing::WithParamInterface<SampleCase>
{
};

TEST_P(ArchiveSampleTest, ImportsGraphsPresetsAndChannels)
{
    const SampleCase& c = GetParam();
    QSubstanceArchive archive;
    ASSERT_TRUE(import(archive, sample(c.file)));
    EXPECT_TRUE(logLines().empty());
    EXPECT_EQ(archive.path(), sample(c.file));
    QFile file(sample(c.file));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(archive.data(), std::vector<unsigned char>(bytes.begin(), bytes.end()));

    const GraphDescriptionList graphs = archive.graphs();
    ASSERT_EQ(graphs.size(), c.graphs.size());
    for (std::size_t g = 0; g < graphs.size(); ++g)
        EXPECT_EQ(graphs[g].first, QString::fromUtf8(c.graphs[g]));
    EXPECT_EQ(archive.packageURLs().size(), int(c.graphs.size()));
    const auto presets = archive.presets();
    ASSERT_EQ(presets.size(), c.presets.size());
    for (std::size_t p = 0; p < presets.size(); ++p)
    {
        SubstanceAir::Preset record;
        ASSERT_TRUE(SubstanceAir::parsePreset(record, presets[p].second.toStdString().c_str()));
        EXPECT_EQ(presets[p].first.toStdString(), c.presets[p]);
        EXPECT_EQ(record.label, c.presets[p]);
        EXPECT_TRUE(archive.packageURLs().contains(QString::fromStdString(record.packageUrl)));
    }
    EXPECT_EQ(archive.hasChannel(0, SubstanceAir::Channel_Panorama), c.panorama);
    EXPECT_NE(archive.hasChannel(0, SubstanceAir::Channel_BaseColor), c.panorama);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, ArchiveSampleTest,
    ::testing::Values(SampleCase{"materials.sbsar", {"Wood"}, {"Light Oak", "Dark Walnut"}, false},
                      SampleCase{"panorama.sbsar", {"Sky"}, {"Sunset"}, true},
                      SampleCase{"multigraph.sbsar", {"Brick", "Tiles", "Concrete"}, {"Old Brick", "Bathroom"}, false}),
    [](const ::testing::TestParamInfo<SampleCase>& info) {
        const std::string name = info.param.file;
        return name.substr(0, name.find('.'));
    });

TEST_F(ArchiveTest, ValuesHaveTheAttributeFormGroupAndDefaultFlag)
{
    const auto values = archive->getActiveGraphValues();
    EXPECT_EQ(values.size(), 12u) << "the hidden \"$time\" is left out";
    struct Row { const char* id; QVariant value; const char* group; bool isDefault; };
    for (const Row& r : std::vector<Row>{
             {"$outputsize", v3(9, 9, 1), "Output", true},
             {"roughness", QVariant::fromValue(0.35f), "Surface", false},
             {"grain", QVariant::fromValue(QVector4D(1, 0, 0, 0.5f)), "Surface", true},
             {"mask", QVariant::fromValue(oxdImage(0)), "Surface", true},
             {"tint", QVariant::fromValue(QVector3D(0.8f, 0.6f, 0.4f)), "Colour", true},
             {"pattern", QVariant(1), "Pattern", false},
             {"tiling", QVariant::fromValue(QVector2D(2, 2)), "Pattern", false},
             {"knots", v3(3, 2, 10), "Pattern", true},
             {"region", QVariant::fromValue(QOXIntVector4D(0, 0, 512, 512)), "Pattern", true},
             {"notes", QVariant(QStringLiteral("Oak")), "", true}})
    {
        SCOPED_TRACE(r.id);
        const QVariant described = input(*archive, 0, r.id).value("VALUE");
        EXPECT_EQ(described.userType(), r.value.userType()) << described.typeName();
        EXPECT_EQ(described, r.value);
        const SubstancePropertyValue& v = values.at(QString::fromUtf8(r.id));
        EXPECT_EQ(v.value, r.value);
        EXPECT_EQ(v.group, QString::fromUtf8(r.group));
        EXPECT_EQ(v.isDefault, r.isDefault);
    }
}

TEST_F(ArchiveTest, DescriptionsCarryTheKeysOfTheirTypeWithArchiveTexts)
{
    const QStringList common = {"TYP", "ID", "LABEL", "GROUP", "WIDGET", "VISIBILITY", "DEFAULT_VALUE",
                                "DESCRIPTION", "VALUE"};
    for (const auto& [id, extra] : std::vector<std::pair<const char*, QStringList>>{
             {"roughness", {"Step", "Min", "Max", "DefaultValue"}},
             {"pattern", {"Step", "Min", "Max", "DefaultValue", "Map"}},
             {"contrast", {"Step", "MinX", "MinY", "MinZ", "MaxX", "MaxY", "MaxZ", "DefaultValueX", "DefaultValueY",
                           "DefaultValueZ", "LabelY"}},
             {"notes", {}}})
    {
        QStringList expected = common + extra, keys = input(*archive, 0, id).keys();
        expected.sort();
        keys.sort();
        EXPECT_EQ(keys, expected) << id;
    }
    struct Row { const char* id; const char* key; QVariant value; };
    for (const Row& r : std::vector<Row>{{"roughness", "Step", double(0.01f)},
                                         {"pattern", "Max", 2},
                                         {"knots", "VISIBILITY", QString("input['pattern'] != 2")},
                                         {"tint", "DEFAULT_VALUE", QString("0.8,0.6,0.4,1")},
                                         {"$time", "LABEL", QString("")}})
    {
        const QVariant v = input(*archive, 0, r.id).value(r.key);
        EXPECT_EQ(v.userType(), r.value.userType()) << r.id << " " << r.key;
        EXPECT_EQ(v, r.value) << r.id << " " << r.key;
    }
}

TEST_F(ArchiveTest, LeftOutAttributesTakeDefaults)
{
    TempFiles files;
    archive = load(files.write(
        "min.sbsar", oneGraph("<input identifier=\"a\" type=\"float[2]\"/><input identifier=\"b\" uid=\"77\" "
                              "type=\"int\"/><output identifier=\"o\" channel=\"3\" component=\"diffuse\"/>"
                              "<sbspreset label=\"P\"><presetinput identifier=\"b\" uid=\"77\" type=\"4\" "
                              "value=\"3\"/></sbspreset>")));
    EXPECT_TRUE(archive->getActiveGraphValues().empty()) << "inputs without a label are hidden";
    EXPECT_EQ(input(*archive, 0, "a").value("VALUE"), QVariant::fromValue(QVector2D(0, 0)));
    EXPECT_FALSE(input(*archive, 0, "a").contains("LabelX"));
    EXPECT_EQ(archive->osgColorComponents(0).at(0).dataType, int(osg::Image::OSG_UINT8_IMAGEDATA));
    EXPECT_EQ(filled().inputValues.at(0).uid, 1u) << "the position in the graph";
    EXPECT_EQ(archive->presets().at(0).second.toStdString(), // the graph's URL where the preset names none
              " <sbspreset pkgurl=\"pkg://test/g\" label=\"P\" >\n"
              "  <presetinput identifier=\"b\" uid=\"77\" type=\"4\" value=\"3\" />\n"
              " </sbspreset>\n");
}

TEST_F(ArchiveTest, ColourComponentsAndChannelsFollowTheGraph)
{
    const auto names = [](const QSubstanceArchive& a, int index) {
        std::string list;
        for (const auto& c : a.osgColorComponents(index))
            list += c.componentName + "<" + c.outputIdentifier + " ";
        return list;
    };
    EXPECT_EQ(names(*archive, 0), "diffuse<basecolor specular<specular roughness<roughness normal<normal "
                                  "height<height incandescence<emissive cutout<opacity ");
    EXPECT_EQ(archive->osgColorComponents(0).at(3).dataType, int(osg::Image::OSG_UINT16_IMAGEDATA));
    EXPECT_EQ(archive->osgColorComponents(0).at(4).dataType, int(osg::Image::OSG_FLOAT32_IMAGEDATA));

    auto multi = load(sample("multigraph.sbsar"));
    EXPECT_EQ(names(*multi, 2), "diffuse<basecolor anisotropy<anisotropy ");
    EXPECT_EQ(names(*multi, 3) + names(*multi, -1), "");
    for (int index : {1, 3, -1})
        multi->setActiveGraphIndex(index);
    EXPECT_EQ(multi->activeGraphIndex(), 1) << "out of range is ignored";
    EXPECT_EQ(names(*multi, 0), "diffuse<basecolor roughness<roughness metallic<metallic ");
    EXPECT_TRUE(multi->hasChannel(1, SubstanceAir::Channel_Metallic));
    EXPECT_FALSE(multi->hasChannel(0, SubstanceAir::Channel_Metallic));
    EXPECT_FALSE(multi->hasChannel(3, SubstanceAir::Channel_BaseColor));
}

// ---------------------------------------------------------------- missing and malformed files

struct BadCase
{
    const char* name;
    QByteArray text; ///< null: no file at that path
    const char* problem;
};

void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

class ArchiveBadFileTest : public oxHostTest, public ::testing::WithParamInterface<BadCase>
{
};

TEST_P(ArchiveBadFileTest, FailsWithOneErrorAndKeepsThePreviousArchive)
{
    TempFiles files;
    const QString path = GetParam().text.isNull() ? files.path("none.sbsar") : files.write("bad.sbsar", GetParam().text);
    QSubstanceArchive archive;
    ASSERT_TRUE(import(archive, sample("multigraph.sbsar")));
    archive.setActiveGraphIndex(1);
    ASSERT_TRUE(archive.updateInputs("Tiles", "tiles", 9));
    oxStandIn::clearLogMessages();

    EXPECT_FALSE(import(archive, path));
    EXPECT_EQ(logLines(), std::vector<std::string>{"error: Unable to load Substance archive '" + path.toStdString() +
                                                   "': " + GetParam().problem + "."});
    EXPECT_EQ(archive.path(), sample("multigraph.sbsar"));
    EXPECT_EQ(archive.graphs().size(), 3u);
    EXPECT_EQ(archive.activeGraphIndex(), 1);
    EXPECT_EQ(archive.getActiveGraphValues().at("tiles").value, QVariant(9));
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, ArchiveBadFileTest,
    ::testing::Values(
        BadCase{"Missing", QByteArray(), "the file does not exist"},
        BadCase{"Empty", "", "the file is empty"},
        BadCase{"NotXml", "<sbsar><graph label=\"G\"></sbsar>", "not well-formed XML (line 1: Error reading end tag.)"},
        BadCase{"WrongTop", "<sbspresets/>", "the top element is not <sbsar>"},
        BadCase{"NoGraph", "<sbsar formatversion=\"1\"/>", "the archive has no graph"},
        BadCase{"DuplicateIdentifier",
                oneGraph("<input identifier=\"a\" type=\"int\"/><input identifier=\"a\" type=\"int\"/>"),
                "input 'a' of graph 'G' appears twice"},
        BadCase{"OutputSizeType", oneGraph("<input identifier=\"$outputsize\" type=\"int[3]\"/>"),
                "input '$outputsize' of graph 'G' must be of type \"int[2]\""},
        BadCase{"FractionForInt", oneGraph("<input identifier=\"a\" type=\"int\" max=\"1.5\"/>"),
                "\"1.5\" is not a valid \"max\" of type \"int\" (input 'a' of graph 'G')"},
        BadCase{"LabelZOnFloat2", oneGraph("<input identifier=\"a\" type=\"float[2]\" labelz=\"Z\"/>"),
                "input 'a' of graph 'G' of type \"float[2]\" takes no \"labelz\""},
        BadCase{"UnknownComponent", oneGraph("<output identifier=\"o\" channel=\"0\" component=\"albedo\"/>"),
                "output 'o' of graph 'G' feeds the unknown colour component \"albedo\""}),
    [](const ::testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

TEST_F(ArchiveTest, FailedFirstImportLeavesTheArchiveEmpty)
{
    QSubstanceArchive empty;
    EXPECT_FALSE(import(empty, QString()));
    EXPECT_EQ(logLines(), std::vector<std::string>{"error: Unable to load Substance archive '': no file name given."});
    EXPECT_TRUE(empty.isEmpty() && empty.path().isEmpty() && empty.graphs().empty());
    int width = -1, height = -1;
    EXPECT_FALSE(empty.getOutputSize(width, height));
    EXPECT_FALSE(empty.updateInputs("Wood", "roughness", 0.5f));
    EXPECT_FALSE(empty.applyPreset(archivePreset(0), false));
    SubstanceAir::Preset record;
    record.label = "kept";
    empty.fillPreset(record);
    EXPECT_EQ(record.label, "kept");
}

// ---------------------------------------------------------------- updates and reset

TEST_F(ArchiveTest, UpdateConvertsStoresAndTellsWhetherTheValueChanged)
{
    struct Row { const char* id; QVariant value; bool changed; QVariant after; };
    const QVariant tint = QVariant::fromValue(QVector3D(0.8f, 0.6f, 0.4f));
    for (const Row& r : std::vector<Row>{
             {"roughness", QVariant::fromValue(0.35f), false, QVariant::fromValue(0.35f)},
             {"roughness", QVariant(QStringLiteral("0.25")), true, QVariant::fromValue(0.25f)},
             {"roughness", QVariant(), false, QVariant::fromValue(0.35f)},
             {"tint", tint, false, tint},
             {"tint", QVariant::fromValue(QVector4D(0.8f, 0.6f, 0.4f, 0.5f)), true, tint},
             {"pattern", QVariant(QStringLiteral("7")), true, QVariant(7)},
             {"notes", QVariant(5), true, QVariant(QStringLiteral("5"))},
             {"$outputsize", v3(9, 9, 1), false, v3(9, 9, 1)},
             {"$outputsize", v3(9, 9, 2), true, v3(9, 9, 0)},
             {"$outputsize", QVariant::fromValue(QOXIntVector2D(10, 11)), true, v3(10, 11, 1)},
             {"$time", QVariant::fromValue(5.f), true, QVariant::fromValue(5.f)},
             {"Roughness", QVariant::fromValue(0.9f), false, QVariant()}})
    {
        SCOPED_TRACE(std::string(r.id) + " <- " + ::testing::PrintToString(r.value));
        archive = load(sample("materials.sbsar"));
        EXPECT_EQ(update(r.id, r.value), r.changed);
        const QVariant after = input(*archive, 0, QString::fromUtf8(r.id)).value("VALUE");
        EXPECT_EQ(after.userType(), r.after.userType()) << after.typeName();
        EXPECT_EQ(after, r.after);
    }
    EXPECT_FALSE(archive->updateInputs("wood", "roughness", QVariant::fromValue(0.9f)));
    EXPECT_TRUE(logLines().empty());
}

TEST_F(ArchiveTest, DefaultFlagFollowsTheValueAndResetRestoresDefaults)
{
    const auto isDefault = [&](const char* id) { return archive->getActiveGraphValues().at(id).isDefault; };
    update("roughness", QVariant::fromValue(0.5f));
    EXPECT_TRUE(isDefault("roughness"));
    update("tint", QVariant::fromValue(QVector4D(0.8f, 0.6f, 0.4f, 0.f)));
    EXPECT_FALSE(isDefault("tint")) << "alpha counts";
    update("$outputsize", v3(9, 9, 0));
    EXPECT_TRUE(isDefault("$outputsize")) << "the sync state is no value";
    update("$outputsize", v3(11, 12, 0));
    update("$time", QVariant::fromValue(3.f));

    archive->resetGraph();
    for (const auto& entry : archive->getActiveGraphValues())
        EXPECT_TRUE(entry.second.isDefault) << entry.first.toStdString();
    EXPECT_EQ(value("$outputsize"), v3(9, 9, 0)) << "reset leaves the sync state";
    EXPECT_EQ(value("tint"), QVariant::fromValue(QVector3D(0.8f, 0.6f, 0.4f)));
    EXPECT_EQ(input(*archive, 0, "$time").value("VALUE"), QVariant::fromValue(0.f));
}

TEST_F(ArchiveTest, UpdateResetAndFillConcernTheirOwnGraph)
{
    auto multi = load(sample("multigraph.sbsar"));
    EXPECT_TRUE(multi->updateInputs("Concrete", "pores", QVariant::fromValue(0.9f)));
    EXPECT_TRUE(multi->updateInputs("Brick", "$outputsize", v3(11, 11, 1)));
    EXPECT_TRUE(multi->updateInputs("Tiles", "tiles", QVariant(20)));
    multi->setActiveGraphIndex(1);
    multi->resetGraph();
    EXPECT_EQ(multi->getActiveGraphValues().at("tiles").value, QVariant(6));
    EXPECT_EQ(input(*multi, 0, "$outputsize").value("VALUE"), v3(11, 11, 1));

    multi->setActiveGraphIndex(2);
    SubstanceAir::Preset record;
    multi->fillPreset(record);
    EXPECT_EQ(record.packageUrl + " " + record.label, "pkg://materials/concrete Concrete");
    ASSERT_EQ(record.inputValues.size(), 2u);
    EXPECT_EQ(record.inputValues[1].identifier + "=" + record.inputValues[1].value, "pores=0.9");
}

// ---------------------------------------------------------------- image inputs

TEST_F(ArchiveTest, ImageInputHoldsOneReferenceOnItsImage)
{
    ImagePtr image = hold(osg::Image::create());
    const QVariant named = QVariant::fromValue(oxdImage(image->getId()));
    EXPECT_TRUE(update("mask", named));
    EXPECT_FALSE(update("mask", named));
    EXPECT_EQ(image->getRefCount(), 2);
    EXPECT_EQ(value("mask"), named);
    EXPECT_TRUE(update("mask", QVariant::fromValue(oxdImage())));
    EXPECT_EQ(image->getRefCount(), 1);
    update("mask", named);
    archive->resetGraph();
    EXPECT_EQ(image->getRefCount(), 1);
    update("mask", named);
    archive.reset();
    EXPECT_EQ(image->getRefCount(), 1) << "a dropped archive gives its references back";
}

TEST_F(ArchiveTest, ImageInputReadsAFileNamedByTextAndRecordsItsPath)
{
    TempFiles files;
    const QString path = files.write("mask.ppm", "P6 2 3 255\n" + QByteArray(18, '\x7F'));
    EXPECT_TRUE(update("mask", QVariant(path)));
    const ImagePtr image = oxSubstanceUtils::convertQVariantToOsgImage(value("mask"));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image->getHeight(), 3);
    EXPECT_EQ(image->getRefCount(), 1);
    EXPECT_EQ(filled().inputValues.at(3).value, path.toStdString());

    const QString none = files.path("none.ppm");
    EXPECT_TRUE(update("mask", QVariant(none)));
    EXPECT_EQ(value("mask"), QVariant::fromValue(oxdImage(0)));
    EXPECT_EQ(filled().inputValues.at(3).value, "") << "no path of a file that did not read";
    EXPECT_EQ(logLines(), std::vector<std::string>{"error: Unable to read image '" + none.toStdString() +
                                                   "': the file cannot be opened."});
    EXPECT_TRUE(archive->applyPreset(preset("<sbspreset label=\"I\"><presetinput identifier=\"mask\" uid=\"4\" "
                                            "type=\"5\" filepath=\"" + path.toStdString() + "\"/></sbspreset>"),
                                     false));
    EXPECT_EQ(filled().inputValues.at(3).value, path.toStdString());
}

// ---------------------------------------------------------------- presets

TEST_F(ArchiveTest, ApplyPresetSetsItsInputsAndDefaultsTheRest)
{
    update("contrast", QVariant::fromValue(QVector3D(2, 2, 2)));
    EXPECT_TRUE(archive->applyPreset(archivePreset(1), false)); // "Dark Walnut"
    EXPECT_EQ(value("$outputsize"), v3(10, 10, 1));
    EXPECT_EQ(value("tint"), QVariant::fromValue(QVector3D(0.35f, 0.2f, 0.1f)));
    EXPECT_EQ(value("notes"), QVariant(QStringLiteral("Walnut")));
    EXPECT_EQ(value("contrast"), QVariant::fromValue(QVector3D(1, 1, 1)));
    EXPECT_TRUE(logLines().empty());
}

TEST_F(ArchiveTest, ApplyPresetOutputSizeFollowsThePresetOrTheDefault)
{
    struct Row { int preset; bool defaultOutputSize, defaultSync; QVariant after; };
    for (const Row& r : std::vector<Row>{{0, false, true, v3(11, 12, 0)},
                                         {1, false, true, v3(10, 10, 0)},
                                         {1, true, true, v3(9, 9, 1)},
                                         {0, true, false, v3(9, 9, 0)}})
    {
        SCOPED_TRACE(::testing::Message() << r.preset << r.defaultOutputSize << r.defaultSync);
        QSubstanceArchive::setDefaultSyncOutputSize(r.defaultSync);
        update("$outputsize", v3(11, 12, 0));
        EXPECT_TRUE(archive->applyPreset(archivePreset(r.preset), r.defaultOutputSize));
        EXPECT_EQ(value("$outputsize"), r.after);
    }
}

TEST_F(ArchiveTest, ApplyPresetRefusesBadPresetsAndWarnsOfBadValues)
{
    update("pattern", QVariant(2));
    EXPECT_FALSE(archive->applyPreset(SubstancePresetPtr(), false));
    EXPECT_FALSE(archive->applyPreset(preset("<sbspresets/>", "Broken"), true));
    EXPECT_EQ(logLines(), std::vector<std::string>{"error: Unable to apply preset 'Broken': its content is not a preset."});
    EXPECT_EQ(value("pattern"), QVariant(2));
    oxStandIn::clearLogMessages();

    EXPECT_TRUE(archive->applyPreset(preset("<sbspreset label=\"Odd\">"
                                            "<presetinput identifier=\"nothing\" uid=\"99\" type=\"0\" value=\"1\"/>"
                                            "<presetinput identifier=\"tiling\" uid=\"8\" type=\"1\" value=\"3\"/>"
                                            "</sbspreset>", "Odd"), false));
    EXPECT_EQ(value("tiling"), QVariant::fromValue(QVector2D(1, 1)));
    EXPECT_EQ(value("pattern"), QVariant(0));
    EXPECT_EQ(logLines(), std::vector<std::string>{"warning: Preset 'Odd': the value \"3\" of input 'tiling' does "
                                                   "not read; the input keeps its default."});
}

TEST_F(ArchiveTest, FillPresetWritesEveryInputInArchiveOrder)
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

TEST_F(ArchiveTest, FilledPresetAppliedAgainGivesTheSameValuesExactly)
{
    for (float f : {0.1f + 1e-8f, 1.0f / 3.0f, std::numeric_limits<float>::denorm_min()})
    {
        SCOPED_TRACE(f);
        update("roughness", QVariant::fromValue(f));
        update("grain", QVariant::fromValue(QVector4D(f, -f, f / 7, 1)));
        update("region", QVariant::fromValue(QOXIntVector4D(-1, 2147483647, -2147483647 - 1, 0)));
        update("notes", QVariant(QStringLiteral("a \"quoted\" <note> & more")));
        update("$outputsize", v3(12, 8, 1));
        const auto before = archive->getActiveGraphValues();
        const SubstanceAir::Preset record = filled();
        archive->resetGraph();
        ASSERT_TRUE(archive->applyPreset(preset(oxSubstanceUtils::getContent(record)), false));
        for (const auto& entry : before)
            EXPECT_EQ(value(entry.first), entry.second.value) << entry.first.toStdString();
        EXPECT_EQ(oxSubstanceUtils::getContent(filled()), oxSubstanceUtils::getContent(record));
    }
}

TEST_F(ArchiveTest, PresetValuesCompareEqualToCurrentValuesButForColours)
{
    const auto current = archive->getActiveGraphValues();
    for (const SubstanceAir::Preset::InputValue& in : filled().inputValues)
    {
        const QString id = QString::fromStdString(in.identifier);
        if (current.count(id)) // not hidden
        {
            EXPECT_EQ(oxSubstanceUtils::getValue(in) == current.at(id).value, id != "tint") << in.identifier;
        }
    }
}

TEST_F(ArchiveTest, PresetValueTypeCodeGivesTheAttributeForm)
{
    struct Row { std::uint32_t type; const char* identifier; const char* text; QVariant expected; };
    for (const Row& r : std::vector<Row>{
             {0, "f", "  +2.5 ", QVariant::fromValue(2.5f)},
             {0, "f", "nan", QVariant()},
             {0, "f", "1,2", QVariant()},
             {1, "f", "1, 2", QVariant::fromValue(QVector2D(1, 2))},
             {2, "f", "0,,1", QVariant()},
             {3, "tint", "0.9,0.75,0.55,1", QVariant::fromValue(QVector4D(0.9f, 0.75f, 0.55f, 1))},
             {4, "i", "-2147483648", QVariant(-2147483647 - 1)},
             {4, "i", "2147483648", QVariant()},
             {5, "m", "", QVariant::fromValue(oxdImage(0))},
             {5, "m", "/m.ppm", QVariant(QStringLiteral("/m.ppm"))},
             {6, "s", " as is, ", QVariant(QStringLiteral(" as is, "))},
             {8, "size", "9,10", QVariant::fromValue(QOXIntVector2D(9, 10))},
             {8, "$outputsize", "9,10", v3(9, 10, 1)},
             {9, "i", "1,2,3", v3(1, 2, 3)},
             {10, "i", "1,2,3,4", QVariant::fromValue(QOXIntVector4D(1, 2, 3, 4))},
             {7, "i", "1", QVariant()}})
    {
        SubstanceAir::Preset::InputValue in;
        in.type = r.type;
        in.identifier = r.identifier;
        in.value = r.text;
        SCOPED_TRACE(std::to_string(r.type) + " " + r.identifier + " \"" + r.text + "\"");
        const QVariant v = oxSubstanceUtils::getValue(in);
        EXPECT_EQ(v.userType(), r.expected.userType()) << v.typeName();
        EXPECT_EQ(v, r.expected);
    }
    SubstanceAir::Preset::InputValue size;
    size.type = SubstanceAir::InputType_Integer2;
    size.identifier = "$outputsize";
    size.value = "8,8";
    QSubstanceArchive::setDefaultSyncOutputSize(false);
    EXPECT_EQ(oxSubstanceUtils::getValue(size), v3(8, 8, 0)) << "the sync state is the default's";
}

TEST_F(ArchiveTest, ContentIsOneEscapedPresetElementAndNameIsTheLabel)
{
    SubstanceAir::Preset record;
    record.packageUrl = "pkg://a&b";
    record.label = "Light <Oak>";
    record.inputValues.resize(1);
    record.inputValues[0].identifier = "mask";
    record.inputValues[0].type = SubstanceAir::InputType_Image;
    record.inputValues[0].value = "/m.ppm";
    EXPECT_EQ(oxSubstanceUtils::getNameAndContent(record),
              std::make_pair(std::string("Light <Oak>"),
                             std::string(" <sbspreset pkgurl=\"pkg://a&amp;b\" label=\"Light &lt;Oak&gt;\" >\n"
                                         "  <presetinput identifier=\"mask\" uid=\"0\" type=\"5\" filepath=\"/m.ppm\" />\n"
                                         " </sbspreset>\n")));
}

// ---------------------------------------------------------------- output size

TEST_F(ArchiveTest, OutputSizeTurnsLog2SizesIntoPixels)
{
    for (const auto& [x, y, ok, width, height] : std::vector<std::tuple<int, int, bool, int, int>>{
             {0, 0, true, 1, 1}, {30, 1, true, 1 << 30, 2}, {31, 9, false, -7, -7}})
    {
        update("$outputsize", QVariant::fromValue(QOXIntVector2D(x, y)));
        int w = -7, h = -7;
        EXPECT_EQ(archive->getOutputSize(w, h), ok) << x;
        EXPECT_EQ(std::make_pair(w, h), std::make_pair(width, height)) << x;
    }
    EXPECT_EQ(logLines(),
              std::vector<std::string>{"warning: The output size 2^31 x 2^9 of graph 'Wood' is out of range."});
    TempFiles files;
    archive = load(files.write("n.sbsar", oneGraph("<input identifier=\"a\" label=\"A\" type=\"int[2]\"/>")));
    int width = 5, height = 6;
    EXPECT_FALSE(archive->getOutputSize(width, height));
    EXPECT_EQ(width + height, 11);
    EXPECT_EQ(value("a"), QVariant::fromValue(QOXIntVector2D(0, 0))) << "the size form is \"$outputsize\"'s only";
}

// ---------------------------------------------------------------- images and PPM files

TEST_F(ArchiveTest, ImagesConvertByContainerIdOrFromBinaryPpmFiles)
{
    ImagePtr image = hold(osg::Image::create());
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    const QVariant named = oxSubstanceUtils::convertOsgImageToQVariant(image);
    EXPECT_EQ(named, QVariant::fromValue(oxdImage(image->getId())));
    EXPECT_EQ(oxSubstanceUtils::convertOsgImageToQVariant(ImagePtr()), QVariant::fromValue(oxdImage(0)));
    EXPECT_EQ(oxSubstanceUtils::convertQVariantToOsgImage(named), image);
    EXPECT_EQ(image->getRefCount(), 1);
    for (const QVariant& v : {QVariant::fromValue(oxdImage(material->getId())), QVariant(QString()),
                              QVariant(int(image->getId()))})
        EXPECT_TRUE(oxSubstanceUtils::convertQVariantToOsgImage(v).isNull()) << ::testing::PrintToString(v);

    TempFiles files;
    const osg::UInt16 wide[3] = {0x1234, 0xFFFF, 1};
    std::vector<osg::UInt8> widePixels(6);
    std::memcpy(widePixels.data(), wide, 6);
    struct Row { QByteArray bytes; int width, dataType; std::vector<osg::UInt8> pixels; };
    for (const Row& r : std::vector<Row>{
             {bytes("P6\n# a comment\n2 1\n255\n\x0A\x14\x1E\xFF\x00\x80"), 2, osg::Image::OSG_UINT8_IMAGEDATA,
              {10, 20, 30, 255, 0, 128}},
             {bytes("P6 1 1 15\n\x0F\x00\x05"), 1, osg::Image::OSG_UINT8_IMAGEDATA, {255, 0, 85}},
             {bytes("P6 1 1 65535\n\x12\x34\xFF\xFF\x00\x01"), 1, osg::Image::OSG_UINT16_IMAGEDATA, widePixels}})
    {
        SCOPED_TRACE(r.bytes.left(12).constData());
        const QVariant path(files.write("a.ppm", r.bytes));
        const ImagePtr read = hold(oxSubstanceUtils::convertQVariantToOsgImage(path));
        ASSERT_FALSE(read.isNull());
        EXPECT_EQ(read->getRefCount(), 1) << "a new image without references";
        EXPECT_EQ(read->getWidth(), r.width);
        EXPECT_EQ(read->getDataType(), r.dataType);
        EXPECT_EQ(std::vector<osg::UInt8>(read->getPixels().begin(), read->getPixels().end()), r.pixels);
    }
    EXPECT_TRUE(logLines().empty());
}

TEST_F(ArchiveTest, BadPpmGivesNullAndOneErrorNamingTheFile)
{
    TempFiles files;
    for (const auto& [text, problem] : std::vector<std::pair<QByteArray, const char*>>{
             {"P3 1 1 255 1 2 3", "not a binary PPM (P6) file"},
             {"P6 2 x 255\n", "the PPM header is incomplete"},
             {"P6 99999 99999 255\n", "the PPM header holds values out of range"},
             {"P6 1 1 255", "the PPM header is not followed by a blank"},
             {QByteArray("P6 1 1 1000\n") + QByteArray(5, 'x'), "the pixel data is truncated"}})
    {
        oxStandIn::clearLogMessages();
        const QString path = files.write("bad.ppm", text);
        const std::size_t live = oxStandIn::liveContainerCount();
        EXPECT_TRUE(oxSubstanceUtils::convertQVariantToOsgImage(QVariant(path)).isNull()) << text.constData();
        EXPECT_EQ(oxStandIn::liveContainerCount(), live) << "no image made";
        EXPECT_EQ(logLines(), std::vector<std::string>{"error: Unable to read image '" + path.toStdString() + "': " +
                                                       problem + "."});
    }
}

// ---------------------------------------------------------------- factory, counts, files, renderer

TEST_F(ArchiveTest, FactoryKeepsOneArchivePerIdUntilReleaseOrReset)
{
    oxSubstanceArchiveFactory& factory = oxSubstanceArchiveFactory::instance();
    bool created = false;
    const auto a = factory.getMaterialArchive(7, created);
    ASSERT_TRUE(created && a);
    EXPECT_EQ(factory.getMaterialArchive(7, created), a);
    EXPECT_FALSE(created);
    const auto other = factory.getMaterialArchive(8, created);
    EXPECT_NE(other, a);
    factory.releaseMaterialArchive(7);
    EXPECT_NE(factory.getMaterialArchive(7, created), a);
    EXPECT_TRUE(created);
    EXPECT_EQ(factory.getMaterialArchive(8, created), other);

    ASSERT_TRUE(import(*other, sample("materials.sbsar")));
    QSubstanceArchive::setDefaultSyncOutputSize(false);
    EXPECT_EQ(load(sample("materials.sbsar"))->getActiveGraphValues().at("$outputsize").value, v3(9, 9, 0))
        << "an import takes the default sync state";
    oxStandIn::reset();
    EXPECT_TRUE(QSubstanceArchive::getDefaultSyncOutputSize());
    EXPECT_NE(factory.getMaterialArchive(8, created), other);
    EXPECT_FALSE(other->isEmpty()) << "the holder's archive lives on";
}

TEST_F(ArchiveTest, EveryOperationIsCountedByName)
{
    oxStandIn::clearArchiveCalls();
    int w = 0, h = 0;
    archive->graphs();
    archive->graphs();
    archive->getOutputSize(w, h);
    update("roughness", 0.1f);
    archive->resetGraph();
    const std::map<std::string, int> expected = {
        {"graphs", 2}, {"getOutputSize", 1}, {"updateInputs", 1}, {"resetGraph", 1}};
    EXPECT_EQ(oxStandIn::archiveCalls(), expected);
}

TEST_F(ArchiveTest, PresetFilesAreThoseWhoseTopElementIsAPresetList)
{
    TempFiles files;
    for (const auto& [text, presets] : std::vector<std::pair<QByteArray, bool>>{
             {"<?xml version=\"1.0\"?><!-- c --><sbspresets/>", true}, {"<sbspreset/>", false}, {"<sbspresets>", false}})
        EXPECT_EQ(QSubstanceFile(files.write("f.sbsprs", text)).arePresets(), presets) << text.constData();
    EXPECT_FALSE(QSubstanceFile(files.path("none.sbsprs")).arePresets());
    EXPECT_TRUE(QSubstanceFile(sample("multigraph.sbsprs")).arePresets());

    const QByteArray text = bytes("<sbspresets>\r\n\xC3\xA9\0tail");
    QSubstancePresetReader reader(files.write("r.sbsprs", text));
    ASSERT_TRUE(reader.read());
    EXPECT_EQ(reader.get(), text.toStdString());
    EXPECT_FALSE(QSubstancePresetReader(files.path("none.sbsprs")).read());

    QSubstancePresetReader samples(sample("materials.sbsprs"));
    std::vector<SubstanceAir::Preset> records;
    ASSERT_TRUE(samples.read() && SubstanceAir::parsePresets(records, samples.get().c_str()));
    int equal = 0;
    for (const auto& p : archive->presets())
        for (const auto& r : records)
            equal += oxSubstanceUtils::getContent(r) == p.second.toStdString();
    EXPECT_EQ(equal, 1) << "the sample preset file repeats one archive preset exactly";
}

TEST_F(ArchiveTest, RendererIsInstalledCountedAndRemoved)
{
    {
        oxSubstanceRenderer gone;
        oxSubstanceRenderer::setInstance(&gone);
    }
    EXPECT_EQ(oxSubstanceRenderer::instance(), nullptr) << "a destroyed renderer uninstalls itself";
    oxSubstanceRenderer renderer;
    oxSubstanceRenderer::setInstance(&renderer);
    oxSubstanceRenderer::instance()->materialUpdated(12);
    EXPECT_EQ(oxStandIn::archiveCallCount("materialUpdated"), 1);
    oxStandIn::reset();
    EXPECT_EQ(oxSubstanceRenderer::instance(), nullptr);
}

TEST_F(ArchiveTest, AllSubstanceMaterialsAreTheLiveOnes)
{
    USubstanceMaterialPtr a = hold(USubstanceMaterial::create());
    hold(USubstanceEnvironmentMaterial::create());
    hold(osg::Image::create());
    const auto all = oxSubstanceUtils::getAllSubstanceMaterials();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0], a);
}

} // namespace
