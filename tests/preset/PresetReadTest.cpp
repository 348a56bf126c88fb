// Reading preset XML: malformed texts, missing and odd attributes, what the
// readers leave in the caller's record or list, and mutated texts.

#include "oxGuardedText.h"
#include "preset/SubstanceAirPreset.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

using SubstanceAir::Preset;

namespace {

auto fields(const Preset::InputValue& v)
{
    return std::tie(v.uid, v.type, v.identifier, v.value);
}

bool same(const Preset& a, const Preset& b)
{
    return a.packageUrl == b.packageUrl && a.label == b.label && a.description == b.description &&
           std::equal(a.inputValues.begin(), a.inputValues.end(), b.inputValues.begin(), b.inputValues.end(),
                      [](const auto& x, const auto& y) { return fields(x) == fields(y); });
}

const Preset filled{"old-url", "old-label", "old-description", {{9, "old-input", 1, "1.0"}}};

TEST(Read, TextsThatDoNotReadLeaveTheCallersData)
{
    const char* const notPresets[] = {nullptr, "", "sbspreset", "<sbspresets><sbspreset/></sbspresets>",
                                      "<sbspreset label=\"x\">", "<sbspreset label=\"a\" label=\"b\"/>",
                                      "<sbspreset label=\"&#xZZ;\"/>", "<sbspreset><presetinput></sbspreset>"};
    for (const char* text : notPresets)
    {
        SCOPED_TRACE(text ? text : "null");
        Preset preset = filled;
        EXPECT_FALSE(SubstanceAir::parsePreset(preset, text));
        EXPECT_TRUE(same(preset, filled));
    }
    const char* const notLists[] = {nullptr, "<sbspreset label=\"x\"/>", "<sbspresets count=\"3\"></sbspresets>",
                                    "<sbspresets><g><sbspreset/></g></sbspresets>",
                                    "<sbspresets><sbspreset/><sbspreset label=\"x/></sbspresets>"};
    for (const char* text : notLists)
    {
        SCOPED_TRACE(text ? text : "null");
        std::vector<Preset> presets{filled};
        EXPECT_FALSE(SubstanceAir::parsePresets(presets, text));
        ASSERT_EQ(presets.size(), 1u);
        EXPECT_TRUE(same(presets[0], filled));
    }
}

TEST(ReadPreset, OverwritesPresentAttributesOnlyAndAppendsInputs)
{
    Preset preset = filled;
    ASSERT_TRUE(SubstanceAir::parsePreset(preset,
        "<?xml version=\"1.0\"?><sbspreset label=\"a&amp;&#x41;\" extra=\"x\">"
        "<presetinput identifier=\"i\" uid=\"1\" type=\"2\" value=\"3\"/><other/>"
        "<group><presetinput identifier=\"nested\"/></group></sbspreset>"));
    Preset expected = filled;
    expected.label = "a&A";
    expected.inputValues.push_back({1, "i", 2, "3"});
    EXPECT_TRUE(same(preset, expected));

    ASSERT_TRUE(SubstanceAir::parsePreset(preset, "<sbspreset pkgurl=\"\" description=\"d&#x0A;\"/>"));
    EXPECT_EQ(preset.packageUrl, "");
    EXPECT_EQ(preset.description, "d\n");
    EXPECT_EQ(preset.label, "a&A");
}

struct InputCase
{
    const char* attributes; ///< attribute text of one "presetinput"
    Preset::InputValue expected;
};

constexpr std::uint32_t Unknown = Preset::UnknownType;

const InputCase inputCases[] = {
    {"", {0, "", Unknown, ""}},
    {"identifier=\"r&amp;s\" uid=\"3\" type=\"1\" value=\"0.25\"", {3, "r&s", 1, "0.25"}},
    {"uid=\"  42 \t\"", {42, "", Unknown, ""}},
    {"uid=\"12abc\"", {12, "", Unknown, ""}},
    {"uid=\"x1\"", {0, "", Unknown, ""}},
    // Negative numbers and numbers beyond 32 bits read as 0, not wrapped or clamped.
    {"uid=\" -1\"", {0, "", Unknown, ""}},
    {"uid=\"4294967295\"", {4294967295u, "", Unknown, ""}},
    {"uid=\"4294967296\"", {0, "", Unknown, ""}},
    {"uid=\"+7\"", {7, "", Unknown, ""}},
    {"uid=\"\n 007x\"", {7, "", Unknown, ""}},
    {"uid=\"+\"", {0, "", Unknown, ""}},
    {"uid=\"-0\"", {0, "", Unknown, ""}},
    {"type=\"float\" value=\"v\"", {0, "", Unknown, "v"}},
    {"type=\"3abc\" value=\"v\"", {0, "", 3, "v"}},
    {"type=\"-1\" value=\"v\"", {0, "", 4294967295u, "v"}},
    {"type=\"007\"", {0, "", 7, ""}},
    {"type=\" +4 \"", {0, "", 4, ""}},
    {"type=\"999999999\"", {0, "", 999999999u, ""}},
    {"type=\"2147483647\"", {0, "", 2147483647u, ""}},
    {"type=\"\"", {0, "", Unknown, ""}},
    {"type=\"5\" value=\"v\" filepath=\"/f\"", {0, "", 5, "/f"}},
    {"type=\"5\" value=\"v\"", {0, "", 5, ""}},
    {"type=\"4\" filepath=\"/f\"", {0, "", 4, ""}},
    {"filepath=\"/f\"", {0, "", Unknown, ""}},
};

TEST(ReadPreset, OddInputAttributes)
{
    for (const InputCase& c : inputCases)
    {
        SCOPED_TRACE(c.attributes);
        const std::string xml = std::string("<sbspreset><presetinput ") + c.attributes + "/></sbspreset>";
        Preset preset;
        ASSERT_TRUE(SubstanceAir::parsePreset(preset, xml.c_str()));
        ASSERT_EQ(preset.inputValues.size(), 1u);
        EXPECT_EQ(fields(preset.inputValues[0]), fields(c.expected));
    }
}

// Texts in and near the writer's own form read the same as through a full
// document (forced by an XML declaration in front, which the writer never writes).
TEST(ReadPreset, WritersOwnFormReadsAsAnyDocument)
{
    const std::string head = " <sbspreset pkgurl=\"pkg://a/b\" label=\"L\" >\n";
    const std::string input = "  <presetinput identifier=\"i\" uid=\"3\" type=\"0\" value=\"0.5\" />\n";
    const std::string tail = " </sbspreset>\n";
    const std::string texts[] = {
        head + tail,
        head + input + input + tail,
        " <sbspreset pkgurl=\"\" label=\"\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80\" >\n" + input + tail,
        head + "  <presetinput identifier=\"img\" uid=\"4294967295\" type=\"5\" filepath=\"/a b/c.ppm\" />\n" + tail,
        head + "  <presetinput identifier=\"i\" uid=\"4294967296\" type=\"0\" value=\"1\" />\n" + tail,
        head + "  <presetinput identifier=\"i\" uid=\"1\" type=\"4294967295\" value=\"1\" />\n" + tail,
        head + "  <presetinput identifier=\"i\" uid=\"1\" type=\"5\" value=\"1\" />\n" + tail,
        head + "  <presetinput identifier=\"a&amp;b&#x0A;\" uid=\"1\" type=\"6\" value=\"&lt;&quot;\" />\n" + tail,
        head + "  <presetinput identifier=\"i\" uid=\"1\" type=\"6\" value=\"it's > 2\" />\n" + tail,
        " <sbspreset pkgurl=\"u\" label=\"L\" description=\"d\" >\n" + input + tail,
        " <sbspreset pkgurl=\"u\" label=\"L\" >\r\n" + input + tail,
        " <sbspreset pkgurl=\"u\" label=\"\xC3(\" >\n" + input + tail,
        head + input + tail + "<!-- after -->",
    };
    for (const std::string& text : texts)
    {
        SCOPED_TRACE(text);
        Preset direct = filled, throughDocument = filled;
        const bool read = SubstanceAir::parsePreset(direct, text.c_str());
        EXPECT_EQ(read, SubstanceAir::parsePreset(throughDocument, ("<?xml version=\"1.0\"?>" + text).c_str()));
        EXPECT_TRUE(same(direct, throughDocument));
    }
}

TEST(ReadList, AppendsTopLevelPresetsInOrderWhateverTheCount)
{
    std::vector<Preset> presets{filled};
    ASSERT_TRUE(SubstanceAir::parsePresets(presets,
        "<sbspresets count=\"7\"><sbspreset label=\"one\" description=\"d\"/><!-- c -->"
        "<g><sbspreset label=\"nested\"/></g><sbspreset/><sbspreset label=\"three\"/></sbspresets>"));
    ASSERT_EQ(presets.size(), 4u);
    EXPECT_TRUE(same(presets[0], filled));
    EXPECT_EQ(presets[1].label, "one");
    EXPECT_EQ(presets[1].description, "d");
    EXPECT_TRUE(same(presets[2], Preset()));
    EXPECT_EQ(presets[3].label, "three");
}

// One rule says what a preset file is, for the readers and for the host's
// check of a file: the same parse, encoding detection and top element.
TEST(PresetListRule, SaysWhyATextIsNotAPresetList)
{
    const std::pair<std::string, std::string> cases[] = {
        {"<sbspresets/>", ""},
        {"<!-- c --><sbspresets><sbspreset label=\"a\"/></sbspresets><other/>", ""},
        {"<!-- c --><other/><sbspresets><sbspreset label=\"a\"/></sbspresets>", "no <sbspresets> element at the top"},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><sbspresets><sbspreset label=\"Caf\xE9\"/></sbspresets>", ""},
        {"<sbspresets><sbspreset label=\"Caf\xE9\"/></sbspresets>", ""},
        {"<?xml version=\"1.0\"?><sbspresets><sbspreset label=\"Caf\xE9\"/></sbspresets>",
         "not well-formed XML (line 1: Error parsing Element.)"},
        {std::string("<sbspresets/>\0<", 15), ""},
        {"<sbspreset/>", "no <sbspresets> element at the top"},
        {"", "not well-formed XML (Error document empty.)"},
        {"<sbspresets>\n<sbspreset>", "not well-formed XML (Error reading Element value.)"},
    };
    for (const auto& [text, problem] : cases)
    {
        SCOPED_TRACE(text);
        EXPECT_EQ(SubstanceAir::presetListProblem(text.data(), text.size()), problem);
        std::vector<Preset> presets;
        const bool read = SubstanceAir::parsePresets(presets, text.c_str());
        EXPECT_TRUE(!read || problem.empty()) << "what the list reader reads is a preset list";
    }
    EXPECT_EQ(SubstanceAir::presetListProblem(nullptr, 0), "there is no text");
}

