#include "oxSubstancePythonInterface.h"

#include "oxSubstanceArchiveLookup.h"
#include "oxSubstanceFilePath.h"
#include "oxSubstanceMaterialModifier.h"
#include "oxSubstancePresetUtils.h"

#include "host/QSubstanceArchive.h"

#include <QFileInfo>
#include <QString>

oxSubstancePythonInterface* oxSubstancePythonInterface::s_instance = nullptr;

oxSubstancePythonInterface::oxSubstancePythonInterface() : QObject(nullptr) {}

oxSubstancePythonInterface::~oxSubstancePythonInterface() = default;

oxSubstancePythonInterface* oxSubstancePythonInterface::getInstance()
{
    if (!s_instance)
        s_instance = new oxSubstancePythonInterface();
    return s_instance;
}

USubstanceMaterialPtr oxSubstancePythonInterface::getSubstanceMaterial(const MaterialPtr& material)
{
    const USubstanceMaterialPtr substance = USubstanceMaterialPtr::dcast(material);
    if (!substance.isNull())
        return substance;
    const USubstanceEnvironmentMaterialPtr environment = USubstanceEnvironmentMaterialPtr::dcast(material);
    if (!environment.isNull())
        return environment->getTextureGeneratorMaterial();
    return USubstanceMaterialPtr();
}

bool oxSubstancePythonInterface::loadArchive(const MaterialPtr& material, const char* path)
{
    const QFileInfo file(oxSubstanceExistingOrExpandedPath(path ? path : ""));
    USubstanceMaterialPtr substance = getSubstanceMaterial(material);
    if (substance.isNull())
        return false;
    oxSubstanceMaterialModifier modifier(substance);
    return modifier.initFromFile(file.absoluteFilePath());
}

void oxSubstancePythonInterface::loadPreset(const MaterialPtr& material, const char* path)
{
    const USubstanceMaterialPtr substance = getSubstanceMaterial(material);
    if (!substance.isNull() && path)
        oxSubstancePresetUtils::addPresets(substance, std::string(path));
}

void oxSubstancePythonInterface::applyPresetByIndex(const MaterialPtr& material, int index)
{
    applyPreset(material, index, false);
}

void oxSubstancePythonInterface::applyPresetWithDefaultOutputSizeByIndex(const MaterialPtr& material, int index)
{
    applyPreset(material, index, true);
}

void oxSubstancePythonInterface::applyPresetByName(const MaterialPtr& material, const std::string& name)
{
    applyPresetNamed(material, name, false);
}

void oxSubstancePythonInterface::applyPresetWithDefaultOutputSizeByName(const MaterialPtr& material,
                                                                       const std::string& name)
{
    applyPresetNamed(material, name, true);
}

std::vector<std::string> oxSubstancePythonInterface::getPresets(const MaterialPtr& material)
{
    const USubstanceMaterialPtr substance = getSubstanceMaterial(material);
    if (substance.isNull())
        return {};
    return oxSubstancePresetUtils::getPresetNames(substance);
}

std::string oxSubstancePythonInterface::getArchivePath(const MaterialPtr& material)
{
    const std::shared_ptr<QSubstanceArchive> archive =
        oxSubstanceArchiveLookup::loadedArchive(getSubstanceMaterial(material));
    return archive ? archive->path().toStdString() : std::string();
}

void oxSubstancePythonInterface::updateMaterial(const MaterialPtr& material)
{
    const USubstanceMaterialPtr substance = getSubstanceMaterial(material);
    const std::shared_ptr<QSubstanceArchive> archive = oxSubstanceArchiveLookup::loadedArchive(substance);
    if (!archive)
        return;
    archive->updateInputs(substance->getId());
    archive->renderTextures(substance->getId(), true, true);
}

void oxSubstancePythonInterface::applyPreset(const MaterialPtr& material, int index, bool defaultOutputSize)
{
    const USubstanceMaterialPtr substance = getSubstanceMaterial(material);
    if (!substance.isNull())
        substance->applyState(static_cast<unsigned>(index), defaultOutputSize);
}

void oxSubstancePythonInterface::applyPresetNamed(const MaterialPtr& material, const std::string& name,
                                                  bool defaultOutputSize)
{
    const USubstanceMaterialPtr substance = getSubstanceMaterial(material);
    unsigned int index = 0;
    if (!substance.isNull() && oxSubstancePresetUtils::getPresetIndex(substance, name, index))
        substance->applyState(index, defaultOutputSize);
}
