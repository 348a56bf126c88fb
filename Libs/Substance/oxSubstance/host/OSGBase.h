#pragma once
/// \file OSGBase.h
/// Field-container core of the host scene graph (OpenSG style): ids, types,
/// reference-counted handles, multi-value fields and edit brackets.
///
/// Ownership rules of the host model:
/// - A container starts with a reference count of 0 and stays alive until a
///   reference taken with addRef() is given back with subRef() and the count
///   returns to zero; it is then unregistered from the factory and destroyed.
/// - Copying a handle (FCPtr) takes no reference.
/// - Every element stored in an MField of container handles holds one
///   reference. Host operations (addGraph, addPreset, setImage, ...) take and
///   release those references themselves; code that edits an MField directly
///   (for instance a graph's AttributeGroups) counts them explicitly.
/// - Every field is written between beginEditCP() and endEditCP() with a mask
///   that covers it, or inside a scoped osgEdit.

#include "oxHostExport.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

namespace osg {

using UInt8 = std::uint8_t;
using UInt16 = std::uint16_t;
using UInt32 = std::uint32_t;
using Int32 = std::int32_t;
using UInt64 = std::uint64_t;
using Real32 = float;
using BitVector = std::uint64_t;

namespace FieldBits {
constexpr BitVector AllFields = ~BitVector(0);
constexpr BitVector NoField = 0;
} // namespace FieldBits

namespace ChangedOrigin {
constexpr UInt32 External = 1; ///< origin argument of every library edit
} // namespace ChangedOrigin

/// Fixed-size vector of N components (Vec2f, Vec3f, Vec4f).
template <class T, int N>
class Vector
{
public:
    Vector() : _v{} {}
    template <class... A, class = std::enable_if_t<sizeof...(A) == N>>
    Vector(A... a) : _v{static_cast<T>(a)...}
    {
    }
    T& operator[](int i) { return _v[i]; }
    const T& operator[](int i) const { return _v[i]; }
    T x() const { return _v[0]; }
    T y() const { return _v[1]; }
    template <int M = N, class = std::enable_if_t<(M > 2)>>
    T z() const { return _v[2]; }
    template <int M = N, class = std::enable_if_t<(M > 3)>>
    T w() const { return _v[3]; }
    bool operator==(const Vector& o) const
    {
        for (int i = 0; i < N; ++i)
            if (!(_v[i] == o._v[i]))
                return false;
        return true;
    }
    bool operator!=(const Vector& o) const { return !(*this == o); }

private:
    T _v[N];
};
using Vec2f = Vector<Real32, 2>;
using Vec3f = Vector<Real32, 3>;
using Vec4f = Vector<Real32, 4>;

/// A multi-value field: an ordered list of values.
template <class T>
class MField : public std::vector<T>
{
public:
    using std::vector<T>::vector;
};

/// Run-time type of a container class; single inheritance chain.
class OX_HOST_API FieldContainerType
{
public:
    FieldContainerType(const char* name, const FieldContainerType* parent);
    const std::string& getName() const { return _name; }
    const FieldContainerType* getParent() const { return _parent; }
    /// True when this type is \p other or derives from it.
    bool isDerivedFrom(const FieldContainerType& other) const;

private:
    std::string _name;
    const FieldContainerType* _parent;
};

/// Root of all host containers: id, type and reference count.
class OX_HOST_API FieldContainer
{
public:
    enum { NextFieldId = 0 };

    FieldContainer(const FieldContainer&) = delete;
    FieldContainer& operator=(const FieldContainer&) = delete;

    static const FieldContainerType& getClassType();
    virtual const FieldContainerType& getType() const;
    /// 32-bit id, unique among live containers, never 0.
    UInt32 getId() const { return _id; }
    Int32 getRefCount() const { return _refCount; }

    void addRef();
    /// Gives a reference back; destroys the container when the count reaches zero.
    void subRef();

protected:
    FieldContainer();
    virtual ~FieldContainer();
    /// Every setter reports the fields that it writes; writes outside an
    /// edit bracket that covers them are recorded as violations.
    void fieldWritten(BitVector mask) const;

private:
    UInt32 _id;
    Int32 _refCount = 0;
};

/// Handle to a container. Copying takes no reference; a default handle is null.
template <class T>
class FCPtr
{
public:
    using StoredObjectType = T;

    FCPtr() = default;
    FCPtr(std::nullptr_t) {}
    explicit FCPtr(T* p) : _p(p) {}
    template <class U, class = std::enable_if_t<std::is_base_of<T, U>::value>>
    FCPtr(const FCPtr<U>& o) : _p(o.getCPtr())
    {
    }

