#include "oxSubstancePresetMatching.h"

#include "oxSubstanceHandles.h"
#include "oxSubstancePresetUtils.h"
#include "oxSubstanceValueTypes.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

using ValueMap = oxSubstancePresetUtils::ValueMap;
using CurrentValues = std::map<QString, SubstancePropertyValue>;

/// Whether a preset's value stands for a current value: QVariant equality, or
/// a preset's four components shown as a colour's current value.
bool sameValue(const QVariant& preset, const QVariant& current)
{
    return preset == current || oxValueTypes::Float4::showsAs(preset, current);
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

/// What the matching remembers between calls, and the comparisons that it
/// saves (the header says what is kept, when it goes and why it never changes a result).
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
                    remembered.values = oxSubstancePresetUtils::getValues(preset);
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

} // namespace

std::set<unsigned int> oxSubstancePresetMatching::matchingIndexes(const USubstanceMaterialPtr& material,
                                                                  CurrentValues current)
{
    // The library's one memo (user-interface thread only, like every entry point).
    static MatchMemo memo;
    return memo.match(material, std::move(current));
}
