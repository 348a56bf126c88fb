// Host material model: colour components, BRDF and Substance materials,
// graphs, presets and the preset render cache.

#include "Materials.h"
#include "ModelInternal.h"
#include "oxHostUtils.h"

#include <algorithm>
#include <sstream>
#include <utility>

OX_DEFINE_CONTAINER_TYPE(MaterialBase, Material, osg::FieldContainer)
OX_DEFINE_CONTAINER_TYPE(ComponentSettingsBase, ComponentSettings, osg::FieldContainer)
OX_DEFINE_CONTAINER_TYPE(ColorComponentsBase, ColorComponents, osg::FieldContainer)
OX_DEFINE_CONTAINER_TYPE(UBRDFMaterialBase, UBRDFMaterial, Material)
OX_DEFINE_CONTAINER_TYPE(USubstanceGraphBase, USubstanceGraph, osg::FieldContainer)
OX_DEFINE_CONTAINER_TYPE(SubstancePresetBase, SubstancePreset, osg::FieldContainer)
OX_DEFINE_CONTAINER_TYPE(USubstanceMaterialBase, USubstanceMaterial, UBRDFMaterial)
OX_DEFINE_CONTAINER_TYPE(USubstanceEnvironmentMaterialBase, USubstanceEnvironmentMaterial, Material)

namespace {

/// Replaces the image held in \p slot, taking the new reference before the
/// old one is given back (the two may be the same image).
void replaceImage(ImagePtr& slot, const ImagePtr& image)
{
    osg::addRef(image);
    const ImagePtr previous = slot;
    slot = image;
    osg::subRef(previous);
}

/// Gives back one reference per element, after the list has been emptied.
template <class Ptr>
void releaseAll(osg::MField<Ptr>& list)
{
    osg::MField<Ptr> released;
    released.swap(list);
    for (const Ptr& p : released)
        osg::subRef(p);
}

const char* const kComponentNames[] = {"diffuse",       "specular", "roughness", "metallic",  "incandescence",
                                       "normal",        "cutout",   "height",    "anisotropy"};
constexpr int kComponentCount = sizeof(kComponentNames) / sizeof(kComponentNames[0]);

bool s_presetCacheEnabled = false;

} // namespace

// ---------------------------------------------------------------- colour components

void ComponentSettingsBase::setImage(const ImagePtr& image)
{
    fieldWritten(ImageFieldMask);
    replaceImage(_sfImage, image);
}

ComponentSettingsBase::~ComponentSettingsBase()
{
    osg::subRef(_sfImage);
}

ComponentSettingsPtr ComponentSettings::create()
{
    return ComponentSettingsPtr(new ComponentSettings());
}

ColorComponentsBase::~ColorComponentsBase()
{
    for (const ComponentSettingsPtr& c : _mfComponents)
        osg::subRef(c);
}

int ColorComponents::getComponentTypeCount()
{
    return kComponentCount;
}

ColorComponentsPtr ColorComponents::create()
{
    ColorComponentsPtr components(new ColorComponents());
    oxStandIn::detail::InitScope init(components.getCPtr());
    osg::MField<ComponentSettingsPtr>& list = components->editComponents();
    list.reserve(kComponentCount);
    for (int id = 0; id < kComponentCount; ++id)
    {
        ComponentSettingsPtr settings = ComponentSettings::create();
        {
            oxStandIn::detail::InitScope initSettings(settings.getCPtr());
            settings->setComponentName(kComponentNames[id]);
        }
        osg::addRef(settings);
        list.push_back(settings);
    }
    return components;
}

std::string ColorComponents::getComponentTypeIdToString(int id)
{
    return id >= 0 && id < kComponentCount ? kComponentNames[id] : std::string();
}

std::vector<ComponentSettingsPtr> ColorComponents::getAllComponents() const
{
    return std::vector<ComponentSettingsPtr>(getComponents().begin(), getComponents().end());
}

