#include "oxSubstanceCommandSupport.h"

#include "oxSubstanceArchiveLookup.h"
#include "oxSubstanceAttributeSync.h"
#include "oxSubstanceValueWalk.h"

#include "host/Attributes.h"
#include "host/Materials.h"
#include "host/QSubstanceArchive.h"
#include "host/oxKernelServices.h"

#include <QHash>

#include <cstdio>
#include <memory>
#include <typeinfo>
#include <vector>

namespace {

/// What searchProperty finds in the graphs of one name, for many properties:
/// the first value whose identifier matches, failing that the last value whose
/// label matches. Holds a reference on every value for its lifetime, so that a
/// receiver of the batch's signals cannot leave it with a handle to nothing.
class PropertyIndex
{
public:
    PropertyIndex(const USubstanceMaterialPtr& material, const QString& graphName)
    {
        oxSubstanceValueWalk::forEachValue(material, graphName.toStdString(), [this](const AttributeValuePtr& value) {
            _held.emplace_back(value);
            const QString identifier = QString::fromStdString(value->getUuid());
            if (!_byIdentifier.contains(identifier))
                _byIdentifier.insert(identifier, value);
            _byLabel[QString::fromStdString(value->getName())] = value;
            return true;
        });
    }

    AttributeValuePtr find(const QString& property) const
    {
        const auto identified = _byIdentifier.constFind(property);
        return identified != _byIdentifier.cend() ? identified.value() : _byLabel.value(property);
    }

private:
    std::vector<oxSubstanceHeld<AttributeValuePtr>> _held;
    QHash<QString, AttributeValuePtr> _byIdentifier; ///< first value of each identifier
    QHash<QString, AttributeValuePtr> _byLabel;      ///< last value of each label
};

/// The write of applyPropertyValue once the property is found.
void writeProperty(const USubstanceMaterialPtr& material, const QString& graph, AttributeValuePtr attribute,
                   const QString& property, const QVariant& value, bool render)
{
    if (attribute.isNull() || !oxSubstanceAttributeSync().setOsgAttribute(material, attribute, value))
        return;
    const unsigned materialId = material->getId();
    const std::shared_ptr<QSubstanceArchive> archive = oxSubstanceArchiveLookup::archiveOf(materialId);
    const bool changed = archive->updateInputs(graph, QString::fromStdString(attribute->getUuid()), value);
    if (changed && render)
        archive->renderTextures(materialId, true, false);
    oxSubstanceCommandSupport::notifyPropertyChanged(materialId, property, value);
}

} // namespace

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

// ---------------------------------------------------------------- writing and rendering

void oxSubstanceCommandSupport::applyPropertyValue(const USubstanceMaterialPtr& material, QString graph,
                                                   QString property, const QVariant& value, bool render)
{
    if (!value.isValid() || material.isNull())
        return;
    writeProperty(material, graph, oxSubstanceAttributeSync().searchProperty(material, graph, property), property,
                  value, render);
}

void oxSubstanceCommandSupport::applyPropertyValues(const USubstanceMaterialPtr& material, const QString& graph,
                                                    const oxSubstanceStoredValueMap& values)
{
    if (material.isNull() || values.empty())
        return;
    const PropertyIndex index(material, graph);
    for (const auto& entry : values)
        if (entry.second.value().isValid())
            writeProperty(material, graph, index.find(entry.first), entry.first, entry.second.value(), false);
}

void oxSubstanceCommandSupport::renderMaterialTextures(osg::UInt32 materialId)
{
    const std::shared_ptr<QSubstanceArchive> archive = oxSubstanceArchiveLookup::archiveOf(materialId);
    if (!archive->isEmpty())
        archive->renderTextures(materialId, false, false);
}
