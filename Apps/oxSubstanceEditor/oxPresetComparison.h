#pragma once
/// \file oxPresetComparison.h
/// What applying a preset would change: each input of the active graph whose
/// current value the preset does not account for, with both values as the
/// editor shows them. The rule is the library's preset matching (a preset
/// that leaves an input out accounts for it while it is at its default; a
/// colour compares by its three components), so a preset changes nothing
/// exactly when it is marked as equal to the current state.

#include "host/Materials.h"

#include <QString>

#include <vector>

/// One input that a preset would change.
struct oxPresetDifference
{
    QString identifier;
    QString label;
    QString current; ///< the current value as text
    QString preset;  ///< the value that the preset gives as text ("0.5 (default)" when it leaves the input out)
};

/// The inputs of the active graph that applying preset \p index would change,
/// in identifier order; empty for a preset that changes nothing, a null
/// material or an index outside the list.
std::vector<oxPresetDifference> oxComparePreset(const USubstanceMaterialPtr& material, unsigned index);

/// The comparison as a tooltip: the preset's name, then one line per input
/// ("Roughness: 0.35 -> 0.6"), or a line saying that it changes nothing.
QString oxComparisonText(const QString& presetName, const std::vector<oxPresetDifference>& differences);
