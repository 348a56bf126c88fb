// The preset writer: byte-exact output, attribute escaping, and records written
// and read back, including texts that try to break out of their attribute.

#include "preset/SubstanceAirPreset.h"
#include "preset/oxXmlParse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iomanip>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

using SubstanceAir::Preset;

namespace {

bool same(const Preset& a, const Preset& b)
{
    auto fields = [](const Preset::InputValue& v) { return std::tie(v.uid, v.type, v.identifier, v.value); };
    return a.packageUrl == b.packageUrl && a.label == b.label && a.description == b.description &&
           std::equal(a.inputValues.begin(), a.inputValues.end(), b.inputValues.begin(), b.inputValues.end(),
                      [&](const auto& x, const auto& y) { return fields(x) == fields(y); });
}

TEST(WriteEscaped, Texts)
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
    for (const auto& c : cases)
    {
        std::ostringstream out;
        SubstanceAir::writeEscaped(out, c.first);
        EXPECT_EQ(out.str(), c.second) << c.first;
    }
}

const Preset sampleRecord{"pkg://x?a=1&b=2",
                          "R&D <\"new\"> it's\n&#x41;",
                          "never written",
                          {{1234, "roughness", 0, "0.5"},
                           {4294967295u, "tex", Preset::FilePathType, "C:\\d&d\\\x01.png"},
                           {7, "id<1>", Preset::UnknownType, "a\"b'c"}}};

const std::string sampleElement =
    " <sbspreset pkgurl=\"pkg://x?a=1&amp;b=2\" label=\"R&amp;D &lt;&quot;new&quot;&gt; it&apos;s&#x0A;&#x41;\" >\n"
    "  <presetinput identifier=\"roughness\" uid=\"1234\" type=\"0\" value=\"0.5\" />\n"
    "  <presetinput identifier=\"tex\" uid=\"4294967295\" type=\"5\" filepath=\"C:\\d&amp;d\\&#x01;.png\" />\n"
    "  <presetinput identifier=\"id&lt;1&gt;\" uid=\"7\" type=\"65535\" value=\"a&quot;b&apos;c\" />\n"
    " </sbspreset>\n";

TEST(WritePreset, ListFileIsByteExact)
{
    std::ostringstream file;
    file << SubstanceAir::presetListHeader(2) << Preset() << sampleRecord << SubstanceAir::presetListFooter();
    EXPECT_EQ(file.str(), "<sbspresets count=\"2\" formatversion=\"1\">\n"
                          " <sbspreset pkgurl=\"\" label=\"\" >\n"
                          " </sbspreset>\n" +
                              sampleElement + "</sbspresets>\n\n");
}

TEST(WritePreset, IgnoresStreamFormatting)
{
    std::ostringstream formatted;
    formatted << std::hex << std::showpos << std::showbase << std::setfill('*') << std::setw(1000) << sampleRecord;
    EXPECT_EQ(formatted.str(), sampleElement);
}

// ---------------------------------------------------------------------------
// Round trips

std::set<std::string> attributeNames(const TiXmlElement& element)
{
    std::set<std::string> names;
    for (const TiXmlAttribute* attribute = element.FirstAttribute(); attribute; attribute = attribute->Next())
        names.insert(attribute->Name());
    return names;
}

// The written element must hold exactly the nodes and attributes that the
// writer puts there on purpose, whatever the record's texts hold.
void expectOnlyIntendedMarkup(const Preset& preset, const std::string& xml)
{
    TiXmlDocument document;
    ASSERT_TRUE(oxXml::parse(document, xml.data(), xml.size(), TIXML_DEFAULT_ENCODING)) << document.ErrorDesc();
    const TiXmlElement* root = document.RootElement();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(document.FirstChild(), root);
    EXPECT_EQ(root->NextSibling(), nullptr);
    EXPECT_STREQ(root->Value(), "sbspreset");
    EXPECT_EQ(attributeNames(*root), (std::set<std::string>{"pkgurl", "label"}));

    std::size_t index = 0;
    for (const TiXmlNode* child = root->FirstChild(); child; child = child->NextSibling(), ++index)
    {
        const TiXmlElement* element = child->ToElement();
        ASSERT_NE(element, nullptr);
        ASSERT_LT(index, preset.inputValues.size());
        EXPECT_STREQ(element->Value(), "presetinput");
        EXPECT_EQ(element->FirstChild(), nullptr);
        const char* value = preset.inputValues[index].type == Preset::FilePathType ? "filepath" : "value";
        EXPECT_EQ(attributeNames(*element), (std::set<std::string>{"identifier", "uid", "type", value}));
    }
    EXPECT_EQ(index, preset.inputValues.size());
}

// A record that carries \p text in every string field, with a file path input.
Preset carrying(const std::string& text)
{
    return {"pkg://" + text,
            text,
            "dropped " + text,
            {{0, text, 0, text},
             {4294967295u, "id" + text, Preset::FilePathType, text + "/file.png"},
             {17, "t", Preset::UnknownType, "v" + text}}};
}

TEST(RoundTrip, KeepsEverythingButDescription)
{
    // Each text and how it reads back as package URL and label: well-formed
    // hexadecimal references are passed through by the writer and decoded by the
    // reader. Identifiers and values always read back exactly as written.
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"a&b&&c& &amp;&lt; &#65;", "a&b&&c& &amp;&lt; &#65;"},
        {"\"quoted\" it's <x/> </sbspreset>", "\"quoted\" it's <x/> </sbspreset>"},
        {"a\x01\tb\nc\r\nd  ", "a\x01\tb\nc\r\nd  "},
        {"\xc3\xa9 \xe2\x82\xac \xff\xfe", "\xc3\xa9 \xe2\x82\xac \xff\xfe"},
        {"x&#x41;&#x42;y&z", "xABy&z"},
        // Attempts to close the attribute or the element.
        {"&#x\" evil=\"1;", "&#x\" evil=\"1;"},
        {"&#x41\" evil=\"1", "&#x41\" evil=\"1"},
        {"&#x\" /><evil a=\"1;", "&#x\" /><evil a=\"1;"},
        {"&#x' evil='1;", "&#x' evil='1;"},
        {"&#x<x/>;", "&#x<x/>;"},
        {"\" /><injected x=\"", "\" /><injected x=\""},
        {"<!-- --><![CDATA[x]]>", "<!-- --><![CDATA[x]]>"},
        {"label&#x", "label&#x"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.first);
        const Preset original = carrying(c.first);
        std::ostringstream out;
        out << original;
        const std::string xml = out.str();
        SCOPED_TRACE(xml);
        expectOnlyIntendedMarkup(original, xml);

        const std::string file = SubstanceAir::presetListHeader(1) + xml + SubstanceAir::presetListFooter();
        std::vector<Preset> list;
        ASSERT_TRUE(SubstanceAir::parsePresets(list, file.c_str()));
        Preset single;
        ASSERT_TRUE(SubstanceAir::parsePreset(single, xml.c_str()));
        Preset expected = carrying(c.first);
        expected.packageUrl = "pkg://" + c.second;
        expected.label = c.second;
        expected.description.clear();
        EXPECT_TRUE(same(list.at(0), expected));
        EXPECT_TRUE(same(single, expected));
    }
}

} // namespace
