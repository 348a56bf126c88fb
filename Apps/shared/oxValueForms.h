#pragma once
/// \file oxValueForms.h
/// The forms in which the host programs show and take the values of the ten
/// attribute types: as JSON (the form a report holds and a script gives), as
/// text, as a description of the range, and read from the words that a user
/// enters. One row per type; a program that needs another form of the same
/// values adds a column to the row.

#include "oxSubstanceHandles.h"

#include "host/Attributes.h"
#include "host/Materials.h"
#include "host/OSGImage.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <utility>
#include <vector>

namespace oxValueForms {

/// Identifier of the input whose value is the material's output size: log2 of
/// width and height, and the material's sync flag.
inline const QString OutputSizeId = QStringLiteral("$outputsize");
/// The word after an output size while the material keeps width and height in sync.
inline const QString SyncedWord = QStringLiteral("synced");
/// The word after an output size while it does not.
inline const QString UnsyncedWord = QStringLiteral("unsynced");

/// A value that a user or a script enters.
struct EnteredValue
{
    QVariant value;  ///< in the attribute sync's form
    QJsonValue json; ///< as valueToJson gives it
    /// The image that an entered file path was read into, alive while the value is kept.
    oxSubstanceHeld<ImagePtr> image;
};

/// Why a JSON value gives no value of a property.
enum class Misfit
{
    None,  ///< it gives one
    Kind,  ///< it is of another kind than the property takes (a string for a number, ...)
    Value  ///< it is of the kind, but no value of the property (a wrong count, a number that the type cannot hold, ...)
};

/// One row of the table of value forms.
struct ValueForm
{
    const char* typeString; ///< "float" ... "image"
    /// Meta-type id of the QVariant form in which the attribute sync gives a value of the type.
    int (*variantType)();
    /// Whether an attribute value is of the type's class.
    bool (*holds)(const AttributeValuePtr& attribute);
    /// A value of the QVariant form as JSON: a number, a list of numbers, a
    /// string, {"image": id} (null for no image).
    QJsonValue (*toJson)(const QVariant& value);
    /// The inverse of toJson: the value that a JSON value of that form gives.
    /// Misfit::Kind for JSON of another kind; Misfit::Value, with \p error
    /// saying why, for a list of another length, a number that the type cannot
    /// hold, or an image that does not exist. A string, for an image, is the
    /// path of a file, read here into \p entered.image.
    Misfit (*fromJson)(const QJsonValue& json, EnteredValue& entered, QString& error);
    /// Range ("min", "max"), "defaultValue", "step", component captions
    /// ("labels"), "map" and "color" of an attribute of the type's class.
    void (*describeRange)(const AttributeValuePtr& attribute, QJsonObject& out);
    int components; ///< how many numbers a value is entered as; 0 for text and images
    bool integral;  ///< whether they are integers
    /// The QVariant form of \p numbers (components of them).
    QVariant (*fromNumbers)(const std::vector<double>& numbers);
};

/// The ten rows, in the attribute sync's order.
const std::vector<ValueForm>& valueForms();
/// The row of an attribute's class; null for a class of no row.
const ValueForm* formOf(const AttributeValuePtr& attribute);

/// A value of \p attribute in the attribute sync's form as JSON. An output
/// size is in pixels: {"width", "height", "synced"}.
QJsonValue valueToJson(const AttributeValuePtr& attribute, const QVariant& value);

/// A JSON value as text: "0.35", "(2, 2)", "512 x 512, synced", "\"Oak\"", "image #12", "none".
QString valueText(const QJsonValue& value);

/// The range description of \p attribute (ValueForm::describeRange) into \p
/// out; an output size's range and default in pixels: {"width", "height"}.
void describeRange(const AttributeValuePtr& attribute, QJsonObject& out);

/// Reads \p words as a new value of \p attribute, whose current value (in the
/// attribute sync's form) is \p current, in the form in which valueText shows
/// it. False, with \p error saying why, for words that give no value of the
/// property's form, a number that is not a finite float, an output size that
/// is not a power of two, or an image file that does not read (read here once,
/// so that a file that would not apply is refused before anything changes).
bool valueFromWords(const AttributeValuePtr& attribute, const QVariant& current, const QStringList& words,
                    EnteredValue& entered, QString& error);

/// Reads \p json as a new value of \p attribute, whose current value is \p
/// current, in the form that valueToJson gives, with the rules of
/// valueFromWords: a colour takes three numbers or four, an output size is
/// {"width", "height"} or [width, height] in pixels, powers of two, with
/// "synced" (or a third element) true or false, or left out to keep the sync
/// state. An image is null (none), {"image": id} (that image) or the path of
/// an image file, which is read here, once, and named by the value, so that
/// an undo command that stores the value sets this very image on every redo.
/// Misfit::Kind, with \p error saying what the property takes, for JSON of
/// another kind; Misfit::Value, with \p error saying why, for JSON that gives
/// no value of the property.
Misfit valueFromJson(const AttributeValuePtr& attribute, const QVariant& current, const QJsonValue& json,
                     EnteredValue& entered, QString& error);

/// What \p attribute, whose current value is \p current, takes: "a number",
/// "3 or 4 numbers", "a string", ...
QString entryText(const AttributeValuePtr& attribute, const QVariant& current);

/// The entries of an int's map text ("0:Planks;1:Parquet"): value and caption,
/// in text order; an entry whose value is no integer is left out.
std::vector<std::pair<int, QString>> mapEntries(const QString& map);

/// What a value deserves a warning for, though the library takes it as it is:
/// a component outside the range of \p range (a description by describeRange;
/// a component whose minimum is not below its maximum has no range), an
/// integer that its map does not list.
QStringList valueWarnings(const QJsonObject& range, const QJsonValue& value);

/// One attribute as a host program lists it: label, id, type, value, range,
/// step, default, captions, map, widget, visibility and description, in these
/// value forms.
QJsonObject describeAttribute(const USubstanceMaterialPtr& material, const AttributeValuePtr& value);

} // namespace oxValueForms