// Texts that end inside a multi-byte UTF-8 sequence (a lead byte among the last
// three bytes), read as UTF-8 because the declaration names UTF-8 or no
// encoding. The text's terminator is the last readable byte, so a reader that
// steps past it crashes.
TEST(Read, TextsEndingInsideAUtf8SequenceAreReadNoFurther)
{
    const std::string declarations[] = {"<?xml version=\"1.0\"?>", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"};
    const std::string bodies[] = {"<sbspreset label=\"X", "<sbspresets><sbspreset label=\"X",
                                  "<sbspresets><sbspreset><presetinput value=\"", "<sbspreset>X"};
    const std::string endings[] = {"\xD4", "\xC3", "\xE9", "\xF0", "\xE9\x80", "\xF0\x9F", "\xF0\x9F\x98"};
    for (const std::string& declaration : declarations)
        for (const std::string& body : bodies)
            for (const std::string& ending : endings)
            {
                const std::string text = declaration + body + ending;
                SCOPED_TRACE(text);
                const oxGuardedText terminated(text + '\0');
                Preset preset = filled;
                EXPECT_FALSE(SubstanceAir::parsePreset(preset, terminated.data()));
                std::vector<Preset> presets;
                EXPECT_FALSE(SubstanceAir::parsePresets(presets, terminated.data()));

                const oxGuardedText bare(text);
                EXPECT_NE(SubstanceAir::presetListProblem(bare.data(), bare.size()), "");
            }
}

// ---------------------------------------------------------------------------
// Mutated and truncated texts: the readers must return cleanly, report
// success exactly when they read something, and never touch earlier data.

const char* const seedTexts[] = {
    " <sbspreset pkgurl=\"pkg://a&amp;b\" label=\"L&#x41;&lt;\" >\n"
    "  <presetinput identifier=\"x\" uid=\"12\" type=\"5\" filepath=\"/a\" />\n"
    "  <presetinput identifier=\"y\" uid=\" 3 \" type=\"1\" value=\"&quot;v&apos;\" />\n"
    " </sbspreset>\n",
    "<sbspresets count=\"2\" formatversion=\"1\">\n"
    " <sbspreset pkgurl=\"u\" label=\"one\" description=\"d\" >\n"
    "  <presetinput identifier=\"i\" uid=\"1\" type=\"2\" value=\"0.5,0.5\" />\n"
    " </sbspreset>\n"
    " <sbspreset label=\"&#x0A;two\" />\n"
    "</sbspresets>\n\n",
    "<?xml version=\"1.0\"?><!-- c --><sbspresets><sbspreset label='\xc3\xa9'>"
    "<presetinput uid='4294967295' type='-1' value='&#xE9;'/></sbspreset></sbspresets>",
};

std::string mutate(std::string text, std::mt19937& random)
{
    static const char inserts[] = "<>&\"';#x/=! \n\xc3\xff";
    for (int step = 1 + static_cast<int>(random() % 4); step > 0; --step)
    {
        const std::size_t at = random() % (text.size() + 1);
        switch (random() % 5)
        {
        case 0:
            if (at < text.size())
                text[at] = static_cast<char>(text[at] ^ (1 << (random() % 8)));
            break;
        case 1: text.insert(at, 1, inserts[random() % (sizeof inserts - 1)]); break;
        case 2: text.insert(at, random() % 2 ? "&#x" : "&#"); break;
        case 3: text.erase(at, 1 + random() % 8); break;
        default: text.resize(at); break;
        }
    }
    return text;
}

void readAndCheck(const std::string& text, int& presetsRead, int& listsRead)
{
    SCOPED_TRACE(text);
    Preset preset = filled;
    if (SubstanceAir::parsePreset(preset, text.c_str()))
    {
        ++presetsRead;
        ASSERT_FALSE(preset.inputValues.empty());
        EXPECT_EQ(fields(preset.inputValues[0]), fields(filled.inputValues[0]));
        std::ostringstream again;
        again << preset;
        Preset reread;
        ASSERT_TRUE(SubstanceAir::parsePreset(reread, again.str().c_str())) << again.str();
        EXPECT_EQ(reread.inputValues.size(), preset.inputValues.size());
    }
    else
    {
        EXPECT_TRUE(same(preset, filled));
    }

    std::vector<Preset> presets{filled};
    const bool grew = SubstanceAir::parsePresets(presets, text.c_str());
    EXPECT_EQ(grew, presets.size() > 1);
    EXPECT_TRUE(same(presets[0], filled));
    listsRead += grew ? 1 : 0;
}

TEST(MutatedTexts, ReadersReturnCleanly)
{
    std::mt19937 random(20240611u);
    int presetsRead = 0;
    int listsRead = 0;
    for (int round = 0; round < 3000; ++round)
        readAndCheck(mutate(seedTexts[round % 3], random), presetsRead, listsRead);
    for (const char* seed : seedTexts)
        for (std::size_t length = 0; seed[length] != '\0'; ++length)
            readAndCheck(std::string(seed, length), presetsRead, listsRead);
    // Enough texts must stay readable to exercise the fill paths.
    EXPECT_GT(presetsRead, 100);
    EXPECT_GT(listsRead, 100);
}

} // namespace
