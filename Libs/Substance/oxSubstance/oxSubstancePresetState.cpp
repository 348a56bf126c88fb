#include "oxSubstancePresetUtils.h"

#include "oxSubstanceArchiveLookup.h"

#include "host/QSubstanceArchive.h"
#include "preset/SubstanceAirPreset.h"

#include <QVector3D>
#include <QVector4D>

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

/// Whether a preset's values account for every current value. Both maps are
/// ordered by identifier, so one walk over both does.
bool matches(const ValueMap& preset, const CurrentValues& current)
{
    auto p = preset.begin();
    for (const auto& entry : current)
    {
        while (p != preset.end() && p->first < entry.first)
            ++p;
        if (p != preset.end() && p->first == entry.first)
        {
            if (!sameValue(p->second, entry.second.value))
                return false;
        }
        else if (!entry.second.isDefault)
        {
            return false;
        }
    }
    return true;
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

bool identical(const CurrentValues& a, const CurrentValues& b)
{
    if (a.size() != b.size())
        return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j)
    {
        if (i->first != j->first || i->second.isDefault != j->second.isDefault ||
            !identical(i->second.value, j->second.value))
            return false;
    }
    return true;
}

/// What the matching remembers between calls, so that an unchanged preset is
/// not read again and, while the material's state stays the same, not
/// compared again either.
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
        if (memo.stateStamp == 0 || !identical(memo.current, current))
        {
            memo.current = std::move(current);
            memo.stateStamp = ++_lastStamp;
        }
        const std::uint64_t call = ++_lastStamp;

        std::set<unsigned int> result;
        const bool nullSlotMatches = matches(ValueMap(), memo.current);
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
                    remembered.matches = matches(remembered.values, memo.current);
                    remembered.stateStamp = memo.stateStamp;
                }
                match = remembered.matches;
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
        std::uint64_t stateStamp = 0; ///< the material state that matches holds for; 0 for none
        bool matches = false;
        std::uint64_t seen = 0;       ///< the last call that found the preset on the material
    };

    struct MaterialMemo
    {
        CurrentValues current;        ///< the material's state at the last call
        std::uint64_t stateStamp = 0; ///< changes whenever that state changes
        std::unordered_map<osg::UInt32, RememberedPreset> presets; ///< by preset container id
    };

    void forgetDeadMaterials()
    {
        for (auto it = _materials.begin(); it != _materials.end();)
        {
            const bool alive =
                !USubstanceMaterialPtr::dcast(osg::FieldContainerFactory::the()->getContainer(it->first)).isNull();
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
    {
        osgEdit edit(preset, SubstancePresetBase::ContentFieldMask);
        preset->setContent(content);
    }

    std::vector<ImagePtr> images;
    if (const osg::MField<AttributeGroupPtr>* groups = material->getActiveAttributeGroups())
    {
        for (const AttributeGroupPtr& group : *groups)
        {
            if (group.isNull())
                continue;
            const osg::MField<AttributeValuePtr> properties = group->getProperties();
            for (const AttributeValuePtr& value : properties)
            {
                const AttributeImageValuePtr imageValue = AttributeImageValuePtr::dcast(value);
                if (!imageValue.isNull() && !imageValue->getImage().isNull())
                    images.push_back(imageValue->getImage());
            }
        }
    }

    osgEdit edit(preset, SubstancePresetBase::CachedImagesFieldMask);
    preset->clearImages();
    for (const ImagePtr& image : images)
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
