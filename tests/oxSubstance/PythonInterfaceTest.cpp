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

/// A host material of a kind that has nothing to do with Substance.
class PlainMaterial : public Material
{
public:
    PlainMaterial() = default;
};

std::string absolute(const std::string& path)
{
    return QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString();
}

std::vector<std::string> presetNames(const USubstanceMaterialPtr& m)
{
    std::vector<std::string> names;
    for (const SubstancePresetPtr& p : m->getSubstancePresets())
        names.push_back(p->getName());
    return names;
}

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

class PythonInterfaceTest : public oxHostTest
{
protected:
    USubstanceMaterialPtr newMaterial()
    {
        const USubstanceMaterialPtr m = hold(USubstanceMaterial::create());
        osgEdit edit(m, MaterialBase::NameFieldMask);
        m->setName("Script Mat");
        return m;
    }

    /// A material whose archive is the Wood sample, copied without its preset file.
    USubstanceMaterialPtr woodMaterial()
    {
        const USubstanceMaterialPtr m = newMaterial();
        const QString copy = _dir.path() + "/wood.sbsar";
        QFile::copy(QString::fromStdString(samplePath("materials.sbsar")), copy);
        EXPECT_TRUE(Py::loadArchive(m, copy.toUtf8().constData()));
        oxStandIn::clearArchiveCalls();
        oxStandIn::clearEditLog();
        oxStandIn::clearLogMessages();
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

struct ResolutionCase
{
    const char* name;
    Kind kind;
    const char* sample;
    bool resolves;
};

void PrintTo(const ResolutionCase& c, std::ostream* os) { *os << c.name; }

class ResolutionTest : public PythonInterfaceTest, public ::testing::WithParamInterface<ResolutionCase>
{
protected:
    /// The material handed to the scripts, and the Substance material that it stands for.
    void make(Kind kind, MaterialPtr& material, USubstanceMaterialPtr& target)
    {
        switch (kind)
        {
        case Kind::Substance:
            target = newMaterial();
            material = target;
            break;
        case Kind::Environment:
        {
            const USubstanceEnvironmentMaterialPtr environment = hold(USubstanceEnvironmentMaterial::create());
            target = USubstanceMaterial::create();
            environment->setTextureGeneratorMaterial(target);
            material = environment;
            break;
        }
        case Kind::EnvironmentWithoutGenerator:
            material = hold(USubstanceEnvironmentMaterial::create());
            break;
        case Kind::OtherKind:
            material = hold(MaterialPtr(new PlainMaterial()));
            break;
        case Kind::Null:
            break;
        }
    }
};

TEST_P(ResolutionTest, FunctionsActOnTheResolvedMaterialOrDoNothing)
{
    const ResolutionCase& c = GetParam();
    MaterialPtr material;
    USubstanceMaterialPtr target;
    make(c.kind, material, target);
    const std::size_t live = oxStandIn::liveContainerCount();
    oxStandIn::clearEditLog();

    const std::string path = samplePath(c.sample);
    EXPECT_EQ(Py::loadArchive(material, path.c_str()), c.resolves);
    Py::loadPreset(material, samplePath("materials.sbsprs").c_str());
    Py::applyPresetByIndex(material, 0);
    Py::applyPresetWithDefaultOutputSizeByIndex(material, 0);
    Py::applyPresetByName(material, "Sunset");
    Py::applyPresetWithDefaultOutputSizeByName(material, "Light Oak");
    Py::updateMaterial(material);

    if (!c.resolves)
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
    EXPECT_EQ(Py::getPresets(material), presetNames(target));
    EXPECT_FALSE(Py::getPresets(material).empty());
    EXPECT_EQ(Py::getArchivePath(material), absolute(path));
    EXPECT_EQ(oxStandIn::archiveCallCount("applyPreset"), 3);
    EXPECT_EQ(oxStandIn::archiveCallCount("updateInputs"), 1);
    EXPECT_GE(target->getLastActivatedPreset(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ResolutionTest,
    ::testing::Values(ResolutionCase{"substance", Kind::Substance, "materials.sbsar", true},
                      ResolutionCase{"environment", Kind::Environment, "panorama.sbsar", true},
                      ResolutionCase{"environmentWithoutGenerator", Kind::EnvironmentWithoutGenerator,
                                     "panorama.sbsar", false},
                      ResolutionCase{"otherKind", Kind::OtherKind, "materials.sbsar", false},
                      ResolutionCase{"null", Kind::Null, "materials.sbsar", false}),
    [](const ::testing::TestParamInfo<ResolutionCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- loading

struct PathCase
{
    const char* name;
    const char* path; ///< "@" stands for the temporary folder
};

void PrintTo(const PathCase& c, std::ostream* os) { *os << c.name; }

class LoadPathTest : public PythonInterfaceTest, public ::testing::WithParamInterface<PathCase>
{
};

TEST_P(LoadPathTest, PathIsExpandedAndMadeAbsolute)
{
    QDir(_dir.path()).mkpath("sub");
    const QString file = _dir.path() + "/sub/wood.sbsar";
    ASSERT_TRUE(QFile::copy(QString::fromStdString(samplePath("materials.sbsar")), file));
    EnvGuard folder("OX_SCRIPT_TEST_DIR", QFile::encodeName(_dir.path()));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(_dir.path()));

    const USubstanceMaterialPtr material = newMaterial();
    const std::string path = QString(GetParam().path).replace("@", _dir.path()).toStdString();
    const bool loaded = Py::loadArchive(material, path.c_str());
    const std::string archivePath = Py::getArchivePath(material);
    QDir::setCurrent(previous);

    ASSERT_TRUE(loaded);
    EXPECT_EQ(archivePath, QFileInfo(file).absoluteFilePath().toStdString());
    EXPECT_EQ(material->getArchivePath(), archivePath);
}

INSTANTIATE_TEST_SUITE_P(Paths, LoadPathTest,
                         ::testing::Values(PathCase{"absolute", "@/sub/wood.sbsar"},
                                           PathCase{"relative", "sub/wood.sbsar"},
                                           PathCase{"variable", "$OX_SCRIPT_TEST_DIR/sub/wood.sbsar"},
                                           PathCase{"bracedVariable", "${OX_SCRIPT_TEST_DIR}/sub/wood.sbsar"}),
                         [](const ::testing::TestParamInfo<PathCase>& info) { return std::string(info.param.name); });

TEST_F(PythonInterfaceTest, MissingOrNoPathLoadsNothing)
{
    const USubstanceMaterialPtr material = newMaterial();
    EXPECT_FALSE(Py::loadArchive(material, nullptr));
    EXPECT_FALSE(Py::loadArchive(material, ""));
    EXPECT_FALSE(Py::loadArchive(material, (_dir.path() + "/none.sbsar").toUtf8().constData()));
    EXPECT_TRUE(material->getSubstanceGraphs().empty());
    EXPECT_EQ(Py::getArchivePath(material), "");
}

TEST_F(PythonInterfaceTest, ArchivePathOfAnEmptyArchiveIsEmpty)
{
    const USubstanceMaterialPtr material = newMaterial();
    EXPECT_EQ(Py::getArchivePath(material), "");
    EXPECT_TRUE(Py::getPresets(material).empty());
}

// ---------------------------------------------------------------- presets

TEST_F(PythonInterfaceTest, LoadPresetAddsNewPresetsOfTheMaterialsGraphs)
{
    const USubstanceMaterialPtr material = woodMaterial();
    ASSERT_EQ(Py::getPresets(material), (std::vector<std::string>{"Light Oak", "Dark Walnut"}));
    Py::loadPreset(material, samplePath("materials.sbsprs").c_str());
    EXPECT_EQ(Py::getPresets(material), (std::vector<std::string>{"Light Oak", "Dark Walnut", "Weathered Pine"}));
    EXPECT_EQ(logLines().size(), 2u) << "the duplicate and the preset of another graph";

    Py::loadPreset(material, nullptr);
    Py::loadPreset(material, (_dir.path() + "/none.sbsprs").toUtf8().constData());
    Py::loadPreset(material, samplePath("materials.sbsar").c_str());
    EXPECT_EQ(Py::getPresets(material).size(), 3u);
}

struct ApplyCase
{
    const char* name;
    std::function<void(const MaterialPtr&)> apply;
    int lastActivated;   ///< -1: nothing applied
    int outputSize;      ///< log2 width afterwards
};

void PrintTo(const ApplyCase& c, std::ostream* os) { *os << c.name; }

class ApplyPresetTest : public PythonInterfaceTest, public ::testing::WithParamInterface<ApplyCase>
{
};

TEST_P(ApplyPresetTest, IndexOrNameSelectsThePreset)
{
    const ApplyCase& c = GetParam();
    const USubstanceMaterialPtr material = woodMaterial();
    Py::loadPreset(material, samplePath("materials.sbsprs").c_str());
    oxStandIn::clearArchiveCalls();
    oxStandIn::clearEditLog();
    const QVariant roughness = read(material, "roughness");

    c.apply(material);

    EXPECT_EQ(material->getLastActivatedPreset(), c.lastActivated);
    EXPECT_EQ(read(material, "$outputsize").value<QOXIntVector3D>().getX(), c.outputSize);
    if (c.lastActivated < 0)
    {
        EXPECT_EQ(oxStandIn::archiveCallCount("applyPreset"), 0);
        EXPECT_TRUE(oxStandIn::editLog().empty());
        EXPECT_EQ(read(material, "roughness"), roughness);
    }
    else
    {
        EXPECT_EQ(oxStandIn::archiveCallCount("applyPreset"), 1);
        EXPECT_NE(read(material, "roughness"), roughness);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplyPresetTest,
    ::testing::Values(
        ApplyCase{"byIndex", [](const MaterialPtr& m) { Py::applyPresetByIndex(m, 1); }, 1, 10},
        ApplyCase{"byIndexDefaultSize",
                  [](const MaterialPtr& m) { Py::applyPresetWithDefaultOutputSizeByIndex(m, 1); }, 1, 9},
        ApplyCase{"byName", [](const MaterialPtr& m) { Py::applyPresetByName(m, "Dark Walnut"); }, 1, 10},
        ApplyCase{"byNameDefaultSize",
                  [](const MaterialPtr& m) { Py::applyPresetWithDefaultOutputSizeByName(m, "Dark Walnut"); }, 1, 9},
        ApplyCase{"byNameFromThePresetFile",
                  [](const MaterialPtr& m) { Py::applyPresetByName(m, "Weathered Pine"); }, 2, 9},
        ApplyCase{"negativeIndex", [](const MaterialPtr& m) { Py::applyPresetByIndex(m, -1); }, -1, 9},
        ApplyCase{"indexPastTheEnd", [](const MaterialPtr& m) { Py::applyPresetByIndex(m, 3); }, -1, 9},
        ApplyCase{"unknownName", [](const MaterialPtr& m) { Py::applyPresetByName(m, "Mahogany"); }, -1, 9},
        ApplyCase{"nameDiffersInCase", [](const MaterialPtr& m) { Py::applyPresetByName(m, "dark walnut"); }, -1, 9},
        ApplyCase{"emptyName",
                  [](const MaterialPtr& m) { Py::applyPresetWithDefaultOutputSizeByName(m, ""); }, -1, 9}),
    [](const ::testing::TestParamInfo<ApplyCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- re-rendering

TEST_F(PythonInterfaceTest, UpdateMaterialWithAnEmptyArchiveNeitherUpdatesNorRenders)
{
    const USubstanceMaterialPtr material = newMaterial();
    oxStandIn::clearEditLog();
    Py::updateMaterial(material);
    EXPECT_EQ(oxStandIn::archiveCallCount("updateInputs"), 0);
    EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 0);
    EXPECT_TRUE(oxStandIn::editLog().empty());
}

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
    EXPECT_EQ(oxStandIn::archiveCallCount("updateInputs"), 1);
    EXPECT_EQ(oxStandIn::archiveCallCount("renderTextures"), 1);
}

// ---------------------------------------------------------------- the singleton

TEST(PythonInterfaceSingleton, OneParentlessInstance)
{
    oxSubstancePythonInterface* instance = Py::getInstance();
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(Py::getInstance(), instance);
    EXPECT_EQ(instance->parent(), nullptr);
    EXPECT_EQ(instance->qt_metacast("oxSubstancePythonInterface"), instance);
    EXPECT_EQ(instance->qt_metacast("QObject"), instance);
    EXPECT_EQ(instance->qt_metacast("QSubstanceArchive"), nullptr);
    EXPECT_EQ(qobject_cast<oxSubstancePythonInterface*>(static_cast<QObject*>(instance)), instance);
    EXPECT_EQ(Py::tr("Substance"), QString("Substance"));
}

TEST(PythonInterfaceSingleton, MetaObjectCarriesTheClassNameOnly)
{
    const QMetaObject& mo = oxSubstancePythonInterface::staticMetaObject;
    EXPECT_STREQ(mo.className(), "oxSubstancePythonInterface");
    EXPECT_EQ(mo.superClass(), &QObject::staticMetaObject);
    EXPECT_EQ(Py::getInstance()->metaObject(), &mo);
    EXPECT_EQ(mo.methodCount(), mo.methodOffset()) << "no signals, slots or invokables";
    EXPECT_EQ(mo.propertyCount(), mo.propertyOffset());
    EXPECT_EQ(mo.enumeratorCount(), mo.enumeratorOffset());
    EXPECT_EQ(mo.classInfoCount(), mo.classInfoOffset());
    EXPECT_EQ(mo.constructorCount(), 0);
}

} // namespace
