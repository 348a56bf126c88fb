// The stand-in's material model: ownership cascades, list operations and
// their references and brackets, group and attribute lookup, colour
// components, environment materials and the preset render cache.

#include "Materials.h"
#include "oxHostFixture.h"
#include "oxHostUtils.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Presets = std::vector<SubstancePresetPtr>;

Presets presetsOf(const USubstanceMaterialPtr& material)
{
    return Presets(material->getSubstancePresets().begin(), material->getSubstancePresets().end());
}

bool alive(osg::UInt32 id)
{
    return !osg::FieldContainerFactory::the()->getContainer(id).isNull();
}

AttributeGroupPtr makeGroup(const std::string& name, bool common)
{
    AttributeGroupPtr group = AttributeGroup::create();
    osgEdit edit(group, AttributeGroup::NameFieldMask | AttributeGroup::CommonFieldMask);
    group->setName(name);
    group->setCommon(common);
    return group;
}

void appendGroup(const USubstanceGraphPtr& graph, const AttributeGroupPtr& group)
{
    osgEdit edit(graph, USubstanceGraph::AttributeGroupsFieldMask);
    osg::addRef(group);
    graph->editAttributeGroups().push_back(group);
}

template <class Ptr>
Ptr makeValue(Ptr value, const std::string& name, const std::string& uuid)
{
    osgEdit edit(value, AttributeValue::NameFieldMask | AttributeValue::UuidFieldMask);
    value->setName(name);
    value->setUuid(uuid);
    return value;
}

void appendValue(const AttributeGroupPtr& group, const AttributeValuePtr& value)
{
    osgEdit edit(group, AttributeGroup::PropertiesFieldMask);
    osg::addRef(value);
    group->editProperties().push_back(value);
}

/// Brackets (begin records) on a container with exactly this mask.
std::size_t bracketsWithMask(const std::vector<oxStandIn::EditRecord>& records, osg::BitVector mask)
{
    std::size_t n = 0;
    for (const oxStandIn::EditRecord& r : records)
        n += r.mask == mask ? 1 : 0;
    return n;
}

// ---------------------------------------------------------------- ownership

class OwnershipTest : public oxHostTest
{
};

TEST_F(OwnershipTest, MaterialDestructionReleasesEverythingItHolds)
{
    const std::size_t before = oxStandIn::liveContainerCount();
    USubstanceMaterialPtr material = USubstanceMaterial::create();
    osg::addRef(material);

    USubstanceGraphPtr graph = USubstanceGraph::create();
    AttributeGroupPtr group = makeGroup("G", false);
    AttributeImageValuePtr imageValue = AttributeImageValue::create();
    AttributeFloatValuePtr floatValue = AttributeFloatValue::create();
    ImagePtr valueImage = oxImageCreator::createDummyImage(1, 1, 1);
    {
        osgEdit edit(imageValue, AttributeImageValue::ImageFieldMask);
        imageValue->setImage(valueImage);
    }
    appendValue(group, imageValue);
    appendValue(group, floatValue);
    appendGroup(graph, group);
    material->addGraph(graph);

    material->addPreset("p", "<sbspreset/>", "");
    SubstancePresetPtr preset = material->getSubstancePresets()[0];
    {
        osgEdit edit(preset, SubstancePreset::CachedImagesFieldMask);
        preset->addImage(oxImageCreator::createDummyImage(2, 2, 2));
    }
    {
        osgEdit edit(material, USubstanceMaterial::IncandescenceMapFieldMask);
        material->setIncandescenceMap(oxImageCreator::createDummyImage(3, 3, 3));
    }
    ComponentSettingsPtr diffuse = material->getColorComponentData()->getComponentSettings("diffuse");
    {
        osgEdit edit(diffuse, ComponentSettings::ImageFieldMask);
        diffuse->setImage(oxImageCreator::createDummyImage(4, 4, 4));
    }
    USubstanceMaterial::enablePresetCache(true);
    material->cacheRenderResult(0);

    EXPECT_EQ(graph->getRefCount(), 1);
    EXPECT_EQ(group->getRefCount(), 1);
    EXPECT_EQ(imageValue->getRefCount(), 1);
    EXPECT_EQ(valueImage->getRefCount(), 1);
    EXPECT_EQ(preset->getRefCount(), 1);
    EXPECT_EQ(material->getColorComponentData()->getRefCount(), 1);

    const std::vector<osg::UInt32> ids = {graph->getId(), group->getId(), imageValue->getId(),
                                          floatValue->getId(), valueImage->getId(), preset->getId(),
                                          diffuse->getId()};
    osg::subRef(material);
    for (osg::UInt32 id : ids)
        EXPECT_FALSE(alive(id)) << "container #" << id;
    EXPECT_EQ(oxStandIn::liveContainerCount(), before);
}

