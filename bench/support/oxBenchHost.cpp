#include "oxBenchHost.h"

#include "oxSubstancePythonInterface.h"

#include "host/QSubstanceArchive.h"
#include "oxStandInTesting.h"

namespace oxBench {

USubstanceMaterialPtr loadedMaterial(const std::string& archivePath)
{
    const USubstanceMaterialPtr material = USubstanceMaterial::create();
    osg::addRef(material);
    if (!oxSubstancePythonInterface::loadArchive(material, archivePath.c_str()))
    {
        releaseMaterial(material);
        return USubstanceMaterialPtr();
    }
    clearHostRecords();
    return material;
}

void releaseMaterial(const USubstanceMaterialPtr& material)
{
    if (material.isNull())
        return;
    const osg::UInt32 id = material->getId();
    osg::subRef(material);
    oxSubstanceArchiveFactory::instance().releaseMaterialArchive(id);
    clearHostRecords();
}

void timeLoads(benchmark::State& state, const std::string& archivePath)
{
    bool loaded = true;
    for (auto _ : state)
    {
        const USubstanceMaterialPtr material = loadedMaterial(archivePath);
        state.PauseTiming();
        loaded = loaded && !material.isNull();
        releaseMaterial(material);
        state.ResumeTiming();
    }
    if (!loaded)
        state.SkipWithError("the archive did not load");
}

void clearHostRecords()
{
    oxStandIn::clearEditLog();
    oxStandIn::clearLogMessages();
    oxStandIn::clearArchiveCalls();
}

} // namespace oxBench
