#pragma once
/// \file Attributes.h
/// Host attribute model: named attributes, typed attribute values and groups.
///
/// Each value class keeps its current value, range, default, slider step and
/// component captions. A group holds one reference per element of Properties.

#include "OSGBase.h"
#include "OSGImage.h"

#include <string>

class Attribute;
class AttributeValue;
class AttributeGroup;
using AttributePtr = osg::FCPtr<Attribute>;
using AttributeValuePtr = osg::FCPtr<AttributeValue>;
using AttributeGroupPtr = osg::FCPtr<AttributeGroup>;

// ---------------------------------------------------------------- Attribute

class OX_HOST_API AttributeBase : public osg::FieldContainer
{
    OX_CONTAINER(Attribute)
public:
    enum { NameFieldId = osg::FieldContainer::NextFieldId, UuidFieldId, NextFieldId };
    OX_FIELD_MASK(Name)
    OX_FIELD_MASK(Uuid)
    /// Display name (the input's label).
    OX_FIELD(std::string, Name)
    /// Identifier (the Substance input identifier).
    OX_FIELD(std::string, Uuid)
protected:
    AttributeBase() = default;
};

class OX_HOST_API Attribute : public AttributeBase
{
protected:
    Attribute() = default;
};

class OX_HOST_API AttributeValueBase : public Attribute
{
    OX_CONTAINER(AttributeValue)
public:
    enum
    {
        TypeStringFieldId = AttributeBase::NextFieldId,
        DescriptionFieldId,
        DefaultFieldId,
        VisibilityFieldId,
        WidgetFieldId,
        NextFieldId
    };
    OX_FIELD_MASK(TypeString)
    OX_FIELD_MASK(Description)
    OX_FIELD_MASK(Default)
    OX_FIELD_MASK(Visibility)
    OX_FIELD_MASK(Widget)
    /// Type string of the input ("float", "int[2]", ...).
    OX_FIELD(std::string, TypeString)
    OX_FIELD(std::string, Description)
    /// Textual default value as the archive states it.
    OX_FIELD(std::string, Default)
    /// Visibility condition text as the archive states it.
    OX_FIELD(std::string, Visibility)
    /// Widget name ("color", "slider", ...).
    OX_FIELD(std::string, Widget)
protected:
    AttributeValueBase() = default;
};

class OX_HOST_API AttributeValue : public AttributeValueBase
{
protected:
    AttributeValue() = default;
};

// ---------------------------------------------------------------- float values

class AttributeFloatValue;
using AttributeFloatValuePtr = osg::FCPtr<AttributeFloatValue>;

class OX_HOST_API AttributeFloatValueBase : public AttributeValue
{
    OX_CONTAINER(AttributeFloatValue)
public:
    enum
    {
        FloatValueFieldId = AttributeValueBase::NextFieldId,
        MinValueFieldId,
        MaxValueFieldId,
        DefaultValueFieldId,
        SliderStepFieldId,
        NextFieldId
    };
    OX_FIELD_MASK(FloatValue)
    OX_FIELD_MASK(MinValue)
    OX_FIELD_MASK(MaxValue)
    OX_FIELD_MASK(DefaultValue)
    OX_FIELD_MASK(SliderStep)
    OX_FIELD(osg::Real32, FloatValue)
    OX_FIELD(osg::Real32, MinValue)
    OX_FIELD(osg::Real32, MaxValue)
    OX_FIELD(osg::Real32, DefaultValue)
    OX_FIELD(osg::Real32, SliderStep)
protected:
    AttributeFloatValueBase() = default;
};

