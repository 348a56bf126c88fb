// Field-container core of the stand-in host: ids and lookup, reference
// counts, run-time types, edit brackets and the testing records.

#include "Materials.h"
#include "oxHostFixture.h"
#include "oxHostUtils.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

using osg::BitVector;

std::vector<std::string> violationKinds()
{
    std::vector<std::string> kinds;
    for (const oxStandIn::EditViolation& v : oxStandIn::editViolations())
        kinds.push_back(v.what);
    return kinds;
}

// ---------------------------------------------------------------- ids and lookup

class FieldContainerIdTest : public oxHostTest
{
};

TEST_F(FieldContainerIdTest, IdsAreDistinctNonZeroAndFoundAgain)
{
    std::vector<osg::FieldContainerPtr> containers = {
        hold(osg::FieldContainerPtr(USubstanceMaterial::create())),
        hold(osg::FieldContainerPtr(USubstanceGraph::create())),
        hold(osg::FieldContainerPtr(AttributeGroup::create())),
        hold(osg::FieldContainerPtr(osg::Image::create())),
        hold(osg::FieldContainerPtr(SubstancePreset::create("p", "", ""))),
    };
    std::set<osg::UInt32> ids;
    for (const osg::FieldContainerPtr& c : containers)
    {
        EXPECT_NE(c->getId(), 0u);
        ids.insert(c->getId());
        EXPECT_EQ(osg::FieldContainerFactory::the()->getContainer(c->getId()), c);
    }
    EXPECT_EQ(ids.size(), containers.size());
}

TEST_F(FieldContainerIdTest, ZeroAndUnknownIdsGiveNull)
{
    const osg::UInt32 id = hold(osg::Image::create())->getId();
    EXPECT_TRUE(osg::FieldContainerFactory::the()->getContainer(0).isNull());
    EXPECT_TRUE(osg::FieldContainerFactory::the()->getContainer(id + 1000000).isNull());
    EXPECT_TRUE(osg::FieldContainerFactory::the()->getContainer(0xFFFFFFFFu).isNull());
}

TEST_F(FieldContainerIdTest, DestroyedContainerIsNotFoundAndItsIdIsNotHandedOutAgain)
{
    ImagePtr image = osg::Image::create();
    const osg::UInt32 id = image->getId();
    osg::addRef(image);
    osg::subRef(image);
    EXPECT_TRUE(osg::FieldContainerFactory::the()->getContainer(id).isNull());

    ImagePtr next = hold(osg::Image::create());
    EXPECT_NE(next->getId(), id);
    EXPECT_TRUE(osg::FieldContainerFactory::the()->getContainer(id).isNull());
}

TEST_F(FieldContainerIdTest, LiveContainersListsEveryContainerOnce)
{
    const std::size_t before = oxStandIn::liveContainerCount();
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    // The material, its colour components and one settings object per component type.
    const std::size_t expected = 2 + std::size_t(ColorComponents::getComponentTypeCount());
    EXPECT_EQ(oxStandIn::liveContainerCount(), before + expected);

    const std::vector<osg::FieldContainerPtr> live = oxStandIn::liveContainers();
    EXPECT_EQ(live.size(), oxStandIn::liveContainerCount());
    int materials = 0;
    for (const osg::FieldContainerPtr& c : live)
        materials += c == material ? 1 : 0;
    EXPECT_EQ(materials, 1);

    const std::vector<std::string> types = oxStandIn::liveContainerTypes();
    EXPECT_EQ(std::count(types.begin(), types.end(), "USubstanceMaterial"), 1);
    EXPECT_EQ(std::count(types.begin(), types.end(), "ComponentSettings"), ColorComponents::getComponentTypeCount());
}

// ---------------------------------------------------------------- reference counts

class ReferenceCountTest : public oxHostTest
{
};

TEST_F(ReferenceCountTest, CountStartsAtZeroAndTheLastSubRefDestroys)
{
    const std::size_t before = oxStandIn::liveContainerCount();
    USubstanceGraphPtr graph = USubstanceGraph::create();
    EXPECT_EQ(graph->getRefCount(), 0);
    EXPECT_EQ(oxStandIn::liveContainerCount(), before + 1);

    osg::addRef(graph);
    osg::addRef(graph);
    EXPECT_EQ(graph->getRefCount(), 2);
    osg::subRef(graph);
    EXPECT_EQ(graph->getRefCount(), 1);
    EXPECT_EQ(oxStandIn::liveContainerCount(), before + 1);
    osg::subRef(graph);
    EXPECT_EQ(oxStandIn::liveContainerCount(), before);
}

