#pragma once
/// \file oxStandInServices.h
/// Test support for code that notifies the host through its kernel services.
/// Not part of the host declarations: only tests and tools include it.

#include "oxHostExport.h"
#include "oxKernelServices.h"

#include <QPointer>

#include <memory>

namespace oxStandIn {

/// Installs a fresh oxSubstanceService in the kernel-service factory, under
/// typeid(oxSubstanceService).hash_code(), for the life of this object; the
/// object owns the service. On destruction the entry that was there before
/// (if any, and if its service still exists) comes back, else the entry is
/// removed; an entry that someone else has replaced meanwhile is left alone.
///
/// oxStandIn::reset() empties the registry: create the object after the
/// test fixture's SetUp (in the test body, or in a derived SetUp after the
/// base's), not as a fixture member.
class OX_HOST_API ScopedSubstanceService
{
public:
    ScopedSubstanceService();
    ~ScopedSubstanceService();
    ScopedSubstanceService(const ScopedSubstanceService&) = delete;
    ScopedSubstanceService& operator=(const ScopedSubstanceService&) = delete;

    /// The installed service (for QSignalSpy and connections).
    oxSubstanceService* service() const { return _service.get(); }
    oxSubstanceService* operator->() const { return _service.get(); }

private:
    std::unique_ptr<oxSubstanceService> _service;
    bool _hadEntry = false;            ///< whether an entry existed before
    bool _previousWasNull = false;     ///< whether that entry held a null service
    QPointer<oxBaseService> _previous; ///< the service of that entry (not owned)
};

} // namespace oxStandIn
