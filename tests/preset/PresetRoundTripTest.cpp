// Records written and read back, texts that try to break out of their
// attribute, and readers fed with mutated and truncated texts.

#include "preset/SubstanceAirPreset.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstdint>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using SubstanceAir::Preset;

namespace {

std::string written(const Preset& preset)
{
    std::ostringstream out;
    out << preset;
    return out.str();
}

Preset::InputValue input(const std::string& identifier, std::uint32_t uid, std::uint32_t type,
                         const std::string& value)
{
    Preset::InputValue result;
    result.identifier = identifier;
    result.uid = uid;
    result.type = type;
    result.value = value;
    return result;
}

// A record that carries \p text in every string field, including a file path.
Preset carrying(const std::string& text)
{
    Preset preset;
    preset.packageUrl = "pkg://" + text;
    preset.label = text;
    preset.description = "dropped " + text;
    preset.inputValues.push_back(input(text, 0, 0, text));
    preset.inputValues.push_back(input("id" + text, 4294967295u, Preset::FilePathType, text + "/file.png"));
    preset.inputValues.push_back(input("t", 17, Preset::UnknownType, "v" + text));
    return preset;
}

std::set<std::string> attributeNames(const TiXmlElement& element)
{
    std::set<std::string> names;
    for (const TiXmlAttribute* attribute = element.FirstAttribute(); attribute; attribute = attribute->Next())
        names.insert(attribute->Name());
    return names;
}

int countElements(const TiXmlNode& node)
{
    int count = 0;
    for (const TiXmlNode* child = node.FirstChild(); child; child = child->NextSibling())
        if (child->ToElement())
            count += 1 + countElements(*child);
    return count;
}

// The written element must hold exactly the elements and attributes that the
// writer puts there on purpose, whatever the record's texts hold.
void expectOnlyIntendedMarkup(const Preset& preset, const std::string& xml)
{
    TiXmlDocument document;
    document.Parse(xml.c_str());
    ASSERT_FALSE(document.Error()) << document.ErrorDesc() << "\n" << xml;

    EXPECT_EQ(countElements(document), 1 + static_cast<int>(preset.inputValues.size())) << xml;
    const TiXmlElement* root = document.RootElement();
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->Value(), "sbspreset");
    EXPECT_EQ(attributeNames(*root), (std::set<std::string>{"pkgurl", "label"})) << xml;

    std::size_t index = 0;
    for (const TiXmlNode* child = root->FirstChild(); child; child = child->NextSibling())
    {
        const TiXmlElement* element = child->ToElement();
        ASSERT_NE(element, nullptr) << "unexpected node in\n" << xml;
        ASSERT_LT(index, preset.inputValues.size());
        EXPECT_STREQ(element->Value(), "presetinput");
        const char* valueName = preset.inputValues[index].type == Preset::FilePathType ? "filepath" : "value";
        EXPECT_EQ(attributeNames(*element), (std::set<std::string>{"identifier", "uid", "type", valueName}))
            << xml;
        ++index;
    }
    EXPECT_EQ(index, preset.inputValues.size());
}

// ---------------------------------------------------------------------------

struct TextCase
{
    const char* name;
    std::string text;
    std::string readBack; ///< the text as it reads back
};

TextCase same(const char* name, const std::string& text)
{
    return {name, text, text};
}

class RoundTripTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(RoundTripTest, KeepsEverythingButDescription)
{
    const Preset original = carrying(GetParam().text);
    const Preset expected = carrying(GetParam().readBack);
    const std::string xml = written(original);
    expectOnlyIntendedMarkup(original, xml);

    Preset read;
    ASSERT_TRUE(SubstanceAir::parsePreset(read, xml.c_str())) << xml;
    EXPECT_EQ(read.packageUrl, expected.packageUrl);
    EXPECT_EQ(read.label, expected.label);
    EXPECT_EQ(read.description, "");
    ASSERT_EQ(read.inputValues.size(), expected.inputValues.size());
    for (std::size_t i = 0; i < read.inputValues.size(); ++i)
    {
        EXPECT_EQ(read.inputValues[i].identifier, expected.inputValues[i].identifier) << i;
        EXPECT_EQ(read.inputValues[i].uid, expected.inputValues[i].uid) << i;
        EXPECT_EQ(read.inputValues[i].type, expected.inputValues[i].type) << i;
        EXPECT_EQ(read.inputValues[i].value, expected.inputValues[i].value) << i;
    }

