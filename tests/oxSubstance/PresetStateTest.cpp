// Presets and the current state: preset values, capture, matching, the
// current preset, the remembered preset values and the render cache.

#include "oxHostFixture.h"

#include "oxSubstanceAttributeSync.h"
#include "oxSubstanceCommandSupport.h"
#include "oxSubstanceMaterialModifier.h"
#include "oxSubstancePresetUtils.h"

#include "host/OSGImage.h"
#include "host/QOXIntVector.h"
#include "host/QSubstanceArchive.h"
#include "host/oxdImage.h"
#include "oxStandInServices.h"

#include <QFile>
#include <QTemporaryDir>
#include <QVector2D>
#include <QVector3D>
#include <QVector4D>

#include <memory>
#include <set>
#include <tuple>
#include <string>
#include <vector>

namespace {

using Utils = oxSubstancePresetUtils;
using Indexes = std::set<unsigned int>;

/// One "sbspreset" element with inputs given as (identifier, type code, value).
std::string preset(const std::vector<std::tuple<const char*, int, const char*>>& inputs)
{
    std::string text = "<sbspreset pkgurl=\"pkg://materials/wood\" label=\"p\">";
    for (const auto& i : inputs)
        text += std::string("<presetinput identifier=\"") + std::get<0>(i) + "\" uid=\"1\" type=\"" +
                std::to_string(std::get<1>(i)) + "\" value=\"" + std::get<2>(i) + "\"/>";
    return text + "</sbspreset>";
}

/// The inputs of the Wood sample that differ from their defaults after loading it.
const std::tuple<const char*, int, const char*> Roughness{"roughness", 0, "0.35"}, Pattern{"pattern", 4, "1"},
    Tiling{"tiling", 1, "2,2"};

class PresetStateTest : public oxHostTest
{
protected:
    void SetUp() override
    {
        oxHostTest::SetUp();
        _service = std::make_unique<oxStandIn::ScopedSubstanceService>();
    }
    void TearDown() override
    {
        _service.reset();
        oxHostTest::TearDown();
    }

    /// A material built from the Wood sample, its presets replaced by ones with the given contents
    /// (a null content gives a null slot).
    USubstanceMaterialPtr wood(const std::vector<const char*>& contents = {})
    {
        USubstanceMaterialPtr m = hold(USubstanceMaterial::create());
        EXPECT_TRUE(oxSubstanceMaterialModifier(m).initFromFile(QString::fromStdString(samplePath("materials.sbsar"))));
        setPresets(m, contents);
        return m;
    }

    void setPresets(const USubstanceMaterialPtr& m, const std::vector<const char*>& contents)
    {
        m->clearPresets();
        for (const char* content : contents)
        {
            if (content)
                m->addPreset("p", content, "");
            else
                m->addPreset(SubstancePresetPtr());
        }
    }

    static std::shared_ptr<QSubstanceArchive> archiveOf(const USubstanceMaterialPtr& m)
    {
        bool created = false;
        return oxSubstanceArchiveFactory::instance().getMaterialArchive(m->getId(), created);
    }

    static void setLastActivated(const USubstanceMaterialPtr& m, int index)
    {
        osgEdit edit(m, USubstanceMaterialBase::LastActivatedPresetFieldMask);
        m->setLastActivatedPreset(index);
    }

    QTemporaryDir _dir;
    std::unique_ptr<oxStandIn::ScopedSubstanceService> _service;
};

TEST_F(PresetStateTest, ValuesOfAPresetLaterDuplicateWins)
{
    const SubstancePresetPtr p = hold(SubstancePreset::create(
        "p", preset({{"roughness", 0, "0.2"}, {"tint", 3, "0.1,0.2,0.3,0.4"}, {"roughness", 0, "0.6"}}), ""));
    const Utils::ValueMap values = Utils::getValues(p);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values.at("roughness"), QVariant(0.6f));
    EXPECT_EQ(values.at("tint"), QVariant(QVector4D(0.1f, 0.2f, 0.3f, 0.4f)));
    EXPECT_TRUE(Utils::getValues(SubstancePresetPtr()).empty());
    EXPECT_TRUE(Utils::getValues(hold(SubstancePreset::create("p", "<sbspresets/>", ""))).empty());
}