TEST_F(OwnershipTest, ReferencesHeldElsewhereKeepPartsAlive)
{
    USubstanceMaterialPtr material = USubstanceMaterial::create();
    osg::addRef(material);
    USubstanceGraphPtr graph = hold(USubstanceGraph::create());
    material->addGraph(graph);
    EXPECT_EQ(graph->getRefCount(), 2);
    osg::subRef(material);
    EXPECT_EQ(graph->getRefCount(), 1);
    EXPECT_TRUE(alive(graph->getId()));
}

TEST_F(OwnershipTest, ImageFieldsTakeAndGiveBackReferences)
{
    ImagePtr first = hold(oxImageCreator::createDummyImage(0, 0, 0));
    ImagePtr second = hold(oxImageCreator::createDummyImage(9, 9, 9));
    AttributeImageValuePtr value = hold(AttributeImageValue::create());
    ComponentSettingsPtr settings = hold(ComponentSettings::create());
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());

    osgEdit e1(value, AttributeImageValue::ImageFieldMask);
    osgEdit e2(settings, ComponentSettings::ImageFieldMask);
    osgEdit e3(material, USubstanceMaterial::IncandescenceMapFieldMask);
    value->setImage(first);
    settings->setImage(first);
    material->setIncandescenceMap(first);
    EXPECT_EQ(first->getRefCount(), 4);

    // Setting the same image again keeps one reference per holder.
    value->setImage(first);
    settings->setImage(first);
    material->setIncandescenceMap(first);
    EXPECT_EQ(first->getRefCount(), 4);

    value->setImage(second);
    settings->setImage(second);
    material->setIncandescenceMap(ImagePtr());
    EXPECT_EQ(first->getRefCount(), 1);
    EXPECT_EQ(second->getRefCount(), 3);
    EXPECT_TRUE(material->getIncandescenceMap().isNull());
}

TEST_F(OwnershipTest, ClearAttributesReleasesValuesAndIsBracketedByTheCaller)
{
    AttributeGroupPtr group = hold(AttributeGroup::create());
    AttributeStringValuePtr kept = hold(AttributeStringValue::create());
    AttributeIntValuePtr dropped = AttributeIntValue::create();
    const osg::UInt32 droppedId = dropped->getId();
    appendValue(group, kept);
    appendValue(group, dropped);
    oxStandIn::clearEditLog();

    {
        osgEdit edit(group, AttributeGroup::PropertiesFieldMask);
        group->clearAttributes();
    }
    EXPECT_TRUE(group->getProperties().empty());
    EXPECT_EQ(kept->getRefCount(), 1);
    EXPECT_FALSE(alive(droppedId));
    EXPECT_EQ(bracketsOn(group->getId()).size(), 1u);

    checkEdits = false;
    group->clearAttributes();
    ASSERT_EQ(oxStandIn::editViolations().size(), 1u);
    EXPECT_EQ(oxStandIn::editViolations()[0].mask, AttributeGroup::PropertiesFieldMask);
}

// ---------------------------------------------------------------- graph list

class GraphListTest : public oxHostTest
{
};

TEST_F(GraphListTest, AddAndClearBracketThemselvesAndCountReferences)
{
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    USubstanceGraphPtr held = hold(USubstanceGraph::create());
    USubstanceGraphPtr owned = USubstanceGraph::create();
    const osg::UInt32 ownedId = owned->getId();
    oxStandIn::clearEditLog();

    material->addGraph(held);
    material->addGraph(owned);
    ASSERT_EQ(material->getSubstanceGraphs().size(), 2u);
    EXPECT_EQ(material->getSubstanceGraphs()[0], held);
    EXPECT_EQ(material->getSubstanceGraphs()[1], owned);
    EXPECT_EQ(held->getRefCount(), 2);
    EXPECT_EQ(owned->getRefCount(), 1);

    material->clearGraphs();
    EXPECT_TRUE(material->getSubstanceGraphs().empty());
    EXPECT_EQ(held->getRefCount(), 1);
    EXPECT_FALSE(alive(ownedId));

    const auto brackets = bracketsOn(material->getId());
    EXPECT_EQ(brackets.size(), 3u);
    EXPECT_EQ(bracketsWithMask(brackets, USubstanceMaterial::SubstanceGraphsFieldMask), 3u);
    EXPECT_EQ(oxStandIn::openEditCount(), 0u);
}

