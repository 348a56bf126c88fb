#pragma once
/// \file MaterialReport.h
/// What the command-line host prints about a material: one JSON object that
/// the text form is printed from too, so both forms always say the same.

#include "host/Materials.h"

#include <QJsonObject>
#include <QString>

/// Describes graphs, groups, attributes, presets and colour components of a material.
QJsonObject describeMaterial(const USubstanceMaterialPtr& material);

/// The report as indented, human-readable text.
QString reportToText(const QJsonObject& report);
