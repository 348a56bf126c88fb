#include "oxSubstancePresetUtils.h"

#include "oxSubstanceArchiveLookup.h"
#include "oxSubstanceHandles.h"
#include "oxSubstanceValueWalk.h"

#include "host/QSubstanceArchive.h"
#include "preset/SubstanceAirPreset.h"

#include <QVector3D>
#include <QVector4D>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

using ValueMap = oxSubstancePresetUtils::ValueMap;
using CurrentValues = std::map<QString, SubstancePropertyValue>;

ValueMap readValues(const std::string& content)
{
    ValueMap values;
    SubstanceAir::Preset record;
    if (!SubstanceAir::parsePreset(record, content.c_str()))
        return values;
    for (const SubstanceAir::Preset::InputValue& input : record.inputValues)
        values[QString::fromStdString(input.identifier)] = oxSubstanceUtils::getValue(input);
    return values;
}

/// Whether a preset's value stands for a current value: QVariant equality,
/// the preset's value compared with the current one. A colour's current value
/// is a QVector3D without alpha, while a preset knows only four components: a
/// QVector4D then counts by its first three.
bool sameValue(const QVariant& preset, const QVariant& current)
{
    if (preset == current)
        return true;
    return preset.userType() == QMetaType::QVector4D && current.userType() == QMetaType::QVector3D &&
           QVariant(preset.value<QVector4D>().toVector3D()) == current;
}

/// The matching rule for one current value: the preset's value for it (null
/// when the preset has none) stands for it, or the preset has none while the
/// input is at its default.
bool accounts(const QVariant* presetValue, const SubstancePropertyValue& current)
{
    return presetValue ? sameValue(*presetValue, current.value) : current.isDefault;
}

/// Whether a preset's values account for one current value.
bool accountsFor(const ValueMap& preset, const CurrentValues::value_type& current)
{
    const auto p = preset.find(current.first);
    return accounts(p == preset.end() ? nullptr : &p->second, current.second);
}

/// The position of the first current value that a preset's values do not
/// account for; -1 when they account for all (the preset matches). Both maps
/// are ordered by identifier, so one walk over both does.
int firstMismatch(const ValueMap& preset, const CurrentValues& current)
{
    auto p = preset.begin();
    int position = 0;
    for (const auto& entry : current)
    {
        while (p != preset.end() && p->first < entry.first)
            ++p;
        if (!accounts(p != preset.end() && p->first == entry.first ? &p->second : nullptr, entry.second))
            return position;
        ++position;
    }
    return -1;
}

/// Exact equality of two values: same type and same content (QVariant compares
/// doubles with a tolerance, which would let a small change pass unseen).
bool identical(const QVariant& a, const QVariant& b)
{
    if (a.userType() != b.userType())
        return false;
    if (a.userType() == QMetaType::Double)
        return a.toDouble() == b.toDouble();
    return a == b;
}

/// Compares two states. True when both have the same identifiers in the same
/// order; \p changed then lists the positions whose value or default flag differ.
bool sameIdentifiers(const CurrentValues& a, const CurrentValues& b, std::vector<int>& changed)
{
    changed.clear();
    if (a.size() != b.size())
        return false;
    int position = 0;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j, ++position)
    {
        if (i->first != j->first)
            return false;
        if (i->second.isDefault != j->second.isDefault || !identical(i->second.value, j->second.value))
            changed.push_back(position);
    }
    return true;
}