ComponentSettingsPtr ColorComponents::getComponentSettings(const std::string& name) const
{
    if (name.empty())
        return ComponentSettingsPtr();
    for (const ComponentSettingsPtr& c : getComponents())
        if (!c.isNull() && c->getComponentName() == name)
            return c;
    return ComponentSettingsPtr();
}

// ---------------------------------------------------------------- BRDF material

UBRDFMaterialBase::UBRDFMaterialBase() : _sfColorComponentData(ColorComponents::create())
{
    osg::addRef(_sfColorComponentData);
}

UBRDFMaterialBase::~UBRDFMaterialBase()
{
    osg::subRef(_sfIncandescenceMap);
    osg::subRef(_sfColorComponentData);
}

void UBRDFMaterialBase::setIncandescenceMap(const ImagePtr& image)
{
    fieldWritten(IncandescenceMapFieldMask);
    replaceImage(_sfIncandescenceMap, image);
}

void UBRDFMaterial::initIncandescenceSettings(bool textured)
{
    osgEdit edit(osg::FieldContainerPtr(this), IncandescenceSettingsFieldMask);
    setIncandescenceSettings(textured);
}

// ---------------------------------------------------------------- graph

USubstanceGraphBase::~USubstanceGraphBase()
{
    for (const AttributeGroupPtr& g : _mfAttributeGroups)
        osg::subRef(g);
}

USubstanceGraphPtr USubstanceGraph::create()
{
    return USubstanceGraphPtr(new USubstanceGraph());
}

AttributeGroupPtr USubstanceGraph::getAttributeGroup(const std::string& name) const
{
    // The shared group is named "Common" like any group may be: it is told
    // apart by its flag, and looked up by the empty name.
    const bool shared = name.empty();
    for (const AttributeGroupPtr& g : getAttributeGroups())
    {
        if (g.isNull() || g->getCommon() != shared)
            continue;
        if (shared || g->getName() == name)
            return g;
    }
    return AttributeGroupPtr();
}

// ---------------------------------------------------------------- preset

SubstancePresetBase::~SubstancePresetBase()
{
    for (const ImagePtr& image : _mfCachedImages)
        osg::subRef(image);
}

SubstancePresetPtr SubstancePreset::create(const std::string& name, const std::string& content,
                                           const std::string& sourcePath)
{
    SubstancePresetPtr preset(new SubstancePreset());
    oxStandIn::detail::InitScope init(preset.getCPtr());
    preset->setName(name);
    preset->setContent(content);
    preset->setSourcePath(sourcePath);
    return preset;
}

void SubstancePreset::addImage(const ImagePtr& image)
{
    fieldWritten(CachedImagesFieldMask);
    if (image.isNull())
    {
        oxLog::warning("Preset \"%s\": a null image is not cached.", getName().c_str());
        return;
    }
    osg::addRef(image);
    _mfCachedImages.push_back(image);
}

void SubstancePreset::clearImages()
{
    fieldWritten(CachedImagesFieldMask);
    releaseAll(_mfCachedImages);
}

// ---------------------------------------------------------------- Substance material

/// One cached render: the colour components' state and images (copies owned
/// by the cache, one reference each) and the incandescence map, with what the
/// render was made of: the preset's content, the active graph and the archive's
/// input values. The cache keeps it under the preset's container id, so it
/// follows its preset through every change of the list (insert, remove, clear
/// and add again) and is ignored once the preset's content, the active graph or
/// the input values differ (a preset leaves inputs such as the output size as
/// they were, so one preset can meet different values).
struct USubstanceMaterial::CachedRender
{
    std::string content;
    osg::Int32 graphIndex = 0;
    std::string inputs;
    struct Component
    {
        std::string name;
        bool useTexture = false;
        ImagePtr image;
    };
    std::vector<Component> components;
    bool useIncandescenceTexture = false;
    ImagePtr incandescenceMap;

