// The stand-in archive service: archives read from the XML archive format of
// docs/archive-format.md, kept per material id, with placeholder renders.

#include "QSubstanceArchive.h"

#include "../model/ModelInternal.h"
#include "oxArchiveAttributes.h"
#include "oxArchiveReader.h"
#include "oxArchiveTypes.h"

#include "QOXIntVector.h"
#include "oxHostUtils.h"
#include "oxStandInFiles.h"
#include "oxStandInTesting.h"

#include <QDebug>

namespace {

using namespace oxArchive;

bool s_defaultSyncOutputSize = true;

/// Placeholder textures are this many pixels wide and high.
constexpr osg::Int32 kPlaceholderSize = 4;

void count(const char* operation)
{
    oxStandIn::countArchiveCall(operation);
}

std::string utf8(const QString& s)
{
    return s.toStdString();
}

} // namespace

bool oxArchive::defaultSyncOutputSize()
{
    return s_defaultSyncOutputSize;
}

// ---------------------------------------------------------------- archive state

/// The current value of one input. For an image input the archive holds one
/// reference on `image` and `value.text` is the path that it was read from.
struct InputState
{
    Value value;
    ImagePtr image;
};

struct QSubstanceArchive::Data
{
    QString path;
    std::vector<unsigned char> bytes;
    std::vector<ArchiveGraph> graphs;
    std::vector<std::vector<InputState>> states; ///< per graph, per input
    int active = 0;
    bool sync = true;

    Data() = default;
    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;
    ~Data()
    {
        for (auto& graph : states)
            for (InputState& s : graph)
                setImage(s, ImagePtr());
    }

    static void setImage(InputState& state, const ImagePtr& image)
    {
        osg::addRef(image);
        osg::subRef(state.image);
        state.image = image;
    }

    int graphIndex(const QString& label) const
    {
        for (std::size_t g = 0; g < graphs.size(); ++g)
            if (graphs[g].label == label)
                return int(g);
        return -1;
    }

    bool hasActive() const { return active >= 0 && std::size_t(active) < graphs.size(); }

    QVariant current(int g, int i) const
    {
        const ArchiveInput& info = graphs[g].inputs[i];
        const InputState& state = states[g][i];
        if (info.type->kind == Kind::Image)
            return oxSubstanceUtils::convertOsgImageToQVariant(state.image);
        if (info.isOutputSize())
            return QVariant::fromValue(QOXIntVector3D(state.value.i[0], state.value.i[1], sync ? 1 : 0));
        return toVariant(*info.type, state.value, info.isColour());
    }

    bool isDefault(int g, int i) const
    {
        const ArchiveInput& info = graphs[g].inputs[i];
        const InputState& state = states[g][i];
        if (info.type->kind == Kind::Image)
            return state.image.isNull();
        return state.value == info.defaultValue;
    }

    void reset(int g, int i)
    {
        InputState& state = states[g][i];
        state.value = graphs[g].inputs[i].defaultValue;
        setImage(state, ImagePtr());
    }

    /// Stores a value in the archive's form; true when the input changed.
    bool set(int g, int i, const QVariant& variant)
    {
        if (!variant.isValid())
            return false;
        const ArchiveInput& info = graphs[g].inputs[i];
        InputState& state = states[g][i];
        if (info.type->kind == Kind::Image)
        {
            const ImagePtr image = oxSubstanceUtils::convertQVariantToOsgImage(variant);
            // The source path names the file that the image was read from; a
            // file that did not read is no source.
            QString source;
            if (!image.isNull() && variant.userType() == QMetaType::QString)
                source = variant.toString();
            else if (!image.isNull() && image == state.image)
                source = state.value.text;
            const bool changed = image != state.image || source != state.value.text;
            setImage(state, image);
            state.value.text = source;
            return changed;
        }
        if (info.isOutputSize() && variant.userType() == qMetaTypeId<QOXIntVector3D>())
        {
            const QOXIntVector3D v = variant.value<QOXIntVector3D>();
            const bool newSync = v.getZ() == 1;
            const bool changed = state.value.i[0] != v.getX() || state.value.i[1] != v.getY() || sync != newSync;
            state.value.i[0] = v.getX();
            state.value.i[1] = v.getY();
            sync = newSync;
            return changed;
        }
        Value value;
        if (!fromVariant(*info.type, variant, info.isColour(), value))
            return false;
        const bool changed = value != state.value;
        state.value = value;
        return changed;
    }