TEST_F(PresetStateTest, MatchingRule)
{
    const std::string base = preset({Roughness, Pattern, Tiling});
    const struct
    {
        const char* what;
        std::string content;
        bool matches;
    } cases[] = {
        {"every changed input, the rest left out at their defaults", base, true},
        {"a changed input left out", preset({Roughness, Pattern}), false},
        {"an input at its default given", preset({Roughness, Pattern, Tiling, {"contrast", 2, "1,1,1"}}), true},
        {"extra identifiers", preset({Roughness, {"nothere", 0, "3"}, Pattern, Tiling, {"zzz", 6, "x"}}), true},
        {"a value that differs", preset({{"roughness", 0, "0.36"}, Pattern, Tiling}), false},
        {"a later duplicate that agrees", preset({{"roughness", 0, "0.9"}, Roughness, Pattern, Tiling}), true},
        {"a later duplicate that differs", preset({Roughness, Pattern, Tiling, {"roughness", 0, "0.9"}}), false},
        {"the colour as it is", preset({Roughness, Pattern, Tiling, {"tint", 3, "0.8,0.6,0.4,1"}}), true},
        {"the colour with another alpha", preset({Roughness, Pattern, Tiling, {"tint", 3, "0.8,0.6,0.4,0.5"}}), true},
        {"another colour", preset({Roughness, Pattern, Tiling, {"tint", 3, "0.8,0.6,0.41,1"}}), false},
        {"a plain four-component value as it is", preset({Roughness, Pattern, Tiling, {"grain", 3, "1,0,0,0.5"}}), true},
        {"a plain four-component value, other fourth", preset({Roughness, Pattern, Tiling, {"grain", 3, "1,0,0,1"}}), false},
        {"content that does not read", "<sbspresets/>", false},
    };
    std::vector<const char*> contents;
    Indexes expected;
    for (const auto& c : cases)
    {
        if (c.matches)
            expected.insert(unsigned(contents.size()));
        contents.push_back(c.content.c_str());
    }
    contents.push_back(nullptr);
    const USubstanceMaterialPtr m = wood(contents);
    const Indexes matching = Utils::getMatchingPresetIndexes(m);
    EXPECT_EQ(matching, expected);
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(matching.count(unsigned(i)) != 0, cases[i].matches) << cases[i].what;
}

TEST_F(PresetStateTest, CurrentPresetAmongSeveralMatches)
{
    const std::string match = preset({Roughness, Pattern, Tiling});
    const std::string other = preset({Pattern});
    const USubstanceMaterialPtr m = wood({other.c_str(), match.c_str(), other.c_str(), match.c_str()});
    const struct
    {
        int lastActivated;
        unsigned int current;
    } cases[] = {{3, 3}, {1, 1}, {2, 1}, {-1, 1}, {7, 1}};
    for (const auto& c : cases)
    {
        setLastActivated(m, c.lastActivated);
        unsigned int index = 99;
        EXPECT_TRUE(Utils::getCurrentState(m, index));
        EXPECT_EQ(index, c.current) << c.lastActivated;
    }

    setPresets(m, {other.c_str(), match.c_str()});
    setLastActivated(m, 0);
    unsigned int index = 99;
    EXPECT_TRUE(Utils::getCurrentState(m, index));
    EXPECT_EQ(index, 1u);

    setPresets(m, {other.c_str()});
    index = 99;
    EXPECT_FALSE(Utils::getCurrentState(m, index));
    EXPECT_EQ(index, 99u);
    EXPECT_FALSE(Utils::getCurrentState(USubstanceMaterialPtr(), index));
}

TEST_F(PresetStateTest, WhatNothingOrEverythingMatches)
{
    const std::string some = preset({Pattern});
    // A material without an active graph, and one whose archive holds nothing.
    const USubstanceMaterialPtr noGraph = wood({some.c_str()});
    {
        osgEdit edit(noGraph, USubstanceMaterialBase::ActiveGraphIndexFieldMask);
        noGraph->setActiveGraphIndex(1);
    }
    const USubstanceMaterialPtr noArchive = hold(USubstanceMaterial::create());
    noArchive->addGraph(USubstanceGraph::create());
    setPresets(noArchive, {some.c_str(), nullptr});
    EXPECT_TRUE(Utils::getMatchingPresetIndexes(noGraph).empty());
    EXPECT_TRUE(Utils::getMatchingPresetIndexes(noArchive).empty());
    EXPECT_TRUE(Utils::getMatchingPresetIndexes(USubstanceMaterialPtr()).empty());

    // A graph whose inputs are all hidden has no current values: every slot matches.
    const QString path = _dir.filePath("hidden.sbsar");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<sbsar><graph label=\"Hidden\"><input identifier=\"h\" type=\"float\" default=\"0\"/></graph></sbsar>");
    file.close();
    USubstanceMaterialPtr hidden = hold(USubstanceMaterial::create());
    ASSERT_TRUE(oxSubstanceMaterialModifier(hidden).initFromFile(path));
    setPresets(hidden, {some.c_str(), nullptr, "not a preset"});
    EXPECT_EQ(Utils::getMatchingPresetIndexes(hidden), (Indexes{0, 1, 2}));
}

