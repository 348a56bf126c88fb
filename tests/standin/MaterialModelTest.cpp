// The stand-in's material model: ownership cascades, list operations with
// their references and brackets, group and attribute lookup, colour
// components, environment materials and the preset render cache.

#include "Materials.h"
#include "oxHostFixture.h"
#include "oxHostUtils.h"

#include <functional>
#include <string>
#include <utility>
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

/// Appends the value to the group, which takes a reference.
AttributeValuePtr appendValue(const AttributeGroupPtr& group, const AttributeValuePtr& value,
                              const std::string& name = "", const std::string& uuid = "")
{
    {
        osgEdit edit(value, AttributeValue::NameFieldMask | AttributeValue::UuidFieldMask);
        value->setName(name);
        value->setUuid(uuid);
    }
    osgEdit edit(group, AttributeGroup::PropertiesFieldMask);
    osg::addRef(value);
    group->editProperties().push_back(value);
    return value;
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
    appendValue(appendGroup(graph, "G", false), imageValue);
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

TEST_F(MaterialModelTest, CallerBracketedListsReleaseTheirElements)
{
    AttributeGroupPtr group = hold(AttributeGroup::create());
    AttributeStringValuePtr kept = hold(AttributeStringValue::create());
    appendValue(group, kept);
    const osg::UInt32 droppedId = appendValue(group, AttributeIntValue::create())->getId();
    osgEdit edit(group, AttributeGroup::PropertiesFieldMask);
    group->clearAttributes();
    EXPECT_EQ(kept->getRefCount(), 1);
    EXPECT_FALSE(alive(droppedId));

    SubstancePresetPtr preset = hold(SubstancePreset::create("p", "", ""));
    ImagePtr image = hold(oxImageCreator::createDummyImage(1, 2, 3));
    osgEdit presetEdit(preset, SubstancePreset::CachedImagesFieldMask);
    preset->addImage(image);
    preset->addImage(ImagePtr());
    EXPECT_EQ(preset->getCachedImages().size(), 1u);
    EXPECT_EQ(image->getRefCount(), 2);
    EXPECT_EQ(logLines(), std::vector<std::string>{"warning: Preset \"p\": a null image is not cached."});
    preset->clearImages();
    EXPECT_EQ(image->getRefCount(), 1);
}

TEST_F(MaterialModelTest, GraphListCountsReferencesAndFollowsTheActiveIndex)
{
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    USubstanceGraphPtr held = hold(USubstanceGraph::create());
    USubstanceGraphPtr owned = USubstanceGraph::create();
    const osg::UInt32 ownedId = owned->getId();
    material->addGraph(held);
    material->addGraph(owned);
    EXPECT_EQ(held->getRefCount(), 2);
    EXPECT_EQ(bracketsOn(material->getId())[0].mask, USubstanceMaterial::SubstanceGraphsFieldMask);
    const std::pair<osg::Int32, USubstanceGraphPtr> active[] = {{-1, {}}, {0, held}, {1, owned}, {2, {}}};
    for (const auto& c : active)
    {
        {
            osgEdit edit(material, USubstanceMaterial::ActiveGraphIndexFieldMask);
            material->setActiveGraphIndex(c.first);
        }
        EXPECT_EQ(material->getActiveGraph(), c.second) << c.first;
        EXPECT_EQ(material->getActiveAttributeGroups(), c.second.isNull() ? nullptr : &c.second->getAttributeGroups());
    }
    material->clearGraphs();
    EXPECT_TRUE(material->getSubstanceGraphs().empty());
    EXPECT_EQ(held->getRefCount(), 1);
    EXPECT_FALSE(alive(ownedId));
}

TEST_F(MaterialModelTest, PresetSlotsHoldOneReferenceEach)
{
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    const SubstancePresetPtr none;
    SubstancePresetPtr a = hold(SubstancePreset::create("a", "", ""));
    SubstancePresetPtr b = hold(SubstancePreset::create("b", "", ""));
    SubstancePresetPtr c = hold(SubstancePreset::create("c", "", ""));
    material->addPreset(a);
    material->addPreset(none);
    material->insertPreset(b, 0);
    material->insertPreset(c, 0xFFFFFFFFu);
    material->insertPreset(a, 3);
    EXPECT_EQ(presetsOf(material), (Presets{b, a, none, a, c}));
    EXPECT_EQ(a->getRefCount(), 3);
    osg::UInt32 index = 99;
    EXPECT_TRUE(material->findPreset(a, &index));
    EXPECT_EQ(index, 1u);

    material->removePreset(a);
    EXPECT_EQ(presetsOf(material), (Presets{b, none, a, c}));
    EXPECT_EQ(a->getRefCount(), 2);
    material->removePreset(material->getSubstancePresets()[0]); // refers to the slot being erased
    EXPECT_EQ(presetsOf(material), (Presets{none, a, c}));
    EXPECT_EQ(b->getRefCount(), 1);
    oxStandIn::clearEditLog();
    material->removePreset(hold(SubstancePreset::create("stranger", "", "")));
    EXPECT_EQ(presetsOf(material).size(), 3u);
    EXPECT_TRUE(oxStandIn::editLog().empty());

    material->clearPresets();
    EXPECT_TRUE(material->getSubstancePresets().empty());
    EXPECT_EQ(a->getRefCount() + b->getRefCount() + c->getRefCount(), 3);
    material->addPreset("d", "<sbspreset/>", "/x.sbsprs");
    const SubstancePresetPtr d = material->getSubstancePresets()[0];
    const osg::UInt32 dId = d->getId();
    EXPECT_EQ(d->getRefCount(), 1);
    material->removePreset(d);
    EXPECT_FALSE(alive(dId));
}

TEST_F(MaterialModelTest, GroupsAndAttributesAreLookedUpByExactNameAndUuid)
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
        {"", shared}, {"Common", ordinaryCommon}, {"A", firstA}, {"common", {}}, {"B", {}}};
    for (const auto& c : groups)
        EXPECT_EQ(graph->getAttributeGroup(c.first), c.second) << '"' << c.first << '"';
    USubstanceGraphPtr noShared = hold(USubstanceGraph::create());
    appendGroup(noShared, "Common", false);
    EXPECT_TRUE(noShared->getAttributeGroup("").isNull());

    {
        osgEdit edit(firstA, AttributeGroup::PropertiesFieldMask);
        firstA->editProperties().push_back(AttributeValuePtr());
    }
    const AttributeValuePtr rough = appendValue(firstA, AttributeFloatValue::create(), "roughness", "rough_id");
    appendValue(firstA, AttributeIntValue::create(), "rough_id", "other");
    appendValue(firstA, AttributeStringValue::create(), "second", "rough_id");
    EXPECT_EQ(firstA->getAttribute("rough_id"), rough);
    EXPECT_TRUE(firstA->getAttribute("roughness").isNull());
}