/// What the matching remembers between calls, so that an unchanged preset is
/// not read again and, while the material's state stays the same, not
/// compared again either. After a change of a few values only those are
/// compared again: a preset that matched before still matches when it
/// accounts for the changed values, and one that failed on a value that did
/// not change still fails.
///
/// The values of a preset depend on its content and, through the archive
/// service's conversion of the output size, on the service's default sync
/// state; each remembered preset keeps the content that its values were read
/// from and is read again when the content differs, and everything is dropped
/// when the default sync state changes. A container id that comes back for a
/// new preset is thus harmless too. Memos of materials that are gone are
/// dropped, and so are the presets that left a material's list.
class MatchMemo
{
public:
    std::set<unsigned int> match(const USubstanceMaterialPtr& material, CurrentValues current)
    {
        const bool defaultSync = QSubstanceArchive::getDefaultSyncOutputSize();
        if (!_defaultSyncKnown || defaultSync != _defaultSync)
            _materials.clear();
        _defaultSync = defaultSync;
        _defaultSyncKnown = true;
        forgetDeadMaterials();

        MaterialMemo& memo = _materials[material->getId()];
        std::vector<int> changed;
        const bool sameKeys = memo.stateStamp != 0 && sameIdentifiers(memo.current, current, changed);
        if (!sameKeys || !changed.empty())
        {
            memo.previousStamp = sameKeys ? memo.stateStamp : 0;
            memo.changed = std::move(changed);
            memo.current = std::move(current);
            memo.positions.clear();
            for (const auto& entry : memo.current)
                memo.positions.push_back(&entry);
            memo.stateStamp = ++_lastStamp;
        }
        const std::uint64_t call = ++_lastStamp;

        std::set<unsigned int> result;
        const bool nullSlotMatches = firstMismatch(ValueMap(), memo.current) < 0;
        const osg::MField<SubstancePresetPtr>& presets = material->getSubstancePresets();
        for (std::size_t index = 0; index < presets.size(); ++index)
        {
            const SubstancePresetPtr& preset = presets[index];
            bool match = nullSlotMatches;
            if (!preset.isNull())
            {
                RememberedPreset& remembered = memo.presets[preset->getId()];
                remembered.seen = call;
                if (remembered.stateStamp == 0 || remembered.content != preset->getContent())
                {
                    remembered.content = preset->getContent();
                    remembered.values = readValues(remembered.content);
                    remembered.stateStamp = 0;
                }
                if (remembered.stateStamp != memo.stateStamp)
                {
                    remembered.mismatch = remembered.stateStamp != 0 && remembered.stateStamp == memo.previousStamp
                                              ? mismatchAfterChange(remembered, memo)
                                              : firstMismatch(remembered.values, memo.current);
                    remembered.stateStamp = memo.stateStamp;
                }
                match = remembered.mismatch < 0;
            }
            if (match)
                result.insert(static_cast<unsigned int>(index));
        }

        for (auto it = memo.presets.begin(); it != memo.presets.end();)
            it = it->second.seen == call ? std::next(it) : memo.presets.erase(it);
        return result;
    }

private:
    struct RememberedPreset
    {
        std::string content;          ///< the content that values were read from
        ValueMap values;
        std::uint64_t stateStamp = 0; ///< the material state that mismatch holds for; 0 for none
        int mismatch = -1;            ///< a position that the values do not account for; -1 when they match
        std::uint64_t seen = 0;       ///< the last call that found the preset on the material
    };

    struct MaterialMemo
    {
        CurrentValues current;        ///< the material's state at the last call
        std::vector<const CurrentValues::value_type*> positions; ///< the entries of current, by position
        std::uint64_t stateStamp = 0; ///< changes whenever that state changes
        std::uint64_t previousStamp = 0; ///< the state before, when it had the same identifiers; else 0
        std::vector<int> changed;     ///< the positions that changed since that state, ascending
        std::unordered_map<osg::UInt32, RememberedPreset> presets; ///< by preset container id
    };

    /// The mismatch of a preset whose result is known for the state just before
    /// the current one.
    static int mismatchAfterChange(const RememberedPreset& remembered, const MaterialMemo& memo)
    {
        const std::vector<int>& changed = memo.changed;
        if (remembered.mismatch >= 0)
        {
            if (!std::binary_search(changed.begin(), changed.end(), remembered.mismatch))
                return remembered.mismatch;
            return firstMismatch(remembered.values, memo.current);
        }
        for (int position : changed)
        {
            if (!accountsFor(remembered.values, *memo.positions[static_cast<std::size_t>(position)]))
                return position;
        }
        return -1;
    }

    void forgetDeadMaterials()
    {
        for (auto it = _materials.begin(); it != _materials.end();)
        {
            const bool alive = !oxSubstanceFindContainer<USubstanceMaterialPtr>(it->first).isNull();
            it = alive ? std::next(it) : _materials.erase(it);
        }
    }

    std::map<osg::UInt32, MaterialMemo> _materials; ///< by material container id
    bool _defaultSync = false;
    bool _defaultSyncKnown = false;
    std::uint64_t _lastStamp = 0;
};

/// The library's one memo (user-interface thread only, like every entry point).
MatchMemo& matchMemo()
{
    static MatchMemo memo;
    return memo;
}

} // namespace

// ---------------------------------------------------------------- preset values and capture

