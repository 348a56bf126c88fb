// The preset utilities: names, indexes and list changes; preset lists read, exported and imported; legacy
// text; capture, matching the current state, the current preset and the render cache.

#include "oxCommandTest.h"
#include "oxSubstancePresetUtils.h"

#include "oxSubstanceCommandSupport.h"
#include "oxSubstanceMaterialModifier.h"

#include "host/OSGImage.h"
#include "host/QSubstanceArchive.h"
#include "host/oxdImage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QVector2D>
#include <QVector3D>

#include <climits>
#include <csignal>
#include <set>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Utils = oxSubstancePresetUtils;
using Names = std::vector<std::string>;
using Indexes = std::set<unsigned int>;

/// One "sbspreset" element; inputs are identifier, uid, type and value ("filepath" for type 5).
std::string presetXml(const std::string& url, const std::string& label, const std::vector<Names>& inputs = {},
                      const std::string& description = std::string())
{
    std::string xml = "<sbspreset pkgurl=\"" + url + "\" label=\"" + label + "\"" +
                      (description.empty() ? "" : " description=\"" + description + "\"") + ">";
    for (const Names& in : inputs)
        xml += "<presetinput identifier=\"" + in.at(0) + "\" uid=\"" + in.at(1) + "\" type=\"" + in.at(2) + "\" " +
               (in.at(2) == "5" ? "filepath" : "value") + "=\"" + in.at(3) + "\"/>";
    return xml + "</sbspreset>";
}

/// A Wood preset with inputs given as (identifier, type code, value).
std::string woodPreset(const std::vector<Names>& inputs)
{
    std::vector<Names> full;
    for (const Names& in : inputs)
        full.push_back({in[0], "1", in[1], in[2]});
    return presetXml("pkg://materials/wood", "p", full);
}
/// The inputs of the Wood sample that differ from their defaults after loading it.
const Names Roughness{"roughness", "0", "0.35"}, Pattern{"pattern", "4", "1"}, Tiling{"tiling", "1", "2,2"};

std::string header(std::size_t count)
{
    return "<sbspresets count=\"" + std::to_string(count) + "\" formatversion=\"1\">\n";
}
const std::string Footer = "</sbspresets>\n\n";

std::string listXml(const Names& presets)
{
    std::string xml = header(presets.size());
    for (const std::string& p : presets)
        xml += p + "\n";
    return xml + Footer;
}

std::string noGraph(const std::string& label)
{
    return "warning: Skipped preset '" + label + "'. It does not match any graph of the material.\n";
}
std::string duplicate(const std::string& label)
{
    return "warning: Skipped preset '" + label + "'. Duplicate preset already exists in material.\n";
}

/// Collects Qt's debug messages while alive.
struct DebugCapture
{
    static inline Names messages;
    QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& s) {
        if (type == QtDebugMsg)
            messages.push_back(s.toStdString());
    });
    ~DebugCapture() { qInstallMessageHandler(previous); }
};

class PresetUtilsTest : public oxCommandTest
{
protected:
    void SetUp() override
    {
        oxCommandTest::SetUp();
        material = hold(USubstanceMaterial::create());
    }

    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }

    /// Loads an archive into the material's archive only; with \p presets the material gets the archive's presets.
    void loadArchive(const QString& file, bool presets = false)
    {
        QSubstanceBinaryDiskReader reader(file, nullptr);
        ASSERT_TRUE(archiveOf(material)->import(reader));
        for (const auto& p : archiveOf(material)->presets())
            if (presets)
                material->addPreset(p.first.toStdString(), p.second.toStdString(), "");
        oxStandIn::clearLogMessages();
        oxStandIn::clearEditLog();
    }

    /// Loads an archive with the graphs "pkg://materials/wood" and "a//b//c".
    void loadGraphs()
    {
        ASSERT_TRUE(writeFile(path("graphs.sbsar"), "<sbsar formatversion=\"1\">\n"
                                                    " <graph label=\"Wood\" pkgurl=\"pkg://materials/wood\"/>\n"
                                                    " <graph label=\"C\" pkgurl=\"a//b//c\"/>\n</sbsar>\n"));
        loadArchive(path("graphs.sbsar"));
    }

    /// parsePresets with every new preset held by the test.
    std::vector<SubstancePresetPtr> parse(const std::string& xml, bool acceptAnyGraph, bool skipDuplicates)
    {
        std::vector<SubstancePresetPtr> presets =
            Utils::parsePresets(material, xml, "/from.sbsprs", acceptAnyGraph, skipDuplicates);
        for (const SubstancePresetPtr& p : presets)
            hold(p);
        return presets;
    }

    /// The Wood sample with presets of the given contents (a null content gives a null slot).
    USubstanceMaterialPtr woodWith(const std::vector<std::string>& contents, bool nullSlot = false)
    {
        const USubstanceMaterialPtr m = wood();
        m->clearPresets();
        for (const std::string& content : contents)
            m->addPreset("p", content, "");
        if (nullSlot)
            m->addPreset(SubstancePresetPtr());
        return m;
    }

    template <class List>
    static Names namesOf(const List& presets)
    {
        Names names;
        for (const SubstancePresetPtr& p : presets)
            names.push_back(p.isNull() ? "<null>" : p->getName());
        return names;
    }

    QTemporaryDir dir;
    USubstanceMaterialPtr material;
    USubstanceMaterialPtr none; ///< no material: every utility gives an empty or false result
};

