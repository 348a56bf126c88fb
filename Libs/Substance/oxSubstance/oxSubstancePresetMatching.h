#pragma once
/// \file oxSubstancePresetMatching.h
/// Internal to the library: which presets of a material equal its current
/// state (oxSubstancePresetUtils::getMatchingPresetIndexes), with what the
/// matching remembers between calls. Not installed, not exported.
///
/// The host's preset panel asks on every redraw, so the matching remembers,
/// per material (by container id):
/// - the material's state of the last call (the current values), and
/// - per preset (by container id) the content text that its values were read
///   from, those values, and the outcome of comparing them with that state
///   (a position that the values do not account for, or none).
///
/// When it is dropped:
/// - a preset's values, whenever its content differs from the remembered text
///   (a preset changed, replaced, or a new preset under an id that came back);
/// - a preset's entry, when a call does not find it on the material's list;
/// - a material's entries, when the material is gone;
/// - everything, when the archive service's default output-size sync state
///   changes: a preset's "$outputsize" value carries that state, so values
///   read before no longer hold;
/// - every outcome, when the state changes; after a change of values under the
///   same identifiers only the changed positions are compared again.
///
/// Why the results never differ from the plain rule (compare every preset's
/// values with every current value): values are reused only while both things
/// they are read from, the content and the default sync state, are the same;
/// an outcome is reused only while the state is identical (same identifiers in
/// the same order, same default flags, values of the same type and content,
/// doubles compared exactly). After a change of some values, a preset that
/// accounted for every value still does for the unchanged ones, so it matches
/// exactly when it accounts for the changed ones; a preset that failed on a
/// value that did not change still fails on it.

#include "host/Materials.h"
#include "host/QSubstanceArchive.h"

#include <QString>

#include <map>
#include <set>

namespace oxSubstancePresetMatching {

/// The indexes of the material's presets that match \p current, the material's
/// current values: for every current value the preset holds an equal value
/// (a four-component colour counts by its first three), or leaves the input
/// out while it is at its default. A null slot holds no values. The material
/// must not be null.
std::set<unsigned int> matchingIndexes(const USubstanceMaterialPtr& material,
                                       std::map<QString, SubstancePropertyValue> current);

} // namespace oxSubstancePresetMatching
