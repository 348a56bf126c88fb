#include "oxSubstancePresetUtils.h"

#include "oxSubstanceArchiveLookup.h"
#include "oxSubstanceFilePath.h"

#include "host/QSubstanceArchive.h"
#include "host/oxHostUtils.h"
#include "preset/SubstanceAirPreset.h"

#include <QDebug>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <memory>
#include <set>
#include <sstream>
#include <unordered_map>

namespace {

/// The part of a package URL after its last "//"; the whole URL when it has none.
std::string urlKey(const std::string& url)
{
    const std::string::size_type pos = url.rfind("//");
    return pos == std::string::npos ? url : url.substr(pos + 2);
}

/// Equality of two records as far as duplicates go: uid and type of the inputs
/// do not count.
bool sameContent(const SubstanceAir::Preset& a, const SubstanceAir::Preset& b)
{
    if (a.description != b.description || a.label != b.label || a.packageUrl != b.packageUrl)
        return false;
    if (a.inputValues.size() != b.inputValues.size())
        return false;
    for (std::size_t i = 0; i < a.inputValues.size(); ++i)
    {
        if (a.inputValues[i].identifier != b.inputValues[i].identifier ||
            a.inputValues[i].value != b.inputValues[i].value)
            return false;
    }
    return true;
}

/// A hash of what sameContent compares.
std::size_t contentHash(const SubstanceAir::Preset& preset)
{
    const std::hash<std::string> hash;
    std::size_t h = hash(preset.description);
    const auto mix = [&h](std::size_t value) { h ^= value + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2); };
    mix(hash(preset.label));
    mix(hash(preset.packageUrl));
    for (const SubstanceAir::Preset::InputValue& input : preset.inputValues)
    {
        mix(hash(input.identifier));
        mix(hash(input.value));
    }
    return h;
}

/// Logs a finished warning, handed to the log as data so that per cent signs in
/// labels and paths stay as they are. These warnings have always reached the
/// host log with a line end; it is added here, outside the text that
/// translators see.
void warnSkipped(const QString& text)
{
    oxLog::warning("%s", (text + QLatin1Char('\n')).toUtf8().constData());
}

/// Logs a translated warning with a label (or path) put in for %1.
void warnSkipped(const QString& translated, const std::string& label)
{
    warnSkipped(translated.arg(QString::fromStdString(label)));
}

} // namespace


// ---------------------------------------------------------------- reading presets

std::vector<SubstancePresetPtr> oxSubstancePresetUtils::parsePresets(const USubstanceMaterialPtr& material,
                                                                     const std::string& xml,
                                                                     const std::string& sourcePath,
                                                                     bool acceptAnyGraph, bool skipDuplicates)
{
    std::vector<SubstancePresetPtr> result;
    if (material.isNull())
        return result;
    const std::shared_ptr<QSubstanceArchive> archive = oxSubstanceArchiveLookup::loadedArchive(material);
    if (!archive)
        return result;

    std::vector<SubstanceAir::Preset> records;
    if (!SubstanceAir::parsePresets(records, xml.c_str()))
        return result;

    std::set<std::string> graphKeys;
    if (!acceptAnyGraph)
    {
        for (const QString& url : archive->packageURLs())
            graphKeys.insert(urlKey(url.toStdString()));
    }

    // The material does not change while the records are checked, so its
    // presets are read once, into a table by content hash.
    std::vector<SubstanceAir::Preset> existing;
    std::unordered_multimap<std::size_t, const SubstanceAir::Preset*> existingByHash;
    if (skipDuplicates)
    {
        for (const SubstancePresetPtr& preset : material->getSubstancePresets())
        {
            if (preset.isNull())
                continue;
            SubstanceAir::Preset record;
            if (SubstanceAir::parsePreset(record, preset->getContent().c_str()))
                existing.push_back(std::move(record));
        }
        existingByHash.reserve(existing.size());
        for (const SubstanceAir::Preset& record : existing)
            existingByHash.emplace(contentHash(record), &record);
    }
    const auto isDuplicate = [&existingByHash](const SubstanceAir::Preset& record) {
        const auto range = existingByHash.equal_range(contentHash(record));
        return std::any_of(range.first, range.second,
                           [&record](const auto& entry) { return sameContent(record, *entry.second); });
    };

    for (const SubstanceAir::Preset& record : records)
    {
        if (!acceptAnyGraph && !record.packageUrl.empty() && graphKeys.count(urlKey(record.packageUrl)) == 0)
        {
            warnSkipped(tr("Skipped preset '%1'. It does not match any graph of the material."), record.label);
            continue;
        }
        if (skipDuplicates && isDuplicate(record))
        {
            warnSkipped(tr("Skipped preset '%1'. Duplicate preset already exists in material."), record.label);
            continue;
        }
        const std::pair<std::string, std::string> nameAndContent = oxSubstanceUtils::getNameAndContent(record);
        result.push_back(SubstancePreset::create(nameAndContent.first, nameAndContent.second, sourcePath));
    }
    return result;
}

