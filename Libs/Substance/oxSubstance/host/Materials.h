#pragma once
/// \file Materials.h
/// Host material model: materials, colour components, Substance graphs,
/// Substance presets and the Substance material with its preset render cache.
///
/// References: a material holds one reference per graph, per preset slot and
/// on its colour components; image fields hold one reference on their image;
/// an environment material holds one on its texture-generator material, which
/// points back to it without a reference.

#include "Attributes.h"
#include "OSGBase.h"
#include "OSGImage.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class Material;
class ComponentSettings;
class ColorComponents;
class UBRDFMaterial;
class USubstanceGraph;
class SubstancePreset;
class USubstanceMaterial;
class USubstanceEnvironmentMaterial;
using MaterialPtr = osg::FCPtr<Material>;
using ComponentSettingsPtr = osg::FCPtr<ComponentSettings>;
using ColorComponentsPtr = osg::FCPtr<ColorComponents>;
using UBRDFMaterialPtr = osg::FCPtr<UBRDFMaterial>;
using USubstanceGraphPtr = osg::FCPtr<USubstanceGraph>;
using SubstancePresetPtr = osg::FCPtr<SubstancePreset>;
using USubstanceMaterialPtr = osg::FCPtr<USubstanceMaterial>;
using USubstanceEnvironmentMaterialPtr = osg::FCPtr<USubstanceEnvironmentMaterial>;

// ---------------------------------------------------------------- Material

class OX_HOST_API MaterialBase : public osg::FieldContainer
{
    OX_CONTAINER(Material)
public:
    enum { NameFieldId = osg::FieldContainer::NextFieldId, NextFieldId };
    OX_FIELD_MASK(Name)
    OX_FIELD(std::string, Name)
protected:
    MaterialBase() = default;
};

/// Any host material.
class OX_HOST_API Material : public MaterialBase
{
protected:
    Material() = default;
};

// ---------------------------------------------------------------- colour components

class OX_HOST_API ComponentSettingsBase : public osg::FieldContainer
{
    OX_CONTAINER(ComponentSettings)
public:
    enum { ComponentNameFieldId = osg::FieldContainer::NextFieldId, UseTextureFieldId, ImageFieldId, NextFieldId };
    OX_FIELD_MASK(ComponentName)
    OX_FIELD_MASK(UseTexture)
    OX_FIELD_MASK(Image)
    /// Type-id name of the component (ColorComponents::getComponentTypeIdToString).
    OX_FIELD(std::string, ComponentName)
    OX_FIELD(bool, UseTexture)
public:
    const ImagePtr& getImage() const { return _sfImage; }
    /// Stores the image and takes a reference on it; the previous one is released.
    void setImage(const ImagePtr& image);

protected:
    ComponentSettingsBase() = default;
    ~ComponentSettingsBase() override;

private:
    ImagePtr _sfImage;
};

/// Settings of one colour component of a material (diffuse, normal, ...).
class OX_HOST_API ComponentSettings : public ComponentSettingsBase
{
public:
    static ComponentSettingsPtr create();

protected:
    ComponentSettings() = default;
};

class OX_HOST_API ColorComponentsBase : public osg::FieldContainer
{
    OX_CONTAINER(ColorComponents)
public:
    enum { UseCutoutFieldId = osg::FieldContainer::NextFieldId, ComponentsFieldId, NextFieldId };
    OX_FIELD_MASK(UseCutout)
    OX_FIELD_MASK(Components)
    OX_FIELD(bool, UseCutout)
    /// One settings object per component type id; each element holds one reference.
    OX_MFIELD(ComponentSettingsPtr, Components)
protected:
    ColorComponentsBase() = default;
    ~ColorComponentsBase() override;
};

