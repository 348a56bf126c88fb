// Building a material from an archive file: refusals, archive data, colour
// components, presets, graphs, attribute groups and values; value updates.

#include "oxHostFixture.h"
#include "oxSmallStack.h"

#include "host/Attributes.h"
#include "host/Materials.h"
#include "host/QSubstanceArchive.h"
#include "host/oxHostUtils.h"
#include "oxSubstanceAttributeSync.h"
#include "oxSubstanceMaterialModifier.h"
#include "oxSubstancePresetUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QVector3D>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

using GraphList = oxSubstanceMaterialModifier::GraphDescriptionList;
using Names = std::vector<std::string>;

QMap<QString, QVariant> input(const char* group, const char* id, const char* label, QVariant value)
{
    return {{"GROUP", group}, {"ID", id}, {"LABEL", label}, {"VALUE", value}};
}

/// Elements nested 40,000 deep: a parse that recursed once per level would crash on a small stack.
QByteArray deeplyNested()
{
    return QByteArray("<x>").repeated(40000) + QByteArray("</x>").repeated(40000);
}

const std::string tooDeep = "the text is nested too deeply (more than 256 elements inside each other).";

/// What loading the Wood sample logs about the preset file beside it.
const Names woodPresetFileLog = {
    "warning: Skipped preset 'Light Oak'. Duplicate preset already exists in material.\n",
    "warning: Skipped preset 'Brushed Steel'. It does not match any graph of the material.\n"};

/// A value of a class that the library does not know.
class OddValue : public AttributeValue
{
};

class MaterialModifierTest : public oxHostTest
{
protected:
    /// A Substance material, or the texture generator of a new environment material.
    USubstanceMaterialPtr newMaterial(bool environment = false)
    {
        if (environment)
        {
            const USubstanceEnvironmentMaterialPtr parent = hold(USubstanceEnvironmentMaterial::create());
            parent->setTextureGeneratorMaterial(USubstanceMaterial::create());
            return parent->getTextureGeneratorMaterial();
        }
        const USubstanceMaterialPtr m = hold(USubstanceMaterial::create());
        osgEdit edit(m, MaterialBase::NameFieldMask);
        m->setName("Bricks & Co");
        return m;
    }

    bool load(USubstanceMaterialPtr material, const QString& path)
    {
        return oxSubstanceMaterialModifier(material).initFromFile(path);
    }

    static void clearRecords()
    {
        oxStandIn::clearEditLog();
        oxStandIn::clearLogMessages();
        oxStandIn::clearArchiveCalls();
    }

    QTemporaryDir _dir;
};

// ---------------------------------------------------------------- loading builds the material

