// Scripting entry points: material resolution, loading, presets, archive path,
// re-rendering, and the singleton's meta-object.

#include "oxHostFixture.h"

#include "host/Materials.h"
#include "host/QOXIntVector.h"
#include "host/QSubstanceArchive.h"
#include "oxSubstanceAttributeSync.h"
#include "oxSubstancePythonInterface.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QTemporaryDir>

#include <functional>
#include <string>
#include <vector>

namespace {

using Py = oxSubstancePythonInterface;
using Names = std::vector<std::string>;

/// A host material of a kind that has nothing to do with Substance.
class PlainMaterial : public Material
{
};

class PythonInterfaceTest : public oxHostTest
{
protected:
    USubstanceMaterialPtr newMaterial() { return hold(USubstanceMaterial::create()); }

    /// A material whose archive is the Wood sample, copied without its preset file.
    USubstanceMaterialPtr woodMaterial()
    {
        const USubstanceMaterialPtr m = newMaterial();
        const QString copy = _dir.path() + "/wood.sbsar";
        QFile::copy(QString::fromStdString(samplePath("materials.sbsar")), copy);
        EXPECT_TRUE(Py::loadArchive(m, copy.toUtf8().constData()));
        oxStandIn::clearArchiveCalls();
        oxStandIn::clearEditLog();
        return m;
    }

    QVariant read(const USubstanceMaterialPtr& m, const char* property)
    {
        QVariant v;
        oxSubstanceAttributeSync().getOsgAttribute(m, "Wood", property, v);
        return v;
    }

    QTemporaryDir _dir;
};

// ---------------------------------------------------------------- resolving the material

enum class Kind { Substance, Environment, EnvironmentWithoutGenerator, OtherKind, Null };

class ResolutionTest : public PythonInterfaceTest, public ::testing::WithParamInterface<Kind>
{
};

TEST_P(ResolutionTest, FunctionsActOnTheResolvedMaterialOrDoNothing)
{
    MaterialPtr material;
    USubstanceMaterialPtr target;
    const char* sample = "materials.sbsar";
    switch (GetParam())
    {
    case Kind::Substance:
        material = target = newMaterial();
        break;
    case Kind::Environment:
    case Kind::EnvironmentWithoutGenerator:
    {
        const USubstanceEnvironmentMaterialPtr environment = hold(USubstanceEnvironmentMaterial::create());
        if (GetParam() == Kind::Environment)
            environment->setTextureGeneratorMaterial(target = USubstanceMaterial::create());
        material = environment;
        sample = "panorama.sbsar";
        break;
    }
    case Kind::OtherKind:
        material = hold(MaterialPtr(new PlainMaterial()));
        break;
    case Kind::Null:
        break;
    }
    const std::size_t live = oxStandIn::liveContainerCount();
    oxStandIn::clearEditLog();

    const std::string path = samplePath(sample);
    EXPECT_EQ(Py::loadArchive(material, path.c_str()), !target.isNull());
    Py::loadPreset(material, samplePath("materials.sbsprs").c_str());
    Py::applyPresetByIndex(material, 0);
    Py::applyPresetWithDefaultOutputSizeByIndex(material, 0);
    Py::applyPresetByName(material, "Sunset");
    Py::applyPresetWithDefaultOutputSizeByName(material, "Light Oak");
    Py::updateMaterial(material);

    if (target.isNull())
    {
        EXPECT_TRUE(Py::getPresets(material).empty());
        EXPECT_EQ(Py::getArchivePath(material), "");
        EXPECT_TRUE(oxStandIn::archiveCalls().empty()) << "no archive was even looked up";
        EXPECT_TRUE(oxStandIn::editLog().empty());
        EXPECT_EQ(oxStandIn::liveContainerCount(), live);
        EXPECT_TRUE(logLines().empty());
        return;
    }
    EXPECT_FALSE(target->getSubstanceGraphs().empty());
    EXPECT_FALSE(Py::getPresets(material).empty());
    EXPECT_EQ(Py::getArchivePath(material), QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString());
    EXPECT_EQ(oxStandIn::archiveCallCount("applyPreset"), 3);
    EXPECT_EQ(oxStandIn::archiveCallCount("updateInputs"), 1);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ResolutionTest,
                         ::testing::Values(Kind::Substance, Kind::Environment, Kind::EnvironmentWithoutGenerator,
                                           Kind::OtherKind, Kind::Null));

// ---------------------------------------------------------------- loading

TEST_F(PythonInterfaceTest, PathIsExpandedAndMadeAbsolute)
{
    QDir(_dir.path()).mkpath("sub");
    const QString file = _dir.path() + "/sub/wood.sbsar";
    ASSERT_TRUE(QFile::copy(QString::fromStdString(samplePath("materials.sbsar")), file));
    qputenv("OX_SCRIPT_TEST_DIR", QFile::encodeName(_dir.path()));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(_dir.path()));
    for (const char* path : {"sub/wood.sbsar", "${OX_SCRIPT_TEST_DIR}/sub/wood.sbsar"})
    {
        SCOPED_TRACE(path);
        const USubstanceMaterialPtr material = newMaterial();
        EXPECT_TRUE(Py::loadArchive(material, path));
        EXPECT_EQ(Py::getArchivePath(material), QFileInfo(file).absoluteFilePath().toStdString());
    }
    QDir::setCurrent(previous);
    qunsetenv("OX_SCRIPT_TEST_DIR");
}

