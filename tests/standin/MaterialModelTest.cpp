// The stand-in's material model: destruction cascades, references held by
// image fields and preset slots, the shared "Common" group, environment
// materials and the preset render cache.

#include "Materials.h"
#include "QSubstanceArchive.h"
#include "oxHostFixture.h"
#include "oxHostUtils.h"

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

using MaterialModelTest = oxHostTest;
using Presets = std::vector<SubstancePresetPtr>;

Presets presetsOf(const USubstanceMaterialPtr& material)
{
    return Presets(material->getSubstancePresets().begin(), material->getSubstancePresets().end());
}

bool alive(osg::UInt32 id)
{
    return !osg::FieldContainerFactory::the()->getContainer(id).isNull();
}

/// A new group appended to the graph, which holds the only reference.
AttributeGroupPtr appendGroup(const USubstanceGraphPtr& graph, const std::string& name, bool common)
{
    AttributeGroupPtr group = AttributeGroup::create();
    {
        osgEdit edit(group, AttributeGroup::NameFieldMask | AttributeGroup::CommonFieldMask);
        group->setName(name);
        group->setCommon(common);
    }
    osgEdit edit(graph, USubstanceGraph::AttributeGroupsFieldMask);
    osg::addRef(group);
    graph->editAttributeGroups().push_back(group);
    return group;
}

TEST_F(MaterialModelTest, DestroyingAMaterialReleasesEverythingItHolds)
{
    const std::size_t before = oxStandIn::liveContainerCount();
    USubstanceMaterialPtr material = USubstanceMaterial::create();
    osg::addRef(material);
    USubstanceGraphPtr shared = hold(USubstanceGraph::create());
    USubstanceGraphPtr graph = USubstanceGraph::create();
    material->addGraph(shared);
    material->addGraph(graph);
    AttributeImageValuePtr imageValue = AttributeImageValue::create();
    {
        const AttributeGroupPtr group = appendGroup(graph, "G", false);
        osgEdit edit(group, AttributeGroup::PropertiesFieldMask);
        osg::addRef(imageValue);
        group->editProperties().push_back(imageValue);
    }
    material->addPreset("p", "", "");
    SubstancePresetPtr preset = material->getSubstancePresets()[0];
    ComponentSettingsPtr diffuse = material->getColorComponentData()->getComponentSettings("diffuse");
    {
        osgEdit e1(imageValue, AttributeImageValue::ImageFieldMask);
        imageValue->setImage(oxImageCreator::createDummyImage(1, 1, 1));
        osgEdit e2(preset, SubstancePreset::CachedImagesFieldMask);
        preset->addImage(oxImageCreator::createDummyImage(2, 2, 2));
        osgEdit e3(diffuse, ComponentSettings::ImageFieldMask);
        diffuse->setImage(oxImageCreator::createDummyImage(3, 3, 3));
        osgEdit e4(material, USubstanceMaterial::IncandescenceMapFieldMask);
        material->setIncandescenceMap(oxImageCreator::createDummyImage(4, 4, 4));
    }
    material->cacheRenderResult(0);
    EXPECT_EQ(shared->getRefCount(), 2);

    osg::subRef(material);
    EXPECT_EQ(shared->getRefCount(), 1);
    EXPECT_EQ(oxStandIn::liveContainerCount(), before + 1);
}

TEST_F(MaterialModelTest, ImageFieldsHoldOneReferenceAndSurviveTheSameImageAgain)
{
    AttributeImageValuePtr value = hold(AttributeImageValue::create());
    ComponentSettingsPtr settings = hold(ComponentSettings::create());
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    osgEdit e1(value, AttributeImageValue::ImageFieldMask);
    osgEdit e2(settings, ComponentSettings::ImageFieldMask);
    osgEdit e3(material, USubstanceMaterial::IncandescenceMapFieldMask);
    const std::function<void(const ImagePtr&)> setters[] = {
        [&](const ImagePtr& image) { value->setImage(image); },
        [&](const ImagePtr& image) { settings->setImage(image); },
        [&](const ImagePtr& image) { material->setIncandescenceMap(image); }};
    for (const auto& set : setters)
    {
        ImagePtr image = oxImageCreator::createDummyImage(1, 1, 1);
        const osg::UInt32 id = image->getId();
        set(image);
        set(image);
        ASSERT_TRUE(alive(id));
        EXPECT_EQ(image->getRefCount(), 1);
        set(ImagePtr());
        EXPECT_FALSE(alive(id));
    }
}

