#include "PyValues.h"

#include "PyHostLog.h"

#include "host/QOXIntVector.h"
#include "host/QSubstanceArchive.h"
#include "host/oxdImage.h"

#include <QVector2D>
#include <QVector3D>
#include <QVector4D>

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace py = pybind11;

namespace {

using Numbers = std::vector<double>;

/// Identifier of the input whose value is the output size: log2 of width and
/// height, and the material's sync flag.
const std::string OutputSizeId = "$outputsize";

/// How the values of a type are written in Python.
enum class Kind
{
    Numbers, ///< a number, or a tuple of numbers
    Text,    ///< str
    Image    ///< an Image; a file path or None when set
};

/// What an attribute states besides its value, as numbers.
struct RangeNumbers
{
    Numbers min, max, defaultValue;
    double step = 0;
    std::vector<std::string> labels;
    std::string map;
};

/// One value type: its type string, how Python writes it, and for numbers how
/// many there are, whether they are integers, how they come out of and go
/// into the attribute sync's form, and where the attribute keeps its range.
struct ValueType
{
    const char* type;
    Kind kind;
    int count = 0;
    bool integral = false;
    Numbers (*numbers)(const QVariant&) = nullptr;
    QVariant (*make)(const Numbers&) = nullptr;
    RangeNumbers (*range)(const AttributeValuePtr&) = nullptr;
};

template <class V>
Numbers floats(const V& v, int n)
{
    Numbers numbers;
    for (int i = 0; i < n; ++i)
        numbers.push_back(v[i]);
    return numbers;
}

Numbers ints(const QOXIntVector2D& v)
{
    return {double(v.getX()), double(v.getY())};
}
Numbers ints(const QOXIntVector3D& v)
{
    return {double(v.getX()), double(v.getY()), double(v.getZ())};
}
Numbers ints(const QOXIntVector4D& v)
{
    return {double(v.getX()), double(v.getY()), double(v.getZ()), double(v.getW())};
}

/// The captions of the first N components.
template <int N, class Ptr>
std::vector<std::string> labels(const Ptr& v)
{
    std::vector<std::string> l{v->getLabelX(), v->getLabelY()};
    if constexpr (N > 2)
        l.push_back(v->getLabelZ());
    if constexpr (N > 3)
        l.push_back(v->getLabelW());
    return l;
}

template <class Ptr>
RangeNumbers scalarRange(const AttributeValuePtr& a)
{
    const Ptr v = Ptr::dcast(a);
    return {{double(v->getMinValue())}, {double(v->getMaxValue())}, {double(v->getDefaultValue())},
            double(v->getSliderStep()), {}, {}};
}

template <class Ptr, int N>
RangeNumbers floatVectorRange(const AttributeValuePtr& a)
{
    const Ptr v = Ptr::dcast(a);
    return {floats(v->getMinValue(), N), floats(v->getMaxValue(), N), floats(v->getDefaultValue(), N),
            double(v->getSliderStep()), labels<N>(v), {}};
}

template <class Ptr, int N>
RangeNumbers intVectorRange(const AttributeValuePtr& a)
{
    const Ptr v = Ptr::dcast(a);
    RangeNumbers r{{double(v->getMinValueX()), double(v->getMinValueY())},
                   {double(v->getMaxValueX()), double(v->getMaxValueY())},
                   {double(v->getDefaultValueX()), double(v->getDefaultValueY())},
                   double(v->getSliderStep()), labels<N>(v), {}};
    if constexpr (N > 2)
    {
        r.min.push_back(v->getMinValueZ());
        r.max.push_back(v->getMaxValueZ());
        r.defaultValue.push_back(v->getDefaultValueZ());
    }
    if constexpr (N > 3)
    {
        r.min.push_back(v->getMinValueW());
        r.max.push_back(v->getMaxValueW());
        r.defaultValue.push_back(v->getDefaultValueW());
    }
    return r;
}

const std::vector<ValueType>& valueTypes()
{
    static const std::vector<ValueType> types{
        {"float", Kind::Numbers, 1, false, [](const QVariant& v) { return Numbers{v.toFloat()}; },
         [](const Numbers& n) { return QVariant(float(n[0])); }, scalarRange<AttributeFloatValuePtr>},
        {"float[2]", Kind::Numbers, 2, false, [](const QVariant& v) { return floats(v.value<QVector2D>(), 2); },
         [](const Numbers& n) { return QVariant(QVector2D(n[0], n[1])); },
         floatVectorRange<AttributeFloat2DValuePtr, 2>},
        {"float[3]", Kind::Numbers, 3, false, [](const QVariant& v) { return floats(v.value<QVector3D>(), 3); },
         [](const Numbers& n) { return QVariant(QVector3D(n[0], n[1], n[2])); },
         floatVectorRange<AttributeFloat3DValuePtr, 3>},
        // A colour reads without its alpha and takes three numbers (alpha 1) or four.
        {"float[4]", Kind::Numbers, 4, false,
         [](const QVariant& v) {
             return v.userType() == QMetaType::QVector3D ? floats(v.value<QVector3D>(), 3)
                                                         : floats(v.value<QVector4D>(), 4);
         },
         [](const Numbers& n) {
             return n.size() == 3 ? QVariant(QVector3D(n[0], n[1], n[2]))
                                  : QVariant(QVector4D(n[0], n[1], n[2], n[3]));
         },
         [](const AttributeValuePtr& a) {
             const AttributeFloat4DValuePtr v = AttributeFloat4DValuePtr::dcast(a);
             return RangeNumbers{floats(v->getMinValue(), 4), floats(v->getMaxValue(), 4),
                                 floats(v->getDefaultValue(), 4), v->getSliderStep(), labels<4>(v), {}};
         }},
        {"int", Kind::Numbers, 1, true, [](const QVariant& v) { return Numbers{double(v.toInt())}; },
         [](const Numbers& n) { return QVariant(int(n[0])); },
         [](const AttributeValuePtr& a) {
             RangeNumbers r = scalarRange<AttributeIntValuePtr>(a);
             r.map = AttributeIntValuePtr::dcast(a)->getMap();
             return r;
         }},
        // The output size ("$outputsize") is an int[2] whose value carries the
        // material's sync flag as a third number: see the output-size rule below.
        {"int[2]", Kind::Numbers, 2, true,
         [](const QVariant& v) {
             return v.userType() == qMetaTypeId<QOXIntVector3D>() ? ints(v.value<QOXIntVector3D>())
                                                                   : ints(v.value<QOXIntVector2D>());
         },
         [](const Numbers& n) {
             return n.size() == 3 ? QVariant::fromValue(QOXIntVector3D(int(n[0]), int(n[1]), int(n[2])))
                                  : QVariant::fromValue(QOXIntVector2D(int(n[0]), int(n[1])));
         },
         intVectorRange<AttributeInt2DValuePtr, 2>},
        {"int[3]", Kind::Numbers, 3, true, [](const QVariant& v) { return ints(v.value<QOXIntVector3D>()); },
         [](const Numbers& n) { return QVariant::fromValue(QOXIntVector3D(int(n[0]), int(n[1]), int(n[2]))); },
         intVectorRange<AttributeInt3DValuePtr, 3>},
        {"int[4]", Kind::Numbers, 4, true, [](const QVariant& v) { return ints(v.value<QOXIntVector4D>()); },
         [](const Numbers& n) {
             return QVariant::fromValue(QOXIntVector4D(int(n[0]), int(n[1]), int(n[2]), int(n[3])));
         },
         intVectorRange<AttributeInt4DValuePtr, 4>},
        {"string", Kind::Text},
        {"image", Kind::Image},
    };
    return types;
}

const ValueType* valueTypeOf(const AttributeValuePtr& attribute)
{
    const std::string type = attribute->getTypeString();
    for (const ValueType& t : valueTypes())
        if (type == t.type)
            return &t;
    return nullptr;
}

bool isColour(const AttributeValuePtr& attribute)
{
    const AttributeFloat4DValuePtr colour = AttributeFloat4DValuePtr::dcast(attribute);
    return !colour.isNull() && colour->isColorAttribute();
}

bool isOutputSize(const AttributeValuePtr& attribute)
{
    return attribute->getUuid() == OutputSizeId;
}

// ---------------------------------------------------------------- to Python

/// A float as the Python float nearest to the shortest decimal that reads back
/// as the same float: 0.35f reads as 0.35, and 0.35 written reads back equal.
py::float_ shortest(double value)
{
    char text[32];
    const std::to_chars_result end = std::to_chars(text, text + sizeof text - 1, float(value));
    *end.ptr = '\0';
    return py::float_(std::strtod(text, nullptr));
}

py::object number(double value, bool integral)
{
    return integral ? py::object(py::int_(static_cast<long long>(value))) : py::object(shortest(value));
}

/// One number, or a tuple of them; None for none.
py::object numbers(const Numbers& n, bool integral)
{
    if (n.empty())
        return py::none();
    if (n.size() == 1)
        return number(n[0], integral);
    py::tuple t(n.size());
    for (std::size_t i = 0; i < n.size(); ++i)
        t[i] = number(n[i], integral);
    return std::move(t);
}

py::object pixels(double log2)
{
    return log2 >= 0 && log2 <= 30 ? py::object(py::int_(1 << int(log2))) : py::none();
}

/// An output size's log2 width and height as (width, height) in pixels.
py::object outputSize(const Numbers& log2)
{
    return log2.size() < 2 ? py::none() : py::object(py::make_tuple(pixels(log2[0]), pixels(log2[1])));
}

/// "a tuple of 3 or 4 numbers", "an integer", ...
std::string takes(const ValueType& type, const std::vector<int>& counts)
{
    const std::string what = type.integral ? "integer" : "number";
    if (counts == std::vector<int>{1})
        return (type.integral ? "an " : "a ") + what;
    std::string text = "a tuple of " + std::to_string(counts.front());
    for (std::size_t i = 1; i < counts.size(); ++i)
        text += " or " + std::to_string(counts[i]);
    return text + " " + what + "s";
}

// ---------------------------------------------------------------- from Python

/// Raises TypeError (\p wrongKind) or ValueError: "'PROPERTY' takes WHAT, not VALUE".
[[noreturn]] void refuse(bool wrongKind, const std::string& property, const std::string& what, py::handle value)
{
    const std::string text = "'" + property + "' takes " + what + ", not " + py::repr(value).cast<std::string>();
    if (wrongKind)
        throw py::type_error(text);
    throw py::value_error(text);
}

bool isInteger(py::handle h)
{
    return PyLong_Check(h.ptr()) && !PyBool_Check(h.ptr());
}

/// One component: an int, or for a float type also a float, that the type can hold.
double component(py::handle item, bool integral, const std::string& property, const std::string& what,
                 py::handle value)
{
    if (integral)
    {
        if (!isInteger(item))
            refuse(true, property, what, value);
        int overflow = 0;
        const long long v = PyLong_AsLongLongAndOverflow(item.ptr(), &overflow);
        if (overflow != 0 || v < INT_MIN || v > INT_MAX)
            refuse(false, property, what + " of 32 bits", value);
        return double(v);
    }
    if (!isInteger(item) && !PyFloat_Check(item.ptr()))
        refuse(true, property, what, value);
    const double v = py::cast<double>(item);
    // Every number of a float value is a float: one beyond the largest would be infinity.
    if (!std::isfinite(v) || std::fabs(v) > FLT_MAX)
        refuse(false, property, what + " (finite, as a float holds them)", value);
    return v;
}

/// The numbers of \p value: one number when \p counts is {1}, else a tuple or
/// list of one of the \p counts.
Numbers readNumbers(const ValueType& type, const std::vector<int>& counts, py::handle value,
                    const std::string& property)
{
    const std::string what = takes(type, counts);
    if (counts == std::vector<int>{1})
        return {component(value, type.integral, property, what, value)};
    if (!PyTuple_Check(value.ptr()) && !PyList_Check(value.ptr()))
        refuse(true, property, what, value);
    const py::sequence items = py::reinterpret_borrow<py::sequence>(value);
    if (std::find(counts.begin(), counts.end(), int(items.size())) == counts.end())
        refuse(false, property, what, value);
    Numbers n;
    for (py::handle item : items)
        n.push_back(component(item, type.integral, property, what, value));
    return n;
}

/// log2 of a power of two; -1 for anything else.
int log2Of(double pixels)
{
    const long long p = static_cast<long long>(pixels);
    if (p <= 0 || (p & (p - 1)) != 0)
        return -1;
    int log2 = 0;
    while ((1LL << log2) != p)
        ++log2;
    return log2;
}

/// The output-size rule: (width, height) or (width, height, synced) in pixels,
/// powers of two; without synced the material's sync flag stays as it is.
QVariant readOutputSize(const ValueType& type, const QVariant& current, py::handle value, const std::string& property)
{
    const std::string what = "(width, height) or (width, height, synced) in pixels";
    if (!PyTuple_Check(value.ptr()) && !PyList_Check(value.ptr()))
        refuse(true, property, what, value);
    const py::sequence items = py::reinterpret_borrow<py::sequence>(value);
    if (items.size() != 2 && items.size() != 3)
        refuse(false, property, what, value);
    Numbers log2;
    for (int i = 0; i < 2; ++i)
    {
        log2.push_back(log2Of(component(items[i], true, property, what, value)));
        if (log2.back() < 0)
            refuse(false, property, "powers of two as width and height", value);
    }
    bool synced = current.value<QOXIntVector3D>().getZ() == 1;
    if (items.size() == 3)
    {
        if (!PyBool_Check(items[2].ptr()))
            refuse(true, property, what + " with synced True or False", value);
        synced = items[2].cast<bool>();
    }
    log2.push_back(synced ? 1 : 0);
    return type.make(log2);
}

oxSubstanceStoredValue readImage(py::handle value, const std::string& property)
{
    const std::string what = "an image file path, an Image or None";
    if (value.is_none())
        return QVariant(QString());
    if (py::isinstance<PyImage>(value))
        return QVariant::fromValue(oxdImage(value.cast<const PyImage&>().image()->getId()));
    if (!py::isinstance<py::str>(value) && !py::hasattr(value, "__fspath__"))
        refuse(true, property, what, value);
    const QString path = QString::fromStdString(py::module_::import("os").attr("fspath")(value).cast<std::string>());
    if (path.isEmpty())
        return QVariant(path);
    const oxSubstanceHeld<ImagePtr> image(oxSubstanceUtils::convertQVariantToOsgImage(path));
    if (image.get().isNull())
        refuse(false, property, "an image file that reads (" + loggedErrors("it does not read") + ")", value);
    return QVariant::fromValue(oxdImage(image.get()->getId()));
}

} // namespace

