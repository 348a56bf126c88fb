// The stand-in archive service: importing samples and bad files, input
// descriptions and values, presets applied and filled, output sizes, image
// inputs, preset values by type code, the factory, and, against a material,
// placeholder renders, attribute reads and writes and applyState.

#include "Materials.h"
#include "QOXIntVector.h"
#include "QSubstanceArchive.h"
#include "archive/oxArchiveAttributes.h"
#include "oxHostFixture.h"
#include "oxdImage.h"
#include "preset/SubstanceAirPreset.h"

#include <QDebug>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QVector2D>
#include <QVector3D>
#include <QVector4D>

#include <algorithm>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <tuple>

void PrintTo(const QVariant& v, std::ostream* os)
{
    QString text;
    QDebug(&text).nospace() << v;
    *os << text.toStdString();
}

namespace {

QString sample(const char* name) { return QString::fromStdString(samplePath(name)); }

bool import(QSubstanceArchive& archive, const QString& path)
{
    QSubstanceBinaryDiskReader reader(path, nullptr);
    return archive.import(reader);
}

/// A fresh archive (not registered with the factory) with \p path imported.
std::shared_ptr<QSubstanceArchive> load(const QString& path)
{
    auto archive = std::make_shared<QSubstanceArchive>();
    import(*archive, path);
    return archive;
}

/// The description of input \p id in graph \p graph; empty when absent.
QMap<QString, QVariant> input(const QSubstanceArchive& archive, int graph, const char* id)
{
    const GraphDescriptionList graphs = archive.graphs();
    for (const auto& in : graphs.at(std::size_t(graph)).second)
        if (in.value("ID").toString() == id)
            return in;
    return {};
}

using Lines = std::vector<std::string>;

QVariant v3(int x, int y, int z) { return QVariant::fromValue(QOXIntVector3D(x, y, z)); }

/// Archive text with one graph "G" (pkg://test/g) holding \p body.
QByteArray oneGraph(const QByteArray& body)
{
    return "<sbsar formatversion=\"1\"><graph label=\"G\" pkgurl=\"pkg://test/g\">" + body + "</graph></sbsar>";
}

/// Starts from a fresh "materials.sbsar" (one graph, "Wood").
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
    /// Writes a file into a temporary folder.
    QString write(const QString& name, const QByteArray& bytes)
    {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    }

    QTemporaryDir dir;
    std::shared_ptr<QSubstanceArchive> archive;
};

// ---------------------------------------------------------------- import

TEST_F(ArchiveTest, SamplesImportWithTheirGraphsPresetsChannelsAndOutputs)
{
    struct Row { const char* file; std::vector<std::string> graphs, presets; bool panorama; const char* lastFeeds; };
    for (const Row& r : std::vector<Row>{
             {"multigraph.sbsar", {"Brick", "Tiles", "Concrete"}, {"Old Brick", "Bathroom"}, false,
              "diffuse<basecolor anisotropy<anisotropy "},
             {"materials.sbsar", {"Wood"}, {"Light Oak", "Dark Walnut"}, false,
              "diffuse<basecolor specular<specular roughness<roughness normal<normal height<height "
              "incandescence<emissive cutout<opacity "},
             {"panorama.sbsar", {"Sky"}, {"Sunset"}, true, "diffuse<panorama "}})
    {
        SCOPED_TRACE(r.file);
        ASSERT_TRUE(import(*archive, sample(r.file)));
        EXPECT_EQ(archive->path(), sample(r.file));
        EXPECT_EQ(qint64(archive->data().size()), QFile(sample(r.file)).size());
        std::vector<std::string> graphs, presets;
        for (const auto& g : archive->graphs())
            graphs.push_back(g.first.toStdString());
        EXPECT_EQ(graphs, r.graphs);
        for (const auto& p : archive->presets())
        {
            SubstanceAir::Preset record;
            ASSERT_TRUE(SubstanceAir::parsePreset(record, p.second.toStdString().c_str()));
            EXPECT_TRUE(archive->packageURLs().contains(QString::fromStdString(record.packageUrl)));
            presets.push_back(record.label == p.first.toStdString() ? record.label : "name differs from label");
        }
        EXPECT_EQ(presets, r.presets);
        EXPECT_EQ(archive->hasChannel(0, SubstanceAir::Channel_Panorama), r.panorama);
        EXPECT_NE(archive->hasChannel(0, SubstanceAir::Channel_BaseColor), r.panorama);
        EXPECT_EQ(archive->activeGraphIndex(), 0);
        archive->setActiveGraphIndex(int(r.graphs.size()) - 1);
        archive->setActiveGraphIndex(int(r.graphs.size())); // out of range: ignored
        EXPECT_EQ(archive->activeGraphIndex(), int(r.graphs.size()) - 1);
        std::string feeds; // what the outputs of the active graph (0) feed
        for (const auto& c : archive->osgColorComponents(0))
            feeds += c.componentName + "<" + c.outputIdentifier + " ";
        EXPECT_EQ(feeds, r.lastFeeds);
    }
    EXPECT_EQ(archive->packageURLs(), QSet<QString>{"pkg://environments/sky"});
    EXPECT_TRUE(logLines().empty());
}

