#pragma once
/// \file QOXIntVector.h
/// Integer vectors of the host's Qt extension library, carried in QVariant
/// under the meta-type names "QOXIntVector2D", "QOXIntVector3D" and "QOXIntVector4D".

#include "oxHostExport.h"

#include <QMetaType>

class OX_HOST_API QOXIntVector2D
{
public:
    QOXIntVector2D() = default;
    QOXIntVector2D(int x, int y) : _x(x), _y(y) {}
    int getX() const { return _x; }
    int getY() const { return _y; }
    bool operator==(const QOXIntVector2D& o) const { return _x == o._x && _y == o._y; }
    bool operator!=(const QOXIntVector2D& o) const { return !(*this == o); }
    bool operator<(const QOXIntVector2D& o) const;

private:
    int _x = 0;
    int _y = 0;
};

class OX_HOST_API QOXIntVector3D
{
public:
    QOXIntVector3D() = default;
    QOXIntVector3D(int x, int y, int z) : _x(x), _y(y), _z(z) {}
    int getX() const { return _x; }
    int getY() const { return _y; }
    int getZ() const { return _z; }
    bool operator==(const QOXIntVector3D& o) const { return _x == o._x && _y == o._y && _z == o._z; }
    bool operator!=(const QOXIntVector3D& o) const { return !(*this == o); }
    bool operator<(const QOXIntVector3D& o) const;

private:
    int _x = 0;
    int _y = 0;
    int _z = 0;
};

class OX_HOST_API QOXIntVector4D
{
public:
    QOXIntVector4D() = default;
    QOXIntVector4D(int x, int y, int z, int w) : _x(x), _y(y), _z(z), _w(w) {}
    int getX() const { return _x; }
    int getY() const { return _y; }
    int getZ() const { return _z; }
    int getW() const { return _w; }
    bool operator==(const QOXIntVector4D& o) const
    {
        return _x == o._x && _y == o._y && _z == o._z && _w == o._w;
    }
    bool operator!=(const QOXIntVector4D& o) const { return !(*this == o); }
    bool operator<(const QOXIntVector4D& o) const;

private:
    int _x = 0;
    int _y = 0;
    int _z = 0;
    int _w = 0;
};

Q_DECLARE_METATYPE(QOXIntVector2D)
Q_DECLARE_METATYPE(QOXIntVector3D)
Q_DECLARE_METATYPE(QOXIntVector4D)
