// The guarded parse: its measure of nesting agrees with what TinyXML builds
// (markup inside comments, quoted values, declarations and UTF-8 sequences
// does not count), and every preset reader refuses a deeply nested text
// before TinyXML recurses through it.

#include "oxSmallStack.h"
#include "preset/SubstanceAirPreset.h"
#include "preset/oxXmlParse.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// The deepest element of a parsed document, walked without recursion.
std::size_t builtDepth(const TiXmlDocument& document)
{
    std::size_t deepest = 0;
    std::vector<std::pair<const TiXmlNode*, std::size_t>> open{{&document, 0}};
    while (!open.empty())
    {
        const auto [node, depth] = open.back();
        open.pop_back();
        for (const TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling())
            if (child->ToElement())
            {
                deepest = std::max(deepest, depth + 1);
                open.emplace_back(child, depth + 1);
            }
    }
    return deepest;
}

std::string nested(std::size_t depth, const std::string& inner = std::string())
{
    std::string text;
    for (std::size_t i = 0; i < depth; ++i)
        text += "<x>";
    text += inner;
    for (std::size_t i = 0; i < depth; ++i)
        text += "</x>";
    return text;
}

TEST(XmlParse, TheMeasuredNestingIsWhatTinyXmlBuilds)
{
    const std::string utf8 = "<?xml version=\"1.0\"?>";
    const std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>";
    const std::pair<std::string, std::size_t> texts[] = {
        {"<a><b/><c><d></d></c></a>", 3},
        {"<a><!-- <b><c><d> --></a>", 1},
        {"<a><![CDATA[<b><c>]]><e/></a>", 2},
        {"<a x=\"</a><b>\" y='>'><c/></a>", 2},
        {"<a x=\"<b><c>\"></a>", 1},
        {"</x></x><a><b></b></a>", 2},
        {"<a><?xml version=\"></a></a>\"?><b><c/></b></a>", 3},
        {"<!DOCTYPE a [ <b> ]><a/>", 0}      /* the parser stops at "]>" */,
        {"<a>text<b>more<c>\xC3\xA9</c></b></a>", 3},
        {"<a>\xF0</a><a><a><a/></a></a>", 3},      // byte by byte until a declaration decides
        {utf8 + "<a>\xF0</a><a><a><a/></a></a>", 4}, // a lead byte steps over the end tag
        {utf8 + "<a>\xE9</a><a><a></a></a>", 3},   // the same, read as UTF-8
        {latin1 + "<a>\xE9</a><a><a></a></a>", 2}, // byte by byte: the end tag counts
        {utf8 + "<a x=\"\xF0\"><b></b>\"><c/></a>", 2}, // the quote goes with the lead byte
        {"<?xml encoding='&#x55;TF-8'?><a>\xE9</a><a><a></a></a>", 3},
        {"\xEF\xBB\xBF<a>\xE9\"</a><b/></a>", 2},  // a byte-order mark means UTF-8
        {"<a b=c d=\"e\"><f/></a>", 2},
        {"<a b=\"c\"d><e><f/></e></a>", 1},        // the parser stops at the attribute
        {"<a><b></b></a><c><d><e/></d></c>", 3},
        {"text<a><b/></a>", 0},
        {"<a>&#x41;<b>&lt;<c/></b></a>", 3},
        {"<a>&#x</a>x;<b/></a>", 2},               // a reference reaches to the first ';'
        {"<a x=\"&#12\"></a>3#4;\"><b/></a>", 2},
        {"<a x=\"&#x2b\"/></a>x;\"><b/></a>", 2},
    };
    const TiXmlEncoding encodings[] = {TIXML_DEFAULT_ENCODING, TIXML_ENCODING_UTF8, TIXML_ENCODING_LEGACY};
    for (const auto& [text, expected] : texts)
        for (const TiXmlEncoding encoding : encodings)
        {
            SCOPED_TRACE(text + " in encoding " + std::to_string(encoding));
            TiXmlDocument document;
            document.Parse(text.c_str(), nullptr, encoding);
            EXPECT_EQ(oxXml::nestingDepth(text.data(), text.size(), encoding), builtDepth(document));
            if (encoding == TIXML_DEFAULT_ENCODING)
            {
                EXPECT_EQ(builtDepth(document), expected);
            }
        }
}

TEST(XmlParse, RefusesATextNestedDeeperThanTheLimitAndSaysWhy)
{
    const std::string deepest = nested(oxXml::MaxDepth, "<y/>");
    TiXmlDocument document;
    std::string problem = "old";
    EXPECT_FALSE(oxXml::parse(document, deepest.data(), deepest.size(), TIXML_DEFAULT_ENCODING, &problem));
    EXPECT_EQ(problem, "the text is nested too deeply (more than 256 elements inside each other)");
    EXPECT_EQ(document.FirstChild(), nullptr);

    const std::string deep = nested(oxXml::MaxDepth, "<y></y>text");
    problem.clear();
    EXPECT_TRUE(oxXml::parse(document, nested(oxXml::MaxDepth).c_str(), TIXML_ENCODING_UTF8, &problem));
    EXPECT_EQ(builtDepth(document), oxXml::MaxDepth);
    EXPECT_EQ(problem, "");
    EXPECT_FALSE(oxXml::parse(document, deep.c_str(), TIXML_ENCODING_LEGACY));

    EXPECT_FALSE(oxXml::parse(document, "<a></b>", TIXML_DEFAULT_ENCODING, &problem));
    EXPECT_EQ(problem, "not well-formed XML (line 1: Error reading end tag.)");
    EXPECT_FALSE(oxXml::parse(document, nullptr, 0, TIXML_DEFAULT_ENCODING, &problem));
    EXPECT_EQ(problem, "there is no text");
}

// 40,000 levels: a parse that recurses once per level needs megabytes of stack.
TEST(XmlParse, PresetReadersRefuseADeepTextOnASmallStack)
{
    const std::string deepPreset = "<sbspreset label=\"deep\">" + nested(40000) + "</sbspreset>";
    const std::string deepList = "<sbspresets><sbspreset label=\"deep\">" + nested(40000) + "</sbspreset></sbspresets>";
    bool readPreset = true;
    bool readList = true;
    std::string problem;
    oxRunOnSmallStack([&] {
        SubstanceAir::Preset preset;
        readPreset = SubstanceAir::parsePreset(preset, deepPreset.c_str());
        std::vector<SubstanceAir::Preset> presets;
        readList = SubstanceAir::parsePresets(presets, deepList.c_str());
        problem = SubstanceAir::presetListProblem(deepList.data(), deepList.size());
    });
    EXPECT_FALSE(readPreset);
    EXPECT_FALSE(readList);
    EXPECT_EQ(problem, "the text is nested too deeply (more than 256 elements inside each other)");
}

} // namespace
