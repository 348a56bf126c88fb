// The host's kernel services and the values they carry: the service registry,
// the Substance service's signals, and integer vectors and image objects in
// QVariant.

#include "oxHostFixture.h"
#include "oxKernelServices.h"
#include "oxdImage.h"
#include "QOXIntVector.h"

#include <QSignalSpy>

#include <memory>
#include <typeinfo>
#include <utility>

namespace {

using KernelServicesTest = oxHostTest;
using Lookup = std::pair<bool, oxBaseService*>;

const std::size_t SubstanceHash = typeid(oxSubstanceService).hash_code();
const std::size_t OtherHash = typeid(oxBaseService).hash_code();
oxBaseService* const Untouched = reinterpret_cast<oxBaseService*>(0x1);

/// Whether the registry has an entry for the hash, and its service.
Lookup lookup(std::size_t hash = SubstanceHash)
{
    oxBaseService* service = Untouched;
    const bool found = oxKernelServiceFactory::the().findService(hash, service);
    return {found, service};
}

TEST_F(KernelServicesTest, RegistryFindsEntriesAndForgetsDeletedServices)
{
    oxKernelServiceFactory& factory = oxKernelServiceFactory::the();
    oxSubstanceService first;
    oxSubstanceService second;
    EXPECT_EQ(lookup(), Lookup(false, Untouched));
    factory.registerService(SubstanceHash, nullptr);
    EXPECT_EQ(lookup(), Lookup(true, nullptr));
    factory.registerService(SubstanceHash, &first);
    factory.registerService(OtherHash, &second);
    factory.unregisterService(OtherHash);
    EXPECT_EQ(lookup(OtherHash), Lookup(false, Untouched));
    EXPECT_EQ(lookup(), Lookup(true, &first));

    auto gone = std::make_unique<oxSubstanceService>();
    factory.registerService(SubstanceHash, gone.get());
    factory.registerService(SubstanceHash, &second);
    gone.reset();
    EXPECT_EQ(lookup(), Lookup(true, &second)) << "a replaced service leaves the entry alone when deleted";
    gone = std::make_unique<oxSubstanceService>();
    factory.registerService(SubstanceHash, gone.get());
    gone.reset();
    EXPECT_EQ(lookup(), Lookup(false, Untouched));

    factory.registerService(OtherHash, &first);
    oxStandIn::reset();
    EXPECT_FALSE(lookup(OtherHash).first);
}

TEST_F(KernelServicesTest, SignalsCarryTheirArguments)
{
    oxSubstanceService service;
    QSignalSpy applied(&service, &oxSubstanceService::presetApplied);
    QSignalSpy property(&service, &oxSubstanceService::substancePropertyChanged);
    const QVariant size = QVariant::fromValue(QOXIntVector3D(512, 1024, 1));
    emit service.presetApplied(0xffffffffu);
    emit service.substancePropertyChanged(3u, "$outputsize", size);
    ASSERT_EQ(applied.count(), 1);
    EXPECT_EQ(applied[0][0].toUInt(), 0xffffffffu);
    ASSERT_EQ(property.count(), 1);
    EXPECT_EQ(property[0][0].toUInt(), 3u);
    EXPECT_EQ(property[0][1].toString(), "$outputsize");
    EXPECT_TRUE(qvariant_cast<QVariant>(property[0][2]) == size);
}

/// Checks a value type known to Qt by name and compared by value in QVariant.
template <class T>
void expectValueType(const char* name, const T& value, const T& other)
{
    SCOPED_TRACE(name);
    const int id = QMetaType::type(name); // looked up before qMetaTypeId<T>() could register it
    EXPECT_EQ(id, qMetaTypeId<T>());
    EXPECT_TRUE(QVariant::fromValue(value) == QVariant::fromValue(T(value)));
    EXPECT_FALSE(QVariant::fromValue(value) == QVariant::fromValue(other));
}

TEST_F(KernelServicesTest, ValueTypesAreKnownByNameAndComparedByValue)
{
    // No qMetaTypeId<> before these lookups: the host library registered the names.
    expectValueType("QOXIntVector2D", QOXIntVector2D(1, -2), QOXIntVector2D(1, -3));
    expectValueType("QOXIntVector3D", QOXIntVector3D(1, -2, 3), QOXIntVector3D(1, -2, 4));
    expectValueType("QOXIntVector4D", QOXIntVector4D(1, -2, 3, -4), QOXIntVector4D(1, -2, 3, 4));
    expectValueType("oxdImage", oxdImage(17), oxdImage(0xffffffffu));
    EXPECT_FALSE(QVariant::fromValue(QOXIntVector2D(1, 2)) == QVariant::fromValue(QOXIntVector3D(1, 2, 0)));
}

} // namespace
