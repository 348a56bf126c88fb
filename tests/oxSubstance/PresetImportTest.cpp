// Preset files imported and added by path, and the legacy preset text of old
// materials converted into presets.

#include "PresetTestHelpers.h"
#include "oxHostFixture.h"
#include "oxSubstancePresetUtils.h"

#include "host/Materials.h"
#include "host/QSubstanceArchive.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

using namespace presettest;

namespace {

const std::string NoGraph = "It does not match any graph of the material.\n";
const std::string Duplicate = "Duplicate preset already exists in material.\n";

std::string warning(const std::string& label, const std::string& reason)
{
    return "warning: Skipped preset '" + label + "'. " + reason;
}

/// Sets an environment variable for the life of the object.
class EnvGuard
{
public:
    EnvGuard(const char* name, const QByteArray& value) : _name(name), _had(qEnvironmentVariableIsSet(name))
    {
        _old = qgetenv(name);
        qputenv(name, value);
    }
    ~EnvGuard()
    {
        if (_had)
            qputenv(_name, _old);
        else
            qunsetenv(_name);
    }
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;

private:
    const char* _name;
    bool _had;
    QByteArray _old;
};

class PresetImportTest : public oxHostTest
{
protected:
    void SetUp() override
    {
        oxHostTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        material = hold(USubstanceMaterial::create());
    }

    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }

    /// Loads a sample archive; with \p ownPresets the material gets the archive's presets, as after a load.
    void loadSample(const std::string& archive, bool ownPresets)
    {
        ASSERT_TRUE(loadArchive(material, samplePath(archive)));
        if (ownPresets)
        {
            for (const auto& p : archiveOf(material)->presets())
                material->addPreset(p.first.toStdString(), p.second.toStdString(), "");
        }
        oxStandIn::clearLogMessages();
        oxStandIn::clearEditLog();
    }

    static std::vector<std::string> names(const std::vector<SubstancePresetPtr>& presets)
    {
        std::vector<std::string> list;
        for (const SubstancePresetPtr& p : presets)
            list.push_back(p->getName());
        return list;
    }

    std::vector<std::string> slotNames() const
    {
        return names(std::vector<SubstancePresetPtr>(material->getSubstancePresets().begin(),
                                                     material->getSubstancePresets().end()));
    }

    QTemporaryDir dir;
    USubstanceMaterialPtr material;
};

// ---------------------------------------------------------------- importPresets

struct ImportCase
{
    const char* what;
    bool acceptAnyGraph;
    bool skipDuplicates;
    bool ownPresets; ///< the material holds the archive's presets
    std::vector<std::string> names;
    std::vector<std::string> warnings;
};

void PrintTo(const ImportCase& c, std::ostream* os)
{
    *os << c.what;
}

class ImportCasesTest : public PresetImportTest, public ::testing::WithParamInterface<ImportCase>
{
};