// ---------------------------------------------------------------- names, indexes and list changes

TEST_F(PresetUtilsTest, NamesAndIndexesOfTheSlots)
{
    for (const char* name : std::initializer_list<const char*>{"Wood", nullptr, "50%s off", u8"W\u00fcrfel", "Wood", "invalid"})
        name ? material->addPreset(name, "<sbspreset/>", "") : material->addPreset(SubstancePresetPtr());
    EXPECT_EQ(Utils::getPresetNames(material), (Names{"Wood", "invalid", "50%s off", u8"W\u00fcrfel", "Wood", "invalid"}));
    EXPECT_EQ(Utils::getPresetNameList(material).join('|'), QString::fromUtf8(u8"Wood|invalid|50%s off|W\u00fcrfel|Wood|invalid"));
    EXPECT_EQ(Utils::getPresetName(material, 1), "invalid");
    EXPECT_EQ(Utils::getPresetName(material, 3), QString::fromUtf8(u8"W\u00fcrfel"));
    EXPECT_TRUE(Utils::getPresetName(material, 6).isNull());
    EXPECT_TRUE(Utils::getPresetName(material, UINT_MAX).isNull());
    const std::pair<const char*, int> names[] = {{"Wood", 0}, {"invalid", 1}, {u8"W\u00fcrfel", 3}, {"wood", -1}, {"", -1}};
    for (const auto& [name, expected] : names)
    {
        unsigned int index = 99;
        EXPECT_EQ(Utils::getPresetIndex(material, name, index), expected >= 0) << name;
        EXPECT_EQ(index, expected >= 0 ? unsigned(expected) : 0u) << name;
    }
    const std::pair<std::vector<unsigned int>, bool> indexes[] = {
        {{}, false}, {{1}, true}, {{5, 0, 1}, true}, {{6}, false}, {{0, 6}, false}, {{1, 2, 1}, false}};
    for (const auto& [list, valid] : indexes)
        EXPECT_EQ(Utils::indexesValid(material, list), valid) << ::testing::PrintToString(list);
    unsigned int index = 42;
    EXPECT_FALSE(Utils::getPresetIndex(none, "invalid", index));
    EXPECT_EQ(index, 42u);
    EXPECT_TRUE(Utils::getPresetNames(none).empty() && Utils::getPresetName(none, 0).isNull());
    EXPECT_FALSE(Utils::indexesValid(none, {0}));
}

TEST_F(PresetUtilsTest, ListChangesKeepOneReferencePerSlotAndRemovedPresetsReturnToTheirPlaces)
{
    material->addPreset("a", "", "");
    const SubstancePresetPtr b = hold(SubstancePreset::create("b", "", ""));
    Utils::addPresets(material, std::vector<SubstancePresetPtr>{b, SubstancePresetPtr(), b});
    EXPECT_EQ(b->getRefCount(), 3);
    Utils::removePresets(material, {b, hold(SubstancePreset::create("a", "", ""))});
    EXPECT_EQ(namesOf(material->getSubstancePresets()), (Names{"a", "<null>", "b"})) << "first slot only";
    EXPECT_EQ(b->getRefCount(), 2);
    // The material's own list.
    Utils::addPresets(material, material->getSubstancePresets());
    EXPECT_EQ(namesOf(material->getSubstancePresets()), (Names{"a", "<null>", "b", "a", "<null>", "b"}));
    Utils::removePresets(material, material->getSubstancePresets());
    EXPECT_TRUE(material->getSubstancePresets().empty());
    EXPECT_EQ(b->getRefCount(), 1);

    // Presets go to their places in the list they make; places past the end append in order.
    for (const char* name : {"A", "C", "E"})
        material->addPreset(name, "", "");
    const auto named = [this](const char* name) { return hold(SubstancePreset::create(name, "", "")); };
    Utils::insertPresets(material, {{1, b}, {3, named("D")}, {7, named("X")}, {std::size_t(1) << 40, named("Y")}});
    EXPECT_EQ(namesOf(material->getSubstancePresets()), (Names{"A", "b", "C", "D", "E", "X", "Y"}));
}

