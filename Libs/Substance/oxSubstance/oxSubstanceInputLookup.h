#pragma once
/// \file oxSubstanceInputLookup.h
/// Internal to the library: finding the attributes of archive inputs in a
/// graph of a material and reading their current values, with the message that
/// says why an input's value cannot be applied. Not installed, not exported.

#include "oxSubstanceAttributeSync.h"

#include "host/Materials.h"

#include <QString>
#include <QVariant>

#include <string>
#include <unordered_map>

/// Lookups of many inputs of one graph. Each group is found once and its values
/// are indexed by identifier on first use, so the object lives for one batch of
/// lookups during which the graph's groups and values stay as they are. As in
/// AttributeGroup::getAttribute, the first value of an identifier counts.
/// Holds no reference: the caller keeps material and graph alive.
class oxSubstanceInputLookup
{
public:
    oxSubstanceInputLookup(const USubstanceMaterialPtr& material, const USubstanceGraphPtr& graph);

    /// The attribute of input \p id (UTF-8) in the group named \p group of the
    /// graph, and its current value. False, with "Unable to apply parameter to
    /// material ..." and the reason (group not found, property not found, value
    /// not readable) logged as an error, when either cannot be had; \p attribute
    /// and \p current are then unspecified.
    bool readInput(const std::string& group, const std::string& id, AttributeValuePtr& attribute, QVariant& current);

    /// The sync that read the values; writes of the same batch may use it.
    oxSubstanceAttributeSync& sync() { return _sync; }

private:
    struct GroupIndex
    {
        AttributeGroupPtr group;
        std::unordered_map<std::string, AttributeValuePtr> values;
    };
    const GroupIndex& groupIndex(const std::string& name);

    USubstanceMaterialPtr _material;
    USubstanceGraphPtr _graph;
    oxSubstanceAttributeSync _sync;
    std::unordered_map<std::string, GroupIndex> _groups;
};