/// Shared shape of the float vector classes of N components.
#define OX_FLOAT_VECTOR_BASE(Class, VecType)                                                    \
    class OX_HOST_API Class##Base : public AttributeValue                                          \
    {                                                                                              \
        OX_CONTAINER(Class)                                                                        \
    public:                                                                                        \
        enum                                                                                       \
        {                                                                                          \
            FloatVectorValueFieldId = AttributeValueBase::NextFieldId,                             \
            MinValueFieldId,                                                                       \
            MaxValueFieldId,                                                                       \
            DefaultValueFieldId,                                                                   \
            SliderStepFieldId,                                                                     \
            LabelXFieldId,                                                                         \
            LabelYFieldId,                                                                         \
            LabelZFieldId,                                                                         \
            LabelWFieldId,                                                                         \
            NextFieldId                                                                            \
        };                                                                                         \
        OX_FIELD_MASK(FloatVectorValue)                                                            \
        OX_FIELD_MASK(MinValue)                                                                    \
        OX_FIELD_MASK(MaxValue)                                                                    \
        OX_FIELD_MASK(DefaultValue)                                                                \
        OX_FIELD_MASK(SliderStep)                                                                  \
        OX_FIELD_MASK(LabelX)                                                                      \
        OX_FIELD_MASK(LabelY)                                                                      \
        OX_FIELD_MASK(LabelZ)                                                                      \
        OX_FIELD_MASK(LabelW)                                                                      \
        OX_FIELD(VecType, FloatVectorValue)                                                        \
        OX_FIELD(VecType, MinValue)                                                                \
        OX_FIELD(VecType, MaxValue)                                                                \
        OX_FIELD(VecType, DefaultValue)                                                            \
        OX_FIELD(osg::Real32, SliderStep)                                                          \
        OX_FIELD(std::string, LabelX)                                                              \
        OX_FIELD(std::string, LabelY)                                                              \
        OX_FIELD(std::string, LabelZ)                                                              \
        OX_FIELD(std::string, LabelW)                                                              \
    protected:                                                                                     \
        Class##Base();                                                                             \
    };

OX_FLOAT_VECTOR_BASE(AttributeFloat2DValue, osg::Vec2f)
OX_FLOAT_VECTOR_BASE(AttributeFloat3DValue, osg::Vec3f)

/// The four-component float value keeps its current value as ColorValue.
class OX_HOST_API AttributeFloat4DValueBase : public AttributeValue
{
    OX_CONTAINER(AttributeFloat4DValue)
public:
    enum
    {
        ColorValueFieldId = AttributeValueBase::NextFieldId,
        MinValueFieldId,
        MaxValueFieldId,
        DefaultValueFieldId,
        SliderStepFieldId,
        LabelXFieldId,
        LabelYFieldId,
        LabelZFieldId,
        LabelWFieldId,
        NextFieldId
    };
    OX_FIELD_MASK(ColorValue)
    OX_FIELD_MASK(MinValue)
    OX_FIELD_MASK(MaxValue)
    OX_FIELD_MASK(DefaultValue)
    OX_FIELD_MASK(SliderStep)
    OX_FIELD_MASK(LabelX)
    OX_FIELD_MASK(LabelY)
    OX_FIELD_MASK(LabelZ)
    OX_FIELD_MASK(LabelW)
    OX_FIELD(osg::Vec4f, ColorValue)
    OX_FIELD(osg::Vec4f, MinValue)
    OX_FIELD(osg::Vec4f, MaxValue)
    OX_FIELD(osg::Vec4f, DefaultValue)
    OX_FIELD(osg::Real32, SliderStep)
    OX_FIELD(std::string, LabelX)
    OX_FIELD(std::string, LabelY)
    OX_FIELD(std::string, LabelZ)
    OX_FIELD(std::string, LabelW)
protected:
    AttributeFloat4DValueBase();
};

// ---------------------------------------------------------------- int values

class OX_HOST_API AttributeIntValueBase : public AttributeValue
{
    OX_CONTAINER(AttributeIntValue)
public:
    enum
    {
        IntValueFieldId = AttributeValueBase::NextFieldId,
        MinValueFieldId,
        MaxValueFieldId,
        DefaultValueFieldId,
        SliderStepFieldId,
        MapFieldId,
        NextFieldId
    };
    OX_FIELD_MASK(IntValue)
    OX_FIELD_MASK(MinValue)
    OX_FIELD_MASK(MaxValue)
    OX_FIELD_MASK(DefaultValue)
    OX_FIELD_MASK(SliderStep)
    OX_FIELD_MASK(Map)
    OX_FIELD(osg::Int32, IntValue)
    OX_FIELD(osg::Int32, MinValue)
    OX_FIELD(osg::Int32, MaxValue)
    OX_FIELD(osg::Int32, DefaultValue)
    OX_FIELD(osg::Int32, SliderStep)
    /// Enumeration map text: "value:caption" pairs separated by ";".
    OX_FIELD(std::string, Map)
protected:
    AttributeIntValueBase() = default;
};

