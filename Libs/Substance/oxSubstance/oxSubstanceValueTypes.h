#pragma once
/// \file oxSubstanceValueTypes.h
/// The ten value types of Substance inputs, one row each: type string, preset
/// type code, host attribute class, number type and count, QVariant form. The
/// templates below create, read and write an attribute value of a row; the
/// attribute creator, the attribute sync and the input description read the
/// rows and decide nothing by type themselves. Used by the library's own sources only.

#include "oxSubstanceInputDescription.h"

#include "host/Attributes.h"
#include "host/Materials.h"
#include "host/QOXIntVector.h"
#include "host/QSubstanceArchive.h"
#include "host/oxHostUtils.h"

#include <QCoreApplication>
#include <QMetaType>
#include <QVariant>
#include <QVector2D>
#include <QVector3D>
#include <QVector4D>

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>
#include <type_traits>
#include <utility>

namespace oxValueTypes {

/// Identifier of the input whose "int[2]" value is the graph's output size.
inline constexpr char OutputSizeId[] = "$outputsize";

// ---------------------------------------------------------------- QVariant forms

/// The meta-type name by which a form of the host's Qt extension travels; null for Qt's own forms.
template <class F>
inline constexpr const char* formName = nullptr;
template <>
inline constexpr const char* formName<QOXIntVector2D> = "QOXIntVector2D";
template <>
inline constexpr const char* formName<QOXIntVector3D> = "QOXIntVector3D";
template <>
inline constexpr const char* formName<QOXIntVector4D> = "QOXIntVector4D";

/// The meta-type id of form F. A form of the host's Qt extension is looked up
/// by its name on first use and registered under it when nobody has yet, with
/// comparators, so that QVariant compares it by value.
template <class F>
int formType()
{
    if constexpr (formName<F> != nullptr)
    {
        static const int id = [] {
            int found = QMetaType::type(formName<F>);
            if (found == QMetaType::UnknownType)
                found = qRegisterMetaType<F>(formName<F>);
            if (!QMetaType::hasRegisteredComparators(found))
                QMetaType::registerComparators<F>();
            return found;
        }();
        return id;
    }
    else
        return qMetaTypeId<F>();
}

/// \p v as a T: as stored when it holds type \p typeId, else Qt's conversion
/// when there is one, else a default-constructed T.
template <class T>
T convertedOrDefault(const QVariant& v, int typeId)
{
    if (v.userType() == typeId)
        return *static_cast<const T*>(v.constData());
    QVariant converted(v);
    if (converted.convert(typeId))
        return *static_cast<const T*>(converted.constData());
    return T();
}

/// \p v in form F: float and int by QVariant's own conversion (0 when there is
/// none), the vectors by convertedOrDefault.
template <class F>
F formOf(const QVariant& v)
{
    if constexpr (std::is_same_v<F, float>)
        return v.toFloat();
    else if constexpr (std::is_same_v<F, int>)
        return v.toInt();
    else
        return convertedOrDefault<F>(v, formType<F>());
}

/// A form as a QVariant of its meta-type.
template <class F>
QVariant variantOf(const F& form)
{
    return QVariant(formType<F>(), &form);
}

/// The N components of a form of numbers T.
template <class T, int N, class F>
std::array<T, N> componentsOf(const F& f)
{
    if constexpr (std::is_arithmetic_v<F>)
        return {f};
    else if constexpr (std::is_same_v<T, float>)
    {
        std::array<T, N> c{};
        for (int i = 0; i < N; ++i)
            c[i] = f[i];
        return c;
    }
    else if constexpr (N == 2)
        return {f.getX(), f.getY()};
    else if constexpr (N == 3)
        return {f.getX(), f.getY(), f.getZ()};
    else
        return {f.getX(), f.getY(), f.getZ(), f.getW()};
}

/// A value of type V made of the first N of the components \p c.
template <class V, std::size_t... I, class C>
V makeOf(const C& c, std::index_sequence<I...>)
{
    return V{c[I]...};
}
template <class V, int N, class C>
V makeOf(const C& c)
{
    return makeOf<V>(c, std::make_index_sequence<N>());
}

// ---------------------------------------------------------------- the current value of a number class

/// The current value of a number class as N components.
template <class R>
std::array<typename R::Number, R::components> currentOf(const typename R::Ptr& v)
{
    using C = typename R::Class;
    using T = typename R::Number;
    constexpr int N = R::components;
    if constexpr (std::is_same_v<C, AttributeFloatValue>)
        return {v->getFloatValue()};
    else if constexpr (std::is_same_v<C, AttributeIntValue>)
        return {v->getIntValue()};
    else if constexpr (std::is_same_v<C, AttributeFloat4DValue>)
        return componentsOf<T, N>(v->getColorValue());
    else if constexpr (std::is_same_v<T, float>)
        return componentsOf<T, N>(v->getFloatVectorValue());
    else
        return makeOf<std::array<T, N>, N>(
            std::array{v->getIntValueX(), v->getIntValueY(), v->getIntValueZ(), v->getIntValueW()});
}

/// The mask of the current-value fields of a number class.
template <class R>
osg::BitVector currentMask()
{
    using C = typename R::Class;
    if constexpr (std::is_same_v<C, AttributeFloatValue>)
        return C::FloatValueFieldMask;
    else if constexpr (std::is_same_v<C, AttributeIntValue>)
        return C::IntValueFieldMask;
    else if constexpr (std::is_same_v<C, AttributeFloat4DValue>)
        return C::ColorValueFieldMask;
    else if constexpr (std::is_same_v<typename R::Number, float>)
        return C::FloatVectorValueFieldMask;
    else
        return C::IntValueXFieldMask | C::IntValueYFieldMask | (R::components > 2 ? C::IntValueZFieldMask : 0) |
               (R::components > 3 ? C::IntValueWFieldMask : 0);
}

/// Sets the current value of a number class (inside a bracket of currentMask).
template <class R>
void setCurrent(const typename R::Ptr& v, const std::array<typename R::Number, R::components>& c)
{
    using C = typename R::Class;
    using T = typename R::Number;
    constexpr int N = R::components;
    if constexpr (std::is_same_v<C, AttributeFloatValue>)
        v->setFloatValue(c[0]);
    else if constexpr (std::is_same_v<C, AttributeIntValue>)
        v->setIntValue(c[0]);
    else if constexpr (std::is_same_v<C, AttributeFloat4DValue>)
        v->setColorValue(makeOf<osg::Vec4f, N>(c));
    else if constexpr (std::is_same_v<T, float>)
        v->setFloatVectorValue(makeOf<osg::Vector<float, N>, N>(c));
    else
    {
        const std::array set{&C::setIntValueX, &C::setIntValueY, &C::setIntValueZ, &C::setIntValueW};
        for (int i = 0; i < N; ++i)
            ((*v).*set[i])(c[i]);
    }
}

/// True when every number to write is finite. Otherwise logs a warning naming
/// the property and writes nothing: an infinity or a NaN has no text that a
/// preset could carry back, so it would be lost on export.
template <std::size_t N>
bool finiteOrWarn(const AttributeValuePtr& value, const std::array<float, N>& numbers)
{
    if (std::all_of(numbers.begin(), numbers.end(), [](float f) { return std::isfinite(f); }))
        return true;
    //: %1 the identifier of a Substance input
    const QString text = QCoreApplication::translate("oxSubstanceAttributeSync",
                                                     "Value of substance property '%1' is not a finite number. "
                                                     "It was not written.")
                             .arg(QString::fromStdString(value->getUuid()));
    oxLog::warning("%s", text.toUtf8().constData());
    return false;
}

/// Writes N numbers as the current value of a number class, in one bracket;
/// floats only when finite.
template <class R>
bool writeNumbers(const typename R::Ptr& v, const std::array<typename R::Number, R::components>& c)
{
    if constexpr (std::is_same_v<typename R::Number, float>)
        if (!finiteOrWarn(v, c))
            return false;
    osgEdit edit(v, currentMask<R>());
    setCurrent<R>(v, c);
    return true;
}

// ---------------------------------------------------------------- rows

/// What a row is made of: the host class, the number type of its components
/// (void for text and images) and their count, the QVariant form and the
/// preset type code. A number row reads and writes its class's current value
/// in its form; a row with a rule of its own says so beside it.
template <class ClassT, class NumberT, int N, class FormT, SubstanceAir::InputType Code>
struct Row
{
    using Class = ClassT;
    using Ptr = osg::FCPtr<ClassT>;
    using Number = NumberT;
    static constexpr int components = N;
    using Form = FormT;
    static constexpr SubstanceAir::InputType code = Code;

