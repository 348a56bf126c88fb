#include "oxHostFixture.h"

#include "oxSubstanceAttributeSync.h"

#include "host/Attributes.h"
#include "host/Materials.h"

#include <ostream>
#include <string>
#include <vector>

namespace {

/// One value of a group: identifier, label and a tag that names it in the
/// test (kept in its description). A null tag stands for a null list entry.
struct ValueSpec
{
    const char* uuid;
    const char* label;
    const char* tag;
};
using GroupSpec = std::vector<ValueSpec>;
struct GraphSpec
{
    const char* name;
    std::vector<GroupSpec> groups;
};

/// A new material with the graphs, groups and float values laid out; the
/// material holds the graphs, the graphs the groups and the groups the values.
USubstanceMaterialPtr buildMaterial(const std::vector<GraphSpec>& graphs)
{
    const USubstanceMaterialPtr material = USubstanceMaterial::create();
    for (const GraphSpec& graphSpec : graphs)
    {
        const USubstanceGraphPtr graph = USubstanceGraph::create();
        {
            osgEdit edit(graph, USubstanceGraphBase::NameFieldMask);
            graph->setName(graphSpec.name);
        }
        for (const GroupSpec& groupSpec : graphSpec.groups)
        {
            const AttributeGroupPtr group = AttributeGroup::create();
            for (const ValueSpec& valueSpec : groupSpec)
            {
                AttributeValuePtr value;
                if (valueSpec.tag)
                {
                    value = AttributeFloatValue::create();
                    osgEdit edit(value, AttributeBase::UuidFieldMask | AttributeBase::NameFieldMask |
                                            AttributeValueBase::DescriptionFieldMask);
                    value->setUuid(valueSpec.uuid);
                    value->setName(valueSpec.label);
                    value->setDescription(valueSpec.tag);
                }
                osgEdit edit(group, AttributeGroupBase::PropertiesFieldMask);
                group->editProperties().push_back(value);
                osg::addRef(value);
            }
            osgEdit edit(graph, USubstanceGraphBase::AttributeGroupsFieldMask);
            graph->editAttributeGroups().push_back(group);
            osg::addRef(group);
        }
        material->addGraph(graph);
    }
    return material;
}

struct SearchCase
{
    const char* name;
    std::vector<GraphSpec> graphs;
    const char* graph;
    const char* property;
    const char* expected; ///< tag of the value found; null for none
};

void PrintTo(const SearchCase& c, std::ostream* os) { *os << c.name; }

const SearchCase searchCases[] = {
    {"IdentifierAfterLabelWins", {{"G", {{{"a", "Rough", "label"}, {"Rough", "b", "id"}}}}}, "G", "Rough", "id"},
    {"IdentifierBeforeLabelWins", {{"G", {{{"Rough", "b", "id"}, {"a", "Rough", "label"}}}}}, "G", "Rough", "id"},
    {"IdentifierInLaterGroupWins", {{"G", {{{"a", "Rough", "label"}}, {{"Rough", "b", "id"}}}}}, "G", "Rough", "id"},
    {"IdentifierInLaterGraphWins",
     {{"G", {{{"a", "Rough", "label"}}}}, {"G", {{{"Rough", "b", "id"}}}}},
     "G",
     "Rough",
     "id"},
    {"LastLabelInGroupWins", {{"G", {{{"a", "Tint", "first"}, {"b", "Tint", "second"}}}}}, "G", "Tint", "second"},
    {"LastLabelAcrossGroupsWins",
     {{"G", {{{"a", "Tint", "first"}}, {{"b", "Tint", "second"}}, {{"c", "Other", "other"}}}}},
     "G",
     "Tint",
     "second"},
    {"LastLabelAcrossGraphsWins",
     {{"G", {{{"a", "Tint", "first"}}}}, {"G", {{{"b", "Tint", "second"}}}}},
     "G",
     "Tint",
     "second"},
    {"SecondGraphOfSameNameIsSearched",
     {{"G", {{{"a", "A", "first"}}}}, {"G", {{{"b", "B", "second"}}}}},
     "G",
     "b",
     "second"},
    {"UnknownGraph", {{"G", {{{"a", "A", "a"}}}}}, "H", "a", nullptr},
    {"OtherGraphIsNotSearched", {{"G", {{{"a", "A", "g"}}}}, {"H", {{{"b", "B", "h"}}}}}, "H", "a", nullptr},
    {"GraphNameIsCaseSensitive", {{"Graph", {{{"a", "A", "a"}}}}}, "graph", "a", nullptr},
    {"PropertyIsCaseSensitive", {{"G", {{{"rough", "Rough", "a"}}}}}, "G", "ROUGH", nullptr},
    {"NonAsciiGraphName", {{"Mat\xc3\xa9riau", {{{"a", "A", "a"}}}}}, "Mat\xc3\xa9riau", "a", "a"},
    {"NonAsciiLabel", {{"G", {{{"a", "Teinte \xc3\xa9", "a"}}}}}, "G", "Teinte \xc3\xa9", "a"},
    {"NullEntriesAreSkipped", {{"G", {{{"", "", nullptr}, {"a", "A", "a"}}, {}}}}, "G", "a", "a"},
    {"NoMatch", {{"G", {{{"a", "A", "a"}}}}}, "G", "c", nullptr},
};

class SearchPropertyTest : public oxHostTest, public ::testing::WithParamInterface<SearchCase>
{
};

} // namespace

