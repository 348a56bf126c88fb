// The stand-in archive service: the rules of archive files, files it refuses,
// output sizes, image inputs, presets filled, applied back and read by type
// code, and, against a material, placeholder renders and applyState.

#include "Materials.h"
#include "QOXIntVector.h"
#include "QSubstanceArchive.h"
#include "oxHostFixture.h"
#include "oxStandInFiles.h"
#include "oxSubstanceAttributeSync.h"
#include "oxSubstanceMaterialModifier.h"
#include "oxdImage.h"
#include "preset/SubstanceAirPreset.h"

#include <QFile>
#include <QTemporaryDir>
#include <QVector3D>
#include <QVector4D>

#include <algorithm>
#include <limits>

#include <sys/stat.h>

namespace {

using Lines = std::vector<std::string>;

bool import(QSubstanceArchive& archive, const QString& path)
{
    QSubstanceBinaryDiskReader reader(path, nullptr);
    return archive.import(reader);
}

QVariant v3(int x, int y, int z) { return QVariant::fromValue(QOXIntVector3D(x, y, z)); }

/// Starts from a fresh "materials.sbsar" (one graph, "Wood").
class ArchiveTest : public oxHostTest
{
protected:
    void SetUp() override
    {
        oxHostTest::SetUp();
        reload();
    }
    void TearDown() override
    {
        archive.reset();
        oxHostTest::TearDown();
    }
    void reload()
    {
        archive = std::make_shared<QSubstanceArchive>();
        import(*archive, sampleFile("materials.sbsar"));
    }

    QVariant value(const QString& id) const { return archive->getActiveGraphValues().at(id).value; }
    bool update(const char* id, const QVariant& v) { return archive->updateInputs("Wood", id, v); }
    SubstanceAir::Preset filled() const
    {
        SubstanceAir::Preset record;
        archive->fillPreset(record);
        return record;
    }
    QString write(const QString& name, const QByteArray& bytes)
    {
        EXPECT_TRUE(writeFile(dir.filePath(name), bytes));
        return dir.filePath(name);
    }

