// Preset lists read into new presets of a material (graph matching by URL key,
// duplicates, warnings), preset files exported, imported and added by path, and
// the legacy preset text of old materials converted into presets.

#include "oxHostFixture.h"
#include "oxSubstancePresetUtils.h"

#include "host/QSubstanceArchive.h"
#include "preset/SubstanceAirPreset.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Names = std::vector<std::string>;

/// One "sbspreset" element written by hand, so that these tests do not depend on
/// the writer. Inputs are identifier, uid, type and value ("filepath" for type 5).
std::string presetXml(const std::string& url, const std::string& label, const std::vector<Names>& inputs = {},
                      const std::string& description = std::string())
{
    std::string xml = "<sbspreset pkgurl=\"" + url + "\" label=\"" + label + "\"";
    if (!description.empty())
        xml += " description=\"" + description + "\"";
    xml += ">";
    for (const Names& in : inputs)
        xml += "<presetinput identifier=\"" + in.at(0) + "\" uid=\"" + in.at(1) + "\" type=\"" + in.at(2) + "\" " +
               (in.at(2) == "5" ? "filepath" : "value") + "=\"" + in.at(3) + "\"/>";
    return xml + "</sbspreset>";
}

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

bool writeFile(const QString& path, const std::string& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
}

std::string readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

/// Collects Qt's debug messages while alive.
struct DebugCapture
{
    static Names& messages()
    {
        static Names list;
        return list;
    }
    DebugCapture() { messages().clear(); }
    ~DebugCapture() { qInstallMessageHandler(previous); }
    QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& s) {
        if (type == QtDebugMsg)
            messages().push_back(s.toStdString());
    });
};

class PresetFileTest : public oxHostTest
{
protected:
    void SetUp() override
    {
        oxHostTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        material = hold(USubstanceMaterial::create());
    }

    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }

    std::shared_ptr<QSubstanceArchive> archive()
    {
        bool created = false;
        return oxSubstanceArchiveFactory::instance().getMaterialArchive(material->getId(), created);
    }

    bool loadArchive(const QString& file)
    {
        QSubstanceBinaryDiskReader reader(file, nullptr);
        const bool loaded = archive()->import(reader);
        oxStandIn::clearLogMessages();
        oxStandIn::clearEditLog();
        return loaded;
    }

    /// Loads an archive with the graphs "pkg://materials/wood" and "a//b//c", or a broken one.
    void loadGraphs(bool broken = false)
    {
        std::string xml = "<sbsar formatversion=\"1\">\n";
        for (const char* url : {"pkg://materials/wood", "a//b//c"})
            xml += std::string(" <graph label=\"") + url + "\" pkgurl=\"" + url +
                   "\"><input identifier=\"r\" label=\"R\" type=\"float\" default=\"0.5\"/></graph>\n";
        ASSERT_TRUE(writeFile(path("graphs.sbsar"), broken ? "<sbsar>" : xml + "</sbsar>\n"));
        ASSERT_EQ(loadArchive(path("graphs.sbsar")), !broken);
    }

    /// Loads a sample archive; with \p withPresets the material gets the archive's presets, as after a load.
    void loadSample(const std::string& file, bool withPresets = true)
    {
        ASSERT_TRUE(loadArchive(QString::fromStdString(samplePath(file))));
        for (const auto& p : archive()->presets())
            if (withPresets)
                material->addPreset(p.first.toStdString(), p.second.toStdString(), "");
        oxStandIn::clearEditLog();
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

    template <class List>
    static Names namesOf(const List& presets)
    {
        Names names;
        for (const SubstancePresetPtr& p : presets)
            names.push_back(p->getName());
        return names;
    }

    Names slotNames() const { return namesOf(material->getSubstancePresets()); }

    QTemporaryDir dir;
    USubstanceMaterialPtr material;
};

// ---------------------------------------------------------------- reading preset lists

TEST_F(PresetFileTest, OnlyTheKeysAfterTheLastDoubleSlashAreCompared)
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

TEST_F(PresetFileTest, NothingWithoutALoadedArchiveOrFromAnUnreadableText)
{
    const std::string xml = listXml({presetXml("", "A"), presetXml("pkg://materials/wood", "B")});
    EXPECT_TRUE(parse(xml, true, false).empty());
    loadGraphs(true);
    EXPECT_TRUE(parse(xml, true, false).empty());
    loadGraphs();
    for (const char* text : {"", "<sbspresets>", "<sbspresets count=\"2\"></sbspresets>", "<sbspreset/>"})
        EXPECT_TRUE(parse(text, true, false).empty()) << text;
    EXPECT_TRUE(logLines().empty());
}

