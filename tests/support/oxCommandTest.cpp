#include "oxCommandTest.h"

#include "oxSubstanceMaterialModifier.h"

#include <QString>

void oxCommandTest::SetUp()
{
    oxHostTest::SetUp();
    service = std::make_unique<oxStandIn::ScopedSubstanceService>();
    events = std::make_unique<oxServiceEvents>(service->service());
}

void oxCommandTest::TearDown()
{
    events.reset();
    service.reset();
    oxHostTest::TearDown();
}

USubstanceMaterialPtr oxCommandTest::wood(const char* name)
{
    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    {
        osgEdit edit(material, MaterialBase::NameFieldMask);
        material->setName(name);
    }
    EXPECT_TRUE(oxSubstanceMaterialModifier(material).initFromFile(QString::fromStdString(samplePath("materials.sbsar"))));
    events->take();
    oxStandIn::clearLogMessages();
    return material;
}

std::unique_ptr<oxUndoChecker> oxCommandTest::checker(const USubstanceMaterialPtr& material,
                                                      std::function<void(oxStateSnapshot&)> more)
{
    return std::make_unique<oxUndoChecker>(
        [material, more] {
            oxStateSnapshot state = oxMaterialState(material);
            if (more)
                more(state);
            return state;
        },
        [this] { return events->take(); });
}

std::string oxCommandTest::changed(const USubstanceMaterialPtr& material, const char* property,
                                   const std::string& value)
{
    return "substancePropertyChanged(" + std::to_string(material->getId()) + ", " + property + ", " + value + ")";
}

std::string oxCommandTest::signal(const char* name, const USubstanceMaterialPtr& material)
{
    return std::string(name) + "(" + std::to_string(material->getId()) + ")";
}
