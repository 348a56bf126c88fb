// The preset record: its readers, its writer (byte-exact output, escaping, round trips) and the guarded parse
// that every reader of XML goes through.

#include "oxGuardedText.h"
#include "oxSmallStack.h"
#include "preset/SubstanceAirPreset.h"
#include "preset/oxXmlParse.h"
#include "oxBuiltDepth.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>
#include <tuple>

using SubstanceAir::Preset;

namespace {

auto fields(const Preset::InputValue& v) { return std::tie(v.uid, v.type, v.identifier, v.value); }

bool same(const Preset& a, const Preset& b)
{
    return a.packageUrl == b.packageUrl && a.label == b.label && a.description == b.description &&
           std::equal(a.inputValues.begin(), a.inputValues.end(), b.inputValues.begin(), b.inputValues.end(),
                      [](const auto& x, const auto& y) { return fields(x) == fields(y); });
}

const Preset filled{"old-url", "old-label", "old-description", {{9, "old-input", 1, "1.0"}}};

std::string nested(std::size_t depth, const std::string& inner = std::string())
{
    std::string open, close;
    for (std::size_t i = 0; i < depth; ++i, open += "<x>")
        close += "</x>";
    return open + inner + close;
}

// ---------------------------------------------------------------- reading

// A text that does not read leaves the caller's data as it was.
TEST(PresetRead, OverwritesPresentAttributesOnlyAndAppendsInputsAndTopLevelPresets)
{
    Preset preset = filled;
    for (const char* text : {(const char*)nullptr, "", "sbspreset", "<sbspresets><sbspreset/></sbspresets>",
                             "<sbspreset label=\"x\">", "<sbspreset label=\"a\" label=\"b\"/>",
                             "<sbspreset label=\"&#xZZ;\"/>", "<sbspreset><presetinput></sbspreset>"})
    {
        EXPECT_FALSE(SubstanceAir::parsePreset(preset, text)) << (text ? text : "null");
        EXPECT_TRUE(same(preset, filled));
    }
    ASSERT_TRUE(SubstanceAir::parsePreset(preset,
        "<?xml version=\"1.0\"?><sbspreset label=\"a&amp;&#x41;\" extra=\"x\">"
        "<presetinput identifier=\"i\" uid=\"1\" type=\"2\" value=\"3\"/><other/>"
        "<group><presetinput identifier=\"nested\"/></group></sbspreset>"));
    EXPECT_TRUE(same(preset, {"old-url", "a&A", "old-description", {{9, "old-input", 1, "1.0"}, {1, "i", 2, "3"}}}));
    ASSERT_TRUE(SubstanceAir::parsePreset(preset, "<sbspreset pkgurl=\"\" description=\"d&#x0A;\"/>"));
    EXPECT_TRUE(same(preset, {"", "a&A", "d\n", {{9, "old-input", 1, "1.0"}, {1, "i", 2, "3"}}}));

    std::vector<Preset> presets{filled};
    EXPECT_FALSE(SubstanceAir::parsePresets(presets, nullptr));
    ASSERT_TRUE(SubstanceAir::parsePresets(presets,
        "<sbspresets count=\"7\"><sbspreset label=\"one\" description=\"d\"/><!-- c -->"
        "<g><sbspreset label=\"nested\"/></g><sbspreset/><sbspreset label=\"three\"/></sbspresets>"));
    ASSERT_EQ(presets.size(), 4u);
    EXPECT_EQ(presets[1].label + presets[1].description + presets[3].label, "onedthree");
    EXPECT_TRUE(same(presets[2], Preset()));
}

TEST(PresetRead, OddInputAttributes)
{
    constexpr std::uint32_t Unknown = Preset::UnknownType;
    const std::pair<const char*, Preset::InputValue> cases[] = {
        {"", {0, "", Unknown, ""}},
        {"identifier=\"r&amp;s\" uid=\"3\" type=\"1\" value=\"0.25\"", {3, "r&s", 1, "0.25"}},
        // Uids read as stream extraction reads them; negative and beyond 32 bits read as 0.
        {"uid=\"  42 \t\"", {42, "", Unknown, ""}}, {"uid=\"+\"", {0, "", Unknown, ""}},
        {"uid=\"x1\"", {0, "", Unknown, ""}},       {"uid=\" -1\"", {0, "", Unknown, ""}},
        {"uid=\"4294967295\"", {4294967295u, "", Unknown, ""}}, {"uid=\"4294967297\"", {0, "", Unknown, ""}},
        {"uid=\"+7\"", {7, "", Unknown, ""}},       {"uid=\"\n 007x\"", {7, "", Unknown, ""}},
        // Types read as TinyXML's integer query reads them.
        {"type=\"float\" value=\"v\"", {0, "", Unknown, "v"}}, {"type=\"3abc\" value=\"v\"", {0, "", 3, "v"}},
        {"type=\"-1\" value=\"v\"", {0, "", 4294967295u, "v"}}, {"type=\"\"", {0, "", Unknown, ""}},
        {"type=\" +4 \"", {0, "", 4, ""}},          {"type=\"2147483647\"", {0, "", 2147483647u, ""}},
        // A file path input reads "filepath", any other "value".
        {"type=\"5\" value=\"v\" filepath=\"/f\"", {0, "", 5, "/f"}}, {"type=\"5\" value=\"v\"", {0, "", 5, ""}},
        {"type=\"4\" filepath=\"/f\"", {0, "", 4, ""}}, {"filepath=\"/f\"", {0, "", Unknown, ""}},
    };
    for (const auto& [attributes, expected] : cases)
    {
        Preset preset;
        ASSERT_TRUE(SubstanceAir::parsePreset(
            preset, (std::string("<sbspreset><presetinput ") + attributes + "/></sbspreset>").c_str()));
        ASSERT_EQ(preset.inputValues.size(), 1u);
        EXPECT_EQ(fields(preset.inputValues[0]), fields(expected)) << attributes;
    }
}

// Texts in and near the writer's own form read the same as through a full
// document (forced by an XML declaration in front, which the writer never writes).
TEST(PresetRead, WritersOwnFormReadsAsAnyDocument)
{
    const std::string head = " <sbspreset pkgurl=\"pkg://a/b\" label=\"L\" >\n";
    const std::string input = "  <presetinput identifier=\"i\" uid=\"3\" type=\"0\" value=\"0.5\" />\n";
    const std::string tail = " </sbspreset>\n";
    const auto one = [&](const std::string& attributes) { return head + "  <presetinput " + attributes + " />\n" + tail; };
    for (const std::string& text :
         {head + tail, head + input + input + tail, " <sbspreset pkgurl=\"\" label=\"\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80\" >\n" + input + tail,
          one("identifier=\"img\" uid=\"4294967295\" type=\"5\" filepath=\"/a b/c.ppm\""),
          one("identifier=\"i\" uid=\"4294967296\" type=\"0\" value=\"1\""),
          one("identifier=\"i\" uid=\"1\" type=\"4294967295\" value=\"1\""), one("identifier=\"i\" uid=\"1\" type=\"5\" value=\"1\""),
          one("identifier=\"a&amp;b&#x0A;\" uid=\"1\" type=\"6\" value=\"&lt;&quot;\""),
          one("identifier=\"i\" uid=\"1\" type=\"6\" value=\"it's > 2\""),
          " <sbspreset pkgurl=\"u\" label=\"L\" description=\"d\" >\n" + input + tail,
          " <sbspreset pkgurl=\"u\" label=\"L\" >\r\n" + input + tail, " <sbspreset pkgurl=\"u\" label=\"\xC3(\" >\n" + input + tail,
          head + input + tail + "<!-- after -->"})
    {
        Preset direct = filled, throughDocument = filled;
        EXPECT_EQ(SubstanceAir::parsePreset(direct, text.c_str()),
                  SubstanceAir::parsePreset(throughDocument, ("<?xml version=\"1.0\"?>" + text).c_str())) << text;
        EXPECT_TRUE(same(direct, throughDocument)) << text;
    }
}

// One rule says what a preset file is, for the readers and for the host's check of a file: the same parse,
// encoding detection and top element. The list reader also wants a preset at the top level; a list that does
// not read leaves the caller's list as it was.
TEST(PresetRead, TheRuleSaysWhyATextIsNotAPresetList)
{
    const std::string cafe = "<sbspresets><sbspreset label=\"Caf\xE9\"/></sbspresets>";
    const std::tuple<std::string, std::string, bool> cases[] = {
        {"<sbspresets count=\"3\"></sbspresets>", "", false},
        {"<!-- c --><sbspresets><sbspreset label=\"a\"/></sbspresets><other/>", "", true},
        {"<!-- c --><other/><sbspresets><sbspreset label=\"a\"/></sbspresets>", "no <sbspresets> element at the top",
         false},
        {"<sbspreset label=\"x\"/>", "no <sbspresets> element at the top", false},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + cafe, "", true},
        {cafe, "", true},
        {"<?xml version=\"1.0\"?>" + cafe, "not well-formed XML (line 1: Error parsing Element.)", false},
        {std::string("<sbspresets/>\0<", 15), "", false},
        {"", "not well-formed XML (Error document empty.)", false},
        {"<sbspresets>\n<sbspreset>", "not well-formed XML (Error reading Element value.)", false},
        {"<sbspresets><sbspreset/><sbspreset label=\"x/></sbspresets>",
         "not well-formed XML (line 1: Error parsing Element.)", false},
    };
    for (const auto& [text, problem, reads] : cases)
    {
        EXPECT_EQ(SubstanceAir::presetListProblem(text.data(), text.size()), problem) << text;
        std::vector<Preset> presets{filled};
        EXPECT_EQ(SubstanceAir::parsePresets(presets, text.c_str()), reads) << text;
        EXPECT_EQ(presets.size(), reads ? 2u : 1u);
        EXPECT_TRUE(same(presets[0], filled));
    }
    EXPECT_EQ(SubstanceAir::presetListProblem(nullptr, 0), "there is no text");
}