    /// The placeholder colour of an output: a hash of the graph, the output
    /// and every current input value.
    std::uint32_t renderHash(int g, const ArchiveOutput& output) const
    {
        std::uint32_t h = hashBytes(utf8(graphs[g].label));
        h = hashBytes(utf8(output.identifier), h);
        for (std::size_t i = 0; i < graphs[g].inputs.size(); ++i)
        {
            const ArchiveInput& info = graphs[g].inputs[i];
            const InputState& state = states[g][i];
            std::string text = utf8(info.identifier) + '=' + formatValue(*info.type, state.value);
            if (info.type->kind == Kind::Image)
                text += '#' + std::to_string(state.image.isNull() ? 0u : state.image->getId());
            h = hashBytes(text + ';', h);
        }
        return h;
    }
};

// ---------------------------------------------------------------- reader

QSubstanceBinaryDiskReader::QSubstanceBinaryDiskReader(const QString& path, QObject* parent)
    : QObject(parent), _path(path)
{
}

QSubstanceBinaryDiskReader::~QSubstanceBinaryDiskReader() = default;

// ---------------------------------------------------------------- archive

QSubstanceArchive::QSubstanceArchive() = default;
QSubstanceArchive::~QSubstanceArchive() = default;

bool QSubstanceArchive::import(QSubstanceBinaryDiskReader& reader)
{
    count("import");
    const QString path = reader.path();
    QString problem;
    QByteArray bytes;
    oxStandIn::readRegularFile(path, oxStandIn::MaxArchiveFileSize, bytes, problem);
    if (problem.isEmpty() && bytes.isEmpty())
        problem = QStringLiteral("the file is empty");

    std::vector<ArchiveGraph> graphs;
    if (problem.isEmpty())
        readArchive(bytes, graphs, problem);
    if (!problem.isEmpty())
    {
        oxLog::error("Unable to load Substance archive '%s': %s.", utf8(path).c_str(), utf8(problem).c_str());
        return false;
    }

    auto data = std::make_unique<Data>();
    data->path = path;
    data->bytes.assign(bytes.begin(), bytes.end());
    data->graphs = std::move(graphs);
    for (const ArchiveGraph& g : data->graphs)
    {
        std::vector<InputState> states(g.inputs.size());
        for (std::size_t i = 0; i < g.inputs.size(); ++i)
            states[i].value = g.inputs[i].initialValue;
        data->states.push_back(std::move(states));
    }
    data->sync = s_defaultSyncOutputSize;
    _d = std::move(data);
    return true;
}

bool QSubstanceArchive::isEmpty() const
{
    count("isEmpty");
    return !_d;
}

QString QSubstanceArchive::path() const
{
    count("path");
    return _d ? _d->path : QString();
}

std::vector<unsigned char> QSubstanceArchive::data() const
{
    count("data");
    return _d ? _d->bytes : std::vector<unsigned char>();
}

int QSubstanceArchive::activeGraphIndex() const
{
    count("activeGraphIndex");
    return _d ? _d->active : 0;
}

void QSubstanceArchive::setActiveGraphIndex(int index)
{
    count("setActiveGraphIndex");
    if (_d && index >= 0 && std::size_t(index) < _d->graphs.size())
        _d->active = index;
}

bool QSubstanceArchive::hasChannel(int graphIndex, SubstanceAir::ChannelUse channel) const
{
    count("hasChannel");
    if (!_d || graphIndex < 0 || std::size_t(graphIndex) >= _d->graphs.size())
        return false;
    for (const ArchiveOutput& o : _d->graphs[graphIndex].outputs)
        if (o.channel == int(channel))
            return true;
    return false;
}

