// Preset files: export of chosen presets, import and add by path, and the
// legacy preset text of old materials converted into presets.

#include "PresetTestHelpers.h"
#include "oxHostFixture.h"
#include "oxSubstancePresetUtils.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace presettest;

namespace {

using Names = std::vector<std::string>;

std::string header(int count)
{
    return "<sbspresets count=\"" + std::to_string(count) + "\" formatversion=\"1\">\n";
}
const std::string Footer = "</sbspresets>\n\n";

/// Collects Qt's debug messages while alive.
struct DebugCapture
{
    static std::vector<std::string>& messages()
    {
        static std::vector<std::string> list;
        return list;
    }
    DebugCapture() { messages().clear(); }
    ~DebugCapture() { qInstallMessageHandler(previous); }
    QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtDebugMsg)
            messages().push_back(text.toStdString());
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

    /// Loads a sample archive and gives the material the archive's presets, as after a load.
    void loadSample(const std::string& archive, bool withPresets = true)
    {
        ASSERT_TRUE(loadArchive(material, samplePath(archive)));
        for (const auto& p : archiveOf(material)->presets())
            if (withPresets)
                material->addPreset(p.first.toStdString(), p.second.toStdString(), "");
        oxStandIn::clearLogMessages();
        oxStandIn::clearEditLog();
    }

    /// Slots for the export cases: readable, null, readable, unreadable, readable.
    void addExportSlots()
    {
        material->addPreset("First", presetXml("pkg://m/wood", "Old", {{"r", "1", "0", "0.25"}, {"t", "2", "5", "C:/a b.png"}}, "d"), "");
        material->addPreset(SubstancePresetPtr());
        material->addPreset("Third & <co>", presetXml("pkg://m/metal", "x", {{"c", "7", "3", "1,0,0,1"}}), "");
        material->addPreset("Broken", "not a preset", "");
        material->addPreset("50%s %d", "<sbspreset pkgurl=\"\" label=\"e\"/>", "");
    }

    std::vector<std::string> slotNames() const { return namesOf(material->getSubstancePresets()); }

    QTemporaryDir dir;
    USubstanceMaterialPtr material;
};

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
    addExportSlots();
    const std::pair<std::vector<unsigned int>, std::string> cases[] = {
        {{2, 0}, Element2 + Element0}, {{4, 1, 3, 0}, Element4 + Element0}, {{1}, ""}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(::testing::PrintToString(c.first));
        ASSERT_TRUE(oxSubstancePresetUtils::exportPresets(material, c.first, path("out.sbsprs")));
        EXPECT_EQ(readFile(path("out.sbsprs")), header(int(c.first.size())) + c.second + Footer);
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
    addExportSlots();
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

TEST_F(PresetFileTest, ImportReadsPresetFilesInPathOrderAndSkipsOthersSilently)
{
    loadSample("materials.sbsar");
    ASSERT_TRUE(writeFile(path("single.sbsprs"), "<sbspreset pkgurl=\"\" label=\"Single\"/>"));
    ASSERT_TRUE(writeFile(path("broken.sbsprs"), "<sbspresets><sbspreset label=\"Broken\">"));
    const QString materials = QString::fromStdString(samplePath("materials.sbsprs"));
    const QString multigraph = QString::fromStdString(samplePath("multigraph.sbsprs"));
    const QStringList paths = {multigraph, QString::fromStdString(samplePath("materials.sbsar")),
                               path("missing.sbsprs"), path("single.sbsprs"), path("broken.sbsprs"),
                               dir.path(), materials};
    const std::vector<SubstancePresetPtr> presets =
        oxSubstancePresetUtils::importPresets(material, paths, false, true);
    for (const SubstancePresetPtr& p : presets)
        hold(p);
    EXPECT_EQ(namesOf(presets), (Names{"Light Oak", "Weathered Pine"})) << "the second Light Oak has other inputs";
    EXPECT_EQ(presets.at(0)->getSourcePath(), multigraph.toStdString());
    EXPECT_EQ(presets.at(1)->getSourcePath(), materials.toStdString());
    EXPECT_EQ(logLines(), (Names{"warning: Skipped preset 'Kitchen'. It does not match any graph of the material.\n",
                                 "warning: Skipped preset 'Smooth Concrete'. It does not match any graph of the material.\n",
                                 "warning: Skipped preset 'Light Oak'. Duplicate preset already exists in material.\n",
                                 "warning: Skipped preset 'Brushed Steel'. It does not match any graph of the material.\n"}));
    EXPECT_EQ(material->getSubstancePresets().size(), 2u) << "import adds nothing";
}

TEST_F(PresetFileTest, AddByPathExpandsThePathAndSkipsDuplicatesAndOtherGraphs)
{
    loadSample("materials.sbsar");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(samplePath("materials.sbsprs")), path("my presets.sbsprs")));
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(dir.path()));
    oxSubstancePresetUtils::addPresets(material, "~/my presets.sbsprs");
    qputenv("HOME", home);

    EXPECT_EQ(slotNames(), (Names{"Light Oak", "Dark Walnut", "Weathered Pine"}));
    EXPECT_EQ(logLines(), (Names{"warning: Skipped preset 'Light Oak'. Duplicate preset already exists in material.\n",
                                 "warning: Skipped preset 'Brushed Steel'. It does not match any graph of the material.\n"}));
    const SubstancePresetPtr added = material->getSubstancePresets()[2];
    EXPECT_EQ(added->getRefCount(), 1) << "held by the material only";
    EXPECT_EQ(added->getSourcePath(), path("my presets.sbsprs").toStdString());
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
