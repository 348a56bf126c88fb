#include "oxSubstanceCommandSupport.h"

#include "oxSubstanceArchiveLookup.h"
#include "oxSubstanceAttributeSync.h"

#include "host/QSubstanceArchive.h"
#include "host/oxKernelServices.h"
#include "host/oxdImage.h"

#include <cstdio>
#include <memory>
#include <typeinfo>

namespace {

/// The image container that a value names, or null.
osg::FieldContainerPtr imageContainerOf(const QVariant& value)
{
    static const int imageType = qMetaTypeId<oxdImage>();
    if (!value.canConvert(imageType))
        return osg::FieldContainerPtr();
    return osg::FieldContainerFactory::the()->getContainer(value.value<oxdImage>().getObjectId());
}

} // namespace

// ---------------------------------------------------------------- materials

osg::UInt32 oxSubstanceCommandSupport::materialIdOf(const USubstanceMaterialPtr& material)
{
    return material.isNull() ? 0u : material->getId();
}

USubstanceMaterialPtr oxSubstanceCommandSupport::findMaterial(osg::UInt32 materialId)
{
    return USubstanceMaterialPtr::dcast(osg::FieldContainerFactory::the()->getContainer(materialId));
}

// ---------------------------------------------------------------- service and notifications

oxSubstanceService* oxSubstanceCommandSupport::getService()
{
    const char* const name = oxSubstanceService::staticMetaObject.className();
    oxBaseService* service = nullptr;
    if (!oxKernelServiceFactory::the().findService(typeid(oxSubstanceService).hash_code(), service))
    {
        std::fprintf(stderr, "oxKernelServiceFactory: couldn't find class '%s'!\n", name);
        return nullptr;
    }
    // An entry that holds a service of another class counts as a null one.
    oxSubstanceService* const substanceService = qobject_cast<oxSubstanceService*>(service);
    if (!substanceService)
        std::fprintf(stderr, "oxKernelServiceFactory: service '%s' is NULL!\n", name);
    return substanceService;
}

void oxSubstanceCommandSupport::notifyPresetsChanged(osg::UInt32 materialId)
{
    if (oxSubstanceService* service = getService())
        emit service->presetsChanged(materialId);
}

void oxSubstanceCommandSupport::notifyPresetApplied(osg::UInt32 materialId)
{
    if (oxSubstanceService* service = getService())
        emit service->presetApplied(materialId);
}

void oxSubstanceCommandSupport::notifyPropertyChanged(osg::UInt32 materialId, const QString& property,
                                                      const QVariant& value)
{
    if (oxSubstanceService* service = getService())
        emit service->substancePropertyChanged(materialId, property, value);
}

// ---------------------------------------------------------------- image references

void oxSubstanceCommandSupport::addImageReference(const QVariant& value)
{
    osg::addRef(imageContainerOf(value));
}

void oxSubstanceCommandSupport::releaseImageReference(const QVariant& value)
{
    osg::subRef(imageContainerOf(value));
}

oxSubstanceStoredValue::oxSubstanceStoredValue(const QVariant& value) : _value(value)
{
    oxSubstanceCommandSupport::addImageReference(_value);
}

oxSubstanceStoredValue::oxSubstanceStoredValue(const oxSubstanceStoredValue& other) : _value(other._value)
{
    oxSubstanceCommandSupport::addImageReference(_value);
}

oxSubstanceStoredValue& oxSubstanceStoredValue::operator=(const oxSubstanceStoredValue& other)
{
    // The new reference first: both values may name the same image.
    oxSubstanceCommandSupport::addImageReference(other._value);
    oxSubstanceCommandSupport::releaseImageReference(_value);
    _value = other._value;
    return *this;
}

oxSubstanceStoredValue::~oxSubstanceStoredValue()
{
    oxSubstanceCommandSupport::releaseImageReference(_value);
}

// ---------------------------------------------------------------- writing and rendering

void oxSubstanceCommandSupport::applyPropertyValue(const USubstanceMaterialPtr& material, QString graph,
                                                   QString property, const QVariant& value, bool render)
{
    if (!value.isValid())
        return;
    oxSubstanceAttributeSync sync;
    AttributeValuePtr attribute = sync.searchProperty(material, graph, property);
    if (attribute.isNull() || !sync.setOsgAttribute(material, attribute, value))
        return;

    const unsigned materialId = material->getId();
    const std::shared_ptr<QSubstanceArchive> archive = oxSubstanceArchiveLookup::archiveOf(materialId);
    const bool changed = archive->updateInputs(graph, QString::fromStdString(attribute->getUuid()), value);
    if (changed && render)
        archive->renderTextures(materialId, true, false);
    notifyPropertyChanged(materialId, property, value);
}

void oxSubstanceCommandSupport::renderMaterialTextures(osg::UInt32 materialId)
{
    const std::shared_ptr<QSubstanceArchive> archive = oxSubstanceArchiveLookup::archiveOf(materialId);
    if (!archive->isEmpty())
        archive->renderTextures(materialId, false, false);
}