std::string dataTypeName(const ImagePtr& image)
{
    switch (image->getDataType())
    {
    case osg::Image::OSG_UINT8_IMAGEDATA: return "uint8";
    case osg::Image::OSG_UINT16_IMAGEDATA: return "uint16";
    case osg::Image::OSG_UINT32_IMAGEDATA: return "uint32";
    case osg::Image::OSG_FLOAT32_IMAGEDATA: return "float32";
    default: return "unknown";
    }
}

std::string PyImage::dataType() const
{
    return dataTypeName(_image.get());
}

py::object valueToPython(const AttributeValuePtr& attribute, const QVariant& value)
{
    const ValueType* type = valueTypeOf(attribute);
    if (!type || !value.isValid())
        return py::none();
    if (type->kind == Kind::Text)
        return py::str(value.toString().toStdString());
    if (type->kind == Kind::Image)
    {
        const ImagePtr image = oxSubstanceUtils::convertQVariantToOsgImage(value);
        return image.isNull() ? py::none() : py::cast(PyImage(image));
    }
    const Numbers n = type->numbers(value);
    if (isOutputSize(attribute) && n.size() == 3)
        return py::make_tuple(pixels(n[0]), pixels(n[1]), py::bool_(n[2] == 1));
    return numbers(n, type->integral);
}