GraphDescriptionList QSubstanceArchive::graphs() const
{
    count("graphs");
    GraphDescriptionList list;
    if (!_d)
        return list;
    for (std::size_t g = 0; g < _d->graphs.size(); ++g)
    {
        QList<QMap<QString, QVariant>> inputs;
        const ArchiveGraph& info = _d->graphs[g];
        for (std::size_t i = 0; i < info.inputs.size(); ++i)
            inputs.append(info.inputs[i].describe(_d->current(int(g), int(i))));
        list.emplace_back(info.label, inputs);
    }
    return list;
}

std::vector<std::pair<QString, QString>> QSubstanceArchive::presets() const
{
    count("presets");
    std::vector<std::pair<QString, QString>> list;
    if (_d)
        for (const ArchiveGraph& g : _d->graphs)
            list.insert(list.end(), g.presets.begin(), g.presets.end());
    return list;
}

std::vector<OsgColorComponentDesc> QSubstanceArchive::osgColorComponents(int graphIndex) const
{
    count("osgColorComponents");
    std::vector<OsgColorComponentDesc> list;
    if (!_d)
        return list;
    const int g = graphIndex == 0 ? _d->active : graphIndex;
    if (g < 0 || std::size_t(g) >= _d->graphs.size())
        return list;
    for (const ArchiveOutput& o : _d->graphs[g].outputs)
    {
        if (o.component.isEmpty())
            continue;
        OsgColorComponentDesc desc;
        desc.componentName = utf8(o.component);
        desc.outputIdentifier = utf8(o.identifier);
        desc.dataType = o.dataType;
        list.push_back(desc);
    }
    return list;
}

QSet<QString> QSubstanceArchive::packageURLs() const
{
    count("packageURLs");
    QSet<QString> urls;
    if (_d)
        for (const ArchiveGraph& g : _d->graphs)
            if (!g.packageUrl.isEmpty())
                urls.insert(g.packageUrl);
    return urls;
}

std::map<QString, SubstancePropertyValue> QSubstanceArchive::getActiveGraphValues() const
{
    count("getActiveGraphValues");
    std::map<QString, SubstancePropertyValue> values;
    if (!_d || !_d->hasActive())
        return values;
    const int g = _d->active;
    const ArchiveGraph& info = _d->graphs[g];
    for (std::size_t i = 0; i < info.inputs.size(); ++i)
    {
        const ArchiveInput& in = info.inputs[i];
        if (in.isHidden())
            continue;
        SubstancePropertyValue v;
        v.value = _d->current(g, int(i));
        v.isDefault = _d->isDefault(g, int(i));
        v.group = in.group;
        values[in.identifier] = v;
    }
    return values;
}

bool QSubstanceArchive::updateInputs(const QString& graphName, const QString& identifier, const QVariant& value)
{
    count("updateInputs");
    if (!_d)
        return false;
    const int g = _d->graphIndex(graphName);
    if (g < 0)
        return false;
    const int i = _d->graphs[g].indexOf(identifier);
    return i >= 0 && _d->set(g, i, value);
}

void QSubstanceArchive::updateInputs(unsigned materialId)
{
    count("updateInputs");
    if (!_d)
        return;
    const USubstanceMaterialPtr material =
        USubstanceMaterialPtr::dcast(osg::FieldContainerFactory::the()->getContainer(materialId));
    if (material.isNull())
        return;
    // The material's choice of graph is the one that counts.
    const int index = material->getActiveGraphIndex();
    if (index >= 0 && std::size_t(index) < _d->graphs.size())
        _d->active = index;
    const USubstanceGraphPtr graph = material->getActiveGraph();
    if (graph.isNull() || !_d->hasActive())
        return;
    const int g = _d->active;
    const ArchiveGraph& info = _d->graphs[g];
    for (std::size_t i = 0; i < info.inputs.size(); ++i)
    {
        const AttributeValuePtr attribute = findAttribute(graph, info.inputs[i].identifier);
        if (attribute.isNull())
            continue;
        _d->set(g, int(i), readAttribute(material, attribute));
    }
}