TEST_F(PresetFileTest, DuplicatesIgnoreUidAndTypeButCompareTheRest)
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
        {presetXml("pkg://materials/wood", "Oak", {{"t", "1", "0", "0.25"}, {"r", "2", "5", "a.png"}}, "desc"), false},
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

    // A preset held in the writer's own form is compared the same way.
    SubstanceAir::Preset pine;
    pine.packageUrl = "pkg://materials/wood";
    pine.label = "Pine";
    pine.inputValues.push_back({1, "r", 0, "0.5"});
    material->addPreset("Pine", oxSubstanceUtils::getContent(pine), "");
    oxStandIn::clearLogMessages();
    EXPECT_TRUE(parse(listXml({presetXml("pkg://materials/wood", "Pine", {{"r", "7", "4", "0.5"}})}), true, true).empty());
    EXPECT_EQ(logLines(), Names{duplicate("Pine")});

    // Records are compared with the material's presets only, not with each other.
    oxStandIn::clearLogMessages();
    const std::string twin = presetXml("", "Twin");
    EXPECT_EQ(parse(listXml({twin, twin}), false, true).size(), 2u);
    EXPECT_TRUE(logLines().empty());
}

TEST_F(PresetFileTest, WarningsPrintTheLabelUnchanged)
{
    loadGraphs();
    for (const char* label : {"%s %d %n", "100%", "%1 and %2"})
    {
        SCOPED_TRACE(label);
        oxStandIn::clearLogMessages();
        material->addPreset("dup", presetXml("", label), "");
        EXPECT_TRUE(parse(listXml({presetXml("pkg://x/other", label), presetXml("", label)}), false, true).empty());
        EXPECT_EQ(logLines(), (Names{noGraph(label), duplicate(label)}));
    }
}

TEST_F(PresetFileTest, NewPresetsCarryLabelContentAndSourceAndAreNotAdded)
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

// ---------------------------------------------------------------- files

/// Slots for the export cases: readable, null, readable, unreadable, readable.
void addExportSlots(const USubstanceMaterialPtr& m)
{
    const std::vector<Names> inputs = {{"r", "1", "0", "0.25"}, {"t", "2", "5", "C:/a b.png"}};
    m->addPreset("First", presetXml("pkg://m/wood", "Old", inputs, "d"), "");
    m->addPreset(SubstancePresetPtr());
    m->addPreset("Third & <co>", presetXml("pkg://m/metal", "x", {{"c", "7", "3", "1,0,0,1"}}), "");
    m->addPreset("Broken", "not a preset", "");
    m->addPreset("50%s %d", presetXml("", "e"), "");
}

// Each readable slot exports under its name, without description.
const std::string Element0 = " <sbspreset pkgurl=\"pkg://m/wood\" label=\"First\" >\n"
                             "  <presetinput identifier=\"r\" uid=\"1\" type=\"0\" value=\"0.25\" />\n"
                             "  <presetinput identifier=\"t\" uid=\"2\" type=\"5\" filepath=\"C:/a b.png\" />\n"
                             " </sbspreset>\n";
const std::string Element2 = " <sbspreset pkgurl=\"pkg://m/metal\" label=\"Third &amp; &lt;co&gt;\" >\n"
                             "  <presetinput identifier=\"c\" uid=\"7\" type=\"3\" value=\"1,0,0,1\" />\n"
                             " </sbspreset>\n";
const std::string Element4 = " <sbspreset pkgurl=\"\" label=\"50%s %d\" >\n </sbspreset>\n";

TEST_F(PresetFileTest, ExportWritesChosenPresetsInOrderAndCountsEveryIndex)
{
    addExportSlots(material);
    const std::pair<std::vector<unsigned int>, std::string> cases[] = {
        {{2, 0}, Element2 + Element0}, {{4, 1, 3, 0}, Element4 + Element0}, {{1}, ""}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(::testing::PrintToString(c.first));
        ASSERT_TRUE(oxSubstancePresetUtils::exportPresets(material, c.first, path("out.sbsprs")));
        EXPECT_EQ(readFile(path("out.sbsprs")), header(c.first.size()) + c.second + Footer);
    }

    const SubstancePresetPtr first = material->getSubstancePresets()[0];
    {
        osgEdit edit(first, SubstancePresetBase::NameFieldMask);
        first->setName("Renamed \"one\"");
    }
    ASSERT_TRUE(oxSubstancePresetUtils::exportPresets(material, {0}, path("out.sbsprs")));
    std::string renamed = Element0;
    renamed.replace(renamed.find("First"), 5, "Renamed &quot;one&quot;");
    EXPECT_EQ(readFile(path("out.sbsprs")), header(1) + renamed + Footer);
    EXPECT_TRUE(logLines().empty());
}

