// Attribute sync's property search by graph, identifier and label, and the
// batch write of the apply and reset commands, which must find the same values.

#include "oxHostFixture.h"

#include "oxSubstanceAttributeSync.h"
#include "oxSubstanceCommandSupport.h"

#include "oxStandInServices.h"

#include "host/Attributes.h"
#include "host/Materials.h"
#include "host/QSubstanceArchive.h"

#include <string>
#include <vector>

using AttributeSyncTest = oxHostTest;

namespace {

/// Graph name and its one group of (identifier, label) float values; a null identifier stands for a null entry.
using GraphSpec = std::pair<const char*, std::vector<std::pair<const char*, const char*>>>;

/// A new material; the material holds the graphs, the graphs the groups and the groups the values.
USubstanceMaterialPtr buildMaterial(const std::vector<GraphSpec>& graphs)
{
    const USubstanceMaterialPtr material = USubstanceMaterial::create();
    for (const auto& [name, values] : graphs)
    {
        const USubstanceGraphPtr graph = USubstanceGraph::create();
        const AttributeGroupPtr group = AttributeGroup::create();
        {
            osgEdit edit(graph, USubstanceGraphBase::NameFieldMask | USubstanceGraphBase::AttributeGroupsFieldMask);
            graph->setName(name);
            graph->editAttributeGroups().push_back(group);
            osg::addRef(group);
        }
        for (const auto& [uuid, label] : values)
        {
            AttributeValuePtr value;
            if (uuid)
            {
                value = AttributeFloatValue::create();
                osgEdit edit(value, AttributeBase::UuidFieldMask | AttributeBase::NameFieldMask);
                value->setUuid(uuid);
                value->setName(label);
            }
            osgEdit edit(group, AttributeGroupBase::PropertiesFieldMask);
            group->editProperties().push_back(value);
            osg::addRef(value);
        }
        material->addGraph(graph);
    }
    return material;
}

} // namespace

TEST_F(AttributeSyncTest, SearchFindsIdentifierElseLastLabelInAllGraphsOfTheName)
{
    const struct
    {
        std::vector<GraphSpec> graphs;
        const char* graph;
        const char* property;
        const char* expected; ///< identifier of the value found; null for none
        const char* label = nullptr; ///< its label, where identifiers repeat
    } cases[] = {
        {{{"G", {{"a", "First"}, {"a", "Second"}}}}, "G", "a", "a", "First"},
        {{{"G", {{"a", "First"}}}, {"G", {{"a", "Second"}}}}, "G", "a", "a", "First"},
        {{{"G", {{"a", "Rough"}, {"Rough", "b"}}}}, "G", "Rough", "Rough"},
        {{{"G", {{"Rough", "b"}, {"a", "Rough"}}}}, "G", "Rough", "Rough"},
        {{{"G", {{"a", "Rough"}}}, {"G", {{"Rough", "b"}}}}, "G", "Rough", "Rough"},
        {{{"G", {{"a", "Tint"}, {"b", "Tint"}, {"c", "Other"}}}}, "G", "Tint", "b"},
        {{{"G", {{"a", "Tint"}}}, {"G", {{"b", "Tint"}}}, {"H", {{"c", "Tint"}}}}, "G", "Tint", "b"},
        {{{"G", {{"a", "A"}}}, {"H", {{"b", "B"}}}}, "H", "a", nullptr},
        {{{"G", {{"a", "A"}}}}, "Unknown", "a", nullptr},
        {{{"G", {{nullptr, nullptr}, {"a", "A"}}}}, "G", "a", "a"},
        // Text compares as QString::fromStdString makes it: UTF-8 decoded, a leading
        // byte-order mark dropped, a broken sequence read as U+FFFD.
        {{{"G", {{"a", "\xC3\x89" "b\xC3\xA8ne"}, {"\xC3\xA9t\xC3\xA9", "b"}}}}, "G", "\xC3\x89" "b\xC3\xA8ne", "a"},
        {{{"G", {{"a", "b"}, {"\xC3\xA9t\xC3\xA9", "b"}}}}, "G", "\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},
        {{{"G", {{"a", "b"}, {"\xEF\xBB\xBFRough", "b"}}}}, "G", "Rough", "\xEF\xBB\xBFRough"},
        {{{"G", {{"a", "b"}, {"R\xEF\xBB\xBFough", "b"}}}}, "G", "Rough", nullptr},
        {{{"G", {{"\xC3", "b"}, {"a", "b"}}}}, "G", "\xEF\xBF\xBD", "\xC3"},
        {{{"G", {{"e", "b"}, {"\xC3\xA9", "b"}}}}, "G", "e", "e"},
        {{{"G", {{"\xC3\xA9", "b"}}}}, "G", "e", nullptr},
    };
    oxSubstanceAttributeSync sync;
    const oxStandIn::ScopedSubstanceService service;
    int index = 0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE("case " + std::to_string(index++));
        const USubstanceMaterialPtr material = hold(buildMaterial(c.graphs));
        const AttributeValuePtr found = sync.searchProperty(material, c.graph, c.property);
        EXPECT_EQ(found.isNull() ? "(none)" : found->getUuid(), c.expected ? c.expected : "(none)");
        EXPECT_TRUE(!c.label || found->getName() == c.label) << found->getName();

        // The batch write of the apply and reset commands finds the same value.
        oxSubstanceCommandSupport::applyPropertyValues(material, c.graph, {{c.property, QVariant(7.5f)}});
        std::vector<AttributeValuePtr> written;
        for (const USubstanceGraphPtr& graph : material->getSubstanceGraphs())
            for (const AttributeValuePtr& value : graph->getAttributeGroups()[0]->getProperties())
                if (!value.isNull() && AttributeFloatValuePtr::dcast(value)->getFloatValue() == 7.5f)
                    written.push_back(value);
        EXPECT_EQ(written, found.isNull() ? std::vector<AttributeValuePtr>{} : std::vector<AttributeValuePtr>{found});
        oxSubstanceArchiveFactory::instance().releaseMaterialArchive(material->getId());
    }
    EXPECT_TRUE(sync.searchProperty(USubstanceMaterialPtr(), "G", "a").isNull());
}