// Texts that end inside a multi-byte UTF-8 sequence, read as UTF-8: the text's
// terminator is the last readable byte, so a reader that steps past it crashes.
TEST(PresetRead, TextsEndingInsideAUtf8SequenceAreReadNoFurther)
{
    for (const char* declaration : {"<?xml version=\"1.0\"?>", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"})
        for (const char* body : {"<sbspreset label=\"X", "<sbspresets><sbspreset label=\"X",
                                 "<sbspresets><sbspreset><presetinput value=\"", "<sbspreset>X"})
            for (const char* ending : {"\xD4", "\xC3", "\xE9", "\xF0", "\xE9\x80", "\xF0\x9F", "\xF0\x9F\x98"})
            {
                const std::string text = std::string(declaration) + body + ending;
                const oxGuardedText terminated(text + '\0');
                Preset preset;
                EXPECT_FALSE(SubstanceAir::parsePreset(preset, terminated.data())) << text;
                const oxGuardedText bare(text);
                EXPECT_NE(SubstanceAir::presetListProblem(bare.data(), bare.size()), "") << text;
            }
}

// ---------------------------------------------------------------- writing

TEST(PresetWrite, EscapedTexts)
{
    const std::pair<std::string, std::string> cases[] = {
        {"R&D <a> \"it's\"", "R&amp;D &lt;a&gt; &quot;it&apos;s&quot;"},
        {"\x01\t\n\x1f \x7f\xc3\xa9\xff", "&#x01;&#x09;&#x0A;&#x1F; \x7f\xc3\xa9\xff"},
        {std::string("ab\0<cd", 6), "ab"},
        {"a&#xaBc9;b&#x41;", "a&#xaBc9;b&#x41;"},
        {"&#x41 &#x; &#xZZ; &#65; &#X41; &amp;", "&amp;#x41 &amp;#x; &amp;#xZZ; &amp;#65; &amp;#X41; &amp;amp;"},
        {"&#x\" evil=\"1;", "&amp;#x&quot; evil=&quot;1;"},
        {std::string("&#x41\0;", 7), "&amp;#x41"},
        {"a&#x", "a&amp;#x"},
    };
    for (const auto& [text, escaped] : cases)
    {
        std::ostringstream out;
        SubstanceAir::writeEscaped(out, text);
        EXPECT_EQ(out.str(), escaped) << text;
    }
}

TEST(PresetWrite, ListFileIsByteExactWhateverTheStreamFormatting)
{
    const Preset record{"pkg://x?a=1&b=2",
                        "R&D <\"new\"> it's\n&#x41;",
                        "never written",
                        {{1234, "roughness", 0, "0.5"},
                         {4294967295u, "tex", Preset::FilePathType, "C:\\d&d\\\x01.png"},
                         {7, "id<1>", Preset::UnknownType, "a\"b'c"}}};
    const std::string element =
        " <sbspreset pkgurl=\"pkg://x?a=1&amp;b=2\" label=\"R&amp;D &lt;&quot;new&quot;&gt; it&apos;s&#x0A;&#x41;\" >\n"
        "  <presetinput identifier=\"roughness\" uid=\"1234\" type=\"0\" value=\"0.5\" />\n"
        "  <presetinput identifier=\"tex\" uid=\"4294967295\" type=\"5\" filepath=\"C:\\d&amp;d\\&#x01;.png\" />\n"
        "  <presetinput identifier=\"id&lt;1&gt;\" uid=\"7\" type=\"65535\" value=\"a&quot;b&apos;c\" />\n"
        " </sbspreset>\n";
    std::ostringstream file;
    file << SubstanceAir::presetListHeader(1) << record << SubstanceAir::presetListFooter();
    EXPECT_EQ(file.str(), "<sbspresets count=\"1\" formatversion=\"1\">\n" + element + "</sbspresets>\n\n");
    std::ostringstream formatted;
    formatted << std::hex << std::showpos << std::showbase << std::setfill('*') << std::setw(1000) << record << "x";
    EXPECT_EQ(formatted.str(), element + "x");
}

// Every text reads back as written, whatever it holds, as a single preset and in a list. Well-formed
// hexadecimal references in package URL and label are passed through and decoded; the description is not written.
TEST(PresetWrite, RoundTripsKeepEverythingButDescription)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", ""}, {"a&b&&c& &amp;&lt; &#65;", "a&b&&c& &amp;&lt; &#65;"},
        {"\"quoted\" it's <x/> </sbspreset>", "\"quoted\" it's <x/> </sbspreset>"},
        {"a\x01\tb\nc\r\nd  ", "a\x01\tb\nc\r\nd  "},
        {"\xc3\xa9 \xe2\x82\xac \xff\xfe", "\xc3\xa9 \xe2\x82\xac \xff\xfe"},
        {"x&#x41;&#x42;y&z", "xABy&z"}, {"&#x\" evil=\"1;", "&#x\" evil=\"1;"},
        {"&#x' /><evil a='1", "&#x' /><evil a='1"}, {"&#x<x/>;", "&#x<x/>;"}, {"label&#x", "label&#x"},
    };
    for (const auto& [text, readBack] : cases)
    {
        const auto carrying = [](const std::string& t, const std::string& back, const std::string& description) {
            return Preset{"pkg://" + back, back, description,
                          {{0, t, 0, t}, {4294967295u, "id" + t, Preset::FilePathType, t + "/file.png"},
                           {17, "t", Preset::UnknownType, "v" + t}}};
        };
        std::ostringstream out;
        out << carrying(text, text, "dropped " + text);
        const std::string xml = out.str();
        SCOPED_TRACE(xml);
        const std::string file = SubstanceAir::presetListHeader(1) + xml + SubstanceAir::presetListFooter();
        std::vector<Preset> list;
        ASSERT_TRUE(SubstanceAir::parsePresets(list, file.c_str()));
        Preset single;
        ASSERT_TRUE(SubstanceAir::parsePreset(single, xml.c_str()));
        EXPECT_TRUE(same(list.at(0), carrying(text, readBack, "")));
        EXPECT_TRUE(same(single, carrying(text, readBack, "")));
        EXPECT_EQ(list.size(), 1u);
    }
}

