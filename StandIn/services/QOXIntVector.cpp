// Integer vectors of the host's Qt extension library: ordering and their
// registration with Qt's meta-type system.

#include "QOXIntVector.h"

#include <QDebug>
#include <QMetaType>

#include <tuple>

bool QOXIntVector2D::operator<(const QOXIntVector2D& o) const
{
    return std::tie(_x, _y) < std::tie(o._x, o._y);
}

bool QOXIntVector3D::operator<(const QOXIntVector3D& o) const
{
    return std::tie(_x, _y, _z) < std::tie(o._x, o._y, o._z);
}

bool QOXIntVector4D::operator<(const QOXIntVector4D& o) const
{
    return std::tie(_x, _y, _z, _w) < std::tie(o._x, o._y, o._z, o._w);
}

// Debug output of vectors carried in a QVariant ("QOXIntVector2D(1, 2)").
// Defined here only: they serve the registration below.
static QDebug operator<<(QDebug debug, const QOXIntVector2D& v)
{
    const QDebugStateSaver saver(debug);
    debug.nospace() << "QOXIntVector2D(" << v.getX() << ", " << v.getY() << ')';
    return debug;
}

static QDebug operator<<(QDebug debug, const QOXIntVector3D& v)
{
    const QDebugStateSaver saver(debug);
    debug.nospace() << "QOXIntVector3D(" << v.getX() << ", " << v.getY() << ", " << v.getZ() << ')';
    return debug;
}

static QDebug operator<<(QDebug debug, const QOXIntVector4D& v)
{
    const QDebugStateSaver saver(debug);
    debug.nospace() << "QOXIntVector4D(" << v.getX() << ", " << v.getY() << ", " << v.getZ() << ", " << v.getW()
                    << ')';
    return debug;
}

namespace {

template <class Vector>
void registerVector(const char* name)
{
    qRegisterMetaType<Vector>(name);
    QMetaType::registerComparators<Vector>();
    QMetaType::registerDebugStreamOperator<Vector>();
}

// Registered when the host library is loaded, so that a lookup by name finds
// the types and QVariant compares them by value.
const bool vectorsRegistered = [] {
    registerVector<QOXIntVector2D>("QOXIntVector2D");
    registerVector<QOXIntVector3D>("QOXIntVector3D");
    registerVector<QOXIntVector4D>("QOXIntVector4D");
    return true;
}();

} // namespace
