#pragma once
/// \file MaterialReport.h
/// What the command-line host prints about a material: one JSON object that
/// the text form is printed from too, so both forms always say the same.

#include "host/Materials.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QVariant>

/// Identifier of the input whose value is the material's output size: log2 of
/// width and height, and the material's sync flag.
inline const QString OutputSizeId = QStringLiteral("$outputsize");
/// The word after an output size while the material keeps width and height in sync.
inline const QString SyncedWord = QStringLiteral("synced");
/// The word after an output size while it does not.
inline const QString UnsyncedWord = QStringLiteral("unsynced");

/// Describes graphs, groups, attributes, presets and colour components of a material.
QJsonObject describeMaterial(const USubstanceMaterialPtr& material);

/// One attribute as the report lists it: label, id, type, value, range, step,
/// default, captions, map, widget, visibility and description. An output size
/// is in pixels: {"width", "height"}, its value with "synced".
QJsonObject describeAttribute(const USubstanceMaterialPtr& material, const AttributeValuePtr& value);

/// A value of \p attribute in the attribute sync's form as the report holds it.
QJsonValue valueToJson(const AttributeValuePtr& attribute, const QVariant& value);

/// A value of the report as the text form prints it: "0.35", "(2, 2)",
/// "512 x 512, synced", "\"Oak\"", "image #12", "none".
QString valueText(const QJsonValue& value);

/// The report as indented, human-readable text.
QString reportToText(const QJsonObject& report);