TEST_F(MaterialModifierTest, EachLoadRebuildsTheMaterialFromTheArchive)
{
    // The presets are the archive's own, then the new ones of the preset file beside it; a material without an
    // archive reads the file once, straight into a new archive.
    const struct { const char* file; Names presets; Names log; int imports; } loads[] = {
        {"materials.sbsar", {"Light Oak", "Dark Walnut", "Weathered Pine"}, woodPresetFileLog, 1},
        {"multigraph.sbsar", {"Old Brick", "Bathroom", "Kitchen", "Smooth Concrete"},
         {"warning: Skipped preset 'Light Oak'. It does not match any graph of the material.\n"}, 2}};
    USubstanceMaterialPtr material = newMaterial();
    USubstanceGraphPtr oldGraph;
    SubstancePresetPtr oldPreset;
    for (const auto& l : loads)
    {
        SCOPED_TRACE(l.file);
        clearRecords();
        oxSubstanceMaterialModifier(material).updateActiveGraph(2);
        EXPECT_EQ(material->getActiveGraphIndex(), 2);
        ASSERT_EQ(bracketsOn(material->getId()).size(), 1u);
        EXPECT_EQ(bracketsOn(material->getId())[0].mask, USubstanceMaterialBase::ActiveGraphIndexFieldMask);

        ASSERT_TRUE(load(material, sampleFile(l.file)));
        EXPECT_EQ(material->getActiveGraphIndex(), 0);
        EXPECT_EQ(material->getArchivePath(), samplePath(l.file));
        const QByteArray bytes = readFile(sampleFile(l.file));
        EXPECT_EQ(material->getArchiveData(), std::vector<unsigned char>(bytes.begin(), bytes.end()));
        EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 1);
        EXPECT_EQ(oxStandIn::archiveCallCount("import"), l.imports);

        const osg::MField<SubstancePresetPtr>& presets = material->getSubstancePresets();
        EXPECT_EQ(oxSubstancePresetUtils::getPresetNames(material), l.presets);
        EXPECT_EQ(logLines(), l.log);
        const std::string presetFile = sampleFile(l.file).replace(".sbsar", ".sbsprs").toStdString();
        for (std::size_t i = 0; i < presets.size(); ++i)
            EXPECT_EQ(presets[i]->getSourcePath(), i < archiveOf(material)->presets().size() ? "" : presetFile);

        // One graph per description, by name.
        const GraphList graphs = archiveOf(material)->graphs();
        ASSERT_EQ(material->getSubstanceGraphs().size(), graphs.size());
        for (std::size_t g = 0; g < graphs.size(); ++g)
            EXPECT_EQ(QString::fromStdString(material->getSubstanceGraphs()[g]->getName()), graphs[g].first);
        if (oldGraph.isNull())
        {
            oldGraph = hold(material->getSubstanceGraphs()[0]);
            oldPreset = hold(presets[0]);
        }
    }
    EXPECT_EQ(oldGraph->getRefCount(), 1) << "the material gave the old graph back";
    EXPECT_EQ(oldPreset->getRefCount(), 1) << "the material gave the old preset back";
}

// Groups in the order of first appearance, the labelled inputs without a group
// in a shared group "Common" last; each list element held once.
TEST_F(MaterialModifierTest, InputsAreSortedIntoGroups)
{
    using Group = std::tuple<std::string, bool, Names>; // name, shared, identifiers
    const struct { const char* inputs; std::vector<Group> groups; } cases[] = {
        {"x X Zeta  u U -  y Y Alpha  z Z Zeta  c C =",
         {{"Zeta", false, {"x", "z"}}, {"Alpha", false, {"y"}}, {"Common", true, {"u", "c"}}}},
        // Hidden inputs are left out, their group is still made.
        {"a - G  b = G  c = -  d D H", {{"G", false, {}}, {"H", false, {"d"}}}},
        {"a A Light  b B light  c C Light", {{"Light", false, {"a", "c"}}, {"light", false, {"b"}}}},
        {"s S -  o O Common", {{"Common", false, {"o"}}, {"Common", true, {"s"}}}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.inputs);
        QByteArray xml = "<sbsar formatversion=\"1\"><graph label=\"G\" pkgurl=\"pkg://t/g\">";
        const QStringList words = QString(c.inputs).split(' ', Qt::SkipEmptyParts);
        for (int i = 0; i + 2 < words.size(); i += 3)
        {
            const auto attribute = [](const char* name, const QString& word) -> QByteArray {
                return word == "-" ? "" : " " + QByteArray(name) + "=\"" + (word == "=" ? "" : word.toUtf8()) + "\"";
            };
            xml += "<input identifier=\"" + words[i].toUtf8() + "\" type=\"float\"" + attribute("label", words[i + 1]) +
                   attribute("group", words[i + 2]) + "/>";
        }
        ASSERT_TRUE(writeFile(_dir.filePath("groups.sbsar"), xml + "</graph></sbsar>"));
        const USubstanceMaterialPtr m = newMaterial();
        oxStandIn::clearEditLog();
        ASSERT_TRUE(load(m, _dir.filePath("groups.sbsar")));
        const USubstanceGraphPtr graph = m->getSubstanceGraphs()[0];
        std::vector<Group> found;
        for (const AttributeGroupPtr& group : graph->getAttributeGroups())
        {
            EXPECT_EQ(group->getRefCount(), 1) << "the list holds one reference";
            for (const oxStandIn::EditRecord& r : bracketsOn(group->getId()))
                EXPECT_EQ(r.mask, AttributeGroupBase::PropertiesFieldMask | AttributeGroupBase::CommonFieldMask |
                                      AttributeBase::NameFieldMask);
            found.emplace_back(group->getName(), group->getCommon(), Names());
            for (const AttributeValuePtr& value : group->getProperties())
            {
                std::get<2>(found.back()).push_back(value->getUuid());
                EXPECT_EQ(value->getRefCount(), 1) << "the group holds one reference";
            }
        }
        EXPECT_EQ(found, c.groups);
        const bool shared = std::get<1>(c.groups.back());
        EXPECT_EQ(graph->getAttributeGroup(""), shared ? graph->getAttributeGroups().back() : AttributeGroupPtr());
        EXPECT_TRUE(logLines().empty());
    }
}

