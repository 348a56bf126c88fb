// The host's kernel services: the registry by type hash code, the Substance
// service's signals and the scoped service for tests.

#include "oxHostFixture.h"
#include "oxKernelServices.h"
#include "oxStandInServices.h"
#include "QOXIntVector.h"

#include <QMetaMethod>
#include <QSignalSpy>

#include <functional>
#include <memory>
#include <ostream>
#include <typeinfo>

namespace {

const std::size_t SubstanceHash = typeid(oxSubstanceService).hash_code();
const std::size_t OtherHash = typeid(oxBaseService).hash_code();

oxBaseService* const Untouched = reinterpret_cast<oxBaseService*>(0x1);

/// What findService gives for a key: absent, or present with a service.
struct Lookup
{
    bool found;
    oxBaseService* service;
};

Lookup lookup(std::size_t hash)
{
    oxBaseService* service = Untouched;
    const bool found = oxKernelServiceFactory::the().findService(hash, service);
    return {found, service};
}

} // namespace

// ------------------------------------------------------------------ registry

/// The services a case can use: two that live through the case, and one that
/// a case may create and delete on its own.
struct Services
{
    oxSubstanceService first;
    oxSubstanceService second;
    std::unique_ptr<oxSubstanceService> extra;
};

enum class Expect { Missing, NullEntry, First, Second };

/// Checks the registry's entry for the Substance service against \p expect.
static void expectEntry(Expect expect, const Services& services)
{
    const Lookup result = lookup(SubstanceHash);
    EXPECT_EQ(result.found, expect != Expect::Missing);
    switch (expect)
    {
    case Expect::Missing:
        EXPECT_EQ(result.service, Untouched) << "a failed lookup leaves the out-argument alone";
        break;
    case Expect::NullEntry:
        EXPECT_EQ(result.service, nullptr);
        break;
    case Expect::First:
        EXPECT_EQ(result.service, &services.first);
        break;
    case Expect::Second:
        EXPECT_EQ(result.service, &services.second);
        break;
    }
}

struct RegistryCase
{
    const char* name;
    std::function<void(oxKernelServiceFactory&, Services&)> steps;
    Expect expect;
};

void PrintTo(const RegistryCase& c, std::ostream* os)
{
    *os << c.name;
}

class RegistryTest : public oxHostTest, public ::testing::WithParamInterface<RegistryCase>
{
};

TEST_P(RegistryTest, LookupAfterSteps)
{
    Services services;
    GetParam().steps(oxKernelServiceFactory::the(), services);
    expectEntry(GetParam().expect, services);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, RegistryTest,
    ::testing::Values(
        RegistryCase{"Empty", [](oxKernelServiceFactory&, Services&) {}, Expect::Missing},
        RegistryCase{"NullEntry", [](oxKernelServiceFactory& f, Services&) { f.registerService(SubstanceHash, nullptr); },
                     Expect::NullEntry},
        RegistryCase{"Registered",
                     [](oxKernelServiceFactory& f, Services& s) { f.registerService(SubstanceHash, &s.first); },
                     Expect::First},
        RegistryCase{"Replaced",
                     [](oxKernelServiceFactory& f, Services& s) {
                         f.registerService(SubstanceHash, &s.first);
                         f.registerService(SubstanceHash, &s.second);
                     },
                     Expect::Second},
        RegistryCase{"ReplacedByNull",
                     [](oxKernelServiceFactory& f, Services& s) {
                         f.registerService(SubstanceHash, &s.first);
                         f.registerService(SubstanceHash, nullptr);
                     },
                     Expect::NullEntry},
        RegistryCase{"NullReplacedByService",
                     [](oxKernelServiceFactory& f, Services& s) {
                         f.registerService(SubstanceHash, nullptr);
                         f.registerService(SubstanceHash, &s.second);
                     },
                     Expect::Second},
        RegistryCase{"Unregistered",
                     [](oxKernelServiceFactory& f, Services& s) {
                         f.registerService(SubstanceHash, &s.first);
                         f.unregisterService(SubstanceHash);
                     },
                     Expect::Missing},
        RegistryCase{"UnregisteredNullEntry",
                     [](oxKernelServiceFactory& f, Services&) {
                         f.registerService(SubstanceHash, nullptr);
                         f.unregisterService(SubstanceHash);
                     },
                     Expect::Missing},
        RegistryCase{"OtherKeyOnly",
                     [](oxKernelServiceFactory& f, Services& s) { f.registerService(OtherHash, &s.first); },
                     Expect::Missing},
        RegistryCase{"OtherKeyUnregistered",
                     [](oxKernelServiceFactory& f, Services& s) {
                         f.registerService(SubstanceHash, &s.first);
                         f.registerService(OtherHash, &s.second);
                         f.unregisterService(OtherHash);
                         f.unregisterService(12345); // never registered
                     },
                     Expect::First},
        RegistryCase{"ServiceDeleted",
                     [](oxKernelServiceFactory& f, Services&) {
                         auto* gone = new oxSubstanceService;
                         f.registerService(SubstanceHash, gone);
                         delete gone;
                     },
                     Expect::Missing},
        RegistryCase{"ReplacedServiceDeleted",
                     [](oxKernelServiceFactory& f, Services& s) {
                         auto* gone = new oxSubstanceService;
                         f.registerService(SubstanceHash, gone);
                         f.registerService(SubstanceHash, &s.first);
                         delete gone; // no longer in the registry: leaves the entry alone
                     },
                     Expect::First},
        RegistryCase{"Reset",
                     [](oxKernelServiceFactory& f, Services& s) {
                         f.registerService(SubstanceHash, &s.first);
                         f.registerService(OtherHash, nullptr);
                         oxStandIn::reset();
                         EXPECT_FALSE(lookup(OtherHash).found);
                     },
                     Expect::Missing}),
    [](const ::testing::TestParamInfo<RegistryCase>& info) { return std::string(info.param.name); });