struct ActiveGraphCase
{
    osg::Int32 index;
    int expected; ///< position of the expected graph, -1 for none
};

std::ostream& operator<<(std::ostream& out, const ActiveGraphCase& c)
{
    return out << "index " << c.index;
}

class ActiveGraphTest : public oxHostTest, public ::testing::WithParamInterface<ActiveGraphCase>
{
};

TEST_P(ActiveGraphTest, FollowsTheActiveGraphIndex)
{
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    USubstanceGraphPtr graphs[] = {USubstanceGraph::create(), USubstanceGraph::create()};
    for (const USubstanceGraphPtr& g : graphs)
        material->addGraph(g);
    appendGroup(graphs[1], makeGroup("G", false));
    {
        osgEdit edit(material, USubstanceMaterial::ActiveGraphIndexFieldMask);
        material->setActiveGraphIndex(GetParam().index);
    }
    if (GetParam().expected < 0)
    {
        EXPECT_TRUE(material->getActiveGraph().isNull());
        EXPECT_EQ(material->getActiveAttributeGroups(), nullptr);
    }
    else
    {
        const USubstanceGraphPtr expected = graphs[GetParam().expected];
        EXPECT_EQ(material->getActiveGraph(), expected);
        ASSERT_NE(material->getActiveAttributeGroups(), nullptr);
        EXPECT_EQ(material->getActiveAttributeGroups(), &expected->getAttributeGroups());
    }
}

INSTANTIATE_TEST_SUITE_P(Indexes, ActiveGraphTest,
                         ::testing::Values(ActiveGraphCase{-1, -1}, ActiveGraphCase{0, 0}, ActiveGraphCase{1, 1},
                                           ActiveGraphCase{2, -1}, ActiveGraphCase{INT32_MIN, -1}));

TEST_F(GraphListTest, NewMaterialDefaults)
{
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    EXPECT_EQ(material->getLastActivatedPreset(), -1);
    EXPECT_EQ(material->getActiveGraphIndex(), 0);
    EXPECT_TRUE(material->getActiveGraph().isNull());
    EXPECT_TRUE(material->getParentEnvironmentMaterial().isNull());
    EXPECT_TRUE(material->getSubstancePresets().empty());
    EXPECT_FALSE(material->getColorComponentData().isNull());
}

// ---------------------------------------------------------------- preset list

class PresetListTest : public oxHostTest
{
protected:
    void SetUp() override
    {
        oxHostTest::SetUp();
        material = hold(USubstanceMaterial::create());
        for (const char* name : {"a", "b", "c"})
        {
            SubstancePresetPtr p = hold(SubstancePreset::create(name, "", ""));
            material->addPreset(p);
            presets.push_back(p);
        }
        oxStandIn::clearEditLog();
    }
    USubstanceMaterialPtr material;
    Presets presets;
};

struct InsertCase
{
    osg::UInt32 index;
    std::vector<int> order; ///< positions in the old list, -1 for the new preset
};

std::ostream& operator<<(std::ostream& out, const InsertCase& c)
{
    return out << "index " << c.index;
}

class PresetInsertTest : public PresetListTest, public ::testing::WithParamInterface<InsertCase>
{
};

TEST_P(PresetInsertTest, InsertsAtIndexOrAppends)
{
    SubstancePresetPtr added = SubstancePreset::create("new", "", "");
    material->insertPreset(added, GetParam().index);
    Presets expected;
    for (int position : GetParam().order)
        expected.push_back(position < 0 ? added : presets[std::size_t(position)]);
    EXPECT_EQ(presetsOf(material), expected);
    EXPECT_EQ(added->getRefCount(), 1);
    EXPECT_EQ(bracketsWithMask(bracketsOn(material->getId()), USubstanceMaterial::SubstancePresetsFieldMask), 1u);
}

INSTANTIATE_TEST_SUITE_P(Positions, PresetInsertTest,
                         ::testing::Values(InsertCase{0, {-1, 0, 1, 2}}, InsertCase{1, {0, -1, 1, 2}},
                                           InsertCase{3, {0, 1, 2, -1}}, InsertCase{4, {0, 1, 2, -1}},
                                           InsertCase{0xFFFFFFFFu, {0, 1, 2, -1}}));

