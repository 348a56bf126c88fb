// Fuzz target: the whole path from archive text to a material. The text is
// loaded as an archive file into a fresh material of the stand-in host; every
// preset is applied (keeping and resetting the output size), all presets are
// exported and imported back and applied again. Afterwards no edit bracket may
// be open, no field written outside one, and no container left alive.

#include "oxSubstancePresetUtils.h"
#include "oxSubstancePythonInterface.h"

#include "host/Materials.h"
#include "oxStandInTesting.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

[[noreturn]] void fail(const std::string& what)
{
    std::fprintf(stderr, "stand-in check failed: %s\n", what.c_str());
    std::abort();
}

/// A folder of this process for the archive and the exported preset file.
const QDir& workFolder()
{
    static const QDir folder = [] {
        QByteArray name = QDir::tempPath().toLocal8Bit() + "/oxMaterialLoadFuzz-XXXXXX";
        if (!mkdtemp(name.data()))
            fail("no temporary folder");
        return QDir(QString::fromLocal8Bit(name));
    }();
    return folder;
}

void applyAll(const USubstanceMaterialPtr& material)
{
    const int count = int(material->getSubstancePresets().size());
    for (int i = 0; i < count; ++i)
    {
        oxSubstancePythonInterface::applyPresetByIndex(material, i);
        oxSubstancePythonInterface::applyPresetWithDefaultOutputSizeByIndex(material, i);
    }
}

void exercise(const USubstanceMaterialPtr& material, const QString& archive, const QString& presets)
{
    if (!oxSubstancePythonInterface::loadArchive(material, archive.toUtf8().constData()))
        return;
    applyAll(material);
    std::vector<unsigned int> indexes(material->getSubstancePresets().size());
    for (std::size_t i = 0; i < indexes.size(); ++i)
        indexes[i] = unsigned(i);
    QFile::remove(presets);
    if (!indexes.empty())
    {
        if (!oxSubstancePresetUtils::exportPresets(material, indexes, presets))
            fail("the presets of a loaded archive could not be exported");
        oxSubstancePythonInterface::loadPreset(material, presets.toUtf8().constData());
        applyAll(material);
    }
    oxSubstancePythonInterface::updateMaterial(material);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString archive = workFolder().filePath("archive.sbsar");
    const QString presets = workFolder().filePath("presets.sbsprs");
    {
        QFile file(archive);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            fail("the archive file could not be written");
    }

    oxStandIn::reset();
    const std::size_t liveAtStart = oxStandIn::liveContainerCount();
    const USubstanceMaterialPtr material = USubstanceMaterial::create();
    osg::addRef(material);
    exercise(material, archive, presets);
    osg::subRef(material);

    if (oxStandIn::openEditCount() != 0)
        fail("an edit bracket was left open");
    for (const oxStandIn::EditViolation& v : oxStandIn::editViolations())
        fail(v.what + " on " + v.typeName);
    oxStandIn::reset();
    if (oxStandIn::liveContainerCount() != liveAtStart)
        fail("containers leaked: " + std::to_string(oxStandIn::liveContainerCount() - liveAtStart));
    return 0;
}