    /// The handle when the container is a T or derives from it, else null.
    template <class U>
    static FCPtr dcast(const FCPtr<U>& o)
    {
        if (o.getCPtr() && o->getType().isDerivedFrom(T::getClassType()))
            return FCPtr(static_cast<T*>(static_cast<FieldContainer*>(o.getCPtr())));
        return FCPtr();
    }

    T* operator->() const { return _p; }
    T& operator*() const { return *_p; }
    T* getCPtr() const { return _p; }
    bool isNull() const { return _p == nullptr; }

    template <class U>
    bool operator==(const FCPtr<U>& o) const
    {
        return static_cast<const FieldContainer*>(_p) == static_cast<const FieldContainer*>(o.getCPtr());
    }
    template <class U>
    bool operator!=(const FCPtr<U>& o) const { return !(*this == o); }
    bool operator==(std::nullptr_t) const { return _p == nullptr; }
    bool operator!=(std::nullptr_t) const { return _p != nullptr; }
    bool operator<(const FCPtr& o) const { return _p < o._p; }

private:
    T* _p = nullptr;
};

using FieldContainerPtr = FCPtr<FieldContainer>;
constexpr std::nullptr_t NullFC = nullptr;

/// Takes one reference (no-op for a null handle).
template <class T>
void addRef(const FCPtr<T>& p)
{
    if (p.getCPtr())
        static_cast<FieldContainer*>(p.getCPtr())->addRef();
}
/// Gives one reference back (no-op for a null handle).
template <class T>
void subRef(const FCPtr<T>& p)
{
    if (p.getCPtr())
        static_cast<FieldContainer*>(p.getCPtr())->subRef();
}

/// Registry of live containers by id.
class OX_HOST_API FieldContainerFactory
{
public:
    static FieldContainerFactory* the();
    /// The live container with this id; null for 0 and unknown ids.
    FieldContainerPtr getContainer(UInt32 id) const;
};

OX_HOST_API void beginEditCP(const FieldContainerPtr& p, BitVector mask = FieldBits::AllFields,
                             UInt32 origin = ChangedOrigin::External);
OX_HOST_API void endEditCP(const FieldContainerPtr& p, BitVector mask = FieldBits::AllFields,
                           UInt32 origin = ChangedOrigin::External);

} // namespace osg

/// Scoped edit bracket: begins an edit on construction and ends it (same mask,
/// origin 1) on destruction.
class osgEdit
{
public:
    osgEdit(const osg::FieldContainerPtr& p, osg::BitVector mask) : _p(p), _mask(mask)
    {
        osg::beginEditCP(_p, _mask, osg::ChangedOrigin::External);
    }
    ~osgEdit() { osg::endEditCP(_p, _mask, osg::ChangedOrigin::External); }
    osgEdit(const osgEdit&) = delete;
    osgEdit& operator=(const osgEdit&) = delete;

private:
    osg::FieldContainerPtr _p;
    osg::BitVector _mask;
};

/// Declares a single-value field with its mask-checked setter.
#define OX_FIELD(Type, Name)                                                                       \
public:                                                                                            \
    const Type& get##Name() const { return _sf##Name; }                                           \
    void set##Name(const Type& value)                                                              \
    {                                                                                              \
        fieldWritten(Name##FieldMask);                                                             \
        _sf##Name = value;                                                                         \
    }                                                                                              \
                                                                                                   \
private:                                                                                           \
    Type _sf##Name{};

/// Declares a multi-value field: const access with get, checked write access with edit.
#define OX_MFIELD(Type, Name)                                                                      \
public:                                                                                            \
    const osg::MField<Type>& get##Name() const { return _mf##Name; }                              \
    osg::MField<Type>& edit##Name()                                                               \
    {                                                                                              \
        fieldWritten(Name##FieldMask);                                                             \
        return _mf##Name;                                                                          \
    }                                                                                              \
                                                                                                   \
private:                                                                                           \
    osg::MField<Type> _mf##Name;

/// Declares the type and the creation function of a container class.
#define OX_CONTAINER(Class)                                                                        \
public:                                                                                            \
    static const osg::FieldContainerType& getClassType();                                          \
    const osg::FieldContainerType& getType() const override;

#define OX_FIELD_MASK(Name) static constexpr osg::BitVector Name##FieldMask = osg::BitVector(1) << Name##FieldId;
