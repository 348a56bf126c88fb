#include "oxHostSetup.h"

#include "oxStandInFiles.h"
#include "oxStandInTesting.h"

#include "oxSubstanceMaterialModifier.h"
#include "oxSubstancePythonInterface.h"

#include "host/OSGImage.h"

#include <memory>

void oxHostRenderer::materialUpdated(unsigned materialId)
{
    oxSubstanceRenderer::materialUpdated(materialId);
    emit updated(materialId);
}

oxHostSetup::oxHostSetup()
{
    oxSubstanceRenderer::setInstance(&_renderer);
}

oxHostSetup::~oxHostSetup()
{
    if (oxSubstanceRenderer::instance() == &_renderer)
        oxSubstanceRenderer::setInstance(nullptr);
}

MaterialPtr oxHostMaterial::target() const
{
    if (!environment.get().isNull())
        return environment.get();
    return substance.get();
}

void oxHostMaterial::create(const QString& name, bool inEnvironment)
{
    substance = USubstanceMaterial::create();
    {
        osgEdit edit(substance.get(), MaterialBase::NameFieldMask);
        substance.get()->setName(name.toStdString());
    }
    environment = USubstanceEnvironmentMaterialPtr();
    if (inEnvironment)
    {
        environment = USubstanceEnvironmentMaterial::create();
        environment.get()->setTextureGeneratorMaterial(substance.get());
    }
}

bool oxHostMaterial::load(const QString& path, const QString& name, bool inEnvironment)
{
    create(name, inEnvironment);
    return oxSubstancePythonInterface::loadArchive(target(), path.toUtf8().constData());
}

void oxSelectActiveGraph(const USubstanceMaterialPtr& material, int index)
{
    USubstanceMaterialPtr modified = material;
    oxSubstanceMaterialModifier(modified).updateActiveGraph(index);
    bool created = false;
    const std::shared_ptr<QSubstanceArchive> archive =
        oxSubstanceArchiveFactory::instance().getMaterialArchive(material->getId(), created);
    archive->setActiveGraphIndex(index);
}

QString oxPresetFileRefusal(const QString& path)
{
    const QString problem = oxStandIn::presetFileProblem(path);
    return problem.isEmpty() ? QString() : QString("'%1' is not a preset file: %2").arg(path, problem);
}

QString oxImageDataTypeName(int dataType)
{
    switch (dataType)
    {
    case osg::Image::OSG_UINT8_IMAGEDATA: return QStringLiteral("uint8");
    case osg::Image::OSG_UINT16_IMAGEDATA: return QStringLiteral("uint16");
    case osg::Image::OSG_UINT32_IMAGEDATA: return QStringLiteral("uint32");
    case osg::Image::OSG_FLOAT32_IMAGEDATA: return QStringLiteral("float32");
    default: return QStringLiteral("unknown (0x%1)").arg(dataType, 0, 16);
    }
}

bool oxReadEnteredValue(const AttributeValuePtr& attribute, const QVariant& current, const QStringList& words,
                        oxValueForms::EnteredValue& entered, QString& error)
{
    const std::size_t logged = oxStandIn::logMessages().size();
    if (oxValueForms::valueFromWords(attribute, current, words, entered, error))
        return true;
    const auto& messages = oxStandIn::logMessages();
    if (messages.size() > logged)
        error = QString::fromStdString(messages.back().text).trimmed();
    return false;
}