// ---------------------------------------------------------------- reading preset lists

TEST_F(PresetUtilsTest, OnlyTheKeysAfterTheLastDoubleSlashAreCompared)
{
    const std::string xml = listXml({presetXml("", "A"), presetXml("pkg://materials/wood", "B")});
    EXPECT_TRUE(parse(xml, true, false).empty()) << "no archive";
    EXPECT_TRUE(Utils::parsePresets(none, xml, "", true, false).empty());
    loadGraphs();
    for (const char* text : {"", "<sbspresets>", "<sbspresets count=\"2\"></sbspresets>", "<sbspreset/>"})
        EXPECT_TRUE(parse(text, true, false).empty()) << text;
    const std::pair<const char*, bool> cases[] = {
        {"pkg://materials/wood", true}, {"http://h//materials/wood", true}, {"materials/wood", true},
        {"pkg://materials/Wood", false}, {"pkg://wood", false}, {"zz//c", true}, {"a//b", false}, {"", true},
        {"pkg://", false}};
    for (const auto& [url, matches] : cases)
    {
        oxStandIn::clearLogMessages();
        const std::string list = listXml({presetXml(url, "P")});
        EXPECT_EQ(parse(list, false, false).size(), matches ? 1u : 0u) << url;
        EXPECT_EQ(logLines(), matches ? Names{} : Names{noGraph("P")});
        EXPECT_EQ(parse(list, true, false).size(), 1u) << "any graph accepted";
    }
}

TEST_F(PresetUtilsTest, DuplicatesIgnoreUidAndTypeButCompareTheRest)
{
    loadGraphs();
    const auto oak = [](const char* url, std::vector<Names> inputs, const char* description = "desc") {
        return presetXml(url, "Oak", inputs, description);
    };
    const Names r{"r", "1", "0", "0.25"}, t{"t", "2", "5", "a.png"};
    material->addPreset(SubstancePresetPtr());
    material->addPreset("Garbage", "garbage", "");
    material->addPreset("Existing", oak("pkg://materials/wood", {r, t}), "");
    const std::pair<std::string, bool> cases[] = {
        {oak("pkg://materials/wood", {r, t}), true},
        {oak("pkg://materials/wood", {{"r", "8", "4", "0.25"}, {"t", "9", "6", "a.png"}}), true},
        {oak("pkg://materials/wood", {r, t}, ""), false},
        {oak("pkg://materials/wood", {{"r", "1", "0", "0.250"}, t}), false},
        {oak("pkg://materials/wood", {{"t", "1", "0", "0.25"}, {"r", "2", "5", "a.png"}}), false},
        {oak("pkg://materials/wood", {r}), false},
        {oak("file://materials/wood", {r, t}), false},
    };
    for (const auto& [xml, isDuplicate] : cases)
    {
        oxStandIn::clearLogMessages();
        EXPECT_EQ(parse(listXml({xml}), true, true).size(), isDuplicate ? 0u : 1u) << xml;
        EXPECT_EQ(logLines(), isDuplicate ? Names{duplicate("Oak")} : Names{});
        EXPECT_EQ(parse(listXml({xml}), true, false).size(), 1u) << "duplicates accepted when not checked";
    }
    // Records are compared with the material's presets only, not with each other; labels are printed unchanged.
    const std::string twin = presetXml("", "%s %d %n");
    oxStandIn::clearLogMessages();
    EXPECT_EQ(parse(listXml({twin, twin}), false, true).size(), 2u);
    material->addPreset("dup", twin, "");
    EXPECT_TRUE(parse(listXml({presetXml("pkg://x/other", "100%"), twin}), false, true).empty());
    EXPECT_EQ(logLines(), (Names{noGraph("100%"), duplicate("%s %d %n")}));
}

