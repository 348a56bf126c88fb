/// The Python module oxsubstance: Substance materials of the stand-in host
/// driven from scripts, through the library's scripting interface, its value
/// conversions, preset utilities and undo commands.

#include "PyMaterial.h"
#include "PyHostLog.h"
#include "PyValues.h"

#include "oxSubstancePresetUtils.h"
#include "oxSubstancePythonInterface.h"

#include "oxStandInTesting.h"

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

namespace py = pybind11;
using namespace pybind11::literals;

namespace {

const char* const ModuleDoc = R"(Substance materials driven from Python scripts.

A Material is a Substance material of the host. Load an archive (.sbsar) into
it, look at its graphs, attribute groups and attributes, read and set input
values, and manage its presets:

    import oxsubstance
    wood = oxsubstance.Material("wood")
    wood.load_archive("samples/materials.sbsar")
    wood.set("roughness", 0.6)            # by identifier or label
    wood.apply_preset("Dark Walnut")
    wood.undo_stack.undo()                # every change is one undo step
    wood.export_presets("wood.sbsprs")

Values: float and int as Python numbers, vectors as tuples, a colour as
(red, green, blue) (setting takes an alpha too), a string as str, an image as
an Image (set it from a file path; None for none), the output size as
(width, height, synced) in pixels.

The functions of the host's scripting interface are here one to one:
Material.load_archive, load_preset_file, preset_names, archive_path and update,
and apply_preset(material, index_or_name, default_size), which applies a preset
without an undo step. Everything else that a Material's methods change goes
through the library's undo commands on the material's undo_stack.

The library's messages go to the logger "oxsubstance" of the logging module
(errors as ERROR, warnings as WARNING); a call that fails raises Error with
the library's message. Calls run one at a time: keep a material to one thread.)";

/// Marks a function that reaches the library: the host log goes to logging when it ends.
using Guard = py::call_guard<HostLogCall>;

/// A property accessor that reaches the library.
template <class F>
py::cpp_function guarded(F f)
{
    return py::cpp_function(f, Guard());
}

std::string attributeRepr(const PyAttribute& a)
{
    return "<Attribute " + a.identifier + " '" + a.label + "' " + a.type + " = " +
           py::repr(a.value).cast<std::string>() + ">";
}

void defineRecords(py::module_& m)
{
    py::class_<PyImage>(m, "Image", "An image of the host, kept alive while the object lives. Setting it "
                                    "as an image property's value gives the property this very image.")
        .def_property_readonly("width", &PyImage::width, "Width in pixels.")
        .def_property_readonly("height", &PyImage::height, "Height in pixels.")
        .def_property_readonly("data_type", &PyImage::dataType,
                               "Type of a channel: 'uint8', 'uint16', 'uint32' or 'float32'.")
        .def("__eq__",
             [](const PyImage& a, const py::object& b) {
                 return py::isinstance<PyImage>(b) && a.image() == b.cast<const PyImage&>().image();
             })
        .def("__hash__", [](const PyImage& a) { return a.image()->getId(); })
        .def("__repr__", [](const PyImage& a) {
            return "<Image " + std::to_string(a.width()) + " x " + std::to_string(a.height()) + " " + a.dataType() +
                   ">";
        });

    py::class_<PyAttribute>(m, "Attribute", "One input of a graph, as it stood when Material.graphs was read.")
        .def_readonly("identifier", &PyAttribute::identifier, "The input's identifier.")
        .def_readonly("label", &PyAttribute::label, "The label shown to users.")
        .def_readonly("type", &PyAttribute::type,
                      "The type string: 'float', 'float[2]' to 'float[4]', 'int', 'int[2]' to 'int[4]', "
                      "'string' or 'image'.")
        .def_readonly("value", &PyAttribute::value, "The value, in the form that Material.get gives.")
        .def_readonly("default", &PyAttribute::defaultValue,
                      "The default value; for a string or an image, the default as the archive states it.")
        .def_readonly("min", &PyAttribute::min, "The smallest value of each component (None for text and images).")
        .def_readonly("max", &PyAttribute::max, "The largest value of each component (None for text and images).")
        .def_readonly("step", &PyAttribute::step, "The slider step (None for text and images).")
        .def_readonly("labels", &PyAttribute::labels, "The captions of a vector's components.")
        .def_readonly("widget", &PyAttribute::widget, "The widget that shows the input ('slider', 'color', ...).")
        .def_readonly("description", &PyAttribute::description, "The input's description.")
        .def_readonly("visibility", &PyAttribute::visibility, "The condition under which the input is shown.")
        .def_readonly("map", &PyAttribute::map, "For an int with named values: caption by value; else None.")
        .def("__repr__", &attributeRepr);

    py::class_<PyGroup>(m, "Group", "An attribute group of a graph.")
        .def_readonly("name", &PyGroup::name, "The group's name ('Common' for the shared group).")
        .def_readonly("common", &PyGroup::common, "Whether this is the shared group of ungrouped inputs.")
        .def_readonly("attributes", &PyGroup::attributes, "The group's attributes, in archive order.")
        .def("__repr__", [](const PyGroup& g) {
            return "<Group '" + g.name + "', " + std::to_string(g.attributes.size()) + " attributes>";
        });

    py::class_<PyGraph>(m, "Graph", "A graph of a material.")
        .def_readonly("name", &PyGraph::name, "The graph's name.")
        .def_readonly("groups", &PyGraph::groups, "The attribute groups, the shared group last.")
        .def("__repr__", [](const PyGraph& g) { return "<Graph '" + g.name + "'>"; });

    py::class_<PyPreset>(m, "Preset", "A preset: name, content (one sbspreset element) and the file that it was "
                                      "read from. Material.add_presets adds copies of presets.")
        .def(py::init([](std::string name, std::string content, std::string sourcePath) {
                 return PyPreset{std::move(name), std::move(content), std::move(sourcePath)};
             }),
             "name"_a, "content"_a, "source_path"_a = "", "A preset record, for add_presets.")
        .def_readonly("name", &PyPreset::name, "The preset's name.")
        .def_readonly("content", &PyPreset::content, "The preset's XML text.")
        .def_readonly("source_path", &PyPreset::sourcePath, "The file that it was read from; '' for none.")
        .def("__repr__", [](const PyPreset& p) { return "<Preset '" + p.name + "'>"; });
}

void defineUndoStack(py::module_& m)
{
    py::class_<PyUndoStack>(m, "UndoStack", "A material's undo history: one step per change made through the "
                                            "material's methods. Successive edits of one property merge into one step.")
        .def("undo", &PyUndoStack::undo, Guard(), "Undoes the last step; Error when there is none.")
        .def("redo", &PyUndoStack::redo, Guard(), "Redoes the last undone step; Error when there is none.")
        .def_property_readonly("count", &PyUndoStack::count, "The number of steps, done and undone.")
        .def_property_readonly("index", &PyUndoStack::index, "The number of done steps.")
        .def_property_readonly("texts", &PyUndoStack::texts, "The undo text of every step, first to last.")
        .def("clear", &PyUndoStack::clear, Guard(), "Forgets every step; the material stays as it is.");
}

void defineMaterial(py::module_& m)
{
    py::class_<PyMaterial>(m, "Material", R"(A Substance material of the host.

The object holds one reference on the material and gives it back when it is
collected. With environment=True it is an environment material, and
everything acts on its texture-generator material, which takes panorama
archives.)")
        .def(py::init<const std::string&, bool>(), "name"_a, "environment"_a = false,
             Guard())
        .def_property_readonly("name", &PyMaterial::name, "The material's name.")
        .def_property_readonly("environment", &PyMaterial::environment, "Whether it is an environment material.")
        .def("__repr__",
             [](const PyMaterial& material) {
                 const std::string archive = material.archivePath();
                 return "<Material '" + material.name() + "'" + (archive.empty() ? "" : " from '" + archive + "'") +
                        ">";
             })
        // The scripting interface.
        .def("load_archive", &PyMaterial::loadArchive, Guard(), "path"_a,
             "Builds the material from an archive file ('~' and $NAME are expanded), with the presets of the "
             "preset file beside it. Raises Error with the library's message when the archive does not load; "
             "the material then stays as it was. A loaded archive starts a new undo history.")
        .def("load_preset_file", &PyMaterial::loadPresetFile, Guard(), "path"_a,
             "Adds the presets of a preset file, without an undo step. Presets of other graphs and presets that "
             "the material has already are skipped with a warning each. Raises Error for a file that is not a "
             "preset file.")
        .def("preset_names", &PyMaterial::presetNames, Guard(), "The preset names, in list order.")
        .def_property_readonly("archive_path", guarded(&PyMaterial::archivePath),
                               "The path of the loaded archive; '' before one is loaded.")
        .def("update", &PyMaterial::update, Guard(),
             "Has the archive read the material's input values back, then renders the textures.")
        // Looking.
        .def_property_readonly("graphs", guarded(&PyMaterial::graphs),
                               "The graphs, with their groups and attributes as they stand now.")
        .def_property("active_graph", guarded(&PyMaterial::activeGraph), guarded(&PyMaterial::setActiveGraph),
                      "The index of the active graph, which get, set, reset and the presets act on. Set it by "
                      "index or name.")
        .def("get", &PyMaterial::get, Guard(), "property"_a, "graph"_a = py::none(),
             "The value of a property, by identifier or label, of the named graph or the active one. KeyError "
             "when there is no such graph or property.")
        .def_property_readonly("presets", guarded(&PyMaterial::presets),
                               "The presets, in list order (None for an empty slot).")
        .def_property_readonly("current_preset", guarded(&PyMaterial::currentPreset),
                               "The index of the preset that the current values equal (among several, the one "
                               "applied last, else the first); None when none does.")
        .def_property_readonly("matching_presets", guarded(&PyMaterial::matchingPresets),
                               "The indexes of every preset that the current values equal.")
        .def("import_presets", &PyMaterial::importPresets, Guard(), "paths"_a, "accept_any_graph"_a = false,
             "skip_duplicates"_a = true,
             "Reads the presets of preset files without adding them: presets of other graphs are skipped "
             "unless accept_any_graph, presets equal to one of the material's are skipped with "
             "skip_duplicates. Raises Error for a file that is not a preset file.")
        .def("export_presets", &PyMaterial::exportPresets, Guard(), "path"_a, "indexes"_a = py::none(),
             "Writes the presets at the indexes (all when None), in that order, to a preset file. Raises "
             "IndexError or ValueError for bad indexes and Error when the file cannot be written.")
        .def_property_readonly("textures", guarded(&PyMaterial::textures),
                               "Each colour component that the material uses as a texture, by name, with its "
                               "image as (width, height, data type name), or None before a render.")
        // Changing, undoably.
        .def("set", &PyMaterial::set, Guard(), "property"_a, "value"_a, "graph"_a = py::none(),
             "Sets a property, by identifier or label, of the named graph or the active one: one undo step. "
             "TypeError or ValueError, naming the property, for a value that does not fit its type; nothing is "
             "changed then.")
        .def("apply_preset", &PyMaterial::applyPreset, Guard(), "index_or_name"_a, "default_size"_a = false,
             "Applies a preset by index or name to the active graph, optionally with the archive's default "
             "output size: one undo step.")
        .def("reset", &PyMaterial::reset, Guard(),
             "Puts every input of the active graph back to its default: one undo step.")
        .def("add_presets", &PyMaterial::addPresets, Guard(), "path_or_presets"_a,
             "Adds the presets of a preset file (only presets of the material's graphs and none that it has "
             "already), or copies of the given Presets: one undo step. Returns the number added.")
        .def("remove_presets", &PyMaterial::removePresets, Guard(), "indexes"_a,
             "Removes the presets at the indexes: one undo step.")
        .def("reorder_presets", &PyMaterial::reorderPresets, Guard(), "order"_a,
             "Orders the presets: the current index of each, first to last: one undo step.")
        .def("recapture_preset", &PyMaterial::recapturePreset, Guard(), "index"_a,
             "Makes a preset hold the current values: one undo step.")
        .def_property_readonly("undo_stack", &PyMaterial::undoStack, "The material's undo history.");
}

void applyPreset(const PyMaterial& material, const IndexOrName& indexOrName, bool defaultSize)
{
    const int index = int(material.presetIndex(indexOrName));
    if (const std::string* name = std::get_if<std::string>(&indexOrName))
    {
        defaultSize ? oxSubstancePythonInterface::applyPresetWithDefaultOutputSizeByName(material.target(), *name)
                    : oxSubstancePythonInterface::applyPresetByName(material.target(), *name);
    }
    else
        defaultSize ? oxSubstancePythonInterface::applyPresetWithDefaultOutputSizeByIndex(material.target(), index)
                    : oxSubstancePythonInterface::applyPresetByIndex(material.target(), index);
}

} // namespace

