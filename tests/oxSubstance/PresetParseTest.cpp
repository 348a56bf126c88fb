// Preset XML turned into new presets: graph matching by URL key, duplicates,
// warnings, and what the new presets carry.

#include "PresetTestHelpers.h"
#include "oxHostFixture.h"
#include "oxSubstancePresetUtils.h"

#include "preset/SubstanceAirPreset.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace presettest;

namespace {

using Names = std::vector<std::string>;

std::string noGraph(const std::string& label)
{
    return "warning: Skipped preset '" + label + "'. It does not match any graph of the material.\n";
}

std::string duplicate(const std::string& label)
{
    return "warning: Skipped preset '" + label + "'. Duplicate preset already exists in material.\n";
}

class PresetParseTest : public oxHostTest
{
protected:
    void SetUp() override
    {
        oxHostTest::SetUp();
        material = hold(USubstanceMaterial::create());
    }

    /// Loads an archive with the graphs "pkg://materials/wood" and "a//b//c", or a broken one.
    void loadGraphs(bool broken = false)
    {
        const QString file = QDir(dir.path()).filePath("graphs.sbsar");
        std::string xml = "<sbsar formatversion=\"1\">\n";
        for (const char* url : {"pkg://materials/wood", "a//b//c"})
            xml += std::string(" <graph label=\"G\" pkgurl=\"") + url +
                   "\"><input identifier=\"r\" label=\"R\" type=\"float\" default=\"0.5\"/></graph>\n";
        ASSERT_TRUE(writeFile(file, broken ? "<sbsar>" : xml + "</sbsar>\n"));
        ASSERT_EQ(loadArchive(material, file.toStdString()), !broken);
        oxStandIn::clearLogMessages();
    }

    /// parsePresets with every new preset held by the test.
    std::vector<SubstancePresetPtr> parse(const std::string& xml, bool acceptAnyGraph, bool skipDuplicates)
    {
        std::vector<SubstancePresetPtr> presets =
            oxSubstancePresetUtils::parsePresets(material, xml, "/from.sbsprs", acceptAnyGraph, skipDuplicates);
        for (const SubstancePresetPtr& p : presets)
            hold(p);
        return presets;
    }

    QTemporaryDir dir;
    USubstanceMaterialPtr material;
};

TEST_F(PresetParseTest, OnlyTheKeysAfterTheLastDoubleSlashAreCompared)
{
    loadGraphs();
    const std::pair<const char*, bool> cases[] = {
        {"pkg://materials/wood", true}, {"file://materials/wood", true}, {"http://h//materials/wood", true},
        {"materials/wood", true},       {"pkg://materials/Wood", false}, {"pkg://wood", false},
        {"zz//c", true},                {"a//b", false},                 {"", true},
        {"pkg://", false}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.first);
        oxStandIn::clearLogMessages();
        const std::string xml = listXml({presetXml(c.first, "P", {{"r", "1", "0", "0.2"}})});
        EXPECT_EQ(parse(xml, false, false).size(), c.second ? 1u : 0u);
        EXPECT_EQ(logLines(), c.second ? Names{} : Names{noGraph("P")});
        EXPECT_EQ(parse(xml, true, false).size(), 1u) << "any graph accepted";
    }
}

TEST_F(PresetParseTest, NothingWithoutALoadedArchiveOrFromAnUnreadableText)
{
    const std::string xml = listXml({presetXml("", "A", {}), presetXml("pkg://materials/wood", "B", {})});
    EXPECT_TRUE(parse(xml, true, false).empty());
    loadGraphs(true);
    EXPECT_TRUE(parse(xml, true, false).empty());
    loadGraphs();
    for (const char* text : {"", "<sbspresets>", "<sbspresets count=\"2\"></sbspresets>", "<sbspreset/>"})
        EXPECT_TRUE(parse(text, true, false).empty()) << text;
    EXPECT_TRUE(logLines().empty());
}

