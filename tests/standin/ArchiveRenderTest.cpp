// The archive service against a material: placeholder renders, reading the
// material's attributes back, the host's own preset application, and the
// typed attribute reads and writes behind them.

#include "ArchiveTestSupport.h"

using namespace archivetest;

namespace {

QVariant v3(int x, int y, int z)
{
    return QVariant::fromValue(QOXIntVector3D(x, y, z));
}

/// A material (held by the fixture) whose factory archive holds a sample.
class ArchiveMaterialTest : public oxHostTest
{
protected:
    void loadSample(const char* file, bool withGraph = true)
    {
        material = hold(USubstanceMaterial::create());
        bool created = false;
        archive = oxSubstanceArchiveFactory::instance().getMaterialArchive(material->getId(), created);
        ASSERT_TRUE(import(*archive, sample(file)));
        {
            osgEdit edit(material, USubstanceMaterialBase::SyncOutputSizeFieldMask);
            material->setSyncOutputSize(QSubstanceArchive::getDefaultSyncOutputSize());
        }
        for (const auto& p : archive->presets())
            material->addPreset(p.first.toStdString(), p.second.toStdString(), "");
        if (withGraph)
            addGraph(material, *archive, 0);
        oxStandIn::clearArchiveCalls();
        oxStandIn::clearEditLog();
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
    QVariant attributeValue(const char* id) const { return oxArchive::readAttribute(material, attribute(material, id)); }

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
        const ComponentSettingsPtr s = settings(c.componentName.c_str());
        ASSERT_FALSE(s.isNull()) << c.componentName;
        const ImagePtr image = s->getImage();
        ASSERT_FALSE(image.isNull()) << c.componentName;
        EXPECT_EQ(image->getDataType(), c.dataType) << c.componentName;
        EXPECT_EQ(image->getWidth(), 4);
        EXPECT_EQ(image->getHeight(), 4);
        const bool incandescence = c.componentName == "incandescence";
        EXPECT_EQ(image->getRefCount(), incandescence ? 2 : 1) << c.componentName;
        const auto brackets = bracketsOn(s->getId());
        ASSERT_EQ(brackets.size(), 1u);
        EXPECT_EQ(brackets[0].mask, ComponentSettingsBase::ImageFieldMask);
    }
    EXPECT_EQ(material->getIncandescenceMap(), settings("incandescence")->getImage());
    EXPECT_TRUE(settings("metallic")->getImage().isNull());
    EXPECT_TRUE(settings("anisotropy")->getImage().isNull());

    std::vector<osg::BitVector> masks;
    for (const auto& r : bracketsOn(material->getId()))
        masks.push_back(r.mask);
    EXPECT_EQ(masks, std::vector<osg::BitVector>{UBRDFMaterialBase::IncandescenceMapFieldMask});
}

TEST_F(ArchiveMaterialTest, RenderColoursFollowTheInputValues)
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

    archive->updateInputs("Wood", "roughness", QVariant::fromValue(0.35f));
    archive->renderTextures(material->getId(), false, false);
    EXPECT_EQ(colour("diffuse"), diffuse);
    EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 4);
}

TEST_F(ArchiveMaterialTest, RenderFollowsTheActiveGraph)
{
    loadSample("multigraph.sbsar", false);
    archive->setActiveGraphIndex(1);
    EXPECT_TRUE(archive->renderTextures(material->getId(), true, true));
    EXPECT_FALSE(settings("metallic")->getImage().isNull());
    EXPECT_TRUE(settings("normal")->getImage().isNull());
}

TEST_F(ArchiveMaterialTest, NothingIsRenderedWithoutArchiveOrMaterial)
{
    loadSample("materials.sbsar");
    const ImagePtr image = hold(osg::Image::create());
    EXPECT_FALSE(archive->renderTextures(0, true, false));
    EXPECT_FALSE(archive->renderTextures(image->getId(), true, false));
    EXPECT_FALSE(archive->renderTextures(0x7FFFFFF0u, true, false));

    USubstanceMaterialPtr other = hold(USubstanceMaterial::create());
    bool created = false;
    auto empty = oxSubstanceArchiveFactory::instance().getMaterialArchive(other->getId(), created);
    EXPECT_FALSE(empty->renderTextures(other->getId(), true, false));

    EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 4);
    for (const ComponentSettingsPtr& s : material->getColorComponentData()->getAllComponents())
        EXPECT_TRUE(s->getImage().isNull());
    for (const ComponentSettingsPtr& s : other->getColorComponentData()->getAllComponents())
        EXPECT_TRUE(s->getImage().isNull());
}