TEST_F(MaterialModelTest, PresetSlotsHoldOneReferenceEach)
{
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    const SubstancePresetPtr none;
    SubstancePresetPtr a = hold(SubstancePreset::create("a", "", ""));
    SubstancePresetPtr b = hold(SubstancePreset::create("b", "", ""));
    material->addPreset(a);
    material->addPreset(none);
    material->insertPreset(b, 0);
    material->insertPreset(a, 0xFFFFFFFFu);
    EXPECT_EQ(presetsOf(material), (Presets{b, a, none, a}));
    EXPECT_EQ(a->getRefCount(), 3);

    material->removePreset(a);
    EXPECT_EQ(presetsOf(material), (Presets{b, none, a}));
    EXPECT_EQ(a->getRefCount(), 2);
    material->removePreset(material->getSubstancePresets()[0]); // refers to the slot being erased
    EXPECT_EQ(presetsOf(material), (Presets{none, a}));
    EXPECT_EQ(b->getRefCount(), 1);
    oxStandIn::clearEditLog();
    material->removePreset(hold(SubstancePreset::create("stranger", "", "")));
    EXPECT_TRUE(oxStandIn::editLog().empty());

    material->clearPresets();
    EXPECT_TRUE(material->getSubstancePresets().empty());
    EXPECT_EQ(a->getRefCount() + b->getRefCount(), 2);
}

TEST_F(MaterialModelTest, SharedGroupIsFoundByTheEmptyNameAndOrdinaryGroupsByTheirName)
{
    USubstanceGraphPtr graph = hold(USubstanceGraph::create());
    {
        osgEdit edit(graph, USubstanceGraph::AttributeGroupsFieldMask);
        graph->editAttributeGroups().push_back(AttributeGroupPtr());
    }
    const AttributeGroupPtr firstA = appendGroup(graph, "A", false);
    const AttributeGroupPtr shared = appendGroup(graph, "Common", true);
    const AttributeGroupPtr ordinaryCommon = appendGroup(graph, "Common", false);
    appendGroup(graph, "A", false);
    const std::pair<const char*, AttributeGroupPtr> groups[] = {
        {"", shared}, {"Common", ordinaryCommon}, {"A", firstA}, {"common", {}}};
    for (const auto& c : groups)
        EXPECT_EQ(graph->getAttributeGroup(c.first), c.second) << '"' << c.first << '"';
    USubstanceGraphPtr noShared = hold(USubstanceGraph::create());
    appendGroup(noShared, "Common", false);
    EXPECT_TRUE(noShared->getAttributeGroup("").isNull());
}

TEST_F(MaterialModelTest, EnvironmentHoldsItsGeneratorAndIsItsParent)
{
    USubstanceEnvironmentMaterialPtr environment = USubstanceEnvironmentMaterial::create();
    osg::addRef(environment);
    USubstanceMaterialPtr owned = USubstanceMaterial::create();
    const osg::UInt32 ownedId = owned->getId();
    USubstanceMaterialPtr held = hold(USubstanceMaterial::create());
    environment->setTextureGeneratorMaterial(owned);
    environment->setTextureGeneratorMaterial(owned);
    ASSERT_TRUE(alive(ownedId));
    EXPECT_EQ(owned->getParentEnvironmentMaterial(), environment);
    environment->setTextureGeneratorMaterial(held);
    EXPECT_FALSE(alive(ownedId));
    EXPECT_EQ(held->getRefCount(), 2);

    osg::subRef(environment);
    EXPECT_EQ(held->getRefCount(), 1);
    EXPECT_TRUE(held->getParentEnvironmentMaterial().isNull());
}

