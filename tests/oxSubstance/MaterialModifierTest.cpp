// Building a material from an archive file: refusals, archive data, colour
// components, presets, graphs and values; active graph and value updates.

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
#include <sstream>
#include <string>
#include <vector>

using GraphList = oxSubstanceMaterialModifier::GraphDescriptionList;

/// Reaches the modifier's private steps.
struct oxSubstanceMaterialModifierTestAccess
{
    static void storeArchive(oxSubstanceMaterialModifier& m, const QSubstanceArchive& a) { m.storeArchive(a); }
    static USubstanceGraphPtr createGraph(oxSubstanceMaterialModifier& m,
                                          const oxSubstanceMaterialModifier::GraphDescription& d)
    {
        return m.createGraph(d);
    }
};

namespace {

using Access = oxSubstanceMaterialModifierTestAccess;
using Names = std::vector<std::string>;

QString qs(const std::string& s) { return QString::fromStdString(s); }
std::string absolute(const QString& path) { return QFileInfo(path).absoluteFilePath().toStdString(); }

bool writeFile(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

std::shared_ptr<QSubstanceArchive> archiveOf(const USubstanceMaterialPtr& material)
{
    bool created = false;
    return oxSubstanceArchiveFactory::instance().getMaterialArchive(material->getId(), created);
}

/// Names of a field of presets or graphs.
template <class Field>
Names names(const Field& field)
{
    Names result;
    for (const auto& p : field)
        result.push_back(p->getName());
    return result;
}

/// Everything of a material that loading may change, with container ids so
/// that a rebuilt object shows as a change.
std::string describe(const USubstanceMaterialPtr& m)
{
    const auto id = [](const auto& p) { return p.isNull() ? 0u : p->getId(); };
    std::ostringstream out;
    out << m->getArchivePath() << ' ' << m->getArchiveData().size() << ' ' << m->getActiveGraphIndex() << ' '
        << m->getSyncOutputSize() << m->getHasAnisotropyLevel() << m->getIncandescenceSettings()
        << m->getUseIncandescenceTexture() << ' ' << id(m->getIncandescenceMap()) << ' '
        << m->getColorComponentData()->getUseCutout() << '\n';
    for (const ComponentSettingsPtr& s : m->getColorComponentData()->getAllComponents())
        out << s->getComponentName() << s->getUseTexture() << id(s->getImage()) << '\n';
    for (const SubstancePresetPtr& p : m->getSubstancePresets())
        out << "preset " << id(p) << p->getName() << '\n';
    for (const USubstanceGraphPtr& g : m->getSubstanceGraphs())
        for (const AttributeGroupPtr& group : g->getAttributeGroups())
            for (const AttributeValuePtr& v : group->getProperties())
                out << id(g) << ' ' << id(group) << ' ' << id(v) << '\n';
    return out.str();
}

AttributeValuePtr findAttribute(const USubstanceGraphPtr& graph, const QString& group, const QString& id)
{
    const AttributeGroupPtr g = graph->getAttributeGroup(group.toStdString());
    return g.isNull() ? AttributeValuePtr() : g->getAttribute(id.toStdString());
}

QMap<QString, QVariant> input(const char* group, const char* id, const char* label, QVariant value)
{
    QMap<QString, QVariant> d{{"ID", id}, {"LABEL", label}, {"VALUE", value}};
    if (group)
        d["GROUP"] = group;
    return d;
}

class MaterialModifierTest : public oxHostTest
{
protected:
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

    QTemporaryDir _dir;
};

// ---------------------------------------------------------------- loading builds the material

class LoadSampleTest : public MaterialModifierTest,
                       public ::testing::WithParamInterface<std::pair<const char*, bool /*sync default*/>>
{
};

TEST_P(LoadSampleTest, GraphsGroupsAndValuesFollowTheArchive)
{
    const bool sync = GetParam().second;
    QSubstanceArchive::setDefaultSyncOutputSize(sync);
    const USubstanceMaterialPtr material = newMaterial();
    {
        osgEdit edit(material, USubstanceMaterialBase::SyncOutputSizeFieldMask |
                                   USubstanceMaterialBase::ActiveGraphIndexFieldMask);
        material->setSyncOutputSize(!sync);
        material->setActiveGraphIndex(2);
    }
    const QString path = qs(samplePath(GetParam().first));
    ASSERT_TRUE(load(material, path));

    EXPECT_EQ(material->getActiveGraphIndex(), 0);
    EXPECT_EQ(material->getSyncOutputSize(), sync);
    EXPECT_EQ(material->getArchivePath(), absolute(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::vector<unsigned char>& data = material->getArchiveData();
    EXPECT_EQ(std::string(data.begin(), data.end()), file.readAll().toStdString());

    const GraphList graphs = archiveOf(material)->graphs();
    ASSERT_EQ(material->getSubstanceGraphs().size(), graphs.size());
    for (std::size_t g = 0; g < graphs.size(); ++g)
    {
        const USubstanceGraphPtr graph = material->getSubstanceGraphs()[g];
        SCOPED_TRACE(graphs[g].first.toStdString());
        EXPECT_EQ(qs(graph->getName()), graphs[g].first);
        std::size_t labelled = 0;
        for (const QMap<QString, QVariant>& in : graphs[g].second)
        {
            SCOPED_TRACE(in.value("ID").toString().toStdString());
            const AttributeValuePtr a = findAttribute(graph, in.value("GROUP").toString(), in.value("ID").toString());
            if (in.value("LABEL").toString().isEmpty())
            {
                EXPECT_TRUE(a.isNull()) << "a hidden input gets no attribute";
                continue;
            }
            ++labelled;
            ASSERT_FALSE(a.isNull());
            EXPECT_EQ(qs(a->getTypeString()), in.value("TYP").toString());
            QVariant current;
            ASSERT_TRUE(oxSubstanceAttributeSync().getOsgAttribute(material, a, current));
            EXPECT_EQ(current, in.value("VALUE"));
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

INSTANTIATE_TEST_SUITE_P(Samples, LoadSampleTest,
                         ::testing::Values(std::make_pair("materials.sbsar", true),
                                           std::make_pair("multigraph.sbsar", false)));

// ---------------------------------------------------------------- refusals leave everything as it was

struct RefusalCase
{
    const char* name;
    bool environment;     ///< load into an environment material's texture generator
    const char* first;    ///< sample loaded first (accepted)
    const char* second;   ///< sample that is refused; a file of the temporary folder when it has no ".sbsar"
    const char* contents; ///< written as that file when not null
    Names log;            ///< empty: any one message of the archive service
};

class RefusalTest : public MaterialModifierTest, public ::testing::WithParamInterface<RefusalCase>
{
};

TEST_P(RefusalTest, MaterialAndItsArchiveStayAsTheyWere)
{
    const RefusalCase& c = GetParam();
    const USubstanceMaterialPtr material = newMaterial(c.environment);
    ASSERT_TRUE(load(material, qs(samplePath(c.first))));
    const std::string before = describe(material);
    const QString archivePath = archiveOf(material)->path();
    const std::size_t graphs = archiveOf(material)->graphs().size();

    QString second = _dir.path() + "/" + c.second;
    if (c.contents)
        ASSERT_TRUE(writeFile(second, c.contents));
    else if (qs(c.second).endsWith(".sbsar"))
        second = qs(samplePath(c.second));
    oxStandIn::clearEditLog();
    oxStandIn::clearLogMessages();
    oxStandIn::clearArchiveCalls();
    EXPECT_FALSE(load(material, second));

    EXPECT_EQ(describe(material), before);
    EXPECT_TRUE(bracketsOn(material->getId()).empty());
    EXPECT_EQ(archiveOf(material)->path(), archivePath) << "the material's archive is kept";
    EXPECT_EQ(archiveOf(material)->graphs().size(), graphs);
    EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 0);
    if (c.log.empty())
        EXPECT_EQ(logLines().size(), 1u);
    else
        EXPECT_EQ(logLines(), c.log);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusalTest,
    ::testing::Values(
        RefusalCase{"panoramaIntoNormalMaterial", false, "materials.sbsar", "panorama.sbsar", nullptr,
                    {"error: Panorama channel found. Substance archive not suited for normal Substance material. "
                     "Try Substance Panorama environment instead."}},
        RefusalCase{"noPanoramaIntoEnvironment", true, "panorama.sbsar", "materials.sbsar", nullptr,
                    {"error: Panorama channel missing. Substance archive not suited for Substance environment "
                     "material."}},
        RefusalCase{"missingFile", false, "materials.sbsar", "missing", nullptr, {}},
        RefusalCase{"malformedFile", true, "panorama.sbsar", "bad", "<sbsar><graph/></sbsar>", {}}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

TEST_F(MaterialModifierTest, NullMaterialDoesNothing)
{
    USubstanceMaterialPtr none;
    oxSubstanceMaterialModifier modifier(none);
    EXPECT_FALSE(modifier.initFromFile(qs(samplePath("materials.sbsar"))));
    modifier.updateActiveGraph(3);
    modifier.updateValues(GraphList{{"Wood", {}}});
    EXPECT_TRUE(oxStandIn::archiveCalls().empty());
    EXPECT_TRUE(oxStandIn::editLog().empty());
    EXPECT_TRUE(logLines().empty());
}

// ---------------------------------------------------------------- presets and loading twice

TEST_F(MaterialModifierTest, PresetFileBesideAddsOnlyNewPresetsOfTheArchivesGraphs)
{
    const USubstanceMaterialPtr material = newMaterial();
    ASSERT_TRUE(load(material, qs(samplePath("materials.sbsar"))));
    EXPECT_EQ(names(material->getSubstancePresets()), (Names{"Light Oak", "Dark Walnut", "Weathered Pine"}));
    EXPECT_EQ(logLines(),
              (Names{"warning: Skipped preset 'Light Oak'. Duplicate preset already exists in material.\n",
                     "warning: Skipped preset 'Brushed Steel'. It does not match any graph of the material.\n"}));
    const osg::MField<SubstancePresetPtr>& presets = material->getSubstancePresets();
    EXPECT_EQ(presets[1]->getSourcePath(), "");
    EXPECT_EQ(presets[2]->getSourcePath(), absolute(qs(samplePath("materials.sbsprs"))));
}

TEST_F(MaterialModifierTest, PresetFileIsNamedAfterTheArchiveUpToTheFirstDot)
{
    const struct
    {
        const char* archive;
        const char* presetFile;
        bool found;
    } cases[] = {{"a.b.c", "a.sbsprs", true},
                 {"a.b.c", "a.b.sbsprs", false},
                 {"d%2x%1/wood.sbsar", "d%2x%1/wood.sbsprs", true},
                 {u8"my wöod/plank é.sbsar", u8"my wöod/plank é.sbsprs", true}};
    int n = 0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.archive) + " " + c.presetFile);
        const QString dir = _dir.path() + "/" + QString::number(++n) + "/";
        QDir().mkpath(QFileInfo(dir + QString::fromUtf8(c.archive)).path());
        ASSERT_TRUE(QFile::copy(qs(samplePath("materials.sbsar")), dir + QString::fromUtf8(c.archive)));
        ASSERT_TRUE(QFile::copy(qs(samplePath("materials.sbsprs")), dir + QString::fromUtf8(c.presetFile)));
        const USubstanceMaterialPtr material = newMaterial();
        ASSERT_TRUE(load(material, dir + QString::fromUtf8(c.archive)));
        EXPECT_EQ(material->getSubstancePresets().size(), c.found ? 3u : 2u);
    }
}

TEST_F(MaterialModifierTest, SecondLoadReplacesGraphsPresetsAndActiveGraph)
{
    USubstanceMaterialPtr material = newMaterial();
    ASSERT_TRUE(load(material, qs(samplePath("materials.sbsar"))));
    const USubstanceGraphPtr oldGraph = hold(material->getSubstanceGraphs().at(0));
    const SubstancePresetPtr oldPreset = hold(material->getSubstancePresets().at(0));
    oxStandIn::clearEditLog();
    oxSubstanceMaterialModifier(material).updateActiveGraph(2);
    ASSERT_EQ(material->getActiveGraphIndex(), 2);
    ASSERT_EQ(bracketsOn(material->getId()).size(), 1u);
    EXPECT_EQ(bracketsOn(material->getId())[0].mask, USubstanceMaterialBase::ActiveGraphIndexFieldMask);

    ASSERT_TRUE(load(material, qs(samplePath("multigraph.sbsar"))));
    EXPECT_EQ(names(material->getSubstanceGraphs()), (Names{"Brick", "Tiles", "Concrete"}));
    EXPECT_EQ(names(material->getSubstancePresets()), (Names{"Old Brick", "Bathroom", "Kitchen", "Smooth Concrete"}));
    EXPECT_EQ(material->getActiveGraphIndex(), 0);
    EXPECT_EQ(oldGraph->getRefCount(), 1) << "the material gave the old graph back";
    EXPECT_EQ(oldPreset->getRefCount(), 1) << "the material gave the old preset back";
}

// ---------------------------------------------------------------- colour components

struct ComponentCase
{
    const char* file;       ///< a sample, or null for an archive without component outputs
    Names textured;         ///< components that get a placeholder image
    bool incandescence;     ///< the archive renders incandescence (set up on the material)
};

class ComponentTest : public MaterialModifierTest, public ::testing::WithParamInterface<ComponentCase>
{
};

TEST_P(ComponentTest, PlaceholdersForTheComponentsThatTheArchiveRenders)
{
    const ComponentCase& c = GetParam();
    QString file = _dir.path() + "/plain.sbsar";
    if (c.file)
        file = qs(samplePath(c.file));
    else
        ASSERT_TRUE(writeFile(file, "<sbsar formatversion=\"1\"><graph label=\"G\" pkgurl=\"pkg://t/g\">"
                                    "<output identifier=\"ao\" channel=\"15\"/></graph></sbsar>"));
    QSubstanceArchive archive;
    QSubstanceBinaryDiskReader reader(file, nullptr);
    ASSERT_TRUE(archive.import(reader));

    // A state that preparing the components must change.
    USubstanceMaterialPtr material = newMaterial();
    const ColorComponentsPtr components = material->getColorComponentData();
    {
        osgEdit edit(material, osg::FieldBits::AllFields);
        material->setHasAnisotropyLevel(true);
        material->setIncandescenceSettings(true);
        material->setUseIncandescenceTexture(false);
        material->setIncandescenceMap(oxImageCreator::createDummyImage(9, 9, 9));
        osgEdit componentsEdit(components, osg::FieldBits::AllFields);
        for (const ComponentSettingsPtr& s : components->getAllComponents())
        {
            osgEdit settingsEdit(s, osg::FieldBits::AllFields);
            s->setUseTexture(true);
            s->setImage(oxImageCreator::createDummyImage(1, 2, 3));
        }
    }
    const ImagePtr oldIncandescence = material->getIncandescenceMap();
    oxSubstanceMaterialModifier modifier(material);
    Access::storeArchive(modifier, archive);

    for (const ComponentSettingsPtr& s : components->getAllComponents())
    {
        const std::string name = s->getComponentName();
        SCOPED_TRACE(name);
        const bool textured = std::count(c.textured.begin(), c.textured.end(), name) > 0;
        EXPECT_EQ(s->getUseTexture(), textured);
        ASSERT_EQ(s->getImage().isNull(), !textured);
        if (!textured)
            continue;
        EXPECT_TRUE(s->getImage()->getPixel(0, 0) == osg::Vec3f(1.f, 1.f, 1.f));
        EXPECT_EQ(s->getImage()->getDataType(), name == "normal" ? osg::Image::OSG_UINT16_IMAGEDATA
                                                                 : osg::Image::OSG_UINT8_IMAGEDATA)
            << "only the normal placeholder takes its output's data type";
    }
    EXPECT_EQ(components->getUseCutout(), std::count(c.textured.begin(), c.textured.end(), "cutout") > 0);
    EXPECT_EQ(material->getHasAnisotropyLevel(), !c.file) << "left alone without components";
    EXPECT_EQ(material->getIncandescenceSettings(), c.incandescence || !c.file);
    if (c.incandescence)
    {
        EXPECT_TRUE(material->getUseIncandescenceTexture());
        EXPECT_TRUE(material->getIncandescenceMap()->getPixel(1, 1) == osg::Vec3f(1.f, 1.f, 1.f));
    }
    else
        EXPECT_EQ(material->getIncandescenceMap(), oldIncandescence);
}

INSTANTIATE_TEST_SUITE_P(
    Archives, ComponentTest,
    ::testing::Values(
        ComponentCase{"materials.sbsar", {"diffuse", "specular", "roughness", "normal", "height", "cutout"}, true},
        ComponentCase{"multigraph.sbsar", {"diffuse", "normal", "height"}, false},
        ComponentCase{nullptr, {}, false}));

// ---------------------------------------------------------------- updating values

class UpdateValuesTest : public MaterialModifierTest
{
protected:
    void SetUp() override
    {
        MaterialModifierTest::SetUp();
        material = newMaterial();
        ASSERT_TRUE(load(material, qs(samplePath("multigraph.sbsar"))));
        graphs = archiveOf(material)->graphs();
        oxStandIn::clearEditLog();
        oxStandIn::clearLogMessages();
    }

    void setValue(std::size_t g, const QString& id, const QVariant& value)
    {
        for (QMap<QString, QVariant>& in : graphs[g].second)
            if (in.value("ID").toString() == id)
                in["VALUE"] = value;
    }

    QVariant read(const char* graph, const char* property)
    {
        QVariant v;
        oxSubstanceAttributeSync().getOsgAttribute(material, graph, property, v);
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

TEST_F(UpdateValuesTest, ChangedValuesAreWrittenByPositionEachUnderItsMask)
{
    graphs[0].first = "Concrete";
    graphs[2].first = "Brick";
    setValue(0, "mortar", QVariant(0.25f));
    setValue(1, "glaze", QString("matte"));
    oxSubstanceMaterialModifier(material).updateValues(graphs);

    EXPECT_EQ(read("Brick", "mortar"), QVariant(0.25f));
    EXPECT_EQ(read("Tiles", "glaze"), QVariant(QString("matte")));
    const std::vector<oxStandIn::EditRecord>& log = oxStandIn::editLog();
    ASSERT_EQ(log.size(), 4u) << "two brackets, begin and end";
    EXPECT_EQ(log[0].mask, AttributeFloatValueBase::FloatValueFieldMask);
    EXPECT_EQ(log[2].mask, AttributeStringValueBase::StringValueFieldMask);
}

TEST_F(UpdateValuesTest, AnotherNumberOfGraphsChangesNothing)
{
    for (std::size_t count : {0u, 2u, 4u})
    {
        SCOPED_TRACE(count);
        GraphList list = graphs;
        for (GraphList::value_type& g : list)
            for (QMap<QString, QVariant>& in : g.second)
                if (in.value("TYP").toString() == "float")
                    in["VALUE"] = QVariant(0.123f);
        list.resize(count, list.back());
        oxSubstanceMaterialModifier(material).updateValues(list);
        EXPECT_TRUE(oxStandIn::editLog().empty());
        EXPECT_EQ(read("Brick", "mortar"), QVariant(0.05f));
    }
}

struct MessageCase
{
    const char* name;
    QMap<QString, QVariant> input;
    Names log;
};

class ApplyMessageTest : public UpdateValuesTest, public ::testing::WithParamInterface<MessageCase>
{
};

TEST_P(ApplyMessageTest, SkippedInputsAreReportedAndTheOthersApplied)
{
    // The case's input comes between two sound inputs, which must both be written.
    graphs[0].second = {input("Layout", "mortar", "Mortar Width", 0.3f), GetParam().input,
                        input("Colour", "brick_colour", "Brick Colour", QVector3D(0.5f, 0.5f, 0.5f))};
    oxSubstanceMaterialModifier(material).updateValues(graphs);
    EXPECT_EQ(logLines(), GetParam().log);
    EXPECT_EQ(read("Brick", "mortar"), QVariant(0.3f));
    EXPECT_EQ(read("Brick", "brick_colour"), QVariant(QVector3D(0.5f, 0.5f, 0.5f)));
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ApplyMessageTest,
    ::testing::Values(
        MessageCase{"groupNotFound", input("%s%n", "%s", "L", 1),
                    {"error: Unable to apply parameter to material Bricks & Co, group: %s%n, property %s: "
                     "Group not found."}},
        MessageCase{"propertyNotFound", input("Layout", "mortar ", "Mortar", 1.f),
                    {"error: Unable to apply parameter to material Bricks & Co, group: Layout, property mortar : "
                     "Property not found."}},
        MessageCase{"hiddenInputIsPassedOver", input(nullptr, "$time", "", 1.f), {}}),
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
    EXPECT_EQ(logLines(), Names{"error: Unable to apply parameter to material <null>, group: Output, property "
                                "$outputsize: Unable to fetch current value."});
    EXPECT_EQ(AttributeInt2DValuePtr::dcast(findAttribute(graph, "Output", "$outputsize"))->getIntValueX(), 0);
    QVariant mortar;
    ASSERT_TRUE(oxSubstanceAttributeSync().getOsgAttribute(none, findAttribute(graph, "Layout", "mortar"), mortar));
    EXPECT_EQ(mortar, QVariant(0.2f)) << "the other inputs are applied";
}

} // namespace
