#include "oxSubstanceMaterialModifier.h"

#include "oxSubstanceArchiveLookup.h"
#include "oxSubstanceAttributeCreator.h"
#include "oxSubstanceAttributeSync.h"
#include "oxSubstanceInputLookup.h"
#include "oxSubstancePresetUtils.h"

#include "host/QSubstanceArchive.h"
#include "host/oxHostUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <QHash>

#include <algorithm>
#include <unordered_set>

namespace {

// Component type ids whose placeholder needs special care.
constexpr int kIncandescenceTypeId = 4;
constexpr int kNormalTypeId = 5;
constexpr int kCutoutTypeId = 6;

// Name of the shared group of the labelled inputs that have no group.
const std::string kCommonGroupName = "Common";

} // namespace

oxSubstanceMaterialModifier::oxSubstanceMaterialModifier(USubstanceMaterialPtr& material) : _material(material) {}

// ---------------------------------------------------------------- loading an archive

bool oxSubstanceMaterialModifier::initFromFile(const QString& path)
{
    if (material().isNull())
        return false;

    bool created = false;
    const std::shared_ptr<QSubstanceArchive> archive =
        oxSubstanceArchiveLookup::archiveOf(material()->getId(), &created);
    if (!archive)
        return false;
    if (created)
    {
        // Nobody else holds an archive made just now: the file is read once,
        // straight into it, and the archive is dropped again when the file does
        // not load or the material refuses it.
        QSubstanceBinaryDiskReader reader(path, nullptr);
        if (archive->import(reader) && suitsMaterial(*archive))
            return initWithArchive(archive);
        oxSubstanceArchiveFactory::instance().releaseMaterialArchive(material()->getId());
        return false;
    }

    // The archive that the service keeps for the material is shared with everyone
    // who renders or edits the material, and an archive that this material refuses
    // must not replace it: the file is read and checked on its own first.
    {
        QSubstanceBinaryDiskReader reader(path, nullptr);
        QSubstanceArchive candidate;
        if (!candidate.import(reader) || !suitsMaterial(candidate))
            return false;
    }

    QSubstanceBinaryDiskReader reader(path, nullptr);
    if (!archive->import(reader))
        return false;
    return initWithArchive(archive);
}

bool oxSubstanceMaterialModifier::initWithArchive(const std::shared_ptr<QSubstanceArchive>& archive)
{
    if (material().isNull() || !archive || !suitsMaterial(*archive))
        return false;

    storeArchive(*archive);
    createPresets(archive->presets());
    updateGraphs(archive->graphs());
    loadAssociatedPresetFile(archive);
    archive->renderTextures(material()->getId(), true, false);
    return true;
}

bool oxSubstanceMaterialModifier::suitsMaterial(const QSubstanceArchive& archive) const
{
    const bool panorama = archive.hasChannel(archive.activeGraphIndex(), SubstanceAir::Channel_Panorama);
    const bool environment = !material()->getParentEnvironmentMaterial().isNull();
    if (environment && !panorama)
    {
        oxLog::error("%s", tr("Panorama channel missing. Substance archive not suited for Substance environment "
                              "material.")
                               .toUtf8()
                               .constData());
        return false;
    }
    if (panorama && !environment)
    {
        oxLog::error("%s", tr("Panorama channel found. Substance archive not suited for normal Substance "
                              "material. Try Substance Panorama environment instead.")
                               .toUtf8()
                               .constData());
        return false;
    }
    return true;
}

void oxSubstanceMaterialModifier::storeArchive(const QSubstanceArchive& archive)
{
    osgEdit edit(material(), osg::FieldBits::AllFields);

    // The archive hands out a copy of its bytes, which the field takes over.
    static_cast<std::vector<osg::UInt8>&>(material()->editArchiveData()) = archive.data();
    material()->setArchivePath(archive.path().toStdString());
    material()->setActiveGraphIndex(0);
    material()->setSyncOutputSize(QSubstanceArchive::getDefaultSyncOutputSize());
    prepareColorComponents(archive);
}

