// Kernel services of the stand-in host: the service registry and the
// Substance service.

#include "oxKernelServices.h"

#include "oxStandInTesting.h"

namespace {

// oxStandIn::reset() empties the registry; the services are not its to delete.
const bool resetHookRegistered = [] {
    oxStandIn::addResetHook([] { oxKernelServiceFactory::the() = oxKernelServiceFactory(); });
    return true;
}();

} // namespace

oxBaseService::oxBaseService(QObject* parent) : QObject(parent)
{
}

oxBaseService::~oxBaseService() = default;

oxSubstanceService::oxSubstanceService(QObject* parent) : oxBaseService(parent)
{
}

oxSubstanceService::~oxSubstanceService() = default;

oxKernelServiceFactory& oxKernelServiceFactory::the()
{
    // Never destroyed: services may be deleted during static destruction and
    // still find the registry to leave.
    static oxKernelServiceFactory* const factory = new oxKernelServiceFactory;
    return *factory;
}

void oxKernelServiceFactory::registerService(std::size_t typeHash, oxBaseService* service)
{
    _services[typeHash] = service;
    if (!service || this != &the())
        return;
    // A service deleted while registered leaves the registry, so that no
    // lookup hands out a dangling pointer. The entry is dropped only when it
    // still names this service.
    QObject::connect(service, &QObject::destroyed, [typeHash, service] {
        auto& services = oxKernelServiceFactory::the()._services;
        const auto it = services.find(typeHash);
        if (it != services.end() && it->second == service)
            services.erase(it);
    });
}

void oxKernelServiceFactory::unregisterService(std::size_t typeHash)
{
    _services.erase(typeHash);
}

bool oxKernelServiceFactory::findService(std::size_t typeHash, oxBaseService*& service) const
{
    const auto it = _services.find(typeHash);
    if (it == _services.end())
        return false;
    service = it->second;
    return true;
}
