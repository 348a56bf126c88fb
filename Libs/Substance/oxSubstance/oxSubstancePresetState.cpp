#include "oxSubstancePresetUtils.h"

#include "oxSubstanceArchiveLookup.h"
#include "oxSubstanceHandles.h"
#include "oxSubstancePresetMatching.h"
#include "oxSubstanceValueWalk.h"

#include "host/QSubstanceArchive.h"
#include "preset/SubstanceAirPreset.h"

#include <memory>
#include <utility>
#include <vector>

// ---------------------------------------------------------------- preset values and capture

oxSubstancePresetUtils::ValueMap oxSubstancePresetUtils::getValues(const SubstancePresetPtr& preset)
{
    ValueMap values;
    SubstanceAir::Preset record;
    if (preset.isNull() || !SubstanceAir::parsePreset(record, preset->getContent().c_str()))
        return values;
    for (const SubstanceAir::Preset::InputValue& input : record.inputValues)
        values[QString::fromStdString(input.identifier)] = oxSubstanceUtils::getValue(input);
    return values;
}

std::string oxSubstancePresetUtils::fetchPresetContent(const USubstanceMaterialPtr& material)
{
    // An archive that holds nothing has no state: its record would be an empty
    // preset, which a capture must not store in place of a preset's content.
    const std::shared_ptr<QSubstanceArchive> archive = oxSubstanceArchiveLookup::loadedArchive(material);
    if (!archive)
        return std::string();
    SubstanceAir::Preset record;
    archive->fillPreset(record);
    return oxSubstanceUtils::getContent(record);
}

void oxSubstancePresetUtils::applyPresetContent(const USubstanceMaterialPtr& material,
                                                const SubstancePresetPtr& preset, std::string content)
{
    if (preset.isNull() || material.isNull())
        return;
    std::vector<ImagePtr> images;
    if (const osg::MField<AttributeGroupPtr>* groups = material->getActiveAttributeGroups())
        oxSubstanceValueWalk::forEachValue(*groups, [&images](const AttributeValuePtr& value) {
            const AttributeImageValuePtr imageValue = AttributeImageValuePtr::dcast(value);
            if (!imageValue.isNull() && !imageValue->getImage().isNull())
                images.push_back(imageValue->getImage());
            return true;
        });
    setPresetContent(preset, std::move(content), images);
}

void oxSubstancePresetUtils::setPresetContent(const SubstancePresetPtr& preset, std::string content,
                                              const std::vector<ImagePtr>& images)
{
    if (preset.isNull())
        return;
    {
        osgEdit edit(preset, SubstancePresetBase::ContentFieldMask);
        preset->setContent(std::move(content));
    }
    // Held across the clear: an image may be one that only the preset holds.
    const std::vector<oxSubstanceHeld<ImagePtr>> held(images.begin(), images.end());
    osgEdit edit(preset, SubstancePresetBase::CachedImagesFieldMask);
    preset->clearImages();
    for (const ImagePtr& image : images)
        if (!image.isNull())
            preset->addImage(image);
}

void oxSubstancePresetUtils::captureContent(const USubstanceMaterialPtr& material, const SubstancePresetPtr& preset)
{
    if (material.isNull() || preset.isNull())
        return;
    std::string content = fetchPresetContent(material);
    if (!content.empty())
        applyPresetContent(material, preset, std::move(content));
}

// ---------------------------------------------------------------- matching the current state

std::set<unsigned int> oxSubstancePresetUtils::getMatchingPresetIndexes(const USubstanceMaterialPtr& material)
{
    if (material.isNull() || material->getActiveGraph().isNull())
        return std::set<unsigned int>();
    // An archive that holds nothing knows no state; every preset would match
    // its empty list of values.
    const std::shared_ptr<QSubstanceArchive> archive = oxSubstanceArchiveLookup::loadedArchive(material);
    if (!archive)
        return std::set<unsigned int>();
    return oxSubstancePresetMatching::matchingIndexes(material, archive->getActiveGraphValues());
}

bool oxSubstancePresetUtils::getCurrentState(const USubstanceMaterialPtr& material, unsigned int& index)
{
    if (material.isNull())
        return false;
    const std::set<unsigned int> matching = getMatchingPresetIndexes(material);
    if (matching.empty())
        return false;
    const unsigned int lastActivated = static_cast<unsigned int>(material->getLastActivatedPreset());
    index = matching.size() > 1 && matching.count(lastActivated) != 0 ? lastActivated : *matching.begin();
    return true;
}

// ---------------------------------------------------------------- render cache

bool oxSubstancePresetUtils::isCacheEnabled()
{
    return USubstanceMaterial::isPresetCacheEnabled();
}

void oxSubstancePresetUtils::enableCache(bool enable)
{
    USubstanceMaterial::enablePresetCache(enable);
}

void oxSubstancePresetUtils::clearCache()
{
    for (const USubstanceMaterialPtr& material : oxSubstanceUtils::getAllSubstanceMaterials())
    {
        if (!material.isNull())
            material->clearPresetCache();
    }
}

void oxSubstancePresetUtils::dumpCache(const MaterialPtr& material, const char* title, const char* detail)
{
    if (!title || !detail)
        return;
    const USubstanceMaterialPtr substance = USubstanceMaterialPtr::dcast(material);
    if (!substance.isNull())
        substance->dumpPresetCache(title, detail);
}
