#pragma once
/// \file PyValues.h
/// Property values between Python and the attribute sync's QVariant form:
/// float and int as Python numbers, vectors as tuples of their components, a
/// colour without its alpha, a string as str, an image as an Image (None for
/// no image), the output size as (width, height, synced) in pixels.

// Python's headers come before Qt's, whose keyword macro 'slots' is a member name there.
#include <pybind11/pybind11.h>

#include "oxSubstanceCommandSupport.h"

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
    std::string dataType() const;

private:
    oxSubstanceHeld<ImagePtr> _image;
};

/// The name of an image's channel type: "uint8", "uint16", "uint32", "float32".
std::string dataTypeName(const ImagePtr& image);

/// What an attribute states besides its value, in Python form: min, max,
/// default and step in the value's form (None where the type has none), the
/// component captions and, for an int with a map, its captions by value.
struct PyRange
{
    pybind11::object min = pybind11::none();
    pybind11::object max = pybind11::none();
    pybind11::object defaultValue = pybind11::none();
    pybind11::object step = pybind11::none();
    std::vector<std::string> labels;
    pybind11::object map = pybind11::none();
};

/// \p value (the attribute sync's form for \p attribute) in Python form.
pybind11::object valueToPython(const AttributeValuePtr& attribute, const QVariant& value);

/// The Python value \p value as the attribute sync's form for \p attribute,
/// whose current value is \p current. An image file is read here, once: the
/// result names the image and keeps it alive, so that a command that stores
/// it sets this very image on every redo. Raises TypeError for a value of
/// another kind, ValueError for one of the right kind that does not fit (a
/// wrong number of components, a number that the type cannot hold, an output
/// size that is not a power of two, an image file that does not read); the
/// message names \p property.
oxSubstanceStoredValue valueFromPython(const AttributeValuePtr& attribute, const QVariant& current,
                                       pybind11::handle value, const std::string& property);

/// The attribute's range, default, step, captions and map.
PyRange rangeToPython(const AttributeValuePtr& attribute);
