// The stand-in host: field containers (ids, references, run-time types, edit
// brackets), the material model (references held, groups, environment
// materials, the preset render cache), log, file names and images, the undo
// command bases and the kernel services with the values they carry.

#include "Materials.h"
#include "OSGImage.h"
#include "QOXIntVector.h"
#include "QSubstanceArchive.h"
#include "oxHostFixture.h"
#include "oxHostUtils.h"
#include "oxKernelServices.h"
#include "oxUndoCommand.h"
#include "oxdImage.h"

#include <QUndoStack>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <set>

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

TEST_F(HostModelTest, ImageFieldsHoldOneReferenceAndSurviveTheSameImageAgain)
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

TEST_F(HostModelTest, PresetSlotsHoldOneReferenceEach)
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

TEST_F(HostModelTest, EnvironmentHoldsItsGeneratorAndIsItsParent)
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

TEST_F(HostModelTest, LogFormatsPrintfStyleWithoutALengthLimit)
{
    const std::string longText(5000, 'x');
    oxLog::error("Material %s: %s", oxMaterials::getName(MaterialPtr()).c_str(), "");
    oxLog::warning("%d presets, %.2f%% done, %5s|%-4d|%x", -3, 42.126, "ab", 12, 255);
    oxLog::error("<%s>", longText.c_str());
    EXPECT_EQ(logLines(), (std::vector<std::string>{"error: Material <null>: ",
                                                    "warning: -3 presets, 42.13% done,    ab|12  |ff",
                                                    "error: <" + longText + ">"}));
}

TEST_F(HostModelTest, ExpandFilenameReplacesHomeAndVariables)
{
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    setenv("HOME", "/home/tester", 1);
    setenv("OXT_A", "alpha", 1);
    unsetenv("OXT_UNSET");
    const std::pair<const char*, const char*> cases[] = {
        {"~", "/home/tester"},
        {"~/a/$OXT_A.sbsar", "/home/tester/a/alpha.sbsar"},
        {"~other/a/~/b", "~other/a/~/b"},
        {"${OXT_A}x$OXT_Ax", "alphax"},
        {"a${OXT_UNSET}b", "ab"},
        {"$1x ${} ${OXT_A", "$1x ${} ${OXT_A"},
        {"$$OXT_A$", "$alpha$"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(oxFile::expandFilename(c.first), c.second) << '"' << c.first << '"';
    if (oldHome)
        setenv("HOME", savedHome.c_str(), 1);
    else
        unsetenv("HOME");
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

TEST_F(HostModelTest, BadConversionsAndPixelReadsAreRefusedWithAnError)
{
    ImagePtr image = hold(oxImageCreator::createDummyImage(9, 8, 7));
    const std::string id = "error: Image #" + std::to_string(image->getId()) + ": ";
    EXPECT_FALSE(image->convertDataTypeTo(0x1404));
    EXPECT_EQ(image->getPixel(4, 0), osg::Vec3f(0.f, 0.f, 0.f));
    {
        osgEdit edit(image, Image::PixelsFieldMask);
        image->editPixels().pop_back();
    }
    EXPECT_FALSE(image->convertDataTypeTo(Image::OSG_FLOAT32_IMAGEDATA));
    EXPECT_EQ(image->getDataType(), Image::OSG_UINT8_IMAGEDATA);
    EXPECT_EQ(firstPixel<osg::UInt8>(image), (std::vector<double>{9, 8, 7}));
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              id + "unknown image data type 0x1404.",
                              id + "no pixel (4, 0) in a raster of 4x4 pixels.",
                              id + "raster of 47 bytes does not match 4x4 pixels of type uint8; not converted."}));
}


/// A command of its own class (one per Kind) that merges whenever the host's rule allows.
template <int Kind>
struct MergingCommand : oxUndoCommand
{
    explicit MergingCommand(quint64 stamp) : oxUndoCommand(oxUndoString("Edit", "Test"), nullptr)
    {
        m_mergeTimeStamp = stamp;
    }
    static int commandId()
    {
        static const int id = makeId(typeid(MergingCommand));
        return id;
    }
    int id() const override { return commandId(); }
    bool mergeWith(const QUndoCommand* other) override { return canMergeWith(other); }
};

/// Keeps QUndoCommand's id of -1.
struct PlainCommand : oxUndoCommand
{
    PlainCommand() : oxUndoCommand(oxUndoString("Plain", "Test"), nullptr) {}

};

/// Not an oxUndoCommand, but claims the id of MergingCommand<0>.
struct ForeignCommand : QUndoCommand
{
    int id() const override { return MergingCommand<0>::commandId(); }
};

constexpr quint64 T0 = 1700000000000ull; // a stamp of our time, in ms since the epoch
constexpr quint64 Bit32 = quint64(1) << 32;