void oxSubstanceMaterialModifier::prepareColorComponents(const QSubstanceArchive& archive)
{
    const osg::BitVector imageMasks = ComponentSettingsBase::ImageFieldMask | ComponentSettingsBase::UseTextureFieldMask;

    const ColorComponentsPtr components = material()->getColorComponentData();
    if (!components.isNull())
    {
        for (const ComponentSettingsPtr& settings : components->getAllComponents())
        {
            if (settings.isNull())
                continue;
            osgEdit edit(settings, imageMasks);
            settings->setUseTexture(false);
            settings->setImage(ImagePtr());
        }
    }

    const std::vector<OsgColorComponentDesc> list = archive.osgColorComponents(0);
    if (list.empty())
        return;

    const std::string incandescence = ColorComponents::getComponentTypeIdToString(kIncandescenceTypeId);
    const std::string normal = ColorComponents::getComponentTypeIdToString(kNormalTypeId);
    const std::string cutout = ColorComponents::getComponentTypeIdToString(kCutoutTypeId);

    const bool texturedIncandescence =
        std::any_of(list.begin(), list.end(),
                    [&incandescence](const OsgColorComponentDesc& d) { return d.componentName == incandescence; });
    material()->initIncandescenceSettings(texturedIncandescence);
    {
        osgEdit edit(material(), USubstanceMaterialBase::HasAnisotropyLevelFieldMask);
        material()->setHasAnisotropyLevel(false);
    }

    if (components.isNull())
        return;
    osgEdit componentsEdit(components, osg::FieldBits::AllFields);
    for (const OsgColorComponentDesc& entry : list)
    {
        const ComponentSettingsPtr settings = components->getComponentSettings(entry.componentName);
        if (settings.isNull())
            continue;

        // New and unreferenced: the field that receives it takes the reference.
        const ImagePtr image = oxImageCreator::createDummyImage(255, 255, 255);

        if (entry.componentName == incandescence)
        {
            osgEdit edit(material(), UBRDFMaterialBase::UseIncandescenceTextureFieldMask |
                                         UBRDFMaterialBase::IncandescenceMapFieldMask);
            material()->setIncandescenceMap(image);
            material()->setUseIncandescenceTexture(true);
            continue;
        }
        if (entry.componentName == normal)
            image->convertDataTypeTo(entry.dataType);
        if (entry.componentName == cutout && !components->getUseCutout())
        {
            osgEdit edit(components, ColorComponentsBase::UseCutoutFieldMask);
            components->setUseCutout(true);
        }

        osgEdit edit(settings, imageMasks);
        settings->setUseTexture(true);
        settings->setImage(image);
    }
}

void oxSubstanceMaterialModifier::createPresets(const PresetDescriptionList& list)
{
    if (material().isNull())
        return;
    material()->clearPresets();
    for (const std::pair<QString, QString>& preset : list)
        material()->addPreset(preset.first.toStdString(), preset.second.toStdString(), std::string());
}

void oxSubstanceMaterialModifier::updateGraphs(const GraphDescriptionList& list)
{
    if (material().isNull())
        return;
    material()->clearGraphs();
    for (const GraphDescription& description : list)
        material()->addGraph(createGraph(description));
}

void oxSubstanceMaterialModifier::loadAssociatedPresetFile(const std::shared_ptr<QSubstanceArchive>& archive)
{
    if (material().isNull() || !archive)
        return;
    const QFileInfo archiveFile(archive->path());
    // Both parts are filled in one pass, so that a "%2" in the directory stays as it is.
    const QString candidate =
        QStringLiteral("%1/%2.sbsprs").arg(archiveFile.dir().absolutePath(), archiveFile.baseName());
    if (QFileInfo(candidate).isFile())
        oxSubstancePresetUtils::addPresets(material(), candidate.toStdString());
}

USubstanceGraphPtr oxSubstanceMaterialModifier::createGraph(const GraphDescription& description)
{
    const USubstanceGraphPtr graph = USubstanceGraph::create();
    if (graph.isNull())
        return graph;
    const Inputs inputs = oxSubstanceInputDescription::readAll(description.second);
    {
        osgEdit edit(graph, USubstanceGraphBase::NameFieldMask | USubstanceGraphBase::AttributeGroupsFieldMask);
        graph->setName(description.first.toStdString());
        updateAttributeGroups(graph->editAttributeGroups(), inputs);
    }
    applyGraphValues(graph, inputs);
    return graph;
}

// ---------------------------------------------------------------- active graph and values