/// The colour components of a material: one ComponentSettings per type id.
class OX_HOST_API ColorComponents : public ColorComponentsBase
{
public:
    /// Number of component type ids (0 .. count-1).
    static int getComponentTypeCount();
    /// Creates the container with one settings object per type id.
    static ColorComponentsPtr create();
    /// Name of a component type id: 0 "diffuse", 1 "specular", 2 "roughness",
    /// 3 "metallic", 4 "incandescence", 5 "normal", 6 "cutout", 7 "height",
    /// 8 "anisotropy"; the empty string for any other id.
    static std::string getComponentTypeIdToString(int id);
    std::vector<ComponentSettingsPtr> getAllComponents() const;
    /// The settings of the component with this exact name; null when there is none.
    ComponentSettingsPtr getComponentSettings(const std::string& name) const;

protected:
    ColorComponents() = default;
};

// ---------------------------------------------------------------- BRDF material

class OX_HOST_API UBRDFMaterialBase : public Material
{
    OX_CONTAINER(UBRDFMaterial)
public:
    enum
    {
        IncandescenceMapFieldId = MaterialBase::NextFieldId,
        UseIncandescenceTextureFieldId,
        IncandescenceSettingsFieldId,
        ColorComponentDataFieldId,
        NextFieldId
    };
    OX_FIELD_MASK(IncandescenceMap)
    OX_FIELD_MASK(UseIncandescenceTexture)
    OX_FIELD_MASK(IncandescenceSettings)
    OX_FIELD_MASK(ColorComponentData)
    OX_FIELD(bool, UseIncandescenceTexture)
    /// Whether incandescence is set up as a texture channel (initIncandescenceSettings).
    OX_FIELD(bool, IncandescenceSettings)
public:
    const ImagePtr& getIncandescenceMap() const { return _sfIncandescenceMap; }
    /// Stores the image and takes a reference on it; the previous one is released.
    void setIncandescenceMap(const ImagePtr& image);

protected:
    UBRDFMaterialBase();
    ~UBRDFMaterialBase() override;
    ImagePtr _sfIncandescenceMap;
    ColorComponentsPtr _sfColorComponentData;
};

class OX_HOST_API UBRDFMaterial : public UBRDFMaterialBase
{
public:
    /// The material's colour components (created with the material; never null here).
    ColorComponentsPtr getColorComponentData() const { return _sfColorComponentData; }
    /// Sets up incandescence: as a texture channel when \p textured, as a colour otherwise.
    /// Edits the material itself.
    void initIncandescenceSettings(bool textured);

protected:
    UBRDFMaterial() = default;
};

// ---------------------------------------------------------------- graph

class OX_HOST_API USubstanceGraphBase : public osg::FieldContainer
{
    OX_CONTAINER(USubstanceGraph)
public:
    enum { NameFieldId = osg::FieldContainer::NextFieldId, AttributeGroupsFieldId, NextFieldId };
    OX_FIELD_MASK(Name)
    OX_FIELD_MASK(AttributeGroups)
    OX_FIELD(std::string, Name)
    /// The graph's groups; each element holds one reference.
    OX_MFIELD(AttributeGroupPtr, AttributeGroups)
protected:
    USubstanceGraphBase() = default;
    ~USubstanceGraphBase() override;
};

/// One Substance graph of a material.
class OX_HOST_API USubstanceGraph : public USubstanceGraphBase
{
public:
    static USubstanceGraphPtr create();
    /// The empty name gives the shared group (Common set); any other name the
    /// first ordinary group of that exact name. Null when there is none.
    AttributeGroupPtr getAttributeGroup(const std::string& name) const;

protected:
    USubstanceGraph() = default;
};

// ---------------------------------------------------------------- preset

