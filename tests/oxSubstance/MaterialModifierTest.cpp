// Building a material from an archive file: suitability, archive data,
// colour components, presets, graphs and values; active graph and value updates.

#include "oxHostFixture.h"

#include "host/Attributes.h"
#include "host/Materials.h"
#include "host/QOXIntVector.h"
#include "host/QSubstanceArchive.h"
#include "host/oxHostUtils.h"
#include "oxSubstanceAttributeSync.h"
#include "oxSubstanceMaterialModifier.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QVector3D>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using InputList = oxSubstanceMaterialModifier::InputList;
using GraphList = oxSubstanceMaterialModifier::GraphDescriptionList;

/// Reaches the modifier's private steps.
struct oxSubstanceMaterialModifierTestAccess
{
    static void storeArchive(oxSubstanceMaterialModifier& m, const QSubstanceArchive& archive)
    {
        m.storeArchive(archive);
    }
    static void applyGraphValues(oxSubstanceMaterialModifier& m, const USubstanceGraphPtr& graph,
                                 const InputList& inputs)
    {
        m.applyGraphValues(graph, inputs);
    }
    static USubstanceGraphPtr createGraph(oxSubstanceMaterialModifier& m,
                                          const oxSubstanceMaterialModifier::GraphDescription& description)
    {
        return m.createGraph(description);
    }
};

namespace {

using Access = oxSubstanceMaterialModifierTestAccess;

const char* const kPanoramaMissing =
    "error: Panorama channel missing. Substance archive not suited for Substance environment material.";
const char* const kPanoramaFound = "error: Panorama channel found. Substance archive not suited for normal "
                                   "Substance material. Try Substance Panorama environment instead.";

QString qs(const std::string& s) { return QString::fromStdString(s); }

bool writeFile(const QString& path, const std::string& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(text.data(), qint64(text.size())) == qint64(text.size());
}

std::string readFile(const std::string& path)
{
    QFile file(qs(path));
    if (!file.open(QIODevice::ReadOnly))
        return std::string();
    return file.readAll().toStdString();
}

/// An archive of one graph "G" with one float input and the given output elements.
std::string archiveWithOutputs(const std::string& outputs)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<sbsar formatversion=\"1\">\n"
           " <graph label=\"G\" pkgurl=\"pkg://test/g\">\n"
           "  <input identifier=\"v\" label=\"V\" type=\"float\" default=\"0.5\"/>\n" +
           outputs + " </graph>\n</sbsar>\n";
}

std::shared_ptr<QSubstanceArchive> archiveOf(const USubstanceMaterialPtr& material)
{
    bool created = false;
    return oxSubstanceArchiveFactory::instance().getMaterialArchive(material->getId(), created);
}

/// Everything of a material that loading may change, with container ids so
/// that a rebuilt object shows as a change.
std::string describe(const USubstanceMaterialPtr& m)
{
    std::ostringstream out;
    out << "path=" << m->getArchivePath() << " bytes=" << m->getArchiveData().size()
        << " active=" << m->getActiveGraphIndex() << " sync=" << m->getSyncOutputSize()
        << " aniso=" << m->getHasAnisotropyLevel() << " last=" << m->getLastActivatedPreset()
        << " incSettings=" << m->getIncandescenceSettings() << " incTexture=" << m->getUseIncandescenceTexture()
        << " incMap=" << (m->getIncandescenceMap().isNull() ? 0u : m->getIncandescenceMap()->getId()) << '\n';
    const ColorComponentsPtr c = m->getColorComponentData();
    out << "cutout=" << c->getUseCutout() << '\n';
    for (const ComponentSettingsPtr& s : c->getAllComponents())
        out << "  " << s->getComponentName() << " texture=" << s->getUseTexture()
            << " image=" << (s->getImage().isNull() ? 0u : s->getImage()->getId()) << '\n';
    for (const SubstancePresetPtr& p : m->getSubstancePresets())
        out << "preset #" << p->getId() << ' ' << p->getName() << " from '" << p->getSourcePath() << "'\n";
    for (const USubstanceGraphPtr& g : m->getSubstanceGraphs())
    {
        out << "graph #" << g->getId() << ' ' << g->getName() << '\n';
        for (const AttributeGroupPtr& group : g->getAttributeGroups())
        {
            out << "  group #" << group->getId() << ' ' << group->getName() << (group->getCommon() ? " *" : "")
                << '\n';
            for (const AttributeValuePtr& v : group->getProperties())
                out << "    #" << v->getId() << ' ' << v->getUuid() << '\n';
        }
    }
    return out.str();
}

AttributeValuePtr findAttribute(const USubstanceGraphPtr& graph, const QString& group, const QString& id)
{
    const AttributeGroupPtr g = graph->getAttributeGroup(group.toStdString());
    return g.isNull() ? AttributeValuePtr() : g->getAttribute(id.toStdString());
}

