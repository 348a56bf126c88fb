// Field-container core of the stand-in host: ids and reference counts,
// run-time types, edit brackets and the reset between tests.

#include "Materials.h"
#include "oxHostFixture.h"
#include "oxHostUtils.h"

#include <functional>
#include <string>
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

TEST_F(FieldContainerTest, TypesAnswerThroughTheirParents)
{
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    AttributeFloat4DValuePtr value = hold(AttributeFloat4DValue::create());
    EXPECT_EQ(UBRDFMaterialPtr::dcast(MaterialPtr(material)), material);
    EXPECT_EQ(USubstanceMaterialPtr::dcast(byId(material->getId())), material);
    EXPECT_TRUE(UBRDFMaterialPtr::dcast(MaterialPtr(hold(USubstanceEnvironmentMaterial::create()))).isNull());
    EXPECT_EQ(AttributePtr::dcast(AttributeValuePtr(value)), value);
    EXPECT_TRUE(AttributeFloat3DValuePtr::dcast(AttributeValuePtr(value)).isNull());
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

TEST_F(FieldContainerTest, ResetClearsRecordsButKeepsContainers)
{
    checkEdits = false;
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    material->setName("unbracketed");
    osg::beginEditCP(material, USubstanceMaterial::NameFieldMask);
    oxLog::error("an error");
    oxStandIn::reset();
    EXPECT_TRUE(oxStandIn::editLog().empty() && oxStandIn::editViolations().empty());
    EXPECT_TRUE(oxStandIn::logMessages().empty());
    EXPECT_EQ(oxStandIn::openEditCount(), 0u);
    EXPECT_EQ(byId(material->getId()), material);
}

} // namespace
