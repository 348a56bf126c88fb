// Reading preset XML: malformed texts, missing and odd attributes, and what the
// readers leave in the caller's record or list.

#include "preset/SubstanceAirPreset.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using SubstanceAir::Preset;

namespace {

void expectSameInput(const Preset::InputValue& actual, const Preset::InputValue& expected)
{
    EXPECT_EQ(actual.uid, expected.uid);
    EXPECT_EQ(actual.type, expected.type);
    EXPECT_EQ(actual.identifier, expected.identifier);
    EXPECT_EQ(actual.value, expected.value);
}

void expectSamePreset(const Preset& actual, const Preset& expected)
{
    EXPECT_EQ(actual.packageUrl, expected.packageUrl);
    EXPECT_EQ(actual.label, expected.label);
    EXPECT_EQ(actual.description, expected.description);
    ASSERT_EQ(actual.inputValues.size(), expected.inputValues.size());
    for (std::size_t i = 0; i < actual.inputValues.size(); ++i)
        expectSameInput(actual.inputValues[i], expected.inputValues[i]);
}

Preset filledRecord()
{
    Preset preset;
    preset.packageUrl = "old-url";
    preset.label = "old-label";
    preset.description = "old-description";
    Preset::InputValue input;
    input.uid = 9;
    input.identifier = "old-input";
    input.type = 1;
    input.value = "1.0";
    preset.inputValues.push_back(input);
    return preset;
}

// ---------------------------------------------------------------------------
// Texts that hold no single preset

struct RejectCase
{
    const char* name;
    const char* xml;
};

class RejectPresetTest : public ::testing::TestWithParam<RejectCase> {};

TEST_P(RejectPresetTest, ReturnsFalseAndLeavesRecord)
{
    Preset preset = filledRecord();
    EXPECT_FALSE(SubstanceAir::parsePreset(preset, GetParam().xml));
    expectSamePreset(preset, filledRecord());
}

INSTANTIATE_TEST_SUITE_P(Texts, RejectPresetTest,
    ::testing::Values(
        RejectCase{"NullText", nullptr},
        RejectCase{"EmptyText", ""},
        RejectCase{"Blanks", "  \n\t "},
        RejectCase{"PlainText", "sbspreset"},
        RejectCase{"ListElement", "<sbspresets><sbspreset label=\"x\"/></sbspresets>"},
        RejectCase{"NestedInOtherElement", "<other><sbspreset label=\"x\"/></other>"},
        RejectCase{"NameIsCaseSensitive", "<SbsPreset label=\"x\"/>"},
        RejectCase{"UnclosedElement", "<sbspreset label=\"x\">"},
        RejectCase{"UnterminatedTag", "<sbspreset label=\"x\""},
        RejectCase{"UnterminatedAttribute", "<sbspreset label=\"x/>"},
        RejectCase{"DuplicateAttribute", "<sbspreset label=\"a\" label=\"b\"/>"},
        RejectCase{"BadCharacterReference", "<sbspreset label=\"&#xZZ;\"/>"},
        RejectCase{"MismatchedClosingTag", "<sbspreset><presetinput></sbspreset>"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Preset attributes: overwritten only when present

struct PartialCase
{
    const char* name;
    const char* xml;
    const char* packageUrl;
    const char* label;
    const char* description;
};

class PartialPresetTest : public ::testing::TestWithParam<PartialCase> {};

TEST_P(PartialPresetTest, KeepsFieldsWhoseAttributesAreMissing)
{
    Preset preset = filledRecord();
    ASSERT_TRUE(SubstanceAir::parsePreset(preset, GetParam().xml));
    Preset expected = filledRecord();
    expected.packageUrl = GetParam().packageUrl;
    expected.label = GetParam().label;
    expected.description = GetParam().description;
    expectSamePreset(preset, expected);
}

INSTANTIATE_TEST_SUITE_P(Attributes, PartialPresetTest,
    ::testing::Values(
        PartialCase{"None", "<sbspreset/>", "old-url", "old-label", "old-description"},
        PartialCase{"OnlyPackageUrl", "<sbspreset pkgurl=\"u\"/>", "u", "old-label", "old-description"},
        PartialCase{"OnlyLabel", "<sbspreset label=\"l\"></sbspreset>", "old-url", "l", "old-description"},
        PartialCase{"OnlyDescription", "<sbspreset description=\"d\"/>", "old-url", "old-label", "d"},
        PartialCase{"AllEmpty", "<sbspreset pkgurl=\"\" label='' description=\"\"/>", "", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadPreset, ReadsDescriptionAndAppendsInputs)
{
    Preset preset = filledRecord();
    ASSERT_TRUE(SubstanceAir::parsePreset(preset,
        "<sbspreset pkgurl=\"u&amp;v\" label=\"l\" description=\"d&#x0A;e\" extra=\"ignored\">"
        "<presetinput identifier=\"a\" uid=\"1\" type=\"2\" value=\"3\"/>"
        "<!-- comment --> text "
        "<other identifier=\"skipped\"/>"
        "<presetinput identifier=\"b\" uid=\"4\" type=\"5\" filepath=\"/p\"/>"
        "</sbspreset>"));
    EXPECT_EQ(preset.packageUrl, "u&v");
    EXPECT_EQ(preset.label, "l");
    EXPECT_EQ(preset.description, "d\ne");
    ASSERT_EQ(preset.inputValues.size(), 3u);
    expectSameInput(preset.inputValues[0], filledRecord().inputValues[0]);
    EXPECT_EQ(preset.inputValues[1].identifier, "a");
    EXPECT_EQ(preset.inputValues[2].identifier, "b");
    EXPECT_EQ(preset.inputValues[2].value, "/p");
}

TEST(ReadPreset, IgnoresInputsNestedDeeper)
{
    Preset preset;
    ASSERT_TRUE(SubstanceAir::parsePreset(preset,
        "<sbspreset><group><presetinput identifier=\"deep\"/></group></sbspreset>"));
    EXPECT_TRUE(preset.inputValues.empty());
}

struct TopLevelCase
{
    const char* name;
    const char* xml;
    const char* label;
};

class TopLevelTest : public ::testing::TestWithParam<TopLevelCase> {};

TEST_P(TopLevelTest, TakesFirstTopLevelPreset)
{
    Preset preset;
    ASSERT_TRUE(SubstanceAir::parsePreset(preset, GetParam().xml));
    EXPECT_EQ(preset.label, GetParam().label);
}

INSTANTIATE_TEST_SUITE_P(Texts, TopLevelTest,
    ::testing::Values(
        TopLevelCase{"Declaration", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<sbspreset label=\"d\"/>", "d"},
        TopLevelCase{"LeadingComment", "<!-- x --><sbspreset label=\"c\"/>", "c"},
        TopLevelCase{"OtherElementFirst", "<a label=\"no\"/><sbspreset label=\"b\"/>", "b"},
        TopLevelCase{"TwoPresets", "<sbspreset label=\"first\"/><sbspreset label=\"second\"/>", "first"},
        TopLevelCase{"SingleQuotes", "<sbspreset label='q\"q'/>", "q\"q"},
        TopLevelCase{"EntitiesDecoded", "<sbspreset label=\"&lt;&gt;&amp;&quot;&apos;&#x41;\"/>", "<>&\"'A"},
        TopLevelCase{"Utf8Kept", "<sbspreset label=\"\xc3\xa9\xe2\x82\xac\"/>", "\xc3\xa9\xe2\x82\xac"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// One input element: uid, type, identifier and value

struct InputCase
{
    const char* name;
    const char* attributes; ///< attribute text of one "presetinput"
    std::uint32_t uid;
    std::uint32_t type;
    const char* identifier;
    const char* value;
};

class ReadInputTest : public ::testing::TestWithParam<InputCase> {};

TEST_P(ReadInputTest, ReadsFields)
{
    const std::string xml = std::string("<sbspreset><presetinput ") + GetParam().attributes + "/></sbspreset>";
    Preset preset;
    ASSERT_TRUE(SubstanceAir::parsePreset(preset, xml.c_str()));
    ASSERT_EQ(preset.inputValues.size(), 1u);
    Preset::InputValue expected;
    expected.uid = GetParam().uid;
    expected.type = GetParam().type;
    expected.identifier = GetParam().identifier;
    expected.value = GetParam().value;
    expectSameInput(preset.inputValues[0], expected);
}

constexpr std::uint32_t Unknown = Preset::UnknownType;

INSTANTIATE_TEST_SUITE_P(Uids, ReadInputTest,
    ::testing::Values(
        InputCase{"Plain", "uid=\"42\"", 42, Unknown, "", ""},
        InputCase{"Missing", "", 0, Unknown, "", ""},
        InputCase{"Empty", "uid=\"\"", 0, Unknown, "", ""},
        InputCase{"OnlyBlanks", "uid=\" \t \"", 0, Unknown, "", ""},
        InputCase{"BlanksAround", "uid=\"  42 \t\"", 42, Unknown, "", ""},
        InputCase{"LeadingLineFeed", "uid=\"&#x0A;42\"", 42, Unknown, "", ""},
        InputCase{"LeadingLetter", "uid=\"x1\"", 0, Unknown, "", ""},
        InputCase{"TrailingLetters", "uid=\"12abc\"", 12, Unknown, "", ""},
        InputCase{"TwoNumbers", "uid=\"1 2\"", 1, Unknown, "", ""},
        InputCase{"LeadingZeros", "uid=\"007\"", 7, Unknown, "", ""},
        InputCase{"HexIsNotRead", "uid=\"0x10\"", 0, Unknown, "", ""},
        InputCase{"PlusSign", "uid=\"+7\"", 7, Unknown, "", ""},
        // A negative number is no unsigned number: stream extraction would
        // wrap it around to a huge uid, which is read as 0 instead.
        InputCase{"Negative", "uid=\"-3\"", 0, Unknown, "", ""},
        InputCase{"NegativeZero", "uid=\"-0\"", 0, Unknown, "", ""},
        InputCase{"BlanksThenNegative", "uid=\" -1\"", 0, Unknown, "", ""},
        InputCase{"Largest", "uid=\"4294967295\"", 4294967295u, Unknown, "", ""},
        // Beyond 32 bits the number is not clamped to the largest uid.
        InputCase{"OneBeyond", "uid=\"4294967296\"", 0, Unknown, "", ""},
        InputCase{"FarBeyond", "uid=\"99999999999999999999999\"", 0, Unknown, "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Types, ReadInputTest,
    ::testing::Values(
        InputCase{"Missing", "value=\"v\"", 0, Unknown, "", "v"},
        InputCase{"Empty", "type=\"\" value=\"v\"", 0, Unknown, "", "v"},
        InputCase{"NotANumber", "type=\"float\" value=\"v\"", 0, Unknown, "", "v"},
        InputCase{"Zero", "type=\"0\" value=\"v\"", 0, 0, "", "v"},
        InputCase{"LeadingBlank", "type=\" 3\" value=\"v\"", 0, 3, "", "v"},
        InputCase{"TrailingLetters", "type=\"3abc\" value=\"v\"", 0, 3, "", "v"},
        InputCase{"Fraction", "type=\"3.9\" value=\"v\"", 0, 3, "", "v"},
        InputCase{"PlusSign", "type=\"+3\" value=\"v\"", 0, 3, "", "v"},
        InputCase{"MinusOne", "type=\"-1\" value=\"v\"", 0, 4294967295u, "", "v"},
        InputCase{"UnknownCodeExplicit", "type=\"65535\" value=\"v\"", 0, Unknown, "", "v"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Values, ReadInputTest,
    ::testing::Values(
        InputCase{"FilePathForTypeFive", "type=\"5\" value=\"v\" filepath=\"/f\"", 0, 5, "", "/f"},
        InputCase{"TypeFiveIgnoresValue", "type=\"5\" value=\"v\"", 0, 5, "", ""},
        InputCase{"TypeFiveWithBlanks", "type=\" 5 \" filepath=\"/f\"", 0, 5, "", "/f"},
        InputCase{"OtherTypeIgnoresFilePath", "type=\"4\" value=\"v\" filepath=\"/f\"", 0, 4, "", "v"},
        InputCase{"OtherTypeOnlyFilePath", "type=\"4\" filepath=\"/f\"", 0, 4, "", ""},
        InputCase{"MissingTypeIgnoresFilePath", "filepath=\"/f\"", 0, Unknown, "", ""},
        InputCase{"AllFields", "identifier=\"rough&amp;ness\" uid=\"3\" type=\"1\" value=\"0.25\"",
                  3, 1, "rough&ness", "0.25"},
        InputCase{"EmptyIdentifier", "identifier=\"\" uid=\"3\"", 3, Unknown, "", ""},
        InputCase{"UnknownAttributesIgnored", "label=\"x\" pkgurl=\"y\" uid=\"2\"", 2, Unknown, "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Lists

std::vector<Preset> twoEarlierEntries()
{
    Preset second = filledRecord();
    second.label = "second";
    return {filledRecord(), second};
}

struct ListRejectCase
{
    const char* name;
    const char* xml;
};

class RejectListTest : public ::testing::TestWithParam<ListRejectCase> {};

TEST_P(RejectListTest, ReturnsFalseAndLeavesList)
{
    std::vector<Preset> presets = twoEarlierEntries();
    EXPECT_FALSE(SubstanceAir::parsePresets(presets, GetParam().xml));
    const std::vector<Preset> expected = twoEarlierEntries();
    ASSERT_EQ(presets.size(), expected.size());
    for (std::size_t i = 0; i < presets.size(); ++i)
        expectSamePreset(presets[i], expected[i]);

    std::vector<Preset> none;
    EXPECT_FALSE(SubstanceAir::parsePresets(none, GetParam().xml));
    EXPECT_TRUE(none.empty());
}

INSTANTIATE_TEST_SUITE_P(Texts, RejectListTest,
    ::testing::Values(
        ListRejectCase{"NullText", nullptr},
        ListRejectCase{"EmptyText", ""},
        ListRejectCase{"SinglePreset", "<sbspreset label=\"x\"/>"},
        ListRejectCase{"EmptyList", "<sbspresets count=\"3\" formatversion=\"1\"></sbspresets>"},
        ListRejectCase{"SelfClosedList", "<sbspresets/>"},
        ListRejectCase{"OnlyOtherChildren", "<sbspresets><other/><!-- c -->text</sbspresets>"},
        ListRejectCase{"OnlyNestedPresets", "<sbspresets><g><sbspreset/></g></sbspresets>"},
        ListRejectCase{"ListNotTopLevel", "<a><sbspresets><sbspreset/></sbspresets></a>"},
        ListRejectCase{"Unclosed", "<sbspresets><sbspreset label=\"x\"/>"},
        ListRejectCase{"BrokenSecondPreset", "<sbspresets><sbspreset/><sbspreset label=\"x/></sbspresets>"},
        ListRejectCase{"BadReferenceInInput",
                       "<sbspresets><sbspreset><presetinput value=\"&#x;z&#xQ;\"/></sbspreset></sbspresets>"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadList, AppendsBehindEarlierEntries)
{
    std::vector<Preset> presets = twoEarlierEntries();
    ASSERT_TRUE(SubstanceAir::parsePresets(presets,
        "<sbspresets count=\"7\" formatversion=\"2\">\n"
        " <sbspreset pkgurl=\"p1\" label=\"one\" description=\"d1\">\n"
        "  <presetinput identifier=\"i\" uid=\"1\" type=\"2\" value=\"v\"/>\n"
        " </sbspreset>\n"
        " <!-- comment --> text\n"
        " <group><sbspreset label=\"nested\"/></group>\n"
        " <sbspreset/>\n"
        " <sbspreset label=\"three\"/>\n"
        "</sbspresets>\n"));
    ASSERT_EQ(presets.size(), 5u);
    const std::vector<Preset> earlier = twoEarlierEntries();
    expectSamePreset(presets[0], earlier[0]);
    expectSamePreset(presets[1], earlier[1]);

    EXPECT_EQ(presets[2].packageUrl, "p1");
    EXPECT_EQ(presets[2].label, "one");
    EXPECT_EQ(presets[2].description, "d1");
    ASSERT_EQ(presets[2].inputValues.size(), 1u);
    EXPECT_EQ(presets[2].inputValues[0].identifier, "i");

    // An element without attributes still yields a fresh record.
    expectSamePreset(presets[3], Preset());
    EXPECT_EQ(presets[4].label, "three");
}

TEST(ReadList, TakesFirstTopLevelList)
{
    std::vector<Preset> presets;
    ASSERT_TRUE(SubstanceAir::parsePresets(presets,
        "<sbspreset label=\"lone\"/>"
        "<sbspresets><sbspreset label=\"a\"/></sbspresets>"
        "<sbspresets><sbspreset label=\"b\"/></sbspresets>"));
    ASSERT_EQ(presets.size(), 1u);
    EXPECT_EQ(presets[0].label, "a");
}

TEST(ReadList, ManyPresetsKeepDocumentOrder)
{
    std::string xml = "<sbspresets>";
    for (int i = 0; i < 200; ++i)
        xml += "<sbspreset label=\"" + std::to_string(i) + "\"/>";
    xml += "</sbspresets>";

    std::vector<Preset> presets(1);
    ASSERT_TRUE(SubstanceAir::parsePresets(presets, xml.c_str()));
    ASSERT_EQ(presets.size(), 201u);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(presets[static_cast<std::size_t>(i) + 1].label, std::to_string(i));
}

} // namespace