TEST_F(ArchiveTest, InputsAreDescribedWithTheKeysOfTheirTypeAndTheAttributeForm)
{
    const auto values = archive->getActiveGraphValues();
    EXPECT_EQ(values.size(), 12u) << "the hidden \"$time\" is left out";
    struct Row { const char* id; QVariant value; const char* group; bool isDefault; const char* keys; };
    for (const Row& r : std::vector<Row>{
             {"$outputsize", v3(9, 9, 1), "Output", true, nullptr},
             {"roughness", QVariant::fromValue(0.35f), "Surface", false, "DefaultValue Max Min Step"},
             {"grain", QVariant::fromValue(QVector4D(1, 0, 0, 0.5f)), "Surface", true, nullptr},
             {"mask", QVariant::fromValue(oxdImage(0)), "Surface", true, ""},
             {"tint", QVariant::fromValue(QVector3D(0.8f, 0.6f, 0.4f)), "Colour", true, nullptr},
             {"contrast", QVariant::fromValue(QVector3D(1, 1, 1)), "Colour", true,
              "DefaultValueX DefaultValueY DefaultValueZ LabelY MaxX MaxY MaxZ MinX MinY MinZ Step"},
             {"pattern", QVariant(1), "Pattern", false, "DefaultValue Map Max Min Step"},
             {"tiling", QVariant::fromValue(QVector2D(2, 2)), "Pattern", false, nullptr},
             {"knots", v3(3, 2, 10), "Pattern", true, nullptr},
             {"region", QVariant::fromValue(QOXIntVector4D(0, 0, 512, 512)), "Pattern", true, nullptr},
             {"notes", QVariant(QStringLiteral("Oak")), "", true, ""}})
    {
        SCOPED_TRACE(r.id);
        const auto description = input(*archive, 0, r.id);
        EXPECT_EQ(description.value("VALUE").userType(), r.value.userType()) << description.value("VALUE").typeName();
        EXPECT_EQ(description.value("VALUE"), r.value);
        EXPECT_EQ(values.at(r.id).value, r.value);
        EXPECT_EQ(values.at(r.id).group.toStdString(), r.group);
        EXPECT_EQ(values.at(r.id).isDefault, r.isDefault);
        QStringList keys = description.keys();
        for (const char* common : {"DEFAULT_VALUE", "DESCRIPTION", "GROUP", "ID", "LABEL", "TYP", "VALUE", "VISIBILITY",
                                   "WIDGET"})
            EXPECT_TRUE(keys.removeOne(common)) << common;
        EXPECT_EQ(keys.join(' ').toStdString(), r.keys ? r.keys : keys.join(' ').toStdString());
    }
    EXPECT_EQ(input(*archive, 0, "roughness").value("Step").userType(), int(QMetaType::Double));
    EXPECT_EQ(input(*archive, 0, "pattern").value("Max").userType(), int(QMetaType::Int));
    EXPECT_EQ(input(*archive, 0, "tint").value("DEFAULT_VALUE"), QVariant("0.8,0.6,0.4,1")) << "verbatim";
}