    QTemporaryDir dir;
    std::shared_ptr<QSubstanceArchive> archive;
};

// Each refused file breaks one rule, with one error that names it; each accepted one sits on the boundary of one.
TEST_F(ArchiveTest, EachRuleRefusesWhatBreaksItAndReadsWhatSitsOnItsBoundary)
{
    const auto input = [](const std::string& attributes) {
        return "<sbsar><graph label=\"G\"><input identifier=\"a\" " + attributes + "/></graph></sbsar>";
    };
    const auto size = [](const std::string& attributes) {
        return "<sbsar><graph label=\"G\"><input identifier=\"$outputsize\" type=\"int[2]\" " + attributes +
               "/></graph></sbsar>";
    };
    const auto invalid = [](const std::string& text, const std::string& name, const std::string& type,
                            const std::string& id = "a") {
        return "\"" + text + "\" is not a valid \"" + name + "\" of type \"" + type + "\" (input '" + id +
               "' of graph 'G')";
    };
    const auto bigSize = [&invalid](const std::string& text, const std::string& name) {
        return invalid(text, name, "int[2]", "$outputsize") + ": output sizes are log2 sizes from 0 to 13";
    };
    const auto bounds = [](const std::string& min, const std::string& max, const std::string& component) {
        return "input 'a' of graph 'G' has the \"min\" \"" + min + "\" above the \"max\" \"" + max + "\"" +
               (component.empty() ? "" : " in component " + component);
    };
    const auto map = [&input](const std::string& map) { return input("type=\"int\" map=\"" + map + "\""); };
    const auto badEntry = [&invalid](const std::string& map, const std::string& entry) {
        return invalid(map, "map", "int") + ": the entry \"" + entry +
               "\" is not an integer value and a caption separated by \":\"";
    };
    const std::pair<std::string, std::string> cases[] = {
        {"", "the file is empty"},
        {"<sbsar><graph label=\"G\"></sbsar>", "not well-formed XML (line 1: Error reading end tag.)"},
        {"<sbsar><graph label=\"G\"/><graph label=\"H\"/><graph label=\"G\"/></sbsar>", "graph 'G' appears twice"},
        {"<sbsar><graph label=\"G\"/><graph label=\"g\"/></sbsar>", ""},
        {input("type=\"float\"/><input identifier=\"b\" type=\"float\"/><input identifier=\"a\" type=\"int\""),
         "input 'a' of graph 'G' appears twice"},
        {input("type=\"float\" colour=\"1\""), "unknown attribute \"colour\" on input 'a' of graph 'G'"},
        {input("type=\"float[2]\" value=\"1,2,3\""), invalid("1,2,3", "value", "float[2]")},
        {input("type=\"int[2]\" min=\"1,\""), invalid("1,", "min", "int[2]")},
        {input("type=\"int\" step=\"+ 1\""), invalid("+ 1", "step", "int")},
        // Blanks around components and a leading "+" read.
        {input("type=\"float[3]\" value=\" 1 ,+2,\t3 \"/><input identifier=\"A\" type=\"int[2]\" value=\"+4, 5\""), ""},
        {size("default=\"13,0\" value=\"0,13\" min=\"0,0\" max=\"13,13\""), ""},
        {"<sbsar><graph label=\"G\"><input identifier=\"$outputsize\" type=\"int[3]\"/></graph></sbsar>",
         "input '$outputsize' of graph 'G' must be of type \"int[2]\""},
        {size("default=\"13,14\""), bigSize("13,14", "default")},
        {size("value=\"31,31\""), bigSize("31,31", "value")},
        {size("min=\"-1,0\""), bigSize("-1,0", "min")},
        {size("max=\"9,2147483647\""), bigSize("9,2147483647", "max")},
        {input("type=\"float\" min=\"0.5\" max=\"0.5\" step=\"-0\""), ""},
        {input("type=\"float\" min=\"0.5\" max=\"0.49999997\""), bounds("0.5", "0.49999997", "")},
        {input("type=\"int\" min=\"1\""), bounds("1", "0", "")},
        {input("type=\"int[3]\" min=\"0,2,-5\" max=\"1,1,1\""), bounds("0,2,-5", "1,1,1", "Y")},
        {input("type=\"float[4]\" min=\"-1,-1,-1,-1\" max=\"0,0,0,-1.5\""), bounds("-1,-1,-1,-1", "0,0,0,-1.5", "W")},
        {input("type=\"float\" step=\"-1e-30\""), invalid("-1e-30", "step", "float") + ": it is negative"},
        {input("type=\"int[2]\" step=\"-1\""), invalid("-1", "step", "int[2]") + ": it is negative"},
        {map(" +1 :Ratio 1:2;2:Ratio 1:2;-2147483648:Least"), ""},
        {map("0:A;2:B;+0:C"), invalid("0:A;2:B;+0:C", "map", "int") + ": the value 0 appears twice"},
        {map(""), badEntry("", "")},
        {map("0:A;"), badEntry("0:A;", "")},
        {map("0:A;1: "), badEntry("0:A;1: ", "1: ")},
        {map("0-A"), badEntry("0-A", "0-A")},
        {map(":A"), badEntry(":A", ":A")},
        {map("1.5:A"), badEntry("1.5:A", "1.5:A")},
        {map("2147483648:A"), badEntry("2147483648:A", "2147483648:A")},
    };
    for (const auto& [text, problem] : cases)
    {
        oxStandIn::clearLogMessages();
        QSubstanceArchive other;
        const QString path = write("rule.sbsar", QByteArray::fromStdString(text));
        EXPECT_EQ(import(other, path), problem.empty()) << text;
        EXPECT_EQ(logLines(), problem.empty() ? Lines{}
                                              : Lines{"error: Unable to load Substance archive '" + path.toStdString() +
                                                      "': " + problem + "."});
    }
    // A file that does not load keeps the archive that was there; no file name, no archive.
    ASSERT_TRUE(update("pattern", 2));
    oxStandIn::clearLogMessages();
    EXPECT_FALSE(import(*archive, dir.filePath("none.sbsar")));
    EXPECT_EQ(logLines(), Lines{"error: Unable to load Substance archive '" + dir.filePath("none.sbsar").toStdString() +
                                "': the file does not exist."});
    EXPECT_EQ(archive->path(), sampleFile("materials.sbsar"));
    EXPECT_EQ(value("pattern"), QVariant(2));
    QSubstanceArchive empty;
    oxStandIn::clearLogMessages();
    EXPECT_FALSE(import(empty, QString()));
    EXPECT_EQ(logLines(), Lines{"error: Unable to load Substance archive '': no file name given."});
    EXPECT_TRUE(empty.isEmpty() && empty.graphs().empty());
}

// Pixel counts are ints and images of the output size must be creatable: the
// largest size that the archive reports is 2^13.
TEST_F(ArchiveTest, OutputSizeIsReportedUpToTwoToTheThirteen)
{
    for (const auto& [x, y, width, height] :
         std::vector<std::tuple<int, int, int, int>>{{13, 0, 8192, 1}, {14, 13, 0, 0}, {0, -1, 0, 0}})
    {
        const std::string log2 = "2^" + std::to_string(x) + " x 2^" + std::to_string(y);
        oxStandIn::clearLogMessages();
        update("$outputsize", v3(x, y, 1));
        int w = 0, h = 0;
        EXPECT_EQ(archive->getOutputSize(w, h), width > 0) << log2;
        EXPECT_EQ(std::make_pair(w, h), std::make_pair(width, height));
        EXPECT_EQ(logLines(), width > 0 ? Lines{} : Lines{"warning: The output size " + log2 + " of graph 'Wood' is out of range."});
    }
}

// On well-formed texts the host's check and the readers agree.
TEST_F(ArchiveTest, PresetFilesAreKnownByTheirTopElementAlone)
{
    const std::pair<QByteArray, bool> cases[] = {
        {"<sbspresets/>", true},
        {"\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- <x/> -->\n<!DOCTYPE sbspresets>\n<sbspresets count=\"1\">\n<unclosed>", true},
        {" \t\r\n<sbspresets\n/>", true},
        {"<sbspreset/>", false},
        {"<sbspresetsx/>", false},
        {"<sbsar><sbspresets/></sbsar>", false},
        {"text<sbspresets/>", false},
        {"<!-- never closed <sbspresets/>", false},
        {"", false},
        {"<other/><sbspresets/>", false},
        {"<sbspresets><sbspreset label=\"Caf\xE9\"/></sbspresets>", true},
    };
    for (const auto& [text, presets] : cases)
    {
        EXPECT_EQ(QSubstanceFile(write("file.sbsprs", text)).arePresets(), presets) << text.toStdString();
        const std::string problem = SubstanceAir::presetListProblem(text.constData(), std::size_t(text.size()));
        EXPECT_TRUE(problem.rfind("not well-formed", 0) == 0 || problem.empty() == presets) << problem;
    }
    EXPECT_TRUE(QSubstanceFile(sampleFile("materials.sbsprs")).arePresets());
    EXPECT_FALSE(QSubstanceFile(dir.filePath("missing.sbsprs")).arePresets());
    EXPECT_FALSE(QSubstanceFile(QString()).arePresets());
}

// Devices, FIFOs and oversized files are refused before anything is read, by
// every reader of files: a FIFO without a writer would block for ever and
// /dev/zero would fill memory.
TEST_F(ArchiveTest, FilesThatAreNotRegularOrTooLargeAreRefusedAtOnceSayingWhy)
{
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString huge = dir.filePath("huge");
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(std::max({oxStandIn::MaxArchiveFileSize, oxStandIn::MaxImageFileSize,
                                          oxStandIn::MaxPresetFileSize}) + 1)) << "sparse: no disk space taken";
    }
    for (const QString& path : {QString("/dev/zero"), fifo, dir.path(), huge})
    {
        const std::string name = path.toStdString();
        const auto problem = [&](qint64 limit) -> std::string {
            return path == huge ? "the file is larger than " + std::to_string(limit) + " bytes"
                                : "the file is not a regular file";
        };
        oxStandIn::clearLogMessages();
        EXPECT_FALSE(import(*archive, path));
        EXPECT_TRUE(oxSubstanceUtils::convertQVariantToOsgImage(QVariant(path)).isNull());
        EXPECT_FALSE(QSubstanceFile(path).arePresets());
        EXPECT_EQ(oxStandIn::presetFileProblem(path).toStdString(), problem(oxStandIn::MaxPresetFileSize));
        EXPECT_FALSE(QSubstancePresetReader(path).read());
        EXPECT_EQ(logLines(),
                  (Lines{"error: Unable to load Substance archive '" + name + "': " + problem(oxStandIn::MaxArchiveFileSize) + ".",
                         "error: Unable to read image '" + name + "': " + problem(oxStandIn::MaxImageFileSize) + ".",
                         "warning: Unable to read preset file '" + name + "': " + problem(oxStandIn::MaxPresetFileSize) + "."}));
    }
    EXPECT_EQ(archive->path(), sampleFile("materials.sbsar")) << "the loaded archive stays";
}