TEST_F(MaterialModelTest, ColourComponentsOnePerTypeIdFoundByExactName)
{
    std::vector<std::string> names;
    for (int id = -1; id <= ColorComponents::getComponentTypeCount(); ++id)
        names.push_back(ColorComponents::getComponentTypeIdToString(id));
    EXPECT_EQ(names, (std::vector<std::string>{"", "diffuse", "specular", "roughness", "metallic", "incandescence",
                                               "normal", "cutout", "height", "anisotropy", ""}));
    const ColorComponentsPtr components = hold(USubstanceMaterial::create())->getColorComponentData();
    EXPECT_EQ(components->getAllComponents().size(), 9u);
    EXPECT_EQ(components->getComponentSettings("cutout"), components->getAllComponents()[6]);
    EXPECT_TRUE(components->getComponentSettings("Diffuse").isNull());
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
    environment->setTextureGeneratorMaterial(USubstanceMaterialPtr());
    EXPECT_TRUE(held->getParentEnvironmentMaterial().isNull());

    environment->setTextureGeneratorMaterial(held);
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
    for (const char* name : {"red", "green", "blue"})
        material->addPreset(name, "", "");
    const ComponentSettingsPtr diffuse = material->getColorComponentData()->getComponentSettings("diffuse");
    // Puts a new image of one grey level on the diffuse component.
    const auto render = [&](osg::UInt8 level, bool useTexture) {
        osgEdit edit(diffuse, ComponentSettings::ImageFieldMask | ComponentSettings::UseTextureFieldMask);
        diffuse->setUseTexture(useTexture);
        diffuse->setImage(oxImageCreator::createDummyImage(level, level, level));
    };
    // Applies a cached preset; the grey level that it put on the diffuse component.
    const auto applied = [&](osg::UInt32 index) {
        material->applyCachedPreset(index);
        return diffuse->getImage()->getPixel(0, 0)[0] * 255.0f;
    };
    for (osg::UInt8 level : {9, 1, 2, 0})
    {
        render(level, true);
        material->cacheRenderResult(level == 9 ? 0 : level);
    }
    // Renders may change the component's image in place: the cache keeps its own copy.
    diffuse->getImage()->setUniformColor(4, 4, 99, 99, 99);
    render(200, false);
    const osg::UInt32 renderedId = diffuse->getImage()->getId();
    EXPECT_NEAR(applied(1), 1.0f, 1e-3f);
    EXPECT_TRUE(diffuse->getUseTexture());
    EXPECT_FALSE(alive(renderedId));
    EXPECT_EQ(diffuse->getImage()->getRefCount(), 1);
    diffuse->getImage()->setUniformColor(4, 4, 99, 99, 99);
    EXPECT_NEAR(applied(1), 1.0f, 1e-3f) << "the applied image is a copy";
    EXPECT_NEAR(applied(0), 0.0f, 1e-3f) << "caching again replaces the entry";

    material->insertPreset(hold(SubstancePreset::create("new", "", "")), 1);
    EXPECT_FALSE(material->isPresetCached(1));
    EXPECT_NEAR(applied(2), 1.0f, 1e-3f);
    EXPECT_NEAR(applied(3), 2.0f, 1e-3f);
    const SubstancePresetPtr red = material->getSubstancePresets()[0];
    material->removePreset(red);
    EXPECT_FALSE(material->isPresetCached(0) || material->isPresetCached(3));
    EXPECT_NEAR(applied(1), 1.0f, 1e-3f);
    EXPECT_NEAR(applied(2), 2.0f, 1e-3f);

    const ImagePtr before = diffuse->getImage();
    const std::size_t live = oxStandIn::liveContainerCount();
    material->clearPresetCache();
    EXPECT_EQ(oxStandIn::liveContainerCount(), live - 2);
    material->applyCachedPreset(2);
    EXPECT_EQ(diffuse->getImage(), before);
    EXPECT_EQ(logLines(), std::vector<std::string>{"warning: Material Wood: no cached render for preset 2."});
    material->cacheRenderResult(0);
    material->clearPresets();
    EXPECT_FALSE(material->isPresetCached(0));
}

} // namespace