    CachedRender() = default;
    CachedRender(const CachedRender&) = delete;
    CachedRender& operator=(const CachedRender&) = delete;
    ~CachedRender()
    {
        for (const Component& c : components)
            osg::subRef(c.image);
        osg::subRef(incandescenceMap);
    }
};

USubstanceMaterialBase::USubstanceMaterialBase() : _sfLastActivatedPreset(-1) {}

USubstanceMaterialBase::~USubstanceMaterialBase()
{
    for (const USubstanceGraphPtr& g : _mfSubstanceGraphs)
        osg::subRef(g);
    for (const SubstancePresetPtr& p : _mfSubstancePresets)
        osg::subRef(p);
}

USubstanceMaterialPtr USubstanceMaterial::create()
{
    return USubstanceMaterialPtr(new USubstanceMaterial());
}

USubstanceMaterial::~USubstanceMaterial() = default;

void USubstanceMaterial::clearGraphs()
{
    osgEdit edit(osg::FieldContainerPtr(this), SubstanceGraphsFieldMask);
    fieldWritten(SubstanceGraphsFieldMask);
    releaseAll(_mfSubstanceGraphs);
}

void USubstanceMaterial::addGraph(const USubstanceGraphPtr& graph)
{
    osgEdit edit(osg::FieldContainerPtr(this), SubstanceGraphsFieldMask);
    fieldWritten(SubstanceGraphsFieldMask);
    osg::addRef(graph);
    _mfSubstanceGraphs.push_back(graph);
}

USubstanceGraphPtr USubstanceMaterial::getActiveGraph() const
{
    const osg::Int32 index = getActiveGraphIndex();
    if (index < 0 || std::size_t(index) >= _mfSubstanceGraphs.size())
        return USubstanceGraphPtr();
    return _mfSubstanceGraphs[std::size_t(index)];
}

const osg::MField<AttributeGroupPtr>* USubstanceMaterial::getActiveAttributeGroups() const
{
    const USubstanceGraphPtr graph = getActiveGraph();
    return graph.isNull() ? nullptr : &graph->getAttributeGroups();
}

void USubstanceMaterial::clearPresets()
{
    osgEdit edit(osg::FieldContainerPtr(this), SubstancePresetsFieldMask);
    fieldWritten(SubstancePresetsFieldMask);
    releaseAll(_mfSubstancePresets);
}

void USubstanceMaterial::addPreset(const SubstancePresetPtr& preset)
{
    osgEdit edit(osg::FieldContainerPtr(this), SubstancePresetsFieldMask);
    fieldWritten(SubstancePresetsFieldMask);
    osg::addRef(preset);
    _mfSubstancePresets.push_back(preset);
}

void USubstanceMaterial::addPreset(const std::string& name, const std::string& content, const std::string& sourcePath)
{
    addPreset(SubstancePreset::create(name, content, sourcePath));
}

void USubstanceMaterial::insertPreset(const SubstancePresetPtr& preset, osg::UInt32 index)
{
    osgEdit edit(osg::FieldContainerPtr(this), SubstancePresetsFieldMask);
    fieldWritten(SubstancePresetsFieldMask);
    const std::size_t at = std::min<std::size_t>(index, _mfSubstancePresets.size());
    osg::addRef(preset);
    _mfSubstancePresets.insert(_mfSubstancePresets.begin() + std::ptrdiff_t(at), preset);
}

void USubstanceMaterial::removePreset(const SubstancePresetPtr& presetArgument)
{
    // A copy: the argument may refer to the slot that is erased below.
    const SubstancePresetPtr preset = presetArgument;
    osg::UInt32 index = 0;
    if (!findPreset(preset, &index))
        return;
    osgEdit edit(osg::FieldContainerPtr(this), SubstancePresetsFieldMask);
    fieldWritten(SubstancePresetsFieldMask);
    _mfSubstancePresets.erase(_mfSubstancePresets.begin() + std::ptrdiff_t(index));
    osg::subRef(preset);
}

