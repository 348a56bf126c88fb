#pragma once
/// \file oxCommandTest.h
/// Fixture for tests of the undo commands: a fresh host with a Substance
/// service whose signals (and the archive's renders) are recorded, sample
/// materials, and an undo checker on a material's whole state.

#include "oxHostFixture.h"
#include "oxUndoChecker.h"

#include "oxStandInServices.h"

#include <functional>
#include <memory>
#include <string>

class oxCommandTest : public oxHostTest
{
protected:
    void SetUp() override;
    void TearDown() override;

    /// A material named \p name (held by the fixture) built from the Wood
    /// sample: roughness 0.35, pattern 1, tiling 2,2, the rest at defaults;
    /// presets "Light Oak", "Dark Walnut", "Weathered Pine". Events and log messages of the
    /// load are dropped.
    USubstanceMaterialPtr wood(const char* name = "M");

    /// An undo checker on the state of \p material (oxMaterialState), with
    /// what \p more adds to it, and the service's events.
    std::unique_ptr<oxUndoChecker> checker(const USubstanceMaterialPtr& material,
                                           std::function<void(oxStateSnapshot&)> more = nullptr);

    /// The event of one substancePropertyChanged signal.
    static std::string changed(const USubstanceMaterialPtr& material, const char* property, const std::string& value);
    /// The event of one presetsChanged or presetApplied signal ("presetsChanged", "presetApplied").
    static std::string signal(const char* name, const USubstanceMaterialPtr& material);

    std::unique_ptr<oxStandIn::ScopedSubstanceService> service;
    std::unique_ptr<oxServiceEvents> events;
};
