// Byte-exact output of the preset writer, the attribute escaping and the list
// file's header and footer.

#include "preset/SubstanceAirPreset.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iomanip>
#include <limits>
#include <sstream>
#include <string>

using SubstanceAir::Preset;

namespace {

std::string escaped(const std::string& text)
{
    std::ostringstream out;
    SubstanceAir::writeEscaped(out, text);
    return out.str();
}

std::string written(const Preset& preset)
{
    std::ostringstream out;
    out << preset;
    return out.str();
}

Preset::InputValue input(std::string identifier, std::uint32_t uid, std::uint32_t type, std::string value)
{
    Preset::InputValue result;
    result.identifier = std::move(identifier);
    result.uid = uid;
    result.type = type;
    result.value = std::move(value);
    return result;
}

// ---------------------------------------------------------------------------
// Escaping

struct EscapeCase
{
    const char* name;
    std::string text;
    std::string expected;
};

class EscapeTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(EscapeTest, WritesExpectedBytes)
{
    EXPECT_EQ(escaped(GetParam().text), GetParam().expected);
}

const EscapeCase escapeCases[] = {
    {"Empty", "", ""},
    {"Plain", "Wood 01/a-b_c.d", "Wood 01/a-b_c.d"},
    {"Ampersand", "R&D", "R&amp;D"},
    {"LessAndGreater", "<a>", "&lt;a&gt;"},
    {"Quotes", "\"it's\"", "&quot;it&apos;s&quot;"},
    {"ControlBytes", std::string("\x01\t\n\r\x1f", 5), "&#x01;&#x09;&#x0A;&#x0D;&#x1F;"},
    {"SpaceAndDeleteKept", " \x7f", " \x7f"},
    {"HighBytesKept", "\xc3\xa9\xe2\x82\xac\xff\x80", "\xc3\xa9\xe2\x82\xac\xff\x80"},
    {"StopsAtZeroByte", std::string("ab\0<cd", 6), "ab"},
    {"LeadingZeroByte", std::string("\0abc", 4), ""},
    {"HexReferenceKept", "&#x41;", "&#x41;"},
    {"MixedCaseHexReferenceKept", "a&#xaBc9;b", "a&#xaBc9;b"},
    {"LongHexReferenceKept", "&#x0000000041;", "&#x0000000041;"},
    {"AdjacentReferencesKept", "&#x41;&#x42;;", "&#x41;&#x42;;"},
    {"ReferenceThenControlByte", "&#x41;\n", "&#x41;&#x0A;"},
    {"ReferenceWithoutSemicolon", "&#x41", "&amp;#x41"},
    {"ReferenceWithoutDigits", "&#x;", "&amp;#x;"},
    {"ReferenceWithBadDigits", "&#xZZ;", "&amp;#xZZ;"},
    {"ReferenceWithSpace", "&#x4 1;", "&amp;#x4 1;"},
    {"ReferenceBreakingAttribute", "&#x\" evil=\"1;", "&amp;#x&quot; evil=&quot;1;"},
    {"ReferenceHoldingMarkup", "&#x<x/>;", "&amp;#x&lt;x/&gt;;"},
    {"ReferenceCutByZeroByte", std::string("&#x41\0;", 7), "&amp;#x41"},
    {"UpperCaseX", "&#X41;", "&amp;#X41;"},
    {"DecimalReference", "&#65;", "&amp;#65;"},
    {"NamedEntityEscapedAgain", "&amp;", "&amp;amp;"},
    {"TrailingAmpersand", "a&", "a&amp;"},
    {"TrailingHash", "&#", "&amp;#"},
    {"TrailingHashX", "&#x", "&amp;#x"},
};

INSTANTIATE_TEST_SUITE_P(Texts, EscapeTest, ::testing::ValuesIn(escapeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// One preset element

struct WriteCase
{
    const char* name;
    Preset preset;
    std::string expected;
};

Preset noInputs()
{
    Preset preset;
    preset.packageUrl = "pkg:///wood/oak?dependency=123";
    preset.label = "Oak";
    preset.description = "never written";
    return preset;
}

Preset empty()
{
    return Preset();
}

Preset withFilePath()
{
    Preset preset;
    preset.packageUrl = "pkg://a";
    preset.label = "Two";
    preset.inputValues.push_back(input("roughness", 1234, 0, "0.5"));
    preset.inputValues.push_back(input("$outputsize", 0, 8, "9,9"));
    preset.inputValues.push_back(input("tex", 4294967295u, Preset::FilePathType, "/tmp/a.png"));
    preset.inputValues.push_back(input("", 7, Preset::UnknownType, ""));
    return preset;
}

Preset withSpecialCharacters()
{
    Preset preset;
    preset.packageUrl = "pkg://x?a=1&b=2";
    preset.label = "R&D <\"new\"> it's\n&#x41;";
    preset.description = "a \"description\" & more";
    preset.inputValues.push_back(input("id<1>", 1, 4, "a\"b'c&d"));
    preset.inputValues.push_back(input("\xc3\xa9t\xc3\xa9", 2, Preset::FilePathType, "C:\\d&d\\\x01.png"));
    return preset;
}

class WritePresetTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WritePresetTest, WritesExpectedBytes)
{
    EXPECT_EQ(written(GetParam().preset), GetParam().expected);
}

const WriteCase writeCases[] = {
    {"NoInputs", noInputs(),
     " <sbspreset pkgurl=\"pkg:///wood/oak?dependency=123\" label=\"Oak\" >\n"
     " </sbspreset>\n"},
    {"EmptyRecord", empty(),
     " <sbspreset pkgurl=\"\" label=\"\" >\n"
     " </sbspreset>\n"},
    {"FilePathAndValues", withFilePath(),
     " <sbspreset pkgurl=\"pkg://a\" label=\"Two\" >\n"
     "  <presetinput identifier=\"roughness\" uid=\"1234\" type=\"0\" value=\"0.5\" />\n"
     "  <presetinput identifier=\"$outputsize\" uid=\"0\" type=\"8\" value=\"9,9\" />\n"
     "  <presetinput identifier=\"tex\" uid=\"4294967295\" type=\"5\" filepath=\"/tmp/a.png\" />\n"
     "  <presetinput identifier=\"\" uid=\"7\" type=\"65535\" value=\"\" />\n"
     " </sbspreset>\n"},
    {"SpecialCharacters", withSpecialCharacters(),
     " <sbspreset pkgurl=\"pkg://x?a=1&amp;b=2\" label=\"R&amp;D &lt;&quot;new&quot;&gt; it&apos;s&#x0A;&#x41;\" >\n"
     "  <presetinput identifier=\"id&lt;1&gt;\" uid=\"1\" type=\"4\" value=\"a&quot;b&apos;c&amp;d\" />\n"
     "  <presetinput identifier=\"\xc3\xa9t\xc3\xa9\" uid=\"2\" type=\"5\" filepath=\"C:\\d&amp;d\\&#x01;.png\" />\n"
     " </sbspreset>\n"},
};

INSTANTIATE_TEST_SUITE_P(Records, WritePresetTest, ::testing::ValuesIn(writeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WritePreset, IgnoresStreamFormatting)
{
    std::ostringstream formatted;
    formatted << std::hex << std::showpos << std::showbase << std::uppercase << std::setfill('*')
              << std::setw(80) << withFilePath();
    EXPECT_EQ(formatted.str(), written(withFilePath()));
}

TEST(WritePreset, AppendsToWhatTheStreamHolds)
{
    std::ostringstream out;
    out << "before\n" << noInputs() << empty();
    EXPECT_EQ(out.str(), "before\n" + written(noInputs()) + written(empty()));
}

TEST(WritePreset, WritesNothingToAFailedStream)
{
    std::ostringstream out;
    out.setstate(std::ios::badbit);
    out << withFilePath();
    EXPECT_EQ(out.str(), "");
}

// ---------------------------------------------------------------------------
// List file frame

struct HeaderCase
{
    std::size_t count;
    std::string expected;
};

class ListHeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(ListHeaderTest, WritesCountInDecimal)
{
    EXPECT_EQ(SubstanceAir::presetListHeader(GetParam().count), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Counts, ListHeaderTest,
    ::testing::Values(
        HeaderCase{0, "<sbspresets count=\"0\" formatversion=\"1\">\n"},
        HeaderCase{1, "<sbspresets count=\"1\" formatversion=\"1\">\n"},
        HeaderCase{10, "<sbspresets count=\"10\" formatversion=\"1\">\n"},
        HeaderCase{std::numeric_limits<std::size_t>::max(),
                   "<sbspresets count=\"" + std::to_string(std::numeric_limits<std::size_t>::max())
                       + "\" formatversion=\"1\">\n"}));

TEST(ListFrame, FooterIsClosingTagAndEmptyLine)
{
    EXPECT_EQ(SubstanceAir::presetListFooter(), "</sbspresets>\n\n");
}

TEST(ListFrame, WholeFileReadsBackInOrder)
{
    std::ostringstream file;
    file << SubstanceAir::presetListHeader(3) << noInputs() << withFilePath() << SubstanceAir::presetListFooter();
    EXPECT_EQ(file.str(),
              "<sbspresets count=\"3\" formatversion=\"1\">\n"
              " <sbspreset pkgurl=\"pkg:///wood/oak?dependency=123\" label=\"Oak\" >\n"
              " </sbspreset>\n"
              " <sbspreset pkgurl=\"pkg://a\" label=\"Two\" >\n"
              "  <presetinput identifier=\"roughness\" uid=\"1234\" type=\"0\" value=\"0.5\" />\n"
              "  <presetinput identifier=\"$outputsize\" uid=\"0\" type=\"8\" value=\"9,9\" />\n"
              "  <presetinput identifier=\"tex\" uid=\"4294967295\" type=\"5\" filepath=\"/tmp/a.png\" />\n"
              "  <presetinput identifier=\"\" uid=\"7\" type=\"65535\" value=\"\" />\n"
              " </sbspreset>\n"
              "</sbspresets>\n\n");

    std::vector<Preset> presets;
    ASSERT_TRUE(SubstanceAir::parsePresets(presets, file.str().c_str()));
    ASSERT_EQ(presets.size(), 2u);
    EXPECT_EQ(presets[0].label, "Oak");
    EXPECT_EQ(presets[0].description, "");
    EXPECT_TRUE(presets[0].inputValues.empty());
    EXPECT_EQ(presets[1].label, "Two");
    ASSERT_EQ(presets[1].inputValues.size(), 4u);
    EXPECT_EQ(presets[1].inputValues[2].value, "/tmp/a.png");
}

} // namespace