TEST_F(ArchiveTest, ImageInputHoldsOneReferenceAndReadsFilesNamedByText)
{
    ImagePtr image = hold(osg::Image::create());
    const QVariant named = oxSubstanceUtils::convertOsgImageToQVariant(image);
    EXPECT_EQ(oxSubstanceUtils::convertQVariantToOsgImage(named), image);
    EXPECT_TRUE(update("mask", named));
    EXPECT_FALSE(update("mask", named));
    EXPECT_EQ(image->getRefCount(), 2);
    EXPECT_TRUE(update("mask", QVariant::fromValue(oxdImage())));
    EXPECT_EQ(image->getRefCount(), 1);
    update("mask", named);
    archive->resetGraph();
    EXPECT_EQ(image->getRefCount(), 1);
    update("mask", named);
    reload();
    EXPECT_EQ(image->getRefCount(), 1) << "a dropped archive gives its references back";

    const QString path = write("mask.ppm", "P6 2 3 255\n" + QByteArray(18, '\x7F'));
    EXPECT_TRUE(update("mask", QVariant(path)));
    EXPECT_FALSE(update("mask", value("mask"))) << "the same image again";
    const ImagePtr read = oxSubstanceUtils::convertQVariantToOsgImage(value("mask"));
    ASSERT_FALSE(read.isNull());
    EXPECT_EQ(read->getRefCount(), 1) << "the archive's";
    EXPECT_EQ(filled().inputValues.at(3).value, path.toStdString());

    const QString truncated = write("bad.ppm", "P6 2 3 255\n" + QByteArray(17, '\x7F'));
    const std::size_t live = oxStandIn::liveContainerCount();
    EXPECT_TRUE(update("mask", QVariant(truncated)));
    EXPECT_EQ(oxStandIn::liveContainerCount(), live - 1) << "the previous image released, no new one made";
    EXPECT_EQ(filled().inputValues.at(3).value, "") << "no path of a file that did not read";
    EXPECT_EQ(logLines(), Lines{"error: Unable to read image '" + truncated.toStdString() + "': the pixel data is truncated."});
}