TEST_F(ArchiveTest, BadFileFailsWithOneErrorAndKeepsThePreviousArchive)
{
    for (const auto& [text, problem] : std::vector<std::pair<QByteArray, const char*>>{
             {QByteArray(), "the file does not exist"},
             {"", "the file is empty"},
             {"<sbsar><graph label=\"G\"></sbsar>", "not well-formed XML (line 1: Error reading end tag.)"},
             {oneGraph("<input identifier=\"$outputsize\" type=\"int[3]\"/>"),
              "input '$outputsize' of graph 'G' must be of type \"int[2]\""},
             {oneGraph("<output identifier=\"o\" channel=\"0\" component=\"albedo\"/>"),
              "output 'o' of graph 'G' feeds the unknown colour component \"albedo\""}})
    {
        SCOPED_TRACE(problem);
        archive = load(sample("multigraph.sbsar"));
        archive->setActiveGraphIndex(1);
        ASSERT_TRUE(archive->updateInputs("Tiles", "tiles", 9));
        oxStandIn::clearLogMessages();
        const QString path = text.isNull() ? dir.filePath("none.sbsar") : write("bad.sbsar", text);
        EXPECT_FALSE(import(*archive, path));
        EXPECT_EQ(logLines(),
                  Lines{"error: Unable to load Substance archive '" + path.toStdString() + "': " + problem + "."});
        EXPECT_EQ(archive->path(), sample("multigraph.sbsar"));
        EXPECT_EQ(archive->activeGraphIndex(), 1);
        EXPECT_EQ(value("tiles"), QVariant(9));
    }
    QSubstanceArchive empty;
    oxStandIn::clearLogMessages();
    oxStandIn::clearArchiveCalls();
    EXPECT_FALSE(import(empty, QString()));
    EXPECT_EQ(oxStandIn::archiveCallCount("import"), 1);
    EXPECT_EQ(logLines(), Lines{"error: Unable to load Substance archive '': no file name given."});
    EXPECT_TRUE(empty.isEmpty() && empty.path().isEmpty() && empty.graphs().empty());
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
             {"$outputsize", v3(9, 9, 2), true, v3(9, 9, 0)},
             {"$outputsize", QVariant::fromValue(QOXIntVector2D(10, 11)), true, v3(10, 11, 1)},
             {"$time", QVariant::fromValue(5.f), true, QVariant::fromValue(5.f)},
             {"Roughness", QVariant::fromValue(0.9f), false, QVariant()}})
    {
        SCOPED_TRACE(std::string(r.id) + " <- " + ::testing::PrintToString(r.value));
        archive = load(sample("materials.sbsar"));
        EXPECT_EQ(update(r.id, r.value), r.changed);
        const QVariant after = input(*archive, 0, r.id).value("VALUE");
        EXPECT_EQ(after.userType(), r.after.userType()) << after.typeName();
        EXPECT_EQ(after, r.after);
    }
    EXPECT_FALSE(archive->updateInputs("wood", "roughness", QVariant::fromValue(0.9f)));
    EXPECT_FALSE(QSubstanceArchive().updateInputs("Wood", "roughness", 0.5f));
    EXPECT_TRUE(logLines().empty());
}

TEST_F(ArchiveTest, DefaultFlagFollowsTheValueAndResetRestoresTheActiveGraphOnly)
{
    const auto isDefault = [&](const char* id) { return archive->getActiveGraphValues().at(id).isDefault; };
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
    EXPECT_EQ(input(*archive, 0, "$time").value("VALUE"), QVariant::fromValue(0.f));

    archive = load(sample("multigraph.sbsar"));
    EXPECT_TRUE(archive->updateInputs("Concrete", "pores", QVariant::fromValue(0.9f)));
    EXPECT_TRUE(archive->updateInputs("Brick", "$outputsize", v3(11, 11, 1)));
    EXPECT_TRUE(archive->updateInputs("Tiles", "tiles", QVariant(20)));
    archive->setActiveGraphIndex(1);
    archive->resetGraph();
    EXPECT_EQ(value("tiles"), QVariant(6));
    EXPECT_EQ(input(*archive, 0, "$outputsize").value("VALUE"), v3(11, 11, 1));
    archive->setActiveGraphIndex(2);
    const SubstanceAir::Preset record = filled();
    EXPECT_EQ(record.packageUrl + " " + record.label, "pkg://materials/concrete Concrete");
    EXPECT_EQ(record.inputValues.at(1).identifier + "=" + record.inputValues.at(1).value, "pores=0.9");
}

// ---------------------------------------------------------------- image inputs

TEST_F(ArchiveTest, ImageInputHoldsOneReferenceAndReadsFilesNamedByText)
{
    ImagePtr image = hold(osg::Image::create());
    const QVariant named = oxSubstanceUtils::convertOsgImageToQVariant(image);
    EXPECT_EQ(named, QVariant::fromValue(oxdImage(image->getId())));
    EXPECT_EQ(oxSubstanceUtils::convertQVariantToOsgImage(named), image);
    EXPECT_EQ(image->getRefCount(), 1) << "conversions take no reference";
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

    archive = load(sample("materials.sbsar"));
    const QString path = write("mask.ppm", "P6 2 3 255\n" + QByteArray(18, '\x7F'));
    EXPECT_TRUE(update("mask", QVariant(path)));
    ASSERT_FALSE(oxSubstanceUtils::convertQVariantToOsgImage(value("mask")).isNull());
    EXPECT_EQ(oxSubstanceUtils::convertQVariantToOsgImage(value("mask"))->getRefCount(), 1) << "the archive's";
    EXPECT_EQ(filled().inputValues.at(3).value, path.toStdString());

    const QString truncated = write("bad.ppm", "P6 2 3 255\n" + QByteArray(17, '\x7F'));
    const std::size_t live = oxStandIn::liveContainerCount();
    EXPECT_TRUE(update("mask", QVariant(truncated)));
    EXPECT_EQ(oxStandIn::liveContainerCount(), live - 1) << "the previous image released, no new one made";
    EXPECT_EQ(value("mask"), QVariant::fromValue(oxdImage(0)));
    EXPECT_EQ(filled().inputValues.at(3).value, "") << "no path of a file that did not read";
    EXPECT_EQ(logLines(),
              Lines{"error: Unable to read image '" + truncated.toStdString() + "': the pixel data is truncated."});
    EXPECT_TRUE(archive->applyPreset(preset("<sbspreset label=\"I\"><presetinput identifier=\"mask\" uid=\"4\" "
                                            "type=\"5\" filepath=\"" + path.toStdString() + "\"/></sbspreset>"),
                                     false));
    EXPECT_EQ(filled().inputValues.at(3).value, path.toStdString());
}

