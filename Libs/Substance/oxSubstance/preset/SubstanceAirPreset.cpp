#include "SubstanceAirPreset.h"

#include <tinyxml.h>

#include <cstdio>
#include <locale>
#include <sstream>

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

// Reads an unsigned 32-bit number the way stream extraction does: leading white
// space skipped, digits up to the first other character, trailing blanks and tabs
// ignored. A text that does not start with such a number gives 0; so does a
// negative number (extraction would wrap it around) and one beyond 32 bits.
std::uint32_t readUid(const char* attribute)
{
    if (!attribute)
        return 0;
    std::string text(attribute);
    const std::size_t last = text.find_last_not_of(" \t");
    text.erase(last == std::string::npos ? 0 : last + 1);

    std::istringstream in(text);
    in.imbue(std::locale::classic());
    in >> std::ws;
    if (in.peek() == '-')
        return 0;
    std::uint32_t uid = 0;
    if (!(in >> uid))
        return 0;
    return uid;
}

void fillInput(Preset::InputValue& input, const TiXmlElement& element)
{
    input.uid = readUid(element.Attribute("uid"));

    int type = 0;
    input.type = element.QueryIntAttribute("type", &type) == TIXML_SUCCESS
        ? static_cast<std::uint32_t>(type)
        : Preset::UnknownType;

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

    for (const TiXmlElement* child = element.FirstChildElement(InputTag); child;
         child = child->NextSiblingElement(InputTag))
    {
        preset.inputValues.emplace_back();
        fillInput(preset.inputValues.back(), *child);
    }
}

// Parses the whole text; false for a null text or a document with an error.
bool parseDocument(TiXmlDocument& document, const char* xml)
{
    if (!xml)
        return false;
    document.Parse(xml, nullptr, TIXML_DEFAULT_ENCODING);
    return !document.Error();
}

} // namespace

bool parsePreset(Preset& preset, const char* xml)
{
    TiXmlDocument document;
    if (!parseDocument(document, xml))
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
    if (!parseDocument(document, xml))
        return false;
    const TiXmlElement* list = document.FirstChildElement(PresetListTag);
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
    // sign flags cannot alter the bytes.
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
    return out;
}
