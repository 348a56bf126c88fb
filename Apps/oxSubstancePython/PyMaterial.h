#pragma once
/// \file PyMaterial.h
/// What the module's Material is: a Substance material of the stand-in host
/// held while Python keeps the object, with its own undo stack, and the
/// plain records through which a script looks at graphs, groups and presets.

// Python's headers come before Qt's, whose keyword macro 'slots' is a member name there.
#include <pybind11/pybind11.h>

#include "PyValues.h"

#include "oxHostSetup.h"
#include "oxSubstanceCommandSupport.h"

#include "host/Materials.h"

#include <QUndoStack>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

struct PyGroup
{
    std::string name;
    bool common = false;
    std::vector<PyAttribute> attributes;
};

struct PyGraph
{
    std::string name;
    std::vector<PyGroup> groups;
};

/// A preset's name, content and the file that it was read from ("" for none):
/// what add_presets adds a copy of.
struct PyPreset
{
    std::string name;
    std::string content;
    std::string sourcePath;
};

/// The material's undo stack, as scripts see it.
class PyUndoStack
{
public:
    /// Undoes the last done step; Error when there is none.
    void undo();
    /// Redoes the last undone step; Error when there is none.
    void redo();
    int count() const { return _stack.count(); }
    int index() const { return _stack.index(); }
    /// The undo text of every step, first to last.
    std::vector<std::string> texts() const;
    void clear() { _stack.clear(); }

    /// Pushes a command (null: nothing).
    void push(QUndoCommand* command);

private:
    QUndoStack _stack;
};

/// A preset or a graph, by index or name.
using IndexOrName = std::variant<long long, std::string>;
/// What add_presets takes: a preset file, or presets to add copies of.
using PathOrPresets = std::variant<std::filesystem::path, std::vector<PyPreset>>;

class PyMaterial
{
public:
    /// A new Substance material named \p name; with \p environment, the
    /// texture generator of a new environment material, which is the material
    /// that the scripting interface is given.
    PyMaterial(const std::string& name, bool environment);
    /// Drops the undo history, then the material and its archive.
    ~PyMaterial();
    PyMaterial(const PyMaterial&) = delete;
    PyMaterial& operator=(const PyMaterial&) = delete;

    std::string name() const;
    bool environment() const { return !_material.environment.get().isNull(); }
    /// The material that the scripting interface is given.
    MaterialPtr target() const { return _material.target(); }
    /// The Substance material that commands and utilities act on.
    const USubstanceMaterialPtr& substance() const { return _material.substance.get(); }

    // ------------------------------------------------------------ the scripting interface

    /// Loads an archive; Error with the library's message when it does not load.
    /// A loaded archive starts a new undo history.
    void loadArchive(const std::filesystem::path& path);
    /// Adds the presets of a preset file; Error when the file is not one.
    void loadPresetFile(const std::filesystem::path& path);
    std::vector<std::string> presetNames() const;
    std::string archivePath() const;
    void update();

    // ------------------------------------------------------------ looking

    std::vector<PyGraph> graphs() const;
    int activeGraph() const { return substance()->getActiveGraphIndex(); }
    /// Makes a graph active, by index or name.
    void setActiveGraph(const IndexOrName& indexOrName);
    /// A property of the graph (the active one when \p graph is None), by identifier or label.
    pybind11::object get(const std::string& property, const std::optional<std::string>& graph) const;
    std::vector<std::optional<PyPreset>> presets() const;
    std::optional<unsigned> currentPreset() const;
    std::vector<unsigned> matchingPresets() const;
    /// New presets read from preset files, not added.
    std::vector<PyPreset> importPresets(const std::vector<std::filesystem::path>& paths, bool acceptAnyGraph,
                                        bool skipDuplicates) const;
    void exportPresets(const std::filesystem::path& path, const std::optional<std::vector<long long>>& indexes) const;
    /// Each colour component that the material uses as a texture, with its image.
    pybind11::dict textures() const;

    // ------------------------------------------------------------ changing, undoably

    void set(const std::string& property, const pybind11::object& value, const std::optional<std::string>& graph);
    void applyPreset(const IndexOrName& indexOrName, bool defaultSize);
    void reset();
    /// Adds the presets of a preset file, or copies of the given presets; the number added.
    int addPresets(const PathOrPresets& pathOrPresets);
    void removePresets(const std::vector<long long>& indexes);
    void reorderPresets(const std::vector<long long>& order);
    void recapturePreset(long long index);
    PyUndoStack& undoStack() { return *_undo; }

    /// The index of a preset given by index or name: IndexError or KeyError
    /// when there is no such preset.
    unsigned presetIndex(const IndexOrName& indexOrName) const;

private:
    /// The graph that \p graph names, or the active one; KeyError or Error when there is none.
    std::string graphName(const std::optional<std::string>& graph) const;
    /// The attribute of \p property in \p graph; KeyError when there is none.
    AttributeValuePtr attribute(const std::string& graph, const std::string& property) const;
    /// Indexes of the preset list, each checked: IndexError for one outside the list.
    std::vector<unsigned> presetIndexes(const std::vector<long long>& indexes) const;

    oxHostMaterial _material;
    std::unique_ptr<PyUndoStack> _undo;
};