// ---------------------------------------------------------------- preset files

const std::string Element0 = " <sbspreset pkgurl=\"pkg://m/wood\" label=\"First\" >\n"
                             "  <presetinput identifier=\"r\" uid=\"1\" type=\"0\" value=\"0.25\" />\n"
                             "  <presetinput identifier=\"t\" uid=\"2\" type=\"5\" filepath=\"C:/a b.png\" />\n"
                             " </sbspreset>\n";
const std::string Element2 = " <sbspreset pkgurl=\"pkg://m/metal\" label=\"Third &amp; &lt;co&gt;\" >\n"
                             "  <presetinput identifier=\"c\" uid=\"7\" type=\"3\" value=\"1,0,0,1\" />\n"
                             " </sbspreset>\n";
const std::string Element4 = " <sbspreset pkgurl=\"\" label=\"50%s %d\" >\n </sbspreset>\n";

/// Slots for the export cases: readable, null, readable, unreadable, readable; each exports under its name.
void addExportSlots(const USubstanceMaterialPtr& m)
{
    m->addPreset("First", presetXml("pkg://m/wood", "Old", {{"r", "1", "0", "0.25"}, {"t", "2", "5", "C:/a b.png"}}, "d"), "");
    m->addPreset(SubstancePresetPtr());
    m->addPreset("Third & <co>", presetXml("pkg://m/metal", "x", {{"c", "7", "3", "1,0,0,1"}}), "");
    m->addPreset("Broken", "not a preset", "");
    m->addPreset("50%s %d", presetXml("", "e"), "");
}

