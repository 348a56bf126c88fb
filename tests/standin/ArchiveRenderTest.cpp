// The archive service against a material: placeholder renders, the typed
// attribute reads and writes, reading the material's attributes back and the
// host's own preset application.

#include "ArchiveTestSupport.h"

#include "Materials.h"
#include "archive/oxArchiveAttributes.h"

#include <algorithm>

using namespace archivetest;

namespace {

/// A material (held by the fixture) whose factory archive holds a sample, with
/// the archive's presets and graph 0's labelled inputs as attributes of one group.
class ArchiveMaterialTest : public oxHostTest
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
        const GraphDescriptionList graphs = archive->graphs();
        USubstanceGraphPtr graph = USubstanceGraph::create();
        AttributeGroupPtr group = AttributeGroup::create();
        osgEdit graphEdit(graph, osg::FieldBits::AllFields), groupEdit(group, osg::FieldBits::AllFields);
        for (const auto& in : graphs.at(std::size_t(index)).second)
        {
            const QString type = in.value("TYP").toString();
            if (in.value("LABEL").toString().isEmpty())
                continue;
            AttributeValuePtr value;
            if (type == "float") value = AttributeFloatValue::create();
            else if (type == "float[2]") value = AttributeFloat2DValue::create();
            else if (type == "float[3]") value = AttributeFloat3DValue::create();
            else if (type == "float[4]") value = AttributeFloat4DValue::create();
            else if (type == "int") value = AttributeIntValue::create();
            else if (type == "int[2]") value = AttributeInt2DValue::create();
            else if (type == "int[3]") value = AttributeInt3DValue::create();
            else if (type == "int[4]") value = AttributeInt4DValue::create();
            else if (type == "string") value = AttributeStringValue::create();
            else value = AttributeImageValue::create();
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
    void TearDown() override
    {
        archive.reset();
        oxHostTest::TearDown();
    }

    ComponentSettingsPtr settings(const char* name) const
    {
        return material->getColorComponentData()->getComponentSettings(name);
    }
    osg::Vec3f colour(const char* name) const { return settings(name)->getImage()->getPixel(0, 0); }
    AttributeValuePtr attribute(const char* id) const
    {
        return oxArchive::findAttribute(material->getActiveGraph(), QString::fromUtf8(id));
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
    std::shared_ptr<QSubstanceArchive> archive;
};

// ---------------------------------------------------------------- render

TEST_F(ArchiveMaterialTest, RenderSetsAPlaceholderOnEveryFedComponent)
{
    loadSample("materials.sbsar");
    EXPECT_TRUE(archive->renderTextures(material->getId(), true, false));
    EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 1);
    for (const OsgColorComponentDesc& c : archive->osgColorComponents(0))
    {
        SCOPED_TRACE(c.componentName);
        const ComponentSettingsPtr s = settings(c.componentName.c_str());
        const ImagePtr image = s->getImage();
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image->getDataType(), c.dataType);
        EXPECT_EQ(image->getWidth(), 4);
        EXPECT_EQ(image->getRefCount(), c.componentName == "incandescence" ? 2 : 1);
        EXPECT_EQ(masksOn(s->getId()), std::vector<osg::BitVector>{ComponentSettingsBase::ImageFieldMask});
    }
    EXPECT_EQ(material->getIncandescenceMap(), settings("incandescence")->getImage());
    EXPECT_TRUE(settings("metallic")->getImage().isNull());
    EXPECT_EQ(masksOn(material->getId()), std::vector<osg::BitVector>{UBRDFMaterialBase::IncandescenceMapFieldMask});
}

TEST_F(ArchiveMaterialTest, RenderColoursFollowTheInputValuesAndOldImagesGo)
{
    loadSample("materials.sbsar");
    archive->renderTextures(material->getId(), true, false);
    const ImagePtr first = settings("diffuse")->getImage();
    const osg::Vec3f diffuse = colour("diffuse");
    EXPECT_NE(diffuse, colour("specular")) << "each output its own colour";
    const std::size_t live = oxStandIn::liveContainerCount();
    archive->renderTextures(material->getId(), false, false);
    EXPECT_EQ(oxStandIn::liveContainerCount(), live) << "the previous images are released";
    EXPECT_NE(settings("diffuse")->getImage(), first);
    EXPECT_EQ(colour("diffuse"), diffuse) << "same inputs, same colour";
    archive->updateInputs("Wood", "roughness", QVariant::fromValue(0.9f));
    archive->renderTextures(material->getId(), false, false);
    EXPECT_NE(colour("diffuse"), diffuse);
}

TEST_F(ArchiveMaterialTest, RenderFollowsTheActiveGraphAndNeedsArchiveAndMaterial)
{
    loadSample("multigraph.sbsar");
    EXPECT_FALSE(archive->renderTextures(0, true, false));
    EXPECT_FALSE(archive->renderTextures(hold(osg::Image::create())->getId(), true, false));
    bool created = false;
    USubstanceMaterialPtr other = hold(USubstanceMaterial::create());
    auto empty = oxSubstanceArchiveFactory::instance().getMaterialArchive(other->getId(), created);
    EXPECT_FALSE(empty->renderTextures(other->getId(), true, false));
    EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 3);
    EXPECT_TRUE(oxStandIn::editLog().empty());

    archive->setActiveGraphIndex(1);
    EXPECT_TRUE(archive->renderTextures(material->getId(), true, true));
    EXPECT_FALSE(settings("metallic")->getImage().isNull());
    EXPECT_TRUE(settings("normal")->getImage().isNull());
}