bool QSubstanceArchive::renderTextures(unsigned materialId, bool fullRender, bool synchronous)
{
    count("renderTextures");
    // Without an engine every render is a full, synchronous placeholder render.
    Q_UNUSED(fullRender);
    Q_UNUSED(synchronous);
    if (!_d || !_d->hasActive())
        return false;
    const USubstanceMaterialPtr material =
        USubstanceMaterialPtr::dcast(osg::FieldContainerFactory::the()->getContainer(materialId));
    if (material.isNull())
        return false;
    const ColorComponentsPtr components = material->getColorComponentData();
    if (components.isNull())
        return true;

    const int g = _d->active;
    const std::string incandescence = ColorComponents::getComponentTypeIdToString(4);
    for (const ArchiveOutput& output : _d->graphs[g].outputs)
    {
        if (output.component.isEmpty())
            continue;
        const std::string name = utf8(output.component);
        const ComponentSettingsPtr settings = components->getComponentSettings(name);
        if (settings.isNull())
            continue;
        const std::uint32_t h = _d->renderHash(g, output);
        const ImagePtr image = osg::Image::create();
        osg::addRef(image); // held while it is handed to its users
        image->setUniformColor(kPlaceholderSize, kPlaceholderSize, osg::UInt8(h >> 16), osg::UInt8(h >> 8),
                               osg::UInt8(h));
        if (output.dataType != osg::Image::OSG_UINT8_IMAGEDATA)
            image->convertDataTypeTo(output.dataType);
        {
            osgEdit edit(settings, ComponentSettingsBase::ImageFieldMask);
            settings->setImage(image);
        }
        if (name == incandescence)
        {
            osgEdit edit(material, UBRDFMaterialBase::IncandescenceMapFieldMask);
            material->setIncandescenceMap(image);
        }
        osg::subRef(image);
    }
    return true;
}

void QSubstanceArchive::resetGraph()
{
    count("resetGraph");
    if (!_d || !_d->hasActive())
        return;
    const int g = _d->active;
    for (std::size_t i = 0; i < _d->graphs[g].inputs.size(); ++i)
        _d->reset(g, int(i));
}

bool QSubstanceArchive::applyPreset(const SubstancePresetPtr& preset, bool defaultOutputSize)
{
    count("applyPreset");
    if (!_d || !_d->hasActive() || preset.isNull())
        return false;
    SubstanceAir::Preset record;
    if (!SubstanceAir::parsePreset(record, preset->getContent().c_str()))
    {
        oxLog::error("Unable to apply preset '%s': its content is not a preset.", preset->getName().c_str());
        return false;
    }

    // Inputs that the preset leaves out take their defaults; the output size
    // stays unless the preset names it.
    const int g = _d->active;
    const ArchiveGraph& info = _d->graphs[g];
    for (std::size_t i = 0; i < info.inputs.size(); ++i)
        if (!info.inputs[i].isOutputSize())
            _d->reset(g, int(i));

    for (const SubstanceAir::Preset::InputValue& input : record.inputValues)
    {
        const int i = info.indexOf(QString::fromStdString(input.identifier));
        if (i < 0)
            continue;
        QVariant value = oxSubstanceUtils::getValue(input);
        if (!value.isValid())
        {
            oxLog::warning("Preset '%s': the value \"%s\" of input '%s' does not read; the input keeps its default.",
                           preset->getName().c_str(), input.value.c_str(), input.identifier.c_str());
            continue;
        }
        if (info.inputs[i].isOutputSize())
        {
            if (defaultOutputSize)
                continue;
            // A preset carries the size only; the sync state stays the archive's.
            if (value.userType() == qMetaTypeId<QOXIntVector3D>())
            {
                const QOXIntVector3D v = value.value<QOXIntVector3D>();
                value = QVariant::fromValue(QOXIntVector2D(v.getX(), v.getY()));
            }
        }
        _d->set(g, i, value);
    }

    if (defaultOutputSize)
    {
        const int i = info.indexOf(QLatin1String(OutputSizeId));
        if (i >= 0)
            _d->reset(g, i);
        _d->sync = s_defaultSyncOutputSize;
    }
    return true;
}