TEST_F(PresetListTest, AddAppendsAndTakesReferences)
{
    EXPECT_EQ(presetsOf(material), presets);
    for (const SubstancePresetPtr& p : presets)
        EXPECT_EQ(p->getRefCount(), 2);

    material->addPreset("d", "<sbspreset label=\"d\"/>", "/x.sbsprs");
    ASSERT_EQ(material->getSubstancePresets().size(), 4u);
    const SubstancePresetPtr d = material->getSubstancePresets()[3];
    EXPECT_EQ(d->getName(), "d");
    EXPECT_EQ(d->getContent(), "<sbspreset label=\"d\"/>");
    EXPECT_EQ(d->getSourcePath(), "/x.sbsprs");
    EXPECT_EQ(d->getRefCount(), 1);

    material->addPreset(SubstancePresetPtr());
    EXPECT_EQ(material->getSubstancePresets().size(), 5u);
    EXPECT_TRUE(material->getSubstancePresets()[4].isNull());
    EXPECT_EQ(bracketsWithMask(bracketsOn(material->getId()), USubstanceMaterial::SubstancePresetsFieldMask), 2u);
}

TEST_F(PresetListTest, RemoveTakesTheFirstSlotOnlyAndReleasesIt)
{
    material->addPreset(presets[0]);
    EXPECT_EQ(presets[0]->getRefCount(), 3);
    material->removePreset(presets[0]);
    EXPECT_EQ(presetsOf(material), (Presets{presets[1], presets[2], presets[0]}));
    EXPECT_EQ(presets[0]->getRefCount(), 2);

    SubstancePresetPtr owned = SubstancePreset::create("owned", "", "");
    const osg::UInt32 ownedId = owned->getId();
    material->addPreset(owned);
    material->removePreset(owned);
    EXPECT_FALSE(alive(ownedId));
}

TEST_F(PresetListTest, RemovingAnAbsentPresetChangesNothingAndOpensNoBracket)
{
    SubstancePresetPtr stranger = hold(SubstancePreset::create("x", "", ""));
    material->removePreset(stranger);
    material->removePreset(SubstancePresetPtr());
    EXPECT_EQ(presetsOf(material), presets);
    EXPECT_EQ(stranger->getRefCount(), 1);
    EXPECT_TRUE(bracketsOn(material->getId()).empty());
}

TEST_F(PresetListTest, FindGivesTheFirstIndex)
{
    material->addPreset(presets[1]);
    osg::UInt32 index = 99;
    EXPECT_TRUE(material->findPreset(presets[1], &index));
    EXPECT_EQ(index, 1u);
    EXPECT_TRUE(material->findPreset(presets[2], &index));
    EXPECT_EQ(index, 2u);

    index = 99;
    EXPECT_FALSE(material->findPreset(SubstancePresetPtr(), &index));
    EXPECT_EQ(index, 99u);
    EXPECT_TRUE(material->findPreset(presets[0], nullptr));

    material->addPreset(SubstancePresetPtr());
    EXPECT_TRUE(material->findPreset(SubstancePresetPtr(), &index));
    EXPECT_EQ(index, 4u);
}

TEST_F(PresetListTest, ClearReleasesEverySlot)
{
    material->addPreset(SubstancePresetPtr());
    material->clearPresets();
    EXPECT_TRUE(material->getSubstancePresets().empty());
    for (const SubstancePresetPtr& p : presets)
        EXPECT_EQ(p->getRefCount(), 1);
    EXPECT_EQ(bracketsWithMask(bracketsOn(material->getId()), USubstanceMaterial::SubstancePresetsFieldMask), 2u);
}

// ---------------------------------------------------------------- preset images

class PresetImagesTest : public oxHostTest
{
};

TEST_F(PresetImagesTest, AddAndClearCountReferencesUnderTheCallersBracket)
{
    SubstancePresetPtr preset = hold(SubstancePreset::create("p", "", ""));
    ImagePtr image = hold(oxImageCreator::createDummyImage(1, 2, 3));
    {
        osgEdit edit(preset, SubstancePreset::CachedImagesFieldMask);
        preset->addImage(image);
        preset->addImage(image);
        preset->addImage(ImagePtr());
    }
    EXPECT_EQ(preset->getCachedImages().size(), 2u);
    EXPECT_EQ(image->getRefCount(), 3);
    EXPECT_EQ(logLines(), std::vector<std::string>{"warning: Preset \"p\": a null image is not cached."});
    EXPECT_EQ(bracketsOn(preset->getId()).size(), 1u);
    {
        osgEdit edit(preset, SubstancePreset::CachedImagesFieldMask);
        preset->clearImages();
    }
    EXPECT_TRUE(preset->getCachedImages().empty());
    EXPECT_EQ(image->getRefCount(), 1);
}