// ---------------------------------------------------------------- attributes

TEST_F(ArchiveMaterialTest, AttributeWritesUseTheExactMaskAndReadBackTheForm)
{
    loadSample("materials.sbsar");
    struct Row { const char* id; QVariant written, read; osg::BitVector mask; };
    for (const Row& r : std::vector<Row>{
             {"roughness", QVariant(0.25), QVariant::fromValue(0.25f), AttributeFloatValueBase::FloatValueFieldMask},
             {"tint", QVariant::fromValue(QVector4D(0.1f, 0.2f, 0.3f, 0.4f)),
              QVariant::fromValue(QVector3D(0.1f, 0.2f, 0.3f)), AttributeFloat4DValueBase::ColorValueFieldMask},
             {"grain", QVariant::fromValue(QVector3D(1, 2, 3)), QVariant::fromValue(QVector4D()),
              AttributeFloat4DValueBase::ColorValueFieldMask},
             {"$outputsize", QVariant::fromValue(QOXIntVector2D(10, 8)), v3(10, 8, 1),
              AttributeInt2DValueBase::IntValueXFieldMask | AttributeInt2DValueBase::IntValueYFieldMask},
             {"region", QVariant::fromValue(QOXIntVector4D(1, 2, 3, 4)), QVariant::fromValue(QOXIntVector4D(1, 2, 3, 4)),
              AttributeInt4DValueBase::IntValueXFieldMask | AttributeInt4DValueBase::IntValueYFieldMask |
                  AttributeInt4DValueBase::IntValueZFieldMask | AttributeInt4DValueBase::IntValueWFieldMask},
             {"notes", QVariant(7), QVariant(QStringLiteral("7")), AttributeStringValueBase::StringValueFieldMask},
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
}

TEST_F(ArchiveMaterialTest, OutputSizeWriteSetsTheSyncFlagAndBadAccessIsRefused)
{
    loadSample("materials.sbsar");
    const AttributeValuePtr size = attribute("$outputsize");
    for (int z : {0, 2, 1})
    {
        EXPECT_TRUE(oxArchive::writeAttribute(material, size, v3(11, 10, z)));
        EXPECT_EQ(material->getSyncOutputSize(), z == 1) << z;
    }
    EXPECT_EQ(masksOn(material->getId()), std::vector<osg::BitVector>(3, USubstanceMaterialBase::SyncOutputSizeFieldMask));
    EXPECT_EQ(oxArchive::readAttribute(material, size), v3(11, 10, 1));
    EXPECT_FALSE(oxArchive::readAttribute(USubstanceMaterialPtr(), size).isValid());
    EXPECT_TRUE(oxArchive::writeAttribute(USubstanceMaterialPtr(), size, v3(9, 9, 0)));

    oxStandIn::clearEditLog();
    EXPECT_FALSE(oxArchive::readAttribute(material, AttributeValuePtr()).isValid());
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
    archive->updateInputs(0u);
    archive->updateInputs(hold(osg::Image::create())->getId());
    archive->updateInputs(hold(USubstanceMaterial::create())->getId());
    EXPECT_EQ(archive->getActiveGraphValues().at("mortar").value, QVariant::fromValue(0.05f)) << "nothing to read";

    archive->updateInputs(material->getId());
    EXPECT_EQ(oxStandIn::archiveCallCount("updateInputs"), 4);
    EXPECT_EQ(archive->getActiveGraphValues().at("mortar").value, QVariant::fromValue(0.2f));
    EXPECT_EQ(archive->getActiveGraphValues().at("$outputsize").value, v3(10, 11, 0));
    {
        osgEdit edit(material, USubstanceMaterialBase::ActiveGraphIndexFieldMask);
        material->setActiveGraphIndex(1);
    }
    oxArchive::writeAttribute(material, attribute("tiles"), QVariant(3));
    archive->updateInputs(material->getId());
    EXPECT_EQ(archive->activeGraphIndex(), 1);
    EXPECT_EQ(archive->getActiveGraphValues().at("tiles").value, QVariant(3));
}

// ---------------------------------------------------------------- applyState

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

    oxArchive::writeAttribute(material, attribute("$outputsize"), v3(12, 11, 0));
    archive->updateInputs(material->getId());
    material->applyState(0, true); // "Light Oak": no size of its own
    EXPECT_EQ(attributeValue("$outputsize"), v3(9, 9, 1));
    EXPECT_EQ(attributeValue("roughness"), QVariant::fromValue(0.25f));
    EXPECT_EQ(attributeValue("tiling"), QVariant::fromValue(QVector2D(1, 1))) << "left out: back to default";
    EXPECT_EQ(material->getLastActivatedPreset(), 0);
}

TEST_F(ArchiveMaterialTest, ApplyStateWithoutAPresetToApplyChangesNothing)
{
    struct Row { const char* name; osg::UInt32 index; bool loaded, nullSlot; int applyPresetCalls; };
    for (const Row& r : std::vector<Row>{
             {"past the end", 2, true, false, 0}, {"empty archive", 0, false, false, 0}, {"null slot", 2, true, true, 1}})
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