bool USubstanceMaterial::findPreset(const SubstancePresetPtr& preset, osg::UInt32* index) const
{
    for (std::size_t i = 0; i < _mfSubstancePresets.size(); ++i)
    {
        if (_mfSubstancePresets[i] == preset)
        {
            if (index)
                *index = osg::UInt32(i);
            return true;
        }
    }
    return false;
}

USubstanceEnvironmentMaterialPtr USubstanceMaterial::getParentEnvironmentMaterial() const
{
    return USubstanceEnvironmentMaterialPtr(_parentEnvironment);
}

std::shared_ptr<USubstanceMaterial::CachedRender> USubstanceMaterial::cachedRender(osg::UInt32 index) const
{
    if (index >= _mfSubstancePresets.size() || _mfSubstancePresets[index].isNull())
        return nullptr;
    const SubstancePresetPtr& preset = _mfSubstancePresets[index];
    const auto it = _presetCache.find(preset->getId());
    if (it == _presetCache.end() || it->second->content != preset->getContent() ||
        it->second->graphIndex != getActiveGraphIndex() || it->second->inputs != oxStandIn::detail::renderInputs(getId()))
        return nullptr;
    return it->second;
}

bool USubstanceMaterial::isPresetCached(osg::UInt32 index) const
{
    return cachedRender(index) != nullptr;
}

void USubstanceMaterial::cacheRenderResult(osg::UInt32 index)
{
    if (index >= _mfSubstancePresets.size() || _mfSubstancePresets[index].isNull())
        return;
    // Entries of presets that have left the list are dropped here: a render is
    // the moment the cache grows, and a removed preset that came back (an undone
    // removal) has had its chance to be applied from the cache.
    for (auto it = _presetCache.begin(); it != _presetCache.end();)
    {
        const osg::UInt32 id = it->first;
        const bool listed = std::any_of(_mfSubstancePresets.begin(), _mfSubstancePresets.end(),
                                        [id](const SubstancePresetPtr& p) { return !p.isNull() && p->getId() == id; });
        it = listed ? std::next(it) : _presetCache.erase(it);
    }
    const SubstancePresetPtr& preset = _mfSubstancePresets[index];
    auto render = std::make_shared<CachedRender>();
    render->content = preset->getContent();
    render->graphIndex = getActiveGraphIndex();
    render->inputs = oxStandIn::detail::renderInputs(getId());
    const ColorComponentsPtr components = getColorComponentData();
    if (!components.isNull())
    {
        for (const ComponentSettingsPtr& c : components->getComponents())
        {
            if (c.isNull())
                continue;
            CachedRender::Component entry;
            entry.name = c->getComponentName();
            entry.useTexture = c->getUseTexture();
            entry.image = oxStandIn::detail::cloneImage(c->getImage());
            osg::addRef(entry.image);
            render->components.push_back(entry);
        }
    }
    render->useIncandescenceTexture = getUseIncandescenceTexture();
    render->incandescenceMap = oxStandIn::detail::cloneImage(getIncandescenceMap());
    osg::addRef(render->incandescenceMap);
    _presetCache[preset->getId()] = std::move(render);
}