TEST_F(PresetImagesTest, WritesOutsideABracketAreDetected)
{
    checkEdits = false;
    SubstancePresetPtr preset = hold(SubstancePreset::create("p", "", ""));
    ImagePtr image = hold(oxImageCreator::createDummyImage(1, 2, 3));
    preset->addImage(image);
    {
        osgEdit edit(preset, SubstancePreset::ContentFieldMask);
        preset->clearImages();
    }
    ASSERT_EQ(oxStandIn::editViolations().size(), 2u);
    EXPECT_EQ(oxStandIn::editViolations()[0].what, "write outside bracket");
    EXPECT_EQ(oxStandIn::editViolations()[1].what, "write not covered by bracket mask");
    for (const oxStandIn::EditViolation& v : oxStandIn::editViolations())
        EXPECT_EQ(v.mask, SubstancePreset::CachedImagesFieldMask);
}

// ---------------------------------------------------------------- groups and attributes

struct GroupLookupCase
{
    const char* name;
    int expected; ///< index into the graph's groups, -1 for none
};

std::ostream& operator<<(std::ostream& out, const GroupLookupCase& c)
{
    return out << '"' << c.name << '"';
}

class GroupLookupTest : public oxHostTest, public ::testing::WithParamInterface<GroupLookupCase>
{
};

TEST_P(GroupLookupTest, SharedGroupByEmptyNameOrdinaryGroupsByName)
{
    // An ordinary group named "Common" before the shared group, which is named "Common" too.
    USubstanceGraphPtr graph = hold(USubstanceGraph::create());
    const AttributeGroupPtr groups[] = {makeGroup("A", false), makeGroup("Common", false), makeGroup("A", false),
                                        makeGroup("Common", true)};
    for (const AttributeGroupPtr& g : groups)
        appendGroup(graph, g);
    const AttributeGroupPtr found = graph->getAttributeGroup(GetParam().name);
    if (GetParam().expected < 0)
        EXPECT_TRUE(found.isNull());
    else
        EXPECT_EQ(found, groups[GetParam().expected]);
}

INSTANTIATE_TEST_SUITE_P(Names, GroupLookupTest,
                         ::testing::Values(GroupLookupCase{"", 3}, GroupLookupCase{"Common", 1},
                                           GroupLookupCase{"A", 0}, GroupLookupCase{"common", -1},
                                           GroupLookupCase{"B", -1}, GroupLookupCase{"A ", -1}));

TEST_F(GraphListTest, GroupLookupWithoutSharedGroupSkipsNullSlots)
{
    USubstanceGraphPtr graph = hold(USubstanceGraph::create());
    {
        osgEdit edit(graph, USubstanceGraph::AttributeGroupsFieldMask);
        graph->editAttributeGroups().push_back(AttributeGroupPtr());
    }
    const AttributeGroupPtr ordinary = makeGroup("Common", false);
    appendGroup(graph, ordinary);
    EXPECT_TRUE(graph->getAttributeGroup("").isNull());
    EXPECT_EQ(graph->getAttributeGroup("Common"), ordinary);
}

struct AttributeLookupCase
{
    const char* uuid;
    int expected;
};

std::ostream& operator<<(std::ostream& out, const AttributeLookupCase& c)
{
    return out << '"' << c.uuid << '"';
}

class AttributeLookupTest : public oxHostTest, public ::testing::WithParamInterface<AttributeLookupCase>
{
};

TEST_P(AttributeLookupTest, MatchesTheUuidNotTheName)
{
    AttributeGroupPtr group = hold(AttributeGroup::create());
    const AttributeValuePtr values[] = {makeValue(AttributeFloatValue::create(), "roughness", "rough_id"),
                                        makeValue(AttributeIntValue::create(), "rough_id", "other"),
                                        makeValue(AttributeStringValue::create(), "second", "rough_id"),
                                        makeValue(AttributeFloat3DValue::create(), "", "")};
    for (const AttributeValuePtr& v : values)
        appendValue(group, v);
    {
        osgEdit edit(group, AttributeGroup::PropertiesFieldMask);
        group->editProperties().insert(group->editProperties().begin(), AttributeValuePtr());
    }
    const AttributeValuePtr found = group->getAttribute(GetParam().uuid);
    if (GetParam().expected < 0)
        EXPECT_TRUE(found.isNull());
    else
        EXPECT_EQ(found, values[GetParam().expected]);
}

