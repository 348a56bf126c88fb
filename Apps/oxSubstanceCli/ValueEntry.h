#pragma once
/// \file ValueEntry.h
/// How the words of a "set" step become a property's new value: in the form
/// in which the report prints the value, checked before anything changes.

#include "host/Materials.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QVariant>

/// A value that a step enters.
struct EnteredValue
{
    QVariant value; ///< in the attribute sync's form, ready for the property command
    QJsonValue json; ///< as the report holds it
};

/// Reads \p words as a new value of \p attribute, whose current value (in the
/// attribute sync's form) is \p current. False, with \p error saying why, for
/// words that give no value of the property's form, a number that is not a
/// finite float, an output size that is not a power of two, or an image file
/// that does not read (read here once, so that a file that would not apply
/// never becomes an undo step).
bool readValue(const AttributeValuePtr& attribute, const QVariant& current, const QStringList& words,
               EnteredValue& entered, QString& error);

/// What a value deserves a warning for, though the library takes it as it is:
/// a component outside the range of \p attribute (a description by
/// describeAttribute; a component whose minimum is not below its maximum has
/// no range), an integer that its map does not list.
QStringList valueWarnings(const QJsonObject& attribute, const QJsonValue& value);

/// The value forms, as --help lists them.
QString valueFormHelp();
