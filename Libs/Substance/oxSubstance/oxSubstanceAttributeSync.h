#pragma once
/// \file oxSubstanceAttributeSync.h
/// Reads and writes the typed attribute values of a Substance material as QVariant.

#include "oxSubstanceExport.h"

#include "host/Attributes.h"
#include "host/Materials.h"

#include <QList>
#include <QString>
#include <QVariant>

/// Converts between the host's typed attribute values and their QVariant form.
///
/// QVariant forms by type string: "float" float, "float[2]" QVector2D,
/// "float[3]" QVector3D, "float[4]" QVector4D (QVector3D for a colour value),
/// "int" int, "int[2]" QOXIntVector2D (QOXIntVector3D for "$outputsize", whose Z
/// carries the material's SyncOutputSize flag), "int[3]" QOXIntVector3D,
/// "int[4]" QOXIntVector4D, "string" QString, "image" the archive service's image form.
///
/// Made for one or a few calls and dropped. Takes no reference on any host
/// object: the remembered material is a plain copy of the last handle given.
class OX_SUBSTANCE_API oxSubstanceAttributeSync
{
public:
    oxSubstanceAttributeSync();
    oxSubstanceAttributeSync(const oxSubstanceAttributeSync& other);
    oxSubstanceAttributeSync& operator=(const oxSubstanceAttributeSync& other);
    ~oxSubstanceAttributeSync();

    /// Writes \p newValue into \p value, converting it to the value's type.
    /// False for a null handle or a value of no known class; nothing is written then.
    bool setOsgAttribute(const USubstanceMaterialPtr& material, AttributeValuePtr& value, const QVariant& newValue);
    /// Finds the property with searchProperty and writes it; false when it is not found.
    bool setOsgAttribute(const USubstanceMaterialPtr& material, const QString& graphName, const QString& property,
                         const QVariant& newValue);

    /// Reads \p value into \p result; false, \p result untouched, when it cannot be read.
    bool getOsgAttribute(const USubstanceMaterialPtr& material, const AttributeValuePtr& value, QVariant& result);
    /// Finds the property with searchProperty and reads it; false, \p result untouched, when not found.
    bool getOsgAttribute(const USubstanceMaterialPtr& material, const QString& graphName, const QString& property,
                         QVariant& result);

    /// The value of every graph named \p graphName whose identifier equals \p property; failing
    /// that, the last one whose label equals it (graph, group, property order). Null when none.
    AttributeValuePtr searchProperty(const USubstanceMaterialPtr& material, const QString& graphName,
                                     const QString& property) const;

private:
    using Setter = bool (oxSubstanceAttributeSync::*)(AttributeValuePtr&, const QVariant&);
    using Getter = bool (oxSubstanceAttributeSync::*)(const AttributeValuePtr&, QVariant&);

    bool setFloatValue(AttributeValuePtr& value, const QVariant& newValue);
    bool setFloat2DValue(AttributeValuePtr& value, const QVariant& newValue);
    bool setFloat3DValue(AttributeValuePtr& value, const QVariant& newValue);
    bool setFloat4DValue(AttributeValuePtr& value, const QVariant& newValue);
    bool setIntValue(AttributeValuePtr& value, const QVariant& newValue);
    bool setInt2DValue(AttributeValuePtr& value, const QVariant& newValue);
    bool setInt3DValue(AttributeValuePtr& value, const QVariant& newValue);
    bool setInt4DValue(AttributeValuePtr& value, const QVariant& newValue);
    bool setStringValue(AttributeValuePtr& value, const QVariant& newValue);
    bool setImageValue(AttributeValuePtr& value, const QVariant& newValue);

    bool getFloatValue(const AttributeValuePtr& value, QVariant& result);
    bool getFloat2DValue(const AttributeValuePtr& value, QVariant& result);
    bool getFloat3DValue(const AttributeValuePtr& value, QVariant& result);
    bool getFloat4DValue(const AttributeValuePtr& value, QVariant& result);
    bool getIntValue(const AttributeValuePtr& value, QVariant& result);
    bool getInt2DValue(const AttributeValuePtr& value, QVariant& result);
    bool getInt3DValue(const AttributeValuePtr& value, QVariant& result);
    bool getInt4DValue(const AttributeValuePtr& value, QVariant& result);
    bool getStringValue(const AttributeValuePtr& value, QVariant& result);
    bool getImageValue(const AttributeValuePtr& value, QVariant& result);

    QList<Setter> _setters; ///< the ten setters in dispatch order
    QList<Getter> _getters; ///< the ten getters, same order
    USubstanceMaterialPtr _material; ///< material of the last call; used only by "$outputsize"
};