TEST_F(PresetParseTest, DuplicatesIgnoreUidAndTypeButCompareTheRest)
{
    loadGraphs();
    const std::string existing =
        presetXml("pkg://materials/wood", "Oak", {{"r", "1", "0", "0.25"}, {"t", "2", "5", "a.png"}}, "desc");
    material->addPreset(SubstancePresetPtr());
    material->addPreset("Garbage", "garbage", "");
    material->addPreset("Existing", existing, "");

    const std::pair<std::string, bool> cases[] = {
        {existing, true},
        {presetXml("pkg://materials/wood", "Oak", {{"r", "8", "4", "0.25"}, {"t", "9", "6", "a.png"}}, "desc"), true},
        {presetXml("pkg://materials/wood", "Oak", {{"r", "1", "0", "0.25"}, {"t", "2", "5", "a.png"}}), false},
        {presetXml("pkg://materials/wood", "Oak", {{"r", "1", "0", "0.250"}, {"t", "2", "5", "a.png"}}, "desc"), false},
        {presetXml("pkg://materials/wood", "Oak", {{"t", "2", "5", "a.png"}, {"r", "1", "0", "0.25"}}, "desc"), false},
        {presetXml("pkg://materials/wood", "Oak", {{"r", "1", "0", "0.25"}}, "desc"), false},
        {presetXml("file://materials/wood", "Oak", {{"r", "1", "0", "0.25"}, {"t", "2", "5", "a.png"}}, "desc"), false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.first);
        oxStandIn::clearLogMessages();
        EXPECT_EQ(parse(listXml({c.first}), true, true).size(), c.second ? 0u : 1u);
        EXPECT_EQ(logLines(), c.second ? Names{duplicate("Oak")} : Names{});
        EXPECT_EQ(parse(listXml({c.first}), true, false).size(), 1u) << "duplicates accepted when not checked";
    }

    // Records are compared with the material's presets only, not with each other.
    oxStandIn::clearLogMessages();
    const std::string twin = presetXml("", "Twin", {});
    EXPECT_EQ(parse(listXml({twin, twin}), false, true).size(), 2u);
    EXPECT_TRUE(logLines().empty());
}

TEST_F(PresetParseTest, WarningsPrintTheLabelUnchanged)
{
    loadGraphs();
    for (const char* label : {"%s %d %n", "100%", "%1 and %2", "a &amp; b"})
    {
        SCOPED_TRACE(label);
        oxStandIn::clearLogMessages();
        material->addPreset("dup", presetXml("", label, {}), "");
        const std::string xml = listXml({presetXml("pkg://x/other", label, {}), presetXml("", label, {})});
        EXPECT_TRUE(parse(xml, false, true).empty());
        std::string read = label;
        if (read == "a &amp; b")
            read = "a & b";
        EXPECT_EQ(logLines(), (Names{noGraph(read), duplicate(read)}));
    }
}

TEST_F(PresetParseTest, NewPresetsCarryLabelContentAndSourceAndAreNotAdded)
{
    loadGraphs();
    material->addPreset("Before", "<sbspreset label=\"Before\"/>", "");
    oxStandIn::clearEditLog();
    const std::vector<std::string> elements = {
        presetXml("pkg://materials/wood", "One", {{"r", "4", "0", "0.1"}}, "kept"),
        presetXml("", "Two &amp; more", {{"t", "2", "5", "b.png"}})};
    const std::vector<SubstancePresetPtr> presets =
        oxSubstancePresetUtils::parsePresets(material, listXml(elements), "/some/where.sbsprs", false, true);
    ASSERT_EQ(presets.size(), 2u);
    for (std::size_t i = 0; i < presets.size(); ++i)
    {
        EXPECT_EQ(presets[i]->getRefCount(), 0) << "nobody holds the new presets yet";
        hold(presets[i]);
        SubstanceAir::Preset record;
        ASSERT_TRUE(SubstanceAir::parsePreset(record, elements[i].c_str()));
        EXPECT_EQ(presets[i]->getName(), record.label);
        EXPECT_EQ(presets[i]->getContent(), oxSubstanceUtils::getContent(record));
        EXPECT_EQ(presets[i]->getSourcePath(), "/some/where.sbsprs");
    }
    EXPECT_EQ(presets[1]->getName(), "Two & more");
    EXPECT_EQ(material->getSubstancePresets().size(), 1u);
    EXPECT_TRUE(bracketsOn(material->getId()).empty()) << "the material is not edited";
}

} // namespace