TEST_P(ImportCasesTest, PresetFilesInPathOrderOthersSkippedSilently)
{
    loadSample("materials.sbsar", GetParam().ownPresets);
    const std::size_t slotCount = material->getSubstancePresets().size();
    ASSERT_TRUE(writeFile(path("notes.txt"), "hello"));
    ASSERT_TRUE(writeFile(path("single.sbsprs"), "<sbspreset pkgurl=\"\" label=\"Single\"/>"));
    ASSERT_TRUE(writeFile(path("broken.sbsprs"), "<sbspresets><sbspreset label=\"Broken\">"));

    const QString materials = QString::fromStdString(samplePath("materials.sbsprs"));
    const QString multigraph = QString::fromStdString(samplePath("multigraph.sbsprs"));
    const QStringList paths = {materials,
                               path("notes.txt"),
                               QString::fromStdString(samplePath("materials.sbsar")),
                               path("missing.sbsprs"),
                               path("single.sbsprs"),
                               path("broken.sbsprs"),
                               dir.path(),
                               QString(),
                               multigraph};
    const std::vector<SubstancePresetPtr> presets = oxSubstancePresetUtils::importPresets(
        material, paths, GetParam().acceptAnyGraph, GetParam().skipDuplicates);
    for (const SubstancePresetPtr& p : presets)
        hold(p);

    EXPECT_EQ(names(presets), GetParam().names);
    std::vector<std::string> expectedWarnings;
    for (const std::string& w : GetParam().warnings)
        expectedWarnings.push_back("warning: " + w);
    EXPECT_EQ(logLines(), expectedWarnings);
    EXPECT_EQ(material->getSubstancePresets().size(), slotCount) << "import adds nothing";

    for (const SubstancePresetPtr& p : presets)
    {
        const bool fromMultigraph = p->getName() == "Smooth Concrete" || p->getName() == "Kitchen" ||
                                    (p == presets.back() && p->getName() == "Light Oak");
        EXPECT_EQ(p->getSourcePath(), (fromMultigraph ? multigraph : materials).toStdString()) << p->getName();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Flags, ImportCasesTest,
    ::testing::Values(
        ImportCase{"any graph, all",
                   true,
                   false,
                   true,
                   {"Weathered Pine", "Light Oak", "Brushed Steel", "Kitchen", "Smooth Concrete", "Light Oak"},
                   {}},
        ImportCase{"any graph, no duplicates",
                   true,
                   true,
                   true,
                   {"Weathered Pine", "Brushed Steel", "Kitchen", "Smooth Concrete", "Light Oak"},
                   {"Skipped preset 'Light Oak'. " + Duplicate}},
        ImportCase{"own graphs, no duplicates",
                   false,
                   true,
                   true,
                   {"Weathered Pine", "Light Oak"}, // the second "Light Oak" has other inputs
                   {"Skipped preset 'Light Oak'. " + Duplicate, "Skipped preset 'Brushed Steel'. " + NoGraph,
                    "Skipped preset 'Kitchen'. " + NoGraph, "Skipped preset 'Smooth Concrete'. " + NoGraph}},
        ImportCase{"own graphs, empty material",
                   false,
                   true,
                   false,
                   {"Weathered Pine", "Light Oak", "Light Oak"},
                   {"Skipped preset 'Brushed Steel'. " + NoGraph, "Skipped preset 'Kitchen'. " + NoGraph,
                    "Skipped preset 'Smooth Concrete'. " + NoGraph}}),
    [](const ::testing::TestParamInfo<ImportCase>& info) {
        std::string name = info.param.what;
        for (char& c : name)
            if (c == ' ' || c == ',')
                c = '_';
        return name;
    });

TEST_F(PresetImportTest, SameFileTwiceGivesItsPresetsTwice)
{
    loadSample("materials.sbsar", true);
    const QString file = QString::fromStdString(samplePath("materials.sbsprs"));
    const std::vector<SubstancePresetPtr> presets =
        oxSubstancePresetUtils::importPresets(material, {file, file}, false, true);
    for (const SubstancePresetPtr& p : presets)
        hold(p);
    EXPECT_EQ(names(presets), (std::vector<std::string>{"Weathered Pine", "Weathered Pine"}));
    ASSERT_EQ(presets.size(), 2u);
    EXPECT_NE(presets[0], presets[1]);
    EXPECT_EQ(presets[0]->getContent(), presets[1]->getContent());
}

TEST_F(PresetImportTest, ImportWithoutArchiveGivesNothing)
{
    const std::vector<SubstancePresetPtr> presets = oxSubstancePresetUtils::importPresets(
        material, {QString::fromStdString(samplePath("materials.sbsprs"))}, true, false);
    EXPECT_TRUE(presets.empty());
    EXPECT_TRUE(logLines().empty());
}

// ---------------------------------------------------------------- addPresets by path

TEST_F(PresetImportTest, AddingTheFileBesideTheArchiveSkipsDuplicatesAndOtherGraphs)
{
    loadSample("materials.sbsar", true);
    oxSubstancePresetUtils::addPresets(material, samplePath("materials.sbsprs"));
    EXPECT_EQ(slotNames(), (std::vector<std::string>{"Light Oak", "Dark Walnut", "Weathered Pine"}));
    EXPECT_EQ(logLines(), (std::vector<std::string>{warning("Light Oak", Duplicate), warning("Brushed Steel", NoGraph)}));
    const SubstancePresetPtr added = material->getSubstancePresets()[2];
    EXPECT_EQ(added->getRefCount(), 1) << "held by the material only";
    EXPECT_EQ(added->getSourcePath(), samplePath("materials.sbsprs"));

    // A second time every preset is a duplicate.
    oxStandIn::clearLogMessages();
    oxSubstancePresetUtils::addPresets(material, samplePath("materials.sbsprs"));
    EXPECT_EQ(material->getSubstancePresets().size(), 3u);
    EXPECT_EQ(logLines(), (std::vector<std::string>{warning("Weathered Pine", Duplicate),
                                                     warning("Light Oak", Duplicate), warning("Brushed Steel", NoGraph)}));
}

TEST_F(PresetImportTest, AddingToAMultiGraphMaterialKeepsPresetsOfEveryGraph)
{
    loadSample("multigraph.sbsar", true);
    oxSubstancePresetUtils::addPresets(material, samplePath("multigraph.sbsprs"));
    EXPECT_EQ(slotNames(), (std::vector<std::string>{"Old Brick", "Bathroom", "Kitchen", "Smooth Concrete"}));
    EXPECT_EQ(logLines(), (std::vector<std::string>{warning("Light Oak", NoGraph)}));
}

class AddByPathTest : public PresetImportTest, public ::testing::WithParamInterface<std::string>
{
};

TEST_P(AddByPathTest, PathIsExpandedBeforeReading)
{
    loadSample("materials.sbsar", false);
    const QString file = path("my presets.sbsprs");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(samplePath("materials.sbsprs")), file));
    EnvGuard home("HOME", QFile::encodeName(dir.path()));
    EnvGuard folder("OX_PRESET_TEST_DIR", QFile::encodeName(dir.path()));

    oxSubstancePresetUtils::addPresets(material, GetParam());
    EXPECT_EQ(slotNames(), (std::vector<std::string>{"Weathered Pine", "Light Oak"}));
    for (const SubstancePresetPtr& p : material->getSubstancePresets())
    {
        EXPECT_EQ(p->getSourcePath(), file.toStdString());
        EXPECT_EQ(p->getRefCount(), 1);
    }
    EXPECT_EQ(logLines(), (std::vector<std::string>{warning("Brushed Steel", NoGraph)}));
}