// Refusals are not write failures. A pipe or a folder at the target stays what it was; a link to a regular file
// stays a link, and its file gets the presets.
TEST_F(PresetUtilsTest, ExportWritesChosenPresetsInOrderAndReplacesOnlyARegularFile)
{
    addExportSlots(material);
    const std::pair<std::vector<unsigned int>, std::string> cases[] = {
        {{2, 0}, Element2 + Element0}, {{4, 1, 3, 0}, Element4 + Element0}, {{1}, ""}};
    for (const auto& [indexes, elements] : cases)
    {
        ASSERT_TRUE(Utils::exportPresets(material, indexes, path("out.sbsprs")));
        EXPECT_EQ(readFile(path("out.sbsprs")).toStdString(), header(indexes.size()) + elements + Footer);
    }
    DebugCapture debug;
    for (const std::vector<unsigned int>& indexes : {std::vector<unsigned int>{}, {0, 2, 0}, {0, 5}})
        EXPECT_FALSE(Utils::exportPresets(material, indexes, path("a.sbsprs")));
    EXPECT_FALSE(Utils::exportPresets(material, {0}, QString()));
    EXPECT_FALSE(Utils::exportPresets(none, {0}, path("a.sbsprs")));
    EXPECT_EQ(DebugCapture::messages, Names{});
    EXPECT_FALSE(QFile::exists(path("a.sbsprs")));

    ASSERT_EQ(mkfifo(path("pipe").toLocal8Bit().constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.sbsprs"));
    for (const QString& name : {path("pipe"), path("folder.sbsprs"), path("missing/out.sbsprs")})
    {
        DebugCapture::messages.clear();
        EXPECT_FALSE(Utils::exportPresets(material, {0}, name));
        EXPECT_EQ(DebugCapture::messages, Names{"Can't save \"" + name.toStdString() + "\""});
        struct stat status{};
        EXPECT_TRUE(lstat(name.toLocal8Bit().constData(), &status) != 0 || !S_ISREG(status.st_mode));
    }
    ASSERT_TRUE(writeFile(path("file.sbsprs"), "old"));
    ASSERT_TRUE(QFile::link(path("file.sbsprs"), path("link.sbsprs")));
    ASSERT_TRUE(Utils::exportPresets(material, {2}, path("link.sbsprs")));
    EXPECT_TRUE(QFileInfo(path("link.sbsprs")).isSymLink());
    EXPECT_EQ(readFile(path("file.sbsprs")).toStdString(), header(1) + Element2 + Footer);
    EXPECT_TRUE(logLines().empty());
}

TEST_F(PresetUtilsTest, AnExportThatFailsHalfWayLeavesTheFileItWasToReplace)
{
    loadArchive(sampleFile("materials.sbsar"), true);
    const std::string old = "<sbspresets><sbspreset label=\"Old\"/></sbspresets>\n";
    ASSERT_TRUE(writeFile(path("kept.sbsprs"), QByteArray::fromStdString(old)));
    // A child process whose files cannot grow beyond 100 bytes runs out of room, as on a full disk.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        const bool limited = setrlimit(RLIMIT_FSIZE, &limit) == 0;
        _exit(!limited ? 2 : Utils::exportPresets(material, {0, 1}, path("kept.sbsprs")) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "the export reports its failure";
    EXPECT_EQ(readFile(path("kept.sbsprs")).toStdString(), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.sbsprs"});

    ASSERT_TRUE(Utils::exportPresets(material, {1, 0}, path("kept.sbsprs"))) << "without the limit";
    EXPECT_TRUE(readFile(path("kept.sbsprs")).startsWith(QByteArray::fromStdString(header(2))));
}

TEST_F(PresetUtilsTest, ImportReadsPresetFilesInPathOrderAndSaysWhyOthersAreSkipped)
{
    loadArchive(sampleFile("materials.sbsar"), true);
    ASSERT_TRUE(writeFile(path("single.sbsprs"), "<sbspreset pkgurl=\"\" label=\"Single\"/>"));
    ASSERT_TRUE(writeFile(path("broken.sbsprs"), "<sbspresets><sbspreset label=\"Broken\">"));
    const QString materials = sampleFile("materials.sbsprs");
    const QString multigraph = sampleFile("multigraph.sbsprs");
    const QString archive = sampleFile("materials.sbsar");
    const std::vector<SubstancePresetPtr> presets = Utils::importPresets(
        material, {multigraph, archive, path("missing.sbsprs"), path("single.sbsprs"), path("broken.sbsprs"),
                   dir.path(), materials}, false, true);
    for (const SubstancePresetPtr& p : presets)
        hold(p);
    EXPECT_TRUE(Utils::importPresets(none, {materials}, true, false).empty());
    Utils::addPresets(none, materials.toStdString());
    EXPECT_EQ(namesOf(presets), (Names{"Light Oak", "Weathered Pine"})) << "the second Light Oak has other inputs";
    EXPECT_EQ(presets.at(0)->getSourcePath(), multigraph.toStdString());
    EXPECT_EQ(presets.at(1)->getSourcePath(), materials.toStdString());
    const auto notPresets = [](const QString& file, const std::string& why) {
        return "warning: Skipped '" + file.toStdString() + "'. It is not a preset file: " + why + ".\n";
    };
    const auto unreadable = [](const QString& file, const std::string& why) {
        return "warning: Unable to read preset file '" + file.toStdString() + "': " + why + ".\nwarning: Skipped '" +
               file.toStdString() + "'. The file cannot be read.\n";
    };
    std::string log;
    for (const std::string& line : logLines())
        log += line + (line.back() == '\n' ? "" : "\n");
    EXPECT_EQ(log, noGraph("Kitchen") + noGraph("Smooth Concrete") +
                       notPresets(archive, "no <sbspresets> element at the top") +
                       unreadable(path("missing.sbsprs"), "the file does not exist") +
                       notPresets(path("single.sbsprs"), "no <sbspresets> element at the top") +
                       notPresets(path("broken.sbsprs"), "not well-formed XML (Error reading Element value.)") +
                       unreadable(dir.path(), "the file is not a regular file") + duplicate("Light Oak") +
                       noGraph("Brushed Steel"));
    EXPECT_EQ(material->getSubstancePresets().size(), 2u) << "import adds nothing";
}

TEST_F(PresetUtilsTest, LegacyTextIsKeptUntilAnArchiveTurnsItIntoPresets)
{
    const std::string text = readFile(sampleFile("materials.sbsprs")).toStdString();
    const auto convert = [this](const std::string& legacy) {
        {
            osgEdit edit(material, USubstanceMaterialBase::PresetsFieldMask);
            material->setPresets(legacy);
        }
        oxStandIn::clearEditLog();
        Utils::convertLegayPresets(material);
        return material->getPresets();
    };
    EXPECT_EQ(convert(text), text) << "no archive yet";
    EXPECT_TRUE(material->getSubstancePresets().empty());
    EXPECT_TRUE(bracketsOn(material->getId()).empty());
    loadArchive(sampleFile("materials.sbsar"));
    material->addPreset("Keep", "<sbspreset label=\"Keep\"/>", "");
    EXPECT_EQ(convert("<sbspresets>"), "<sbspresets>") << "a text that does not read is kept";
    EXPECT_EQ(convert(text), "");
    EXPECT_EQ(Utils::getPresetNames(material), (Names{"Keep", "Weathered Pine", "Light Oak", "Brushed Steel"}));
    std::vector<osg::BitVector> masks;
    for (const oxStandIn::EditRecord& r : bracketsOn(material->getId()))
        if (r.mask & USubstanceMaterialBase::PresetsFieldMask)
            masks.push_back(r.mask);
    EXPECT_EQ(masks, std::vector<osg::BitVector>{USubstanceMaterialBase::PresetsFieldMask});
    for (const SubstancePresetPtr& p : material->getSubstancePresets())
        EXPECT_EQ(p->getRefCount(), 1);
    Utils::convertLegayPresets(none);
    EXPECT_TRUE(logLines().empty());
}

// ---------------------------------------------------------------- preset values and the current state

TEST_F(PresetUtilsTest, MatchingRuleAndTheCurrentPreset)
{
    const auto with = [](std::vector<Names> more) {
        more.insert(more.begin(), {Roughness, Pattern, Tiling});
        return woodPreset(more);
    };
    const std::pair<std::string, bool> cases[] = {
        {with({}), true},                                      // every changed input, the rest at their defaults
        {woodPreset({Roughness, Pattern}), false},             // a changed input left out
        {with({{"contrast", "2", "1,1,1"}}), true},            // an input at its default given
        {with({{"nothere", "0", "3"}, {"zzz", "6", "x"}}), true},
        {woodPreset({{"roughness", "0", "0.36"}, Pattern, Tiling}), false}, // a value that differs
        {woodPreset({{"roughness", "0", "0.9"}, Roughness, Pattern, Tiling}), true}, // a later duplicate decides
        {with({{"roughness", "0", "0.9"}}), false},
        {with({{"tint", "3", "0.8,0.6,0.4,0.5"}}), true},      // a colour: its alpha does not count
        {with({{"tint", "3", "0.8,0.6,0.41,1"}}), false},
        {with({{"grain", "3", "1,0,0,0.5"}}), true},           // a plain four-component value: all four count
        {with({{"grain", "3", "1,0,0,1"}}), false},
        {"<sbspresets/>", false},
    };
    std::vector<std::string> contents;
    Indexes expected; // the null slot after the cases does not match
    for (const auto& [content, matches] : cases)
    {
        if (matches)
            expected.insert(unsigned(contents.size()));
        contents.push_back(content);
    }
    const USubstanceMaterialPtr m = woodWith(contents, true);
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), expected);

    // The last activated preset when it is one of several matches, else the first match.
    const std::string match = with({}), other = woodPreset({Pattern});
    const USubstanceMaterialPtr n = woodWith({other, match, other, match});
    for (const auto& [lastActivated, current] : {std::pair{3, 3u}, {1, 1u}, {2, 1u}, {-1, 1u}, {7, 1u}})
    {
        osgEdit edit(n, USubstanceMaterialBase::LastActivatedPresetFieldMask);
        n->setLastActivatedPreset(lastActivated);
        unsigned int index = 99;
        EXPECT_TRUE(Utils::getCurrentState(n, index));
        EXPECT_EQ(index, current) << lastActivated;
    }
    n->removePreset(n->getSubstancePresets()[3]);
    n->removePreset(n->getSubstancePresets()[1]);
    unsigned int index = 99;
    EXPECT_FALSE(Utils::getCurrentState(n, index));
    EXPECT_EQ(index, 99u);
    EXPECT_FALSE(Utils::getCurrentState(USubstanceMaterialPtr(), index));
}

TEST_F(PresetUtilsTest, WhatNothingOrEverythingMatches)
{
    const std::string some = woodPreset({Pattern});
    // A material without an active graph, and one whose archive holds nothing.
    const USubstanceMaterialPtr noGraph = woodWith({some});
    {
        osgEdit edit(noGraph, USubstanceMaterialBase::ActiveGraphIndexFieldMask);
        noGraph->setActiveGraphIndex(1);
    }
    material->addGraph(USubstanceGraph::create());
    material->addPreset("p", some, "");
    EXPECT_TRUE(Utils::getMatchingPresetIndexes(noGraph).empty());
    EXPECT_TRUE(Utils::getMatchingPresetIndexes(material).empty());
    EXPECT_TRUE(Utils::getMatchingPresetIndexes(USubstanceMaterialPtr()).empty());

    // A graph whose inputs are all hidden has no current values: every slot matches.
    ASSERT_TRUE(writeFile(path("hidden.sbsar"), "<sbsar><graph label=\"Hidden\"><input identifier=\"h\" "
                                                "type=\"float\" default=\"0\"/></graph></sbsar>"));
    USubstanceMaterialPtr hidden = hold(USubstanceMaterial::create());
    ASSERT_TRUE(oxSubstanceMaterialModifier(hidden).initFromFile(path("hidden.sbsar")));
    hidden->addPreset(SubstancePresetPtr());
    hidden->addPreset("p", "not a preset", "");
    EXPECT_EQ(Utils::getMatchingPresetIndexes(hidden), (Indexes{0, 1}));
}

TEST_F(PresetUtilsTest, RememberedValuesFollowEveryChange)
{
    const std::string match = woodPreset({Roughness, Pattern, Tiling});
    const std::string sized = woodPreset({Roughness, Pattern, Tiling, {"$outputsize", "8", "9,9"}});
    const std::string other = woodPreset({Pattern});
    const USubstanceMaterialPtr m = woodWith({match, other, sized});
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), (Indexes{0, 2}));
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), (Indexes{0, 2}));
    // A preset's content changes.
    const SubstancePresetPtr first = m->getSubstancePresets()[0];
    Utils::applyPresetContent(m, first, other);
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), (Indexes{2}));
    Utils::applyPresetContent(m, first, match);
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), (Indexes{0, 2}));
    // Presets removed and added.
    m->removePreset(first);
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), (Indexes{1}));
    m->insertPreset(SubstancePreset::create("q", match, ""), 1);
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), (Indexes{1, 2}));
    // The default output-size sync state that preset sizes carry changes.
    QSubstanceArchive::setDefaultSyncOutputSize(false);
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), (Indexes{1}));
    QSubstanceArchive::setDefaultSyncOutputSize(true);
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), (Indexes{1, 2}));
    // Another material with presets of its own.
    EXPECT_EQ(Utils::getMatchingPresetIndexes(woodWith({other, match})), (Indexes{1}));
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), (Indexes{1, 2}));
}

