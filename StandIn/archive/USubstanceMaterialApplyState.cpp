// The host's own application of a preset slot to a Substance material.

#include "Materials.h"

#include "oxArchiveAttributes.h"

#include "QSubstanceArchive.h"

void USubstanceMaterial::applyState(osg::UInt32 index, bool defaultOutputSize)
{
    const USubstanceMaterialPtr self(this);
    bool created = false;
    const std::shared_ptr<QSubstanceArchive> archive =
        oxSubstanceArchiveFactory::instance().getMaterialArchive(getId(), created);
    if (archive->isEmpty() || index >= getSubstancePresets().size())
        return;
    if (!archive->applyPreset(getSubstancePresets()[index], defaultOutputSize))
        return;

    const USubstanceGraphPtr graph = getActiveGraph();
    for (const auto& entry : archive->getActiveGraphValues())
    {
        const AttributeValuePtr attribute = oxArchive::findAttribute(graph, entry.first);
        if (attribute.isNull() || oxArchive::readAttribute(self, attribute) == entry.second.value)
            continue;
        oxArchive::writeAttribute(self, attribute, entry.second.value);
    }
    {
        osgEdit edit(self, USubstanceMaterialBase::LastActivatedPresetFieldMask);
        setLastActivatedPreset(osg::Int32(index));
    }
    archive->renderTextures(getId(), false, false);
}