INSTANTIATE_TEST_SUITE_P(Paths, AddByPathTest,
                         ::testing::Values("~/my presets.sbsprs", "$OX_PRESET_TEST_DIR/my presets.sbsprs",
                                           "${OX_PRESET_TEST_DIR}/my presets.sbsprs"));

TEST_F(PresetImportTest, AddingAFileThatIsNotAPresetFileChangesNothing)
{
    loadSample("materials.sbsar", true);
    ASSERT_TRUE(writeFile(path("notes.sbsprs"), "<notes/>"));
    const std::vector<std::string> files = {path("notes.sbsprs").toStdString(), path("missing.sbsprs").toStdString(),
                                            samplePath("materials.sbsar"), ""};
    for (const std::string& file : files)
        oxSubstancePresetUtils::addPresets(material, file);
    EXPECT_EQ(slotNames(), (std::vector<std::string>{"Light Oak", "Dark Walnut"}));
    EXPECT_TRUE(logLines().empty());
    EXPECT_TRUE(bracketsOn(material->getId()).empty());
}

// ---------------------------------------------------------------- legacy text

enum class Archive { None, Failed, Loaded };

struct LegacyCase
{
    const char* what;
    Archive archive;
    std::string text;
    bool converts;
};

void PrintTo(const LegacyCase& c, std::ostream* os)
{
    *os << c.what;
}

class LegacyTest : public PresetImportTest, public ::testing::WithParamInterface<LegacyCase>
{
protected:
    void setLegacy(const std::string& text)
    {
        osgEdit edit(material, USubstanceMaterialBase::PresetsFieldMask);
        material->setPresets(text);
    }
};

std::string sampleText(const std::string& file)
{
    return readFile(QString::fromStdString(samplePath(file)));
}

