// Field-container core of the stand-in host: ids, types, reference counts and
// edit brackets with their records.

#include "ModelInternal.h"
#include "OSGBase.h"
#include "oxStandInTesting.h"

#include <algorithm>
#include <map>

namespace {

/// Live containers by id. Ids count up from 1 and are not handed out again
/// while a container holds them; after a wrap-around the counter skips 0 and
/// live ids.
class Registry
{
public:
    osg::UInt32 add(osg::FieldContainer* container)
    {
        osg::UInt32 id = _next;
        while (id == 0 || _live.count(id) != 0)
            ++id;
        _next = id + 1;
        _live[id] = container;
        return id;
    }
    /// Removes the entry of \p id when it names \p container.
    void remove(osg::UInt32 id, const osg::FieldContainer* container)
    {
        const auto it = _live.find(id);
        if (it != _live.end() && it->second == container)
            _live.erase(it);
    }
    /// Lists \p container again under its own id.
    void restore(osg::FieldContainer* container) { _live[container->getId()] = container; }
    osg::FieldContainer* find(osg::UInt32 id) const
    {
        const auto it = _live.find(id);
        return it == _live.end() ? nullptr : it->second;
    }
    const std::map<osg::UInt32, osg::FieldContainer*>& live() const { return _live; }

private:
    osg::UInt32 _next = 1;
    std::map<osg::UInt32, osg::FieldContainer*> _live;
};

// Never destroyed: containers still alive at exit must find it.
Registry& registry()
{
    static Registry* instance = new Registry;
    return *instance;
}

std::vector<const osg::FieldContainer*>& initialising()
{
    static std::vector<const osg::FieldContainer*>* containers = new std::vector<const osg::FieldContainer*>;
    return *containers;
}

} // namespace

namespace oxStandIn {
namespace detail {

EditState& editState()
{
    static EditState* state = new EditState;
    return *state;
}

void recordViolation(osg::UInt32 containerId, const std::string& typeName, osg::BitVector mask,
                     const std::string& what)
{
    EditViolation v;
    v.containerId = containerId;
    v.typeName = typeName;
    v.mask = mask;
    v.what = what;
    editState().violations.push_back(v);
}

InitScope::InitScope(const osg::FieldContainer* container)
{
    initialising().push_back(container);
}

InitScope::~InitScope()
{
    initialising().pop_back();
}

bool isInitialising(const osg::FieldContainer* container)
{
    const auto& list = initialising();
    return std::find(list.begin(), list.end(), container) != list.end();
}

} // namespace detail

std::size_t liveContainerCount()
{
    return registry().live().size();
}

std::vector<std::string> liveContainerTypes()
{
    std::vector<std::string> types;
    for (const auto& entry : registry().live())
        types.push_back(entry.second->getType().getName());
    return types;
}

void hideContainer(const osg::FieldContainerPtr& container)
{
    if (!container.isNull())
        registry().remove(container->getId(), container.getCPtr());
}

void showContainer(const osg::FieldContainerPtr& container)
{
    if (!container.isNull())
        registry().restore(container.getCPtr());
}

std::vector<osg::FieldContainerPtr> liveContainers()
{
    std::vector<osg::FieldContainerPtr> result;
    result.reserve(registry().live().size());
    for (const auto& entry : registry().live())
        result.emplace_back(entry.second);
    return result;
}

} // namespace oxStandIn

namespace osg {

FieldContainerType::FieldContainerType(const char* name, const FieldContainerType* parent)
    : _name(name ? name : ""), _parent(parent)
{
}

bool FieldContainerType::isDerivedFrom(const FieldContainerType& other) const
{
    for (const FieldContainerType* t = this; t; t = t->_parent)
        if (t == &other)
            return true;
    return false;
}

const FieldContainerType& FieldContainer::getClassType()
{
    static const FieldContainerType type("FieldContainer", nullptr);
    return type;
}

const FieldContainerType& FieldContainer::getType() const
{
    return getClassType();
}

FieldContainer::FieldContainer() : _id(registry().add(this)) {}

FieldContainer::~FieldContainer()
{
    registry().remove(_id, this);
}

void FieldContainer::addRef()
{
    ++_refCount;
}

void FieldContainer::subRef()
{
    if (_refCount <= 0)
    {
        oxStandIn::detail::recordViolation(_id, getType().getName(), 0, "subRef below zero");
        return;
    }
    if (--_refCount == 0)
    {
        // Unregister first: while the destructors release what this container
        // holds, it can no longer be found by id.
        registry().remove(_id, this);
        delete this;
    }
}

void FieldContainer::fieldWritten(BitVector mask) const
{
    if (oxStandIn::detail::isInitialising(this))
        return;
    BitVector covered = 0;
    bool open = false;
    for (const oxStandIn::detail::OpenBracket& b : oxStandIn::detail::editState().open)
    {
        if (b.containerId == _id)
        {
            covered |= b.mask;
            open = true;
        }
    }
    if (open && (mask & ~covered) == 0)
        return;
    oxStandIn::detail::recordViolation(_id, getType().getName(), mask,
                                       open ? "write not covered by bracket mask" : "write outside bracket");
}

FieldContainerFactory* FieldContainerFactory::the()
{
    static FieldContainerFactory factory;
    return &factory;
}

FieldContainerPtr FieldContainerFactory::getContainer(UInt32 id) const
{
    return FieldContainerPtr(id == 0 ? nullptr : registry().find(id));
}

namespace {

/// Logs one begin or end of a bracket and returns the record.
oxStandIn::EditRecord logEdit(const FieldContainerPtr& p, BitVector mask, UInt32 origin, bool begin)
{
    oxStandIn::EditRecord r;
    r.containerId = p->getId();
    r.typeName = p->getType().getName();
    r.mask = mask;
    r.origin = origin;
    r.begin = begin;
    oxStandIn::detail::editState().log.push_back(r);
    return r;
}

} // namespace

void beginEditCP(const FieldContainerPtr& p, BitVector mask, UInt32 origin)
{
    if (p.isNull())
        return;
    const oxStandIn::EditRecord r = logEdit(p, mask, origin, true);
    oxStandIn::detail::editState().open.push_back({r.containerId, mask});
}

void endEditCP(const FieldContainerPtr& p, BitVector mask, UInt32 origin)
{
    if (p.isNull())
        return;
    const oxStandIn::EditRecord r = logEdit(p, mask, origin, false);
    oxStandIn::detail::EditState& state = oxStandIn::detail::editState();
    // The innermost matching bracket closes.
    for (auto it = state.open.rbegin(); it != state.open.rend(); ++it)
    {
        if (it->containerId == r.containerId && it->mask == mask)
        {
            state.open.erase(std::next(it).base());
            return;
        }
    }
    oxStandIn::detail::recordViolation(r.containerId, r.typeName, mask, "unmatched end");
}

} // namespace osg