TEST_F(PresetUtilsTest, RememberedResultsAgreeWithAFreshMatchingAfterEveryEdit)
{
    const USubstanceMaterialPtr m = woodWith(
        {woodPreset({Roughness, Pattern, Tiling}), woodPreset({Roughness, Pattern, Tiling, {"tint", "3", "0.1,0.2,0.3,1"}}),
         woodPreset({{"roughness", "0", "0.5"}, Pattern, Tiling}),
         woodPreset({Roughness, {"pattern", "4", "0"}, Tiling, {"contrast", "2", "2,2,2"}}),
         woodPreset({{"roughness", "0", "0.5"}, {"pattern", "4", "0"}, {"tiling", "1", "1,1"}}),
         woodPreset({Roughness, Pattern, Tiling, {"contrast", "2", "1,1,1"}})},
        true);
    const std::pair<const char*, QVariant> edits[] = {
        {"roughness", 0.5f}, {"roughness", 0.35f}, {"contrast", QVector3D(2, 2, 2)}, {"pattern", 0},
        {"tint", QVector3D(0.1f, 0.2f, 0.3f)}, {"contrast", QVector3D(1, 1, 1)}, {"pattern", 1},
        {"tiling", QVector2D(1, 1)}, {"roughness", 0.5f}, {"pattern", 0}, {"tint", QVector3D(0.8f, 0.6f, 0.4f)},
        {"roughness", 0.5f}, {"tiling", QVector2D(2, 2)}, {"pattern", 1}, {"roughness", 0.35f}};
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), (Indexes{0, 5}));
    std::set<Indexes> seen;
    for (const auto& [property, value] : edits)
    {
        oxSubstanceCommandSupport::applyPropertyValue(m, "Wood", property, value, false);
        const Indexes remembered = Utils::getMatchingPresetIndexes(m);
        QSubstanceArchive::setDefaultSyncOutputSize(false); // which makes the matching forget what it remembers
        Utils::getMatchingPresetIndexes(m);
        QSubstanceArchive::setDefaultSyncOutputSize(true);
        EXPECT_EQ(remembered, Utils::getMatchingPresetIndexes(m)) << property;
        seen.insert(remembered);
    }
    EXPECT_GE(seen.size(), 5u) << "the edits should make different presets match";
}