TEST_F(PresetStateTest, RememberedValuesFollowEveryChange)
{
    const std::string match = preset({Roughness, Pattern, Tiling});
    const std::string sized = preset({Roughness, Pattern, Tiling, {"$outputsize", 8, "9,9"}});
    const std::string other = preset({Pattern});
    const USubstanceMaterialPtr m = wood({match.c_str(), other.c_str(), sized.c_str()});
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), (Indexes{0, 2}));
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), (Indexes{0, 2}));

    // A preset's content changes.
    const SubstancePresetPtr first = m->getSubstancePresets()[0];
    Utils::applyPresetContent(m, first, other);
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), (Indexes{2}));
    Utils::applyPresetContent(m, first, match);
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), (Indexes{0, 2}));

    // Presets removed, replaced and added.
    m->removePreset(first);
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), (Indexes{1}));
    m->insertPreset(SubstancePreset::create("q", match, ""), 1);
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), (Indexes{1, 2}));
    setPresets(m, {other.c_str(), other.c_str(), match.c_str()});
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), (Indexes{2}));

    // The default output-size sync state that preset sizes carry changes.
    setPresets(m, {match.c_str(), other.c_str(), sized.c_str()});
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), (Indexes{0, 2}));
    QSubstanceArchive::setDefaultSyncOutputSize(false);
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), (Indexes{0}));
    QSubstanceArchive::setDefaultSyncOutputSize(true);
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), (Indexes{0, 2}));

    // Two materials with presets of their own.
    const USubstanceMaterialPtr n = wood({other.c_str(), match.c_str()});
    EXPECT_EQ(Utils::getMatchingPresetIndexes(n), (Indexes{1}));
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), (Indexes{0, 2}));
}

/// The matching rule stated plainly, every preset read anew.
Indexes matchingByTheRule(const USubstanceMaterialPtr& m)
{
    bool created = false;
    const auto current = oxSubstanceArchiveFactory::instance().getMaterialArchive(m->getId(), created)->getActiveGraphValues();
    Indexes result;
    const osg::MField<SubstancePresetPtr>& presets = m->getSubstancePresets();
    for (unsigned int i = 0; i < presets.size(); ++i)
    {
        const Utils::ValueMap values = Utils::getValues(presets[i]);
        bool match = true;
        for (const auto& entry : current)
        {
            const auto it = values.find(entry.first);
            const QVariant& now = entry.second.value;
            if (it == values.end())
                match = match && entry.second.isDefault;
            else if (it->second.userType() == QMetaType::QVector4D && now.userType() == QMetaType::QVector3D)
                match = match && it->second.value<QVector4D>().toVector3D() == now.value<QVector3D>();
            else
                match = match && it->second == now;
        }
        if (match)
            result.insert(i);
    }
    return result;
}

TEST_F(PresetStateTest, RememberedResultsAgreeWithTheRuleAfterEveryEdit)
{
    const std::string presets[] = {
        preset({Roughness, Pattern, Tiling}),
        preset({Roughness, Pattern, Tiling, {"tint", 3, "0.1,0.2,0.3,1"}}),
        preset({{"roughness", 0, "0.5"}, Pattern, Tiling}),
        preset({Roughness, {"pattern", 4, "0"}, Tiling, {"contrast", 2, "2,2,2"}}),
        preset({{"roughness", 0, "0.5"}, {"pattern", 4, "0"}, {"tiling", 1, "1,1"}}),
        preset({Roughness, Pattern, Tiling, {"contrast", 2, "1,1,1"}}),
    };
    const USubstanceMaterialPtr m =
        wood({presets[0].c_str(), presets[1].c_str(), presets[2].c_str(), presets[3].c_str(), presets[4].c_str(),
              presets[5].c_str(), nullptr});
    const struct
    {
        const char* property;
        QVariant value;
    } edits[] = {{"roughness", 0.5f}, {"roughness", 0.35f}, {"contrast", QVector3D(2, 2, 2)},
                 {"pattern", 0},      {"tint", QVector3D(0.1f, 0.2f, 0.3f)}, {"contrast", QVector3D(1, 1, 1)},
                 {"pattern", 1},      {"tiling", QVector2D(1, 1)}, {"roughness", 0.5f},
                 {"pattern", 0},      {"tint", QVector3D(0.8f, 0.6f, 0.4f)}, {"roughness", 0.5f},
                 {"tiling", QVector2D(2, 2)}, {"pattern", 1}, {"roughness", 0.35f}};
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), matchingByTheRule(m));
    std::set<Indexes> seen;
    for (const auto& edit : edits)
    {
        oxSubstanceCommandSupport::applyPropertyValue(m, "Wood", edit.property, edit.value, false);
        const Indexes expected = matchingByTheRule(m);
        EXPECT_EQ(Utils::getMatchingPresetIndexes(m), expected) << edit.property;
        seen.insert(expected);
    }
    EXPECT_GE(seen.size(), 5u) << "the edits should make different presets match";
}