std::vector<std::string> presetNames(const USubstanceMaterialPtr& m)
{
    std::vector<std::string> names;
    for (const SubstancePresetPtr& p : m->getSubstancePresets())
        names.push_back(p->getName());
    return names;
}

std::vector<std::string> graphNames(const USubstanceMaterialPtr& m)
{
    std::vector<std::string> names;
    for (const USubstanceGraphPtr& g : m->getSubstanceGraphs())
        names.push_back(g->getName());
    return names;
}

class MaterialModifierTest : public oxHostTest
{
protected:
    USubstanceMaterialPtr newMaterial(const std::string& name = "Mat")
    {
        const USubstanceMaterialPtr m = hold(USubstanceMaterial::create());
        osgEdit edit(m, MaterialBase::NameFieldMask);
        m->setName(name);
        return m;
    }

    /// A texture-generator material under a new (held) environment material.
    USubstanceMaterialPtr newGeneratorMaterial()
    {
        const USubstanceEnvironmentMaterialPtr environment = hold(USubstanceEnvironmentMaterial::create());
        const USubstanceMaterialPtr generator = USubstanceMaterial::create();
        environment->setTextureGeneratorMaterial(generator);
        return generator;
    }

    bool load(USubstanceMaterialPtr material, const QString& path)
    {
        oxSubstanceMaterialModifier modifier(material);
        return modifier.initFromFile(path);
    }
    bool load(USubstanceMaterialPtr material, const std::string& path) { return load(material, qs(path)); }

    /// A copy of a sample in the temporary folder under another name.
    QString copySample(const std::string& sample, const QString& name)
    {
        const QString target = _dir.path() + "/" + name;
        QDir().mkpath(QFileInfo(target).path());
        QFile::copy(qs(samplePath(sample)), target);
        return target;
    }

    QTemporaryDir _dir;
};

// ---------------------------------------------------------------- loading builds the material

class LoadSampleTest : public MaterialModifierTest, public ::testing::WithParamInterface<const char*>
{
};

TEST_P(LoadSampleTest, GraphsGroupsAndValuesFollowTheArchive)
{
    const USubstanceMaterialPtr material = newMaterial();
    const std::string path = samplePath(GetParam());
    ASSERT_TRUE(load(material, path));

    const std::shared_ptr<QSubstanceArchive> archive = archiveOf(material);
    const GraphList graphs = archive->graphs();
    ASSERT_EQ(material->getSubstanceGraphs().size(), graphs.size());
    EXPECT_EQ(material->getActiveGraphIndex(), 0);
    EXPECT_EQ(material->getArchivePath(), QFileInfo(qs(path)).absoluteFilePath().toStdString());
    const std::string bytes = readFile(path);
    EXPECT_EQ(std::string(material->getArchiveData().begin(), material->getArchiveData().end()), bytes);
    EXPECT_EQ(material->getSyncOutputSize(), QSubstanceArchive::getDefaultSyncOutputSize());

    for (std::size_t g = 0; g < graphs.size(); ++g)
    {
        const USubstanceGraphPtr graph = material->getSubstanceGraphs()[g];
        SCOPED_TRACE(graphs[g].first.toStdString());
        ASSERT_FALSE(graph.isNull());
        EXPECT_EQ(graph->getRefCount(), 1) << "held by the material only";
        EXPECT_EQ(qs(graph->getName()), graphs[g].first);
        std::size_t labelled = 0;
        for (const QMap<QString, QVariant>& input : graphs[g].second)
        {
            const QString id = input.value("ID").toString();
            SCOPED_TRACE(id.toStdString());
            const AttributeValuePtr attribute = findAttribute(graph, input.value("GROUP").toString(), id);
            if (input.value("LABEL").toString().isEmpty())
            {
                EXPECT_TRUE(attribute.isNull()) << "a hidden input gets no attribute";
                continue;
            }
            ++labelled;
            ASSERT_FALSE(attribute.isNull());
            EXPECT_EQ(attribute->getRefCount(), 1);
            EXPECT_EQ(qs(attribute->getTypeString()), input.value("TYP").toString());
            QVariant current;
            ASSERT_TRUE(oxSubstanceAttributeSync().getOsgAttribute(material, attribute, current));
            EXPECT_EQ(current, input.value("VALUE"));
        }
        std::size_t values = 0;
        for (const AttributeGroupPtr& group : graph->getAttributeGroups())
            values += group->getProperties().size();
        EXPECT_EQ(values, labelled);
    }
    EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 1);
    for (const std::string& line : logLines())
        EXPECT_EQ(line.rfind("error", 0), std::string::npos) << line;
}

INSTANTIATE_TEST_SUITE_P(Samples, LoadSampleTest, ::testing::Values("materials.sbsar", "multigraph.sbsar"));

class SyncDefaultTest : public MaterialModifierTest, public ::testing::WithParamInterface<bool>
{
};

