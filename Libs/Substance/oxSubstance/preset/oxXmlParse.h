#pragma once
/// \file oxXmlParse.h
/// The one way text reaches TinyXML in this project.
///
/// TinyXML reads on past the terminating zero when a text ends inside a
/// multi-byte UTF-8 sequence (it steps over as many bytes as the lead byte
/// announces), and it needs a terminator where the caller's text may have
/// none. parse() hands it a copy of the text followed by enough zero bytes
/// that no step can leave the copy. Whoever includes this header links TinyXML
/// itself.

#include "oxSubstancePresetExport.h"

#include <tinyxml.h>

#include <cstddef>

namespace oxXml {

/// Parses \p length bytes of \p text into \p document (cleared first). The
/// text needs no terminator; TinyXML stops at its first zero byte. False for a
/// null text or when the document reports an error (ErrorDesc, ErrorRow).
OX_SUBSTANCE_PRESET_API bool parse(TiXmlDocument& document, const char* text, std::size_t length,
                            TiXmlEncoding encoding);

/// parse() of a zero-terminated text.
OX_SUBSTANCE_PRESET_API bool parse(TiXmlDocument& document, const char* text, TiXmlEncoding encoding);

} // namespace oxXml