// ---------------------------------------------------------------- presets

TEST_F(ArchiveTest, ApplyPresetTakesTheOutputSizeFromThePresetOrTheDefaultAndRefusesBadPresets)
{
    struct Row { int preset; bool defaultOutputSize, defaultSync; QVariant after; };
    for (const Row& r : std::vector<Row>{{0, false, true, v3(11, 12, 0)}, // "Light Oak" names no size
                                         {1, false, true, v3(10, 10, 0)}, // "Dark Walnut": 10,10
                                         {1, true, true, v3(9, 9, 1)},
                                         {0, true, false, v3(9, 9, 0)}})
    {
        QSubstanceArchive::setDefaultSyncOutputSize(r.defaultSync);
        update("$outputsize", v3(11, 12, 0));
        EXPECT_TRUE(archive->applyPreset(archivePreset(r.preset), r.defaultOutputSize));
        EXPECT_EQ(value("$outputsize"), r.after) << r.preset << r.defaultOutputSize << r.defaultSync;
    }
    EXPECT_TRUE(logLines().empty());

    update("pattern", QVariant(2));
    EXPECT_FALSE(archive->applyPreset(SubstancePresetPtr(), false));
    EXPECT_FALSE(archive->applyPreset(preset("<sbspresets/>", "Broken"), true));
    EXPECT_FALSE(QSubstanceArchive().applyPreset(archivePreset(0), false));
    EXPECT_EQ(logLines(), Lines{"error: Unable to apply preset 'Broken': its content is not a preset."});
    EXPECT_EQ(value("pattern"), QVariant(2));
    oxStandIn::clearLogMessages();

    EXPECT_TRUE(archive->applyPreset(preset("<sbspreset label=\"Odd\">"
                                            "<presetinput identifier=\"nothing\" uid=\"99\" type=\"0\" value=\"1\"/>"
                                            "<presetinput identifier=\"tiling\" uid=\"8\" type=\"1\" value=\"3\"/>"
                                            "</sbspreset>", "Odd"), false));
    EXPECT_EQ(value("tiling"), QVariant::fromValue(QVector2D(1, 1)));
    EXPECT_EQ(value("pattern"), QVariant(0));
    EXPECT_EQ(logLines(),
              Lines{"warning: Preset 'Odd': the value \"3\" of input 'tiling' does not read; the input keeps its "
                    "default."});
}

TEST_F(ArchiveTest, FillPresetWritesEveryInputAndApplyingItGivesTheSameValuesExactly)
{
    SubstanceAir::Preset record;
    record.description = "kept";
    record.inputValues.resize(2);
    archive->fillPreset(record);
    EXPECT_EQ(record.description, "kept");
    EXPECT_EQ(oxSubstanceUtils::getNameAndContent(record).first, "Wood");
    std::string inputs;
    for (const auto& in : record.inputValues)
        inputs += in.identifier + ":" + std::to_string(in.uid) + ":" + std::to_string(in.type) + "=" + in.value + " ";
    EXPECT_EQ(record.packageUrl, "pkg://materials/wood");
    EXPECT_EQ(inputs, "$outputsize:1:8=9,9 roughness:2:0=0.35 grain:3:3=1,0,0,0.5 mask:4:5= tint:5:3=0.8,0.6,0.4,1 "
                      "contrast:6:2=1,1,1 pattern:7:4=1 tiling:8:1=2,2 knots:9:9=3,2,10 region:10:10=0,0,512,512 "
                      "$randomseed:11:4=0 notes:12:6=Oak $time:13:0=0 ");
    for (float f : {0.1f + 1e-8f, std::numeric_limits<float>::denorm_min()})
    {
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
            EXPECT_EQ(value(entry.first), entry.second.value) << entry.first.toStdString() << " " << f;
        EXPECT_EQ(oxSubstanceUtils::getContent(filled()), oxSubstanceUtils::getContent(record));
        // What preset matching compares: a preset value against the current value.
        for (const SubstanceAir::Preset::InputValue& in : record.inputValues)
        {
            const auto current = before.find(QString::fromStdString(in.identifier));
            EXPECT_TRUE(current == before.end() ||
                        (oxSubstanceUtils::getValue(in) == current->second.value) == (in.identifier != "tint"))
                << in.identifier << " (a preset knows no colour widget)";
        }
    }
}