bool QSubstanceArchive::getOutputSize(int& width, int& height) const
{
    count("getOutputSize");
    if (!_d || !_d->hasActive())
        return false;
    const int g = _d->active;
    const int i = _d->graphs[g].indexOf(QLatin1String(OutputSizeId));
    if (i < 0)
        return false;
    const Value& v = _d->states[g][i].value;
    for (int c = 0; c < 2; ++c)
    {
        if (v.i[c] < 0 || v.i[c] > MaxOutputSizeLog2)
        {
            oxLog::warning("The output size 2^%d x 2^%d of graph '%s' is out of range.", v.i[0], v.i[1],
                           utf8(_d->graphs[g].label).c_str());
            return false;
        }
    }
    width = 1 << v.i[0];
    height = 1 << v.i[1];
    return true;
}

void QSubstanceArchive::fillPreset(SubstanceAir::Preset& preset) const
{
    count("fillPreset");
    if (!_d || !_d->hasActive())
        return;
    const int g = _d->active;
    const ArchiveGraph& info = _d->graphs[g];
    preset.packageUrl = utf8(info.packageUrl);
    preset.label = utf8(info.label);
    preset.inputValues.clear();
    for (std::size_t i = 0; i < info.inputs.size(); ++i)
    {
        const ArchiveInput& in = info.inputs[i];
        SubstanceAir::Preset::InputValue v;
        v.uid = in.uid;
        v.identifier = utf8(in.identifier);
        v.type = std::uint32_t(in.type->code);
        v.value = formatValue(*in.type, _d->states[g][i].value);
        preset.inputValues.push_back(v);
    }
}

bool QSubstanceArchive::getDefaultSyncOutputSize()
{
    count("getDefaultSyncOutputSize");
    return s_defaultSyncOutputSize;
}

void QSubstanceArchive::setDefaultSyncOutputSize(bool sync)
{
    count("setDefaultSyncOutputSize");
    s_defaultSyncOutputSize = sync;
}

// ---------------------------------------------------------------- factory

oxSubstanceArchiveFactory& oxSubstanceArchiveFactory::instance()
{
    // Never destroyed: archives hold image references that must not be given
    // back after the host model has gone at process exit.
    static oxSubstanceArchiveFactory* factory = new oxSubstanceArchiveFactory();
    return *factory;
}

std::shared_ptr<QSubstanceArchive> oxSubstanceArchiveFactory::getMaterialArchive(unsigned materialId, bool& created)
{
    count("getMaterialArchive");
    std::shared_ptr<QSubstanceArchive>& archive = _archives[materialId];
    created = !archive;
    if (created)
        archive = std::make_shared<QSubstanceArchive>();
    return archive;
}

void oxSubstanceArchiveFactory::releaseMaterialArchive(unsigned materialId)
{
    _archives.erase(materialId);
}

void oxSubstanceArchiveFactory::clear()
{
    _archives.clear();
}

std::string oxStandIn::detail::renderInputs(osg::UInt32 materialId)
{
    bool created = false;
    const std::shared_ptr<QSubstanceArchive> archive =
        oxSubstanceArchiveFactory::instance().getMaterialArchive(materialId, created);
    if (archive->isEmpty())
        return std::string();
    QString text;
    {
        // Written into the text when it goes out of scope.
        QDebug out(&text);
        for (const auto& entry : archive->getActiveGraphValues())
            out << entry.first << entry.second.value;
    }
    return text.toStdString();
}

namespace {

void resetArchiveService()
{
    oxSubstanceArchiveFactory::instance().clear();
    s_defaultSyncOutputSize = true;
}

const bool s_resetHookRegistered = (oxStandIn::addResetHook(&resetArchiveService), true);

} // namespace