    // The same element inside a list file reads back alike.
    std::vector<Preset> list;
    const std::string file = SubstanceAir::presetListHeader(2) + xml + xml + SubstanceAir::presetListFooter();
    ASSERT_TRUE(SubstanceAir::parsePresets(list, file.c_str()));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].label, expected.label);
    ASSERT_EQ(list[1].inputValues.size(), expected.inputValues.size());
    EXPECT_EQ(list[1].inputValues[1].value, expected.inputValues[1].value);
}

INSTANTIATE_TEST_SUITE_P(TrickyTexts, RoundTripTest,
    ::testing::Values(
        same("Empty", ""),
        same("Plain", "Brushed metal 2"),
        same("Ampersands", "a&b&&c&"),
        same("NamedEntityText", "&amp;&lt;&quot;"),
        same("DoubleQuotes", "\"quoted\" \""),
        same("Apostrophes", "it's ''"),
        same("AngleBrackets", "<x/> </sbspreset> <presetinput"),
        same("ControlBytes", "a\x01\x02\tb\nc\rd\x1f"),
        same("CarriageReturnLineFeed", "line1\r\nline2"),
        same("Utf8", "\xc3\xa9\xc3\xa8 \xe2\x82\xac \xf0\x9f\x98\x80"),
        same("HighBytesNotUtf8", "\xff\xfe\x80"),
        same("LeadingTrailingBlanks", "  x \t "),
        same("DecimalReferenceText", "&#65;"),
        TextCase{"HexReference", "&#x41;", "A"},
        TextCase{"HexReferenceAmongText", "x&#x41;&#x42;y&z", "xABy&z"},
        TextCase{"HexReferenceToLineFeed", "a&#x0A;b", "a\nb"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(BreakOutAttempts, RoundTripTest,
    ::testing::Values(
        same("ReferenceClosingAttribute", "&#x\" evil=\"1;"),
        same("ReferenceHoldingMarkup", "&#x<x/>;"),
        same("ReferenceWithoutDigits", "&#x;"),
        same("ReferenceWithBadDigits", "&#xZZ;"),
        same("ReferenceWithoutSemicolon", "&#x41"),
        same("ReferenceCutByQuote", "&#x41\" evil=\"1"),
        same("ReferenceClosingElement", "&#x\" /><evil a=\"1;"),
        same("ReferenceWithApostrophe", "&#x' evil='1;"),
        same("TrailingAmpersand", "label&"),
        same("TrailingHashX", "label&#x"),
        same("QuoteThenElement", "\" /><injected x=\""),
        same("CommentOpener", "<!-- -->"),
        same("CdataOpener", "<![CDATA[x]]>")),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RoundTrip, ExtremeNumbersAndTypeFive)
{
    Preset preset;
    preset.inputValues.push_back(input("a", 0, 0, "0"));
    preset.inputValues.push_back(input("b", 4294967295u, 65534, "x"));
    preset.inputValues.push_back(input("c", 1, Preset::FilePathType, "/only/path"));
    preset.inputValues.push_back(input("d", 2, Preset::UnknownType, "unknown"));
    const std::string xml = written(preset);
    EXPECT_EQ(xml.find("value=\"/only/path\""), std::string::npos);

    Preset read;
    ASSERT_TRUE(SubstanceAir::parsePreset(read, xml.c_str()));
    ASSERT_EQ(read.inputValues.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
    {
        EXPECT_EQ(read.inputValues[i].uid, preset.inputValues[i].uid) << i;
        EXPECT_EQ(read.inputValues[i].type, preset.inputValues[i].type) << i;
        EXPECT_EQ(read.inputValues[i].value, preset.inputValues[i].value) << i;
    }
}

// ---------------------------------------------------------------------------
// Mutated texts

const char* const seedTexts[] = {
    " <sbspreset pkgurl=\"pkg://a&amp;b\" label=\"L&#x41;&lt;\" >\n"
    "  <presetinput identifier=\"x\" uid=\"12\" type=\"5\" filepath=\"/a\" />\n"
    "  <presetinput identifier=\"y\" uid=\" 3 \" type=\"1\" value=\"&quot;v&apos;\" />\n"
    " </sbspreset>\n",
    "<sbspresets count=\"2\" formatversion=\"1\">\n"
    " <sbspreset pkgurl=\"u\" label=\"one\" description=\"d\" >\n"
    "  <presetinput identifier=\"i\" uid=\"1\" type=\"2\" value=\"0.5,0.5\" />\n"
    " </sbspreset>\n"
    " <sbspreset pkgurl=\"\" label=\"&#x0A;two\" >\n"
    " </sbspreset>\n"
    "</sbspresets>\n\n",
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><!-- c --><sbspresets><sbspreset label='\xc3\xa9'>"
    "<presetinput uid='4294967295' type='-1' value='&#xE9;'/></sbspreset></sbspresets>",
};

std::string mutate(std::string text, std::mt19937& random)
{
    static const char inserts[] = "<>&\"';#x/=! \n\xc3\xff";
    const int steps = 1 + static_cast<int>(random() % 4);
    for (int step = 0; step < steps; ++step)
    {
        const std::size_t at = text.empty() ? 0 : random() % (text.size() + 1);
        switch (random() % 6)
        {
        case 0: // flip one bit, never making a zero byte
            if (at < text.size())
            {
                const char flipped = static_cast<char>(text[at] ^ (1 << (random() % 8)));
                text[at] = flipped != '\0' ? flipped : 'z';
            }
            break;
        case 1:
        case 2:
            text.insert(at, 1, inserts[random() % (sizeof inserts - 1)]);
            break;
        case 3:
            text.insert(at, random() % 2 ? "&#x" : "&#");
            break;
        case 4:
            text.erase(at, 1 + random() % 8);
            break;
        default:
            text.resize(at);
            break;
        }
    }
    return text;
}

bool sameInput(const Preset::InputValue& x, const Preset::InputValue& y)
{
    return x.uid == y.uid && x.type == y.type && x.identifier == y.identifier && x.value == y.value;
}

bool samePreset(const Preset& a, const Preset& b)
{
    if (a.packageUrl != b.packageUrl || a.label != b.label || a.description != b.description
        || a.inputValues.size() != b.inputValues.size())
        return false;
    for (std::size_t i = 0; i < a.inputValues.size(); ++i)
        if (!sameInput(a.inputValues[i], b.inputValues[i]))
            return false;
    return true;
}

TEST(MutatedTexts, ReadersReturnCleanly)
{
    std::mt19937 random(20240611u);
    Preset sentinel;
    sentinel.label = "sentinel";
    sentinel.inputValues.push_back(input("s", 1, 2, "3"));

    int presetsRead = 0;
    int listsRead = 0;
    for (int round = 0; round < 3000; ++round)
    {
        const std::string text = mutate(seedTexts[round % 3], random);
        SCOPED_TRACE(text);

        Preset preset = sentinel;
        if (SubstanceAir::parsePreset(preset, text.c_str()))
        {
            ++presetsRead;
            ASSERT_GE(preset.inputValues.size(), 1u);
            EXPECT_TRUE(sameInput(preset.inputValues[0], sentinel.inputValues[0])) << "earlier input changed";
            // Whatever was read is written as a sound element again.
            const std::string again = written(preset);
            Preset reread;
            ASSERT_TRUE(SubstanceAir::parsePreset(reread, again.c_str())) << again;
            EXPECT_EQ(reread.inputValues.size(), preset.inputValues.size());
        }
        else
        {
            EXPECT_TRUE(samePreset(preset, sentinel));
        }

        std::vector<Preset> presets{sentinel};
        const bool grew = SubstanceAir::parsePresets(presets, text.c_str());
        EXPECT_EQ(grew, presets.size() > 1);
        ASSERT_FALSE(presets.empty());
        EXPECT_TRUE(samePreset(presets[0], sentinel));
        if (grew)
            ++listsRead;
    }
    // The mutations must leave enough texts readable to exercise the fill paths.
    EXPECT_GT(presetsRead, 100);
    EXPECT_GT(listsRead, 100);
}

TEST(MutatedTexts, EveryTruncationReturnsCleanly)
{
    for (const char* seed : seedTexts)
    {
        const std::string text(seed);
        for (std::size_t length = 0; length < text.size(); ++length)
        {
            const std::string cut = text.substr(0, length);
            Preset preset;
            std::vector<Preset> presets;
            const bool read = SubstanceAir::parsePreset(preset, cut.c_str());
            const bool grew = SubstanceAir::parsePresets(presets, cut.c_str());
            EXPECT_EQ(grew, !presets.empty());
            if (!read)
            {
                EXPECT_TRUE(samePreset(preset, Preset()));
            }
        }
    }
}

} // namespace