INSTANTIATE_TEST_SUITE_P(Uuids, AttributeLookupTest,
                         ::testing::Values(AttributeLookupCase{"rough_id", 0}, AttributeLookupCase{"other", 1},
                                           AttributeLookupCase{"roughness", -1}, AttributeLookupCase{"", 3},
                                           AttributeLookupCase{"Rough_id", -1}));

class AttributeValueDefaultsTest : public oxHostTest
{
};

template <class Ptr>
void expectDefaultLabels(const Ptr& value)
{
    EXPECT_EQ(value->getLabelX(), "X");
    EXPECT_EQ(value->getLabelY(), "Y");
    EXPECT_EQ(value->getLabelZ(), "Z");
    EXPECT_EQ(value->getLabelW(), "W");
}

TEST_F(AttributeValueDefaultsTest, VectorCaptionsDefaultToComponentLetters)
{
    expectDefaultLabels(hold(AttributeFloat2DValue::create()));
    expectDefaultLabels(hold(AttributeFloat3DValue::create()));
    expectDefaultLabels(hold(AttributeFloat4DValue::create()));
    expectDefaultLabels(hold(AttributeInt2DValue::create()));
    expectDefaultLabels(hold(AttributeInt3DValue::create()));
    expectDefaultLabels(hold(AttributeInt4DValue::create()));
    EXPECT_TRUE(oxStandIn::editLog().empty());
}

TEST_F(AttributeValueDefaultsTest, ColorAttributeIsDecidedByTheWidget)
{
    const struct
    {
        const char* widget;
        bool color;
    } cases[] = {{"color", true}, {"Color", false}, {"", false}, {"color ", false}, {"slider", false}};
    AttributeFloat4DValuePtr value = hold(AttributeFloat4DValue::create());
    EXPECT_FALSE(value->isColorAttribute());
    for (const auto& c : cases)
    {
        osgEdit edit(value, AttributeFloat4DValue::WidgetFieldMask);
        value->setWidget(c.widget);
        EXPECT_EQ(value->isColorAttribute(), c.color) << '"' << c.widget << '"';
    }
}

// ---------------------------------------------------------------- colour components

class ColorComponentsTest : public oxHostTest
{
};

TEST_F(ColorComponentsTest, OneSettingsObjectPerTypeIdInOrder)
{
    const std::vector<std::string> names = {"diffuse", "specular", "roughness", "metallic",  "incandescence",
                                            "normal",  "cutout",   "height",    "anisotropy"};
    ASSERT_EQ(ColorComponents::getComponentTypeCount(), int(names.size()));
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    const ColorComponentsPtr components = material->getColorComponentData();
    const std::vector<ComponentSettingsPtr> all = components->getAllComponents();
    ASSERT_EQ(all.size(), names.size());
    for (std::size_t id = 0; id < names.size(); ++id)
    {
        EXPECT_EQ(ColorComponents::getComponentTypeIdToString(int(id)), names[id]);
        EXPECT_EQ(all[id]->getComponentName(), names[id]);
        EXPECT_EQ(components->getComponentSettings(names[id]), all[id]);
        EXPECT_EQ(all[id]->getRefCount(), 1);
        EXPECT_FALSE(all[id]->getUseTexture());
        EXPECT_TRUE(all[id]->getImage().isNull());
    }
    for (int id : {-1, 9, 100})
        EXPECT_EQ(ColorComponents::getComponentTypeIdToString(id), "") << id;
    for (const char* name : {"", "Diffuse", "diffuse ", "emissive"})
        EXPECT_TRUE(components->getComponentSettings(name).isNull()) << '"' << name << '"';
}

TEST_F(ColorComponentsTest, IncandescenceSettingsBracketThemselves)
{
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    material->initIncandescenceSettings(true);
    EXPECT_TRUE(material->getIncandescenceSettings());
    material->initIncandescenceSettings(false);
    EXPECT_FALSE(material->getIncandescenceSettings());
    const auto brackets = bracketsOn(material->getId());
    EXPECT_EQ(bracketsWithMask(brackets, USubstanceMaterial::IncandescenceSettingsFieldMask), 2u);
}

// ---------------------------------------------------------------- environment material

class EnvironmentMaterialTest : public oxHostTest
{
};