oxSubstancePresetUtils::ValueMap oxSubstancePresetUtils::getValues(const SubstancePresetPtr& preset)
{
    return preset.isNull() ? ValueMap() : readValues(preset->getContent());
}

std::string oxSubstancePresetUtils::fetchPresetContent(const USubstanceMaterialPtr& material)
{
    // An archive that holds nothing has no state: its record would be an empty
    // preset, which a capture must not store in place of a preset's content.
    const std::shared_ptr<QSubstanceArchive> archive = oxSubstanceArchiveLookup::loadedArchive(material);
    if (!archive)
        return std::string();
    SubstanceAir::Preset record;
    archive->fillPreset(record);
    return oxSubstanceUtils::getContent(record);
}

void oxSubstancePresetUtils::applyPresetContent(const USubstanceMaterialPtr& material,
                                                const SubstancePresetPtr& preset, std::string content)
{
    if (preset.isNull() || material.isNull())
        return;
    std::vector<ImagePtr> images;
    if (const osg::MField<AttributeGroupPtr>* groups = material->getActiveAttributeGroups())
        oxSubstanceValueWalk::forEachValue(*groups, [&images](const AttributeValuePtr& value) {
            const AttributeImageValuePtr imageValue = AttributeImageValuePtr::dcast(value);
            if (!imageValue.isNull() && !imageValue->getImage().isNull())
                images.push_back(imageValue->getImage());
            return true;
        });
    setPresetContent(preset, std::move(content), images);
}

void oxSubstancePresetUtils::setPresetContent(const SubstancePresetPtr& preset, std::string content,
                                              const std::vector<ImagePtr>& images)
{
    if (preset.isNull())
        return;
    {
        osgEdit edit(preset, SubstancePresetBase::ContentFieldMask);
        preset->setContent(std::move(content));
    }
    // Held across the clear: an image may be one that only the preset holds.
    const std::vector<oxSubstanceHeld<ImagePtr>> held(images.begin(), images.end());
    osgEdit edit(preset, SubstancePresetBase::CachedImagesFieldMask);
    preset->clearImages();
    for (const ImagePtr& image : images)
        if (!image.isNull())
            preset->addImage(image);
}

void oxSubstancePresetUtils::captureContent(const USubstanceMaterialPtr& material, const SubstancePresetPtr& preset)
{
    if (material.isNull() || preset.isNull())
        return;
    std::string content = fetchPresetContent(material);
    if (!content.empty())
        applyPresetContent(material, preset, std::move(content));
}

// ---------------------------------------------------------------- matching the current state

std::set<unsigned int> oxSubstancePresetUtils::getMatchingPresetIndexes(const USubstanceMaterialPtr& material)
{
    if (material.isNull() || material->getActiveGraph().isNull())
        return std::set<unsigned int>();
    // An archive that holds nothing knows no state; every preset would match
    // its empty list of values.
    const std::shared_ptr<QSubstanceArchive> archive = oxSubstanceArchiveLookup::loadedArchive(material);
    if (!archive)
        return std::set<unsigned int>();
    return matchMemo().match(material, archive->getActiveGraphValues());
}

bool oxSubstancePresetUtils::getCurrentState(const USubstanceMaterialPtr& material, unsigned int& index)
{
    if (material.isNull())
        return false;
    const std::set<unsigned int> matching = getMatchingPresetIndexes(material);
    if (matching.empty())
        return false;
    const unsigned int lastActivated = static_cast<unsigned int>(material->getLastActivatedPreset());
    index = matching.size() > 1 && matching.count(lastActivated) != 0 ? lastActivated : *matching.begin();
    return true;
}

// ---------------------------------------------------------------- render cache

bool oxSubstancePresetUtils::isCacheEnabled()
{
    return USubstanceMaterial::isPresetCacheEnabled();
}

void oxSubstancePresetUtils::enableCache(bool enable)
{
    USubstanceMaterial::enablePresetCache(enable);
}

void oxSubstancePresetUtils::clearCache()
{
    for (const USubstanceMaterialPtr& material : oxSubstanceUtils::getAllSubstanceMaterials())
    {
        if (!material.isNull())
            material->clearPresetCache();
    }
}

void oxSubstancePresetUtils::dumpCache(const MaterialPtr& material, const char* title, const char* detail)
{
    if (!title || !detail)
        return;
    const USubstanceMaterialPtr substance = USubstanceMaterialPtr::dcast(material);
    if (!substance.isNull())
        substance->dumpPresetCache(title, detail);
}