TEST_F(ArchiveTest, PresetValueTypeCodeGivesTheAttributeForm)
{
    struct Row { std::uint32_t type; const char* identifier; const char* text; QVariant expected; };
    for (const Row& r : std::vector<Row>{
             {0, "f", "  +2.5 ", QVariant::fromValue(2.5f)},
             {2, "f", "0,,1", QVariant()},
             {3, "tint", "0.9,0.75,0.55,1", QVariant::fromValue(QVector4D(0.9f, 0.75f, 0.55f, 1))},
             {4, "i", "-2147483648", QVariant(-2147483647 - 1)},
             {4, "i", "2147483648", QVariant()},
             {5, "m", "", QVariant::fromValue(oxdImage(0))},
             {6, "s", " as is, ", QVariant(QStringLiteral(" as is, "))},
             {8, "size", "9,10", QVariant::fromValue(QOXIntVector2D(9, 10))},
             {8, "$outputsize", "9,10", v3(9, 10, 1)},
             {10, "i", "1,2,3,4", QVariant::fromValue(QOXIntVector4D(1, 2, 3, 4))},
             {7, "i", "1", QVariant()}})
    {
        SubstanceAir::Preset::InputValue in;
        in.type = r.type;
        in.identifier = r.identifier;
        in.value = r.text;
        const QVariant v = oxSubstanceUtils::getValue(in);
        EXPECT_EQ(v.userType(), r.expected.userType()) << r.type << " \"" << r.text << "\" " << v.typeName();
        EXPECT_EQ(v, r.expected) << r.type << " \"" << r.text << "\"";
        QSubstanceArchive::setDefaultSyncOutputSize(false);
        EXPECT_EQ(oxSubstanceUtils::getValue(in) == v3(9, 10, 0), r.expected == v3(9, 10, 1)) << "the default's sync";
        QSubstanceArchive::setDefaultSyncOutputSize(true);
    }
}

TEST_F(ArchiveTest, OutputSizeTurnsLog2SizesIntoPixelsWhereThereIsOne)
{
    std::pair<int, int> pixels;
    for (const auto& [x, y, ok, size] : std::vector<std::tuple<int, int, bool, std::pair<int, int>>>{
             {0, 0, true, {1, 1}}, {30, 1, true, {1 << 30, 2}}, {31, 9, false, {5, 6}}})
    {
        update("$outputsize", QVariant::fromValue(QOXIntVector2D(x, y)));
        pixels = {5, 6};
        EXPECT_EQ(archive->getOutputSize(pixels.first, pixels.second), ok) << x;
        EXPECT_EQ(pixels, size) << x;
    }
    EXPECT_EQ(logLines(), Lines{"warning: The output size 2^31 x 2^9 of graph 'Wood' is out of range."});
    archive = load(write("n.sbsar", oneGraph("<input identifier=\"a\" label=\"A\" type=\"int[2]\"/>")));
    EXPECT_FALSE(archive->getOutputSize(pixels.first, pixels.second));
    EXPECT_EQ(pixels, std::make_pair(5, 6));
    EXPECT_EQ(value("a"), QVariant::fromValue(QOXIntVector2D(0, 0))) << "the size form is \"$outputsize\"'s only";
}

// ---------------------------------------------------------------- factory and preset files

