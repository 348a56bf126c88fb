#pragma once
/// \file oxSubstanceAttributeCreator.h
/// Turns one Substance input description into a typed, described host attribute value.

#include "oxSubstanceExport.h"
#include "oxSubstanceInputDescription.h"

#include "host/Attributes.h"

#include <QMap>
#include <QString>
#include <QVariant>

/// Builds attribute values from input descriptions.
///
/// The description's "TYP" selects the value class ("float" .. "float[4]",
/// "int" .. "int[4]", "string", "image"; exact, case-sensitive). Ranges,
/// defaults, slider step, component captions and the integer "Map" are read
/// from the description; "ID", "LABEL", "TYP", "WIDGET", "VISIBILITY",
/// "DEFAULT_VALUE" and "DESCRIPTION" describe the value. The current value is
/// never set here.
///
/// Descriptions are read through oxSubstanceInputDescription (missing keys,
/// numbers that do not fit their field).
///
/// One creator serves any number of calls; copies share the type table.
class OX_SUBSTANCE_API oxSubstanceAttributeCreator
{
public:
    /// Fills the table of the ten known type strings.
    oxSubstanceAttributeCreator();
    oxSubstanceAttributeCreator(const oxSubstanceAttributeCreator&) = default;
    oxSubstanceAttributeCreator(oxSubstanceAttributeCreator&&) = default;
    oxSubstanceAttributeCreator& operator=(const oxSubstanceAttributeCreator&) = default;
    oxSubstanceAttributeCreator& operator=(oxSubstanceAttributeCreator&&) = default;
    ~oxSubstanceAttributeCreator() = default;

    /// A new value for the description, with no reference taken (the caller
    /// takes one when it stores it); null when "TYP" is missing or unknown, in
    /// which case nothing is created.
    AttributeValuePtr create(const QMap<QString, QVariant>& description) const;
    /// The same for a description already taken apart.
    AttributeValuePtr create(const oxSubstanceInputDescription& description) const;

private:
    using Creator = AttributeValuePtr (oxSubstanceAttributeCreator::*)(const oxSubstanceInputDescription&) const;

    AttributeValuePtr createFloatValue(const oxSubstanceInputDescription& description) const;
    AttributeValuePtr createFloat2DValue(const oxSubstanceInputDescription& description) const;
    AttributeValuePtr createFloat3DValue(const oxSubstanceInputDescription& description) const;
    AttributeValuePtr createFloat4DValue(const oxSubstanceInputDescription& description) const;
    AttributeValuePtr createIntValue(const oxSubstanceInputDescription& description) const;
    AttributeValuePtr createInt2DValue(const oxSubstanceInputDescription& description) const;
    AttributeValuePtr createInt3DValue(const oxSubstanceInputDescription& description) const;
    AttributeValuePtr createInt4DValue(const oxSubstanceInputDescription& description) const;
    AttributeValuePtr createStringValue(const oxSubstanceInputDescription& description) const;
    AttributeValuePtr createImageValue(const oxSubstanceInputDescription& description) const;

    /// Stores label (as name), id (as uuid), type, widget, default text,
    /// visibility and description on the value.
    void enrich(AttributeValuePtr value, const oxSubstanceInputDescription& description) const;

    /// Type string to creator.
    QMap<QString, Creator> _creators;
};