class OX_HOST_API SubstancePresetBase : public osg::FieldContainer
{
    OX_CONTAINER(SubstancePreset)
public:
    enum
    {
        NameFieldId = osg::FieldContainer::NextFieldId,
        ContentFieldId,
        SourcePathFieldId,
        CachedImagesFieldId,
        NextFieldId
    };
    OX_FIELD_MASK(Name)
    OX_FIELD_MASK(Content)
    OX_FIELD_MASK(SourcePath)
    OX_FIELD_MASK(CachedImages)
    OX_FIELD(std::string, Name)
    /// XML text of one "sbspreset" element.
    OX_FIELD(std::string, Content)
    /// Path of the preset file that the preset was read from; empty when none.
    OX_FIELD(std::string, SourcePath)
public:
    /// Snapshot of the material's image values; each element holds one reference.
    const osg::MField<ImagePtr>& getCachedImages() const { return _mfCachedImages; }

protected:
    SubstancePresetBase() = default;
    ~SubstancePresetBase() override;
    osg::MField<ImagePtr> _mfCachedImages;
};

/// A named preset of a Substance material.
class OX_HOST_API SubstancePreset : public SubstancePresetBase
{
public:
    static SubstancePresetPtr create(const std::string& name, const std::string& content,
                                     const std::string& sourcePath);
    /// Appends an image and takes a reference (write of CachedImages).
    void addImage(const ImagePtr& image);
    /// Releases and removes all cached images (write of CachedImages).
    void clearImages();

protected:
    SubstancePreset() = default;
};

// ---------------------------------------------------------------- Substance material

class OX_HOST_API USubstanceMaterialBase : public UBRDFMaterial
{
    OX_CONTAINER(USubstanceMaterial)
public:
    enum
    {
        SubstanceGraphsFieldId = UBRDFMaterialBase::NextFieldId,
        SubstancePresetsFieldId,
        ArchiveDataFieldId,
        PresetsFieldId,
        ArchivePathFieldId,
        ActiveGraphIndexFieldId,
        SyncOutputSizeFieldId,
        HasAnisotropyLevelFieldId,
        LastActivatedPresetFieldId,
        NextFieldId
    };
    OX_FIELD_MASK(SubstanceGraphs)
    OX_FIELD_MASK(SubstancePresets)
    OX_FIELD_MASK(ArchiveData)
    OX_FIELD_MASK(Presets)
    OX_FIELD_MASK(ArchivePath)
    OX_FIELD_MASK(ActiveGraphIndex)
    OX_FIELD_MASK(SyncOutputSize)
    OX_FIELD_MASK(HasAnisotropyLevel)
    OX_FIELD_MASK(LastActivatedPreset)
    /// Bytes of the loaded archive file.
    OX_MFIELD(osg::UInt8, ArchiveData)
    /// Legacy preset store of old materials: a whole "sbspresets" list.
    OX_FIELD(std::string, Presets)
    OX_FIELD(std::string, ArchivePath)
    OX_FIELD(osg::Int32, ActiveGraphIndex)
    /// Whether the output size follows the archive's size (width equals height).
    OX_FIELD(bool, SyncOutputSize)
    OX_FIELD(bool, HasAnisotropyLevel)
    /// Index of the preset applied last; -1 when none.
    OX_FIELD(osg::Int32, LastActivatedPreset)
public:
    /// The graphs in order; each element holds one reference.
    const osg::MField<USubstanceGraphPtr>& getSubstanceGraphs() const { return _mfSubstanceGraphs; }
    /// The preset slots in order (a slot may be null); each non-null slot holds one reference.
    const osg::MField<SubstancePresetPtr>& getSubstancePresets() const { return _mfSubstancePresets; }

protected:
    USubstanceMaterialBase();
    ~USubstanceMaterialBase() override;
    osg::MField<USubstanceGraphPtr> _mfSubstanceGraphs;
    osg::MField<SubstancePresetPtr> _mfSubstancePresets;
    USubstanceEnvironmentMaterial* _parentEnvironment = nullptr;
    friend class USubstanceEnvironmentMaterial;
};

/// A material built from a Substance archive.
///
/// The list operations (graphs, presets) bracket their own edits.
class OX_HOST_API USubstanceMaterial : public USubstanceMaterialBase
{
public:
    static USubstanceMaterialPtr create();

