#pragma once
/// \file oxSubstanceValueWalk.h
/// Internal to the library: the one walk over the attribute values of a
/// material's graphs. Not installed, not exported.
///
/// Each walk calls \p visit(value) for every value in list order (graph,
/// group, value), passing null graphs, groups and values over, until the
/// visitor returns false; the walk then returns false, otherwise true. The
/// visitor must leave the walked lists as they are.

#include "host/Attributes.h"
#include "host/Materials.h"

#include <string>

namespace oxSubstanceValueWalk {

/// The values of one group.
template <class Visit>
bool forEachValue(const AttributeGroupPtr& group, Visit&& visit)
{
    if (!group.isNull())
        for (const AttributeValuePtr& value : group->getProperties())
            if (!value.isNull() && !visit(value))
                return false;
    return true;
}

/// The values of a list of groups (a graph's, or the material's active ones).
template <class Visit>
bool forEachValue(const osg::MField<AttributeGroupPtr>& groups, Visit&& visit)
{
    for (const AttributeGroupPtr& group : groups)
        if (!forEachValue(group, visit))
            return false;
    return true;
}

/// The values of every graph of the material named \p graphName (UTF-8); none for a null material.
template <class Visit>
bool forEachValue(const USubstanceMaterialPtr& material, const std::string& graphName, Visit&& visit)
{
    if (material.isNull())
        return true;
    for (const USubstanceGraphPtr& graph : material->getSubstanceGraphs())
        if (!graph.isNull() && graph->getName() == graphName && !forEachValue(graph->getAttributeGroups(), visit))
            return false;
    return true;
}

} // namespace oxSubstanceValueWalk
