// Field-container core of the stand-in host: ids, reference counts, run-time
// types, edit brackets and the reset between tests.

#include "Materials.h"
#include "oxHostFixture.h"
#include "oxHostUtils.h"

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace {

using FieldContainerTest = oxHostTest;
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

TEST_F(FieldContainerTest, LastSubRefDestroysAndTheIdIsNoLongerFound)
{
    const std::size_t before = oxStandIn::liveContainerCount();
    ImagePtr image = osg::Image::create();
    const osg::UInt32 id = image->getId();
    EXPECT_NE(id, 0u);
    EXPECT_EQ(image->getRefCount(), 0);
    EXPECT_EQ(byId(id), image);
    EXPECT_TRUE(byId(0).isNull());
    const std::vector<osg::FieldContainerPtr> live = oxStandIn::liveContainers();
    EXPECT_EQ(std::count(live.begin(), live.end(), osg::FieldContainerPtr(image)), 1);

    osg::addRef(image);
    osg::addRef(image);
    osg::subRef(image);
    EXPECT_EQ(byId(id), image);
    osg::subRef(image);
    EXPECT_TRUE(byId(id).isNull());
    EXPECT_EQ(oxStandIn::liveContainerCount(), before);
    EXPECT_NE(hold(osg::Image::create())->getId(), id);

    // One subRef too many is recorded and destroys nothing.
    checkEdits = false;
    AttributeGroupPtr group = AttributeGroup::create();
    osg::subRef(group);
    ASSERT_EQ(oxStandIn::editViolations().size(), 1u);
    EXPECT_EQ(oxStandIn::editViolations()[0].what, "subRef below zero");
    EXPECT_EQ(oxStandIn::editViolations()[0].typeName, "AttributeGroup");
    EXPECT_EQ(byId(group->getId()), group);
    osg::addRef(group);
    osg::subRef(group);
}

TEST_F(FieldContainerTest, TypesAnswerThroughTheirParents)
{
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    USubstanceEnvironmentMaterialPtr environment = hold(USubstanceEnvironmentMaterial::create());
    AttributeFloat4DValuePtr value = hold(AttributeFloat4DValue::create());
    std::vector<std::string> chain;
    for (const osg::FieldContainerType* t = &material->getType(); t; t = t->getParent())
        chain.push_back(t->getName());
    EXPECT_EQ(chain, (std::vector<std::string>{"USubstanceMaterial", "UBRDFMaterial", "Material", "FieldContainer"}));
    EXPECT_EQ(UBRDFMaterialPtr::dcast(MaterialPtr(material)), material);
    EXPECT_EQ(USubstanceMaterialPtr::dcast(byId(material->getId())), material);
    EXPECT_TRUE(UBRDFMaterialPtr::dcast(MaterialPtr(environment)).isNull());
    EXPECT_EQ(AttributePtr::dcast(AttributeValuePtr(value)), value);
    EXPECT_TRUE(AttributeFloat3DValuePtr::dcast(AttributeValuePtr(value)).isNull());
    EXPECT_TRUE(AttributeGroupPtr::dcast(AttributeValuePtr(value)).isNull());
    EXPECT_TRUE(USubstanceMaterialPtr::dcast(MaterialPtr()).isNull());
}

TEST_F(FieldContainerTest, BracketsCoverWritesByContainerAndMask)
{
    checkEdits = false;
    USubstanceMaterialPtr m = hold(USubstanceMaterial::create());
    USubstanceGraphPtr g = hold(USubstanceGraph::create());
    const BitVector name = USubstanceMaterial::NameFieldMask;
    const BitVector path = USubstanceMaterial::ArchivePathFieldMask;
    const std::string outside = "write outside bracket", uncovered = "write not covered by bracket mask";
    const struct
    {
        const char* what;
        std::function<void()> run;
        std::vector<std::string> violations;
    } cases[] = {
        {"no bracket", [&] { m->setName("x"); }, {outside}},
        {"wrong mask", [&] { osgEdit e(m, path); m->setName("x"); }, {uncovered}},
        {"another container", [&] { osgEdit e(g, osg::FieldBits::AllFields); m->setName("x"); }, {outside}},
        {"list field", [&] { osgEdit e(g, USubstanceGraph::NameFieldMask); g->editAttributeGroups(); }, {uncovered}},
        {"nested brackets cover together until the inner one ends",
         [&] {
             osg::beginEditCP(m, name);
             osg::beginEditCP(m, path);
             m->setName("x");
             m->setArchivePath("y");
             osg::endEditCP(m, path);
             m->setName("z");
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

TEST_F(FieldContainerTest, EditLogRecordsBeginsAndEnds)
{
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    const BitVector mask = USubstanceMaterial::ActiveGraphIndexFieldMask;
    oxStandIn::clearEditLog();
    osg::beginEditCP(material, mask, 7);
    EXPECT_EQ(oxStandIn::openEditCount(), 1u);
    material->setActiveGraphIndex(3);
    osg::endEditCP(material, mask);
    const std::vector<oxStandIn::EditRecord>& log = oxStandIn::editLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].containerId, material->getId());
    EXPECT_EQ(log[0].typeName, "USubstanceMaterial");
    EXPECT_EQ(std::make_tuple(log[0].mask, log[0].origin, log[0].begin), std::make_tuple(mask, 7u, true));
    EXPECT_EQ(std::make_tuple(log[1].mask, log[1].origin, log[1].begin), std::make_tuple(mask, 1u, false));
}

int g_hookRuns = 0;

TEST_F(FieldContainerTest, ResetClearsRecordsAndRunsHooksButKeepsContainers)
{
    checkEdits = false;
    oxStandIn::addResetHook([] { ++g_hookRuns; });
    const int runs = g_hookRuns;
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    material->setName("unbracketed");
    osg::beginEditCP(material, USubstanceMaterial::NameFieldMask);
    oxLog::error("an error");
    oxStandIn::countArchiveCall("import");
    USubstanceMaterial::enablePresetCache(true);
    EXPECT_EQ(oxStandIn::archiveCallCount("import"), 1);

    oxStandIn::reset();
    EXPECT_EQ(g_hookRuns, runs + 1);
    EXPECT_TRUE(oxStandIn::editLog().empty() && oxStandIn::editViolations().empty());
    EXPECT_TRUE(oxStandIn::logMessages().empty() && oxStandIn::archiveCalls().empty());
    EXPECT_EQ(oxStandIn::openEditCount(), 0u);
    EXPECT_FALSE(USubstanceMaterial::isPresetCacheEnabled());
    EXPECT_EQ(byId(material->getId()), material);
}

} // namespace
