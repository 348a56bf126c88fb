// The stand-in archive service: importing archives (samples, missing and
// malformed files), graph and input descriptions, outputs, presets, and the
// factory that keeps one archive per material id.

#include "ArchiveTestSupport.h"

#include "preset/SubstanceAirPreset.h"

#include <QSet>

using namespace archivetest;

namespace {

class ArchiveImportTest : public oxHostTest
{
};

// ---------------------------------------------------------------- samples

struct SampleCase
{
    const char* file;
    std::vector<const char*> graphs;
    std::vector<const char*> urls;
    std::vector<const char*> presets;
    bool panorama;
};

class ArchiveSampleTest : public oxHostTest, public ::testing::WithParamInterface<SampleCase>
{
};

TEST_P(ArchiveSampleTest, ImportsGraphsUrlsPresetsAndChannels)
{
    const SampleCase& c = GetParam();
    QSubstanceArchive archive;
    EXPECT_TRUE(archive.isEmpty());
    ASSERT_TRUE(import(archive, sample(c.file)));
    EXPECT_TRUE(logLines().empty());
    EXPECT_FALSE(archive.isEmpty());
    EXPECT_EQ(archive.path(), sample(c.file));
    EXPECT_EQ(archive.activeGraphIndex(), 0);

    QFile file(sample(c.file));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(archive.data(), std::vector<unsigned char>(bytes.begin(), bytes.end()));

    const GraphDescriptionList graphs = archive.graphs();
    ASSERT_EQ(graphs.size(), c.graphs.size());
    for (std::size_t g = 0; g < graphs.size(); ++g)
        EXPECT_EQ(graphs[g].first, QString::fromUtf8(c.graphs[g]));

    QSet<QString> urls;
    for (const char* u : c.urls)
        urls.insert(QString::fromUtf8(u));
    EXPECT_EQ(archive.packageURLs(), urls);

    const auto presets = archive.presets();
    ASSERT_EQ(presets.size(), c.presets.size());
    for (std::size_t p = 0; p < presets.size(); ++p)
    {
        EXPECT_EQ(presets[p].first, QString::fromUtf8(c.presets[p]));
        SubstanceAir::Preset record;
        ASSERT_TRUE(SubstanceAir::parsePreset(record, presets[p].second.toStdString().c_str()));
        EXPECT_EQ(record.label, c.presets[p]);
        EXPECT_TRUE(urls.contains(QString::fromStdString(record.packageUrl))) << record.packageUrl;
    }

    EXPECT_EQ(archive.hasChannel(0, SubstanceAir::Channel_Panorama), c.panorama);
    EXPECT_TRUE(archive.hasChannel(0, SubstanceAir::Channel_BaseColor) || c.panorama);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, ArchiveSampleTest,
    ::testing::Values(
        SampleCase{"materials.sbsar", {"Wood"}, {"pkg://materials/wood"}, {"Light Oak", "Dark Walnut"}, false},
        SampleCase{"panorama.sbsar", {"Sky"}, {"pkg://environments/sky"}, {"Sunset"}, true},
        SampleCase{"multigraph.sbsar",
                   {"Brick", "Tiles", "Concrete"},
                   {"pkg://materials/brick", "pkg://materials/tiles", "pkg://materials/concrete"},
                   {"Old Brick", "Bathroom"},
                   false}),
    [](const ::testing::TestParamInfo<SampleCase>& info) {
        std::string name = info.param.file;
        return name.substr(0, name.find('.'));
    });

// ---------------------------------------------------------------- input descriptions

struct ValueCase
{
    const char* id;
    QVariant value;
};

class ArchiveValueFormTest : public oxHostTest, public ::testing::WithParamInterface<ValueCase>
{
};

TEST_P(ArchiveValueFormTest, ValueHasTheAttributeForm)
{
    const ValueCase& c = GetParam();
    auto archive = load(sample("materials.sbsar"));
    const QVariant value = input(archive->graphs(), 0, QString::fromUtf8(c.id)).value("VALUE");
    EXPECT_EQ(value.userType(), c.value.userType()) << value.typeName() << " vs " << c.value.typeName();
    EXPECT_EQ(value, c.value);
    if (QString::fromUtf8(c.id) != "$time")
    {
        EXPECT_EQ(archive->getActiveGraphValues().at(QString::fromUtf8(c.id)).value, c.value);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Materials, ArchiveValueFormTest,
    ::testing::Values(ValueCase{"$outputsize", QVariant::fromValue(QOXIntVector3D(9, 9, 1))},
                      ValueCase{"roughness", QVariant::fromValue(0.35f)},
                      ValueCase{"grain", QVariant::fromValue(QVector4D(1, 0, 0, 0.5f))},
                      ValueCase{"mask", QVariant::fromValue(oxdImage(0))},
                      ValueCase{"tint", QVariant::fromValue(QVector3D(0.8f, 0.6f, 0.4f))},
                      ValueCase{"contrast", QVariant::fromValue(QVector3D(1, 1, 1))},
                      ValueCase{"pattern", QVariant::fromValue(1)},
                      ValueCase{"tiling", QVariant::fromValue(QVector2D(2, 2))},
                      ValueCase{"knots", QVariant::fromValue(QOXIntVector3D(3, 2, 10))},
                      ValueCase{"region", QVariant::fromValue(QOXIntVector4D(0, 0, 512, 512))},
                      ValueCase{"$randomseed", QVariant::fromValue(0)},
                      ValueCase{"notes", QVariant::fromValue(QStringLiteral("Oak"))},
                      ValueCase{"$time", QVariant::fromValue(0.f)}),
    [](const ::testing::TestParamInfo<ValueCase>& info) {
        std::string name = info.param.id;
        name.erase(std::remove(name.begin(), name.end(), '$'), name.end());
        return name;
    });

TEST_F(ArchiveImportTest, DescriptionsCarryEveryKeyOfTheirType)
{
    auto archive = load(sample("materials.sbsar"));
    const GraphDescriptionList graphs = archive->graphs();
    const QStringList common = {"TYP", "ID", "LABEL", "GROUP", "WIDGET", "VISIBILITY", "DEFAULT_VALUE", "DESCRIPTION",
                                "VALUE"};
    struct KeysCase
    {
        const char* id;
        QStringList extra;
    };
    const std::vector<KeysCase> cases = {
        {"roughness", {"Step", "Min", "Max", "DefaultValue"}},
        {"pattern", {"Step", "Min", "Max", "DefaultValue", "Map"}},
        {"tiling", {"Step", "MinX", "MinY", "MaxX", "MaxY", "DefaultValueX", "DefaultValueY", "LabelX", "LabelY"}},
        {"contrast",
         {"Step", "MinX", "MinY", "MinZ", "MaxX", "MaxY", "MaxZ", "DefaultValueX", "DefaultValueY", "DefaultValueZ",
          "LabelY"}},
        {"tint", {"Step", "MinX", "MinY", "MinZ", "MinW", "MaxX", "MaxY", "MaxZ", "MaxW", "DefaultValueX",
                  "DefaultValueY", "DefaultValueZ", "DefaultValueW", "LabelX", "LabelY", "LabelZ", "LabelW"}},
        {"$outputsize",
         {"Step", "MinX", "MinY", "MaxX", "MaxY", "DefaultValueX", "DefaultValueY", "LabelX", "LabelY"}},
        {"notes", {}},
        {"mask", {}},
    };
    for (const KeysCase& c : cases)
    {
        QStringList expected = common + c.extra;
        expected.sort();
        QStringList keys = input(graphs, 0, c.id).keys();
        keys.sort();
        EXPECT_EQ(keys, expected) << c.id;
    }
}

TEST_F(ArchiveImportTest, DescriptionTextsAndNumbersComeFromTheArchive)
{
    auto archive = load(sample("materials.sbsar"));
    const GraphDescriptionList graphs = archive->graphs();
    struct KeyCase
    {
        const char* id;
        const char* key;
        QVariant value;
    };
    for (const KeyCase& c : std::vector<KeyCase>{
             {"roughness", "TYP", QString("float")},
             {"roughness", "LABEL", QString("Roughness")},
             {"roughness", "GROUP", QString("Surface")},
             {"roughness", "WIDGET", QString("slider")},
             {"roughness", "DEFAULT_VALUE", QString("0.5")},
             {"roughness", "DESCRIPTION", QString("How rough the surface is.")},
             {"roughness", "Step", double(0.01f)},
             {"roughness", "Max", 1.0},
             {"pattern", "Map", QString("0:Planks;1:Parquet;2:Herringbone")},
             {"pattern", "Max", 2},
             {"knots", "VISIBILITY", QString("input['pattern'] != 2")},
             {"knots", "DefaultValueY", 2},
             {"knots", "LabelZ", QString("Spread")},
             {"tint", "DEFAULT_VALUE", QString("0.8,0.6,0.4,1")},
             {"tint", "DefaultValueY", double(0.6f)},
             {"$randomseed", "GROUP", QString("")},
             {"$time", "LABEL", QString("")}})
    {
        const QVariant v = input(graphs, 0, c.id).value(c.key);
        EXPECT_EQ(v.userType(), c.value.userType()) << c.id << " " << c.key;
        EXPECT_EQ(v, c.value) << c.id << " " << c.key;
    }
}

TEST_F(ArchiveImportTest, HiddenInputsAreLeftOutOfTheActiveGraphValues)
{
    auto archive = load(sample("materials.sbsar"));
    const auto values = archive->getActiveGraphValues();
    EXPECT_EQ(values.size(), 12u);
    EXPECT_EQ(values.count("$time"), 0u);
    EXPECT_EQ(archive->graphs()[0].second.size(), 13);
}

TEST_F(ArchiveImportTest, ActiveGraphValuesCarryGroupAndDefaultFlag)
{
    auto archive = load(sample("materials.sbsar"));
    const auto values = archive->getActiveGraphValues();
    struct FlagCase
    {
        const char* id;
        const char* group;
        bool isDefault;
    };
    for (const FlagCase& c : std::vector<FlagCase>{{"$outputsize", "Output", true},
                                                   {"roughness", "Surface", false},
                                                   {"mask", "Surface", true},
                                                   {"tint", "Colour", true},
                                                   {"pattern", "Pattern", false},
                                                   {"tiling", "Pattern", false},
                                                   {"$randomseed", "", true},
                                                   {"notes", "", true}})
    {
        const SubstancePropertyValue& v = values.at(QString::fromUtf8(c.id));
        EXPECT_EQ(v.group, QString::fromUtf8(c.group)) << c.id;
        EXPECT_EQ(v.isDefault, c.isDefault) << c.id;
    }
}

// ---------------------------------------------------------------- outputs

TEST_F(ArchiveImportTest, ColourComponentsOfTheActiveGraphInArchiveOrder)
{
    auto archive = load(sample("materials.sbsar"));
    const auto components = archive->osgColorComponents(0);
    struct ComponentCase
    {
        const char* name;
        const char* output;
        int dataType;
    };
    const std::vector<ComponentCase> expected = {
        {"diffuse", "basecolor", osg::Image::OSG_UINT8_IMAGEDATA},
        {"specular", "specular", osg::Image::OSG_UINT8_IMAGEDATA},
        {"roughness", "roughness", osg::Image::OSG_UINT8_IMAGEDATA},
        {"normal", "normal", osg::Image::OSG_UINT16_IMAGEDATA},
        {"height", "height", osg::Image::OSG_FLOAT32_IMAGEDATA},
        {"incandescence", "emissive", osg::Image::OSG_UINT8_IMAGEDATA},
        {"cutout", "opacity", osg::Image::OSG_UINT8_IMAGEDATA},
    };
    ASSERT_EQ(components.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_EQ(components[i].componentName, expected[i].name);
        EXPECT_EQ(components[i].outputIdentifier, expected[i].output);
        EXPECT_EQ(components[i].dataType, expected[i].dataType) << expected[i].name;
    }
}

TEST_F(ArchiveImportTest, ColourComponentsFollowTheActiveGraph)
{
    auto archive = load(sample("multigraph.sbsar"));
    auto names = [&](int index) {
        std::vector<std::string> n;
        for (const auto& c : archive->osgColorComponents(index))
            n.push_back(c.componentName);
        return n;
    };
    EXPECT_EQ(names(0), (std::vector<std::string>{"diffuse", "normal", "height"}));
    EXPECT_EQ(names(2), (std::vector<std::string>{"diffuse", "anisotropy"}));
    EXPECT_TRUE(names(3).empty());
    EXPECT_TRUE(names(-1).empty());
    for (int index : {1, 3, -1})
        archive->setActiveGraphIndex(index);
    EXPECT_EQ(archive->activeGraphIndex(), 1) << "out of range is ignored";
    EXPECT_EQ(names(0), (std::vector<std::string>{"diffuse", "roughness", "metallic"}));
}

TEST_F(ArchiveImportTest, HasChannelByGraphIndex)
{
    auto archive = load(sample("multigraph.sbsar"));
    struct ChannelCase
    {
        int graph;
        SubstanceAir::ChannelUse channel;
        bool has;
    };
    for (const ChannelCase& c : std::vector<ChannelCase>{{0, SubstanceAir::Channel_Normal, true},
                                                         {0, SubstanceAir::Channel_Metallic, false},
                                                         {1, SubstanceAir::Channel_Metallic, true},
                                                         {2, SubstanceAir::Channel_Anisotropy, true},
                                                         {3, SubstanceAir::Channel_BaseColor, false},
                                                         {-1, SubstanceAir::Channel_BaseColor, false}})
        EXPECT_EQ(archive->hasChannel(c.graph, c.channel), c.has) << c.graph << " " << c.channel;
}

TEST_F(ArchiveImportTest, EmptyArchiveGivesEmptyResults)
{
    QSubstanceArchive archive;
    int width = -1, height = -1;
    EXPECT_TRUE(archive.isEmpty());
    EXPECT_TRUE(archive.graphs().empty());
    EXPECT_TRUE(archive.presets().empty());
    EXPECT_TRUE(archive.osgColorComponents(0).empty());
    EXPECT_TRUE(archive.packageURLs().isEmpty());
    EXPECT_TRUE(archive.getActiveGraphValues().empty());
    EXPECT_FALSE(archive.hasChannel(0, SubstanceAir::Channel_BaseColor));
    EXPECT_FALSE(archive.updateInputs("Wood", "roughness", 0.5f));
    EXPECT_FALSE(archive.getOutputSize(width, height));
    EXPECT_EQ(width, -1);
    SubstanceAir::Preset record;
    record.label = "kept";
    archive.fillPreset(record);
    EXPECT_EQ(record.label, "kept");
}

TEST_F(ArchiveImportTest, ImportReplacesTheArchiveAndStartsAtGraphZero)
{
    QSubstanceArchive archive;
    ASSERT_TRUE(import(archive, sample("multigraph.sbsar")));
    archive.setActiveGraphIndex(2);
    ASSERT_TRUE(import(archive, sample("materials.sbsar")));
    EXPECT_EQ(archive.activeGraphIndex(), 0);
    EXPECT_EQ(archive.graphs().size(), 1u);
    EXPECT_EQ(archive.path(), sample("materials.sbsar"));
}

TEST_F(ArchiveImportTest, ImportTakesTheSyncStateFromTheDefault)
{
    QSubstanceArchive::setDefaultSyncOutputSize(false);
    auto archive = load(sample("materials.sbsar"));
    EXPECT_EQ(archive->getActiveGraphValues().at("$outputsize").value,
              QVariant::fromValue(QOXIntVector3D(9, 9, 0)));
}

// ---------------------------------------------------------------- missing and malformed files

struct BadCase
{
    const char* name;
    QByteArray text;
    const char* problem;
};

class ArchiveBadFileTest : public oxHostTest, public ::testing::WithParamInterface<BadCase>
{
};

TEST_P(ArchiveBadFileTest, FailsWithOneErrorAndKeepsThePreviousArchive)
{
    const BadCase& c = GetParam();
    TempFiles files;
    const QString path = files.write(QStringLiteral("bad.sbsar"), c.text);

    QSubstanceArchive archive;
    ASSERT_TRUE(import(archive, sample("multigraph.sbsar")));
    archive.setActiveGraphIndex(1);
    ASSERT_TRUE(archive.updateInputs("Tiles", "tiles", 9));
    oxStandIn::clearLogMessages();

    EXPECT_FALSE(import(archive, path));
    const std::string expected =
        "error: Unable to load Substance archive '" + path.toStdString() + "': " + c.problem + ".";
    EXPECT_EQ(logLines(), std::vector<std::string>{expected});

    EXPECT_EQ(archive.path(), sample("multigraph.sbsar"));
    EXPECT_EQ(archive.graphs().size(), 3u);
    EXPECT_EQ(archive.activeGraphIndex(), 1);
    EXPECT_EQ(archive.getActiveGraphValues().at("tiles").value, QVariant(9));
}

const QByteArray kInput = "<input identifier=\"a\" label=\"A\" type=\"float\"/>";

INSTANTIATE_TEST_SUITE_P(
    Malformed, ArchiveBadFileTest,
    ::testing::Values(
        BadCase{"Empty", "", "the file is empty"},
        BadCase{"Blank", "  \n", "not well-formed XML (line 0: Error document empty.)"},
        BadCase{"NotXml", "<sbsar><graph label=\"G\"></sbsar>",
                "not well-formed XML (line 1: Error reading end tag.)"},
        BadCase{"WrongTop", "<sbspresets/>", "the top element is not <sbsar>"},
        BadCase{"Version", "<sbsar formatversion=\"2\"/>", "format version \"2\" is not supported"},
        BadCase{"NoGraph", "<sbsar formatversion=\"1\"/>", "the archive has no graph"},
        BadCase{"UnknownTopChild", "<sbsar><grph label=\"G\"/></sbsar>", "unknown element <grph> in <sbsar>"},
        BadCase{"GraphWithoutLabel", "<sbsar><graph pkgurl=\"pkg://x\"/></sbsar>", "graph 1 has no label"},
        BadCase{"UnknownGraphChild", oneGraph("<parameter/>"), "unknown element <parameter> in graph 'G'"},
        BadCase{"InputWithoutIdentifier", oneGraph(kInput + "<input type=\"float\"/>"),
                "input 2 of graph 'G' has no identifier"},
        BadCase{"DuplicateIdentifier", oneGraph(kInput + kInput), "input 'a' of graph 'G' appears twice"},
        BadCase{"UnknownType", oneGraph("<input identifier=\"a\" type=\"float[5]\"/>"),
                "input 'a' of graph 'G' has the unknown type \"float[5]\""},
        BadCase{"UnknownInputAttribute", oneGraph("<input identifier=\"a\" type=\"int\" lable=\"A\"/>"),
                "unknown attribute \"lable\" on input 'a' of graph 'G'"},
        BadCase{"OutputSizeType", oneGraph("<input identifier=\"$outputsize\" type=\"int[3]\"/>"),
                "input '$outputsize' of graph 'G' must be of type \"int[2]\""},
        BadCase{"TooFewComponents", oneGraph("<input identifier=\"a\" type=\"float[3]\" default=\"1,2\"/>"),
                "\"1,2\" is not a valid \"default\" of type \"float[3]\" (input 'a' of graph 'G')"},
        BadCase{"NotANumber", oneGraph("<input identifier=\"a\" type=\"float\" min=\"low\"/>"),
                "\"low\" is not a valid \"min\" of type \"float\" (input 'a' of graph 'G')"},
        BadCase{"FractionForInt", oneGraph("<input identifier=\"a\" type=\"int\" max=\"1.5\"/>"),
                "\"1.5\" is not a valid \"max\" of type \"int\" (input 'a' of graph 'G')"},
        BadCase{"Infinity", oneGraph("<input identifier=\"a\" type=\"float\" default=\"inf\"/>"),
                "\"inf\" is not a valid \"default\" of type \"float\" (input 'a' of graph 'G')"},
        BadCase{"StepOnString", oneGraph("<input identifier=\"a\" type=\"string\" step=\"1\"/>"),
                "input 'a' of graph 'G' of type \"string\" takes no \"step\""},
        BadCase{"ValueOnImage", oneGraph("<input identifier=\"a\" type=\"image\" value=\"x.ppm\"/>"),
                "input 'a' of graph 'G' of type \"image\" takes no \"value\""},
        BadCase{"LabelZOnFloat2", oneGraph("<input identifier=\"a\" type=\"float[2]\" labelz=\"Z\"/>"),
                "input 'a' of graph 'G' of type \"float[2]\" takes no \"labelz\""},
        BadCase{"MapOnFloat", oneGraph("<input identifier=\"a\" type=\"float\" map=\"0:A\"/>"),
                "input 'a' of graph 'G' of type \"float\" takes no \"map\""},
        BadCase{"BadUid", oneGraph("<input identifier=\"a\" type=\"int\" uid=\"-3\"/>"),
                "input 'a' of graph 'G' has the invalid uid \"-3\""},
        BadCase{"OutputWithoutChannel", oneGraph("<output identifier=\"o\"/>"),
                "output 'o' of graph 'G' has no valid channel"},
        BadCase{"UnknownComponent", oneGraph("<output identifier=\"o\" channel=\"0\" component=\"albedo\"/>"),
                "output 'o' of graph 'G' feeds the unknown colour component \"albedo\""},
        BadCase{"UnknownDataType", oneGraph("<output identifier=\"o\" channel=\"0\" datatype=\"uint64\"/>"),
                "output 'o' of graph 'G' has the unknown data type \"uint64\""}),
    [](const ::testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

TEST_F(ArchiveImportTest, MissingFileAndEmptyNameFail)
{
    TempFiles files;
    const QString missing = files.path("nothing.sbsar");
    QSubstanceArchive archive;
    ASSERT_TRUE(import(archive, sample("panorama.sbsar")));
    oxStandIn::clearLogMessages();

    EXPECT_FALSE(import(archive, missing));
    EXPECT_FALSE(import(archive, QString()));
    EXPECT_FALSE(import(archive, files.path(".")));
    const std::vector<std::string> lines = logLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "error: Unable to load Substance archive '" + missing.toStdString() +
                            "': the file does not exist.");
    EXPECT_EQ(lines[1], "error: Unable to load Substance archive '': no file name given.");
    EXPECT_EQ(lines[2].rfind("error: Unable to load Substance archive '" + files.path(".").toStdString() + "': ", 0),
              0u)
        << lines[2];
    EXPECT_EQ(archive.path(), sample("panorama.sbsar"));
    EXPECT_EQ(oxStandIn::archiveCallCount("import"), 4);
}

TEST_F(ArchiveImportTest, FailedFirstImportLeavesTheArchiveEmpty)
{
    TempFiles files;
    QSubstanceArchive archive;
    EXPECT_FALSE(import(archive, files.write("bad.sbsar", "<sbsar/>")));
    EXPECT_TRUE(archive.isEmpty());
    EXPECT_TRUE(archive.path().isEmpty());
    EXPECT_TRUE(archive.data().empty());
}

TEST_F(ArchiveImportTest, MinimalArchiveGetsDefaultsForWhatItLeavesOut)
{
    TempFiles files;
    const QString path = files.write("min.sbsar",
                                     "<sbsar><graph label=\"G\"><input identifier=\"a\" type=\"float[2]\"/>"
                                     "<input identifier=\"b\" type=\"int\"/><output identifier=\"o\" channel=\"3\" "
                                     "component=\"diffuse\"/></graph></sbsar>");
    auto archive = load(path);
    ASSERT_FALSE(archive->isEmpty());
    EXPECT_TRUE(archive->packageURLs().isEmpty());
    const auto a = input(archive->graphs(), 0, "a");
    EXPECT_EQ(a.value("VALUE"), QVariant::fromValue(QVector2D(0, 0)));
    EXPECT_EQ(a.value("MaxY").toDouble(), 0.0);
    EXPECT_FALSE(a.contains("LabelX"));
    EXPECT_FALSE(input(archive->graphs(), 0, "b").contains("Map"));
    EXPECT_EQ(archive->osgColorComponents(0).at(0).dataType, int(osg::Image::OSG_UINT8_IMAGEDATA));
    // Hidden inputs only.
    EXPECT_TRUE(archive->getActiveGraphValues().empty());
}

TEST_F(ArchiveImportTest, UidsDefaultToThePositionInTheGraph)
{
    TempFiles files;
    const QString path = files.write("uid.sbsar", oneGraph("<input identifier=\"a\" type=\"int\"/>"
                                                           "<input identifier=\"b\" uid=\"77\" type=\"int\"/>"
                                                           "<input identifier=\"c\" type=\"int\"/>"));
    auto archive = load(path);
    SubstanceAir::Preset record;
    archive->fillPreset(record);
    ASSERT_EQ(record.inputValues.size(), 3u);
    EXPECT_EQ(record.inputValues[0].uid, 1u);
    EXPECT_EQ(record.inputValues[1].uid, 77u);
    EXPECT_EQ(record.inputValues[2].uid, 3u);
}

TEST_F(ArchiveImportTest, ArchivePresetWithoutUrlTakesTheGraphs)
{
    TempFiles files;
    const QString path =
        files.write("p.sbsar", oneGraph("<input identifier=\"a\" label=\"A\" type=\"int\"/>"
                                        "<sbspreset label=\"P &amp; Q\"><presetinput identifier=\"a\" uid=\"1\" "
                                        "type=\"4\" value=\"3\"/></sbspreset>"));
    auto archive = load(path);
    const auto presets = archive->presets();
    ASSERT_EQ(presets.size(), 1u);
    EXPECT_EQ(presets[0].first, "P & Q");
    EXPECT_EQ(presets[0].second.toStdString(),
              " <sbspreset pkgurl=\"pkg://test/g\" label=\"P &amp; Q\" >\n"
              "  <presetinput identifier=\"a\" uid=\"1\" type=\"4\" value=\"3\" />\n"
              " </sbspreset>\n");
}

// ---------------------------------------------------------------- factory

TEST_F(ArchiveImportTest, FactoryKeepsOneArchivePerId)
{
    oxSubstanceArchiveFactory& factory = oxSubstanceArchiveFactory::instance();
    EXPECT_EQ(&factory, &oxSubstanceArchiveFactory::instance());
    bool created = false;
    const auto a = factory.getMaterialArchive(7, created);
    EXPECT_TRUE(created);
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(a->isEmpty());
    const auto again = factory.getMaterialArchive(7, created);
    EXPECT_FALSE(created);
    EXPECT_EQ(again, a);
    const auto other = factory.getMaterialArchive(8, created);
    EXPECT_TRUE(created);
    EXPECT_NE(other, a);
    const auto zero = factory.getMaterialArchive(0, created);
    EXPECT_NE(zero, nullptr);

    factory.releaseMaterialArchive(7);
    const auto fresh = factory.getMaterialArchive(7, created);
    EXPECT_TRUE(created);
    EXPECT_NE(fresh, a);
    EXPECT_EQ(factory.getMaterialArchive(8, created), other);
}

TEST_F(ArchiveImportTest, ResetClearsTheFactoryAndTheDefaultSyncState)
{
    bool created = false;
    auto archive = oxSubstanceArchiveFactory::instance().getMaterialArchive(3, created);
    ASSERT_TRUE(import(*archive, sample("materials.sbsar")));
    QSubstanceArchive::setDefaultSyncOutputSize(false);

    oxStandIn::reset();
    EXPECT_TRUE(QSubstanceArchive::getDefaultSyncOutputSize());
    EXPECT_NE(oxSubstanceArchiveFactory::instance().getMaterialArchive(3, created), archive);
    EXPECT_TRUE(created);
    EXPECT_FALSE(archive->isEmpty()); // the holder's archive lives on
}

TEST_F(ArchiveImportTest, EveryOperationIsCountedByName)
{
    auto archive = load(sample("materials.sbsar"));
    oxStandIn::clearArchiveCalls();
    int w = 0, h = 0;
    archive->graphs();
    archive->graphs();
    archive->presets();
    archive->getOutputSize(w, h);
    archive->updateInputs("Wood", "roughness", 0.1f);
    archive->resetGraph();
    SubstanceAir::Preset record;
    archive->fillPreset(record);
    const std::map<std::string, int> expected = {{"graphs", 2},         {"presets", 1},    {"getOutputSize", 1},
                                                 {"updateInputs", 1},   {"resetGraph", 1}, {"fillPreset", 1}};
    EXPECT_EQ(oxStandIn::archiveCalls(), expected);
}

} // namespace
