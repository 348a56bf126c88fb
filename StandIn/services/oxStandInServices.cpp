// RAII installation of a Substance service for tests.

#include "oxStandInServices.h"

#include <typeinfo>

namespace oxStandIn {

namespace {

std::size_t substanceServiceHash()
{
    return typeid(oxSubstanceService).hash_code();
}

} // namespace

ScopedSubstanceService::ScopedSubstanceService() : _service(std::make_unique<oxSubstanceService>())
{
    oxKernelServiceFactory& factory = oxKernelServiceFactory::the();
    oxBaseService* previous = nullptr;
    _hadEntry = factory.findService(substanceServiceHash(), previous);
    _previousWasNull = previous == nullptr;
    _previous = previous;
    factory.registerService(substanceServiceHash(), _service.get());
}

ScopedSubstanceService::~ScopedSubstanceService()
{
    oxKernelServiceFactory& factory = oxKernelServiceFactory::the();
    oxBaseService* current = nullptr;
    if (factory.findService(substanceServiceHash(), current) && current == _service.get())
    {
        if (_hadEntry && _previousWasNull)
            factory.registerService(substanceServiceHash(), nullptr);
        else if (_hadEntry && _previous)
            factory.registerService(substanceServiceHash(), _previous.data());
        else
            factory.unregisterService(substanceServiceHash());
    }
}

} // namespace oxStandIn
