#pragma once
/// \file ValueEntry.h
/// How the words of a "set" step become a property's new value: in the value
/// forms of oxValueForms.h, checked before anything changes.

#include "oxValueForms.h"

using oxValueForms::EnteredValue;
using oxValueForms::valueWarnings;

/// oxValueForms::valueFromWords; when the host logs why the words give no value (an
/// image file that does not read), that line is the reason in \p error.
bool readValue(const AttributeValuePtr& attribute, const QVariant& current, const QStringList& words,
               EnteredValue& entered, QString& error);

/// The value forms, as --help lists them.
QString valueFormHelp();