std::vector<SubstancePresetPtr> oxSubstancePresetUtils::importPresets(const USubstanceMaterialPtr& material,
                                                                      const QStringList& paths,
                                                                      bool acceptAnyGraph, bool skipDuplicates)
{
    std::vector<SubstancePresetPtr> result;
    if (material.isNull())
        return result;
    for (const QString& path : paths)
    {
        QSubstancePresetReader reader(path);
        const bool presetFile = QSubstanceFile(path).arePresets();
        if (!reader.read())
        {
            warnSkipped(tr("Skipped '%1'. The file cannot be read."), path.toStdString());
            continue;
        }
        const std::vector<SubstancePresetPtr> presets =
            presetFile ? parsePresets(material, reader.get(), path.toStdString(), acceptAnyGraph, skipDuplicates)
                       : std::vector<SubstancePresetPtr>();
        if (presets.empty())
        {
            // The host's check looks at the top element only; the rule of the
            // readers says what is wrong with the rest, if anything.
            const std::string problem = SubstanceAir::presetListProblem(reader.get().data(), reader.get().size());
            const QString why =
                QString::fromStdString(problem.empty() ? "the top element is not <sbspresets>" : problem);
            if (!presetFile || !problem.empty())
                warnSkipped(tr("Skipped '%1'. It is not a preset file: %2.").arg(path, why));
        }
        result.insert(result.end(), presets.begin(), presets.end());
    }
    return result;
}

void oxSubstancePresetUtils::addPresets(const USubstanceMaterialPtr& material, const std::string& path)
{
    if (material.isNull())
        return;
    const QString file = oxSubstanceExistingOrExpandedPath(path);
    addPresets(material, importPresets(material, QStringList{file}, false, true));
}

// ---------------------------------------------------------------- preset files and legacy text

bool oxSubstancePresetUtils::exportPresets(const USubstanceMaterialPtr& material,
                                           const std::vector<unsigned int>& indexes, const QString& path)
{
    if (material.isNull() || !indexesValid(material, indexes) || path.isEmpty())
        return false;

    try
    {
        // The whole text is made first, so that the file is opened only once
        // there is something to write into it.
        std::ostringstream text;
        text << SubstanceAir::presetListHeader(indexes.size());
        const osg::MField<SubstancePresetPtr>& presets = material->getSubstancePresets();
        for (unsigned int index : indexes)
        {
            const SubstancePresetPtr& preset = presets[index];
            if (preset.isNull())
                continue;
            SubstanceAir::Preset record;
            if (!SubstanceAir::parsePreset(record, preset->getContent().c_str()))
                continue;
            record.label = preset->getName();
            text << record;
        }
        text << SubstanceAir::presetListFooter();

        // Written beside the target and put in its place only when every byte
        // is written, so that a failure (a full disk) leaves the old file whole.
        // A short write at the final flush is not seen by commit(), so the
        // flush is checked on its own; an uncommitted file is discarded.
        // Putting a file in the place of a pipe, a device, a socket or a folder
        // would destroy it, so only a regular file (or a link to one) is replaced.
        const QFileInfo target(path);
        QSaveFile file(path);
        if ((!target.exists() || target.isFile()) && file.open(QIODevice::WriteOnly))
        {
            const std::string bytes = text.str();
            if (file.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size()) && file.flush() &&
                file.commit())
                return true;
        }
    }
    catch (...)
    {
    }
    qDebug() << "Can't save" << path;
    return false;
}

void oxSubstancePresetUtils::convertLegayPresets(USubstanceMaterialPtr& material)
{
    if (material.isNull())
        return;
    const std::string legacy = material->getPresets();
    if (legacy.empty())
        return;

    // Without a loaded archive nothing comes of the text; it then stays where it
    // is, to be converted once an archive is there.
    const std::vector<SubstancePresetPtr> presets = parsePresets(material, legacy, std::string(), true, false);
    if (presets.empty())
        return;
    {
        osgEdit edit(material, USubstanceMaterialBase::PresetsFieldMask);
        material->setPresets(std::string());
    }
    addPresets(material, presets);
}