    /// Releases and removes every graph.
    void clearGraphs();
    /// Appends a graph and takes a reference on it.
    void addGraph(const USubstanceGraphPtr& graph);
    /// The graph at ActiveGraphIndex; null when the index is outside the list.
    USubstanceGraphPtr getActiveGraph() const;
    /// The active graph's groups; null when there is no active graph.
    const osg::MField<AttributeGroupPtr>* getActiveAttributeGroups() const;

    /// Releases and removes every preset slot.
    void clearPresets();
    /// Appends a slot holding \p preset (which may be null), taking a reference.
    void addPreset(const SubstancePresetPtr& preset);
    /// Creates a preset and appends it.
    void addPreset(const std::string& name, const std::string& content, const std::string& sourcePath);
    /// Inserts at \p index (appends when index is past the end), taking a reference.
    void insertPreset(const SubstancePresetPtr& preset, osg::UInt32 index);
    /// Removes the first slot holding \p preset and releases it; nothing when absent.
    void removePreset(const SubstancePresetPtr& preset);
    /// The index of the first slot holding \p preset; false when absent.
    bool findPreset(const SubstancePresetPtr& preset, osg::UInt32* index) const;
    /// The host's own preset application: has the archive apply the preset,
    /// writes the resulting input values into the active graph's attributes,
    /// records the index as last activated preset and renders.
    void applyState(osg::UInt32 index, bool defaultOutputSize);

    /// The material's parent environment material; null for a normal material.
    USubstanceEnvironmentMaterialPtr getParentEnvironmentMaterial() const;

    /// Whether a render result is cached for the preset at the index: one made
    /// from the same preset object with its present content on the present
    /// active graph and input values. Entries follow their presets through
    /// changes of the list.
    bool isPresetCached(osg::UInt32 index) const;
    /// Stores the current textures as the render result of the preset at the
    /// index (nothing for a null slot or an index outside the list).
    void cacheRenderResult(osg::UInt32 index);
    /// Puts the cached textures of the preset index back on the colour components.
    void applyCachedPreset(osg::UInt32 index);
    void clearPresetCache();
    /// Writes a description of the cache to the log, headed by the two texts.
    void dumpPresetCache(const std::string& title, const std::string& detail) const;
    /// Switches the render cache of every Substance material (process-wide).
    static void enablePresetCache(bool enable);
    static bool isPresetCacheEnabled();

protected:
    USubstanceMaterial() = default;
    ~USubstanceMaterial() override;

private:
    struct CachedRender;
    /// The cached render for the preset at \p index, when it is still valid.
    std::shared_ptr<CachedRender> cachedRender(osg::UInt32 index) const;
    /// Render results by the preset's container id.
    std::map<osg::UInt32, std::shared_ptr<CachedRender>> _presetCache;
};

// ---------------------------------------------------------------- environment material

class OX_HOST_API USubstanceEnvironmentMaterialBase : public Material
{
    OX_CONTAINER(USubstanceEnvironmentMaterial)
public:
    enum { TextureGeneratorMaterialFieldId = MaterialBase::NextFieldId, NextFieldId };
    OX_FIELD_MASK(TextureGeneratorMaterial)
protected:
    USubstanceEnvironmentMaterialBase() = default;
};

/// An environment (panorama) material whose textures come from a Substance material.
class OX_HOST_API USubstanceEnvironmentMaterial : public USubstanceEnvironmentMaterialBase
{
public:
    static USubstanceEnvironmentMaterialPtr create();
    /// The texture-generator material; may be null.
    USubstanceMaterialPtr getTextureGeneratorMaterial() const { return _generator; }
    /// Stores the generator (taking a reference, releasing the previous one)
    /// and makes this material its parent environment material.
    void setTextureGeneratorMaterial(const USubstanceMaterialPtr& generator);

protected:
    USubstanceEnvironmentMaterial() = default;
    ~USubstanceEnvironmentMaterial() override;

private:
    USubstanceMaterialPtr _generator;
};