TEST_F(PresetFileTest, ExportRefusesBadArgumentsAndReportsAnUnwritablePath)
{
    addExportSlots(material);
    DebugCapture debug;
    EXPECT_FALSE(oxSubstancePresetUtils::exportPresets(USubstanceMaterialPtr(), {0}, path("a.sbsprs")));
    EXPECT_FALSE(oxSubstancePresetUtils::exportPresets(material, {}, path("a.sbsprs")));
    EXPECT_FALSE(oxSubstancePresetUtils::exportPresets(material, {0, 2, 0}, path("a.sbsprs")));
    EXPECT_FALSE(oxSubstancePresetUtils::exportPresets(material, {0, 5}, path("a.sbsprs")));
    EXPECT_FALSE(oxSubstancePresetUtils::exportPresets(material, {0}, QString()));
    EXPECT_TRUE(DebugCapture::messages().empty()) << "refusals are not write failures";

    for (const QString& file : {path("missing-dir/out.sbsprs"), dir.path()})
    {
        DebugCapture::messages().clear();
        EXPECT_FALSE(oxSubstancePresetUtils::exportPresets(material, {0}, file));
        EXPECT_EQ(DebugCapture::messages(), Names{"Can't save \"" + file.toStdString() + "\""});
    }
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

// A pipe, a socket or a folder at the target stays what it was; a link to a
// regular file stays a link, and its file gets the presets.
TEST_F(PresetFileTest, ExportReplacesOnlyARegularFile)
{
    addExportSlots(material);
    ASSERT_EQ(mkfifo(path("pipe").toLocal8Bit().constData(), 0600), 0);
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = path("socket").toLocal8Bit();
    ASSERT_LT(std::size_t(socketPath.size()), sizeof(address.sun_path));
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.sbsprs"));
    DebugCapture debug;
    for (const char* name : {"pipe", "socket", "folder.sbsprs"})
    {
        SCOPED_TRACE(name);
        DebugCapture::messages().clear();
        EXPECT_FALSE(oxSubstancePresetUtils::exportPresets(material, {0}, path(name)));
        EXPECT_EQ(DebugCapture::messages(), Names{"Can't save \"" + path(name).toStdString() + "\""});
        struct stat status{};
        ASSERT_EQ(lstat(path(name).toLocal8Bit().constData(), &status), 0);
        EXPECT_FALSE(S_ISREG(status.st_mode));
    }
    close(sock);

    ASSERT_TRUE(writeFile(path("file.sbsprs"), "old"));
    ASSERT_TRUE(QFile::link(path("file.sbsprs"), path("link.sbsprs")));
    ASSERT_TRUE(oxSubstancePresetUtils::exportPresets(material, {2}, path("link.sbsprs")));
    EXPECT_TRUE(QFileInfo(path("link.sbsprs")).isSymLink());
    EXPECT_EQ(readFile(path("file.sbsprs")), header(1) + Element2 + Footer);
}

TEST_F(PresetFileTest, AnExportThatFailsHalfWayLeavesTheFileItWasToReplace)
{
    loadSample("materials.sbsar");
    const std::string old = "<sbspresets><sbspreset label=\"Old\"/></sbspresets>\n";
    ASSERT_TRUE(writeFile(path("kept.sbsprs"), old));

    // A child process whose files cannot grow beyond 100 bytes: the export
    // runs out of room half-way, as on a full disk.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        const bool limited = setrlimit(RLIMIT_FSIZE, &limit) == 0;
        const bool written = oxSubstancePresetUtils::exportPresets(material, {0, 1}, path("kept.sbsprs"));
        _exit(!limited ? 2 : written ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "the export reports its failure";
    EXPECT_EQ(readFile(path("kept.sbsprs")), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.sbsprs"})
        << "nothing left beside it";

    ASSERT_TRUE(oxSubstancePresetUtils::exportPresets(material, {0, 1}, path("kept.sbsprs")));
    EXPECT_GT(readFile(path("kept.sbsprs")).size(), 100u) << "without the limit the file is replaced";
}

TEST_F(PresetFileTest, SampleArchivePresetsSurviveExportAndImport)
{
    loadSample("materials.sbsar");
    const std::vector<unsigned int> indexes = {1, 0};
    ASSERT_TRUE(oxSubstancePresetUtils::exportPresets(material, indexes, path("round trip.sbsprs")));
    const std::vector<SubstancePresetPtr> imported =
        oxSubstancePresetUtils::importPresets(material, {path("round trip.sbsprs")}, false, false);
    ASSERT_EQ(imported.size(), 2u);
    for (std::size_t i = 0; i < imported.size(); ++i)
    {
        hold(imported[i]);
        const SubstancePresetPtr& original = material->getSubstancePresets()[indexes[i]];
        EXPECT_EQ(imported[i]->getName(), original->getName());
        EXPECT_EQ(imported[i]->getContent(), original->getContent());
        EXPECT_EQ(imported[i]->getSourcePath(), path("round trip.sbsprs").toStdString());
    }
    EXPECT_TRUE(logLines().empty());
}

TEST_F(PresetFileTest, ImportReadsPresetFilesInPathOrderAndSaysWhyOthersAreSkipped)
{
    loadSample("materials.sbsar");
    ASSERT_TRUE(writeFile(path("single.sbsprs"), "<sbspreset pkgurl=\"\" label=\"Single\"/>"));
    ASSERT_TRUE(writeFile(path("broken.sbsprs"), "<sbspresets><sbspreset label=\"Broken\">"));
    const QString materials = QString::fromStdString(samplePath("materials.sbsprs"));
    const QString multigraph = QString::fromStdString(samplePath("multigraph.sbsprs"));
    const QString archive = QString::fromStdString(samplePath("materials.sbsar"));
    const QStringList paths = {multigraph, archive, path("missing.sbsprs"), path("single.sbsprs"),
                               path("broken.sbsprs"), dir.path(), materials};
    const std::vector<SubstancePresetPtr> presets =
        oxSubstancePresetUtils::importPresets(material, paths, false, true);
    for (const SubstancePresetPtr& p : presets)
        hold(p);
    EXPECT_EQ(namesOf(presets), (Names{"Light Oak", "Weathered Pine"})) << "the second Light Oak has other inputs";
    EXPECT_EQ(presets.at(0)->getSourcePath(), multigraph.toStdString());
    EXPECT_EQ(presets.at(1)->getSourcePath(), materials.toStdString());
    auto notPresets = [](const QString& file, const std::string& why) {
        return "warning: Skipped '" + file.toStdString() + "'. It is not a preset file: " + why + ".\n";
    };
    auto unreadable = [](const QString& file, const std::string& why) {
        return Names{"warning: Unable to read preset file '" + file.toStdString() + "': " + why + ".",
                     "warning: Skipped '" + file.toStdString() + "'. The file cannot be read.\n"};
    };
    Names expected{noGraph("Kitchen"), noGraph("Smooth Concrete"), notPresets(archive, "no <sbspresets> element at the top")};
    for (const std::string& line : unreadable(path("missing.sbsprs"), "the file does not exist"))
        expected.push_back(line);
    expected.push_back(notPresets(path("single.sbsprs"), "no <sbspresets> element at the top"));
    expected.push_back(notPresets(path("broken.sbsprs"), "not well-formed XML (Error reading Element value.)"));
    for (const std::string& line : unreadable(dir.path(), "the file is not a regular file"))
        expected.push_back(line);
    expected.push_back(duplicate("Light Oak"));
    expected.push_back(noGraph("Brushed Steel"));
    EXPECT_EQ(logLines(), expected);
    EXPECT_EQ(material->getSubstancePresets().size(), 2u) << "import adds nothing";
}

TEST_F(PresetFileTest, SingleByteTextsAreTheSamePresetFilesForTheCheckAndTheReaders)
{
    loadSample("materials.sbsar", false);
    const std::string element = "<sbspresets><sbspreset pkgurl=\"pkg://materials/wood\" label=\"Caf\xE9\">"
                                "<presetinput identifier=\"notes\" uid=\"1\" type=\"6\" value=\"cr\xE8me\"/>"
                                "</sbspreset></sbspresets>";
    const std::pair<const char*, std::string> cases[] = {
        {"declared Latin-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + element},
        {"no declaration", element},
    };
    for (const auto& [name, text] : cases)
    {
        SCOPED_TRACE(name);
        ASSERT_TRUE(writeFile(path("latin1.sbsprs"), text));
        EXPECT_TRUE(QSubstanceFile(path("latin1.sbsprs")).arePresets());
        const std::vector<SubstancePresetPtr> presets =
            oxSubstancePresetUtils::importPresets(material, {path("latin1.sbsprs")}, false, true);
        ASSERT_EQ(presets.size(), 1u);
        hold(presets[0]);
        EXPECT_EQ(presets[0]->getName(), "Caf\xE9");
        SubstanceAir::Preset record;
        ASSERT_TRUE(SubstanceAir::parsePreset(record, presets[0]->getContent().c_str()));
        ASSERT_EQ(record.inputValues.size(), 1u);
        EXPECT_EQ(record.inputValues[0].value, "cr\xE8me");
    }
    EXPECT_TRUE(logLines().empty());
}

TEST_F(PresetFileTest, AddByPathExpandsThePathAndSkipsDuplicatesAndOtherGraphs)
{
    loadSample("materials.sbsar");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(samplePath("materials.sbsprs")), path("my presets.sbsprs")));
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(dir.path()));
    oxSubstancePresetUtils::addPresets(material, "~/my presets.sbsprs");
    qputenv("HOME", home);

    ASSERT_EQ(slotNames(), (Names{"Light Oak", "Dark Walnut", "Weathered Pine"}));
    EXPECT_EQ(logLines(), (Names{duplicate("Light Oak"), noGraph("Brushed Steel")}));
    const SubstancePresetPtr added = material->getSubstancePresets()[2];
    EXPECT_EQ(added->getRefCount(), 1) << "held by the material only";
    EXPECT_EQ(added->getSourcePath(), path("my presets.sbsprs").toStdString());
}

TEST_F(PresetFileTest, AddByPathReadsAnExistingPathAsGiven)
{
    loadSample("materials.sbsar");
    ASSERT_TRUE(QDir(dir.path()).mkdir("cost$HOME"));
    const QString file = path("cost$HOME/presets.sbsprs");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(samplePath("materials.sbsprs")), file));
    oxSubstancePresetUtils::addPresets(material, file.toStdString());
    EXPECT_EQ(slotNames(), (Names{"Light Oak", "Dark Walnut", "Weathered Pine"}));
}

