#include "oxSubstanceAttributeCreator.h"

#include "oxSubstanceValueTypes.h"

using namespace oxValueTypes;
using AttributeCreator = oxSubstanceAttributeCreator;
using Description = oxSubstanceInputDescription;

oxSubstanceAttributeCreator::oxSubstanceAttributeCreator()
{
    // In the order of the rows.
    const Creator creators[] = {
        &oxSubstanceAttributeCreator::createFloatValue,  &oxSubstanceAttributeCreator::createFloat2DValue,
        &oxSubstanceAttributeCreator::createFloat3DValue, &oxSubstanceAttributeCreator::createFloat4DValue,
        &oxSubstanceAttributeCreator::createIntValue,    &oxSubstanceAttributeCreator::createInt2DValue,
        &oxSubstanceAttributeCreator::createInt3DValue,  &oxSubstanceAttributeCreator::createInt4DValue,
        &oxSubstanceAttributeCreator::createStringValue, &oxSubstanceAttributeCreator::createImageValue,
    };
    const auto typeStrings = mapRows([](auto row) { return decltype(row)::typeString; });
    static_assert(std::size(creators) == std::tuple_size_v<Rows>, "one creator per row");
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

// The creators of the table: one row each.
AttributeValuePtr AttributeCreator::createFloatValue(const Description& d) const { return createValue<Float>(d); }
AttributeValuePtr AttributeCreator::createFloat2DValue(const Description& d) const { return createValue<Float2>(d); }
AttributeValuePtr AttributeCreator::createFloat3DValue(const Description& d) const { return createValue<Float3>(d); }
AttributeValuePtr AttributeCreator::createFloat4DValue(const Description& d) const { return createValue<Float4>(d); }
AttributeValuePtr AttributeCreator::createIntValue(const Description& d) const { return createValue<Int>(d); }
AttributeValuePtr AttributeCreator::createInt2DValue(const Description& d) const { return createValue<Int2>(d); }
AttributeValuePtr AttributeCreator::createInt3DValue(const Description& d) const { return createValue<Int3>(d); }
AttributeValuePtr AttributeCreator::createInt4DValue(const Description& d) const { return createValue<Int4>(d); }
AttributeValuePtr AttributeCreator::createStringValue(const Description& d) const { return createValue<String>(d); }
AttributeValuePtr AttributeCreator::createImageValue(const Description& d) const { return createValue<Image>(d); }

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
