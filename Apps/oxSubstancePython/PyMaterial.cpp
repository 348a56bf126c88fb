#include "PyMaterial.h"

#include "PyHostLog.h"
#include "PyValues.h"

#include "oxSubstanceAttributeSync.h"
#include "oxSubstancePresetUtils.h"
#include "oxSubstancePythonInterface.h"
#include "oxSubstanceUndoCommands.h"

#include "host/QSubstanceArchive.h"
#include "host/oxHostUtils.h"

#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <numeric>
#include <set>

namespace py = pybind11;

namespace {

std::string quoted(const std::string& text)
{
    return "'" + text + "'";
}

/// The path of a preset file that the library is to read; Error when it is not
/// a preset file. A path under which no file exists is expanded ("~", $NAME),
/// as the library does.
QString presetFile(const std::filesystem::path& path)
{
    QString file = QString::fromStdString(path.string());
    if (!QFileInfo::exists(file))
        file = QString::fromStdString(oxFile::expandFilename(path.string()));
    const QString refusal = oxPresetFileRefusal(file);
    if (!refusal.isEmpty())
        throw HostError(refusal.toStdString());
    return QFileInfo(file).absoluteFilePath();
}

/// New presets of the library (no reference yet), held while the module keeps them.
std::vector<oxSubstanceHeld<SubstancePresetPtr>> held(const std::vector<SubstancePresetPtr>& presets)
{
    return {presets.begin(), presets.end()};
}

PyPreset record(const SubstancePresetPtr& preset)
{
    return {preset->getName(), preset->getContent(), preset->getSourcePath()};
}

} // namespace

// ---------------------------------------------------------------- undo stack

void PyUndoStack::undo()
{
    if (!_stack.canUndo())
        throw HostError("nothing to undo");
    _stack.undo();
}

void PyUndoStack::redo()
{
    if (!_stack.canRedo())
        throw HostError("nothing to redo");
    _stack.redo();
}

std::vector<std::string> PyUndoStack::texts() const
{
    std::vector<std::string> texts;
    for (int i = 0; i < _stack.count(); ++i)
        texts.push_back(_stack.text(i).toStdString());
    return texts;
}

void PyUndoStack::push(QUndoCommand* command)
{
    if (command)
        _stack.push(command);
}

// ---------------------------------------------------------------- material

PyMaterial::PyMaterial(const std::string& name, bool environment) : _undo(std::make_unique<PyUndoStack>())
{
    _material.create(QString::fromStdString(name), environment);
}

PyMaterial::~PyMaterial()
{
    // The commands first: they hold presets and images of the material.
    _undo.reset();
    oxSubstanceArchiveFactory::instance().releaseMaterialArchive(substance()->getId());
}

std::string PyMaterial::name() const
{
    return substance()->getName();
}

void PyMaterial::loadArchive(const std::filesystem::path& path)
{
    const std::string file = path.string();
    if (!oxSubstancePythonInterface::loadArchive(target(), file.c_str()))
        throw HostError(loggedErrors("could not load the archive " + quoted(file)));
    _undo->clear();
}

void PyMaterial::loadPresetFile(const std::filesystem::path& path)
{
    presetFile(path);
    oxSubstancePythonInterface::loadPreset(target(), path.string().c_str());
}

std::vector<std::string> PyMaterial::presetNames() const
{
    return oxSubstancePythonInterface::getPresets(target());
}

std::string PyMaterial::archivePath() const
{
    return oxSubstancePythonInterface::getArchivePath(target());
}

void PyMaterial::update()
{
    oxSubstancePythonInterface::updateMaterial(target());
}

// ---------------------------------------------------------------- looking

std::vector<PyGraph> PyMaterial::graphs() const
{
    std::vector<PyGraph> graphs;
    for (const USubstanceGraphPtr& graph : substance()->getSubstanceGraphs())
    {
        if (graph.isNull())
            continue;
        PyGraph g{graph->getName(), {}};
        for (const AttributeGroupPtr& group : graph->getAttributeGroups())
        {
            if (group.isNull())
                continue;
            PyGroup gr{group->getName(), group->getCommon(), {}};
            for (const AttributeValuePtr& value : group->getProperties())
                if (!value.isNull())
                    gr.attributes.push_back(describeAttribute(substance(), value));
            g.groups.push_back(std::move(gr));
        }
        graphs.push_back(std::move(g));
    }
    return graphs;
}

