// Preset XML turned into new presets: graph matching by URL key, duplicates,
// warnings, and what the new presets carry.

#include "PresetTestHelpers.h"
#include "oxHostFixture.h"
#include "oxSubstancePresetUtils.h"

#include "host/Materials.h"
#include "host/QSubstanceArchive.h"
#include "preset/SubstanceAirPreset.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

using namespace presettest;

namespace {

const std::string NoGraph = "It does not match any graph of the material.\n";
const std::string Duplicate = "Duplicate preset already exists in material.\n";

std::string warning(const std::string& label, const std::string& reason)
{
    return "warning: Skipped preset '" + label + "'. " + reason;
}

/// An archive with one small graph per (label, package URL).
std::string archiveXml(const std::vector<std::pair<std::string, std::string>>& graphs)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<sbsar formatversion=\"1\">\n";
    for (const auto& g : graphs)
    {
        xml += " <graph label=\"" + g.first + "\" pkgurl=\"" + g.second + "\">\n"
               "  <input identifier=\"rough\" label=\"Rough\" type=\"float\" default=\"0.5\"/>\n"
               " </graph>\n";
    }
    return xml + "</sbsar>\n";
}

class PresetParseTest : public oxHostTest
{
protected:
    void SetUp() override
    {
        oxHostTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        material = hold(USubstanceMaterial::create());
    }

    /// Loads an archive of the given graphs into the material's archive.
    void loadGraphs(const std::vector<std::pair<std::string, std::string>>& graphs)
    {
        const QString file = QDir(dir.path()).filePath("graphs.sbsar");
        ASSERT_TRUE(writeFile(file, archiveXml(graphs)));
        ASSERT_TRUE(loadArchive(material, file.toStdString()));
        oxStandIn::clearLogMessages();
    }

    /// parsePresets with every new preset held by the test.
    std::vector<SubstancePresetPtr> parse(const std::string& xml, bool acceptAnyGraph, bool skipDuplicates,
                                          const std::string& source = std::string())
    {
        std::vector<SubstancePresetPtr> presets =
            oxSubstancePresetUtils::parsePresets(material, xml, source, acceptAnyGraph, skipDuplicates);
        for (const SubstancePresetPtr& p : presets)
            hold(p);
        return presets;
    }

    static std::vector<std::string> names(const std::vector<SubstancePresetPtr>& presets)
    {
        std::vector<std::string> list;
        for (const SubstancePresetPtr& p : presets)
            list.push_back(p->getName());
        return list;
    }

    QTemporaryDir dir;
    USubstanceMaterialPtr material;
};

// ---------------------------------------------------------------- graph matching

const std::vector<std::pair<std::string, std::string>> KeyGraphs = {
    {"Wood", "pkg://materials/wood"}, {"Plain", "plainkey"}, {"Nested", "a//b//c"}};

struct UrlCase
{
    const char* url;
    bool matches;
};

void PrintTo(const UrlCase& c, std::ostream* os)
{
    *os << '"' << c.url << '"';
}

class UrlKeyTest : public PresetParseTest, public ::testing::WithParamInterface<UrlCase>
{
};

