#include "oxXmlParse.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

namespace oxXml {
namespace {

// A UTF-8 lead byte announces at most four bytes, so from the last byte of
// the text TinyXML can step at most three bytes past the terminator; every
// byte it lands on there must be a zero that stops it.
constexpr std::size_t ZeroPadding = 8;

// How TinyXML steps through text and attribute values: by UTF-8 sequences or
// byte by byte. A document parsed with TIXML_ENCODING_UNKNOWN steps byte by
// byte until a byte-order mark or its first top-level declaration decides.
enum class Stepping { Bytes, Utf8, Undecided };

// The nesting that TinyXML's parse reaches on a text, found without
// recursion. It follows TinyXML's reading of the text step by step (the
// same white space, names, quoted values, comments, character steps and
// encoding switch), so that its count of open elements at every point is the
// parser's recursion depth there. Where the parser would stop with an error,
// the scan stops too: nothing after that point reaches the parser.
class NestingScan
{
public:
    NestingScan(const char* text, std::size_t limit) : m_text(text), m_limit(limit) {}

    // The deepest nesting of the text, or limit + 1 as soon as it passes the limit.
    std::size_t run(Stepping stepping)
    {
        const char* p = m_text;
        if (stepping == Stepping::Undecided && startsWithBom(p))
            stepping = Stepping::Utf8;
        return document(p, stepping);
    }

private:
    static bool startsWithBom(const char* p)
    {
        return byte(p[0]) == 0xEF && byte(p[1]) == 0xBB && byte(p[2]) == 0xBF;
    }

    static unsigned char byte(char c) { return static_cast<unsigned char>(c); }

    static bool isWhite(char c) { return std::isspace(byte(c)) || c == '\n' || c == '\r'; }
    static bool isAlpha(char c) { return byte(c) < 127 ? std::isalpha(byte(c)) != 0 : true; }
    static bool isAlphaNum(char c) { return byte(c) < 127 ? std::isalnum(byte(c)) != 0 : true; }
    static bool isNameStart(char c) { return isAlpha(c) || c == '_'; }
    static bool isNamePart(char c)
    {
        return isAlphaNum(c) || c == '_' || c == '-' || c == '.' || c == ':';
    }

    static int lower(char c, Stepping stepping)
    {
        const int v = c;
        if (stepping == Stepping::Utf8)
            return v >= 0 && v < 128 ? std::tolower(v) : v;
        return std::tolower(v);
    }

    static bool startsWith(const char* p, const char* tag)
    {
        return std::strncmp(p, tag, std::strlen(tag)) == 0;
    }

    static bool startsWithNoCase(const char* p, const char* tag, Stepping stepping)
    {
        for (; *tag; ++p, ++tag)
            if (!*p || lower(*p, stepping) != lower(*tag, stepping))
                return false;
        return true;
    }

    static const char* skipWhite(const char* p, Stepping stepping)
    {
        if (stepping != Stepping::Utf8)
        {
            while (*p && isWhite(*p))
                ++p;
            return p;
        }
        while (*p)
        {
            const unsigned char a = byte(p[0]);
            const unsigned char b = byte(p[1]);
            const unsigned char c = byte(p[2]);
            if (a == 0xEF && ((b == 0xBB && c == 0xBF) || (b == 0xBF && (c == 0xBE || c == 0xBF))))
                p += 3;
            else if (isWhite(*p))
                ++p;
            else
                break;
        }
        return p;
    }

    // One character of text or of an attribute value; null where the parser
    // stops. A character reference ("&#x...;", "&#...;") reaches to the first
    // ';' after it and is taken when the characters just before that ';' are
    // digits back to an 'x' (or a '#'), whatever lies between: so it may span
    // quotes and markup. Other entities take one step per byte here: their
    // bytes are letters and ';', which end no text.
    static const char* step(const char* p, Stepping stepping)
    {
        if (*p == '&' && p[1] == '#' && p[2])
        {
            const bool hex = p[2] == 'x';
            const char* end = hex ? (p[3] ? std::strchr(p + 3, ';') : nullptr) : std::strchr(p + 2, ';');
            if (!end)
                return nullptr;
            for (const char* q = end - 1; *q != (hex ? 'x' : '#'); --q)
                if (!(hex ? std::isxdigit(byte(*q)) : std::isdigit(byte(*q))))
                    return nullptr;
            return end + 1;
        }
        if (stepping != Stepping::Utf8)
            return p + 1;
        const int length = TiXmlBase::utf8ByteTable[byte(*p)];
        return p + (length > 0 ? length : 1);
    }