TEST_F(ReferenceCountTest, SubRefBelowZeroIsRecordedAndDoesNotDestroy)
{
    checkEdits = false;
    AttributeGroupPtr group = AttributeGroup::create();
    const osg::UInt32 id = group->getId();
    osg::subRef(group);

    ASSERT_EQ(oxStandIn::editViolations().size(), 1u);
    const oxStandIn::EditViolation& v = oxStandIn::editViolations()[0];
    EXPECT_EQ(v.what, "subRef below zero");
    EXPECT_EQ(v.containerId, id);
    EXPECT_EQ(v.typeName, "AttributeGroup");
    EXPECT_EQ(group->getRefCount(), 0);
    EXPECT_EQ(osg::FieldContainerFactory::the()->getContainer(id), group);

    osg::addRef(group);
    osg::subRef(group);
    EXPECT_TRUE(osg::FieldContainerFactory::the()->getContainer(id).isNull());
}

// ---------------------------------------------------------------- types

struct TypeCase
{
    const char* name;
    std::function<osg::FieldContainerPtr()> create;
    const osg::FieldContainerType* classType;
    std::vector<std::string> chain; ///< the type and its parents, up to the root
};

std::ostream& operator<<(std::ostream& out, const TypeCase& c)
{
    return out << c.name;
}

class ContainerTypeTest : public oxHostTest, public ::testing::WithParamInterface<TypeCase>
{
};

template <class T>
TypeCase typeCase(const char* name, std::vector<std::string> parents)
{
    parents.insert(parents.begin(), name);
    return {name, [] { return osg::FieldContainerPtr(T::create()); }, &T::getClassType(), parents};
}

TEST_P(ContainerTypeTest, NameAndParentChain)
{
    const TypeCase& c = GetParam();
    osg::FieldContainerPtr container = hold(c.create());
    EXPECT_EQ(&container->getType(), c.classType);
    std::vector<std::string> chain;
    for (const osg::FieldContainerType* t = &container->getType(); t; t = t->getParent())
        chain.push_back(t->getName());
    EXPECT_EQ(chain, c.chain);
    EXPECT_TRUE(container->getType().isDerivedFrom(osg::FieldContainer::getClassType()));
    EXPECT_TRUE(container->getType().isDerivedFrom(*c.classType));
}

const std::vector<std::string> kValueParents = {"AttributeValue", "Attribute", "FieldContainer"};

INSTANTIATE_TEST_SUITE_P(
    AllClasses, ContainerTypeTest,
    ::testing::Values(typeCase<osg::Image>("Image", {"FieldContainer"}),
                      typeCase<AttributeFloatValue>("AttributeFloatValue", kValueParents),
                      typeCase<AttributeFloat2DValue>("AttributeFloat2DValue", kValueParents),
                      typeCase<AttributeFloat3DValue>("AttributeFloat3DValue", kValueParents),
                      typeCase<AttributeFloat4DValue>("AttributeFloat4DValue", kValueParents),
                      typeCase<AttributeIntValue>("AttributeIntValue", kValueParents),
                      typeCase<AttributeInt2DValue>("AttributeInt2DValue", kValueParents),
                      typeCase<AttributeInt3DValue>("AttributeInt3DValue", kValueParents),
                      typeCase<AttributeInt4DValue>("AttributeInt4DValue", kValueParents),
                      typeCase<AttributeStringValue>("AttributeStringValue", kValueParents),
                      typeCase<AttributeImageValue>("AttributeImageValue", kValueParents),
                      typeCase<AttributeGroup>("AttributeGroup", {"Attribute", "FieldContainer"}),
                      typeCase<ComponentSettings>("ComponentSettings", {"FieldContainer"}),
                      typeCase<ColorComponents>("ColorComponents", {"FieldContainer"}),
                      typeCase<USubstanceGraph>("USubstanceGraph", {"FieldContainer"}),
                      TypeCase{"SubstancePreset",
                               [] { return osg::FieldContainerPtr(SubstancePreset::create("", "", "")); },
                               &SubstancePreset::getClassType(),
                               {"SubstancePreset", "FieldContainer"}},
                      typeCase<USubstanceMaterial>("USubstanceMaterial",
                                                   {"UBRDFMaterial", "Material", "FieldContainer"}),
                      typeCase<USubstanceEnvironmentMaterial>("USubstanceEnvironmentMaterial",
                                                              {"Material", "FieldContainer"})),
    [](const ::testing::TestParamInfo<TypeCase>& info) { return std::string(info.param.name); });