TEST_F(EnvironmentMaterialTest, HoldsItsGeneratorAndIsItsParent)
{
    USubstanceEnvironmentMaterialPtr environment = USubstanceEnvironmentMaterial::create();
    osg::addRef(environment);
    USubstanceMaterialPtr first = hold(USubstanceMaterial::create());
    USubstanceMaterialPtr second = hold(USubstanceMaterial::create());
    EXPECT_TRUE(environment->getTextureGeneratorMaterial().isNull());

    environment->setTextureGeneratorMaterial(first);
    EXPECT_EQ(environment->getTextureGeneratorMaterial(), first);
    EXPECT_EQ(first->getParentEnvironmentMaterial(), environment);
    EXPECT_EQ(first->getRefCount(), 2);

    environment->setTextureGeneratorMaterial(first);
    EXPECT_EQ(first->getRefCount(), 2);
    EXPECT_EQ(first->getParentEnvironmentMaterial(), environment);

    environment->setTextureGeneratorMaterial(second);
    EXPECT_EQ(first->getRefCount(), 1);
    EXPECT_TRUE(first->getParentEnvironmentMaterial().isNull());
    EXPECT_EQ(second->getParentEnvironmentMaterial(), environment);

    EXPECT_EQ(bracketsWithMask(bracketsOn(environment->getId()),
                               USubstanceEnvironmentMaterial::TextureGeneratorMaterialFieldMask),
              3u);

    osg::subRef(environment);
    EXPECT_EQ(second->getRefCount(), 1);
    EXPECT_TRUE(second->getParentEnvironmentMaterial().isNull());
}

TEST_F(EnvironmentMaterialTest, GeneratorOwnedOnlyByTheEnvironmentDiesWithIt)
{
    USubstanceEnvironmentMaterialPtr environment = USubstanceEnvironmentMaterial::create();
    osg::addRef(environment);
    USubstanceMaterialPtr generator = USubstanceMaterial::create();
    const osg::UInt32 id = generator->getId();
    environment->setTextureGeneratorMaterial(generator);
    environment->setTextureGeneratorMaterial(USubstanceMaterialPtr());
    EXPECT_FALSE(alive(id));
    environment->setTextureGeneratorMaterial(USubstanceMaterial::create());
    osg::subRef(environment);
}

// ---------------------------------------------------------------- preset render cache

class PresetCacheTest : public oxHostTest
{
protected:
    void SetUp() override
    {
        oxHostTest::SetUp();
        material = hold(USubstanceMaterial::create());
        {
            osgEdit edit(material, USubstanceMaterial::NameFieldMask);
            material->setName("Wood");
        }
        for (const char* name : {"red", "green", "blue"})
            material->addPreset(name, "", "");
        diffuse = material->getColorComponentData()->getComponentSettings("diffuse");
    }

    /// Puts a new image of one grey level on the diffuse component.
    void render(osg::UInt8 level, bool useTexture = true)
    {
        osgEdit edit(diffuse, ComponentSettings::ImageFieldMask | ComponentSettings::UseTextureFieldMask);
        diffuse->setUseTexture(useTexture);
        diffuse->setImage(oxImageCreator::createDummyImage(level, level, level));
    }

    float diffuseLevel() const { return diffuse->getImage()->getPixel(0, 0)[0] * 255.0f; }

    USubstanceMaterialPtr material;
    ComponentSettingsPtr diffuse;
};

TEST_F(PresetCacheTest, SwitchIsProcessWideAndOffAfterReset)
{
    EXPECT_FALSE(USubstanceMaterial::isPresetCacheEnabled());
    USubstanceMaterial::enablePresetCache(true);
    EXPECT_TRUE(USubstanceMaterial::isPresetCacheEnabled());
    oxStandIn::reset();
    EXPECT_FALSE(USubstanceMaterial::isPresetCacheEnabled());
}

TEST_F(PresetCacheTest, CachedRenderIsPutBackAsACopy)
{
    render(10);
    material->cacheRenderResult(1);
    EXPECT_TRUE(material->isPresetCached(1));
    EXPECT_FALSE(material->isPresetCached(0));

    render(200, false);
    const osg::UInt32 renderedId = diffuse->getImage()->getId();
    oxStandIn::clearEditLog();
    material->applyCachedPreset(1);

    EXPECT_TRUE(diffuse->getUseTexture());
    EXPECT_NEAR(diffuseLevel(), 10.0f, 1e-3f);
    EXPECT_FALSE(alive(renderedId));
    EXPECT_EQ(diffuse->getImage()->getRefCount(), 1);
    EXPECT_EQ(bracketsWithMask(bracketsOn(diffuse->getId()),
                               ComponentSettings::ImageFieldMask | ComponentSettings::UseTextureFieldMask),
              1u);

    // Changing the applied image in place leaves the cache as it was.
    diffuse->getImage()->setUniformColor(4, 4, 99, 99, 99);
    material->applyCachedPreset(1);
    EXPECT_NEAR(diffuseLevel(), 10.0f, 1e-3f);
}

