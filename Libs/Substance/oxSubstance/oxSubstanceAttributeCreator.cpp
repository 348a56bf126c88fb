#include "oxSubstanceAttributeCreator.h"

#include "oxSubstanceValueTypes.h"

using Description = oxSubstanceInputDescription;

oxSubstanceAttributeCreator::oxSubstanceAttributeCreator()
{
    // In the order of oxValueTypes::Rows.
    const Creator creators[] = {
        &oxSubstanceAttributeCreator::createFloatValue,  &oxSubstanceAttributeCreator::createFloat2DValue,
        &oxSubstanceAttributeCreator::createFloat3DValue, &oxSubstanceAttributeCreator::createFloat4DValue,
        &oxSubstanceAttributeCreator::createIntValue,    &oxSubstanceAttributeCreator::createInt2DValue,
        &oxSubstanceAttributeCreator::createInt3DValue,  &oxSubstanceAttributeCreator::createInt4DValue,
        &oxSubstanceAttributeCreator::createStringValue, &oxSubstanceAttributeCreator::createImageValue,
    };
    const auto typeStrings = oxValueTypes::mapRows([](auto row) { return decltype(row)::typeString; });
    static_assert(std::size(creators) == std::tuple_size_v<oxValueTypes::Rows>, "one creator per row");
    for (std::size_t i = 0; i < typeStrings.size(); ++i)
        _creators.insert(QLatin1String(typeStrings[i]), creators[i]);
}

AttributeValuePtr oxSubstanceAttributeCreator::create(const QMap<QString, QVariant>& description) const
{
    return create(Description(description));
}

AttributeValuePtr oxSubstanceAttributeCreator::create(const oxSubstanceInputDescription& description) const
{
    const auto it = _creators.constFind(description.typeString);
    if (it == _creators.constEnd())
        return AttributeValuePtr();

    const AttributeValuePtr value = (this->*it.value())(description);
    if (value.isNull())
        return value;
    enrich(value, description);
    return value;
}

AttributeValuePtr oxSubstanceAttributeCreator::createFloatValue(const Description& description) const
{
    return oxValueTypes::create<oxValueTypes::Float>(description);
}

AttributeValuePtr oxSubstanceAttributeCreator::createFloat2DValue(const Description& description) const
{
    return oxValueTypes::create<oxValueTypes::Float2>(description);
}

AttributeValuePtr oxSubstanceAttributeCreator::createFloat3DValue(const Description& description) const
{
    return oxValueTypes::create<oxValueTypes::Float3>(description);
}

AttributeValuePtr oxSubstanceAttributeCreator::createFloat4DValue(const Description& description) const
{
    return oxValueTypes::create<oxValueTypes::Float4>(description);
}

AttributeValuePtr oxSubstanceAttributeCreator::createIntValue(const Description& description) const
{
    return oxValueTypes::create<oxValueTypes::Int>(description);
}

AttributeValuePtr oxSubstanceAttributeCreator::createInt2DValue(const Description& description) const
{
    return oxValueTypes::create<oxValueTypes::Int2>(description);
}

AttributeValuePtr oxSubstanceAttributeCreator::createInt3DValue(const Description& description) const
{
    return oxValueTypes::create<oxValueTypes::Int3>(description);
}

AttributeValuePtr oxSubstanceAttributeCreator::createInt4DValue(const Description& description) const
{
    return oxValueTypes::create<oxValueTypes::Int4>(description);
}

AttributeValuePtr oxSubstanceAttributeCreator::createStringValue(const Description& description) const
{
    return oxValueTypes::create<oxValueTypes::String>(description);
}

AttributeValuePtr oxSubstanceAttributeCreator::createImageValue(const Description& description) const
{
    return oxValueTypes::create<oxValueTypes::Image>(description);
}

void oxSubstanceAttributeCreator::enrich(AttributeValuePtr value, const Description& description) const
{
    osgEdit edit(value, AttributeBase::UuidFieldMask | AttributeBase::NameFieldMask |
                            AttributeValueBase::TypeStringFieldMask | AttributeValueBase::WidgetFieldMask |
                            AttributeValueBase::DefaultFieldMask | AttributeValueBase::VisibilityFieldMask |
                            AttributeValueBase::DescriptionFieldMask);
    value->setName(description.labelUtf8);
    value->setUuid(description.idUtf8);
    value->setTypeString(description.typeUtf8);
    value->setWidget(description.widget);
    value->setDefault(description.defaultText);
    value->setVisibility(description.visibility);
    value->setDescription(description.description);
}