TEST_F(PythonInterfaceTest, WithoutAnArchiveNothingIsLoadedNorRendered)
{
    const USubstanceMaterialPtr material = newMaterial();
    EXPECT_FALSE(Py::loadArchive(material, nullptr));
    EXPECT_FALSE(Py::loadArchive(material, (_dir.path() + "/none.sbsar").toUtf8().constData()));
    Py::loadPreset(material, nullptr);
    EXPECT_EQ(Py::getArchivePath(material), "");
    EXPECT_TRUE(Py::getPresets(material).empty());
    oxStandIn::clearEditLog();
    Py::updateMaterial(material);
    EXPECT_EQ(oxStandIn::archiveCallCount("updateInputs"), 0);
    EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 0);
    EXPECT_TRUE(oxStandIn::editLog().empty());
}

// ---------------------------------------------------------------- presets and re-rendering

struct ApplyCase
{
    const char* name;
    std::function<void(const MaterialPtr&)> apply;
    int lastActivated; ///< -1: nothing applied
    int outputSize;    ///< log2 width afterwards
};

class ApplyPresetTest : public PythonInterfaceTest, public ::testing::WithParamInterface<ApplyCase>
{
};

TEST_P(ApplyPresetTest, IndexOrNameSelectsThePreset)
{
    const ApplyCase& c = GetParam();
    const USubstanceMaterialPtr material = woodMaterial();
    Py::loadPreset(material, samplePath("materials.sbsprs").c_str());
    ASSERT_EQ(Py::getPresets(material), (Names{"Light Oak", "Dark Walnut", "Weathered Pine"}));
    oxStandIn::clearArchiveCalls();
    const QVariant roughness = read(material, "roughness");

    c.apply(material);
    EXPECT_EQ(material->getLastActivatedPreset(), c.lastActivated);
    EXPECT_EQ(read(material, "$outputsize").value<QOXIntVector3D>().getX(), c.outputSize);
    EXPECT_EQ(oxStandIn::archiveCallCount("applyPreset"), c.lastActivated < 0 ? 0 : 1);
    EXPECT_EQ(read(material, "roughness") == roughness, c.lastActivated < 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplyPresetTest,
    ::testing::Values(
        ApplyCase{"byIndex", [](const MaterialPtr& m) { Py::applyPresetByIndex(m, 1); }, 1, 10},
        ApplyCase{"byNameDefaultSize",
                  [](const MaterialPtr& m) { Py::applyPresetWithDefaultOutputSizeByName(m, "Dark Walnut"); }, 1, 9},
        ApplyCase{"byNameFromThePresetFile",
                  [](const MaterialPtr& m) { Py::applyPresetByName(m, "Weathered Pine"); }, 2, 9},
        ApplyCase{"negativeIndex", [](const MaterialPtr& m) { Py::applyPresetByIndex(m, -1); }, -1, 9},
        ApplyCase{"unknownName", [](const MaterialPtr& m) { Py::applyPresetByName(m, "dark walnut"); }, -1, 9}),
    [](const ::testing::TestParamInfo<ApplyCase>& info) { return std::string(info.param.name); });

TEST_F(PythonInterfaceTest, UpdateMaterialHandsTheMaterialsValuesToTheArchiveAndRenders)
{
    const USubstanceMaterialPtr material = woodMaterial();
    ASSERT_TRUE(oxSubstanceAttributeSync().setOsgAttribute(material, "Wood", "roughness", QVariant(0.9f)));
    bool created = false;
    const std::shared_ptr<QSubstanceArchive> archive =
        oxSubstanceArchiveFactory::instance().getMaterialArchive(material->getId(), created);
    ASSERT_NE(archive->getActiveGraphValues().at("roughness").value, QVariant(0.9f));

    Py::updateMaterial(material);
    EXPECT_EQ(archive->getActiveGraphValues().at("roughness").value, QVariant(0.9f));
    EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 1);
}

// ---------------------------------------------------------------- the singleton

TEST(PythonInterfaceSingleton, OneParentlessInstanceWithAnEmptyMetaObject)
{
    oxSubstancePythonInterface* instance = Py::getInstance();
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(Py::getInstance(), instance);
    EXPECT_EQ(instance->parent(), nullptr);

    const QMetaObject& mo = oxSubstancePythonInterface::staticMetaObject;
    EXPECT_EQ(instance->metaObject(), &mo);
    EXPECT_STREQ(mo.className(), "oxSubstancePythonInterface");
    EXPECT_EQ(mo.superClass(), &QObject::staticMetaObject);
    EXPECT_EQ(mo.methodCount(), mo.methodOffset()) << "no signals, slots or invokables";
    EXPECT_EQ(mo.propertyCount(), mo.propertyOffset());
    EXPECT_EQ(mo.enumeratorCount(), mo.enumeratorOffset());
    EXPECT_EQ(mo.classInfoCount(), mo.classInfoOffset());
}

} // namespace
