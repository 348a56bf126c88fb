#include "SubstanceAirPreset.h"

#include "oxXmlParse.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace SubstanceAir {
namespace {

const char* const PresetTag = "sbspreset";
const char* const PresetListTag = "sbspresets";
const char* const InputTag = "presetinput";

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Length of the character reference "&#x<hex digits>;" that starts at text[at],
// or 0 when the bytes there are not such a reference.
std::size_t hexReferenceLength(const std::string& text, std::size_t at)
{
    if (text.compare(at, 3, "&#x") != 0)
        return 0;
    std::size_t end = at + 3;
    while (end < text.size() && isHexDigit(text[end]))
        ++end;
    if (end == at + 3 || end >= text.size() || text[end] != ';')
        return 0;
    return end + 1 - at;
}

// Escapes text for an attribute value. With passReferences, a well-formed
// hexadecimal character reference is copied as it stands (package URLs and labels
// may hold such references on purpose); otherwise every "&" is escaped, so that the
// text reads back exactly as it was (identifiers and values are data).
void appendEscaped(std::string& out, const std::string& text, bool passReferences)
{
    for (std::size_t i = 0; i < text.size() && text[i] != '\0'; ++i)
    {
        const char c = text[i];
        switch (c)
        {
        case '&':
            if (const std::size_t length = passReferences ? hexReferenceLength(text, i) : 0)
            {
                out.append(text, i, length);
                i += length - 1;
            }
            else
            {
                out += "&amp;";
            }
            break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default:
            if (static_cast<unsigned char>(c) < 32)
            {
                char reference[8];
                std::snprintf(reference, sizeof reference, "&#x%02X;", static_cast<unsigned>(static_cast<unsigned char>(c)));
                out += reference;
            }
            else
            {
                out += c;
            }
        }
    }
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads an unsigned 32-bit number the way stream extraction does: leading white
// space skipped, an optional "+", digits up to the first other character. A text
// that does not start with such a number gives 0; so does a negative number
// (extraction would wrap it around) and one beyond 32 bits.
std::uint32_t readUid(const char* attribute)
{
    if (!attribute)
        return 0;
    const char* p = attribute;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    if (*p == '+')
        ++p;
    if (!isDigit(*p))
        return 0;
    std::uint64_t uid = 0;
    for (; isDigit(*p); ++p)
    {
        uid = uid * 10 + std::uint64_t(*p - '0');
        if (uid > UINT32_MAX)
            return 0;
    }
    return std::uint32_t(uid);
}

// Reads the exact text that the writer below produces for one preset, without
// building a document: attribute values free of entities, markup and control
// characters, and well-formed UTF-8 (so that every XML reader gives the same
// bytes back). Anything else is left to the document reader.
class WrittenForm
{
public:
    explicit WrittenForm(const char* text) : _p(text) {}

    bool read(Preset& preset)
    {
        std::string packageUrl, label;
        std::vector<Preset::InputValue> inputs;
        if (!literal(" <sbspreset pkgurl=\"") || !text(packageUrl) || !literal(" label=\"") || !text(label) ||
            !literal(" >\n"))
            return false;
        while (literal("  <presetinput identifier=\""))
        {
            Preset::InputValue input;
            if (!text(input.identifier) || !literal(" uid=\"") || !number(input.uid, UINT32_MAX) ||
                !literal(" type=\"") || !number(input.type, INT_MAX) ||
                !(input.type == Preset::FilePathType ? literal(" filepath=\"") : literal(" value=\"")) ||
                !text(input.value) ||
                !literal(" />\n"))
                return false;
            inputs.push_back(std::move(input));
        }
        if (!literal(" </sbspreset>\n") || *_p != '\0')
            return false;

        preset.packageUrl = std::move(packageUrl);
        preset.label = std::move(label);
        if (preset.inputValues.empty())
            preset.inputValues = std::move(inputs);
        else
            preset.inputValues.insert(preset.inputValues.end(), std::make_move_iterator(inputs.begin()),
                                      std::make_move_iterator(inputs.end()));
        return true;
    }

private:
    // Compares byte by byte, so that the end of the text (a zero byte) stops it.
    template <std::size_t N>
    bool literal(const char (&expected)[N])
    {
        for (std::size_t i = 0; i + 1 < N; ++i)
            if (_p[i] != expected[i])
                return false;
        _p += N - 1;
        return true;
    }

    // An attribute value up to its closing quote, which is passed over.
    bool text(std::string& out)
    {
        const char* const start = _p;
        while (*_p != '"')
        {
            const unsigned char c = static_cast<unsigned char>(*_p);
            if (c < 32 || c == '&' || c == '<' || c == '>')
                return false;
            if (c < 0x80)
            {
                ++_p;
                continue;
            }
            const int continuation = c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2 : c >= 0xF0 && c <= 0xF4 ? 3 : -1;
            if (continuation < 0)
                return false;
            ++_p;
            for (int i = 0; i < continuation; ++i, ++_p)
                if ((static_cast<unsigned char>(*_p) & 0xC0) != 0x80)
                    return false;
        }
        out.assign(start, _p);
        ++_p;
        return true;
    }

    // Decimal digits up to the closing quote, at most \p largest.
    bool number(std::uint32_t& out, std::uint32_t largest)
    {
        std::uint64_t n = 0;
        const char* const start = _p;
        for (; isDigit(*_p); ++_p)
        {
            n = n * 10 + std::uint64_t(*_p - '0');
            if (n > largest)
                return false;
        }
        if (_p == start || *_p != '"')
            return false;
        ++_p;
        out = std::uint32_t(n);
        return true;
    }

    const char* _p;
};

// The "type" attribute as TinyXML's integer query reads it ("%d" of sscanf);
// UnknownType when it is missing or holds no integer. Plain digits that fit
// are read directly, which gives the same number.
std::uint32_t readType(const TiXmlElement& element)
{
    const char* text = element.Attribute("type");
    if (!text)
        return Preset::UnknownType;
    std::uint32_t plain = 0;
    std::size_t digits = 0;
    for (; isDigit(text[digits]) && digits < 10; ++digits)
        plain = plain * 10 + std::uint32_t(text[digits] - '0');
    if (digits > 0 && digits < 10 && text[digits] == '\0')
        return plain;
    int type = 0;
    return element.QueryIntAttribute("type", &type) == TIXML_SUCCESS ? static_cast<std::uint32_t>(type)
                                                                      : Preset::UnknownType;
}

void fillInput(Preset::InputValue& input, const TiXmlElement& element)
{
    input.uid = readUid(element.Attribute("uid"));

    input.type = readType(element);

    if (const char* identifier = element.Attribute("identifier"))
        input.identifier = identifier;
    const char* valueName = input.type == Preset::FilePathType ? "filepath" : "value";
    if (const char* value = element.Attribute(valueName))
        input.value = value;
}

void fillPreset(Preset& preset, const TiXmlElement& element)
{
    if (const char* packageUrl = element.Attribute("pkgurl"))
        preset.packageUrl = packageUrl;
    if (const char* label = element.Attribute("label"))
        preset.label = label;
    if (const char* description = element.Attribute("description"))
        preset.description = description;

    std::size_t count = 0;
    for (const TiXmlElement* child = element.FirstChildElement(InputTag); child;
         child = child->NextSiblingElement(InputTag))
        ++count;
    preset.inputValues.reserve(preset.inputValues.size() + count);
    for (const TiXmlElement* child = element.FirstChildElement(InputTag); child;
         child = child->NextSiblingElement(InputTag))
    {
        preset.inputValues.emplace_back();
        fillInput(preset.inputValues.back(), *child);
    }
}

// Preset texts name their encoding in their XML declaration; TinyXML reads
// them as UTF-8 when the declaration names UTF-8 or no encoding (or the text
// starts with a byte-order mark), otherwise byte by byte.
bool parseDocument(TiXmlDocument& document, const char* xml, std::size_t length, std::string* problem = nullptr)
{
    return oxXml::parse(document, xml, length, TIXML_DEFAULT_ENCODING, problem);
}

// The list element of a preset list: the top element, when it is "sbspresets".
// The host's preset-file check looks at the top element alone, so the two
// agree on every text that is well-formed.
const TiXmlElement* presetListElement(const TiXmlDocument& document)
{
    const TiXmlElement* top = document.FirstChildElement();
    return top && std::strcmp(top->Value(), PresetListTag) == 0 ? top : nullptr;
}

} // namespace

std::string presetListProblem(const char* text, std::size_t length)
{
    TiXmlDocument document;
    std::string problem;
    if (!parseDocument(document, text, length, &problem))
        return problem;
    if (!presetListElement(document))
        return "no <sbspresets> element at the top";
    return std::string();
}

bool parsePreset(Preset& preset, const char* xml)
{
    // Preset contents are mostly the writer's own output, which reads without a document.
    if (xml && WrittenForm(xml).read(preset))
        return true;
    TiXmlDocument document;
    if (!xml || !parseDocument(document, xml, std::strlen(xml)))
        return false;
    const TiXmlElement* element = document.FirstChildElement(PresetTag);
    if (!element)
        return false;
    fillPreset(preset, *element);
    return true;
}

bool parsePresets(std::vector<Preset>& presets, const char* xml)
{
    TiXmlDocument document;
    if (!xml || !parseDocument(document, xml, std::strlen(xml)))
        return false;
    const TiXmlElement* list = presetListElement(document);
    if (!list)
        return false;

    std::size_t count = 0;
    for (const TiXmlElement* child = list->FirstChildElement(PresetTag); child;
         child = child->NextSiblingElement(PresetTag))
        ++count;
    if (count == 0)
        return false;

    presets.reserve(presets.size() + count);
    for (const TiXmlElement* child = list->FirstChildElement(PresetTag); child;
         child = child->NextSiblingElement(PresetTag))
    {
        presets.emplace_back();
        fillPreset(presets.back(), *child);
    }
    return true;
}

void writeEscaped(std::ostream& out, const std::string& text)
{
    std::string escaped;
    appendEscaped(escaped, text, true);
    out.write(escaped.data(), static_cast<std::streamsize>(escaped.size()));
}

std::string presetListHeader(std::size_t count)
{
    return "<sbspresets count=\"" + std::to_string(count) + "\" formatversion=\"1\">\n";
}

std::string presetListFooter()
{
    return "</sbspresets>\n\n";
}

} // namespace SubstanceAir

std::ostream& operator<<(std::ostream& out, const SubstanceAir::Preset& preset)
{
    using SubstanceAir::appendEscaped;

    // Built whole and written at once, so that the stream's width, base and
    // sign flags cannot alter the bytes; the width is then used up, as by any
    // formatted output.
    std::string text = " <sbspreset pkgurl=\"";
    appendEscaped(text, preset.packageUrl, true);
    text += "\" label=\"";
    appendEscaped(text, preset.label, true);
    text += "\" >\n";

    for (const SubstanceAir::Preset::InputValue& input : preset.inputValues)
    {
        text += "  <presetinput identifier=\"";
        appendEscaped(text, input.identifier, false);
        text += "\" uid=\"";
        text += std::to_string(input.uid);
        text += "\" type=\"";
        text += std::to_string(input.type);
        text += input.type == SubstanceAir::Preset::FilePathType ? "\" filepath=\"" : "\" value=\"";
        appendEscaped(text, input.value, false);
        text += "\" />\n";
    }

    text += " </sbspreset>\n";
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.width(0);
    return out;
}