// ---------------------------------------------------------------- attributes

struct AttributeCase
{
    const char* id;
    QVariant written;
    QVariant read;
    osg::BitVector mask;
};

class ArchiveAttributeTest : public ArchiveMaterialTest, public ::testing::WithParamInterface<AttributeCase>
{
};

TEST_P(ArchiveAttributeTest, WritesWithTheExactMaskAndReadsBackTheForm)
{
    const AttributeCase& c = GetParam();
    loadSample("materials.sbsar");
    const AttributeValuePtr a = attribute(material, c.id);
    ASSERT_FALSE(a.isNull());
    EXPECT_EQ(oxArchive::readAttribute(material, a), input(archive->graphs(), 0, c.id).value("VALUE"));

    EXPECT_TRUE(oxArchive::writeAttribute(material, a, c.written));
    const auto brackets = bracketsOn(a->getId());
    ASSERT_EQ(brackets.size(), 1u);
    EXPECT_EQ(brackets[0].mask, c.mask);
    const QVariant read = oxArchive::readAttribute(material, a);
    EXPECT_EQ(read.userType(), c.read.userType()) << read.typeName();
    EXPECT_EQ(read, c.read);
}

INSTANTIATE_TEST_SUITE_P(
    Types, ArchiveAttributeTest,
    ::testing::Values(
        AttributeCase{"roughness", QVariant(0.25), QVariant::fromValue(0.25f),
                      AttributeFloatValueBase::FloatValueFieldMask},
        AttributeCase{"tiling", QVariant::fromValue(QVector2D(3, 5)), QVariant::fromValue(QVector2D(3, 5)),
                      AttributeFloat2DValueBase::FloatVectorValueFieldMask},
        AttributeCase{"contrast", QVariant::fromValue(QVector3D(1, 0, 2)), QVariant::fromValue(QVector3D(1, 0, 2)),
                      AttributeFloat3DValueBase::FloatVectorValueFieldMask},
        AttributeCase{"tint", QVariant::fromValue(QVector4D(0.1f, 0.2f, 0.3f, 0.4f)),
                      QVariant::fromValue(QVector3D(0.1f, 0.2f, 0.3f)), AttributeFloat4DValueBase::ColorValueFieldMask},
        AttributeCase{"grain", QVariant::fromValue(QVector4D(0.1f, 0.2f, 0.3f, 0.4f)),
                      QVariant::fromValue(QVector4D(0.1f, 0.2f, 0.3f, 0.4f)),
                      AttributeFloat4DValueBase::ColorValueFieldMask},
        AttributeCase{"pattern", QVariant(2), QVariant(2), AttributeIntValueBase::IntValueFieldMask},
        AttributeCase{"$outputsize", QVariant::fromValue(QOXIntVector2D(10, 8)), v3(10, 8, 1),
                      AttributeInt2DValueBase::IntValueXFieldMask | AttributeInt2DValueBase::IntValueYFieldMask},
        AttributeCase{"knots", v3(7, 6, 5), v3(7, 6, 5),
                      AttributeInt3DValueBase::IntValueXFieldMask | AttributeInt3DValueBase::IntValueYFieldMask |
                          AttributeInt3DValueBase::IntValueZFieldMask},
        AttributeCase{"region", QVariant::fromValue(QOXIntVector4D(1, 2, 3, 4)),
                      QVariant::fromValue(QOXIntVector4D(1, 2, 3, 4)),
                      AttributeInt4DValueBase::IntValueXFieldMask | AttributeInt4DValueBase::IntValueYFieldMask |
                          AttributeInt4DValueBase::IntValueZFieldMask | AttributeInt4DValueBase::IntValueWFieldMask},
        AttributeCase{"notes", QVariant(QStringLiteral("Ash")), QVariant(QStringLiteral("Ash")),
                      AttributeStringValueBase::StringValueFieldMask},
        AttributeCase{"mask", QVariant::fromValue(oxdImage(0)), QVariant::fromValue(oxdImage(0)),
                      AttributeImageValueBase::ImageFieldMask}),
    [](const ::testing::TestParamInfo<AttributeCase>& info) {
        std::string name = info.param.id;
        name.erase(std::remove(name.begin(), name.end(), '$'), name.end());
        return name;
    });

