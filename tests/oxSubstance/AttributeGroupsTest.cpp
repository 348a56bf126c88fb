// Attribute groups of a graph, and the material reference of the modifier.

#include "oxHostFixture.h"

#include "host/Attributes.h"
#include "host/Materials.h"
#include "oxSubstanceMaterialModifier.h"

#include <QMap>
#include <QString>
#include <QVariant>

#include <string>
#include <vector>

using InputList = oxSubstanceMaterialModifier::InputList;

/// Reaches the modifier's private group steps.
struct oxSubstanceMaterialModifierTestAccess
{
    static void updateAttributeGroups(oxSubstanceMaterialModifier& m, osg::MField<AttributeGroupPtr>& list,
                                      const InputList& inputs)
    {
        m.updateAttributeGroups(list, inputs);
    }
    static AttributeGroupPtr createGroup(oxSubstanceMaterialModifier& m, const InputList& inputs,
                                         const std::string& name, bool common)
    {
        return m.createGroup(inputs, name, common);
    }
};

namespace {

using Access = oxSubstanceMaterialModifierTestAccess;
using Description = QMap<QString, QVariant>;

const osg::BitVector kGroupMask =
    AttributeGroupBase::PropertiesFieldMask | AttributeGroupBase::CommonFieldMask | AttributeBase::NameFieldMask;

/// One input; a null pointer leaves that key out.
Description in(const char* typ, const char* id, const char* label, const char* group)
{
    Description d;
    if (typ)
        d["TYP"] = QString::fromUtf8(typ);
    if (id)
        d["ID"] = QString::fromUtf8(id);
    if (label)
        d["LABEL"] = QString::fromUtf8(label);
    if (group)
        d["GROUP"] = QString::fromUtf8(group);
    return d;
}

struct ExpectedGroup
{
    std::string name;
    bool common;
    std::vector<std::string> uuids; ///< the group's values, in order
};

struct GroupCase
{
    const char* name;
    InputList inputs;
    std::vector<ExpectedGroup> expected;
};

void PrintTo(const GroupCase& c, std::ostream* os) { *os << c.name; }

const GroupCase kGroupCases[] = {
    {"emptyInputList", {}, {}},
    {"ungroupedLabelledInputsShareCommonInInputOrder",
     {in("float", "b", "B", nullptr), in("int", "a", "A", nullptr), in("string", "c", "C", "")},
     {{"Common", true, {"b", "a", "c"}}}},
    {"namedGroupsByFirstAppearanceCommonLast",
     {in("float", "x", "X", "Zeta"), in("float", "u", "U", nullptr), in("int", "y", "Y", "Alpha"),
      in("float[2]", "z", "Z", "Zeta"), in("image", "w", "W", "Mid")},
     {{"Zeta", false, {"x", "z"}}, {"Alpha", false, {"y"}}, {"Mid", false, {"w"}}, {"Common", true, {"u"}}}},
    {"unlabelledUngroupedInputsMakeNoCommonGroup",
     {in("float", "a", nullptr, nullptr), in("float", "b", "", nullptr), in("float", "c", "C", "G")},
     {{"G", false, {"c"}}}},
    {"groupWhoseInputsLackLabelsIsKeptEmpty",
     {in("float", "a", nullptr, "G"), in("int", "b", "", "G"), in("float", "c", "C", nullptr)},
     {{"G", false, {}}, {"Common", true, {"c"}}}},
    {"groupNamesDifferingInCaseMakeTwoGroups",
     {in("float", "a", "A", "Light"), in("float", "b", "B", "light"), in("float", "c", "C", "Light")},
     {{"Light", false, {"a", "c"}}, {"light", false, {"b"}}}},
    {"ordinaryCommonGroupThenSharedCommon",
     {in("float", "s", "S", nullptr), in("float", "o", "O", "Common")},
     {{"Common", false, {"o"}}, {"Common", true, {"s"}}}},
    {"ordinaryCommonGroupAlone", {in("float", "o", "O", "Common")}, {{"Common", false, {"o"}}}},
    {"unknownTypesAreLeftOut",
     {in("float", "a", "A", "G"), in("vec9", "b", "B", "G"), in("Float", "c", "C", nullptr),
      in(nullptr, "d", "D", "G"), in("int", "e", "E", "G")},
     {{"G", false, {"a", "e"}}, {"Common", true, {}}}},
    {"utf8GroupNames",
     {in("float", "a", "A", u8"Größe"), in("float", "b", "B", u8"Größe")},
     {{u8"Größe", false, {"a", "b"}}}},
};

class AttributeGroupsFixture : public oxHostTest
{
protected:
    /// A held graph whose groups are rebuilt from \p inputs inside an edit of the graph.
    void rebuild(const USubstanceGraphPtr& graph, const InputList& inputs)
    {
        USubstanceMaterialPtr none;
        oxSubstanceMaterialModifier modifier(none);
        osgEdit edit(graph, USubstanceGraphBase::AttributeGroupsFieldMask);
        Access::updateAttributeGroups(modifier, graph->editAttributeGroups(), inputs);
    }
};

class AttributeGroupsBuild : public AttributeGroupsFixture, public ::testing::WithParamInterface<GroupCase>
{
};

TEST_P(AttributeGroupsBuild, groupsValuesReferencesAndBrackets)
{
    const GroupCase& c = GetParam();
    const USubstanceGraphPtr graph = hold(USubstanceGraph::create());
    const std::size_t liveBefore = oxStandIn::liveContainerCount();
    oxStandIn::clearEditLog();

    rebuild(graph, c.inputs);

    const osg::MField<AttributeGroupPtr>& groups = graph->getAttributeGroups();
    ASSERT_EQ(groups.size(), c.expected.size());
    std::size_t values = 0;
    for (std::size_t g = 0; g < groups.size(); ++g)
    {
        SCOPED_TRACE("group " + std::to_string(g));
        const AttributeGroupPtr group = groups[g];
        const ExpectedGroup& expected = c.expected[g];
        ASSERT_FALSE(group.isNull());
        EXPECT_EQ(group->getName(), expected.name);
        EXPECT_EQ(group->getCommon(), expected.common);
        EXPECT_EQ(group->getRefCount(), 1) << "the list holds one reference";

        std::vector<std::string> uuids;
        for (const AttributeValuePtr& value : group->getProperties())
        {
            ASSERT_FALSE(value.isNull());
            uuids.push_back(value->getUuid());
            EXPECT_EQ(value->getRefCount(), 1) << "the group holds one reference";
        }
        EXPECT_EQ(uuids, expected.uuids);
        values += uuids.size();

        std::vector<osg::BitVector> masks;
        for (const oxStandIn::EditRecord& r : bracketsOn(group->getId()))
            masks.push_back(r.mask);
        EXPECT_EQ(masks, std::vector<osg::BitVector>{kGroupMask});
    }
    EXPECT_EQ(oxStandIn::liveContainerCount(), liveBefore + groups.size() + values);

    const bool hasShared = !c.expected.empty() && c.expected.back().common;
    const AttributeGroupPtr shared = graph->getAttributeGroup("");
    if (hasShared)
        EXPECT_EQ(shared, groups.back()) << "the shared group is found by the empty name";
    else
        EXPECT_TRUE(shared.isNull());
    EXPECT_TRUE(logLines().empty()) << "nothing here is reported";
}

INSTANTIATE_TEST_SUITE_P(Inputs, AttributeGroupsBuild, ::testing::ValuesIn(kGroupCases),
                         [](const ::testing::TestParamInfo<GroupCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- rebuilding

TEST_F(AttributeGroupsFixture, rebuildReleasesOldGroupsOnceAndReplacesThem)
{
    const USubstanceGraphPtr graph = hold(USubstanceGraph::create());
    const std::size_t liveEmpty = oxStandIn::liveContainerCount();
    const InputList first = {in("float", "a", "A", "G"), in("int", "b", "B", "H"), in("float", "c", "C", nullptr)};
    rebuild(graph, first);
    const osg::MField<AttributeGroupPtr> oldGroups = graph->getAttributeGroups();
    ASSERT_EQ(oldGroups.size(), 3u);
    ASSERT_EQ(oxStandIn::liveContainerCount(), liveEmpty + 6);

    // Keep one old group alive to see its count.
    const AttributeGroupPtr kept = hold(oldGroups[0]);
    ASSERT_EQ(kept->getRefCount(), 2);

    const InputList second = {in("float", "x", "X", "K"), in("float", "y", "Y", nullptr)};
    rebuild(graph, second);

    EXPECT_EQ(kept->getRefCount(), 1) << "the old list's reference is given back exactly once";
    ASSERT_EQ(kept->getProperties().size(), 1u);
    EXPECT_EQ(kept->getProperties()[0]->getRefCount(), 1);

    const osg::MField<AttributeGroupPtr>& groups = graph->getAttributeGroups();
    ASSERT_EQ(groups.size(), 2u);
    for (const AttributeGroupPtr& group : groups)
    {
        EXPECT_NE(group, kept);
        EXPECT_EQ(group->getRefCount(), 1);
    }
    EXPECT_EQ(groups[0]->getName(), "K");
    EXPECT_TRUE(groups[1]->getCommon());
    // Two old groups with their values are gone; the kept one and its value remain.
    EXPECT_EQ(oxStandIn::liveContainerCount(), liveEmpty + 4 + 2);

    rebuild(graph, {});
    EXPECT_TRUE(graph->getAttributeGroups().empty());
    EXPECT_EQ(oxStandIn::liveContainerCount(), liveEmpty + 2);
}

TEST_F(oxHostTest, rebuildSkipsNullEntriesOfTheOldList)
{
    USubstanceMaterialPtr none;
    oxSubstanceMaterialModifier modifier(none);
    const AttributeGroupPtr stray = hold(AttributeGroup::create());
    osg::addRef(stray); // the list's reference
    osg::MField<AttributeGroupPtr> list = {AttributeGroupPtr(), stray, AttributeGroupPtr()};

    Access::updateAttributeGroups(modifier, list, {in("float", "a", "A", "G")});
    EXPECT_EQ(stray->getRefCount(), 1);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->getName(), "G");

    Access::updateAttributeGroups(modifier, list, {});
    EXPECT_TRUE(list.empty());
}

// ---------------------------------------------------------------- single steps

TEST_F(oxHostTest, createGroupTakesNoReferenceAndFillsUnderItsMask)
{
    USubstanceMaterialPtr none;
    oxSubstanceMaterialModifier modifier(none);
    const InputList inputs = {in("float", "a", "A", "X"), in("int", "b", "B", nullptr), in("float", "c", "", nullptr)};

    // The shared group takes the ungrouped inputs whatever name it is given.
    const AttributeGroupPtr group = Access::createGroup(modifier, inputs, "X", true);
    ASSERT_FALSE(group.isNull());
    EXPECT_EQ(group->getRefCount(), 0);
    hold(group);
    EXPECT_EQ(group->getName(), "X");
    EXPECT_TRUE(group->getCommon());
    ASSERT_EQ(group->getProperties().size(), 1u);
    EXPECT_EQ(group->getProperties()[0]->getUuid(), "b");

    const std::vector<oxStandIn::EditRecord> brackets = bracketsOn(group->getId());
    ASSERT_EQ(brackets.size(), 1u);
    EXPECT_EQ(brackets[0].mask, kGroupMask);
    EXPECT_EQ(brackets[0].origin, 1u);
}

// ---------------------------------------------------------------- material reference

TEST_F(oxHostTest, modifierHoldsOneMaterialReferencePerCopy)
{
    USubstanceMaterialPtr first = hold(USubstanceMaterial::create());
    USubstanceMaterialPtr second = hold(USubstanceMaterial::create());
    ASSERT_EQ(first->getRefCount(), 1);
    {
        oxSubstanceMaterialModifier a(first);
        EXPECT_EQ(first->getRefCount(), 2);
        {
            oxSubstanceMaterialModifier copy(a);
            EXPECT_EQ(first->getRefCount(), 3);
            oxSubstanceMaterialModifier other(second);
            EXPECT_EQ(second->getRefCount(), 2);

            other = a;
            EXPECT_EQ(first->getRefCount(), 4);
            EXPECT_EQ(second->getRefCount(), 1) << "assignment gives the old material back";

            const oxSubstanceMaterialModifier& alias = other;
            other = alias;
            EXPECT_EQ(first->getRefCount(), 4) << "self-assignment changes nothing";
        }
        EXPECT_EQ(first->getRefCount(), 2);
    }
    EXPECT_EQ(first->getRefCount(), 1);
    EXPECT_EQ(second->getRefCount(), 1);
}

TEST_F(oxHostTest, modifierOnNullMaterialCopiesAndAssignsSafely)
{
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    USubstanceMaterialPtr none;
    {
        oxSubstanceMaterialModifier empty(none);
        oxSubstanceMaterialModifier copy(empty);
        oxSubstanceMaterialModifier full(material);
        full = empty;
        EXPECT_EQ(material->getRefCount(), 1);
        empty = oxSubstanceMaterialModifier(material);
        EXPECT_EQ(material->getRefCount(), 2);
    }
    EXPECT_EQ(material->getRefCount(), 1);
}

} // namespace
