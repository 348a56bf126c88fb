// Scripting entry points: material resolution, loading, presets, archive path
// and re-rendering.

#include "oxHostFixture.h"
#include "oxUndoChecker.h"

#include "host/Materials.h"
#include "host/QSubstanceArchive.h"
#include "oxSubstanceAttributeSync.h"
#include "oxSubstancePythonInterface.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

using Py = oxSubstancePythonInterface;
using Names = std::vector<std::string>;

/// A host material of a kind that has nothing to do with Substance.
class PlainMaterial : public Material
{
};

using PythonInterfaceTest = oxHostTest;

// "$HOME" in a folder name: expanding it would look elsewhere. (An environment material standing for its
// generator is loaded by the Python module's tests.)
TEST_F(PythonInterfaceTest, ArchivesLoadThroughPathsAsGivenOrExpandedAndUpdatesReachThem)
{
    const QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("cost$HOME"));
    const QString file = dir.path() + "/cost$HOME/wood.sbsar";
    ASSERT_TRUE(QFile::copy(QString::fromStdString(samplePath("materials.sbsar")), file));
    const USubstanceMaterialPtr m = hold(USubstanceMaterial::create());
    ASSERT_TRUE(Py::loadArchive(m, file.toUtf8().constData()));
    EXPECT_EQ(Py::getArchivePath(m), file.toStdString());
    ASSERT_TRUE(QFile::copy(file, dir.path() + "/wood.sbsar"));
    qputenv("OX_SCRIPT_TEST_DIR", QFile::encodeName(dir.path()));
    ASSERT_TRUE(Py::loadArchive(m, "${OX_SCRIPT_TEST_DIR}/wood.sbsar"));
    qunsetenv("OX_SCRIPT_TEST_DIR");
    EXPECT_EQ(Py::getArchivePath(m), (dir.path() + "/wood.sbsar").toStdString());

    ASSERT_TRUE(oxSubstanceAttributeSync().setOsgAttribute(m, "Wood", "roughness", QVariant(0.9f)));
    oxStandIn::clearArchiveCalls();
    Py::updateMaterial(m);
    EXPECT_EQ(archiveOf(m)->getActiveGraphValues().at("roughness").value, QVariant(0.9f));
    EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 1);
}

TEST_F(PythonInterfaceTest, UnresolvedMaterialsAndMaterialsWithoutArchiveAreLeftAlone)
{
    const MaterialPtr materials[] = {hold(USubstanceEnvironmentMaterial::create()), // no texture generator
                                     hold(MaterialPtr(new PlainMaterial())), MaterialPtr()};
    const std::size_t live = oxStandIn::liveContainerCount();
    for (const MaterialPtr& material : materials)
    {
        EXPECT_FALSE(Py::loadArchive(material, samplePath("materials.sbsar").c_str()));
        Py::loadPreset(material, samplePath("materials.sbsprs").c_str());
        Py::applyPresetByIndex(material, 0);
        Py::applyPresetWithDefaultOutputSizeByName(material, "Light Oak");
        Py::updateMaterial(material);
        EXPECT_TRUE(Py::getPresets(material).empty());
        EXPECT_EQ(Py::getArchivePath(material), "");
    }
    EXPECT_TRUE(oxStandIn::archiveCalls().empty()) << "no archive was even looked up";
    EXPECT_EQ(oxStandIn::liveContainerCount(), live);
    EXPECT_TRUE(logLines().empty());

    // Null paths. (The Python module's tests update and list a material without archive.)
    const USubstanceMaterialPtr empty = hold(USubstanceMaterial::create());
    oxStandIn::clearEditLog();
    EXPECT_FALSE(Py::loadArchive(empty, nullptr));
    Py::loadPreset(empty, nullptr);
    EXPECT_TRUE(oxStandIn::editLog().empty());
}

TEST_F(PythonInterfaceTest, PresetsAreChosenByIndexOrExactName)
{
    const QTemporaryDir dir;
    QFile::copy(QString::fromStdString(samplePath("materials.sbsar")), dir.path() + "/wood.sbsar");
    // By index where the name is null; the preset applied (-1: none) and the output size afterwards.
    const struct { const char* name; int index; bool defaultSize; int lastActivated; const char* size; } cases[] = {
        {nullptr, 1, false, 1, "10 10 1"},       {nullptr, 1, true, 1, "9 9 1"},
        {"Dark Walnut", 0, true, 1, "9 9 1"},    {"Dark Walnut", 0, false, 1, "10 10 1"},
        {"Weathered Pine", 0, false, 2, "9 9 1"}, {nullptr, -1, false, -1, "9 9 1"},
        {"dark walnut", 0, false, -1, "9 9 1"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name ? c.name : std::to_string(c.index));
        const USubstanceMaterialPtr m = hold(USubstanceMaterial::create());
        ASSERT_TRUE(Py::loadArchive(m, (dir.path() + "/wood.sbsar").toUtf8().constData()));
        Py::loadPreset(m, samplePath("materials.sbsprs").c_str());
        ASSERT_EQ(Py::getPresets(m), (Names{"Light Oak", "Dark Walnut", "Weathered Pine"}));
        oxStandIn::clearArchiveCalls();
        const oxStateSnapshot before = oxMaterialState(m);
        if (!c.name)
            (c.defaultSize ? Py::applyPresetWithDefaultOutputSizeByIndex : Py::applyPresetByIndex)(m, c.index);
        else
            (c.defaultSize ? Py::applyPresetWithDefaultOutputSizeByName : Py::applyPresetByName)(m, c.name);
        oxStateSnapshot after = oxMaterialState(m);
        EXPECT_EQ(after["lastActivatedPreset"], std::to_string(c.lastActivated));
        EXPECT_EQ(after["Wood/$outputsize"], std::string("QOXIntVector3D QOXIntVector3D(") + c.size + ")");
        EXPECT_EQ(oxStandIn::archiveCallCount("applyPreset"), c.lastActivated < 0 ? 0 : 1);
        EXPECT_EQ(after["Wood/roughness"] == before.at("Wood/roughness"), c.lastActivated < 0);
        EXPECT_EQ(after == before, c.lastActivated < 0);
    }
}

} // namespace