TEST_F(ArchiveMaterialTest, OutputSizeWriteSetsTheMaterialsSyncFlag)
{
    loadSample("materials.sbsar");
    const AttributeValuePtr a = attribute(material, "$outputsize");
    for (int z : {0, 1, 2, 1})
    {
        EXPECT_TRUE(oxArchive::writeAttribute(material, a, v3(11, 10, z)));
        EXPECT_EQ(material->getSyncOutputSize(), z == 1) << z;
    }
    const auto brackets = bracketsOn(material->getId());
    ASSERT_EQ(brackets.size(), 4u);
    EXPECT_EQ(brackets[0].mask, USubstanceMaterialBase::SyncOutputSizeFieldMask);
    EXPECT_EQ(oxArchive::readAttribute(material, a), v3(11, 10, 1));
    EXPECT_FALSE(oxArchive::readAttribute(USubstanceMaterialPtr(), a).isValid());
    EXPECT_TRUE(oxArchive::writeAttribute(USubstanceMaterialPtr(), a, v3(9, 9, 0)));
    EXPECT_TRUE(material->getSyncOutputSize());
}

TEST_F(ArchiveMaterialTest, AttributeAccessRefusesNullAndInvalid)
{
    loadSample("materials.sbsar");
    EXPECT_FALSE(oxArchive::readAttribute(material, AttributeValuePtr()).isValid());
    EXPECT_FALSE(oxArchive::writeAttribute(material, AttributeValuePtr(), QVariant(1)));
    EXPECT_FALSE(oxArchive::writeAttribute(material, attribute(material, "pattern"), QVariant()));
    EXPECT_TRUE(attribute(material, "$time").isNull()) << "hidden inputs have no attribute";
    EXPECT_TRUE(oxArchive::findAttribute(USubstanceGraphPtr(), "pattern").isNull());
    EXPECT_TRUE(bracketsOn(attribute(material, "pattern")->getId()).empty());
}

// ---------------------------------------------------------------- updateInputs(materialId)

TEST_F(ArchiveMaterialTest, UpdateFromMaterialReadsTheAttributesBack)
{
    loadSample("materials.sbsar");
    oxArchive::writeAttribute(material, attribute(material, "roughness"), QVariant::fromValue(0.9f));
    oxArchive::writeAttribute(material, attribute(material, "notes"), QVariant(QStringLiteral("Elm")));
    oxArchive::writeAttribute(material, attribute(material, "$outputsize"), v3(10, 11, 0));
    archive->updateInputs("Wood", "$time", QVariant::fromValue(4.f));

    archive->updateInputs(material->getId());
    EXPECT_EQ(oxStandIn::archiveCallCount("updateInputs"), 2);
    const auto values = archive->getActiveGraphValues();
    EXPECT_EQ(values.at("roughness").value, QVariant::fromValue(0.9f));
    EXPECT_EQ(values.at("notes").value, QVariant(QStringLiteral("Elm")));
    EXPECT_EQ(values.at("$outputsize").value, v3(10, 11, 0));
    EXPECT_EQ(values.at("pattern").value, QVariant(1));
    EXPECT_EQ(input(archive->graphs(), 0, "$time").value("VALUE"), QVariant::fromValue(4.f));
}

TEST_F(ArchiveMaterialTest, UpdateFromMaterialAdoptsItsActiveGraph)
{
    loadSample("multigraph.sbsar");
    addGraph(material, *archive, 1);
    {
        osgEdit edit(material, USubstanceMaterialBase::ActiveGraphIndexFieldMask);
        material->setActiveGraphIndex(1);
    }
    oxArchive::writeAttribute(material, attribute(material, "tiles"), QVariant(3));
    archive->updateInputs(material->getId());
    EXPECT_EQ(archive->activeGraphIndex(), 1);
    EXPECT_EQ(archive->getActiveGraphValues().at("tiles").value, QVariant(3));
}

TEST_F(ArchiveMaterialTest, UpdateFromAnUnknownMaterialDoesNothing)
{
    loadSample("materials.sbsar");
    archive->updateInputs(0u);
    archive->updateInputs(hold(osg::Image::create())->getId());
    USubstanceMaterialPtr bare = hold(USubstanceMaterial::create());
    archive->updateInputs(bare->getId());
    EXPECT_EQ(archive->getActiveGraphValues().at("roughness").value, QVariant::fromValue(0.35f));
}