void PyMaterial::setActiveGraph(const IndexOrName& indexOrName)
{
    const auto& graphs = substance()->getSubstanceGraphs();
    long long index = -1;
    if (const long long* i = std::get_if<long long>(&indexOrName))
    {
        index = *i;
        if (index < 0 || index >= static_cast<long long>(graphs.size()))
            throw py::index_error("no graph " + std::to_string(index) + ": the material has " +
                                  std::to_string(graphs.size()));
    }
    else
    {
        const std::string& name = std::get<std::string>(indexOrName);
        const auto named = std::find_if(graphs.begin(), graphs.end(), [&](const USubstanceGraphPtr& graph) {
            return !graph.isNull() && graph->getName() == name;
        });
        if (named == graphs.end())
            throw py::key_error("no graph named " + quoted(name));
        index = named - graphs.begin();
    }
    oxSelectActiveGraph(substance(), int(index));
}

std::string PyMaterial::graphName(const std::optional<std::string>& graph) const
{
    if (!graph)
    {
        const USubstanceGraphPtr active = substance()->getActiveGraph();
        if (active.isNull())
            throw HostError("the material has no active graph: load an archive first");
        return active->getName();
    }
    for (const USubstanceGraphPtr& g : substance()->getSubstanceGraphs())
        if (!g.isNull() && g->getName() == *graph)
            return *graph;
    throw py::key_error("no graph named " + quoted(*graph));
}

AttributeValuePtr PyMaterial::attribute(const std::string& graph, const std::string& property) const
{
    const AttributeValuePtr value = oxSubstanceAttributeSync().searchProperty(
        substance(), QString::fromStdString(graph), QString::fromStdString(property));
    if (value.isNull())
        throw py::key_error("no property " + quoted(property) + " in graph " + quoted(graph));
    return value;
}

py::object PyMaterial::get(const std::string& property, const std::optional<std::string>& graph) const
{
    const AttributeValuePtr value = attribute(graphName(graph), property);
    QVariant current;
    if (!oxSubstanceAttributeSync().getOsgAttribute(substance(), value, current))
        return py::none();
    return valueToPython(value, current);
}

std::vector<std::optional<PyPreset>> PyMaterial::presets() const
{
    std::vector<std::optional<PyPreset>> presets;
    for (const SubstancePresetPtr& preset : substance()->getSubstancePresets())
        presets.push_back(preset.isNull() ? std::nullopt : std::optional<PyPreset>(record(preset)));
    return presets;
}

std::optional<unsigned> PyMaterial::currentPreset() const
{
    unsigned index = 0;
    if (!oxSubstancePresetUtils::getCurrentState(substance(), index))
        return std::nullopt;
    return index;
}

std::vector<unsigned> PyMaterial::matchingPresets() const
{
    const std::set<unsigned> matching = oxSubstancePresetUtils::getMatchingPresetIndexes(substance());
    return {matching.begin(), matching.end()};
}

std::vector<PyPreset> PyMaterial::importPresets(const std::vector<std::filesystem::path>& paths,
                                                bool acceptAnyGraph, bool skipDuplicates) const
{
    QStringList files;
    for (const std::filesystem::path& path : paths)
        files << presetFile(path);
    std::vector<PyPreset> records;
    for (const auto& preset :
         held(oxSubstancePresetUtils::importPresets(substance(), files, acceptAnyGraph, skipDuplicates)))
        records.push_back(record(preset.get()));
    return records;
}

std::vector<unsigned> PyMaterial::presetIndexes(const std::vector<long long>& indexes) const
{
    const std::size_t count = substance()->getSubstancePresets().size();
    std::vector<unsigned> checked;
    for (long long index : indexes)
    {
        if (index < 0 || index >= static_cast<long long>(count))
            throw py::index_error("no preset " + std::to_string(index) + ": the material has " +
                                  std::to_string(count));
        if (std::find(checked.begin(), checked.end(), unsigned(index)) != checked.end())
            throw py::value_error("preset " + std::to_string(index) + " is named twice");
        checked.push_back(unsigned(index));
    }
    return checked;
}