    // Text up to \p end; null when the text ends first.
    static const char* skipText(const char* p, char end, bool condense, Stepping stepping)
    {
        if (condense)
            p = skipWhite(p, stepping);
        while (p && *p && *p != end)
            p = condense && isWhite(*p) ? p + 1 : step(p, stepping);
        return p && *p ? p + 1 : nullptr;
    }

    // Past the first \p end after \p p; null when there is none.
    static const char* skipPast(const char* p, const char* end)
    {
        const char* found = std::strstr(p, end);
        return found ? found + std::strlen(end) : nullptr;
    }

    static const char* skipName(const char* p)
    {
        while (*p && isNamePart(*p))
            ++p;
        return p;
    }

    // One attribute, "name = value": past its value, or null where the parser
    // stops. \p value, when given, receives the value's bytes as written.
    static const char* skipAttribute(const char* p, Stepping stepping, std::string* value = nullptr)
    {
        if (!isNameStart(*p))
            return nullptr;
        p = skipWhite(skipName(p), stepping);
        if (*p != '=')
            return nullptr;
        p = skipWhite(p + 1, stepping);
        const char* start = p;
        const char* end = nullptr;
        if (*p == '"' || *p == '\'')
        {
            p = skipText(++start, *p, false, stepping);
            end = p ? p - 1 : nullptr;
        }
        else
        {
            while (*p && !isWhite(*p) && *p != '/' && *p != '>')
            {
                if (*p == '"' || *p == '\'')
                    return nullptr;
                ++p;
            }
            end = p = *p ? p : nullptr;
        }
        if (p && value)
            value->assign(start, end);
        return p;
    }

    // A start tag from its '<': past its '>' (\p opened) or its "/>"; null where the parser stops.
    static const char* skipStartTag(const char* p, bool& opened, Stepping stepping)
    {
        p = skipName(p + 1);
        while (p)
        {
            p = skipWhite(p, stepping);
            if (*p == '/')
                return p[1] == '>' ? p + 2 : nullptr;
            if (*p == '>')
            {
                opened = true;
                return p + 1;
            }
            p = *p ? skipAttribute(p, stepping) : nullptr;
        }
        return nullptr;
    }

    // A declaration from its "<?xml": past its '>', or null where the parser
    // stops. \p encoding receives the value of its last encoding attribute.
    static const char* skipDeclaration(const char* p, Stepping stepping, std::string& encoding)
    {
        p += 5;
        while (p && *p)
        {
            if (*p == '>')
                return p + 1;
            p = skipWhite(p, stepping);
            if (startsWithNoCase(p, "version", stepping) || startsWithNoCase(p, "standalone", stepping))
                p = skipAttribute(p, stepping);
            else if (startsWithNoCase(p, "encoding", stepping))
                p = skipAttribute(p, stepping, &encoding);
            else
                while (*p && *p != '>' && !isWhite(*p))
                    ++p;
        }
        return nullptr;
    }

    // The stepping after a top-level declaration that names \p encoding:
    // UTF-8 for none, "UTF-8" or "UTF8" (any case, as a prefix), otherwise
    // bytes. A name written with references is decided both ways.
    static Stepping steppingAfter(const std::string& encoding)
    {
        if (encoding.find('&') != std::string::npos)
            return Stepping::Undecided;
        const char* name = encoding.c_str();
        const bool utf8 = !*name || startsWithNoCase(name, "UTF-8", Stepping::Bytes) ||
                          startsWithNoCase(name, "UTF8", Stepping::Bytes);
        return utf8 ? Stepping::Utf8 : Stepping::Bytes;
    }