TEST_F(ArchiveTest, FactoryKeepsOneArchivePerIdUntilReleaseOrReset)
{
    oxSubstanceArchiveFactory& factory = oxSubstanceArchiveFactory::instance();
    bool created = false;
    const auto a = factory.getMaterialArchive(7, created);
    ASSERT_TRUE(created && a);
    EXPECT_EQ(factory.getMaterialArchive(7, created), a);
    EXPECT_FALSE(created);
    const auto other = factory.getMaterialArchive(8, created);
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

TEST_F(ArchiveTest, PresetFilesAreThoseWhoseTopElementIsAPresetList)
{
    for (const auto& [text, presets] : std::vector<std::pair<QByteArray, bool>>{
             {"<?xml version=\"1.0\"?><!-- c --><sbspresets/>", true},
             {"<sbspreset/>", false},
             {"<sbspresets>", false}})
        EXPECT_EQ(QSubstanceFile(write("f.sbsprs", text)).arePresets(), presets) << text.constData();
    EXPECT_FALSE(QSubstancePresetReader(dir.filePath("none.sbsprs")).read());

    QSubstancePresetReader reader(sample("materials.sbsprs"));
    std::vector<SubstanceAir::Preset> records;
    ASSERT_TRUE(reader.read() && SubstanceAir::parsePresets(records, reader.get().c_str()));
    int equal = 0;
    for (const auto& p : archive->presets())
        for (const auto& r : records)
            equal += oxSubstanceUtils::getContent(r) == p.second.toStdString();
    EXPECT_EQ(equal, 1) << "the sample preset file repeats one archive preset exactly";
}

// ---------------------------------------------------------------- against a material

/// A material (held by the fixture) whose factory archive holds a sample, with
/// the archive's presets and graph 0's labelled inputs as attributes of one group.
class ArchiveMaterialTest : public ArchiveTest
{
protected:
    void loadSample(const char* file)
    {
        material = hold(USubstanceMaterial::create());
        bool created = false;
        archive = oxSubstanceArchiveFactory::instance().getMaterialArchive(material->getId(), created);
        ASSERT_TRUE(import(*archive, sample(file)));
        {
            osgEdit edit(material, USubstanceMaterialBase::SyncOutputSizeFieldMask);
            material->setSyncOutputSize(true);
        }
        for (const auto& p : archive->presets())
            material->addPreset(p.first.toStdString(), p.second.toStdString(), "");
        addGraph(0);
        oxStandIn::clearArchiveCalls();
        oxStandIn::clearEditLog();
    }
    void addGraph(int index)
    {
        static const std::map<QString, std::function<AttributeValuePtr()>> create = {
            {"float", AttributeFloatValue::create},   {"float[2]", AttributeFloat2DValue::create},
            {"float[3]", AttributeFloat3DValue::create}, {"float[4]", AttributeFloat4DValue::create},
            {"int", AttributeIntValue::create},       {"int[2]", AttributeInt2DValue::create},
            {"int[3]", AttributeInt3DValue::create},  {"int[4]", AttributeInt4DValue::create},
            {"string", AttributeStringValue::create}, {"image", AttributeImageValue::create}};
        const GraphDescriptionList graphs = archive->graphs();
        USubstanceGraphPtr graph = USubstanceGraph::create();
        AttributeGroupPtr group = AttributeGroup::create();
        osgEdit graphEdit(graph, osg::FieldBits::AllFields), groupEdit(group, osg::FieldBits::AllFields);
        for (const auto& in : graphs.at(std::size_t(index)).second)
        {
            if (in.value("LABEL").toString().isEmpty())
                continue;
            const AttributeValuePtr value = create.at(in.value("TYP").toString())();
            {
                osgEdit valueEdit(value, osg::FieldBits::AllFields);
                value->setUuid(in.value("ID").toString().toStdString());
                value->setWidget(in.value("WIDGET").toString().toStdString());
            }
            oxArchive::writeAttribute(material, value, in.value("VALUE"));
            osg::addRef(value);
            group->editProperties().push_back(value);
        }
        osg::addRef(group);
        graph->editAttributeGroups().push_back(group);
        material->addGraph(graph);
    }

    ComponentSettingsPtr settings(const std::string& component) const
    {
        return material->getColorComponentData()->getComponentSettings(component);
    }
    AttributeValuePtr attribute(const char* id) const
    {
        return oxArchive::findAttribute(material->getActiveGraph(), id);
    }
    QVariant attributeValue(const char* id) const { return oxArchive::readAttribute(material, attribute(id)); }
    std::vector<osg::BitVector> masksOn(osg::UInt32 id) const
    {
        std::vector<osg::BitVector> masks;
        for (const auto& r : bracketsOn(id))
            masks.push_back(r.mask);
        return masks;
    }

    USubstanceMaterialPtr material;
};

TEST_F(ArchiveMaterialTest, RenderSetsAPlaceholderOnEveryFedComponentOfTheActiveGraph)
{
    loadSample("materials.sbsar");
    EXPECT_TRUE(archive->renderTextures(material->getId(), true, false));
    EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 1);
    for (const OsgColorComponentDesc& c : archive->osgColorComponents(0))
    {
        SCOPED_TRACE(c.componentName);
        const ImagePtr image = settings(c.componentName)->getImage();
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image->getDataType(), c.dataType);
        EXPECT_EQ(image->getWidth(), 4);
        EXPECT_EQ(image->getRefCount(), c.componentName == "incandescence" ? 2 : 1);
        EXPECT_EQ(masksOn(settings(c.componentName)->getId()),
                  std::vector<osg::BitVector>{ComponentSettingsBase::ImageFieldMask});
    }
    EXPECT_EQ(material->getIncandescenceMap(), settings("incandescence")->getImage());
    EXPECT_TRUE(settings("metallic")->getImage().isNull());
    EXPECT_EQ(masksOn(material->getId()), std::vector<osg::BitVector>{UBRDFMaterialBase::IncandescenceMapFieldMask});

    archive = load(sample("multigraph.sbsar"));
    archive->setActiveGraphIndex(1);
    EXPECT_TRUE(archive->renderTextures(material->getId(), true, true));
    EXPECT_FALSE(settings("metallic")->getImage().isNull());
}

