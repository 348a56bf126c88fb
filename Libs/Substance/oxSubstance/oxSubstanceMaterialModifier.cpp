#include "oxSubstanceMaterialModifier.h"

#include "oxSubstanceAttributeCreator.h"

#include <unordered_set>

namespace {

const QString kGroupKey = QStringLiteral("GROUP");
const QString kLabelKey = QStringLiteral("LABEL");

// Name of the shared group of the labelled inputs that have no group.
const std::string kCommonGroupName = "Common";

} // namespace

oxSubstanceMaterialModifier::oxSubstanceMaterialModifier(USubstanceMaterialPtr& material) : _material(material)
{
    osg::addRef(_material);
}

oxSubstanceMaterialModifier::~oxSubstanceMaterialModifier()
{
    osg::subRef(_material);
}

oxSubstanceMaterialModifier::oxSubstanceMaterialModifier(const oxSubstanceMaterialModifier& other)
    : _material(other._material)
{
    osg::addRef(_material);
}

oxSubstanceMaterialModifier& oxSubstanceMaterialModifier::operator=(const oxSubstanceMaterialModifier& other)
{
    // Take the new reference first: on self-assignment the count never touches zero.
    osg::addRef(other._material);
    osg::subRef(_material);
    _material = other._material;
    return *this;
}

// ---------------------------------------------------------------- attribute groups

void oxSubstanceMaterialModifier::updateAttributeGroups(osg::MField<AttributeGroupPtr>& groupList,
                                                        const InputList& inputs)
{
    const bool common = hasCommonGroup(inputs);
    const std::vector<std::string> names = groups(inputs);

    for (const AttributeGroupPtr& group : groupList)
        osg::subRef(group);
    groupList.clear();
    groupList.reserve(names.size() + (common ? 1 : 0));

    for (const std::string& name : names)
    {
        const AttributeGroupPtr group = createGroup(inputs, name, false);
        if (group.isNull())
            continue;
        osg::addRef(group);
        groupList.push_back(group);
    }

    if (common)
    {
        const AttributeGroupPtr group = createGroup(inputs, kCommonGroupName, true);
        if (!group.isNull())
        {
            osg::addRef(group);
            groupList.push_back(group);
        }
    }
}

bool oxSubstanceMaterialModifier::hasCommonGroup(const InputList& inputs) const
{
    for (const QMap<QString, QVariant>& input : inputs)
    {
        if (input.value(kGroupKey).toString().isEmpty() && !input.value(kLabelKey).toString().isEmpty())
            return true;
    }
    return false;
}

std::vector<std::string> oxSubstanceMaterialModifier::groups(const InputList& inputs) const
{
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (const QMap<QString, QVariant>& input : inputs)
    {
        const QString group = input.value(kGroupKey).toString();
        if (group.isEmpty())
            continue;
        std::string name = group.toStdString();
        if (seen.insert(name).second)
            names.push_back(std::move(name));
    }
    return names;
}

AttributeGroupPtr oxSubstanceMaterialModifier::createGroup(const InputList& inputs, const std::string& name,
                                                           bool common)
{
    const AttributeGroupPtr group = AttributeGroup::create();
    if (group.isNull())
        return group;

    osgEdit edit(group, AttributeGroupBase::PropertiesFieldMask | AttributeGroupBase::CommonFieldMask |
                            AttributeBase::NameFieldMask);
    group->setName(name);
    group->setCommon(common);
    group->clearAttributes();

    const InputList members = filterPropertiesByGroup(inputs, common ? QString() : QString::fromStdString(name));
    const oxSubstanceAttributeCreator creator;
    for (const QMap<QString, QVariant>& input : members)
    {
        const AttributeValuePtr value = creator.create(input);
        if (value.isNull())
            continue;
        osg::addRef(value);
        group->editProperties().push_back(value);
    }
    return group;
}

oxSubstanceMaterialModifier::InputList
oxSubstanceMaterialModifier::filterPropertiesByGroup(const InputList& inputs, const QString& group) const
{
    InputList result;
    for (const QMap<QString, QVariant>& input : inputs)
    {
        if (input.value(kGroupKey).toString() == group && !input.value(kLabelKey).toString().isEmpty())
            result.append(input);
    }
    return result;
}