class DynamicCastTest : public oxHostTest
{
};

TEST_F(DynamicCastTest, ThroughParentTypesAndToUnrelatedClasses)
{
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    USubstanceEnvironmentMaterialPtr environment = hold(USubstanceEnvironmentMaterial::create());
    AttributeFloat4DValuePtr value = hold(AttributeFloat4DValue::create());
    const MaterialPtr asMaterial(material);
    const MaterialPtr environmentAsMaterial(environment);

    EXPECT_EQ(UBRDFMaterialPtr::dcast(asMaterial), material);
    EXPECT_EQ(USubstanceMaterialPtr::dcast(asMaterial), material);
    EXPECT_TRUE(USubstanceEnvironmentMaterialPtr::dcast(asMaterial).isNull());
    EXPECT_EQ(USubstanceEnvironmentMaterialPtr::dcast(environmentAsMaterial), environment);
    EXPECT_TRUE(USubstanceMaterialPtr::dcast(environmentAsMaterial).isNull());
    EXPECT_TRUE(UBRDFMaterialPtr::dcast(environmentAsMaterial).isNull());

    const AttributeValuePtr asValue(value);
    EXPECT_EQ(AttributeFloat4DValuePtr::dcast(asValue), value);
    EXPECT_EQ(AttributePtr::dcast(asValue), value);
    EXPECT_TRUE(AttributeFloat3DValuePtr::dcast(asValue).isNull());
    EXPECT_TRUE(AttributeGroupPtr::dcast(asValue).isNull());
    EXPECT_TRUE(MaterialPtr::dcast(asValue).isNull());
    EXPECT_TRUE(USubstanceMaterialPtr::dcast(MaterialPtr()).isNull());

    // Lookup by id gives a plain container handle that casts back.
    const osg::FieldContainerPtr found = osg::FieldContainerFactory::the()->getContainer(material->getId());
    EXPECT_EQ(USubstanceMaterialPtr::dcast(found), material);
    EXPECT_TRUE(osg::ImagePtr::dcast(found).isNull());
}

// ---------------------------------------------------------------- edit brackets

struct BracketCase
{
    const char* name;
    /// Runs on a fresh material and graph; must leave no bracket open.
    std::function<void(const USubstanceMaterialPtr&, const USubstanceGraphPtr&)> run;
    std::vector<std::string> violations;
};

std::ostream& operator<<(std::ostream& out, const BracketCase& c)
{
    return out << c.name;
}

class EditBracketTest : public oxHostTest, public ::testing::WithParamInterface<BracketCase>
{
};

TEST_P(EditBracketTest, ViolationsRecorded)
{
    checkEdits = false;
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    USubstanceGraphPtr graph = hold(USubstanceGraph::create());
    GetParam().run(material, graph);
    EXPECT_EQ(violationKinds(), GetParam().violations);
    for (const oxStandIn::EditViolation& v : oxStandIn::editViolations())
        EXPECT_NE(v.containerId, 0u);
}

const BitVector kName = USubstanceMaterial::NameFieldMask;
const BitVector kPath = USubstanceMaterial::ArchivePathFieldMask;
const BitVector kIndex = USubstanceMaterial::ActiveGraphIndexFieldMask;