void USubstanceMaterial::applyCachedPreset(osg::UInt32 index)
{
    // Held here, so the entry stays alive even if a write below changes the cache.
    const std::shared_ptr<CachedRender> render = cachedRender(index);
    if (!render)
    {
        oxLog::warning("Material %s: no cached render for preset %u.", oxMaterials::getName(MaterialPtr(this)).c_str(),
                       index);
        return;
    }
    const ColorComponentsPtr components = getColorComponentData();
    for (const CachedRender::Component& entry : render->components)
    {
        const ComponentSettingsPtr settings =
            components.isNull() ? ComponentSettingsPtr() : components->getComponentSettings(entry.name);
        if (settings.isNull())
            continue;
        // The component gets a copy: later renders may change its image in place.
        osgEdit edit(settings, ComponentSettings::ImageFieldMask | ComponentSettings::UseTextureFieldMask);
        settings->setUseTexture(entry.useTexture);
        settings->setImage(oxStandIn::detail::cloneImage(entry.image));
    }
    osgEdit edit(osg::FieldContainerPtr(this), IncandescenceMapFieldMask | UseIncandescenceTextureFieldMask);
    setUseIncandescenceTexture(render->useIncandescenceTexture);
    setIncandescenceMap(oxStandIn::detail::cloneImage(render->incandescenceMap));
}

void USubstanceMaterial::clearPresetCache()
{
    _presetCache.clear();
}

void USubstanceMaterial::dumpPresetCache(const std::string& title, const std::string& detail) const
{
    std::ostringstream out;
    out << title;
    if (!detail.empty())
        out << ": " << detail;
    out << "\nPreset cache of material \"" << getName() << "\" (#" << getId() << ", cache "
        << (s_presetCacheEnabled ? "on" : "off") << "): " << _presetCache.size() << " cached preset"
        << (_presetCache.size() == 1 ? "" : "s");

    auto describe = [&out](const std::string& name, bool useTexture, const ImagePtr& image) {
        out << "\n    " << name << ": ";
        if (image.isNull())
            out << "no image";
        else
            out << "image #" << image->getId() << ' ' << image->getWidth() << 'x' << image->getHeight() << ' '
                << oxStandIn::detail::dataTypeName(image->getDataType());
        out << ", texture " << (useTexture ? "on" : "off");
    };
    for (const auto& entry : _presetCache)
    {
        out << "\n  preset #" << entry.first << ' ';
        osg::UInt32 index = 0;
        const SubstancePresetPtr preset =
            SubstancePresetPtr::dcast(osg::FieldContainerFactory::the()->getContainer(entry.first));
        if (preset.isNull() || !findPreset(preset, &index))
            out << "(not in the list)";
        else
            out << "at " << index << " \"" << preset->getName() << '"'
                << (cachedRender(index) == entry.second ? "" : " (stale)");
        for (const CachedRender::Component& c : entry.second->components)
            describe(c.name, c.useTexture, c.image);
        describe("incandescence map", entry.second->useIncandescenceTexture, entry.second->incandescenceMap);
    }
    oxLog::warning("%s", out.str().c_str());
}

void USubstanceMaterial::enablePresetCache(bool enable)
{
    s_presetCacheEnabled = enable;
}

bool USubstanceMaterial::isPresetCacheEnabled()
{
    return s_presetCacheEnabled;
}

// ---------------------------------------------------------------- environment material

USubstanceEnvironmentMaterialPtr USubstanceEnvironmentMaterial::create()
{
    return USubstanceEnvironmentMaterialPtr(new USubstanceEnvironmentMaterial());
}

void USubstanceEnvironmentMaterial::setTextureGeneratorMaterial(const USubstanceMaterialPtr& generator)
{
    osgEdit edit(osg::FieldContainerPtr(this), TextureGeneratorMaterialFieldMask);
    fieldWritten(TextureGeneratorMaterialFieldMask);
    osg::addRef(generator);
    const USubstanceMaterialPtr previous = _generator;
    _generator = generator;
    if (!previous.isNull() && previous->_parentEnvironment == this)
        previous->_parentEnvironment = nullptr;
    if (!generator.isNull())
        generator->_parentEnvironment = this;
    osg::subRef(previous);
}

USubstanceEnvironmentMaterial::~USubstanceEnvironmentMaterial()
{
    if (!_generator.isNull() && _generator->_parentEnvironment == this)
        _generator->_parentEnvironment = nullptr;
    osg::subRef(_generator);
}
