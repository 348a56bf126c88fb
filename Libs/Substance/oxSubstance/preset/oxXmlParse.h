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
///
/// TinyXML also parses, and frees, nested elements by recursion, so a text
/// nested thousands of elements deep would exhaust the stack of whoever
/// parses it. parse() measures the nesting first, without recursion, and
/// refuses a text that is nested deeper than MaxDepth.

#include "oxSubstancePresetExport.h"

#include <tinyxml.h>

#include <cstddef>
#include <string>

namespace oxXml {

/// The deepest nesting of elements that parse() hands to TinyXML. The
/// project's own files are four elements deep.
constexpr std::size_t MaxDepth = 256;

/// Parses \p length bytes of \p text into \p document (cleared first). The
/// text needs no terminator; TinyXML stops at its first zero byte. False for a
/// null text, a text nested deeper than MaxDepth (the document stays empty)
/// or when the document reports an error; \p problem, when given, then says
/// why ("not well-formed XML (line 3: ...)", "the text is nested too deeply
/// (...)", "there is no text").
OX_SUBSTANCE_PRESET_API bool parse(TiXmlDocument& document, const char* text, std::size_t length,
                                   TiXmlEncoding encoding, std::string* problem = nullptr);

/// parse() of a zero-terminated text.
OX_SUBSTANCE_PRESET_API bool parse(TiXmlDocument& document, const char* text, TiXmlEncoding encoding,
                                   std::string* problem = nullptr);

/// How deep TinyXML's parse of \p length bytes of \p text nests elements,
/// found without recursion; counting stops at limit + 1.
OX_SUBSTANCE_PRESET_API std::size_t nestingDepth(const char* text, std::size_t length, TiXmlEncoding encoding,
                                                 std::size_t limit = MaxDepth);

} // namespace oxXml