TEST_P(LegacyTest, TextBecomesPresetsOrIsKept)
{
    if (GetParam().archive == Archive::Loaded)
        loadSample("materials.sbsar", false);
    if (GetParam().archive == Archive::Failed)
    {
        ASSERT_TRUE(writeFile(path("broken.sbsar"), "<sbsar><graph/></sbsar>"));
        EXPECT_FALSE(loadArchive(material, path("broken.sbsar").toStdString()));
    }
    material->addPreset("Keep", "<sbspreset label=\"Keep\"/>", "");
    setLegacy(GetParam().text);
    oxStandIn::clearEditLog();
    oxStandIn::clearLogMessages();

    oxSubstancePresetUtils::convertLegayPresets(material);

    EXPECT_TRUE(logLines().empty());
    if (GetParam().converts)
    {
        EXPECT_EQ(slotNames(), (std::vector<std::string>{"Keep", "Weathered Pine", "Light Oak", "Brushed Steel"}));
        EXPECT_EQ(material->getPresets(), "");
        std::size_t clears = 0;
        for (const oxStandIn::EditRecord& r : bracketsOn(material->getId()))
        {
            if (r.mask & USubstanceMaterialBase::PresetsFieldMask)
            {
                ++clears;
                EXPECT_EQ(r.mask, USubstanceMaterialBase::PresetsFieldMask);
                EXPECT_EQ(r.origin, 1u);
            }
        }
        EXPECT_EQ(clears, 1u);
        for (const SubstancePresetPtr& p : material->getSubstancePresets())
        {
            EXPECT_EQ(p->getRefCount(), 1);
            EXPECT_EQ(p->getSourcePath(), "");
        }
    }
    else
    {
        EXPECT_EQ(slotNames(), (std::vector<std::string>{"Keep"}));
        EXPECT_EQ(material->getPresets(), GetParam().text) << "the legacy text is not lost";
        EXPECT_TRUE(bracketsOn(material->getId()).empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    States, LegacyTest,
    ::testing::Values(LegacyCase{"loaded list", Archive::Loaded, sampleText("materials.sbsprs"), true},
                      LegacyCase{"loaded empty", Archive::Loaded, "", false},
                      LegacyCase{"loaded unreadable", Archive::Loaded, "<sbspresets>", false},
                      LegacyCase{"loaded no presets", Archive::Loaded, "<sbspresets count=\"0\"/>", false},
                      LegacyCase{"none list", Archive::None, sampleText("materials.sbsprs"), false},
                      LegacyCase{"none empty", Archive::None, "", false},
                      LegacyCase{"none unreadable", Archive::None, "garbage", false},
                      LegacyCase{"failed list", Archive::Failed, sampleText("materials.sbsprs"), false},
                      LegacyCase{"failed unreadable", Archive::Failed, "<x/>", false}),
    [](const ::testing::TestParamInfo<LegacyCase>& info) {
        std::string name = info.param.what;
        for (char& c : name)
            if (c == ' ')
                c = '_';
        return name;
    });

TEST_F(PresetImportTest, LegacyTextKeptWithoutArchiveIsConvertedOnceTheArchiveIsLoaded)
{
    const std::string text = sampleText("materials.sbsprs");
    {
        osgEdit edit(material, USubstanceMaterialBase::PresetsFieldMask);
        material->setPresets(text);
    }
    oxSubstancePresetUtils::convertLegayPresets(material);
    EXPECT_EQ(material->getPresets(), text);
    EXPECT_TRUE(material->getSubstancePresets().empty());

    loadSample("materials.sbsar", false);
    oxSubstancePresetUtils::convertLegayPresets(material);
    EXPECT_EQ(slotNames(), (std::vector<std::string>{"Weathered Pine", "Light Oak", "Brushed Steel"}));
    EXPECT_EQ(material->getPresets(), "");

    // Nothing left to convert.
    oxStandIn::clearEditLog();
    oxSubstancePresetUtils::convertLegayPresets(material);
    EXPECT_EQ(material->getSubstancePresets().size(), 3u);
    EXPECT_TRUE(bracketsOn(material->getId()).empty());
}

} // namespace