TEST_P(SyncDefaultTest, OutputSizeFollowsTheArchiveDefault)
{
    QSubstanceArchive::setDefaultSyncOutputSize(GetParam());
    const USubstanceMaterialPtr material = newMaterial();
    {
        osgEdit edit(material, USubstanceMaterialBase::SyncOutputSizeFieldMask);
        material->setSyncOutputSize(!GetParam());
    }
    ASSERT_TRUE(load(material, samplePath("materials.sbsar")));
    EXPECT_EQ(material->getSyncOutputSize(), GetParam());

    QVariant size;
    ASSERT_TRUE(oxSubstanceAttributeSync().getOsgAttribute(material, "Wood", "$outputsize", size));
    const QOXIntVector3D v = size.value<QOXIntVector3D>();
    EXPECT_EQ(v.getX(), 9);
    EXPECT_EQ(v.getY(), 9);
    EXPECT_EQ(v.getZ(), GetParam() ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Defaults, SyncDefaultTest, ::testing::Bool());

TEST_F(MaterialModifierTest, LoadEditsTheMaterialOnceWithAllFieldsAndKeepsReferencesBalanced)
{
    const USubstanceMaterialPtr material = newMaterial();
    oxStandIn::clearEditLog();
    ASSERT_TRUE(load(material, samplePath("materials.sbsar")));

    int allFields = 0;
    for (const oxStandIn::EditRecord& r : bracketsOn(material->getId()))
    {
        EXPECT_EQ(r.origin, 1u);
        allFields += r.mask == osg::FieldBits::AllFields ? 1 : 0;
    }
    EXPECT_EQ(allFields, 1);
    const osg::BitVector placeholderMask =
        ComponentSettingsBase::ImageFieldMask | ComponentSettingsBase::UseTextureFieldMask;
    for (const oxStandIn::EditRecord& r : oxStandIn::editLog())
    {
        if (r.begin && r.typeName == "ComponentSettings")
        {
            EXPECT_TRUE(r.mask == placeholderMask || r.mask == ComponentSettingsBase::ImageFieldMask)
                << "mask 0x" << std::hex << r.mask;
        }
    }

    EXPECT_EQ(material->getRefCount(), 1) << "the modifier gave its reference back";
    for (const SubstancePresetPtr& p : material->getSubstancePresets())
        EXPECT_EQ(p->getRefCount(), 1);
    for (const ComponentSettingsPtr& s : material->getColorComponentData()->getAllComponents())
    {
        // The rendered incandescence image is shared with the material's incandescence map.
        if (!s->getImage().isNull())
        {
            EXPECT_EQ(s->getImage()->getRefCount(), s->getComponentName() == "incandescence" ? 2 : 1)
                << s->getComponentName();
        }
    }
}

// ---------------------------------------------------------------- refusals leave everything as it was

struct RefusalCase
{
    const char* name;
    bool environment;       ///< load into an environment material's texture generator
    const char* first;      ///< sample loaded first (accepted)
    const char* second;     ///< sample or file that is refused; "" for a missing file
    std::string contents;   ///< written to the temporary folder as the second file when not empty
    std::vector<std::string> log;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class RefusalTest : public MaterialModifierTest, public ::testing::WithParamInterface<RefusalCase>
{
};

TEST_P(RefusalTest, MaterialAndItsArchiveStayAsTheyWere)
{
    const RefusalCase& c = GetParam();
    const USubstanceMaterialPtr material = c.environment ? newGeneratorMaterial() : newMaterial();
    ASSERT_TRUE(load(material, samplePath(c.first)));
    const std::string before = describe(material);
    const QString archivePathBefore = archiveOf(material)->path();
    const std::size_t graphsBefore = archiveOf(material)->graphs().size();

    QString second = qs(samplePath(c.second));
    if (!c.contents.empty())
    {
        second = _dir.path() + "/refused.sbsar";
        ASSERT_TRUE(writeFile(second, c.contents));
    }
    else if (std::string(c.second).empty())
        second = _dir.path() + "/missing.sbsar";

    oxStandIn::clearEditLog();
    oxStandIn::clearLogMessages();
    oxStandIn::clearArchiveCalls();
    EXPECT_FALSE(load(material, second));

    EXPECT_EQ(describe(material), before);
    EXPECT_TRUE(bracketsOn(material->getId()).empty());
    for (const oxStandIn::EditRecord& r : oxStandIn::editLog())
        EXPECT_NE(r.typeName, "ComponentSettings");
    EXPECT_EQ(archiveOf(material)->path(), archivePathBefore) << "the material's archive is kept";
    EXPECT_EQ(archiveOf(material)->graphs().size(), graphsBefore);
    EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 0);
    if (c.log.empty())
        EXPECT_EQ(logLines().size(), 1u) << "the archive service names the file";
    else
        EXPECT_EQ(logLines(), c.log);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusalTest,
    ::testing::Values(
        RefusalCase{"panoramaIntoNormalMaterial", false, "materials.sbsar", "panorama.sbsar", "", {kPanoramaFound}},
        RefusalCase{"noPanoramaIntoEnvironment", true, "panorama.sbsar", "materials.sbsar", "", {kPanoramaMissing}},
        RefusalCase{"missingFile", false, "materials.sbsar", "", "", {}},
        RefusalCase{"malformedFile", false, "materials.sbsar", "", "<sbsar><graph/></sbsar>", {}},
        RefusalCase{"notXml", false, "multigraph.sbsar", "", "PK\x03\x04 binary", {}},
        RefusalCase{"missingFileForEnvironment", true, "panorama.sbsar", "", "", {}}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

TEST_F(MaterialModifierTest, NullMaterialLoadsNothing)
{
    USubstanceMaterialPtr none;
    oxSubstanceMaterialModifier modifier(none);
    EXPECT_FALSE(modifier.initFromFile(qs(samplePath("materials.sbsar"))));
    EXPECT_EQ(oxStandIn::archiveCallCount("import"), 0);
    modifier.updateActiveGraph(3);
    modifier.updateValues(GraphList{{"Wood", {}}});
    EXPECT_TRUE(oxStandIn::editLog().empty());
    EXPECT_TRUE(logLines().empty());
}

// ---------------------------------------------------------------- presets

struct BesideCase
{
    const char* sample;
    std::vector<std::string> presets; ///< the archive's own, then those added from the file
    std::vector<std::string> log;
};

void PrintTo(const BesideCase& c, std::ostream* os) { *os << c.sample; }

class PresetFileBesideTest : public MaterialModifierTest, public ::testing::WithParamInterface<BesideCase>
{
};

TEST_P(PresetFileBesideTest, AddsOnlyNewPresetsOfTheArchivesGraphs)
{
    const BesideCase& c = GetParam();
    const USubstanceMaterialPtr material = newMaterial();
    ASSERT_TRUE(load(material, samplePath(c.sample)));
    EXPECT_EQ(presetNames(material), c.presets);
    EXPECT_EQ(logLines(), c.log);

    const std::size_t archiveCount = archiveOf(material)->presets().size();
    const std::string file =
        QFileInfo(qs(samplePath(c.sample)).replace(".sbsar", ".sbsprs")).absoluteFilePath().toStdString();
    const osg::MField<SubstancePresetPtr>& presets = material->getSubstancePresets();
    for (std::size_t i = 0; i < presets.size(); ++i)
        EXPECT_EQ(presets[i]->getSourcePath(), i < archiveCount ? std::string() : file) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Samples, PresetFileBesideTest,
    ::testing::Values(
        BesideCase{"materials.sbsar",
                   {"Light Oak", "Dark Walnut", "Weathered Pine"},
                   {"warning: Skipped preset 'Light Oak'. Duplicate preset already exists in material.\n",
                    "warning: Skipped preset 'Brushed Steel'. It does not match any graph of the material.\n"}},
        BesideCase{"multigraph.sbsar",
                   {"Old Brick", "Bathroom", "Kitchen", "Smooth Concrete"},
                   {"warning: Skipped preset 'Light Oak'. It does not match any graph of the material.\n"}}));

struct PresetFileCase
{
    const char* name;
    const char* archive;     ///< name of the archive copy in the temporary folder
    const char* presetFile;  ///< name of the preset file copy; nullptr for none
    bool added;              ///< whether "Weathered Pine" is added
};

void PrintTo(const PresetFileCase& c, std::ostream* os) { *os << c.name; }

class PresetFileNameTest : public MaterialModifierTest, public ::testing::WithParamInterface<PresetFileCase>
{
};

TEST_P(PresetFileNameTest, BaseNameUpToTheFirstDot)
{
    const PresetFileCase& c = GetParam();
    const QString archive = copySample("materials.sbsar", c.archive);
    if (c.presetFile)
        copySample("materials.sbsprs", c.presetFile);
    const USubstanceMaterialPtr material = newMaterial();
    ASSERT_TRUE(load(material, archive));
    std::vector<std::string> expected{"Light Oak", "Dark Walnut"};
    if (c.added)
        expected.push_back("Weathered Pine");
    EXPECT_EQ(presetNames(material), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, PresetFileNameTest,
    ::testing::Values(PresetFileCase{"plain", "wood.sbsar", "wood.sbsprs", true},
                      PresetFileCase{"none", "wood.sbsar", nullptr, false},
                      PresetFileCase{"otherName", "wood.sbsar", "oak.sbsprs", false},
                      PresetFileCase{"severalDots", "a.b.c", "a.sbsprs", true},
                      PresetFileCase{"severalDotsFullStem", "a.b.c", "a.b.sbsprs", false},
                      PresetFileCase{"percentInFolder", "d%2x%1/wood.sbsar", "d%2x%1/wood.sbsprs", true},
                      PresetFileCase{"percentInName", "w%1.sbsar", "w%1.sbsprs", true},
                      PresetFileCase{"blanksAndUtf8", u8"my wöod/plank é.sbsar", u8"my wöod/plank é.sbsprs", true}),
    [](const ::testing::TestParamInfo<PresetFileCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- loading twice

TEST_F(MaterialModifierTest, SecondLoadReplacesGraphsPresetsAndActiveGraph)
{
    USubstanceMaterialPtr material = newMaterial();
    ASSERT_TRUE(load(material, samplePath("materials.sbsar")));
    const USubstanceGraphPtr oldGraph = hold(material->getSubstanceGraphs().at(0));
    const SubstancePresetPtr oldPreset = hold(material->getSubstancePresets().at(0));
    oxSubstanceMaterialModifier(material).updateActiveGraph(2);
    ASSERT_EQ(material->getActiveGraphIndex(), 2);

    ASSERT_TRUE(load(material, samplePath("multigraph.sbsar")));
    EXPECT_EQ(graphNames(material), (std::vector<std::string>{"Brick", "Tiles", "Concrete"}));
    EXPECT_EQ(presetNames(material),
              (std::vector<std::string>{"Old Brick", "Bathroom", "Kitchen", "Smooth Concrete"}));
    EXPECT_EQ(material->getActiveGraphIndex(), 0);
    EXPECT_EQ(oldGraph->getRefCount(), 1) << "the material gave the old graph back";
    EXPECT_EQ(oldPreset->getRefCount(), 1) << "the material gave the old preset back";
    EXPECT_EQ(material->getArchivePath(),
              QFileInfo(qs(samplePath("multigraph.sbsar"))).absoluteFilePath().toStdString());
}

TEST_F(MaterialModifierTest, SameArchiveTwiceKeepsOneSetOfPresets)
{
    const USubstanceMaterialPtr material = newMaterial();
    ASSERT_TRUE(load(material, samplePath("materials.sbsar")));
    const std::size_t live = oxStandIn::liveContainerCount();
    ASSERT_TRUE(load(material, samplePath("materials.sbsar")));
    EXPECT_EQ(presetNames(material), (std::vector<std::string>{"Light Oak", "Dark Walnut", "Weathered Pine"}));
    EXPECT_EQ(material->getSubstanceGraphs().size(), 1u);
    EXPECT_EQ(oxStandIn::liveContainerCount(), live) << "the old content was released";
}

// ---------------------------------------------------------------- colour components

struct ComponentCase
{
    const char* name;
    std::string outputs;                 ///< output elements of the archive
    std::vector<std::string> textured;   ///< components that get a placeholder image
    bool incandescence;                  ///< incandescence set up as texture with a placeholder
};

void PrintTo(const ComponentCase& c, std::ostream* os) { *os << c.name; }

class ComponentFixture : public MaterialModifierTest
{
protected:
    /// Puts the material into a state that preparing the components must change.
    void dirty(const USubstanceMaterialPtr& m)
    {
        osgEdit edit(m, osg::FieldBits::AllFields);
        m->setHasAnisotropyLevel(true);
        m->setUseIncandescenceTexture(false);
        m->setIncandescenceSettings(false);
        const ColorComponentsPtr c = m->getColorComponentData();
        osgEdit componentsEdit(c, osg::FieldBits::AllFields);
        c->setUseCutout(false);
        for (const ComponentSettingsPtr& s : c->getAllComponents())
        {
            osgEdit settingsEdit(s, osg::FieldBits::AllFields);
            s->setUseTexture(true);
            s->setImage(oxImageCreator::createDummyImage(1, 2, 3));
        }
    }
};

class ComponentTest : public ComponentFixture, public ::testing::WithParamInterface<ComponentCase>
{
};

TEST_P(ComponentTest, PlaceholdersForTheComponentsThatTheArchiveRenders)
{
    const ComponentCase& c = GetParam();
    const QString file = _dir.path() + "/components.sbsar";
    ASSERT_TRUE(writeFile(file, archiveWithOutputs(c.outputs)));
    USubstanceMaterialPtr material = newMaterial();
    dirty(material);
    const std::shared_ptr<QSubstanceArchive> archive = archiveOf(material);
    QSubstanceBinaryDiskReader reader(file, nullptr);
    ASSERT_TRUE(archive->import(reader));

    oxSubstanceMaterialModifier modifier(material);
    Access::storeArchive(modifier, *archive);

    const ColorComponentsPtr components = material->getColorComponentData();
    for (const ComponentSettingsPtr& s : components->getAllComponents())
    {
        const std::string name = s->getComponentName();
        SCOPED_TRACE(name);
        const bool textured = std::find(c.textured.begin(), c.textured.end(), name) != c.textured.end();
        EXPECT_EQ(s->getUseTexture(), textured);
        ASSERT_EQ(s->getImage().isNull(), !textured);
        if (!textured)
            continue;
        const ImagePtr image = s->getImage();
        EXPECT_EQ(image->getRefCount(), 1);
        const osg::Vec3f white(1.f, 1.f, 1.f);
        EXPECT_TRUE(image->getPixel(0, 0) == white);
        EXPECT_EQ(image->getDataType(), name == "normal" ? osg::Image::OSG_UINT16_IMAGEDATA
                                                         : osg::Image::OSG_UINT8_IMAGEDATA)
            << "only the normal placeholder takes its output's data type";
    }

    const bool anyComponent = !c.textured.empty() || c.incandescence;
    EXPECT_EQ(material->getHasAnisotropyLevel(), !anyComponent);
    EXPECT_EQ(components->getUseCutout(),
              std::find(c.textured.begin(), c.textured.end(), "cutout") != c.textured.end());
    EXPECT_EQ(material->getIncandescenceSettings(), c.incandescence);
    EXPECT_EQ(material->getUseIncandescenceTexture(), c.incandescence);
    EXPECT_EQ(material->getIncandescenceMap().isNull(), !c.incandescence);
    if (c.incandescence)
    {
        EXPECT_TRUE(material->getIncandescenceMap()->getPixel(1, 1) == osg::Vec3f(1.f, 1.f, 1.f));
    }
    EXPECT_EQ(material->getActiveGraphIndex(), 0);
    EXPECT_EQ(material->getArchivePath(), file.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, ComponentTest,
    ::testing::Values(
        ComponentCase{"basecolourOnly", "<output identifier=\"c\" channel=\"0\" component=\"diffuse\"/>",
                      {"diffuse"}, false},
        ComponentCase{"normalTakesItsDataType",
                      "<output identifier=\"n\" channel=\"6\" component=\"normal\" datatype=\"uint16\"/>"
                      "<output identifier=\"h\" channel=\"9\" component=\"height\" datatype=\"uint16\"/>",
                      {"normal", "height"}, false},
        ComponentCase{"incandescenceGoesToTheMaterial",
                      "<output identifier=\"e\" channel=\"10\" component=\"incandescence\"/>"
                      "<output identifier=\"m\" channel=\"5\" component=\"metallic\"/>",
                      {"metallic"}, true},
        ComponentCase{"cutoutSwitchedOn", "<output identifier=\"o\" channel=\"12\" component=\"cutout\"/>",
                      {"cutout"}, false},
        ComponentCase{"outputsFeedingNothingAreLeftOut",
                      "<output identifier=\"ao\" channel=\"15\"/>"
                      "<output identifier=\"s\" channel=\"2\" component=\"specular\"/>",
                      {"specular"}, false}),
    [](const ::testing::TestParamInfo<ComponentCase>& info) { return std::string(info.param.name); });

TEST_F(ComponentFixture, ArchiveWithoutComponentsTurnsTexturesOffAndLeavesTheRest)
{
    const QString file = _dir.path() + "/plain.sbsar";
    ASSERT_TRUE(writeFile(file, archiveWithOutputs("<output identifier=\"ao\" channel=\"15\"/>")));
    USubstanceMaterialPtr material = newMaterial();
    dirty(material);
    {
        osgEdit edit(material, osg::FieldBits::AllFields);
        material->setIncandescenceMap(oxImageCreator::createDummyImage(9, 9, 9));
        material->setUseIncandescenceTexture(true);
        material->setIncandescenceSettings(true);
    }
    const ImagePtr incandescence = material->getIncandescenceMap();
    ASSERT_TRUE(load(material, file));

    for (const ComponentSettingsPtr& s : material->getColorComponentData()->getAllComponents())
    {
        EXPECT_FALSE(s->getUseTexture()) << s->getComponentName();
        EXPECT_TRUE(s->getImage().isNull()) << s->getComponentName();
    }
    EXPECT_TRUE(material->getHasAnisotropyLevel());
    EXPECT_FALSE(material->getColorComponentData()->getUseCutout());
    EXPECT_TRUE(material->getIncandescenceSettings());
    EXPECT_TRUE(material->getUseIncandescenceTexture());
    EXPECT_EQ(material->getIncandescenceMap(), incandescence);
}

TEST_F(ComponentFixture, CutoutAlreadyOnIsNotWrittenAgain)
{
    const QString file = _dir.path() + "/cutout.sbsar";
    ASSERT_TRUE(writeFile(file, archiveWithOutputs("<output identifier=\"o\" channel=\"12\" component=\"cutout\"/>")));
    const USubstanceMaterialPtr material = newMaterial();
    const ColorComponentsPtr components = material->getColorComponentData();
    {
        osgEdit edit(components, ColorComponentsBase::UseCutoutFieldMask);
        components->setUseCutout(true);
    }
    oxStandIn::clearEditLog();
    ASSERT_TRUE(load(material, file));
    for (const oxStandIn::EditRecord& r : bracketsOn(components->getId()))
        EXPECT_EQ(r.mask, osg::FieldBits::AllFields);
    EXPECT_TRUE(components->getUseCutout());
}

// ---------------------------------------------------------------- active graph

class ActiveGraphTest : public MaterialModifierTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(ActiveGraphTest, AnyIndexIsStoredUnderItsOwnMask)
{
    USubstanceMaterialPtr material = newMaterial();
    ASSERT_TRUE(load(material, samplePath("multigraph.sbsar")));
    oxStandIn::clearEditLog();
    oxSubstanceMaterialModifier(material).updateActiveGraph(GetParam());
    EXPECT_EQ(material->getActiveGraphIndex(), GetParam());
    const std::vector<oxStandIn::EditRecord> brackets = bracketsOn(material->getId());
    ASSERT_EQ(brackets.size(), 1u);
    EXPECT_EQ(brackets[0].mask, USubstanceMaterialBase::ActiveGraphIndexFieldMask);
    EXPECT_EQ(brackets[0].origin, 1u);
}

INSTANTIATE_TEST_SUITE_P(Indexes, ActiveGraphTest, ::testing::Values(0, 2, 3, 17, -1));

// ---------------------------------------------------------------- updating values

class UpdateValuesTest : public MaterialModifierTest
{
protected:
    void SetUp() override
    {
        MaterialModifierTest::SetUp();
        material = newMaterial("Bricks & Co");
        ASSERT_TRUE(load(material, samplePath("multigraph.sbsar")));
        graphs = archiveOf(material)->graphs();
        oxStandIn::clearEditLog();
        oxStandIn::clearLogMessages();
    }

    /// Sets "VALUE" of input \p id of graph \p g in the description list.
    void setValue(std::size_t g, const QString& id, const QVariant& value)
    {
        for (QMap<QString, QVariant>& input : graphs[g].second)
            if (input.value("ID").toString() == id)
                input["VALUE"] = value;
    }

    QVariant read(const std::string& graph, const QString& property)
    {
        QVariant v;
        oxSubstanceAttributeSync().getOsgAttribute(material, qs(graph), property, v);
        return v;
    }

    USubstanceMaterialPtr material;
    GraphList graphs;
};

TEST_F(UpdateValuesTest, EqualValuesCauseNoWrite)
{
    oxSubstanceMaterialModifier(material).updateValues(graphs);
    EXPECT_TRUE(oxStandIn::editLog().empty());
    EXPECT_TRUE(logLines().empty());
}

TEST_F(UpdateValuesTest, ChangedValuesAreWrittenEachUnderItsMask)
{
    setValue(0, "mortar", QVariant(0.25f));
    setValue(1, "glaze", QString("matte"));
    setValue(2, "pores", QVariant(0.75f));
    oxSubstanceMaterialModifier(material).updateValues(graphs);

    EXPECT_EQ(read("Brick", "mortar"), QVariant(0.25f));
    EXPECT_EQ(read("Tiles", "glaze"), QVariant(QString("matte")));
    EXPECT_EQ(read("Concrete", "pores"), QVariant(0.75f));

    std::map<std::string, osg::BitVector> masks;
    for (const oxStandIn::EditRecord& r : oxStandIn::editLog())
        if (r.begin)
            masks[r.typeName] |= r.mask;
    EXPECT_EQ(oxStandIn::editLog().size(), 6u) << "three brackets, begin and end";
    EXPECT_EQ(masks["AttributeFloatValue"], AttributeFloatValueBase::FloatValueFieldMask);
    EXPECT_EQ(masks["AttributeStringValue"], AttributeStringValueBase::StringValueFieldMask);
}

TEST_F(UpdateValuesTest, GraphsAreMatchedByPositionNotByName)
{
    graphs[0].first = "Concrete";
    graphs[2].first = "Brick";
    setValue(0, "mortar", QVariant(0.4f));
    oxSubstanceMaterialModifier(material).updateValues(graphs);
    EXPECT_EQ(read("Brick", "mortar"), QVariant(0.4f));
}

class UpdateValuesCountTest : public UpdateValuesTest, public ::testing::WithParamInterface<std::size_t>
{
};

TEST_P(UpdateValuesCountTest, AnotherNumberOfGraphsChangesNothing)
{
    for (std::size_t g = 0; g < graphs.size(); ++g)
        for (QMap<QString, QVariant>& input : graphs[g].second)
            if (input.value("TYP").toString() == "float")
                input["VALUE"] = QVariant(0.123f);
    graphs.resize(GetParam(), graphs.back());
    const std::string before = describe(material);
    oxSubstanceMaterialModifier(material).updateValues(graphs);
    EXPECT_TRUE(oxStandIn::editLog().empty());
    EXPECT_EQ(read("Brick", "mortar"), QVariant(0.05f));
    EXPECT_EQ(describe(material), before);
    EXPECT_TRUE(logLines().empty());
}

INSTANTIATE_TEST_SUITE_P(Counts, UpdateValuesCountTest, ::testing::Values(0u, 1u, 2u, 4u));

struct MessageCase
{
    const char* name;
    QMap<QString, QVariant> input;
    std::vector<std::string> log;
};

void PrintTo(const MessageCase& c, std::ostream* os) { *os << c.name; }

QMap<QString, QVariant> input(const char* group, const char* id, const char* label, QVariant value)
{
    QMap<QString, QVariant> d;
    if (group)
        d["GROUP"] = QString::fromUtf8(group);
    if (id)
        d["ID"] = QString::fromUtf8(id);
    if (label)
        d["LABEL"] = QString::fromUtf8(label);
    d["VALUE"] = value;
    return d;
}

class ApplyMessageTest : public UpdateValuesTest, public ::testing::WithParamInterface<MessageCase>
{
};

TEST_P(ApplyMessageTest, SkippedInputsAreReportedAndTheOthersApplied)
{
    const MessageCase& c = GetParam();
    // The case's input comes between two sound inputs, which must both be written.
    graphs[0].second = {input("Layout", "mortar", "Mortar Width", 0.3f), c.input,
                        input("Colour", "brick_colour", "Brick Colour", QVector3D(0.5f, 0.5f, 0.5f))};
    oxSubstanceMaterialModifier(material).updateValues(graphs);
    EXPECT_EQ(logLines(), c.log);
    EXPECT_EQ(read("Brick", "mortar"), QVariant(0.3f));
    EXPECT_EQ(read("Brick", "brick_colour"), QVariant(QVector3D(0.5f, 0.5f, 0.5f)));
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ApplyMessageTest,
    ::testing::Values(
        MessageCase{"groupNotFound",
                    input("Nowhere", "mortar", "Mortar", 1.f),
                    {"error: Unable to apply parameter to material Bricks & Co, group: Nowhere, property mortar: "
                     "Group not found."}},
        MessageCase{"propertyNotFound",
                    input("Layout", "mortar ", "Mortar", 1.f),
                    {"error: Unable to apply parameter to material Bricks & Co, group: Layout, property mortar : "
                     "Property not found."}},
        MessageCase{"sharedGroupMissing",
                    input(nullptr, "seed", "Seed", 1),
                    {"error: Unable to apply parameter to material Bricks & Co, group: , property seed: "
                     "Group not found."}},
        MessageCase{"percentSignsArePrintedAsData",
                    input("%s%n%d", "%s", "L", 1),
                    {"error: Unable to apply parameter to material Bricks & Co, group: %s%n%d, property %s: "
                     "Group not found."}},
        MessageCase{"utf8Names",
                    input(u8"Größe", u8"höhe", "L", 1),
                    {u8"error: Unable to apply parameter to material Bricks & Co, group: Größe, property höhe: "
                     "Group not found."}},
        MessageCase{"hiddenInputIsPassedOver", input(nullptr, "$time", nullptr, 1.f), {}},
        MessageCase{"hiddenInputOfAGroupIsPassedOver", input("Layout", "secret", "", 1.f), {}}),
    [](const ::testing::TestParamInfo<MessageCase>& info) { return std::string(info.param.name); });

TEST_F(MaterialModifierTest, UnreadableCurrentValueIsReportedAndNotWritten)
{
    // Without a material the output size cannot be read (its Z is the material's flag).
    USubstanceMaterialPtr none;
    oxSubstanceMaterialModifier modifier(none);
    QList<QMap<QString, QVariant>> inputs{
        input("Output", "$outputsize", "Output Size", QVariant::fromValue(QOXIntVector3D(10, 10, 1))),
        input("Layout", "mortar", "Mortar", 0.2f)};
    inputs[0]["TYP"] = "int[2]";
    inputs[1]["TYP"] = "float";
    const USubstanceGraphPtr graph = hold(Access::createGraph(modifier, {"Brick", inputs}));
    EXPECT_EQ(logLines(), std::vector<std::string>{"error: Unable to apply parameter to material <null>, group: "
                                                   "Output, property $outputsize: Unable to fetch current value."});

    const AttributeValuePtr size = findAttribute(graph, "Output", "$outputsize");
    ASSERT_FALSE(size.isNull());
    const AttributeInt2DValuePtr size2 = AttributeInt2DValuePtr::dcast(size);
    EXPECT_EQ(size2->getIntValueX(), 0) << "not written";
    QVariant mortar;
    ASSERT_TRUE(oxSubstanceAttributeSync().getOsgAttribute(none, findAttribute(graph, "Layout", "mortar"), mortar));
    EXPECT_EQ(mortar, QVariant(0.2f)) << "the other inputs are applied";
}

} // namespace