// ---------------------------------------------------------------- applyState

TEST_F(ArchiveMaterialTest, ApplyStateWritesChangedValuesRecordsTheIndexAndRenders)
{
    loadSample("materials.sbsar");
    const osg::UInt32 knots = attribute(material, "knots")->getId();
    material->applyState(1, false); // "Dark Walnut"

    EXPECT_EQ(attributeValue("$outputsize"), v3(10, 10, 1));
    EXPECT_EQ(attributeValue("roughness"), QVariant::fromValue(0.6f));
    EXPECT_EQ(attributeValue("tint"), QVariant::fromValue(QVector3D(0.35f, 0.2f, 0.1f)));
    EXPECT_EQ(attributeValue("pattern"), QVariant(2));
    EXPECT_EQ(attributeValue("tiling"), QVariant::fromValue(QVector2D(4, 4)));
    EXPECT_EQ(attributeValue("notes"), QVariant(QStringLiteral("Walnut")));
    EXPECT_EQ(material->getLastActivatedPreset(), 1);
    EXPECT_TRUE(bracketsOn(knots).empty()) << "unchanged values are not written";

    EXPECT_EQ(oxStandIn::archiveCallCount("applyPreset"), 1);
    EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 1);
    EXPECT_FALSE(settings("diffuse")->getImage().isNull());

    std::vector<osg::BitVector> masks;
    for (const auto& r : bracketsOn(material->getId()))
        masks.push_back(r.mask);
    EXPECT_NE(std::find(masks.begin(), masks.end(), USubstanceMaterialBase::LastActivatedPresetFieldMask),
              masks.end());
}

TEST_F(ArchiveMaterialTest, ApplyStateWithDefaultOutputSize)
{
    loadSample("materials.sbsar");
    oxArchive::writeAttribute(material, attribute(material, "$outputsize"), v3(12, 11, 0));
    archive->updateInputs(material->getId());
    QSubstanceArchive::setDefaultSyncOutputSize(true);

    material->applyState(1, true);
    EXPECT_EQ(attributeValue("$outputsize"), v3(9, 9, 1));
    EXPECT_TRUE(material->getSyncOutputSize());
    EXPECT_EQ(attributeValue("roughness"), QVariant::fromValue(0.6f));

    material->applyState(0, false); // "Light Oak" names no size
    EXPECT_EQ(attributeValue("$outputsize"), v3(9, 9, 1));
    EXPECT_EQ(attributeValue("roughness"), QVariant::fromValue(0.25f));
    EXPECT_EQ(attributeValue("tiling"), QVariant::fromValue(QVector2D(1, 1))) << "left out: back to default";
    EXPECT_EQ(material->getLastActivatedPreset(), 0);
}

struct NoApplyCase
{
    const char* name;
    osg::UInt32 index;
    bool loaded;
    bool nullSlot;
    int applyPresetCalls;
};

class ArchiveNoApplyTest : public ArchiveMaterialTest, public ::testing::WithParamInterface<NoApplyCase>
{
};

TEST_P(ArchiveNoApplyTest, ChangesNothing)
{
    const NoApplyCase& c = GetParam();
    loadSample("materials.sbsar");
    if (c.nullSlot)
        material->addPreset(SubstancePresetPtr());
    if (!c.loaded)
        oxSubstanceArchiveFactory::instance().releaseMaterialArchive(material->getId());
    oxStandIn::clearEditLog();
    oxStandIn::clearArchiveCalls();

    material->applyState(c.index, true);
    EXPECT_EQ(material->getLastActivatedPreset(), -1);
    EXPECT_EQ(oxStandIn::archiveCallCount("applyPreset"), c.applyPresetCalls);
    EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 0);
    EXPECT_TRUE(oxStandIn::editLog().empty());
    EXPECT_EQ(attributeValue("roughness"), QVariant::fromValue(0.35f));
}

INSTANTIATE_TEST_SUITE_P(Cases, ArchiveNoApplyTest,
                         ::testing::Values(NoApplyCase{"IndexPastTheEnd", 2, true, false, 0},
                                           NoApplyCase{"HugeIndex", 0xFFFFFFFFu, true, false, 0},
                                           NoApplyCase{"EmptyArchive", 0, false, false, 0},
                                           NoApplyCase{"NullSlot", 2, true, true, 1}),
                         [](const ::testing::TestParamInfo<NoApplyCase>& info) { return std::string(info.param.name); });

} // namespace