TEST_F(PresetUtilsTest, CaptureStoresContentAndImages)
{
    const USubstanceMaterialPtr m = woodWith({woodPreset({Pattern})});
    const SubstancePresetPtr p = m->getSubstancePresets()[0];
    Utils::captureContent(m, p);
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), Indexes{0});
    const ImagePtr image = osg::Image::create();
    oxSubstanceCommandSupport::applyPropertyValue(m, "Wood", "mask", QVariant::fromValue(oxdImage(image->getId())), false);
    oxStandIn::clearEditLog();
    Utils::captureContent(m, p);
    EXPECT_EQ(p->getContent(), Utils::fetchPresetContent(m));
    EXPECT_EQ(p->getCachedImages(), osg::MField<ImagePtr>({image}));
    ASSERT_EQ(bracketsOn(p->getId()).size(), 2u);
    EXPECT_EQ(bracketsOn(p->getId())[0].mask, SubstancePresetBase::ContentFieldMask);
    EXPECT_EQ(bracketsOn(p->getId())[1].mask, SubstancePresetBase::CachedImagesFieldMask);

    // With no image in the groups, the preset keeps none.
    oxSubstanceCommandSupport::applyPropertyValue(m, "Wood", "mask", QVariant::fromValue(oxdImage()), false);
    Utils::applyPresetContent(m, p, "<sbspreset/>");
    EXPECT_EQ(p->getContent(), "<sbspreset/>");
    EXPECT_TRUE(p->getCachedImages().empty());

    // Nothing to capture: the content stays.
    EXPECT_EQ(Utils::fetchPresetContent(material), "");
    EXPECT_EQ(Utils::fetchPresetContent(none), "");
    oxStandIn::clearEditLog();
    Utils::captureContent(material, p);
    Utils::captureContent(none, p);
    Utils::applyPresetContent(none, p, "x");
    Utils::captureContent(m, SubstancePresetPtr());
    EXPECT_TRUE(oxStandIn::editLog().empty());

    // An image that only the preset holds, given back to it, outlives the clear.
    const ImagePtr own = osg::Image::create();
    const osg::UInt32 ownId = own->getId();
    Utils::setPresetContent(p, "a", {own});
    Utils::setPresetContent(p, "b", {own});
    EXPECT_FALSE(osg::FieldContainerFactory::the()->getContainer(ownId).isNull());
    EXPECT_EQ(p->getCachedImages(), osg::MField<ImagePtr>({own}));
}

