#include "oxXmlParse.h"

#include <cstring>
#include <vector>

namespace oxXml {
namespace {

// A UTF-8 lead byte announces at most four bytes, so from the last byte of
// the text TinyXML can step at most three bytes past the terminator; every
// byte it lands on there must be a zero that stops it.
constexpr std::size_t ZeroPadding = 8;

} // namespace

bool parse(TiXmlDocument& document, const char* text, std::size_t length, TiXmlEncoding encoding)
{
    document.Clear();
    if (!text)
        return false;
    std::vector<char> padded(length + ZeroPadding, '\0');
    if (length > 0)
        std::memcpy(padded.data(), text, length);
    document.Parse(padded.data(), nullptr, encoding);
    return !document.Error();
}

bool parse(TiXmlDocument& document, const char* text, TiXmlEncoding encoding)
{
    return parse(document, text, text ? std::strlen(text) : 0, encoding);
}

} // namespace oxXml