/// Shared shape of the integer vector classes: one integer per component and field.
#define OX_INT_VECTOR_BASE(Class)                                                                  \
    class OX_HOST_API Class##Base : public AttributeValue                                          \
    {                                                                                              \
        OX_CONTAINER(Class)                                                                        \
    public:                                                                                        \
        enum                                                                                       \
        {                                                                                          \
            IntValueXFieldId = AttributeValueBase::NextFieldId,                                    \
            IntValueYFieldId,                                                                      \
            IntValueZFieldId,                                                                      \
            IntValueWFieldId,                                                                      \
            MinValueXFieldId,                                                                      \
            MinValueYFieldId,                                                                      \
            MinValueZFieldId,                                                                      \
            MinValueWFieldId,                                                                      \
            MaxValueXFieldId,                                                                      \
            MaxValueYFieldId,                                                                      \
            MaxValueZFieldId,                                                                      \
            MaxValueWFieldId,                                                                      \
            DefaultValueXFieldId,                                                                  \
            DefaultValueYFieldId,                                                                  \
            DefaultValueZFieldId,                                                                  \
            DefaultValueWFieldId,                                                                  \
            SliderStepFieldId,                                                                     \
            LabelXFieldId,                                                                         \
            LabelYFieldId,                                                                         \
            LabelZFieldId,                                                                         \
            LabelWFieldId,                                                                         \
            NextFieldId                                                                            \
        };                                                                                         \
        OX_FIELD_MASK(IntValueX)                                                                   \
        OX_FIELD_MASK(IntValueY)                                                                   \
        OX_FIELD_MASK(IntValueZ)                                                                   \
        OX_FIELD_MASK(IntValueW)                                                                   \
        OX_FIELD_MASK(MinValueX)                                                                   \
        OX_FIELD_MASK(MinValueY)                                                                   \
        OX_FIELD_MASK(MinValueZ)                                                                   \
        OX_FIELD_MASK(MinValueW)                                                                   \
        OX_FIELD_MASK(MaxValueX)                                                                   \
        OX_FIELD_MASK(MaxValueY)                                                                   \
        OX_FIELD_MASK(MaxValueZ)                                                                   \
        OX_FIELD_MASK(MaxValueW)                                                                   \
        OX_FIELD_MASK(DefaultValueX)                                                               \
        OX_FIELD_MASK(DefaultValueY)                                                               \
        OX_FIELD_MASK(DefaultValueZ)                                                               \
        OX_FIELD_MASK(DefaultValueW)                                                               \
        OX_FIELD_MASK(SliderStep)                                                                  \
        OX_FIELD_MASK(LabelX)                                                                      \
        OX_FIELD_MASK(LabelY)                                                                      \
        OX_FIELD_MASK(LabelZ)                                                                      \
        OX_FIELD_MASK(LabelW)                                                                      \
        OX_FIELD(osg::Int32, IntValueX)                                                            \
        OX_FIELD(osg::Int32, IntValueY)                                                            \
        OX_FIELD(osg::Int32, IntValueZ)                                                            \
        OX_FIELD(osg::Int32, IntValueW)                                                            \
        OX_FIELD(osg::Int32, MinValueX)                                                            \
        OX_FIELD(osg::Int32, MinValueY)                                                            \
        OX_FIELD(osg::Int32, MinValueZ)                                                            \
        OX_FIELD(osg::Int32, MinValueW)                                                            \
        OX_FIELD(osg::Int32, MaxValueX)                                                            \
        OX_FIELD(osg::Int32, MaxValueY)                                                            \
        OX_FIELD(osg::Int32, MaxValueZ)                                                            \
        OX_FIELD(osg::Int32, MaxValueW)                                                            \
        OX_FIELD(osg::Int32, DefaultValueX)                                                        \
        OX_FIELD(osg::Int32, DefaultValueY)                                                        \
        OX_FIELD(osg::Int32, DefaultValueZ)                                                        \
        OX_FIELD(osg::Int32, DefaultValueW)                                                        \
        OX_FIELD(osg::Int32, SliderStep)                                                           \
        OX_FIELD(std::string, LabelX)                                                              \
        OX_FIELD(std::string, LabelY)                                                              \
        OX_FIELD(std::string, LabelZ)                                                              \
        OX_FIELD(std::string, LabelW)                                                              \
    protected:                                                                                     \
        Class##Base();                                                                             \
    };

