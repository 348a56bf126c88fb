// Attribute groups of a graph, and the material reference of the modifier.

#include "oxHostFixture.h"

#include "host/Attributes.h"
#include "host/Materials.h"
#include "oxSubstanceMaterialModifier.h"

#include <QMap>
#include <QString>
#include <QVariant>

#include <string>
#include <tuple>
#include <vector>

using InputList = oxSubstanceMaterialModifier::InputList;

/// Reaches the modifier's private group step.
struct oxSubstanceMaterialModifierTestAccess
{
    static void rebuild(const USubstanceGraphPtr& graph, const InputList& inputs)
    {
        USubstanceMaterialPtr none;
        oxSubstanceMaterialModifier modifier(none);
        osgEdit edit(graph, USubstanceGraphBase::AttributeGroupsFieldMask);
        modifier.updateAttributeGroups(graph->editAttributeGroups(), oxSubstanceInputDescription::readAll(inputs));
    }
};

namespace {

using Access = oxSubstanceMaterialModifierTestAccess;

/// One input; a null pointer leaves that key out.
QMap<QString, QVariant> in(const char* typ, const char* id, const char* label, const char* group)
{
    QMap<QString, QVariant> d;
    const std::pair<const char*, const char*> keys[] = {{"TYP", typ}, {"ID", id}, {"LABEL", label}, {"GROUP", group}};
    for (const auto& key : keys)
        if (key.second)
            d[key.first] = QString::fromUtf8(key.second);
    return d;
}

/// Name, Common flag and the identifiers of the values, in order.
using ExpectedGroup = std::tuple<std::string, bool, std::vector<std::string>>;

struct GroupCase
{
    const char* name;
    InputList inputs;
    std::vector<ExpectedGroup> expected;
};

/// Names the case in test listings (instead of its bytes).
void PrintTo(const GroupCase& c, std::ostream* os)
{
    *os << c.name;
}

const GroupCase kGroupCases[] = {
    {"groupsInFirstAppearanceOrderSharedCommonLast",
     {in("float", "x", "X", "Zeta"), in("float", "u", "U", nullptr), in("int", "y", "Y", "Alpha"),
      in("float[2]", "z", "Z", "Zeta"), in("vec9", "v", "V", "Zeta"), in("string", "c", "C", "")},
     {{"Zeta", false, {"x", "z"}}, {"Alpha", false, {"y"}}, {"Common", true, {"u", "c"}}}},
    {"unlabelledInputsLeftOutTheirGroupStillMade",
     {in("float", "a", nullptr, "G"), in("int", "b", "", "G"), in("float", "c", "", nullptr),
      in("float", "d", "D", "H")},
     {{"G", false, {}}, {"H", false, {"d"}}}},
    {"namesDifferingInCaseAreTwoGroups",
     {in("float", "a", "A", "Light"), in("float", "b", "B", "light"), in("float", "c", "C", "Light")},
     {{"Light", false, {"a", "c"}}, {"light", false, {"b"}}}},
    {"ordinaryCommonBesideTheSharedOne",
     {in("float", "s", "S", nullptr), in("float", "o", "O", "Common")},
     {{"Common", false, {"o"}}, {"Common", true, {"s"}}}},
};

class AttributeGroupsBuild : public oxHostTest, public ::testing::WithParamInterface<GroupCase>
{
};

TEST_P(AttributeGroupsBuild, GroupsValuesReferencesAndMasks)
{
    const GroupCase& c = GetParam();
    const USubstanceGraphPtr graph = hold(USubstanceGraph::create());
    Access::rebuild(graph, c.inputs);

    const osg::MField<AttributeGroupPtr>& groups = graph->getAttributeGroups();
    std::vector<ExpectedGroup> found;
    for (const AttributeGroupPtr& group : groups)
    {
        EXPECT_EQ(group->getRefCount(), 1) << "the list holds one reference";
        EXPECT_EQ(bracketsOn(group->getId()).size(), 1u);
        for (const oxStandIn::EditRecord& r : bracketsOn(group->getId()))
            EXPECT_EQ(r.mask, AttributeGroupBase::PropertiesFieldMask | AttributeGroupBase::CommonFieldMask |
                                  AttributeBase::NameFieldMask);
        found.emplace_back(group->getName(), group->getCommon(), std::vector<std::string>());
        for (const AttributeValuePtr& value : group->getProperties())
        {
            std::get<2>(found.back()).push_back(value->getUuid());
            EXPECT_EQ(value->getRefCount(), 1) << "the group holds one reference";
        }
    }
    EXPECT_EQ(found, c.expected);

    const AttributeGroupPtr shared = graph->getAttributeGroup("");
    if (!c.expected.empty() && std::get<1>(c.expected.back()))
        EXPECT_EQ(shared, groups.back()) << "the shared group is found by the empty name";
    else
        EXPECT_TRUE(shared.isNull());
    EXPECT_TRUE(logLines().empty());
}

INSTANTIATE_TEST_SUITE_P(Inputs, AttributeGroupsBuild, ::testing::ValuesIn(kGroupCases),
                         [](const ::testing::TestParamInfo<GroupCase>& info) { return std::string(info.param.name); });

using AttributeGroupsTest = oxHostTest;

TEST_F(AttributeGroupsTest, RebuildReleasesOldGroupsOnceAndReplacesThem)
{
    const USubstanceGraphPtr graph = hold(USubstanceGraph::create());
    Access::rebuild(graph, {in("float", "a", "A", "G"), in("int", "b", "B", "H"), in("float", "c", "C", nullptr)});
    ASSERT_EQ(graph->getAttributeGroups().size(), 3u);
    const AttributeGroupPtr kept = hold(graph->getAttributeGroups()[0]);

    Access::rebuild(graph, {in("float", "x", "X", "K"), in("float", "y", "Y", nullptr)});
    EXPECT_EQ(kept->getRefCount(), 1) << "the old list's reference is given back exactly once";
    const osg::MField<AttributeGroupPtr>& groups = graph->getAttributeGroups();
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0]->getName(), "K");
    EXPECT_TRUE(groups[1]->getCommon());
    Access::rebuild(graph, {});
    EXPECT_TRUE(graph->getAttributeGroups().empty());
    // The fixture's leak check shows old groups and values that were not released.
}

TEST_F(AttributeGroupsTest, ModifierHoldsOneMaterialReferencePerCopy)
{
    USubstanceMaterialPtr first = hold(USubstanceMaterial::create());
    USubstanceMaterialPtr second = hold(USubstanceMaterial::create());
    {
        oxSubstanceMaterialModifier a(first);
        oxSubstanceMaterialModifier copy(a);
        EXPECT_EQ(first->getRefCount(), 3);
        oxSubstanceMaterialModifier other(second);
        other = a;
        EXPECT_EQ(first->getRefCount(), 4);
        EXPECT_EQ(second->getRefCount(), 1) << "assignment gives the old material back";
        const oxSubstanceMaterialModifier& alias = other;
        other = alias;
        EXPECT_EQ(first->getRefCount(), 4) << "self-assignment changes nothing";
    }
    EXPECT_EQ(first->getRefCount(), 1);
    EXPECT_EQ(second->getRefCount(), 1);
}

} // namespace
