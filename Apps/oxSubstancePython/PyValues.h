#pragma once
/// \file PyValues.h
/// Property values in Python: the JSON form of the host programs' value forms
/// (oxValueForms.h), written the Python way. Numbers are int or float, lists
/// are tuples, a string is str, an image is an Image ({"image": id}; set it
/// from a file path too, or None for none), and an output size is (width,
/// height, synced) in pixels. Every rule of a type is the table's: this file
/// knows JSON and Python, not the types.

// Python's headers come before Qt's, whose keyword macro 'slots' is a member name there.
#include <pybind11/pybind11.h>

#include "oxHostSetup.h"
#include "oxValueForms.h"

#include "host/Attributes.h"
#include "host/OSGImage.h"

#include <QVariant>

#include <string>
#include <vector>

/// An image of the host, held (one reference) while Python keeps the object.
class PyImage
{
public:
    explicit PyImage(const ImagePtr& image) : _image(image) {}

    const ImagePtr& image() const { return _image.get(); }
    int width() const { return _image.get()->getWidth(); }
    int height() const { return _image.get()->getHeight(); }
    std::string dataType() const { return oxImageDataTypeName(_image.get()->getDataType()).toStdString(); }

private:
    oxSubstanceHeld<ImagePtr> _image;
};

/// One attribute as it stood when it was read (oxValueForms::describeAttribute):
/// value, min, max, default and step in the value's form (None where the type
/// has none; the default of a type without numbers is the archive's text), the
/// component captions and, for an int with a map, its captions by value.
struct PyAttribute
{
    std::string identifier;
    std::string label;
    std::string type;
    pybind11::object value;
    pybind11::object defaultValue;
    pybind11::object min;
    pybind11::object max;
    pybind11::object step;
    std::vector<std::string> labels;
    std::string widget;
    std::string description;
    std::string visibility;
    pybind11::object map;
};

/// \p value (the attribute sync's form for \p attribute) in Python form.
pybind11::object valueToPython(const AttributeValuePtr& attribute, const QVariant& value);

/// The Python value \p value as a new value of \p attribute, whose current
/// value is \p current (oxValueForms::valueFromJson: an image file is read
/// here, once, and kept with the value). Raises TypeError for a value of
/// another kind than the property takes, ValueError for one that gives no
/// value of it; the message names \p property.
oxValueForms::EnteredValue valueFromPython(const AttributeValuePtr& attribute, const QVariant& current,
                                           pybind11::handle value, const std::string& property);

/// The attribute \p value of \p material in Python form.
PyAttribute describeAttribute(const USubstanceMaterialPtr& material, const AttributeValuePtr& value);
