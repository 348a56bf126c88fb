// Fuzz target: the preset readers, the preset-list rule, the writer and the
// guarded parse's measure of nesting.
// Properties: the measured nesting is never less than what TinyXML builds
// from the same text, as a preset (encoding from the declaration) and as an
// archive (UTF-8); the rule accepts every text that the list reader reads; what
// reads, written and read back, gives the same record (the package URL and
// label exactly when they hold no character reference, which the writer
// passes through on purpose), and writing that record again gives the same
// bytes.

#include "preset/SubstanceAirPreset.h"
#include "preset/oxXmlParse.h"
#include "oxBuiltDepth.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using SubstanceAir::Preset;

[[noreturn]] void fail(const char* what, const std::string& text)
{
    std::fprintf(stderr, "property broken: %s\n%s\n", what, text.c_str());
    std::abort();
}

std::string written(const Preset& preset)
{
    std::ostringstream out;
    out << preset;
    return out.str();
}

bool sameInputs(const Preset& a, const Preset& b)
{
    if (a.inputValues.size() != b.inputValues.size())
        return false;
    for (std::size_t i = 0; i < a.inputValues.size(); ++i)
    {
        const Preset::InputValue& x = a.inputValues[i];
        const Preset::InputValue& y = b.inputValues[i];
        if (x.uid != y.uid || x.type != y.type || x.identifier != y.identifier || x.value != y.value)
            return false;
    }
    return true;
}

void checkRoundTrip(const Preset& record)
{
    const std::string first = written(record);
    Preset again;
    if (!SubstanceAir::parsePreset(again, first.c_str()))
        fail("a written preset does not read", first);
    if (!again.description.empty())
        fail("a description was written", first);
    if (!sameInputs(record, again))
        fail("inputs changed on the way through the writer", first);
    const bool references = record.packageUrl.find("&#x") != std::string::npos ||
                            record.label.find("&#x") != std::string::npos;
    if (references)
        return;
    if (again.packageUrl != record.packageUrl || again.label != record.label)
        fail("package URL or label changed on the way through the writer", first);
    if (written(again) != first)
        fail("the second write differs from the first", first);
}

void checkNesting(const std::string& text)
{
    // TinyXML itself, unguarded, on a text that the main thread's stack can take.
    constexpr std::size_t Parseable = 2000;
    std::string padded = text;
    padded.append(8, '\0');
    for (const TiXmlEncoding encoding : {TIXML_DEFAULT_ENCODING, TIXML_ENCODING_UTF8})
    {
        const std::size_t measured =
            oxXml::nestingDepth(text.data(), text.size(), encoding, std::numeric_limits<std::size_t>::max() - 1);
        if (measured > Parseable)
            continue;
        TiXmlDocument document;
        document.Parse(padded.data(), nullptr, encoding);
        if (oxBuiltDepth(document) > measured)
            fail("TinyXML nests deeper than the guarded parse measured", text);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    checkNesting(text);
    const bool isList = SubstanceAir::presetListProblem(text.data(), text.size()).empty();

    Preset preset;
    if (SubstanceAir::parsePreset(preset, text.c_str()))
        checkRoundTrip(preset);

    std::vector<Preset> presets;
    if (SubstanceAir::parsePresets(presets, text.c_str()))
    {
        // The rule sees the whole text, the reader only up to a zero byte.
        if (!isList && text.find('\0') == std::string::npos)
            fail("the list reader reads a text that the preset-file rule refuses", text);
        for (const Preset& p : presets)
            checkRoundTrip(p);
    }
    return 0;
}