TEST_P(UrlKeyTest, OnlyTheKeysAfterTheLastDoubleSlashAreCompared)
{
    loadGraphs(KeyGraphs);
    const std::string xml = listXml({presetXml(GetParam().url, "P", {{"rough", "1", "0", "0.2"}})});

    const std::vector<SubstancePresetPtr> strict = parse(xml, false, false);
    EXPECT_EQ(strict.size(), GetParam().matches ? 1u : 0u);
    const std::vector<std::string> expected =
        GetParam().matches ? std::vector<std::string>{} : std::vector<std::string>{warning("P", NoGraph)};
    EXPECT_EQ(logLines(), expected);

    oxStandIn::clearLogMessages();
    EXPECT_EQ(parse(xml, true, false).size(), 1u) << "any graph accepted";
    EXPECT_TRUE(logLines().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Urls, UrlKeyTest,
    ::testing::Values(UrlCase{"pkg://materials/wood", true}, UrlCase{"file://materials/wood", true},
                      UrlCase{"http://host//materials/wood", true},
                      UrlCase{"materials/wood", true}, // no "//": the whole URL is the key
                      UrlCase{"pkg://materials/Wood", false}, UrlCase{"pkg://materials/wood/", false},
                      UrlCase{"pkg://wood", false}, UrlCase{"pkg:/materials/wood", false},
                      UrlCase{"plainkey", true}, UrlCase{"x://plainkey", true}, UrlCase{"plainkey/", false},
                      UrlCase{"c", true}, UrlCase{"zz//c", true}, UrlCase{"a//b", false},
                      UrlCase{"", true}, // no package URL: always accepted
                      UrlCase{"pkg://", false}, UrlCase{"pkg://materials/wood//", false}));

TEST_F(PresetParseTest, RecordsOfOtherGraphsAreSkippedOneWarningEach)
{
    loadGraphs(KeyGraphs);
    const std::string xml = listXml({presetXml("pkg://x/metal", "Steel", {}),
                                     presetXml("pkg://materials/wood", "Oak", {}),
                                     presetXml("pkg://x/glass", "Glass", {}), presetXml("", "Loose", {})});
    EXPECT_EQ(names(parse(xml, false, true)), (std::vector<std::string>{"Oak", "Loose"}));
    EXPECT_EQ(logLines(), (std::vector<std::string>{warning("Steel", NoGraph), warning("Glass", NoGraph)}));
}

// ---------------------------------------------------------------- nothing to read against

struct NoArchiveCase
{
    const char* what;
    const char* archiveText; ///< null: the archive is never loaded
    bool acceptAnyGraph;
    bool skipDuplicates;
};

void PrintTo(const NoArchiveCase& c, std::ostream* os)
{
    *os << c.what << (c.acceptAnyGraph ? ", any graph" : "") << (c.skipDuplicates ? ", no duplicates" : "");
}

class NoArchiveTest : public PresetParseTest, public ::testing::WithParamInterface<NoArchiveCase>
{
};

TEST_P(NoArchiveTest, GivesNoPresetsAndNoMessage)
{
    if (GetParam().archiveText)
    {
        const QString file = QDir(dir.path()).filePath("broken.sbsar");
        ASSERT_TRUE(writeFile(file, GetParam().archiveText));
        EXPECT_FALSE(loadArchive(material, file.toStdString()));
        oxStandIn::clearLogMessages();
    }
    const std::string xml = listXml({presetXml("", "A", {}), presetXml("pkg://materials/wood", "B", {})});
    EXPECT_TRUE(parse(xml, GetParam().acceptAnyGraph, GetParam().skipDuplicates).empty());
    EXPECT_TRUE(logLines().empty());
    EXPECT_TRUE(archiveOf(material)->isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Archives, NoArchiveTest,
                         ::testing::Values(NoArchiveCase{"never loaded", nullptr, false, false},
                                           NoArchiveCase{"never loaded", nullptr, true, false},
                                           NoArchiveCase{"never loaded", nullptr, true, true},
                                           NoArchiveCase{"failed load", "<sbsar>", false, true},
                                           NoArchiveCase{"failed load", "<sbsar>", true, false}));

struct UnreadableCase
{
    const char* xml;
};

void PrintTo(const UnreadableCase& c, std::ostream* os)
{
    *os << '"' << c.xml << '"';
}

class UnreadableTextTest : public PresetParseTest, public ::testing::WithParamInterface<UnreadableCase>
{
};

TEST_P(UnreadableTextTest, GivesNoPresetsAndNoMessage)
{
    loadGraphs(KeyGraphs);
    EXPECT_TRUE(parse(GetParam().xml, true, false).empty());
    EXPECT_TRUE(parse(GetParam().xml, false, true).empty());
    EXPECT_TRUE(logLines().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, UnreadableTextTest,
    ::testing::Values(UnreadableCase{""}, UnreadableCase{"not xml"}, UnreadableCase{"<sbspresets>"},
                      UnreadableCase{"<sbspresets count=\"2\" formatversion=\"1\"></sbspresets>"},
                      UnreadableCase{"<sbspreset pkgurl=\"\" label=\"single\"/>"}, // a single preset, not a list
                      UnreadableCase{"<other><sbspreset label=\"x\"/></other>"}));

// ---------------------------------------------------------------- duplicates

const std::string Existing = presetXml("pkg://materials/wood", "Oak",
                                       {{"rough", "1", "0", "0.25"}, {"tex", "2", "5", "a.png"}}, "desc");

struct DuplicateCase
{
    const char* what;
    std::string record;
    bool duplicate;
};

void PrintTo(const DuplicateCase& c, std::ostream* os)
{
    *os << c.what;
}

class DuplicateTest : public PresetParseTest, public ::testing::WithParamInterface<DuplicateCase>
{
};

TEST_P(DuplicateTest, ComparedWithThePresetsOnTheMaterial)
{
    loadGraphs(KeyGraphs);
    material->addPreset(SubstancePresetPtr());       // null slots and presets whose
    material->addPreset("Garbage", "garbage", ""); // content does not read are passed over
    material->addPreset("Existing", Existing, "");
    const std::string xml = listXml({GetParam().record});

    const std::vector<SubstancePresetPtr> checked = parse(xml, true, true);
    EXPECT_EQ(checked.size(), GetParam().duplicate ? 0u : 1u);
    SubstanceAir::Preset record;
    ASSERT_TRUE(SubstanceAir::parsePreset(record, GetParam().record.c_str()));
    const std::vector<std::string> expected = GetParam().duplicate
                                                  ? std::vector<std::string>{warning(record.label, Duplicate)}
                                                  : std::vector<std::string>{};
    EXPECT_EQ(logLines(), expected);

    oxStandIn::clearLogMessages();
    EXPECT_EQ(parse(xml, true, false).size(), 1u) << "duplicates accepted when not checked";
    EXPECT_TRUE(logLines().empty());
    EXPECT_EQ(material->getSubstancePresets().size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Records, DuplicateTest,
    ::testing::Values(
        DuplicateCase{"same", Existing, true},
        DuplicateCase{"other uids",
                      presetXml("pkg://materials/wood", "Oak", {{"rough", "8", "0", "0.25"}, {"tex", "9", "5", "a.png"}},
                                "desc"),
                      true},
        DuplicateCase{"other types",
                      presetXml("pkg://materials/wood", "Oak", {{"rough", "1", "4", "0.25"}, {"tex", "2", "6", "a.png"}},
                                "desc"),
                      true},
        DuplicateCase{"other description",
                      presetXml("pkg://materials/wood", "Oak", {{"rough", "1", "0", "0.25"}, {"tex", "2", "5", "a.png"}},
                                "other"),
                      false},
        DuplicateCase{"no description",
                      presetXml("pkg://materials/wood", "Oak", {{"rough", "1", "0", "0.25"}, {"tex", "2", "5", "a.png"}}),
                      false},
        DuplicateCase{"other label",
                      presetXml("pkg://materials/wood", "oak", {{"rough", "1", "0", "0.25"}, {"tex", "2", "5", "a.png"}},
                                "desc"),
                      false},
        DuplicateCase{"other scheme",
                      presetXml("file://materials/wood", "Oak",
                                {{"rough", "1", "0", "0.25"}, {"tex", "2", "5", "a.png"}}, "desc"),
                      false},
        DuplicateCase{"other value",
                      presetXml("pkg://materials/wood", "Oak", {{"rough", "1", "0", "0.250"}, {"tex", "2", "5", "a.png"}},
                                "desc"),
                      false},
        DuplicateCase{"other identifier",
                      presetXml("pkg://materials/wood", "Oak", {{"Rough", "1", "0", "0.25"}, {"tex", "2", "5", "a.png"}},
                                "desc"),
                      false},
        DuplicateCase{"one input fewer", presetXml("pkg://materials/wood", "Oak", {{"rough", "1", "0", "0.25"}}, "desc"),
                      false},
        DuplicateCase{"one input more",
                      presetXml("pkg://materials/wood", "Oak",
                                {{"rough", "1", "0", "0.25"}, {"tex", "2", "5", "a.png"}, {"x", "3", "0", "1"}},
                                "desc"),
                      false},
        DuplicateCase{"inputs swapped",
                      presetXml("pkg://materials/wood", "Oak", {{"tex", "2", "5", "a.png"}, {"rough", "1", "0", "0.25"}},
                                "desc"),
                      false}),
    [](const ::testing::TestParamInfo<DuplicateCase>& info) {
        std::string name = info.param.what;
        for (char& c : name)
            if (c == ' ')
                c = '_';
        return name;
    });

TEST_F(PresetParseTest, EqualRecordsInOneTextAreAllKept)
{
    loadGraphs(KeyGraphs);
    const std::string p = presetXml("pkg://materials/wood", "Twin", {{"rough", "1", "0", "0.7"}});
    const std::vector<SubstancePresetPtr> presets = parse(listXml({p, p, p}), false, true);
    EXPECT_EQ(names(presets), (std::vector<std::string>{"Twin", "Twin", "Twin"}));
    EXPECT_TRUE(logLines().empty());
}

TEST_F(PresetParseTest, GraphCheckComesBeforeDuplicateCheck)
{
    loadGraphs(KeyGraphs);
    const std::string stray = presetXml("pkg://x/metal", "Steel", {});
    material->addPreset("Steel", stray, "");
    EXPECT_TRUE(parse(listXml({stray}), false, true).empty());
    EXPECT_EQ(logLines(), (std::vector<std::string>{warning("Steel", NoGraph)}));
}

// ---------------------------------------------------------------- warning texts

/// A label as written in the XML and as it reads.
struct LabelCase
{
    std::string xml;
    std::string label;
};

void PrintTo(const LabelCase& c, std::ostream* os)
{
    *os << '"' << c.xml << '"';
}

class WarningLabelTest : public PresetParseTest, public ::testing::WithParamInterface<LabelCase>
{
};

TEST_P(WarningLabelTest, LabelIsPrintedUnchanged)
{
    loadGraphs(KeyGraphs);
    const std::string xmlLabel = GetParam().xml;
    const std::string label = GetParam().label;
    material->addPreset("dup", presetXml("", xmlLabel, {}), "");
    const std::string xml = listXml({presetXml("pkg://x/other", xmlLabel, {}), presetXml("", xmlLabel, {})});
    EXPECT_TRUE(parse(xml, false, true).empty());
    EXPECT_EQ(logLines(), (std::vector<std::string>{warning(label, NoGraph), warning(label, Duplicate)}));
}

INSTANTIATE_TEST_SUITE_P(Labels, WarningLabelTest,
                         ::testing::Values(LabelCase{"%s", "%s"}, LabelCase{"%d %n %s", "%d %n %s"},
                                           LabelCase{"100%", "100%"}, LabelCase{"%1 and %2", "%1 and %2"},
                                           LabelCase{"it's", "it's"}, LabelCase{"a &amp; b", "a & b"},
                                           LabelCase{u8"Fen\u00eatre \u6728", u8"Fen\u00eatre \u6728"},
                                           LabelCase{"", ""}));

// ---------------------------------------------------------------- the new presets

TEST_F(PresetParseTest, NewPresetsCarryLabelContentAndSourceAndAreNotAdded)
{
    loadGraphs(KeyGraphs);
    material->addPreset("Before", Existing, "");
    oxStandIn::clearEditLog();
    const std::vector<std::string> elements = {
        presetXml("pkg://materials/wood", "One", {{"rough", "4", "0", "0.1"}}, "dropped"),
        presetXml("", "Two &amp; more", {{"tex", "2", "5", "b.png"}, {"rough", "1", "0", "0.9"}})};
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
