#pragma once
/// \file oxArchiveAttributes.h
/// How the stand-in archive service reads and writes a material's typed
/// attribute values, in the same QVariant forms as its input values.

#include "Materials.h"

#include <QString>
#include <QVariant>

namespace oxArchive {

/// The first attribute value of \p graph (any group) whose Uuid is \p identifier; null when none.
AttributeValuePtr findAttribute(const USubstanceGraphPtr& graph, const QString& identifier);

/// The value of an attribute in its QVariant form; invalid for a null handle,
/// an unknown class, or an output size without a material.
QVariant readAttribute(const USubstanceMaterialPtr& material, const AttributeValuePtr& attribute);

/// Writes a value into an attribute inside an edit bracket with the mask of
/// the fields written. An output size given as QOXIntVector3D also sets the
/// material's SyncOutputSize (when the material is not null). False for a null
/// handle, an unknown class or an invalid value.
bool writeAttribute(const USubstanceMaterialPtr& material, const AttributeValuePtr& attribute,
                    const QVariant& value);

} // namespace oxArchive