INSTANTIATE_TEST_SUITE_P(
    Cases, EditBracketTest,
    ::testing::Values(
        BracketCase{"WriteWithoutBracket",
                    [](const USubstanceMaterialPtr& m, const USubstanceGraphPtr&) { m->setName("x"); },
                    {"write outside bracket"}},
        BracketCase{"WriteUnderWrongMask",
                    [](const USubstanceMaterialPtr& m, const USubstanceGraphPtr&) {
                        osg::beginEditCP(m, kPath);
                        m->setName("x");
                        osg::endEditCP(m, kPath);
                    },
                    {"write not covered by bracket mask"}},
        BracketCase{"WriteUnderBracketOfAnotherContainer",
                    [](const USubstanceMaterialPtr& m, const USubstanceGraphPtr& g) {
                        osgEdit edit(g, osg::FieldBits::AllFields);
                        m->setName("x");
                    },
                    {"write outside bracket"}},
        BracketCase{"WriteAfterBracketEnded",
                    [](const USubstanceMaterialPtr& m, const USubstanceGraphPtr&) {
                        {
                            osgEdit edit(m, kName);
                        }
                        m->setName("x");
                    },
                    {"write outside bracket"}},
        BracketCase{"CoveredWrites",
                    [](const USubstanceMaterialPtr& m, const USubstanceGraphPtr& g) {
                        osgEdit edit(m, kName | kPath);
                        m->setName("x");
                        m->setArchivePath("y");
                        osgEdit all(g, osg::FieldBits::AllFields);
                        g->setName("z");
                        g->editAttributeGroups().clear();
                    },
                    {}},
        BracketCase{"NestedBracketsCoverTogether",
                    [](const USubstanceMaterialPtr& m, const USubstanceGraphPtr&) {
                        osg::beginEditCP(m, kName);
                        osg::beginEditCP(m, kPath);
                        m->setName("x");
                        m->setArchivePath("y");
                        osg::endEditCP(m, kPath);
                        m->setName("still covered by the outer bracket");
                        m->setArchivePath("no longer covered");
                        osg::endEditCP(m, kName);
                    },
                    {"write not covered by bracket mask"}},
        BracketCase{"SameMaskNestedClosesInnermost",
                    [](const USubstanceMaterialPtr& m, const USubstanceGraphPtr&) {
                        osg::beginEditCP(m, kName);
                        osg::beginEditCP(m, kName);
                        osg::endEditCP(m, kName);
                        m->setName("x");
                        osg::endEditCP(m, kName);
                    },
                    {}},
        BracketCase{"EndWithoutBegin",
                    [](const USubstanceMaterialPtr& m, const USubstanceGraphPtr&) { osg::endEditCP(m, kName); },
                    {"unmatched end"}},
        BracketCase{"EndWithOtherMask",
                    [](const USubstanceMaterialPtr& m, const USubstanceGraphPtr&) {
                        osg::beginEditCP(m, kName);
                        osg::endEditCP(m, kName | kPath);
                        osg::endEditCP(m, kName);
                    },
                    {"unmatched end"}},
        BracketCase{"EndOnOtherContainer",
                    [](const USubstanceMaterialPtr& m, const USubstanceGraphPtr& g) {
                        osg::beginEditCP(m, kName);
                        osg::endEditCP(g, kName);
                        osg::endEditCP(m, kName);
                    },
                    {"unmatched end"}},
        BracketCase{"ListWriteNeedsItsMask",
                    [](const USubstanceMaterialPtr&, const USubstanceGraphPtr& g) {
                        osgEdit edit(g, USubstanceGraph::NameFieldMask);
                        g->editAttributeGroups();
                    },
                    {"write not covered by bracket mask"}},
        BracketCase{"NullHandlesAreIgnored",
                    [](const USubstanceMaterialPtr&, const USubstanceGraphPtr&) {
                        osg::beginEditCP(osg::NullFC, kName);
                        osg::endEditCP(osg::NullFC, kName);
                        osg::endEditCP(USubstanceMaterialPtr(), kIndex);
                    },
                    {}}),
    [](const ::testing::TestParamInfo<BracketCase>& info) { return std::string(info.param.name); });

class EditLogTest : public oxHostTest
{
};

TEST_F(EditLogTest, RecordsEveryBeginAndEndWithTypeMaskAndOrigin)
{
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    oxStandIn::clearEditLog();
    osg::beginEditCP(material, kIndex, 7);
    EXPECT_EQ(oxStandIn::openEditCount(), 1u);
    material->setActiveGraphIndex(3);
    osg::endEditCP(material, kIndex);
    EXPECT_EQ(oxStandIn::openEditCount(), 0u);
    {
        osgEdit edit(material, kName);
        EXPECT_EQ(oxStandIn::openEditCount(), 1u);
    }

    const std::vector<oxStandIn::EditRecord>& log = oxStandIn::editLog();
    ASSERT_EQ(log.size(), 4u);
    const struct
    {
        BitVector mask;
        osg::UInt32 origin;
        bool begin;
    } expected[] = {{kIndex, 7, true}, {kIndex, 1, false}, {kName, 1, true}, {kName, 1, false}};
    for (std::size_t i = 0; i < log.size(); ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(log[i].containerId, material->getId());
        EXPECT_EQ(log[i].typeName, "USubstanceMaterial");
        EXPECT_EQ(log[i].mask, expected[i].mask);
        EXPECT_EQ(log[i].origin, expected[i].origin);
        EXPECT_EQ(log[i].begin, expected[i].begin);
    }
    EXPECT_EQ(material->getActiveGraphIndex(), 3);
}