PYBIND11_MODULE(oxsubstance, m)
{
    m.doc() = ModuleDoc;
    py::register_exception<HostError>(m, "Error").doc() =
        "A call that the library or the host refused; the text is the library's message.";

    // The host's Substance service, which the undo commands notify, and its renderer, for the module's life.
    m.add_object("_host", py::capsule(new oxHostSetup(), [](void* host) { delete static_cast<oxHostSetup*>(host); }));

    defineRecords(m);
    defineUndoStack(m);
    defineMaterial(m);

    m.def("apply_preset", &applyPreset, Guard(), "material"_a, "index_or_name"_a, "default_size"_a = false,
          "Applies a preset of the material by index or name, optionally with the archive's default output size, "
          "through the scripting interface: directly, without an undo step.");
    m.def("enable_cache", &oxSubstancePresetUtils::enableCache, Guard(), "on"_a,
          "Switches the preset render cache of every material: an applied preset that was rendered before "
          "takes its textures from the cache.");
    m.def("cache_enabled", &oxSubstancePresetUtils::isCacheEnabled, Guard(),
          "Whether the preset render cache is on.");
    m.def("live_container_count", &oxStandIn::liveContainerCount,
          "The number of the host's live objects (materials, graphs, values, presets, images): what a leak "
          "check compares.");
}
