#pragma once
/// \file oxSubstancePresetUtils.h
/// Static utilities for the preset list of a Substance material: names and
/// indexes, reading preset XML into new preset objects, importing and
/// exporting preset files, adding, inserting and removing presets, moving
/// the legacy preset text of old materials into preset objects, relating
/// presets to the material's current state, and the preset render cache.

#include "oxSubstanceExport.h"

#include "host/Materials.h"

#include <QCoreApplication>
#include <QVariant>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

/// Preset-list operations on a USubstanceMaterial.
///
/// Every function accepts a null material and then returns at once with an
/// empty or false result. None of them notifies the host; the undo commands
/// that call them do. A null slot of the preset list is named "invalid".
class OX_SUBSTANCE_API oxSubstancePresetUtils
{
    Q_DECLARE_TR_FUNCTIONS(oxSubstancePresetUtils)

public:
    oxSubstancePresetUtils() = delete;

    // ------------------------------------------------------------ names and indexes

    /// One name per slot, in list order ("invalid" for a null slot).
    static QStringList getPresetNameList(const USubstanceMaterialPtr& material);
    /// getPresetNameList as UTF-8 strings.
    static std::vector<std::string> getPresetNames(const USubstanceMaterialPtr& material);
    /// The name of one slot; a null QString when \p index is not below the slot count.
    static QString getPresetName(const USubstanceMaterialPtr& material, unsigned int index);
    /// Finds the first slot named exactly \p name (UTF-8). Sets \p index to it and
    /// returns true; otherwise sets \p index to 0 and returns false. A null
    /// material leaves \p index untouched.
    static bool getPresetIndex(const USubstanceMaterialPtr& material, const std::string& name,
                               unsigned int& index);
    /// True when \p indexes is not empty, holds no index twice and every index is
    /// below the slot count.
    static bool indexesValid(const USubstanceMaterialPtr& material, const std::vector<unsigned int>& indexes);

    // ------------------------------------------------------------ reading presets

    /// Creates one preset per record of an "sbspresets" text.
    ///
    /// Needs the material's archive: with none, or an empty one, or a text that
    /// does not read, the result is empty and nothing is logged. Unless
    /// \p acceptAnyGraph, a record whose package URL names no graph of the archive
    /// is skipped with a warning (records without a package URL pass). With
    /// \p skipDuplicates, a record equal to a preset already on the material is
    /// skipped with a warning. The new presets carry \p sourcePath.
    ///
    /// The material is not changed and the new presets hold no reference: the
    /// caller adds them to a material or references them.
    static std::vector<SubstancePresetPtr> parsePresets(const USubstanceMaterialPtr& material,
                                                        const std::string& xml, const std::string& sourcePath,
                                                        bool acceptAnyGraph, bool skipDuplicates);
    /// parsePresets on each preset file of \p paths in turn; paths that are not
    /// preset files or do not read are skipped silently. Ownership as in parsePresets.
    static std::vector<SubstancePresetPtr> importPresets(const USubstanceMaterialPtr& material,
                                                         const QStringList& paths, bool acceptAnyGraph,
                                                         bool skipDuplicates);

    // ------------------------------------------------------------ changing the list

    /// Adds the presets of a preset file (a path under which no file exists is
    /// expanded, so "~" and environment variables work): only presets of the
    /// material's graphs, and no duplicates of presets already on the material.
    static void addPresets(const USubstanceMaterialPtr& material, const std::string& path);
    /// Appends each preset in order; the material takes one reference per slot.
    static void addPresets(const USubstanceMaterialPtr& material, const std::vector<SubstancePresetPtr>& presets);
    /// Inserts each preset at its index, in ascending index order, so that presets
    /// taken out of one list return to their former positions. An index past the
    /// end appends.
    static void insertPresets(const USubstanceMaterialPtr& material,
                              const std::map<std::size_t, SubstancePresetPtr>& presets);
    /// Removes the first slot holding each preset, in order; the material gives
    /// back the slot's reference.
    static void removePresets(const USubstanceMaterialPtr& material, const std::vector<SubstancePresetPtr>& presets);

    // ------------------------------------------------------------ files and legacy text

    /// Writes the presets at \p indexes, in that order, to a preset file under their
    /// current names. Null slots and presets whose content does not read are
    /// left out; the header still counts every index. False (and nothing
    /// written) for a null material, invalid indexes or an empty path; false
    /// with a "Can't save" debug message when the file cannot be written.
    static bool exportPresets(const USubstanceMaterialPtr& material, const std::vector<unsigned int>& indexes,
                              const QString& path);
    /// Turns the legacy preset text of an old material into presets of any graph
    /// and clears the text. The text is kept when no preset came of it (no
    /// archive loaded yet, an empty archive, or a text that does not read).
    static void convertLegayPresets(USubstanceMaterialPtr& material);

    // ------------------------------------------------------------ presets and the current state

    /// Input identifier to value; the apply-preset command keeps maps of this type.
    using ValueMap = std::map<QString, QVariant>;

    /// The values of a preset's content, by input identifier (the later of two
    /// inputs with one identifier wins). Empty for a null preset or content that
    /// does not read.
    static ValueMap getValues(const SubstancePresetPtr& preset);
    /// The content of one preset holding the material's current input values;
    /// empty for a null material or one whose archive holds nothing.
    static std::string fetchPresetContent(const USubstanceMaterialPtr& material);
    /// Stores \p content in the preset and replaces its cached images by the
    /// images that the material's active attribute groups hold now (none when
    /// they hold none). Nothing for a null material or preset.
    static void applyPresetContent(const USubstanceMaterialPtr& material, const SubstancePresetPtr& preset,
                                   std::string content);
    /// Stores \p content in the preset and makes \p images (null ones left out)
    /// its cached images, in order. Nothing for a null preset.
    static void setPresetContent(const SubstancePresetPtr& preset, std::string content,
                                 const std::vector<ImagePtr>& images);
    /// Captures the material's current state into the preset (content and
    /// images). Nothing when there is no state to capture, so a preset never
    /// loses its content to an empty text.
    static void captureContent(const USubstanceMaterialPtr& material, const SubstancePresetPtr& preset);

    /// The indexes of the presets that equal the material's current state.
    ///
    /// A preset matches when, for every current input value, it holds an equal
    /// value, or leaves the input out while the input is at its default.
    /// Identifiers that the graph lacks are ignored; with no current values
    /// every slot (null ones included) matches. A colour's current value has
    /// no alpha: a preset's four components match it by the first three.
    /// Empty for a null material, one without an active graph, or one whose
    /// archive holds nothing.
    ///
    /// The values read from each preset's content are remembered, keyed by the
    /// preset and checked against its content on every call, so an unchanged
    /// preset is not read again; the result is always that of the current
    /// contents and state.
    static std::set<unsigned int> getMatchingPresetIndexes(const USubstanceMaterialPtr& material);
    /// The current preset: the only matching one; among several, the last
    /// activated preset when it is one of them, else the first. False, \p index
    /// untouched, when none matches.
    static bool getCurrentState(const USubstanceMaterialPtr& material, unsigned int& index);

    // ------------------------------------------------------------ preset render cache

    /// Whether the render cache is on (process-wide).
    static bool isCacheEnabled();
    /// Switches the render cache of every Substance material.
    static void enableCache(bool enable);
    /// Drops the cached renders of every Substance material.
    static void clearCache();
    /// Has a Substance material write a description of its cache to the log,
    /// headed by the two texts. Nothing when either text is null or the material
    /// is not a Substance material.
    static void dumpCache(const MaterialPtr& material, const char* title, const char* detail);
};