TEST_F(PresetStateTest, ArchiveValuesAndAttributesAgreeOnEveryForm)
{
    // Applying a preset or resetting a graph records only the archive's values
    // that differ from the attributes': equal values, colours included, must compare equal.
    const USubstanceMaterialPtr m = wood();
    const ImagePtr image = hold(osg::Image::create());
    oxSubstanceCommandSupport::applyPropertyValue(m, "Wood", "mask", QVariant::fromValue(oxdImage(image->getId())), false);
    oxSubstanceCommandSupport::applyPropertyValue(m, "Wood", "tint", QVariant(QVector3D(0.1f, 0.2f, 0.3f)), false);
    std::size_t compared = 0;
    for (const auto& entry : archiveOf(m)->getActiveGraphValues())
    {
        QVariant current;
        ASSERT_TRUE(oxSubstanceAttributeSync().getOsgAttribute(m, "Wood", entry.first, current));
        EXPECT_TRUE(current == entry.second.value) << entry.first.toStdString();
        ++compared;
    }
    EXPECT_EQ(compared, 12u);
}

TEST_F(PresetStateTest, CaptureStoresContentAndImages)
{
    const USubstanceMaterialPtr m = wood({preset({Pattern}).c_str()});
    const SubstancePresetPtr p = m->getSubstancePresets()[0];
    Utils::captureContent(m, p);
    EXPECT_EQ(Utils::getMatchingPresetIndexes(m), Indexes{0});

    const ImagePtr image = osg::Image::create();
    oxSubstanceCommandSupport::applyPropertyValue(m, "Wood", "mask", QVariant::fromValue(oxdImage(image->getId())), false);
    oxStandIn::clearEditLog();

    Utils::captureContent(m, p);
    const std::string captured = Utils::fetchPresetContent(m);
    EXPECT_EQ(p->getContent(), captured);
    EXPECT_EQ(p->getCachedImages(), osg::MField<ImagePtr>({image}));
    ASSERT_EQ(bracketsOn(p->getId()).size(), 2u);
    EXPECT_EQ(bracketsOn(p->getId())[0].mask, SubstancePresetBase::ContentFieldMask);
    EXPECT_EQ(bracketsOn(p->getId())[1].mask, SubstancePresetBase::CachedImagesFieldMask);

    // With no image in the groups, the preset keeps none.
    oxSubstanceCommandSupport::applyPropertyValue(m, "Wood", "mask", QVariant::fromValue(oxdImage()), false);
    Utils::applyPresetContent(m, p, "<sbspreset/>");
    EXPECT_EQ(p->getContent(), "<sbspreset/>");
    EXPECT_TRUE(p->getCachedImages().empty());

    // Nothing to capture: the content stays.
    const USubstanceMaterialPtr empty = hold(USubstanceMaterial::create());
    EXPECT_EQ(Utils::fetchPresetContent(empty), "");
    EXPECT_EQ(Utils::fetchPresetContent(USubstanceMaterialPtr()), "");
    oxStandIn::clearEditLog();
    Utils::captureContent(empty, p);
    Utils::captureContent(USubstanceMaterialPtr(), p);
    Utils::captureContent(m, SubstancePresetPtr());
    Utils::applyPresetContent(USubstanceMaterialPtr(), p, "x");
    EXPECT_EQ(p->getContent(), "<sbspreset/>");
    EXPECT_TRUE(oxStandIn::editLog().empty());
}

TEST_F(PresetStateTest, RenderCacheSwitchClearAndDump)
{
    EXPECT_FALSE(Utils::isCacheEnabled());
    Utils::enableCache(true);
    EXPECT_TRUE(Utils::isCacheEnabled());

    const USubstanceMaterialPtr materials[] = {wood({"<sbspreset/>"}), wood({"<sbspreset/>"})};
    for (const USubstanceMaterialPtr& m : materials)
    {
        m->cacheRenderResult(0);
        ASSERT_TRUE(m->isPresetCached(0));
    }
    Utils::clearCache();
    for (const USubstanceMaterialPtr& m : materials)
        EXPECT_FALSE(m->isPresetCached(0));
    Utils::enableCache(false);
    EXPECT_FALSE(Utils::isCacheEnabled());

    const MaterialPtr environment = hold(USubstanceEnvironmentMaterial::create());
    oxStandIn::clearLogMessages();
    Utils::dumpCache(materials[0], nullptr, "detail");
    Utils::dumpCache(materials[0], "title", nullptr);
    Utils::dumpCache(environment, "title", "detail");
    Utils::dumpCache(MaterialPtr(), "title", "detail");
    EXPECT_TRUE(logLines().empty());
    Utils::dumpCache(materials[0], "title", "detail");
    ASSERT_EQ(logLines().size(), 1u);
    EXPECT_EQ(logLines()[0].rfind("warning: title: detail\n", 0), 0u) << logLines()[0];
}

} // namespace