void oxSubstanceMaterialModifier::updateActiveGraph(int index)
{
    if (material().isNull())
        return;
    osgEdit edit(material(), USubstanceMaterialBase::ActiveGraphIndexFieldMask);
    material()->setActiveGraphIndex(index);
}

void oxSubstanceMaterialModifier::updateValues(const GraphDescriptionList& list)
{
    if (material().isNull() || list.empty())
        return;
    // A copy of the handles: the loop below must not depend on the list staying put.
    const osg::MField<USubstanceGraphPtr> graphs = material()->getSubstanceGraphs();
    if (list.size() != graphs.size())
        return;
    for (std::size_t i = 0; i < list.size(); ++i)
        applyGraphValues(graphs[i], oxSubstanceInputDescription::readAll(list[i].second));
}

void oxSubstanceMaterialModifier::applyGraphValues(const USubstanceGraphPtr& graph, const Inputs& inputs)
{
    if (graph.isNull())
        return;

    // Writing values changes neither the groups nor the identifiers, so one
    // lookup serves every input of the graph.
    oxSubstanceInputLookup lookup(material(), graph);
    for (const oxSubstanceInputDescription& input : inputs)
    {
        // Inputs without a label are hidden: no attribute was made for them.
        if (input.label.isEmpty())
            continue;

        AttributeValuePtr attribute;
        QVariant current;
        if (!lookup.readInput(input.groupUtf8, input.idUtf8, attribute, current))
            continue;
        if (current != input.value)
            lookup.sync().setOsgAttribute(material(), attribute, input.value);
    }
}

// ---------------------------------------------------------------- attribute groups

void oxSubstanceMaterialModifier::updateAttributeGroups(osg::MField<AttributeGroupPtr>& groupList,
                                                        const Inputs& inputs)
{
    const bool common = hasCommonGroup(inputs);
    const std::vector<std::string> names = groups(inputs);
    const MembersByGroup members = membersByGroup(inputs);

    for (const AttributeGroupPtr& group : groupList)
        osg::subRef(group);
    groupList.clear();
    groupList.reserve(names.size() + (common ? 1 : 0));

    const auto append = [&groupList, &members](const std::string& name, const QString& key, bool isCommon) {
        const AttributeGroupPtr group = createGroup(members.value(key), name, isCommon);
        if (group.isNull())
            return;
        osg::addRef(group);
        groupList.push_back(group);
    };
    for (const std::string& name : names)
        append(name, QString::fromStdString(name), false);
    // The shared group holds the inputs of the empty group name, whatever its own name.
    if (common)
        append(kCommonGroupName, QString(), true);
}

bool oxSubstanceMaterialModifier::hasCommonGroup(const Inputs& inputs)
{
    return std::any_of(inputs.begin(), inputs.end(), [](const oxSubstanceInputDescription& input) {
        return input.group.isEmpty() && !input.label.isEmpty();
    });
}

std::vector<std::string> oxSubstanceMaterialModifier::groups(const Inputs& inputs)
{
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (const oxSubstanceInputDescription& input : inputs)
    {
        if (!input.group.isEmpty() && seen.insert(input.groupUtf8).second)
            names.push_back(input.groupUtf8);
    }
    return names;
}

AttributeGroupPtr oxSubstanceMaterialModifier::createGroup(const Members& members, const std::string& name,
                                                           bool common)
{
    const AttributeGroupPtr group = AttributeGroup::create();
    if (group.isNull())
        return group;

    osgEdit edit(group, AttributeGroupBase::PropertiesFieldMask | AttributeGroupBase::CommonFieldMask |
                            AttributeBase::NameFieldMask);
    group->setName(name);
    group->setCommon(common);
    group->clearAttributes();

    const oxSubstanceAttributeCreator creator;
    osg::MField<AttributeValuePtr>& properties = group->editProperties();
    properties.reserve(members.size());
    for (const oxSubstanceInputDescription* input : members)
    {
        const AttributeValuePtr value = creator.create(*input);
        if (value.isNull())
            continue;
        osg::addRef(value);
        properties.push_back(value);
    }
    return group;
}

oxSubstanceMaterialModifier::MembersByGroup oxSubstanceMaterialModifier::membersByGroup(const Inputs& inputs)
{
    MembersByGroup members;
    for (const oxSubstanceInputDescription& input : inputs)
    {
        if (!input.label.isEmpty())
            members[input.group].push_back(&input);
    }
    return members;
}