TEST_F(ArchiveTest, FillPresetWritesEveryInputAndApplyingItGivesTheSameValuesExactly)
{
    SubstanceAir::Preset record;
    record.description = "kept";
    record.inputValues.resize(2);
    archive->fillPreset(record);
    EXPECT_EQ(record.description + " " + record.packageUrl + " " + record.label, "kept pkg://materials/wood Wood");
    std::string inputs;
    for (const auto& in : record.inputValues)
        inputs += in.identifier + ":" + std::to_string(in.uid) + ":" + std::to_string(in.type) + "=" + in.value + " ";
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
        const std::string content = oxSubstanceUtils::getContent(filled());
        archive->resetGraph();
        ASSERT_TRUE(archive->applyPreset(hold(SubstancePreset::create("P", content, "")), false));
        for (const auto& entry : before)
            EXPECT_EQ(value(entry.first), entry.second.value) << entry.first.toStdString() << " " << f;
        EXPECT_EQ(oxSubstanceUtils::getContent(filled()), content);
    }
}

// The forms of every type code are in the value-type contract; here the texts that do not read as they look.
TEST_F(ArchiveTest, PresetValuesReadByTypeCode)
{
    struct Row { std::uint32_t type; const char* identifier; const char* text; QVariant expected; };
    for (const Row& r : std::vector<Row>{
             {0, "f", "  +2.5 ", QVariant::fromValue(2.5f)}, {2, "f", "0,,1", QVariant()},
             {4, "i", "-2147483648", QVariant(-2147483647 - 1)}, {4, "i", "2147483648", QVariant()},
             {5, "m", "", QVariant::fromValue(oxdImage(0))}, {6, "s", " as is, ", QVariant(QStringLiteral(" as is, "))},
             {8, "size", "9,10", QVariant::fromValue(QOXIntVector2D(9, 10))}, {7, "i", "1", QVariant()}})
    {
        const QVariant v = oxSubstanceUtils::getValue({0, r.identifier, r.type, r.text});
        EXPECT_EQ(v.userType(), r.expected.userType()) << r.text << " " << v.typeName();
        EXPECT_EQ(v, r.expected) << r.text;
    }
    QSubstanceArchive::setDefaultSyncOutputSize(false);
    EXPECT_EQ(oxSubstanceUtils::getValue({0, "$outputsize", 8, "9,10"}), v3(9, 10, 0)) << "the default's sync";
}

