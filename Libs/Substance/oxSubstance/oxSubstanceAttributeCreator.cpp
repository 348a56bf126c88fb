#include "oxSubstanceAttributeCreator.h"

#include <string>
#include <type_traits>

namespace {

using Description = oxSubstanceInputDescription;

// Captions of the first N components, each only when its key is present.
template <int N, class ValuePtr>
void applyLabels(const ValuePtr& value, const Description& description)
{
    const auto& labels = description.componentLabels;
    if (labels[0])
        value->setLabelX(*labels[0]);
    if (labels[1])
        value->setLabelY(*labels[1]);
    if constexpr (N > 2)
        if (labels[2])
            value->setLabelZ(*labels[2]);
    if constexpr (N > 3)
        if (labels[3])
            value->setLabelW(*labels[3]);
}

// The float vector classes take whole vectors for bounds and default.
template <class ValuePtr, int N>
AttributeValuePtr createFloatVector(const Description& description)
{
    using Class = typename ValuePtr::StoredObjectType;
    const ValuePtr value = Class::create();
    if (value.isNull())
        return AttributeValuePtr();

    osg::Vector<float, N> minValue, maxValue, defaultValue;
    for (int i = 0; i < N; ++i)
    {
        minValue[i] = description.floatMin[i];
        maxValue[i] = description.floatMax[i];
        defaultValue[i] = description.floatDefault[i];
    }

    osgEdit edit(value, osg::FieldBits::AllFields);
    value->setMinValue(minValue);
    value->setMaxValue(maxValue);
    value->setDefaultValue(defaultValue);
    value->setSliderStep(description.floatStep);
    applyLabels<N>(value, description);
    return value;
}

// The integer vector classes take one integer per component and field.
template <class ValuePtr, int N>
AttributeValuePtr createIntVector(const Description& description)
{
    using Class = typename ValuePtr::StoredObjectType;
    const ValuePtr value = Class::create();
    if (value.isNull())
        return AttributeValuePtr();

    const std::array<int, 4>& minValue = description.intMin;
    const std::array<int, 4>& maxValue = description.intMax;
    const std::array<int, 4>& defaultValue = description.intDefault;

    osgEdit edit(value, osg::FieldBits::AllFields);
    value->setMinValueX(minValue[0]);
    value->setMinValueY(minValue[1]);
    if constexpr (N > 2)
        value->setMinValueZ(minValue[2]);
    if constexpr (N > 3)
        value->setMinValueW(minValue[3]);
    value->setMaxValueX(maxValue[0]);
    value->setMaxValueY(maxValue[1]);
    if constexpr (N > 2)
        value->setMaxValueZ(maxValue[2]);
    if constexpr (N > 3)
        value->setMaxValueW(maxValue[3]);
    value->setDefaultValueX(defaultValue[0]);
    value->setDefaultValueY(defaultValue[1]);
    if constexpr (N > 2)
        value->setDefaultValueZ(defaultValue[2]);
    if constexpr (N > 3)
        value->setDefaultValueW(defaultValue[3]);
    value->setSliderStep(description.intStep);
    applyLabels<N>(value, description);
    return value;
}

} // namespace

oxSubstanceAttributeCreator::oxSubstanceAttributeCreator()
{
    // In the order of oxSubstanceInputDescription::types().
    const Creator creators[] = {
        &oxSubstanceAttributeCreator::createFloatValue,  &oxSubstanceAttributeCreator::createFloat2DValue,
        &oxSubstanceAttributeCreator::createFloat3DValue, &oxSubstanceAttributeCreator::createFloat4DValue,
        &oxSubstanceAttributeCreator::createIntValue,    &oxSubstanceAttributeCreator::createInt2DValue,
        &oxSubstanceAttributeCreator::createInt3DValue,  &oxSubstanceAttributeCreator::createInt4DValue,
        &oxSubstanceAttributeCreator::createStringValue, &oxSubstanceAttributeCreator::createImageValue,
    };
    static_assert(sizeof creators / sizeof creators[0] == std::tuple_size<std::remove_reference_t<decltype(Description::types())>>::value,
                  "one creator per value type");
    for (std::size_t i = 0; i < Description::types().size(); ++i)
        _creators.insert(QLatin1String(Description::types()[i].typeString), creators[i]);
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
    const AttributeFloatValuePtr value = AttributeFloatValue::create();
    if (value.isNull())
        return AttributeValuePtr();

    osgEdit edit(value, osg::FieldBits::AllFields);
    value->setMinValue(description.floatMin[0]);
    value->setMaxValue(description.floatMax[0]);
    value->setDefaultValue(description.floatDefault[0]);
    value->setSliderStep(description.floatStep);
    return value;
}

AttributeValuePtr oxSubstanceAttributeCreator::createFloat2DValue(const Description& description) const
{
    return createFloatVector<AttributeFloat2DValuePtr, 2>(description);
}

AttributeValuePtr oxSubstanceAttributeCreator::createFloat3DValue(const Description& description) const
{
    return createFloatVector<AttributeFloat3DValuePtr, 3>(description);
}

AttributeValuePtr oxSubstanceAttributeCreator::createFloat4DValue(const Description& description) const
{
    return createFloatVector<AttributeFloat4DValuePtr, 4>(description);
}

AttributeValuePtr oxSubstanceAttributeCreator::createIntValue(const Description& description) const
{
    const AttributeIntValuePtr value = AttributeIntValue::create();
    if (value.isNull())
        return AttributeValuePtr();

    osgEdit edit(value, osg::FieldBits::AllFields);
    value->setMinValue(description.intMin[0]);
    value->setMaxValue(description.intMax[0]);
    value->setDefaultValue(description.intDefault[0]);
    value->setSliderStep(description.intStep);
    if (description.map)
        value->setMap(*description.map);
    return value;
}

AttributeValuePtr oxSubstanceAttributeCreator::createInt2DValue(const Description& description) const
{
    return createIntVector<AttributeInt2DValuePtr, 2>(description);
}

AttributeValuePtr oxSubstanceAttributeCreator::createInt3DValue(const Description& description) const
{
    return createIntVector<AttributeInt3DValuePtr, 3>(description);
}

AttributeValuePtr oxSubstanceAttributeCreator::createInt4DValue(const Description& description) const
{
    return createIntVector<AttributeInt4DValuePtr, 4>(description);
}

AttributeValuePtr oxSubstanceAttributeCreator::createStringValue(const Description&) const
{
    return AttributeStringValue::create();
}

AttributeValuePtr oxSubstanceAttributeCreator::createImageValue(const Description&) const
{
    return AttributeImageValue::create();
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
