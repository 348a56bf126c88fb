#pragma once
/// \file QSubstanceArchive.h
/// The host's Substance archive service: one archive object per material id,
/// its graphs, inputs, outputs and presets, and the render of its textures
/// into the material.

#include "Materials.h"
#include "oxHostExport.h"

#include "../preset/SubstanceAirPreset.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <QVariant>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace SubstanceAir {

/// Channel uses of graph outputs (subset; values as the engine numbers them).
enum ChannelUse
{
    Channel_BaseColor = 0,
    Channel_Specular = 2,
    Channel_Roughness = 4,
    Channel_Metallic = 5,
    Channel_Normal = 6,
    Channel_Height = 9,
    Channel_Emissive = 10,
    Channel_Opacity = 12,
    Channel_Anisotropy = 25,
    Channel_Panorama = 29
};

/// Input type codes of preset inputs.
enum InputType
{
    InputType_Float = 0,
    InputType_Float2 = 1,
    InputType_Float3 = 2,
    InputType_Float4 = 3,
    InputType_Integer = 4,
    InputType_Image = 5, ///< file-path input
    InputType_String = 6,
    InputType_Integer2 = 8,
    InputType_Integer3 = 9,
    InputType_Integer4 = 10
};

} // namespace SubstanceAir

/// One input description: the keys "TYP", "ID", "LABEL", "GROUP", "VALUE", ...
using InputDescription = QMap<QString, QVariant>;
/// One element per graph: its name and its input descriptions, in archive order.
using GraphDescriptionList = std::vector<std::pair<QString, QList<QMap<QString, QVariant>>>>;

/// A colour component that a graph output feeds.
struct OX_HOST_API OsgColorComponentDesc
{
    std::string componentName; ///< type-id name of the component (ColorComponents)
    std::string outputIdentifier; ///< identifier of the output that feeds it
    int dataType = 0;          ///< osg::Image data type of the rendered texture
};

/// Current state of one input of the active graph.
struct OX_HOST_API SubstancePropertyValue
{
    QVariant value;  ///< current value, in the attribute-sync form of its type
    bool isDefault = false; ///< true while the value equals the input's default
    QString group;   ///< name of the input's attribute group ("" for the shared group)
};

/// Reads an archive file from disk.
class OX_HOST_API QSubstanceBinaryDiskReader : public QObject
{
public:
    QSubstanceBinaryDiskReader(const QString& path, QObject* parent);
    ~QSubstanceBinaryDiskReader() override;
    const QString& path() const { return _path; }

private:
    QString _path;
};

/// A loaded archive. Empty until import() succeeds.
class OX_HOST_API QSubstanceArchive
{
public:
    QSubstanceArchive();
    ~QSubstanceArchive();
    QSubstanceArchive(const QSubstanceArchive&) = delete;
    QSubstanceArchive& operator=(const QSubstanceArchive&) = delete;

    /// Loads the reader's file. On failure logs an error naming the file and the
    /// problem, returns false and keeps the archive as it was.
    bool import(QSubstanceBinaryDiskReader& reader);
    bool isEmpty() const;
    QString path() const;
    std::vector<unsigned char> data() const;

    int activeGraphIndex() const;
    /// Selects the active graph (host side); ignored when out of range.
    void setActiveGraphIndex(int index);
    bool hasChannel(int graphIndex, SubstanceAir::ChannelUse channel) const;
    GraphDescriptionList graphs() const;
    /// The archive's own presets as (name, content) pairs.
    std::vector<std::pair<QString, QString>> presets() const;
    /// The colour components that the active graph's outputs feed; \p graphIndex 0 selects the active graph.
    std::vector<OsgColorComponentDesc> osgColorComponents(int graphIndex) const;
    QSet<QString> packageURLs() const;
    std::map<QString, SubstancePropertyValue> getActiveGraphValues() const;

    /// Sets one input of the named graph; true when a render should follow.
    bool updateInputs(const QString& graphName, const QString& identifier, const QVariant& value);
    /// Reads every input value of the active graph back from the material's attributes.
    void updateInputs(unsigned materialId);
    /// Renders the outputs into the material's colour components (placeholder images).
    bool renderTextures(unsigned materialId, bool fullRender, bool synchronous);

    /// Puts every input of the active graph back to its default.
    void resetGraph();
    /// Sets the active graph's inputs from the preset's content; false when the
    /// preset is null or its content does not read.
    bool applyPreset(const SubstancePresetPtr& preset, bool defaultOutputSize);
    /// The active graph's output size in pixels; false when it has no "$outputsize".
    bool getOutputSize(int& width, int& height) const;
    /// Fills a record from the active graph's current values.
    void fillPreset(SubstanceAir::Preset& preset) const;

    /// Whether a new material syncs its output size (process-wide; default true).
    static bool getDefaultSyncOutputSize();
    static void setDefaultSyncOutputSize(bool sync);

private:
    struct Data;
    std::unique_ptr<Data> _d;
};

/// Keeps one archive per material id.
class OX_HOST_API oxSubstanceArchiveFactory
{
public:
    static oxSubstanceArchiveFactory& instance();
    /// The archive of a material id (created empty on first request; never null).
    /// \p created is set to true when the archive was created by this call.
    std::shared_ptr<QSubstanceArchive> getMaterialArchive(unsigned materialId, bool& created);
    /// Drops the archive of a material id.
    void releaseMaterialArchive(unsigned materialId);
    /// Drops every archive.
    void clear();

private:
    std::map<unsigned, std::shared_ptr<QSubstanceArchive>> _archives;
};

/// A file on disk as the archive service sees it.
class OX_HOST_API QSubstanceFile
{
public:
    explicit QSubstanceFile(const QString& path);
    /// True when the file exists and its top element is "sbspresets".
    bool arePresets() const;

private:
    QString _path;
};

/// Reads the text of a preset file.
class OX_HOST_API QSubstancePresetReader
{
public:
    explicit QSubstancePresetReader(const QString& path);
    bool read();
    const std::string& get() const { return _text; }

private:
    QString _path;
    std::string _text;
};

/// The host's renderer; absent (null) until the host installs one.
class OX_HOST_API oxSubstanceRenderer
{
public:
    static oxSubstanceRenderer* instance();
    /// Installs (or, with null, removes) the renderer; not owned.
    static void setInstance(oxSubstanceRenderer* renderer);
    virtual ~oxSubstanceRenderer();
    /// Tells the renderer that a material's textures changed.
    virtual void materialUpdated(unsigned materialId);
};

class OX_HOST_API oxSubstanceUtils
{
public:
    /// An image as a QVariant: an oxdImage naming the image's container (id 0 for null).
    static QVariant convertOsgImageToQVariant(const ImagePtr& image);
    /// The image named by an oxdImage, or read from a binary PPM file named by a
    /// string; null otherwise.
    static ImagePtr convertQVariantToOsgImage(const QVariant& value);
    /// Every live Substance material.
    static std::vector<USubstanceMaterialPtr> getAllSubstanceMaterials();
    /// The text of one "sbspreset" element for a record.
    static std::string getContent(const SubstanceAir::Preset& preset);
    /// The preset's name (its label) and content.
    static std::pair<std::string, std::string> getNameAndContent(const SubstanceAir::Preset& preset);
    /// A preset input's value in the attribute-sync form of its type code.
    static QVariant getValue(const SubstanceAir::Preset::InputValue& input);
};
