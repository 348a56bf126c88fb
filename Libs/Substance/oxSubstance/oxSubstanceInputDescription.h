#pragma once
/// \file oxSubstanceInputDescription.h
/// One Substance input description taken apart once, into the typed form that
/// the attribute creator, the attribute groups and the value writes share. The
/// description keys ("TYP", "ID", "LABEL", "GROUP", "VALUE", ranges, captions ...)
/// are spelled here and nowhere else.

#include "oxSubstanceExport.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>

#include <array>
#include <optional>
#include <string>
#include <vector>

/// The typed content of one input description (QMap<QString, QVariant>).
///
/// Missing keys read as empty text or 0. Numbers are read for the kind of the
/// description's type only: floats narrowed from double (finite values beyond
/// single precision become the largest float of their sign), integers that do
/// not fit 32 bits (or text that is not a number) as 0. Scalars keep "Min",
/// "Max" and "DefaultValue" in component 0; vectors of N components read the
/// X, Y (Z, W) forms of those keys and of the captions "LabelX" ...
struct OX_SUBSTANCE_API oxSubstanceInputDescription
{
    /// What numbers a value type reads.
    enum class Numbers { None, Float, Int };

    /// One row of the table of value types.
    struct Type
    {
        const char* typeString; ///< "float" ... "image", exact and case-sensitive
        Numbers numbers;
        int components;         ///< 1 to 4 for numbers, 0 otherwise
    };
    /// The ten value types, in the attribute creator's dispatch order.
    static const std::array<Type, 10>& types();

    /// Reads every key that applies to the description's type.
    explicit oxSubstanceInputDescription(const QMap<QString, QVariant>& description);
    /// One entry per description, in order.
    static std::vector<oxSubstanceInputDescription> readAll(const QList<QMap<QString, QVariant>>& descriptions);

    QString typeString;      ///< "TYP"
    const Type* type = nullptr; ///< the row of typeString; null when it is in no row
    QString id;              ///< "ID": the input's identifier, stored as the value's uuid
    QString label;           ///< "LABEL": an input without one gets no attribute
    QString group;           ///< "GROUP": empty for the shared group
    QVariant value;          ///< "VALUE": the current value
    std::string idUtf8;      ///< id as UTF-8
    std::string labelUtf8;   ///< label as UTF-8
    std::string groupUtf8;   ///< group as UTF-8
    std::string typeUtf8;    ///< typeString as UTF-8
    std::string widget;      ///< "WIDGET", verbatim
    std::string visibility;  ///< "VISIBILITY", verbatim
    std::string defaultText; ///< "DEFAULT_VALUE", verbatim
    std::string description; ///< "DESCRIPTION", verbatim

    float floatStep = 0.f;   ///< "Step" of a float type
    std::array<float, 4> floatMin{}, floatMax{}, floatDefault{};
    int intStep = 0;         ///< "Step" of an int type
    std::array<int, 4> intMin{}, intMax{}, intDefault{};
    /// "LabelX" ... of a vector type; set only when the key is present.
    std::array<std::optional<std::string>, 4> componentLabels;
    /// "Map" of an "int"; set only when the key is present.
    std::optional<std::string> map;
};