// ---------------------------------------------------------------- against a material

/// The Wood sample loaded into a material (held by the fixture).
class ArchiveMaterialTest : public ArchiveTest
{
protected:
    void SetUp() override
    {
        ArchiveTest::SetUp();
        material = hold(USubstanceMaterial::create());
        ASSERT_TRUE(oxSubstanceMaterialModifier(material).initFromFile(sampleFile("materials.sbsar")));
        archive = archiveOf(material);
        clear();
    }
    ComponentSettingsPtr settings(const std::string& component) const
    {
        return material->getColorComponentData()->getComponentSettings(component);
    }
    AttributeValuePtr attribute(const char* id) const { return oxSubstanceAttributeSync().searchProperty(material, "Wood", id); }
    QVariant attributeValue(const char* id) const
    {
        QVariant v;
        oxSubstanceAttributeSync().getOsgAttribute(material, "Wood", id, v);
        return v;
    }
    static void clear()
    {
        oxStandIn::clearEditLog();
        oxStandIn::clearLogMessages();
        oxStandIn::clearArchiveCalls();
    }
    std::vector<osg::BitVector> masksOn(osg::UInt32 id) const
    {
        std::vector<osg::BitVector> masks;
        for (const auto& r : bracketsOn(id))
            masks.push_back(r.mask);
        return masks;
    }

    USubstanceMaterialPtr material;
};

TEST_F(ArchiveMaterialTest, RenderSetsAnImageOnEveryFedComponentWithTheImageMaskOnly)
{
    EXPECT_TRUE(archive->renderTextures(material->getId(), true, false));
    const std::size_t live = oxStandIn::liveContainerCount();
    EXPECT_TRUE(archive->renderTextures(material->getId(), true, false));
    EXPECT_EQ(oxStandIn::liveContainerCount(), live) << "the previous images are released";
    for (const OsgColorComponentDesc& c : archive->osgColorComponents(0))
    {
        const ImagePtr image = settings(c.componentName)->getImage();
        ASSERT_FALSE(image.isNull()) << c.componentName;
        EXPECT_EQ(image->getDataType(), c.dataType) << c.componentName;
        EXPECT_EQ(image->getRefCount(), c.componentName == "incandescence" ? 2 : 1) << c.componentName;
        EXPECT_EQ(masksOn(settings(c.componentName)->getId()), std::vector<osg::BitVector>(2, ComponentSettingsBase::ImageFieldMask));
    }
    EXPECT_EQ(material->getIncandescenceMap(), settings("incandescence")->getImage());
    EXPECT_TRUE(settings("metallic")->getImage().isNull());
    EXPECT_EQ(masksOn(material->getId()), std::vector<osg::BitVector>(2, UBRDFMaterialBase::IncandescenceMapFieldMask));
    EXPECT_FALSE(archive->renderTextures(0, true, false));
    EXPECT_FALSE(archive->renderTextures(hold(osg::Image::create())->getId(), true, false)) << "not a material";
    EXPECT_FALSE(QSubstanceArchive().renderTextures(material->getId(), true, false));
}