TEST_F(MaterialModelTest, PresetCacheKeepsCopiesThatFollowTheirPresets)
{
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    {
        osgEdit edit(material, USubstanceMaterial::NameFieldMask);
        material->setName("Wood");
    }
    // An archive whose input values the entries record.
    bool created = false;
    const auto archive = oxSubstanceArchiveFactory::instance().getMaterialArchive(material->getId(), created);
    QSubstanceBinaryDiskReader reader(QString::fromStdString(samplePath("materials.sbsar")), nullptr);
    ASSERT_TRUE(archive->import(reader));
    for (const char* name : {"red", "green", "blue"})
        material->addPreset(name, "", "");
    const ComponentSettingsPtr diffuse = material->getColorComponentData()->getComponentSettings("diffuse");
    // Applies a cached preset; the grey level that it put on the diffuse component.
    const auto applied = [&](osg::UInt32 index) {
        material->applyCachedPreset(index);
        return int(std::lround(diffuse->getImage()->getPixel(0, 0)[0] * 255.0f));
    };
    for (osg::UInt8 level : {9, 1, 2, 0}) // 0 replaces the entry of 9
    {
        osgEdit edit(diffuse, ComponentSettings::ImageFieldMask | ComponentSettings::UseTextureFieldMask);
        diffuse->setUseTexture(level == 1);
        diffuse->setImage(oxImageCreator::createDummyImage(level, level, level));
        material->cacheRenderResult(level == 9 ? 0 : level);
    }
    // Renders may change the component's image in place: cached and applied images are copies.
    diffuse->getImage()->setUniformColor(4, 4, 99, 99, 99);
    EXPECT_EQ(applied(1), 1);
    EXPECT_TRUE(diffuse->getUseTexture());
    diffuse->getImage()->setUniformColor(4, 4, 99, 99, 99);
    EXPECT_EQ((std::vector<int>{applied(1), applied(0)}), (std::vector<int>{1, 0}));

    material->insertPreset(hold(SubstancePreset::create("new", "", "")), 1);
    EXPECT_FALSE(material->isPresetCached(1));
    EXPECT_EQ((std::vector<int>{applied(0), applied(2), applied(3)}), (std::vector<int>{0, 1, 2}));
    material->removePreset(material->getSubstancePresets()[0]);
    EXPECT_FALSE(material->isPresetCached(0) || material->isPresetCached(3));
    EXPECT_EQ((std::vector<int>{applied(1), applied(2)}), (std::vector<int>{1, 2}));

    // A reorder (clear, then add back in the new order) keeps every entry with its preset.
    std::vector<SubstancePresetPtr> order;
    for (osg::UInt32 from : {2u, 0u, 1u})
        order.push_back(hold(material->getSubstancePresets()[from]));
    material->clearPresets();
    for (const SubstancePresetPtr& preset : order)
        material->addPreset(preset);
    EXPECT_EQ((std::vector<int>{applied(0), applied(2)}), (std::vector<int>{2, 1}));
    EXPECT_FALSE(material->isPresetCached(1));

    // A changed content, another active graph or other input values make an entry
    // stale; with the old ones it is valid again.
    const SubstancePresetPtr blue = material->getSubstancePresets()[0];
    const std::vector<std::function<void(bool)>> changes{
        [&](bool on) {
            osgEdit edit(blue, SubstancePreset::ContentFieldMask);
            blue->setContent(on ? "<x/>" : "");
        },
        [&](bool on) {
            osgEdit edit(material, USubstanceMaterial::ActiveGraphIndexFieldMask);
            material->setActiveGraphIndex(on ? 1 : 0);
        },
        [&](bool on) { archive->updateInputs("Wood", "roughness", on ? 0.9f : 0.35f); }};
    for (const auto& change : changes)
    {
        change(true);
        EXPECT_FALSE(material->isPresetCached(0));
        change(false);
        EXPECT_TRUE(material->isPresetCached(0));
    }

    // A render drops the entries of presets that left the list (here the removed "red").
    const std::size_t live = oxStandIn::liveContainerCount();
    material->cacheRenderResult(1);
    EXPECT_EQ(oxStandIn::liveContainerCount(), live);
    material->clearPresetCache();
    EXPECT_EQ(oxStandIn::liveContainerCount(), live - 3);
    material->applyCachedPreset(2);
    EXPECT_EQ(logLines(), std::vector<std::string>{"warning: Material Wood: no cached render for preset 2."});

    // Null slots and indexes outside the list are never cached.
    material->addPreset(SubstancePresetPtr());
    for (osg::UInt32 index : {3u, 4u})
    {
        material->cacheRenderResult(index);
        EXPECT_FALSE(material->isPresetCached(index));
    }
}

} // namespace