TEST_F(HostModelTest, SecondEditMergesOnlyWithinTheInterval)
{
    EXPECT_EQ(oxUndoCommand::mergeInterval(), 1500);
    const struct { const char* name; qint64 interval; quint64 first, second; bool merges; } cases[] = {
        {"same stamp", 1500, T0, T0, true},
        {"at the interval", 1500, T0, T0 + 1500, true},
        {"just past the interval", 1500, T0, T0 + 1501, false},
        {"earlier stamp, one step round the wrap", 1500, std::numeric_limits<quint64>::max(), 0, false},
        {"negative interval: any two", -1, T0, 0, true},
        {"equal low 32 bits", 1500, 5, Bit32 + 5, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        oxUndoCommand::setMergeInterval(c.interval);
        QUndoStack stack;
        stack.push(new MergingCommand<0>(c.first));
        stack.push(new MergingCommand<0>(c.second));
        EXPECT_EQ(stack.count(), c.merges ? 1 : 2);
    }
}

TEST_F(HostModelTest, OnlyCommandsOfTheSameClassMerge)
{
    oxUndoCommand::setMergeInterval(-1);
    const MergingCommand<0> self(T0);
    const MergingCommand<1> otherClass(T0);
    const ForeignCommand foreign;
    const PlainCommand plain;
    EXPECT_TRUE(self.canMergeWith(&self));
    EXPECT_FALSE(self.canMergeWith(nullptr));
    EXPECT_FALSE(self.canMergeWith(&otherClass));
    EXPECT_FALSE(self.canMergeWith(&foreign));
    EXPECT_FALSE(plain.canMergeWith(&plain)) << "id -1 never merges";
}

using Lookup = std::pair<bool, oxBaseService*>;

const std::size_t SubstanceHash = typeid(oxSubstanceService).hash_code();
const std::size_t OtherHash = typeid(oxBaseService).hash_code();
oxBaseService* const Untouched = reinterpret_cast<oxBaseService*>(0x1);

/// Whether the registry has an entry for the hash, and its service.
Lookup lookup(std::size_t hash = SubstanceHash)
{
    oxBaseService* service = Untouched;
    const bool found = oxKernelServiceFactory::the().findService(hash, service);
    return {found, service};
}

TEST_F(HostModelTest, RegistryFindsEntriesAndForgetsDeletedServices)
{
    oxKernelServiceFactory& factory = oxKernelServiceFactory::the();
    oxSubstanceService first;
    oxSubstanceService second;
    EXPECT_EQ(lookup(), Lookup(false, Untouched));
    factory.registerService(SubstanceHash, nullptr);
    EXPECT_EQ(lookup(), Lookup(true, nullptr));
    factory.registerService(SubstanceHash, &first);
    factory.registerService(OtherHash, &second);
    factory.unregisterService(OtherHash);
    EXPECT_EQ(lookup(OtherHash), Lookup(false, Untouched));
    EXPECT_EQ(lookup(), Lookup(true, &first));

    auto gone = std::make_unique<oxSubstanceService>();
    factory.registerService(SubstanceHash, gone.get());
    factory.registerService(SubstanceHash, &second);
    gone.reset();
    EXPECT_EQ(lookup(), Lookup(true, &second)) << "a replaced service leaves the entry alone when deleted";
    gone = std::make_unique<oxSubstanceService>();
    factory.registerService(SubstanceHash, gone.get());
    gone.reset();
    EXPECT_EQ(lookup(), Lookup(false, Untouched));

    factory.registerService(OtherHash, &first);
    oxStandIn::reset();
    EXPECT_FALSE(lookup(OtherHash).first);
}

/// Checks a value type known to Qt by name and compared by value in QVariant.
template <class T>
void expectValueType(const char* name, const T& value, const T& other)
{
    SCOPED_TRACE(name);
    const int id = QMetaType::type(name); // looked up before qMetaTypeId<T>() could register it
    EXPECT_EQ(id, qMetaTypeId<T>());
    EXPECT_TRUE(QVariant::fromValue(value) == QVariant::fromValue(T(value)));
    EXPECT_FALSE(QVariant::fromValue(value) == QVariant::fromValue(other));
}

TEST_F(HostModelTest, ValueTypesAreKnownByNameAndComparedByValue)
{
    // No qMetaTypeId<> before these lookups: the host library registered the names.
    expectValueType("QOXIntVector2D", QOXIntVector2D(1, -2), QOXIntVector2D(1, -3));
    expectValueType("QOXIntVector3D", QOXIntVector3D(1, -2, 3), QOXIntVector3D(1, -2, 4));
    expectValueType("QOXIntVector4D", QOXIntVector4D(1, -2, 3, -4), QOXIntVector4D(1, -2, 3, 4));
    expectValueType("oxdImage", oxdImage(17), oxdImage(0xffffffffu));
    EXPECT_FALSE(QVariant::fromValue(QOXIntVector2D(1, 2)) == QVariant::fromValue(QOXIntVector3D(1, 2, 0)));
}

} // namespace