TEST_F(PresetFileTest, LegacyTextIsKeptUntilAnArchiveTurnsItIntoPresets)
{
    const std::string text = readFile(QString::fromStdString(samplePath("materials.sbsprs")));
    auto setLegacy = [this](const std::string& legacy) {
        osgEdit edit(material, USubstanceMaterialBase::PresetsFieldMask);
        material->setPresets(legacy);
    };
    setLegacy(text);
    oxStandIn::clearEditLog();
    oxSubstancePresetUtils::convertLegayPresets(material);
    EXPECT_EQ(material->getPresets(), text) << "no archive yet";
    EXPECT_TRUE(material->getSubstancePresets().empty());
    EXPECT_TRUE(bracketsOn(material->getId()).empty());

    loadSample("materials.sbsar", false);
    material->addPreset("Keep", "<sbspreset label=\"Keep\"/>", "");
    setLegacy("<sbspresets>");
    oxSubstancePresetUtils::convertLegayPresets(material);
    EXPECT_EQ(material->getPresets(), "<sbspresets>") << "a text that does not read is kept";

    setLegacy(text);
    oxStandIn::clearEditLog();
    oxSubstancePresetUtils::convertLegayPresets(material);
    EXPECT_EQ(material->getPresets(), "");
    EXPECT_EQ(slotNames(), (Names{"Keep", "Weathered Pine", "Light Oak", "Brushed Steel"}));
    int clears = 0;
    for (const oxStandIn::EditRecord& r : bracketsOn(material->getId()))
        if (r.mask & USubstanceMaterialBase::PresetsFieldMask)
            clears += r.mask == USubstanceMaterialBase::PresetsFieldMask ? 1 : 100;
    EXPECT_EQ(clears, 1) << "one bracket over the legacy text alone";
    for (const SubstancePresetPtr& p : material->getSubstancePresets())
        EXPECT_EQ(p->getRefCount(), 1);
    EXPECT_TRUE(logLines().empty());
}

} // namespace
