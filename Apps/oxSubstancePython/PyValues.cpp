#include "PyValues.h"

#include "PyHostLog.h"

#include "host/QSubstanceArchive.h"
#include "host/oxdImage.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>

namespace py = pybind11;

namespace {

/// \p value as JSON: None null, bool, int and float numbers, str and os.PathLike
/// strings, tuples and lists lists, an Image {"image": id}. False for any other value.
bool toJson(py::handle value, QJsonValue& json)
{
    if (value.is_none())
        json = QJsonValue::Null;
    else if (PyBool_Check(value.ptr()))
        json = value.cast<bool>();
    else if (PyLong_Check(value.ptr()) || PyFloat_Check(value.ptr()))
    {
        double number = PyFloat_AsDouble(value.ptr());
        // An int beyond every double is beyond every type's numbers too.
        if (number == -1.0 && PyErr_Occurred())
        {
            PyErr_Clear();
            number = HUGE_VAL;
        }
        json = number;
    }
    else if (py::isinstance<py::str>(value) || py::hasattr(value, "__fspath__"))
    {
        const py::object text = py::module_::import("os").attr("fspath")(value);
        if (!py::isinstance<py::str>(text))
            return false;
        json = QString::fromStdString(text.cast<std::string>());
    }
    else if (PyTuple_Check(value.ptr()) || PyList_Check(value.ptr()))
    {
        QJsonArray items;
        for (py::handle item : value)
        {
            QJsonValue j;
            if (!toJson(item, j))
                return false;
            items.append(j);
        }
        json = items;
    }
    else if (py::isinstance<PyImage>(value))
        json = QJsonObject{{"image", static_cast<int>(value.cast<const PyImage&>().image()->getId())}};
    else
        return false;
    return true;
}

/// \p json in Python form; numbers are int when \p integral.
py::object toPython(const QJsonValue& json, bool integral)
{
    if (json.isBool())
        return py::bool_(json.toBool());
    if (json.isDouble())
        return integral ? py::object(py::int_(std::llround(json.toDouble()))) : py::object(py::float_(json.toDouble()));
    if (json.isString())
        return py::str(json.toString().toStdString());
    if (json.isArray())
    {
        const QJsonArray items = json.toArray();
        py::tuple t(items.size());
        for (int i = 0; i < items.size(); ++i)
            t[i] = toPython(items[i], integral);
        return std::move(t);
    }
    const QJsonObject object = json.toObject();
    if (object.contains("image"))
    {
        const ImagePtr image =
            oxSubstanceUtils::convertQVariantToOsgImage(QVariant::fromValue(oxdImage(object["image"].toInt())));
        return image.isNull() ? py::object(py::none()) : py::cast(PyImage(image));
    }
    if (object.contains("width"))
    {
        QJsonArray size{object["width"], object["height"]};
        if (object.contains("synced"))
            size.append(object["synced"]);
        return toPython(size, true);
    }
    return py::none();
}

bool integral(const AttributeValuePtr& attribute)
{
    const oxValueForms::ValueForm* form = oxValueForms::formOf(attribute);
    return form && form->integral;
}

} // namespace

py::object valueToPython(const AttributeValuePtr& attribute, const QVariant& value)
{
    return toPython(oxValueForms::valueToJson(attribute, value), integral(attribute));
}

oxValueForms::EnteredValue valueFromPython(const AttributeValuePtr& attribute, const QVariant& current,
                                           py::handle value, const std::string& property)
{
    QJsonValue json;
    oxValueForms::EnteredValue entered;
    QString error;
    const oxValueForms::Misfit misfit = toJson(value, json)
                                            ? oxValueForms::valueFromJson(attribute, current, json, entered, error)
                                            : oxValueForms::Misfit::Kind;
    if (misfit == oxValueForms::Misfit::Kind)
        throw py::type_error("'" + property + "' takes " + oxValueForms::entryText(attribute, current).toStdString() +
                             ", not " + py::repr(value).cast<std::string>());
    // An image file that does not read: the host's log says why.
    if (misfit == oxValueForms::Misfit::Value)
        throw py::value_error("'" + property + "': " + loggedErrors(error.toStdString()));
    return entered;
}

PyAttribute describeAttribute(const USubstanceMaterialPtr& material, const AttributeValuePtr& value)
{
    const QJsonObject d = oxValueForms::describeAttribute(material, value);
    const bool whole = integral(value);
    const auto text = [&](const char* key) { return d[key].toString().toStdString(); };
    PyAttribute a{text("id"), text("label"), text("type"),
                  toPython(d["value"], whole),
                  d.contains("defaultValue") ? toPython(d["defaultValue"], whole) : py::str(text("defaultText")),
                  toPython(d["min"], whole), toPython(d["max"], whole), toPython(d["step"], whole),
                  {}, text("widget"), text("description"), text("visibility"), py::none()};
    for (const QJsonValue& label : d["labels"].toArray())
        a.labels.push_back(label.toString().toStdString());
    if (d.contains("map"))
    {
        py::dict map;
        for (const auto& [number, caption] : oxValueForms::mapEntries(d["map"].toString()))
            map[py::int_(number)] = py::str(caption.toStdString());
        a.map = map;
    }
    return a;
}