// ---------------------------------------------------------------- the guarded parse

// Markup inside comments, quoted values, declarations and UTF-8 sequences does not count.
TEST(XmlParse, TheMeasuredNestingIsWhatTinyXmlBuilds)
{
    const std::string utf8 = "<?xml version=\"1.0\"?>";
    const std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>";
    const std::pair<std::string, std::size_t> texts[] = {
        {"<a><b/><c><d></d></c></a>", 3},
        {"<a><!-- <b><c><d> --></a>", 1},
        {"<a><![CDATA[<b><c>]]><e/></a>", 2},
        {"<a x=\"</a><b>\" y='>'><c/></a>", 2},
        {"</x></x><a><b></b></a>", 2},
        {"<a><?xml version=\"></a></a>\"?><b><c/></b></a>", 3},
        {"<!DOCTYPE a [ <b> ]><a/>", 0},                 // the parser stops at "]>"
        {"<a>text<b>more<c>\xC3\xA9</c></b></a>", 3},
        {"<a>\xF0</a><a><a><a/></a></a>", 3},            // byte by byte until a declaration decides
        {utf8 + "<a>\xF0</a><a><a><a/></a></a>", 4},     // a lead byte steps over the end tag
        {utf8 + "<a>\xE9</a><a><a></a></a>", 3},         // the same, read as UTF-8
        {latin1 + "<a>\xE9</a><a><a></a></a>", 2},       // byte by byte: the end tag counts
        {utf8 + "<a x=\"\xF0\"><b></b>\"><c/></a>", 2},  // the quote goes with the lead byte
        {"<?xml encoding='&#x55;TF-8'?><a>\xE9</a><a><a></a></a>", 3},
        {"\xEF\xBB\xBF<a>\xE9\"</a><b/></a>", 2},        // a byte-order mark means UTF-8
        {"<a b=c d=\"e\"><f/></a>", 2},
        {"<a b=\"c\"d><e><f/></e></a>", 1},              // the parser stops at the attribute
        {"text<a><b/></a>", 0},
        {"<a>&#x41;<b>&lt;<c/></b></a>", 3},
        {"<a>&#x</a>x;<b/></a>", 2},                     // a reference reaches to the first ';'
        {"<a x=\"&#12\"></a>3#4;\"><b/></a>", 2},
        {"<a x=\"&#x2b\"/></a>x;\"><b/></a>", 2},
    };
    for (const auto& [text, expected] : texts)
        for (const TiXmlEncoding encoding : {TIXML_DEFAULT_ENCODING, TIXML_ENCODING_UTF8, TIXML_ENCODING_LEGACY})
        {
            TiXmlDocument document;
            document.Parse(text.c_str(), nullptr, encoding);
            EXPECT_EQ(oxXml::nestingDepth(text.data(), text.size(), encoding), oxBuiltDepth(document))
                << text << " in encoding " << encoding;
            EXPECT_TRUE(encoding != TIXML_DEFAULT_ENCODING || oxBuiltDepth(document) == expected) << text;
        }
}