TEST_F(EditLogTest, ViolationNamesContainerTypeAndFields)
{
    checkEdits = false;
    USubstanceGraphPtr graph = hold(USubstanceGraph::create());
    graph->setName("g");
    ASSERT_EQ(oxStandIn::editViolations().size(), 1u);
    const oxStandIn::EditViolation& v = oxStandIn::editViolations()[0];
    EXPECT_EQ(v.containerId, graph->getId());
    EXPECT_EQ(v.typeName, "USubstanceGraph");
    EXPECT_EQ(v.mask, USubstanceGraph::NameFieldMask);
    oxStandIn::clearEditViolations();
    EXPECT_TRUE(oxStandIn::editViolations().empty());
}

TEST_F(EditLogTest, InitialValuesOfCreateNeedNoBracket)
{
    SubstancePresetPtr preset = hold(SubstancePreset::create("name", "<sbspreset/>", "/p.sbsprs"));
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    ImagePtr image = hold(oxImageCreator::createDummyImage(1, 2, 3));
    EXPECT_TRUE(oxStandIn::editLog().empty());
    EXPECT_TRUE(oxStandIn::editViolations().empty());
    EXPECT_EQ(preset->getName(), "name");
    EXPECT_EQ(preset->getContent(), "<sbspreset/>");
    EXPECT_EQ(preset->getSourcePath(), "/p.sbsprs");
    EXPECT_EQ(material->getColorComponentData()->getComponents().size(),
              std::size_t(ColorComponents::getComponentTypeCount()));
    EXPECT_EQ(image->getWidth(), 4);

    // Once created, the same container is checked like any other.
    checkEdits = false;
    preset->setName("other");
    EXPECT_EQ(violationKinds(), std::vector<std::string>{"write outside bracket"});
}

// ---------------------------------------------------------------- testing records and reset

int g_hookRuns = 0;
void countingHook()
{
    ++g_hookRuns;
}

class StandInResetTest : public oxHostTest
{
};

TEST_F(StandInResetTest, ArchiveCallCounters)
{
    EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 0);
    oxStandIn::countArchiveCall("renderTextures");
    oxStandIn::countArchiveCall("renderTextures");
    oxStandIn::countArchiveCall("import");
    EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 2);
    EXPECT_EQ(oxStandIn::archiveCallCount("import"), 1);
    EXPECT_EQ(oxStandIn::archiveCallCount("Import"), 0);
    EXPECT_EQ(oxStandIn::archiveCalls().size(), 2u);
    oxStandIn::clearArchiveCalls();
    EXPECT_TRUE(oxStandIn::archiveCalls().empty());
    EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 0);
}

TEST_F(StandInResetTest, ResetClearsRecordsSwitchesTheCacheOffAndRunsHooks)
{
    checkEdits = false;
    oxStandIn::addResetHook(&countingHook);
    oxStandIn::addResetHook(nullptr);
    const int runs = g_hookRuns;

    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    material->setName("unbracketed");
    osg::beginEditCP(material, kName);
    oxLog::error("an error");
    oxStandIn::countArchiveCall("import");
    USubstanceMaterial::enablePresetCache(true);

    oxStandIn::reset();
    EXPECT_EQ(g_hookRuns, runs + 1);
    EXPECT_TRUE(oxStandIn::editLog().empty());
    EXPECT_TRUE(oxStandIn::editViolations().empty());
    EXPECT_EQ(oxStandIn::openEditCount(), 0u);
    EXPECT_TRUE(oxStandIn::logMessages().empty());
    EXPECT_TRUE(oxStandIn::archiveCalls().empty());
    EXPECT_FALSE(USubstanceMaterial::isPresetCacheEnabled());
    // Containers are the tests' own: reset leaves them alone.
    EXPECT_EQ(osg::FieldContainerFactory::the()->getContainer(material->getId()), material);
}

} // namespace