    static bool read(const Ptr& v, const USubstanceMaterialPtr&, QVariant& result)
    {
        result = variantOf(makeOf<Form, N>(currentOf<Row>(v)));
        return true;
    }
    static bool write(const Ptr& v, const USubstanceMaterialPtr&, const QVariant& value)
    {
        return writeNumbers<Row>(v, componentsOf<Number, N>(formOf<Form>(value)));
    }
};

using SubstanceAir::InputType_Float, SubstanceAir::InputType_Float2, SubstanceAir::InputType_Float3,
    SubstanceAir::InputType_Float4, SubstanceAir::InputType_Integer, SubstanceAir::InputType_Integer2,
    SubstanceAir::InputType_Integer3, SubstanceAir::InputType_Integer4, SubstanceAir::InputType_String,
    SubstanceAir::InputType_Image;

struct Float : Row<AttributeFloatValue, float, 1, float, InputType_Float>
{
    static constexpr char typeString[] = "float";
};
struct Float2 : Row<AttributeFloat2DValue, float, 2, QVector2D, InputType_Float2>
{
    static constexpr char typeString[] = "float[2]";
};
struct Float3 : Row<AttributeFloat3DValue, float, 3, QVector3D, InputType_Float3>
{
    static constexpr char typeString[] = "float[3]";
};

/// A colour (isColorAttribute) travels as a QVector3D without alpha; a
/// QVector3D written to a colour makes it opaque.
struct Float4 : Row<AttributeFloat4DValue, float, 4, QVector4D, InputType_Float4>
{
    static constexpr char typeString[] = "float[4]";
    static bool read(const Ptr& v, const USubstanceMaterialPtr& material, QVariant& result)
    {
        if (!v->isColorAttribute())
            return Row::read(v, material, result);
        result = variantOf(makeOf<QVector3D, 3>(currentOf<Float4>(v)));
        return true;
    }
    static bool write(const Ptr& v, const USubstanceMaterialPtr& material, const QVariant& value)
    {
        if (!v->isColorAttribute() || value.userType() != QMetaType::QVector3D)
            return Row::write(v, material, value);
        const QVector3D c = *static_cast<const QVector3D*>(value.constData());
        return writeNumbers<Float4>(v, {c.x(), c.y(), c.z(), 1.0f});
    }
    /// Whether a four-component value (a preset's) shows as the colour value
    /// \p shown: alpha is not part of what a colour shows.
    static bool showsAs(const QVariant& full, const QVariant& shown)
    {
        return full.userType() == QMetaType::QVector4D && shown.userType() == QMetaType::QVector3D &&
               QVariant(full.value<QVector4D>().toVector3D()) == shown;
    }
};

struct Int : Row<AttributeIntValue, int, 1, int, InputType_Integer>
{
    static constexpr char typeString[] = "int";
};

/// The output size (identifier OutputSizeId) travels as a QOXIntVector3D
/// whose Z carries the material's SyncOutputSize flag: 1 when it is set, 0
/// when not; writing any other Z than 1 clears it. Without a material there is
/// no flag to read, and writing sets width and height only. Given anything
/// else, the output size is an ordinary "int[2]".
struct Int2 : Row<AttributeInt2DValue, int, 2, QOXIntVector2D, InputType_Integer2>
{
    static constexpr char typeString[] = "int[2]";
    static bool read(const Ptr& v, const USubstanceMaterialPtr& material, QVariant& result)
    {
        if (v->getUuid() != OutputSizeId)
            return Row::read(v, material, result);
        if (material.isNull())
            return false;
        const auto c = currentOf<Int2>(v);
        result = variantOf(QOXIntVector3D(c[0], c[1], material->getSyncOutputSize() ? 1 : 0));
        return true;
    }
    static bool write(const Ptr& v, const USubstanceMaterialPtr& material, const QVariant& value)
    {
        if (v->getUuid() != OutputSizeId || value.userType() != formType<QOXIntVector3D>())
            return Row::write(v, material, value);
        const QOXIntVector3D size = *static_cast<const QOXIntVector3D*>(value.constData());
        osgEdit edit(v, currentMask<Int2>());
        setCurrent<Int2>(v, {size.getX(), size.getY()});
        if (!material.isNull())
        {
            osgEdit materialEdit(material, USubstanceMaterialBase::SyncOutputSizeFieldMask);
            material->setSyncOutputSize(size.getZ() == 1);
        }
        return true;
    }
};

struct Int3 : Row<AttributeInt3DValue, int, 3, QOXIntVector3D, InputType_Integer3>
{
    static constexpr char typeString[] = "int[3]";
};
struct Int4 : Row<AttributeInt4DValue, int, 4, QOXIntVector4D, InputType_Integer4>
{
    static constexpr char typeString[] = "int[4]";
};

/// Text is stored as UTF-8.
struct String : Row<AttributeStringValue, void, 0, QString, InputType_String>
{
    static constexpr char typeString[] = "string";
    static bool read(const Ptr& v, const USubstanceMaterialPtr&, QVariant& result)
    {
        result = QVariant(QString::fromStdString(v->getStringValue()));
        return true;
    }
    static bool write(const Ptr& v, const USubstanceMaterialPtr&, const QVariant& value)
    {
        osgEdit edit(v, AttributeStringValueBase::StringValueFieldMask);
        v->setStringValue(value.toString().toStdString());
        return true;
    }
};

/// An image travels in the archive service's form; the value takes its own reference on it.
struct Image : Row<AttributeImageValue, void, 0, QVariant, InputType_Image>
{
    static constexpr char typeString[] = "image";
    static bool read(const Ptr& v, const USubstanceMaterialPtr&, QVariant& result)
    {
        result = oxSubstanceUtils::convertOsgImageToQVariant(v->getImage());
        return true;
    }
    static bool write(const Ptr& v, const USubstanceMaterialPtr&, const QVariant& value)
    {
        osgEdit edit(v, AttributeImageValueBase::ImageFieldMask);
        v->setImage(oxSubstanceUtils::convertQVariantToOsgImage(value));
        return true;
    }
};

/// The rows in dispatch order: the creator's table, the sync's setters and getters.
using Rows = std::tuple<Float, Float2, Float3, Float4, Int, Int2, Int3, Int4, String, Image>;

/// f(row) for every row, in order, as an array.
template <class F>
constexpr auto mapRows(F f)
{
    return std::apply([&f](auto... rows) { return std::array{f(rows)...}; }, Rows());
}

/// Makes sure that every form is known to Qt by its name.
inline void registerForms()
{
    mapRows([](auto row) { return formType<typename decltype(row)::Form>(); });
}

// ---------------------------------------------------------------- what the creator and the sync do with a row

/// A new value of row R described by \p d: range, default and slider step of
/// the row's numbers, each component's caption that \p d gives, an "int"'s map
/// when \p d gives one; all in one bracket. Text and images get nothing here.
template <class R>
AttributeValuePtr createValue(const oxSubstanceInputDescription& d)
{
    using C = typename R::Class;
    using T = typename R::Number;
    constexpr int N = R::components;
    const typename R::Ptr value = C::create();
    if constexpr (N > 0)
    {
        if (value.isNull())
            return value;
        const auto& [step, min, max, def] = [&d] {
            if constexpr (std::is_same_v<T, float>)
                return std::tie(d.floatStep, d.floatMin, d.floatMax, d.floatDefault);
            else
                return std::tie(d.intStep, d.intMin, d.intMax, d.intDefault);
        }();
        osgEdit edit(value, osg::FieldBits::AllFields);
        if constexpr (N == 1)
        {
            value->setMinValue(min[0]);
            value->setMaxValue(max[0]);
            value->setDefaultValue(def[0]);
        }
        else if constexpr (std::is_same_v<T, float>)
        {
            value->setMinValue(makeOf<osg::Vector<float, N>, N>(min));
            value->setMaxValue(makeOf<osg::Vector<float, N>, N>(max));
            value->setDefaultValue(makeOf<osg::Vector<float, N>, N>(def));
        }
        else
        {
            const std::array minX{&C::setMinValueX, &C::setMinValueY, &C::setMinValueZ, &C::setMinValueW};
            const std::array maxX{&C::setMaxValueX, &C::setMaxValueY, &C::setMaxValueZ, &C::setMaxValueW};
            const std::array defX{&C::setDefaultValueX, &C::setDefaultValueY, &C::setDefaultValueZ,
                                  &C::setDefaultValueW};
            for (int i = 0; i < N; ++i)
            {
                ((*value).*minX[i])(min[i]);
                ((*value).*maxX[i])(max[i]);
                ((*value).*defX[i])(def[i]);
            }
        }
        value->setSliderStep(step);
        if constexpr (N > 1)
        {
            const std::array labelX{&C::setLabelX, &C::setLabelY, &C::setLabelZ, &C::setLabelW};
            for (int i = 0; i < N; ++i)
                if (d.componentLabels[i])
                    ((*value).*labelX[i])(*d.componentLabels[i]);
        }
        if constexpr (std::is_same_v<C, AttributeIntValue>)
            if (d.map)
                value->setMap(*d.map);
    }
    return value;
}

/// Reads \p value into \p result when it is of row R's class; false, \p result untouched, otherwise.
template <class R>
bool readValue(const AttributeValuePtr& value, const USubstanceMaterialPtr& material, QVariant& result)
{
    const typename R::Ptr v = R::Ptr::dcast(value);
    return !v.isNull() && R::read(v, material, result);
}

/// Writes \p newValue into \p value when it is of row R's class; false, nothing written, otherwise.
template <class R>
bool writeValue(const AttributeValuePtr& value, const USubstanceMaterialPtr& material, const QVariant& newValue)
{
    const typename R::Ptr v = R::Ptr::dcast(value);
    return !v.isNull() && R::write(v, material, newValue);
}

} // namespace oxValueTypes
