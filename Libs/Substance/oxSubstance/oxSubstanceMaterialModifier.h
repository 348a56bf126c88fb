#pragma once
/// \file oxSubstanceMaterialModifier.h
/// Builds a Substance material's content (archive, presets, graphs, attribute
/// groups and values) from a Substance archive file.

#include "oxSubstanceExport.h"
#include "oxSubstanceHandles.h"
#include "oxSubstanceInputDescription.h"

#include "host/Materials.h"

#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>

#include <memory>
#include <string>
#include <utility>
#include <vector>

class QSubstanceArchive;

/// Made on a material for one call and dropped. All that it builds is stored
/// in the material; the modifier itself only holds one reference to the
/// material (each copy its own).
///
/// Attribute groups of a graph: one ordinary group per distinct non-empty
/// "GROUP" value, in the order in which each name first appears among the
/// graph's inputs, then, when some input without a group has a "LABEL", the
/// shared group "Common" (Common set) as the last group. Each group holds the
/// labelled inputs of its name, in input order; names compare exactly.
class OX_SUBSTANCE_API oxSubstanceMaterialModifier
{
    Q_DECLARE_TR_FUNCTIONS(oxSubstanceMaterialModifier)

public:
    /// One input description: "TYP", "ID", "LABEL", "GROUP", "VALUE", ...
    using InputList = QList<QMap<QString, QVariant>>;
    /// One graph: its name and its input descriptions, in archive order.
    using GraphDescription = std::pair<QString, InputList>;
    /// One element per graph of an archive, in the archive's order.
    using GraphDescriptionList = std::vector<GraphDescription>;
    /// The input descriptions of one graph, each taken apart once.
    using Inputs = std::vector<oxSubstanceInputDescription>;
    /// (name, content) of each preset of an archive.
    using PresetDescriptionList = std::vector<std::pair<QString, QString>>;

    /// Takes one reference to \p material when it is not null; a copy takes one of its own.
    explicit oxSubstanceMaterialModifier(USubstanceMaterialPtr& material);

    /// Loads the archive file into the material's archive and rebuilds the material
    /// from it: archive bytes and path, active graph 0, colour components,
    /// presets (the archive's, then those of the preset file beside it), graphs
    /// with their groups and values, and a render. True on success.
    ///
    /// False for a null material, a file that does not load, or an archive that
    /// does not suit the material (an environment material needs a panorama
    /// output, a normal material must not have one). On false the material and
    /// the archive that the service keeps for it are left as they were.
    bool initFromFile(const QString& path);
    /// Stores \p index as the material's active graph index (not checked against the graphs).
    void updateActiveGraph(int index);
    /// Writes the descriptions' "VALUE"s into the material's existing graphs,
    /// matched by position. Nothing when the list is empty or its length differs
    /// from the number of graphs.
    void updateValues(const GraphDescriptionList& list);

private:
    /// Rebuilds the material from an archive that is already loaded; false (nothing
    /// changed) for a null material or archive, or one that does not suit the material.
    bool initWithArchive(const std::shared_ptr<QSubstanceArchive>& archive);
    /// Whether the archive suits the kind of material; logs why not.
    bool suitsMaterial(const QSubstanceArchive& archive) const;
    /// In one edit of the material: archive bytes and path, active graph 0, the
    /// output-size sync default and the colour components.
    void storeArchive(const QSubstanceArchive& archive);
    /// Turns every component's texture off, then gives each component that the
    /// archive renders a placeholder image. Runs inside storeArchive's edit.
    void prepareColorComponents(const QSubstanceArchive& archive);
    /// Replaces the material's presets by the archive's own.
    void createPresets(const PresetDescriptionList& list);
    /// Replaces the material's graphs by one new graph per description.
    void updateGraphs(const GraphDescriptionList& list);
    /// Adds the presets of "<dir>/<base name>.sbsprs" beside the archive, when that file exists.
    void loadAssociatedPresetFile(const std::shared_ptr<QSubstanceArchive>& archive);
    /// A new graph (no reference taken) named and grouped after the description,
    /// its values set from the descriptions' "VALUE"s.
    USubstanceGraphPtr createGraph(const GraphDescription& description);
    /// Brings each labelled input's attribute in line with its "VALUE"; equal values
    /// are not written. Inputs without a label have no attribute and are passed over.
    void applyGraphValues(const USubstanceGraphPtr& graph, const Inputs& inputs);

    /// The labelled inputs of one group, in input order (pointers into an Inputs list).
    using Members = std::vector<const oxSubstanceInputDescription*>;
    /// The labelled inputs by "GROUP" value (exact QString comparison).
    using MembersByGroup = QHash<QString, Members>;

    /// Rebuilds a graph's group list from its inputs. Must run inside an edit of
    /// the graph that covers AttributeGroups. The old groups' references are
    /// given back before the new groups are made; each new element holds one.
    static void updateAttributeGroups(osg::MField<AttributeGroupPtr>& groupList, const Inputs& inputs);
    /// Whether some input without a "GROUP" has a "LABEL".
    static bool hasCommonGroup(const Inputs& inputs);
    /// The distinct non-empty "GROUP" values, in order of first appearance.
    static std::vector<std::string> groups(const Inputs& inputs);
    /// A new group (no reference taken) named \p name holding one value per member.
    static AttributeGroupPtr createGroup(const Members& members, const std::string& name, bool common);
    /// The labelled inputs sorted by group, each group's in input order.
    static MembersByGroup membersByGroup(const Inputs& inputs);

    const USubstanceMaterialPtr& material() const { return _material.get(); }

    oxSubstanceHeld<USubstanceMaterialPtr> _material;

    friend struct oxSubstanceMaterialModifierTestAccess;
};