using KernelServicesTest = oxHostTest;

// ------------------------------------------------------------------- signals

TEST_F(KernelServicesTest, MetaObjectNamesTheClassChain)
{
    oxSubstanceService service;
    EXPECT_STREQ(service.metaObject()->className(), "oxSubstanceService");
    ASSERT_NE(service.metaObject()->superClass(), nullptr);
    EXPECT_STREQ(service.metaObject()->superClass()->className(), "oxBaseService");
    EXPECT_TRUE(service.inherits("oxBaseService"));
    EXPECT_NE(qobject_cast<oxBaseService*>(&service), nullptr);
}

struct SignalCase
{
    const char* name;
    const char* signature; ///< normalised, as moc records it
    std::function<void(oxSubstanceService&)> emitIt;
    QVariantList arguments;
};

void PrintTo(const SignalCase& c, std::ostream* os)
{
    *os << c.name;
}

class SignalTest : public oxHostTest, public ::testing::WithParamInterface<SignalCase>
{
};

TEST_P(SignalTest, ReachesASpyWithItsArguments)
{
    const SignalCase& c = GetParam();
    oxSubstanceService service;
    const QMetaObject* meta = service.metaObject();
    const int index = meta->indexOfSignal(c.signature);
    ASSERT_GE(index, 0) << c.signature;
    EXPECT_EQ(meta->method(index).methodType(), QMetaMethod::Signal);

    const char* all[] = {"presetsChanged(uint)", "presetApplied(uint)",
                         "substancePropertyChanged(uint,QString,QVariant)"};
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (const char* signature : all)
        spies.push_back(std::make_unique<QSignalSpy>(&service, meta->method(meta->indexOfSignal(signature))));

    c.emitIt(service);
    for (std::size_t i = 0; i < spies.size(); ++i)
    {
        QSignalSpy& spy = *spies[i];
        ASSERT_TRUE(spy.isValid()) << all[i];
        if (QByteArray(all[i]) != c.signature)
        {
            EXPECT_EQ(spy.count(), 0) << all[i] << " fired as well";
            continue;
        }
        ASSERT_EQ(spy.count(), 1);
        const QVariantList received = spy.takeFirst();
        ASSERT_EQ(received.size(), c.arguments.size());
        for (int a = 0; a < received.size(); ++a)
        {
            // the spy wraps a QVariant argument in another QVariant
            QVariant got = received[a];
            if (got.userType() == QMetaType::QVariant)
                got = qvariant_cast<QVariant>(got);
            EXPECT_EQ(got.userType(), c.arguments[a].userType()) << "argument " << a;
            EXPECT_TRUE(got == c.arguments[a]) << "argument " << a;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Signals, SignalTest,
    ::testing::Values(
        SignalCase{"PresetsChanged", "presetsChanged(uint)",
                   [](oxSubstanceService& s) { emit s.presetsChanged(7u); }, {QVariant(7u)}},
        SignalCase{"PresetAppliedLargestId", "presetApplied(uint)",
                   [](oxSubstanceService& s) { emit s.presetApplied(0xffffffffu); }, {QVariant(0xffffffffu)}},
        SignalCase{"PropertyChangedVector", "substancePropertyChanged(uint,QString,QVariant)",
                   [](oxSubstanceService& s) {
                       emit s.substancePropertyChanged(3u, "$outputsize",
                                                       QVariant::fromValue(QOXIntVector3D(512, 1024, 1)));
                   },
                   {QVariant(3u), QVariant(QString("$outputsize")), QVariant::fromValue(QOXIntVector3D(512, 1024, 1))}},
        SignalCase{"PropertyChangedInvalidValue", "substancePropertyChanged(uint,QString,QVariant)",
                   [](oxSubstanceService& s) { emit s.substancePropertyChanged(0u, QString(), QVariant()); },
                   {QVariant(0u), QVariant(QString()), QVariant()}}),
    [](const ::testing::TestParamInfo<SignalCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------- scoped service

TEST_F(KernelServicesTest, ScopedServiceIsFoundWhileItLives)
{
    {
        oxStandIn::ScopedSubstanceService scoped;
        ASSERT_NE(scoped.service(), nullptr);
        const Lookup found = lookup(SubstanceHash);
        EXPECT_TRUE(found.found);
        EXPECT_EQ(found.service, scoped.service());
        EXPECT_EQ(qobject_cast<oxSubstanceService*>(found.service), scoped.service());

        QSignalSpy spy(scoped.service(), &oxSubstanceService::presetsChanged);
        emit scoped->presetsChanged(4u);
        EXPECT_EQ(spy.count(), 1);
    }
    EXPECT_FALSE(lookup(SubstanceHash).found);
}

struct ScopedCase
{
    const char* name;
    std::function<void(Services&)> before;                                    ///< registry before the scope
    std::function<void(Services&, oxStandIn::ScopedSubstanceService&)> during; ///< inside the scope
    Expect expect;                                                            ///< entry after the scope
};

void PrintTo(const ScopedCase& c, std::ostream* os)
{
    *os << c.name;
}

class ScopedServiceTest : public oxHostTest, public ::testing::WithParamInterface<ScopedCase>
{
};

TEST_P(ScopedServiceTest, LeavesTheRegistryAsExpected)
{
    Services services;
    GetParam().before(services);
    {
        oxStandIn::ScopedSubstanceService scoped;
        EXPECT_EQ(lookup(SubstanceHash).service, scoped.service());
        GetParam().during(services, scoped);
    }
    expectEntry(GetParam().expect, services);
}

namespace {
void nothing(Services&) {}
void nothingDuring(Services&, oxStandIn::ScopedSubstanceService&) {}
} // namespace

INSTANTIATE_TEST_SUITE_P(
    Scopes, ScopedServiceTest,
    ::testing::Values(
        ScopedCase{"NoEntryBefore", nothing, nothingDuring, Expect::Missing},
        ScopedCase{"NullEntryComesBack",
                   [](Services&) { oxKernelServiceFactory::the().registerService(SubstanceHash, nullptr); },
                   nothingDuring, Expect::NullEntry},
        ScopedCase{"PreviousServiceComesBack",
                   [](Services& s) { oxKernelServiceFactory::the().registerService(SubstanceHash, &s.first); },
                   nothingDuring, Expect::First},
        ScopedCase{"PreviousServiceDeletedMeanwhile",
                   [](Services& s) {
                       s.extra = std::make_unique<oxSubstanceService>();
                       oxKernelServiceFactory::the().registerService(SubstanceHash, s.extra.get());
                   },
                   [](Services& s, oxStandIn::ScopedSubstanceService&) { s.extra.reset(); },
                   Expect::Missing},
        ScopedCase{"ReplacedMeanwhileIsLeftAlone", nothing,
                   [](Services& s, oxStandIn::ScopedSubstanceService&) {
                       oxKernelServiceFactory::the().registerService(SubstanceHash, &s.second);
                   },
                   Expect::Second},
        ScopedCase{"ResetMeanwhile", nothing,
                   [](Services&, oxStandIn::ScopedSubstanceService&) { oxStandIn::reset(); }, Expect::Missing},
        ScopedCase{"Nested",
                   [](Services& s) { oxKernelServiceFactory::the().registerService(SubstanceHash, &s.first); },
                   [](Services&, oxStandIn::ScopedSubstanceService& outer) {
                       {
                           oxStandIn::ScopedSubstanceService inner;
                           EXPECT_EQ(lookup(SubstanceHash).service, inner.service());
                       }
                       EXPECT_EQ(lookup(SubstanceHash).service, outer.service());
                   },
                   Expect::First}),
    [](const ::testing::TestParamInfo<ScopedCase>& info) { return std::string(info.param.name); });