TEST_F(ArchiveMaterialTest, RenderColoursFollowTheInputValuesAndOldImagesGo)
{
    loadSample("materials.sbsar");
    const auto colour = [&](const char* component) { return settings(component)->getImage()->getPixel(0, 0); };
    archive->renderTextures(material->getId(), true, false);
    const ImagePtr first = settings("diffuse")->getImage();
    const osg::Vec3f diffuse = colour("diffuse");
    EXPECT_NE(diffuse, colour("specular")) << "each output its own colour";
    const std::size_t live = oxStandIn::liveContainerCount();
    archive->renderTextures(material->getId(), false, false);
    EXPECT_EQ(oxStandIn::liveContainerCount(), live) << "the previous images are released";
    EXPECT_NE(settings("diffuse")->getImage(), first);
    EXPECT_EQ(colour("diffuse"), diffuse) << "same inputs, same colour";
    update("roughness", QVariant::fromValue(0.9f));
    archive->renderTextures(material->getId(), false, false);
    EXPECT_NE(colour("diffuse"), diffuse);

    EXPECT_FALSE(archive->renderTextures(0, true, false));
    EXPECT_FALSE(archive->renderTextures(hold(osg::Image::create())->getId(), true, false)) << "not a material";
    EXPECT_FALSE(QSubstanceArchive().renderTextures(material->getId(), true, false));
    EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 6);
}

TEST_F(ArchiveMaterialTest, AttributeWritesUseTheExactMaskAndReadBackTheForm)
{
    loadSample("materials.sbsar");
    using I2 = AttributeInt2DValueBase;
    struct Row { const char* id; QVariant written, read; osg::BitVector mask; };
    for (const Row& r : std::vector<Row>{
             {"roughness", QVariant(0.25), QVariant::fromValue(0.25f), AttributeFloatValueBase::FloatValueFieldMask},
             {"tint", QVariant::fromValue(QVector4D(0.1f, 0.2f, 0.3f, 0.4f)),
              QVariant::fromValue(QVector3D(0.1f, 0.2f, 0.3f)), AttributeFloat4DValueBase::ColorValueFieldMask},
             {"$outputsize", QVariant::fromValue(QOXIntVector2D(10, 8)), v3(10, 8, 1),
              I2::IntValueXFieldMask | I2::IntValueYFieldMask},
             {"mask", QVariant::fromValue(oxdImage(0)), QVariant::fromValue(oxdImage(0)),
              AttributeImageValueBase::ImageFieldMask}})
    {
        SCOPED_TRACE(r.id);
        const AttributeValuePtr a = attribute(r.id);
        ASSERT_FALSE(a.isNull());
        EXPECT_EQ(oxArchive::readAttribute(material, a), input(*archive, 0, r.id).value("VALUE"));
        EXPECT_TRUE(oxArchive::writeAttribute(material, a, r.written));
        EXPECT_EQ(masksOn(a->getId()), std::vector<osg::BitVector>{r.mask});
        const QVariant read = oxArchive::readAttribute(material, a);
        EXPECT_EQ(read.userType(), r.read.userType()) << read.typeName();
        EXPECT_EQ(read, r.read);
    }
    EXPECT_TRUE(masksOn(material->getId()).empty());
    for (int z : {0, 2, 1})
    {
        EXPECT_TRUE(oxArchive::writeAttribute(material, attribute("$outputsize"), v3(11, 10, z)));
        EXPECT_EQ(material->getSyncOutputSize(), z == 1) << z;
    }
    EXPECT_EQ(masksOn(material->getId()),
              std::vector<osg::BitVector>(3, USubstanceMaterialBase::SyncOutputSizeFieldMask));
    oxStandIn::clearEditLog();
    EXPECT_FALSE(oxArchive::readAttribute(USubstanceMaterialPtr(), attribute("$outputsize")).isValid());
    EXPECT_FALSE(oxArchive::writeAttribute(material, AttributeValuePtr(), QVariant(1)));
    EXPECT_FALSE(oxArchive::writeAttribute(material, attribute("pattern"), QVariant()));
    EXPECT_TRUE(oxStandIn::editLog().empty());
    EXPECT_TRUE(attribute("$time").isNull()) << "hidden inputs have no attribute";
}

