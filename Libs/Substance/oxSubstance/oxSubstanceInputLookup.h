#pragma once
/// \file oxSubstanceInputLookup.h
/// Internal to the library: finding the attribute of one archive input in a
/// graph of a material and reading its current value, with the message that
/// says why an input's value cannot be applied. Not installed, not exported.

#include "host/Materials.h"

#include <QString>
#include <QVariant>

namespace oxSubstanceInputLookup {

/// The attribute of input \p id in the group named \p group of \p graph, and its
/// current value. False, with "Unable to apply parameter to material ..." and the
/// reason (group not found, property not found, value not readable) logged as an
/// error, when either cannot be had; \p attribute and \p current are then unspecified.
bool readInput(const USubstanceMaterialPtr& material, const USubstanceGraphPtr& graph, const QString& group,
               const QString& id, AttributeValuePtr& attribute, QVariant& current);

} // namespace oxSubstanceInputLookup