// ---------------------------------------------------------------- refusals leave everything as it was

TEST_F(MaterialModifierTest, RefusedArchiveLeavesTheMaterialAndItsArchiveAlone)
{
    // A null material: nothing is read or written.
    USubstanceMaterialPtr none;
    oxSubstanceMaterialModifier nothing(none);
    EXPECT_FALSE(nothing.initFromFile(sampleFile("materials.sbsar")));
    nothing.updateActiveGraph(3);
    nothing.updateValues(GraphList{{"Wood", {}}});
    EXPECT_TRUE(oxStandIn::archiveCalls().empty());
    EXPECT_TRUE(oxStandIn::editLog().empty());

    const QString deep = _dir.filePath("deep.sbsar");
    ASSERT_TRUE(writeFile(deep, "<sbsar><graph label=\"g\">" + deeplyNested() + "</graph></sbsar>"));
    // Into a material or an environment material's texture generator.
    const struct { bool environment; const char* first; QString second; std::string log; } cases[] = {
        {false, "materials.sbsar", sampleFile("panorama.sbsar"),
         "error: Panorama channel found. Substance archive not suited for normal Substance material. "
         "Try Substance Panorama environment instead."},
        {true, "panorama.sbsar", sampleFile("materials.sbsar"),
         "error: Panorama channel missing. Substance archive not suited for Substance environment material."},
        {false, "materials.sbsar", _dir.filePath("missing.sbsar"),
         "error: Unable to load Substance archive '" + _dir.filePath("missing.sbsar").toStdString() +
             "': the file does not exist."},
        {true, "panorama.sbsar", deep,
         "error: Unable to load Substance archive '" + deep.toStdString() + "': " + tooDeep}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.second.toStdString());
        const USubstanceMaterialPtr material = newMaterial(c.environment);
        ASSERT_TRUE(load(material, sampleFile(c.first)));
        const std::size_t live = oxStandIn::liveContainerCount();
        clearRecords();

        EXPECT_FALSE(load(material, c.second));
        EXPECT_TRUE(oxStandIn::editLog().empty()) << "nothing written";
        EXPECT_EQ(oxStandIn::liveContainerCount(), live);
        EXPECT_EQ(archiveOf(material)->path().toStdString(), sampleFile(c.first).toStdString());
        EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 0);
        EXPECT_EQ(logLines(), Names{c.log});

        // A material without an archive: the new archive that read the file is dropped again.
        const USubstanceMaterialPtr fresh = newMaterial(c.environment);
        clearRecords();
        EXPECT_FALSE(load(fresh, c.second));
        EXPECT_TRUE(oxStandIn::editLog().empty()) << "nothing written";
        EXPECT_EQ(oxStandIn::archiveCallCount("import"), 1);
        EXPECT_EQ(logLines().size(), 1u);
        bool created = false;
        EXPECT_TRUE(oxSubstanceArchiveFactory::instance().getMaterialArchive(fresh->getId(), created)->isEmpty());
        EXPECT_TRUE(created) << "no archive is kept for the material";
    }
}