TEST_F(ArchiveMaterialTest, UpdateFromMaterialReadsTheAttributesOfItsActiveGraph)
{
    loadSample("multigraph.sbsar");
    addGraph(1);
    oxArchive::writeAttribute(material, attribute("mortar"), QVariant::fromValue(0.2f));
    oxArchive::writeAttribute(material, attribute("$outputsize"), v3(10, 11, 0));
    archive->updateInputs(hold(USubstanceMaterial::create())->getId());
    EXPECT_EQ(value("mortar"), QVariant::fromValue(0.05f)) << "nothing to read";

    archive->updateInputs(material->getId());
    EXPECT_EQ(oxStandIn::archiveCallCount("updateInputs"), 2);
    EXPECT_EQ(value("mortar"), QVariant::fromValue(0.2f));
    EXPECT_EQ(value("$outputsize"), v3(10, 11, 0));
    {
        osgEdit edit(material, USubstanceMaterialBase::ActiveGraphIndexFieldMask);
        material->setActiveGraphIndex(1);
    }
    oxArchive::writeAttribute(material, attribute("tiles"), QVariant(3));
    archive->updateInputs(material->getId());
    EXPECT_EQ(archive->activeGraphIndex(), 1);
    EXPECT_EQ(value("tiles"), QVariant(3));
}

TEST_F(ArchiveMaterialTest, ApplyStateWritesChangedValuesRecordsTheIndexAndRenders)
{
    loadSample("materials.sbsar");
    const osg::UInt32 knots = attribute("knots")->getId();
    material->applyState(1, false); // "Dark Walnut"
    EXPECT_EQ(attributeValue("$outputsize"), v3(10, 10, 1));
    EXPECT_EQ(attributeValue("tint"), QVariant::fromValue(QVector3D(0.35f, 0.2f, 0.1f)));
    EXPECT_EQ(attributeValue("notes"), QVariant(QStringLiteral("Walnut")));
    EXPECT_EQ(material->getLastActivatedPreset(), 1);
    EXPECT_TRUE(bracketsOn(knots).empty()) << "unchanged values are not written";
    EXPECT_EQ(oxStandIn::archiveCallCount("applyPreset"), 1);
    EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 1);
    EXPECT_FALSE(settings("diffuse")->getImage().isNull());
    const auto masks = masksOn(material->getId());
    EXPECT_EQ(std::count(masks.begin(), masks.end(), USubstanceMaterialBase::LastActivatedPresetFieldMask), 1);

    oxArchive::writeAttribute(material, attribute("contrast"), QVariant::fromValue(QVector3D(2, 2, 2)));
    oxArchive::writeAttribute(material, attribute("$outputsize"), v3(12, 11, 0));
    archive->updateInputs(material->getId());
    material->applyState(0, true); // "Light Oak": no size of its own
    EXPECT_EQ(attributeValue("$outputsize"), v3(9, 9, 1));
    EXPECT_TRUE(material->getSyncOutputSize());
    EXPECT_EQ(attributeValue("roughness"), QVariant::fromValue(0.25f));
    EXPECT_EQ(attributeValue("contrast"), QVariant::fromValue(QVector3D(1, 1, 1))) << "left out: back to default";
    EXPECT_EQ(material->getLastActivatedPreset(), 0);
}

TEST_F(ArchiveMaterialTest, ApplyStateWithoutAPresetToApplyChangesNothing)
{
    struct Row { const char* name; osg::UInt32 index; bool loaded, nullSlot; int applyPresetCalls; };
    for (const Row& r : std::vector<Row>{
             {"past the end", 2, true, false, 0},
             {"empty archive", 0, false, false, 0},
             {"null slot", 2, true, true, 1}})
    {
        SCOPED_TRACE(r.name);
        loadSample("materials.sbsar");
        if (r.nullSlot)
            material->addPreset(SubstancePresetPtr());
        if (!r.loaded)
            oxSubstanceArchiveFactory::instance().releaseMaterialArchive(material->getId());
        oxStandIn::clearEditLog();
        oxStandIn::clearArchiveCalls();
        material->applyState(r.index, true);
        EXPECT_EQ(material->getLastActivatedPreset(), -1);
        EXPECT_EQ(oxStandIn::archiveCallCount("applyPreset"), r.applyPresetCalls);
        EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 0);
        EXPECT_TRUE(oxStandIn::editLog().empty());
    }
}

} // namespace
