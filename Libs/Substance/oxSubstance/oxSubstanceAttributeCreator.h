#pragma once
/// \file oxSubstanceAttributeCreator.h
/// Turns one Substance input description into a typed, described host attribute value.

#include "oxSubstanceExport.h"

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
/// Missing keys read as empty text or 0; a number that does not fit its field
/// (text that is not a number, an integer beyond 32 bits, a float beyond
/// single precision) is read as 0, or as the largest float of that sign.
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

private:
    using Creator = AttributeValuePtr (oxSubstanceAttributeCreator::*)(const QMap<QString, QVariant>&) const;

    AttributeValuePtr createFloatValue(const QMap<QString, QVariant>& description) const;
    AttributeValuePtr createFloat2DValue(const QMap<QString, QVariant>& description) const;
    AttributeValuePtr createFloat3DValue(const QMap<QString, QVariant>& description) const;
    AttributeValuePtr createFloat4DValue(const QMap<QString, QVariant>& description) const;
    AttributeValuePtr createIntValue(const QMap<QString, QVariant>& description) const;
    AttributeValuePtr createInt2DValue(const QMap<QString, QVariant>& description) const;
    AttributeValuePtr createInt3DValue(const QMap<QString, QVariant>& description) const;
    AttributeValuePtr createInt4DValue(const QMap<QString, QVariant>& description) const;
    AttributeValuePtr createStringValue(const QMap<QString, QVariant>& description) const;
    AttributeValuePtr createImageValue(const QMap<QString, QVariant>& description) const;

    /// Stores label (as name), id (as uuid), type, widget, default text,
    /// visibility and description on the value.
    void enrich(AttributeValuePtr value, const QMap<QString, QVariant>& description) const;

    /// Type string to creator.
    QMap<QString, Creator> _creators;
};
