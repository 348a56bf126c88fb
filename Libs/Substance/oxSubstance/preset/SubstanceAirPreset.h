#pragma once
/// \file SubstanceAirPreset.h
/// The preset record and its XML forms: one preset ("sbspreset") and a
/// preset list ("sbspresets", the content of a .sbsprs file).

#include "oxSubstancePresetExport.h"

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace SubstanceAir {

/// One preset: the graph it belongs to, its label and its input values.
/// Strings hold the attribute bytes after entity decoding (UTF-8 by convention).
struct OX_SUBSTANCE_PRESET_API Preset
{
    /// Type code of an input that carries a file path (written as "filepath").
    static constexpr std::uint32_t FilePathType = 5;
    /// Type code stored when "type" is missing or not an integer.
    static constexpr std::uint32_t UnknownType = 65535;

    struct InputValue
    {
        std::uint32_t uid = 0;          ///< numeric id of the input ("uid")
        std::string identifier;         ///< input identifier ("identifier")
        std::uint32_t type = UnknownType; ///< input type code ("type")
        std::string value;              ///< value text ("value", or "filepath" for type 5)
    };

    std::string packageUrl;              ///< "pkgurl": package URL of the preset's graph
    std::string label;                   ///< "label"
    std::string description;             ///< "description": read, never written
    std::vector<InputValue> inputValues; ///< "presetinput" children in document order
};

/// Fills \p preset from text whose top element is "sbspreset". Fields are
/// overwritten only for attributes that are present; inputs are appended.
/// False for a null text, text that does not parse or has no such element.
/// A "uid" that does not start with an unsigned 32-bit number reads as 0 (so
/// does a negative one); a "type" that is not an integer reads as UnknownType.
OX_SUBSTANCE_PRESET_API bool parsePreset(Preset& preset, const char* xml);

/// Appends one record per "sbspreset" child of the top element "sbspresets";
/// entries already in \p presets stay. True exactly when \p presets grew.
OX_SUBSTANCE_PRESET_API bool parsePresets(std::vector<Preset>& presets, const char* xml);

/// What a preset file is, for the readers above and for every check of a
/// file: text that reads as XML and has an "sbspresets" element at the top.
/// The encoding comes from the XML declaration, as in the readers: UTF-8 when
/// it names UTF-8 or no encoding (or the text starts with a byte-order mark),
/// otherwise one character per byte. Returns why \p length bytes of \p text
/// are not a preset list, or an empty string when they are one.
OX_SUBSTANCE_PRESET_API std::string presetListProblem(const char* text, std::size_t length);

/// Writes \p text escaped for an XML attribute value: & < > " ' and bytes below
/// 32 become entities; a well-formed hexadecimal character reference
/// ("&#x", hex digits, ";") is passed through unchanged. Stops at a zero byte.
/// This is how package URLs and labels are written; identifiers and values
/// escape every "&", so that they read back exactly as written.
OX_SUBSTANCE_PRESET_API void writeEscaped(std::ostream& out, const std::string& text);

/// Header of a preset list file announcing \p count presets, with its newline.
OX_SUBSTANCE_PRESET_API std::string presetListHeader(std::size_t count);
/// Footer of a preset list file: the closing tag, a newline and an empty line.
OX_SUBSTANCE_PRESET_API std::string presetListFooter();

} // namespace SubstanceAir

/// Writes one "sbspreset" element with its inputs (no description).
OX_SUBSTANCE_PRESET_API std::ostream& operator<<(std::ostream& out, const SubstanceAir::Preset& preset);
