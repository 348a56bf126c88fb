// The stand-in host's own rules that the library's tests rely on without
// showing them: references and edit brackets of field containers, the shared
// group's lookup, the preset render cache and image data types.

#include "Materials.h"
#include "OSGImage.h"
#include "QSubstanceArchive.h"
#include "oxHostFixture.h"
#include "oxHostUtils.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

namespace {

using HostModelTest = oxHostTest;

using osg::BitVector;

osg::FieldContainerPtr byId(osg::UInt32 id)
{
    return osg::FieldContainerFactory::the()->getContainer(id);
}

std::vector<std::string> violationKinds()
{
    std::vector<std::string> kinds;
    for (const oxStandIn::EditViolation& v : oxStandIn::editViolations())
        kinds.push_back(v.what);
    return kinds;
}

TEST_F(HostModelTest, LastSubRefDestroysAndTheIdIsNoLongerFound)
{
    const std::size_t before = oxStandIn::liveContainerCount();
    ImagePtr image = osg::Image::create();
    const osg::UInt32 id = image->getId();
    EXPECT_EQ(byId(id), image);
    EXPECT_TRUE(byId(0).isNull());
    osg::addRef(image);
    osg::addRef(image);
    osg::subRef(image);
    EXPECT_EQ(byId(id), image);
    osg::subRef(image);
    EXPECT_TRUE(byId(id).isNull());
    EXPECT_EQ(oxStandIn::liveContainerCount(), before);

    // One subRef too many is recorded and destroys nothing.
    checkEdits = false;
    AttributeGroupPtr group = AttributeGroup::create();
    osg::subRef(group);
    EXPECT_EQ(violationKinds(), std::vector<std::string>{"subRef below zero"});
    EXPECT_EQ(byId(group->getId()), group);
    osg::addRef(group);
    osg::subRef(group);
}

TEST_F(HostModelTest, BracketsCoverWritesByContainerAndMask)
{
    checkEdits = false;
    USubstanceMaterialPtr m = hold(USubstanceMaterial::create());
    USubstanceGraphPtr g = hold(USubstanceGraph::create());
    const BitVector name = USubstanceMaterial::NameFieldMask;
    const BitVector path = USubstanceMaterial::ArchivePathFieldMask;
    const std::string outside = "write outside bracket", uncovered = "write not covered by bracket mask";
    const struct { const char* what; std::function<void()> run; std::vector<std::string> violations; } cases[] = {
        {"no bracket", [&] { m->setName("x"); }, {outside}},
        {"wrong mask", [&] { osgEdit e(m, path); m->setName("x"); }, {uncovered}},
        {"another container", [&] { osgEdit e(g, osg::FieldBits::AllFields); m->setName("x"); }, {outside}},
        {"nested brackets cover together until the inner one ends",
         [&] {
             osg::beginEditCP(m, name);
             osg::beginEditCP(m, path);
             m->setName("x");
             m->setArchivePath("y");
             osg::endEditCP(m, path);
             m->setArchivePath("no longer covered");
             osg::endEditCP(m, name);
         },
         {uncovered}},
        {"end without begin", [&] { osg::endEditCP(m, name); }, {"unmatched end"}},
        {"end with another mask or on another container",
         [&] {
             osg::beginEditCP(m, name);
             osg::endEditCP(m, path);
             osg::endEditCP(g, name);
             m->setName("still covered");
             osg::endEditCP(m, name);
         },
         {"unmatched end", "unmatched end"}},
        {"null handles", [&] { osg::beginEditCP(osg::NullFC, name); osg::endEditCP(osg::NullFC, path); }, {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        oxStandIn::clearEditViolations();
        c.run();
        EXPECT_EQ(violationKinds(), c.violations);
        EXPECT_EQ(oxStandIn::openEditCount(), 0u);
    }
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

TEST_F(HostModelTest, SharedGroupIsFoundByTheEmptyNameAndOrdinaryGroupsByTheirName)
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

TEST_F(HostModelTest, PresetCacheKeepsCopiesThatFollowTheirPresets)
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

using osg::Image;

/// The channels of the first pixel as stored (no scaling).
template <class T>
std::vector<double> firstPixel(const ImagePtr& image)
{
    T v[3];
    std::memcpy(v, image->getPixels().data(), sizeof v);
    return {double(v[0]), double(v[1]), double(v[2])};
}

TEST_F(HostModelTest, ConversionScalesToTheTargetRange)
{
    ImagePtr wide = hold(oxImageCreator::createDummyImage(255, 128, 0));
    ASSERT_TRUE(wide->convertDataTypeTo(Image::OSG_UINT16_IMAGEDATA));
    EXPECT_EQ(firstPixel<osg::UInt16>(wide), (std::vector<double>{65535, 128 * 257, 0}));
    ASSERT_TRUE(wide->convertDataTypeTo(Image::OSG_UINT32_IMAGEDATA));
    EXPECT_EQ(firstPixel<osg::UInt32>(wide), (std::vector<double>{4294967295.0, 128.0 * 16843009.0, 0}));
    ASSERT_TRUE(wide->convertDataTypeTo(Image::OSG_FLOAT32_IMAGEDATA));
    EXPECT_EQ(wide->getPixels().size(), 48u * 4u);
    EXPECT_NEAR(wide->getPixel(1, 2)[1], 128.0f / 255.0f, 1e-6f);
    ASSERT_TRUE(wide->convertDataTypeTo(Image::OSG_UINT8_IMAGEDATA));
    EXPECT_EQ(firstPixel<osg::UInt8>(wide), (std::vector<double>{255, 128, 0}));
    EXPECT_EQ(bracketsOn(wide->getId())[0].mask, Image::DataTypeFieldMask | Image::PixelsFieldMask);

    // Narrowing rounds and clamps.
    ImagePtr image = hold(Image::create());
    osgEdit edit(image, osg::FieldBits::AllFields);
    image->setWidth(1);
    image->setHeight(2);
    image->setDataType(Image::OSG_FLOAT32_IMAGEDATA);
    const float values[] = {0.5f, 0.499f, 1.5f, -0.25f, std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity()};
    image->editPixels().resize(sizeof values);
    std::memcpy(image->editPixels().data(), values, sizeof values);
    ASSERT_TRUE(image->convertDataTypeTo(Image::OSG_UINT8_IMAGEDATA));
    EXPECT_EQ(std::vector<osg::UInt8>(image->getPixels().begin(), image->getPixels().end()),
              (std::vector<osg::UInt8>{128, 127, 255, 0, 0, 255}));
}

} // namespace
