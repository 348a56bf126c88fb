#pragma once
/// \file oxArchiveTypes.h
/// Input types of the stand-in archive service: the table of the ten type
/// strings with their preset type codes, the stored form of a value, its text
/// form (archive files and preset values), its QVariant form and the attribute
/// class that holds it.

#include "Attributes.h"
#include "QSubstanceArchive.h"

#include <QString>
#include <QVariant>

#include <array>
#include <cstdint>
#include <string>

namespace oxArchive {

/// What a value is made of.
enum class Kind { Float, Int, String, Image };

/// A value as the archive keeps it. Numbers use the first `components`
/// entries of f or i (the rest stay 0); strings use text. Images are kept by
/// the archive beside the value; text then holds the path that the image was
/// read from (empty when none).
struct Value
{
    std::array<float, 4> f{};
    std::array<int, 4> i{};
    QString text;

    bool operator==(const Value& o) const { return f == o.f && i == o.i && text == o.text; }
    bool operator!=(const Value& o) const { return !(*this == o); }
};

/// One row of the type table: what a type is called and made of, its QVariant
/// form and the current value of its attribute class.
struct TypeInfo
{
    const char* typeString;         ///< "float", "int[2]", ...
    SubstanceAir::InputType code;   ///< preset type code
    Kind kind;
    int components;                 ///< 1 to 4 for numbers, 0 for strings and images
    /// See oxArchive::toVariant and oxArchive::fromVariant.
    QVariant (*toVariant)(const Value& value, bool colour);
    bool (*fromVariant)(const QVariant& variant, bool colour, Value& out);
    /// Whether an attribute value is of this type's class.
    bool (*holds)(const AttributeValuePtr& attribute);
    /// The current value of an attribute of this type's class (numbers and strings).
    Value (*load)(const AttributeValuePtr& attribute);
    /// Writes the current value of an attribute of this type's class inside an
    /// edit bracket with the mask of the fields written (numbers and strings).
    void (*store)(const AttributeValuePtr& attribute, const Value& value);
};

/// The row of a type string (exact match); null when there is none.
const TypeInfo* typeByString(const QString& typeString);
/// The row of a preset type code; null when there is none.
const TypeInfo* typeByCode(std::uint32_t code);
/// The row of an attribute value's class; null for a null handle and an unknown class.
const TypeInfo* typeOf(const AttributeValuePtr& attribute);

/// Identifier of the output-size input.
extern const char* const OutputSizeId;

/// Largest log2 output size, 2^13 = 8192 pixels a side. Sizes travel as `int`
/// pixel counts, which hold 2^30 at most; a raster of 8192 x 8192 pixels of the
/// widest data type (float32 RGB, 12 bytes a pixel) is 768 MiB, within the
/// 1 GiB that a host image takes.
constexpr int MaxOutputSizeLog2 = 13;

/// The shortest decimal text that reads back as exactly \p value.
std::string formatFloat(float value);

/// The text form of a value: numbers as decimal components separated by ",",
/// strings and image paths as they are.
std::string formatValue(const TypeInfo& type, const Value& value);

/// Reads \p count numbers separated by "," (blanks around each allowed). False
/// when the count differs or a component is not a number of that kind.
bool parseFloats(const QString& text, int count, std::array<float, 4>& out);
bool parseInts(const QString& text, int count, std::array<int, 4>& out);

/// Reads the text form of a value of \p type; false when it does not read.
bool parseValue(const TypeInfo& type, const QString& text, Value& out);

/// The QVariant form of a number or string value: float, QVector2D/3D/4D
/// (QVector3D for a colour "float[4]"), int, QOXIntVector2D/3D/4D, QString.
/// Images and the output size are the archive's business.
QVariant toVariant(const TypeInfo& type, const Value& value, bool colour);

/// Converts a QVariant into a number or string value, the way the host's
/// attribute writes do: the type's own form as stored, else Qt's conversion,
/// else zeros; a QVector3D given to a colour gets alpha 1. False for an
/// invalid QVariant and for images.
bool fromVariant(const TypeInfo& type, const QVariant& variant, bool colour, Value& out);

/// The process-wide default output-size sync state (QSubstanceArchive::getDefaultSyncOutputSize
/// without counting a call).
bool defaultSyncOutputSize();

/// 32-bit FNV-1a hash, used to derive placeholder colours.
std::uint32_t hashBytes(const std::string& bytes, std::uint32_t seed = 2166136261u);

} // namespace oxArchive