TEST_P(SearchPropertyTest, FindsIdentifierBeforeLastLabel)
{
    const SearchCase& c = GetParam();
    const USubstanceMaterialPtr material = hold(buildMaterial(c.graphs));
    const AttributeValuePtr found = oxSubstanceAttributeSync().searchProperty(
        material, QString::fromUtf8(c.graph), QString::fromUtf8(c.property));
    if (!c.expected)
    {
        EXPECT_TRUE(found.isNull()) << "found " << found->getDescription();
        return;
    }
    ASSERT_FALSE(found.isNull());
    EXPECT_EQ(found->getDescription(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Layouts, SearchPropertyTest, ::testing::ValuesIn(searchCases),
                         [](const ::testing::TestParamInfo<SearchCase>& info) { return std::string(info.param.name); });

using SearchPropertyByNameTest = oxHostTest;

TEST_F(SearchPropertyByNameTest, NullMaterialFindsNothing)
{
    oxSubstanceAttributeSync sync;
    EXPECT_TRUE(sync.searchProperty(USubstanceMaterialPtr(), "G", "a").isNull());
    QVariant read("untouched");
    EXPECT_FALSE(sync.getOsgAttribute(USubstanceMaterialPtr(), "G", "a", read));
    EXPECT_EQ(read, QVariant("untouched"));
    EXPECT_FALSE(sync.setOsgAttribute(USubstanceMaterialPtr(), "G", "a", QVariant(1.0f)));
}

TEST_F(SearchPropertyByNameTest, WritesAndReadsByLabelOrIdentifier)
{
    const USubstanceMaterialPtr material = hold(buildMaterial({{"G", {{{"roughness", "Roughness", "r"}}}}}));
    oxSubstanceAttributeSync sync;
    ASSERT_TRUE(sync.setOsgAttribute(material, "G", "Roughness", QVariant(0.75)));
    QVariant read;
    ASSERT_TRUE(sync.getOsgAttribute(material, "G", "roughness", read));
    EXPECT_EQ(read.userType(), int(QMetaType::Float));
    EXPECT_EQ(read, QVariant(0.75f));
}

TEST_F(SearchPropertyByNameTest, UnknownPropertyWritesNothingAndLeavesResult)
{
    const USubstanceMaterialPtr material = hold(buildMaterial({{"G", {{{"roughness", "Roughness", "r"}}}}}));
    oxStandIn::clearEditLog();
    oxSubstanceAttributeSync sync;
    const std::pair<const char*, const char*> misses[] = {{"G", "metallic"}, {"H", "roughness"}, {"", ""}};
    for (const auto& miss : misses)
    {
        EXPECT_FALSE(sync.setOsgAttribute(material, miss.first, miss.second, QVariant(0.5f))) << miss.second;
        QVariant read("untouched");
        EXPECT_FALSE(sync.getOsgAttribute(material, miss.first, miss.second, read)) << miss.second;
        EXPECT_EQ(read, QVariant("untouched"));
    }
    EXPECT_TRUE(oxStandIn::editLog().empty());
}
