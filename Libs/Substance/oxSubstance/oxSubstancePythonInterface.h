#pragma once
/// \file oxSubstancePythonInterface.h
/// Static entry points for the host's scripting layer. None of them goes
/// through the undo stack. Every function first resolves its material to a
/// Substance material (an environment material gives its texture-generator
/// material) and does nothing, or returns an empty result, when that fails.

#include "oxSubstanceExport.h"

#include "host/Materials.h"

#include <QObject>
#include <string>
#include <vector>

/// The scripting singleton. Its meta-object carries the class name only: the
/// bindings call the static functions directly, not through Qt.
class OX_SUBSTANCE_API oxSubstancePythonInterface : public QObject
{
    Q_OBJECT
public:
    /// The one instance (no parent), created on the first call and never destroyed.
    static oxSubstancePythonInterface* getInstance();

    /// Builds the material from the archive file; the path is expanded (~, $VAR) first.
    static bool loadArchive(const MaterialPtr& material, const char* path);
    /// Adds the presets of a preset file (presets of other graphs and duplicates are skipped).
    static void loadPreset(const MaterialPtr& material, const char* path);
    /// Applies the preset at \p index, keeping the material's output size.
    static void applyPresetByIndex(const MaterialPtr& material, int index);
    /// Applies the preset at \p index with the archive's default output size.
    static void applyPresetWithDefaultOutputSizeByIndex(const MaterialPtr& material, int index);
    /// Applies the first preset of that name; nothing when no preset has it.
    static void applyPresetByName(const MaterialPtr& material, const std::string& name);
    /// As applyPresetByName, with the archive's default output size.
    static void applyPresetWithDefaultOutputSizeByName(const MaterialPtr& material, const std::string& name);
    /// The material's preset names ("invalid" for an empty slot).
    static std::vector<std::string> getPresets(const MaterialPtr& material);
    /// The path of the material's archive; empty when none is loaded.
    static std::string getArchivePath(const MaterialPtr& material);
    /// Has the archive read the material's input values back, then renders; nothing for an empty archive.
    static void updateMaterial(const MaterialPtr& material);

private:
    oxSubstancePythonInterface();
    ~oxSubstancePythonInterface() override;

    /// The material itself, an environment material's texture generator (maybe null), or null.
    static USubstanceMaterialPtr getSubstanceMaterial(const MaterialPtr& material);
    static void applyPreset(const MaterialPtr& material, int index, bool defaultOutputSize);
    static void applyPresetNamed(const MaterialPtr& material, const std::string& name, bool defaultOutputSize);

    static oxSubstancePythonInterface* s_instance;
};
