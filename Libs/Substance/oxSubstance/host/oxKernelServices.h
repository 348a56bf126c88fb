#pragma once
/// \file oxKernelServices.h
/// Host kernel services: a registry of service objects keyed by the hash code
/// of their type, and the Substance service whose signals tell the host's user
/// interface about changes of Substance materials.

#include "oxHostExport.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <cstddef>
#include <map>
#include <typeinfo>

class OX_HOST_API oxBaseService : public QObject
{
    Q_OBJECT
public:
    explicit oxBaseService(QObject* parent = nullptr);
    ~oxBaseService() override;
};

class OX_HOST_API oxSubstanceService : public oxBaseService
{
    Q_OBJECT
public:
    explicit oxSubstanceService(QObject* parent = nullptr);
    ~oxSubstanceService() override;

signals:
    void presetsChanged(unsigned materialId);
    void presetApplied(unsigned materialId);
    void substancePropertyChanged(unsigned materialId, const QString& property, const QVariant& value);
};

/// Registry of services. An entry may exist with a null service.
/// The factory does not own the services registered with it.
class OX_HOST_API oxKernelServiceFactory
{
public:
    static oxKernelServiceFactory& the();
    /// Registers (or replaces) the service for a type hash code; \p service may be null.
    void registerService(std::size_t typeHash, oxBaseService* service);
    /// Removes the entry of a type hash code.
    void unregisterService(std::size_t typeHash);
    /// The entry for a type hash code: false when there is none; else \p service
    /// is set to the entry's service (which may be null).
    bool findService(std::size_t typeHash, oxBaseService*& service) const;

private:
    std::map<std::size_t, oxBaseService*> _services;
};