    std::size_t document(const char* p, Stepping stepping)
    {
        std::size_t depth = 0;
        std::size_t deepest = 0;
        const bool condense = TiXmlBase::IsWhiteSpaceCondensed();
        while (p)
        {
            const char* beforeWhite = p;
            p = skipWhite(p, stepping);
            if (!*p)
                break;
            if (*p != '<')
            {
                // Text: the document's top level holds none, so the parser stops there.
                if (depth == 0)
                    break;
                p = skipText(condense ? p : beforeWhite, '<', condense, stepping);
                if (p)
                    --p;
                continue;
            }
            if (startsWithNoCase(p, "<?xml", stepping))
            {
                std::string encoding;
                p = skipDeclaration(p, stepping, encoding);
                // A top-level declaration decides the encoding of everything after it.
                if (p && depth == 0 && stepping == Stepping::Undecided)
                {
                    const Stepping after = steppingAfter(encoding);
                    if (after != Stepping::Undecided)
                        return std::max(deepest, document(p, after));
                    return std::max({deepest, document(p, Stepping::Utf8), document(p, Stepping::Bytes)});
                }
            }
            else if (startsWith(p, "<!--"))
                p = skipPast(p + 4, "-->");
            else if (startsWith(p, "<![CDATA["))
                p = skipPast(p + 9, "]]>");
            else if (depth > 0 && p[1] == '/')
            {
                --depth;
                p = skipPast(p + 2, ">");
            }
            else if (isNameStart(p[1]))
            {
                // The parser descends into every element, an empty one too.
                deepest = std::max(deepest, depth + 1);
                if (deepest > m_limit)
                    return deepest;
                bool opened = false;
                p = skipStartTag(p, opened, stepping);
                if (p && opened)
                    ++depth;
            }
            else
                p = skipPast(p + 1, ">");
        }
        return deepest;
    }

    const char* m_text;
    std::size_t m_limit;
};

Stepping steppingOf(TiXmlEncoding encoding)
{
    switch (encoding)
    {
    case TIXML_ENCODING_UTF8:
        return Stepping::Utf8;
    case TIXML_ENCODING_LEGACY:
        return Stepping::Bytes;
    default:
        return Stepping::Undecided;
    }
}

std::vector<char> paddedCopy(const char* text, std::size_t length)
{
    std::vector<char> padded(length + ZeroPadding, '\0');
    if (length > 0)
        std::memcpy(padded.data(), text, length);
    return padded;
}

} // namespace

std::size_t nestingDepth(const char* text, std::size_t length, TiXmlEncoding encoding, std::size_t limit)
{
    if (!text)
        return 0;
    const std::vector<char> padded = paddedCopy(text, length);
    return NestingScan(padded.data(), limit).run(steppingOf(encoding));
}

bool parse(TiXmlDocument& document, const char* text, std::size_t length, TiXmlEncoding encoding,
           std::string* problem)
{
    document.Clear();
    if (!text)
    {
        if (problem)
            *problem = "there is no text";
        return false;
    }
    std::vector<char> padded = paddedCopy(text, length);
    if (NestingScan(padded.data(), MaxDepth).run(steppingOf(encoding)) > MaxDepth)
    {
        if (problem)
            *problem = "the text is nested too deeply (more than " + std::to_string(MaxDepth) +
                       " elements inside each other)";
        return false;
    }
    document.Parse(padded.data(), nullptr, encoding);
    if (!document.Error())
        return true;
    if (problem)
    {
        // TinyXML gives no row for an error at the end of the text.
        const std::string where =
            document.ErrorRow() > 0 ? "line " + std::to_string(document.ErrorRow()) + ": " : std::string();
        *problem = "not well-formed XML (" + where + document.ErrorDesc() + ")";
    }
    return false;
}

bool parse(TiXmlDocument& document, const char* text, TiXmlEncoding encoding, std::string* problem)
{
    return parse(document, text, text ? std::strlen(text) : 0, encoding, problem);
}

} // namespace oxXml