OX_INT_VECTOR_BASE(AttributeInt2DValue)
OX_INT_VECTOR_BASE(AttributeInt3DValue)
OX_INT_VECTOR_BASE(AttributeInt4DValue)

// ---------------------------------------------------------------- string and image values

class OX_HOST_API AttributeStringValueBase : public AttributeValue
{
    OX_CONTAINER(AttributeStringValue)
public:
    enum { StringValueFieldId = AttributeValueBase::NextFieldId, NextFieldId };
    OX_FIELD_MASK(StringValue)
    OX_FIELD(std::string, StringValue)
protected:
    AttributeStringValueBase() = default;
};

class OX_HOST_API AttributeImageValueBase : public AttributeValue
{
    OX_CONTAINER(AttributeImageValue)
public:
    enum { ImageFieldId = AttributeValueBase::NextFieldId, NextFieldId };
    OX_FIELD_MASK(Image)
    const ImagePtr& getImage() const { return _sfImage; }
    /// Stores the image and takes a reference on it; the previous image's reference is released.
    void setImage(const ImagePtr& image);

protected:
    AttributeImageValueBase() = default;
    ~AttributeImageValueBase() override;

private:
    ImagePtr _sfImage;
};

// ---------------------------------------------------------------- concrete classes

/// Declares a concrete value class with its handle type and create().
#define OX_VALUE_CLASS(Class, Extra)                                                               \
    class Class;                                                                                   \
    using Class##Ptr = osg::FCPtr<Class>;                                                          \
    class OX_HOST_API Class : public Class##Base                                                   \
    {                                                                                              \
    public:                                                                                        \
        static Class##Ptr create();                                                                \
        Extra                                                                                      \
    protected:                                                                                     \
        Class() = default;                                                                         \
    };

OX_VALUE_CLASS(AttributeFloatValue, )
OX_VALUE_CLASS(AttributeFloat2DValue, )
OX_VALUE_CLASS(AttributeFloat3DValue, )
OX_VALUE_CLASS(AttributeFloat4DValue,
               /** True when the value is edited as a colour: its widget is "color". */
               bool isColorAttribute() const;)
OX_VALUE_CLASS(AttributeIntValue, )
OX_VALUE_CLASS(AttributeInt2DValue, )
OX_VALUE_CLASS(AttributeInt3DValue, )
OX_VALUE_CLASS(AttributeInt4DValue, )
OX_VALUE_CLASS(AttributeStringValue, )
OX_VALUE_CLASS(AttributeImageValue, )

// ---------------------------------------------------------------- group

class OX_HOST_API AttributeGroupBase : public Attribute
{
    OX_CONTAINER(AttributeGroup)
public:
    enum { CommonFieldId = AttributeBase::NextFieldId, PropertiesFieldId, NextFieldId };
    OX_FIELD_MASK(Common)
    OX_FIELD_MASK(Properties)
    /// True only for a graph's shared group of ungrouped inputs.
    OX_FIELD(bool, Common)
    /// The group's values in input order; each element holds one reference.
    OX_MFIELD(AttributeValuePtr, Properties)
protected:
    AttributeGroupBase() = default;
    ~AttributeGroupBase() override;
};

class OX_HOST_API AttributeGroup : public AttributeGroupBase
{
public:
    static AttributeGroupPtr create();
    /// Releases every value of Properties and empties it (write of Properties).
    void clearAttributes();
    /// The first value whose Uuid equals \p uuid; null when there is none.
    AttributeValuePtr getAttribute(const std::string& uuid) const;

protected:
    AttributeGroup() = default;
};