oxSubstanceStoredValue valueFromPython(const AttributeValuePtr& attribute, const QVariant& current, py::handle value,
                                       const std::string& property)
{
    const ValueType* type = valueTypeOf(attribute);
    if (!type)
        throw py::type_error("'" + property + "' of type '" + attribute->getTypeString() +
                             "' cannot be set from Python");
    if (type->kind == Kind::Text)
    {
        if (!py::isinstance<py::str>(value))
            refuse(true, property, "a string", value);
        return QVariant(QString::fromStdString(value.cast<std::string>()));
    }
    if (type->kind == Kind::Image)
        return readImage(value, property);
    if (isOutputSize(attribute))
        return readOutputSize(*type, current, value, property);
    std::vector<int> counts{type->count};
    if (isColour(attribute))
        counts = {3, 4};
    return type->make(readNumbers(*type, counts, value, property));
}

PyRange rangeToPython(const AttributeValuePtr& attribute)
{
    PyRange range;
    const ValueType* type = valueTypeOf(attribute);
    if (!type)
        return range;
    if (type->kind == Kind::Text)
        range.defaultValue = py::str(attribute->getDefault());
    if (type->kind != Kind::Numbers)
        return range;
    const RangeNumbers r = type->range(attribute);
    if (isOutputSize(attribute))
    {
        range.min = outputSize(r.min);
        range.max = outputSize(r.max);
        range.defaultValue = outputSize(r.defaultValue);
    }
    else
    {
        range.min = numbers(r.min, type->integral);
        range.max = numbers(r.max, type->integral);
        range.defaultValue = numbers(r.defaultValue, type->integral);
    }
    range.step = number(r.step, type->integral);
    range.labels = r.labels;
    if (!r.map.empty())
    {
        py::dict map;
        for (const QString& entry : QString::fromStdString(r.map).split(';', Qt::SkipEmptyParts))
            map[py::int_(entry.section(':', 0, 0).trimmed().toInt())] =
                py::str(entry.section(':', 1).trimmed().toStdString());
        range.map = map;
    }
    return range;
}