// The preset file beside an archive is named after it up to the first dot; one
// that is no preset file is skipped with a warning and the load goes on.
TEST_F(MaterialModifierTest, PresetFileBesideIsNamedUpToTheFirstDotAndSkippedWhenItIsNone)
{
    const QByteArray sample = readFile(sampleFile("materials.sbsprs"));
    const QByteArray deep = "<sbspresets><sbspreset label=\"p\">" + deeplyNested() + "</sbspreset></sbspresets>";
    const std::string skipped = "warning: Skipped '" + _dir.filePath("3/wood.sbsprs").toStdString() +
                                "'. It is not a preset file: " + tooDeep + "\n";
    const struct { const char* archive; const char* presetFile; QByteArray content; std::size_t presets; Names log; }
        cases[] = {{"1/a.b.c", "1/a.sbsprs", sample, 3, woodPresetFileLog},
                   {"2/a.b.c", "2/a.b.sbsprs", sample, 2, {}},
                   {"d%2x%1/wood.sbsar", "d%2x%1/wood.sbsprs", sample, 3, woodPresetFileLog},
                   {"3/wood.sbsar", "3/wood.sbsprs", deep, 2, {skipped}}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.presetFile);
        const QString archive = _dir.filePath(c.archive);
        QDir().mkpath(QFileInfo(archive).path());
        ASSERT_TRUE(QFile::copy(sampleFile("materials.sbsar"), archive));
        ASSERT_TRUE(writeFile(_dir.filePath(c.presetFile), c.content));
        const USubstanceMaterialPtr material = newMaterial();
        oxStandIn::clearLogMessages();
        bool loaded = false;
        oxRunOnSmallStack([&] { loaded = load(material, archive); });
        EXPECT_TRUE(loaded);
        EXPECT_EQ(material->getSubstancePresets().size(), c.presets);
        EXPECT_EQ(logLines(), c.log);
    }
}

// ---------------------------------------------------------------- colour components

TEST_F(MaterialModifierTest, TheComponentsThatTheArchiveRendersUseTextures)
{
    ASSERT_TRUE(writeFile(_dir.path() + "/plain.sbsar", "<sbsar formatversion=\"1\"><graph label=\"G\" "
                          "pkgurl=\"pkg://t/g\"><output identifier=\"ao\" channel=\"15\"/></graph></sbsar>"));
    // The components that get a placeholder image, and whether the material itself gets one for incandescence.
    const struct { QString file; Names textured; bool incandescence; } cases[] = {
        {sampleFile("materials.sbsar"), {"diffuse", "specular", "roughness", "normal", "height", "cutout"}, true},
        {sampleFile("multigraph.sbsar"), {"diffuse", "normal", "height"}, false},
        {_dir.path() + "/plain.sbsar", {}, false}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.file.toStdString());
        const bool any = !c.textured.empty();
        QSubstanceArchive::setDefaultSyncOutputSize(any);
        // A state that preparing the components must change.
        USubstanceMaterialPtr material = newMaterial();
        const ColorComponentsPtr components = material->getColorComponentData();
        {
            osgEdit edit(material, osg::FieldBits::AllFields);
            material->setHasAnisotropyLevel(true);
            material->setSyncOutputSize(!any);
            material->setIncandescenceSettings(true);
            material->setUseIncandescenceTexture(false);
            material->setIncandescenceMap(oxImageCreator::createDummyImage(0, 0, 0));
            for (const ComponentSettingsPtr& s : components->getAllComponents())
            {
                osgEdit settingsEdit(s, osg::FieldBits::AllFields);
                s->setUseTexture(true);
                s->setImage(oxImageCreator::createDummyImage(0, 0, 0));
            }
        }
        oxStandIn::clearEditLog();
        ASSERT_TRUE(load(material, c.file));

        std::map<osg::UInt32, std::string> names;
        for (const ComponentSettingsPtr& s : components->getAllComponents())
        {
            const std::string name = s->getComponentName();
            names[s->getId()] = name;
            const bool textured = std::count(c.textured.begin(), c.textured.end(), name) > 0;
            EXPECT_EQ(s->getUseTexture(), textured) << name;
            EXPECT_EQ(s->getImage().isNull(), !textured && !(c.incandescence && name == "incandescence")) << name;
        }
        // Of the placeholders, only the normal map's takes its output's data type (the render follows).
        std::set<std::string> converted;
        const std::vector<oxStandIn::EditRecord>& log = oxStandIn::editLog();
        for (std::size_t i = 0; i + 2 < log.size(); ++i)
            if (log[i].begin && log[i + 2].begin && log[i].typeName == "Image" &&
                log[i].mask == (osg::Image::DataTypeFieldMask | osg::Image::PixelsFieldMask) &&
                log[i + 2].typeName == "ComponentSettings" &&
                log[i + 2].mask == (ComponentSettings::ImageFieldMask | ComponentSettings::UseTextureFieldMask))
                converted.insert(names[log[i + 2].containerId]);
        EXPECT_EQ(converted, any ? std::set<std::string>{"normal"} : std::set<std::string>());
        EXPECT_EQ(components->getUseCutout(), std::count(c.textured.begin(), c.textured.end(), "cutout") > 0);
        EXPECT_EQ(material->getSyncOutputSize(), any) << "the archive service's default";
        EXPECT_EQ(material->getHasAnisotropyLevel(), !any) << "left alone without components";
        EXPECT_EQ(material->getIncandescenceSettings(), c.incandescence || !any);
        EXPECT_EQ(material->getUseIncandescenceTexture(), c.incandescence);
    }
}