TEST_F(ArchiveTest, AnUpdateFromAMaterialTakesOverItsChoiceOfGraph)
{
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    ASSERT_TRUE(oxSubstanceMaterialModifier(material).initFromFile(sampleFile("multigraph.sbsar")));
    {
        osgEdit edit(material, USubstanceMaterial::ActiveGraphIndexFieldMask);
        material->setActiveGraphIndex(1);
    }
    archiveOf(material)->updateInputs(material->getId());
    EXPECT_EQ(archiveOf(material)->activeGraphIndex(), 1);
}

TEST_F(ArchiveMaterialTest, ApplyStateWritesChangedValuesWithTheirMasksRecordsTheIndexAndRenders)
{
    using I2 = AttributeInt2DValueBase;
    material->applyState(1, false); // "Dark Walnut", size 10,10
    EXPECT_EQ(attributeValue("$outputsize"), v3(10, 10, 1));
    EXPECT_EQ(attributeValue("tint").userType(), int(QMetaType::QVector3D));
    EXPECT_EQ(attributeValue("tint"), QVariant(QVector3D(0.35f, 0.2f, 0.1f)));
    EXPECT_EQ(attributeValue("notes"), QVariant(QStringLiteral("Walnut")));
    EXPECT_EQ(masksOn(attribute("tint")->getId()), std::vector<osg::BitVector>{AttributeFloat4DValueBase::ColorValueFieldMask});
    EXPECT_EQ(masksOn(attribute("$outputsize")->getId()), std::vector<osg::BitVector>{I2::IntValueXFieldMask | I2::IntValueYFieldMask});
    EXPECT_TRUE(bracketsOn(attribute("knots")->getId()).empty()) << "unchanged values are not written";
    EXPECT_EQ(material->getLastActivatedPreset(), 1);
    EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 1);
    const auto masks = masksOn(material->getId());
    EXPECT_EQ(std::count(masks.begin(), masks.end(), USubstanceMaterialBase::LastActivatedPresetFieldMask), 1);

    oxSubstanceAttributeSync().setOsgAttribute(material, "Wood", "contrast", QVariant::fromValue(QVector3D(2, 2, 2)));
    oxSubstanceAttributeSync().setOsgAttribute(material, "Wood", "$outputsize", v3(12, 11, 0));
    EXPECT_FALSE(material->getSyncOutputSize());
    archive->updateInputs(material->getId());
    material->applyState(0, true); // "Light Oak", default size
    EXPECT_EQ(attributeValue("$outputsize"), v3(9, 9, 1));
    EXPECT_TRUE(material->getSyncOutputSize());
    EXPECT_EQ(attributeValue("contrast"), QVariant(QVector3D(1, 1, 1))) << "left out: back to default";
    EXPECT_EQ(material->getLastActivatedPreset(), 0);

    // Without a preset to apply nothing changes.
    material->addPreset(SubstancePresetPtr());
    material->addPreset("Broken", "<sbspresets/>", "");
    for (const auto& [index, applyPresetCalls] : {std::pair{3u, 1}, {4u, 1}, {5u, 0}, {0u, 0}})
    {
        if (index == 0)
            oxSubstanceArchiveFactory::instance().releaseMaterialArchive(material->getId());
        clear();
        material->applyState(index, true);
        EXPECT_EQ(material->getLastActivatedPreset(), 0) << index;
        EXPECT_EQ(oxStandIn::archiveCallCount("applyPreset"), applyPresetCalls) << index;
        EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 0) << index;
        EXPECT_TRUE(oxStandIn::editLog().empty()) << index;
        EXPECT_EQ(logLines(), index == 4 ? Lines{"error: Unable to apply preset 'Broken': its content is not a preset."} : Lines{});
    }
}

} // namespace