void PyMaterial::exportPresets(const std::filesystem::path& path,
                               const std::optional<std::vector<long long>>& indexes) const
{
    const std::string file = path.string();
    std::vector<long long> all(substance()->getSubstancePresets().size());
    std::iota(all.begin(), all.end(), 0);
    const std::vector<unsigned> chosen = presetIndexes(indexes ? *indexes : all);
    if (chosen.empty())
        throw py::value_error("no preset to export");
    if (!oxSubstancePresetUtils::exportPresets(substance(), chosen, QString::fromStdString(file)))
        throw HostError("could not write the preset file " + quoted(file));
}

py::dict PyMaterial::textures() const
{
    py::dict textures;
    const ColorComponentsPtr data = substance()->getColorComponentData();
    if (data.isNull())
        return textures;
    for (const ComponentSettingsPtr& c : data->getAllComponents())
    {
        if (c.isNull() || !c->getUseTexture())
            continue;
        const ImagePtr image = c->getImage();
        textures[py::str(c->getComponentName())] =
            image.isNull() ? py::object(py::none())
                           : py::object(py::make_tuple(image->getWidth(), image->getHeight(), PyImage(image).dataType()));
    }
    return textures;
}

// ---------------------------------------------------------------- changing, undoably

void PyMaterial::set(const std::string& property, const py::object& value, const std::optional<std::string>& graph)
{
    const std::string name = graphName(graph);
    const AttributeValuePtr attr = this->attribute(name, property);
    QVariant current;
    oxSubstanceAttributeSync().getOsgAttribute(substance(), attr, current);
    const oxValueForms::EnteredValue entered = valueFromPython(attr, current, value, property);
    _undo->push(oxSubstancePropertyUndoCommand::create(substance(), QString::fromStdString(name),
                                                       QString::fromStdString(property), entered.value));
}

unsigned PyMaterial::presetIndex(const IndexOrName& indexOrName) const
{
    if (const long long* index = std::get_if<long long>(&indexOrName))
        return presetIndexes({*index}).front();
    unsigned index = 0;
    const std::string& name = std::get<std::string>(indexOrName);
    if (!oxSubstancePresetUtils::getPresetIndex(substance(), name, index))
        throw py::key_error("no preset named " + quoted(name));
    return index;
}

void PyMaterial::applyPreset(const IndexOrName& indexOrName, bool defaultSize)
{
    _undo->push(new oxApplySubstancePresetUndoCommand(substance(), presetIndex(indexOrName), defaultSize));
}

void PyMaterial::reset()
{
    graphName(std::nullopt);
    _undo->push(new oxResetSubstanceGraphUndoCommand(substance()));
}

int PyMaterial::addPresets(const PathOrPresets& pathOrPresets)
{
    std::vector<oxSubstanceHeld<SubstancePresetPtr>> presets;
    if (const auto* path = std::get_if<std::filesystem::path>(&pathOrPresets))
        presets = held(oxSubstancePresetUtils::importPresets(substance(), {presetFile(*path)}, false, true));
    else
        for (const PyPreset& r : std::get<std::vector<PyPreset>>(pathOrPresets))
            presets.emplace_back(SubstancePreset::create(r.name, r.content, r.sourcePath));
    if (!presets.empty())
        _undo->push(new oxAddSubstancePresetUndoCommand(substance(), oxSubstanceHandles(presets)));
    return int(presets.size());
}

void PyMaterial::removePresets(const std::vector<long long>& indexes)
{
    const std::vector<unsigned> chosen = presetIndexes(indexes);
    if (chosen.empty())
        throw py::value_error("no preset to remove");
    _undo->push(new oxRemoveSubstancePresetUndoCommand(substance(), chosen));
}

void PyMaterial::reorderPresets(const std::vector<long long>& order)
{
    const std::size_t count = substance()->getSubstancePresets().size();
    const std::vector<unsigned> chosen = presetIndexes(order);
    if (chosen.size() != count)
        throw py::value_error("the order must name each of the " + std::to_string(count) + " presets once");
    _undo->push(new oxReorderPresetsUndoCommand(substance(), chosen));
}

void PyMaterial::recapturePreset(long long index)
{
    const unsigned i = presetIndexes({index}).front();
    _undo->push(new oxRecapturePresetUndoCommand(substance(), substance()->getSubstancePresets()[i]));
}