TEST_F(PresetCacheTest, CachingAgainReplacesTheEntry)
{
    render(10);
    material->cacheRenderResult(0);
    render(20);
    material->cacheRenderResult(0);
    render(30);
    material->applyCachedPreset(0);
    EXPECT_NEAR(diffuseLevel(), 20.0f, 1e-3f);
}

TEST_F(PresetCacheTest, UncachedIndexIsReportedAndChangesNothing)
{
    render(30);
    const ImagePtr before = diffuse->getImage();
    material->applyCachedPreset(2);
    EXPECT_EQ(diffuse->getImage(), before);
    EXPECT_EQ(logLines(), std::vector<std::string>{"warning: Material Wood: no cached render for preset 2."});
}

TEST_F(PresetCacheTest, EntriesFollowTheirPresetsThroughListChanges)
{
    render(0);
    material->cacheRenderResult(0);
    render(1);
    material->cacheRenderResult(1);
    render(2);
    material->cacheRenderResult(2);

    // Inserting before "green" moves the entries of "green" and "blue" up.
    SubstancePresetPtr inserted = hold(SubstancePreset::create("new", "", ""));
    material->insertPreset(inserted, 1);
    EXPECT_TRUE(material->isPresetCached(0));
    EXPECT_FALSE(material->isPresetCached(1));
    material->applyCachedPreset(2);
    EXPECT_NEAR(diffuseLevel(), 1.0f, 1e-3f);
    material->applyCachedPreset(3);
    EXPECT_NEAR(diffuseLevel(), 2.0f, 1e-3f);

    // Removing "red" drops its entry and moves the others down.
    const SubstancePresetPtr red = material->getSubstancePresets()[0];
    material->removePreset(red);
    EXPECT_FALSE(material->isPresetCached(0));
    material->applyCachedPreset(1);
    EXPECT_NEAR(diffuseLevel(), 1.0f, 1e-3f);
    material->applyCachedPreset(2);
    EXPECT_NEAR(diffuseLevel(), 2.0f, 1e-3f);
    EXPECT_FALSE(material->isPresetCached(3));

    material->clearPresets();
    for (osg::UInt32 i = 0; i < 4; ++i)
        EXPECT_FALSE(material->isPresetCached(i)) << i;
}

TEST_F(PresetCacheTest, ClearDropsEveryEntryAndItsImages)
{
    const std::size_t before = oxStandIn::liveContainerCount();
    render(5);
    const std::size_t withRender = oxStandIn::liveContainerCount();
    EXPECT_EQ(withRender, before + 1);
    material->cacheRenderResult(0);
    material->cacheRenderResult(2);
    EXPECT_EQ(oxStandIn::liveContainerCount(), withRender + 2);
    material->clearPresetCache();
    EXPECT_FALSE(material->isPresetCached(0));
    EXPECT_FALSE(material->isPresetCached(2));
    EXPECT_EQ(oxStandIn::liveContainerCount(), withRender);
}

TEST_F(PresetCacheTest, DumpDescribesEveryEntry)
{
    USubstanceMaterial::enablePresetCache(true);
    render(5);
    material->cacheRenderResult(1);
    material->dumpPresetCache("After apply", "preset green");
    material->dumpPresetCache("Empty detail", "");

    const std::vector<std::string> lines = logLines();
    ASSERT_EQ(lines.size(), 2u);
    const std::string& dump = lines[0];
    EXPECT_EQ(dump.rfind("warning: After apply: preset green\nPreset cache of material \"Wood\" (#", 0), 0u) << dump;
    EXPECT_NE(dump.find(", cache on): 1 cached preset\n  preset 1 \"green\""), std::string::npos) << dump;
    EXPECT_NE(dump.find("\n    diffuse: image #"), std::string::npos) << dump;
    EXPECT_NE(dump.find(" 4x4 uint8, texture on"), std::string::npos) << dump;
    EXPECT_NE(dump.find("\n    normal: no image, texture off"), std::string::npos) << dump;
    EXPECT_NE(dump.find("\n    incandescence map: no image, texture off"), std::string::npos) << dump;
    EXPECT_EQ(lines[1].rfind("warning: Empty detail\nPreset cache", 0), 0u) << lines[1];
}

} // namespace