// ---------------------------------------------------------------- updating values

TEST_F(MaterialModifierTest, UpdateValuesWritesChangedValuesByPositionAndReportsSkippedInputs)
{
    USubstanceMaterialPtr material = newMaterial();
    ASSERT_TRUE(load(material, sampleFile("multigraph.sbsar")));
    GraphList graphs = archiveOf(material)->graphs();
    const auto read = [&material](const char* property) {
        QVariant v;
        oxSubstanceAttributeSync().getOsgAttribute(material, "Brick", property, v);
        return v;
    };
    // A value that the library cannot read.
    const AttributeValuePtr odd(new OddValue());
    {
        osgEdit edit(odd, AttributeBase::UuidFieldMask);
        odd->setUuid("odd");
        const AttributeGroupPtr layout = material->getSubstanceGraphs()[0]->getAttributeGroup("Layout");
        osgEdit groupEdit(layout, AttributeGroupBase::PropertiesFieldMask);
        osg::addRef(odd);
        layout->editProperties().push_back(odd);
    }
    clearRecords();

    // Equal values, or a list of another length than the graphs, write nothing.
    oxSubstanceMaterialModifier(material).updateValues(graphs);
    for (QMap<QString, QVariant>& in : graphs[0].second)
        if (in["ID"] == "mortar")
            in["VALUE"] = 0.123f;
    for (std::size_t count : {0u, 2u, 4u})
    {
        GraphList list = graphs;
        list.resize(count, graphs[0]);
        oxSubstanceMaterialModifier(material).updateValues(list);
    }
    EXPECT_TRUE(oxStandIn::editLog().empty());
    EXPECT_TRUE(logLines().empty());

    const std::string unable = "error: Unable to apply parameter to material Bricks & Co, group: ";
    // An empty log: passed over without a message.
    const struct { QMap<QString, QVariant> input; std::string log; } cases[] = {
        {input("%s%n", "%s", "L", 1), unable + "%s%n, property %s: Group not found."},
        {input("Layout", "mortar ", "L", 1.f), unable + "Layout, property mortar : Property not found."},
        {input("Layout", "odd", "L", 1.f), unable + "Layout, property odd: Unable to fetch current value."},
        {input("", "$time", "", 1.f), ""}};
    graphs[0].first = "Concrete";
    float mortar = 0.1f;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.input["ID"].toString().toStdString());
        // The case's input comes between two sound inputs, which must both be written.
        mortar += 0.1f;
        graphs[0].second = {input("Layout", "mortar", "Mortar Width", mortar), c.input,
                            input("Colour", "brick_colour", "Brick Colour", QVector3D(mortar, 0.5f, 0.5f))};
        oxStandIn::clearLogMessages();
        oxSubstanceMaterialModifier(material).updateValues(graphs);
        EXPECT_EQ(logLines(), c.log.empty() ? Names{} : Names{c.log});
        EXPECT_EQ(read("mortar"), QVariant(mortar));
        EXPECT_EQ(read("brick_colour"), QVariant(QVector3D(mortar, 0.5f, 0.5f)));
    }
}

} // namespace