TEST_F(PresetUtilsTest, RenderCacheSwitchClearAndDump)
{
    EXPECT_FALSE(Utils::isCacheEnabled());
    Utils::enableCache(true);
    EXPECT_TRUE(Utils::isCacheEnabled());
    const USubstanceMaterialPtr materials[] = {woodWith({"<sbspreset/>"}), woodWith({"<sbspreset/>"})};
    for (const USubstanceMaterialPtr& m : materials)
    {
        m->cacheRenderResult(0);
        ASSERT_TRUE(m->isPresetCached(0));
    }
    Utils::clearCache();
    for (const USubstanceMaterialPtr& m : materials)
        EXPECT_FALSE(m->isPresetCached(0));
    Utils::enableCache(false);
    EXPECT_FALSE(Utils::isCacheEnabled());

    Utils::dumpCache(materials[0], nullptr, "detail");
    Utils::dumpCache(materials[0], "title", nullptr);
    Utils::dumpCache(hold(USubstanceEnvironmentMaterial::create()), "title", "detail");
    Utils::dumpCache(MaterialPtr(), "title", "detail");
    EXPECT_TRUE(logLines().empty());
    Utils::dumpCache(materials[0], "title", "detail");
    ASSERT_EQ(logLines().size(), 1u);
    EXPECT_EQ(logLines()[0].rfind("warning: title: detail\n", 0), 0u) << logLines()[0];
}

} // namespace
