#include "oxSubstancePresetUtils.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <set>

namespace {

const char* const InvalidPresetName = "invalid";

} // namespace

// ---------------------------------------------------------------- names and indexes

QStringList oxSubstancePresetUtils::getPresetNameList(const USubstanceMaterialPtr& material)
{
    QStringList names;
    if (material.isNull())
        return names;
    for (const SubstancePresetPtr& preset : material->getSubstancePresets())
        names << (preset.isNull() ? QString::fromLatin1(InvalidPresetName) : QString::fromStdString(preset->getName()));
    return names;
}

std::vector<std::string> oxSubstancePresetUtils::getPresetNames(const USubstanceMaterialPtr& material)
{
    std::vector<std::string> names;
    const QStringList list = getPresetNameList(material);
    names.reserve(static_cast<std::size_t>(list.size()));
    for (const QString& name : list)
        names.push_back(name.toStdString());
    return names;
}

QString oxSubstancePresetUtils::getPresetName(const USubstanceMaterialPtr& material, unsigned int index)
{
    if (material.isNull())
        return QString();
    const osg::MField<SubstancePresetPtr>& presets = material->getSubstancePresets();
    if (index >= presets.size())
        return QString();
    const SubstancePresetPtr& preset = presets[index];
    return preset.isNull() ? QString::fromLatin1(InvalidPresetName) : QString::fromStdString(preset->getName());
}

bool oxSubstancePresetUtils::getPresetIndex(const USubstanceMaterialPtr& material, const std::string& name,
                                            unsigned int& index)
{
    if (material.isNull())
        return false;
    index = 0;
    const QString wanted = QString::fromStdString(name);
    const QStringList names = getPresetNameList(material);
    for (int i = 0; i < names.size(); ++i)
    {
        if (names[i] == wanted)
        {
            index = static_cast<unsigned int>(i);
            return true;
        }
    }
    return false;
}

bool oxSubstancePresetUtils::indexesValid(const USubstanceMaterialPtr& material,
                                          const std::vector<unsigned int>& indexes)
{
    if (indexes.empty() || material.isNull())
        return false;
    const std::set<unsigned int> distinct(indexes.begin(), indexes.end());
    if (distinct.size() != indexes.size())
        return false;
    return *distinct.rbegin() < material->getSubstancePresets().size();
}

// ---------------------------------------------------------------- changing the list

void oxSubstancePresetUtils::addPresets(const USubstanceMaterialPtr& material,
                                        const std::vector<SubstancePresetPtr>& presets)
{
    if (material.isNull())
        return;
    // A copy: the caller may hand in the material's own list, which grows here.
    const std::vector<SubstancePresetPtr> toAdd(presets);
    for (const SubstancePresetPtr& preset : toAdd)
        material->addPreset(preset);
}

void oxSubstancePresetUtils::insertPresets(const USubstanceMaterialPtr& material,
                                           const std::map<std::size_t, SubstancePresetPtr>& presets)
{
    if (material.isNull())
        return;
    const std::size_t last = std::numeric_limits<osg::UInt32>::max();
    for (const auto& entry : presets)
        material->insertPreset(entry.second, static_cast<osg::UInt32>(std::min(entry.first, last)));
}

void oxSubstancePresetUtils::removePresets(const USubstanceMaterialPtr& material,
                                           const std::vector<SubstancePresetPtr>& presets)
{
    if (material.isNull())
        return;
    // A copy: the caller may hand in the material's own list, which shrinks here.
    const std::vector<SubstancePresetPtr> toRemove(presets);
    for (const SubstancePresetPtr& preset : toRemove)
        material->removePreset(preset);
}
