#pragma once
/// \file oxSubstanceHandles.h
/// Keeping host objects beyond a call: the reference holder, finding a
/// container again by its id, and values that keep their image alive.
///
/// Copying a host handle takes no reference. Whatever keeps a handle longer
/// than a call keeps it in an oxSubstanceHeld (or, for a QVariant that may name
/// an image, an oxSubstanceStoredValue), or keeps only the container id and
/// finds the container again with oxSubstanceFindContainer on every use.

#include "oxSubstanceExport.h"

#include "host/OSGBase.h"

#include <QString>
#include <QVariant>

#include <map>
#include <vector>

/// A container handle that holds one reference while it is stored (none for a
/// null handle), so the container lives until the holder lets go of it. Copies
/// take a reference of their own; assignment takes the new reference before it
/// gives back the old one.
template <class Ptr>
class oxSubstanceHeld
{
public:
    oxSubstanceHeld() = default;
    oxSubstanceHeld(const Ptr& handle) : _handle(handle) { osg::addRef(_handle); }
    oxSubstanceHeld(const oxSubstanceHeld& other) : oxSubstanceHeld(other._handle) {}
    oxSubstanceHeld& operator=(const oxSubstanceHeld& other)
    {
        osg::addRef(other._handle);
        osg::subRef(_handle);
        _handle = other._handle;
        return *this;
    }
    ~oxSubstanceHeld() { osg::subRef(_handle); }

    const Ptr& get() const { return _handle; }

private:
    Ptr _handle;
};

/// The held handles, as the handle list that the host's calls take.
template <class Ptr>
std::vector<Ptr> oxSubstanceHandles(const std::vector<oxSubstanceHeld<Ptr>>& held)
{
    std::vector<Ptr> handles;
    handles.reserve(held.size());
    for (const oxSubstanceHeld<Ptr>& h : held)
        handles.push_back(h.get());
    return handles;
}

/// The id by which a container is found again; 0 for a null handle.
template <class Ptr>
osg::UInt32 oxSubstanceContainerId(const Ptr& handle)
{
    return handle.isNull() ? 0u : handle->getId();
}

/// The container with this id when it is a Ptr's type (or derived from it);
/// null when it is gone or of another type, and for id 0.
template <class Ptr>
Ptr oxSubstanceFindContainer(osg::UInt32 id)
{
    return Ptr::dcast(osg::FieldContainerFactory::the()->getContainer(id));
}

/// A QVariant that is kept beyond a call. While it holds an oxdImage it holds
/// one reference on the image container that the image names (none when no
/// container has that id), so the image lives as long as the value is kept.
/// Values of other types are kept as they are.
class OX_SUBSTANCE_API oxSubstanceStoredValue
{
public:
    oxSubstanceStoredValue() = default;
    oxSubstanceStoredValue(const QVariant& value);

    const QVariant& value() const { return _value; }
    bool isValid() const { return _value.isValid(); }

private:
    QVariant _value;
    oxSubstanceHeld<osg::FieldContainerPtr> _image; ///< the container of an oxdImage value
};

/// Input identifier to stored value: the value maps of commands that change
/// many inputs at once.
using oxSubstanceStoredValueMap = std::map<QString, oxSubstanceStoredValue>;