TEST(XmlParse, RefusesATextNestedDeeperThanTheLimitAndSaysWhy)
{
    const std::string tooDeep = nested(oxXml::MaxDepth, "<y/>");
    TiXmlDocument document;
    std::string problem;
    EXPECT_FALSE(oxXml::parse(document, tooDeep.data(), tooDeep.size(), TIXML_DEFAULT_ENCODING, &problem));
    EXPECT_EQ(problem, "the text is nested too deeply (more than 256 elements inside each other)");
    EXPECT_EQ(document.FirstChild(), nullptr);
    EXPECT_TRUE(oxXml::parse(document, nested(oxXml::MaxDepth).c_str(), TIXML_ENCODING_UTF8));
    EXPECT_EQ(oxBuiltDepth(document), oxXml::MaxDepth);
    EXPECT_FALSE(oxXml::parse(document, nested(oxXml::MaxDepth, "<y></y>text").c_str(), TIXML_ENCODING_LEGACY));

    // 40,000 levels on a small stack: a parse that recurses once per level would crash.
    const std::string deepPreset = "<sbspreset label=\"deep\">" + nested(40000) + "</sbspreset>";
    const std::string deepList = "<sbspresets>" + deepPreset + "</sbspresets>";
    bool readPreset = true;
    oxRunOnSmallStack([&] {
        Preset preset;
        readPreset = SubstanceAir::parsePreset(preset, deepPreset.c_str());
        problem = SubstanceAir::presetListProblem(deepList.data(), deepList.size());
    });
    EXPECT_FALSE(readPreset);
    EXPECT_EQ(problem, "the text is nested too deeply (more than 256 elements inside each other)");
    EXPECT_EQ(oxXml::nestingDepth(deepList.data(), deepList.size(), TIXML_DEFAULT_ENCODING), oxXml::MaxDepth + 1)
        << "the measure stops one level past the limit";
}

} // namespace
