// The apply-preset and reset-graph commands through a real QUndoStack: the
// values they record, the last activated preset and the output-size sync
// flag, one render per step, the preset render cache and the messages for
// inputs that the material lacks.

#include "oxCommandTest.h"

#include "oxSubstancePresetUtils.h"
#include "oxSubstanceUndoCommands.h"

#include "host/OSGImage.h"
#include "host/QSubstanceArchive.h"

#include <QUndoStack>

#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Apply = oxApplySubstancePresetUndoCommand;
using Reset = oxResetSubstanceGraphUndoCommand;
using Names = std::vector<std::string>;

/// Counts the renderer's notifications while it is installed.
class CountingRenderer : public oxSubstanceRenderer
{
public:
    CountingRenderer() { oxSubstanceRenderer::setInstance(this); }
    ~CountingRenderer() override { oxSubstanceRenderer::setInstance(nullptr); }
    void materialUpdated(unsigned materialId) override { updated.push_back(materialId); }
    std::vector<unsigned> updated;
};

/// One preset input as preset XML.
std::string presetXml(const std::string& label, const std::string& inputs)
{
    return "<sbspreset pkgurl=\"pkg://materials/wood\" label=\"" + label + "\">" + inputs + "</sbspreset>";
}

std::string outputSizeInput(const char* size)
{
    return std::string("<presetinput identifier=\"$outputsize\" uid=\"1\" type=\"8\" value=\"") + size + "\"/>";
}

class GraphUndoCommandsTest : public oxCommandTest
{
protected:
    /// Appends a preset with \p content and gives its index.
    static unsigned addPreset(const USubstanceMaterialPtr& m, const std::string& name, const std::string& content)
    {
        m->addPreset(SubstancePreset::create(name, content, ""));
        return unsigned(m->getSubstancePresets().size() - 1);
    }

    static void setSync(const USubstanceMaterialPtr& m, bool sync)
    {
        osgEdit edit(m, USubstanceMaterial::SyncOutputSizeFieldMask);
        m->setSyncOutputSize(sync);
    }

    /// What the colour components and the incandescence map show: each
    /// component's name, whether it uses its texture and its image's colour.
    static std::string textures(const USubstanceMaterialPtr& m)
    {
        std::ostringstream text;
        const auto describe = [&text](const ImagePtr& image) {
            if (image.isNull())
                text << "none";
            else
            {
                const osg::Vec3f c = image->getPixel(0, 0);
                text << c[0] << "," << c[1] << "," << c[2];
            }
        };
        for (const ComponentSettingsPtr& c : m->getColorComponentData()->getAllComponents())
        {
            text << c->getComponentName() << (c->getUseTexture() ? " on " : " off ");
            describe(c->getImage());
            text << "; ";
        }
        text << "incandescence ";
        describe(m->getIncandescenceMap());
        return text.str();
    }

    /// The facts of applying "Dark Walnut" to the Wood sample.
    static oxStateSnapshot walnut()
    {
        return {{"Wood/$outputsize", "QOXIntVector3D QOXIntVector3D(10 10 1)"},
                {"archive/$outputsize", "QOXIntVector3D QOXIntVector3D(10 10 1)"},
                {"Wood/notes", "QString \"Walnut\""},
                {"archive/notes", "QString \"Walnut\""},
                {"Wood/pattern", "int 2"},
                {"archive/pattern", "int 2"},
                {"Wood/roughness", "float 0.6"},
                {"archive/roughness", "float 0.6"},
                {"Wood/tiling", "QVector2D QVector2D(4 4)"},
                {"archive/tiling", "QVector2D QVector2D(4 4)"},
                {"Wood/tint", "QVector3D QVector3D(0.35 0.2 0.1)"},
                {"archive/tint", "QVector3D QVector3D(0.35 0.2 0.1)"},
                {"lastActivatedPreset", "1"}};
    }

    /// The signals of writing the Dark Walnut values (\p to), or the values before them.
    static oxEvents walnutWrites(const USubstanceMaterialPtr& m, bool to)
    {
        return {changed(m, "$outputsize", to ? "QOXIntVector3D QOXIntVector3D(10 10 1)" : "QOXIntVector3D QOXIntVector3D(9 9 1)"),
                changed(m, "notes", to ? "QString \"Walnut\"" : "QString \"Oak\""),
                changed(m, "pattern", to ? "int 2" : "int 1"),
                changed(m, "roughness", to ? "float 0.6" : "float 0.35"),
                changed(m, "tiling", to ? "QVector2D QVector2D(4 4)" : "QVector2D QVector2D(2 2)"),
                changed(m, "tint", to ? "QVector3D QVector3D(0.35 0.2 0.1)" : "QVector3D QVector3D(0.8 0.6 0.4)")};
    }

    /// \p first followed by \p rest.
    static oxEvents joined(oxEvents first, const oxEvents& rest)
    {
        first.insert(first.end(), rest.begin(), rest.end());
        return first;
    }
};

TEST_F(GraphUndoCommandsTest, ApplyWritesTheChangedValuesAndUndoRestoresThem)
{
    const USubstanceMaterialPtr m = wood();
    auto check = checker(m);
    const std::string applied = signal("presetApplied", m);
    check->push(new Apply(m, 1, false, nullptr), walnut(),
                joined({"renderTextures", applied}, walnutWrites(m, true)));
    check->undo(joined({"renderTextures", applied}, walnutWrites(m, false)));
    check->redo(joined({"renderTextures", applied}, walnutWrites(m, true)));
    check->undo(joined({"renderTextures", applied}, walnutWrites(m, false)));
    EXPECT_TRUE(logLines().empty());
}

TEST_F(GraphUndoCommandsTest, PresetEqualToTheCurrentValuesStillSetsPresetAndSyncFlagAndRenders)
{
    const USubstanceMaterialPtr m = wood();
    const unsigned current = addPreset(m, "Current", oxSubstancePresetUtils::fetchPresetContent(m));
    auto check = checker(m);
    const std::string applied = signal("presetApplied", m);
    check->push(new Apply(m, current, false, nullptr), {{"lastActivatedPreset", "3"}}, {"renderTextures", applied});
    check->undo({"renderTextures", applied});
    check->redo({"renderTextures", applied});
    check->undo({"renderTextures", applied});
}

TEST_F(GraphUndoCommandsTest, OutputSizeSyncFlag)
{
    const struct
    {
        const char* what;
        bool defaultSize;
        bool materialSync;
        bool archiveDefault;
        std::string content;
        bool expected;
    } cases[] = {
        {"default size, archive default on", true, false, true, presetXml("P", outputSizeInput("10,9")), true},
        {"default size, archive default off", true, true, false, presetXml("P", outputSizeInput("10,10")), false},
        {"square size", false, true, true, presetXml("P", outputSizeInput("10,10")), true},
        {"size that is not square", false, true, true, presetXml("P", outputSizeInput("10,9")), false},
        {"no size in the preset keeps the square one", false, true, true, presetXml("P", ""), true},
        {"a size the archive cannot report", false, true, true, presetXml("P", outputSizeInput("40,40")), true},
        {"material not in sync", false, false, true, presetXml("P", outputSizeInput("10,10")), false},
        // The archive cannot apply the preset: the flag stays as it was.
        {"unreadable preset, flag on", true, true, false, "not a preset", true},
        {"unreadable preset, flag off", true, false, true, "not a preset", false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        QSubstanceArchive::setDefaultSyncOutputSize(c.archiveDefault);
        const USubstanceMaterialPtr m = wood();
        const unsigned index = addPreset(m, "P", c.content);
        setSync(m, c.materialSync);
        QUndoStack stack;
        stack.push(new Apply(m, index, c.defaultSize, nullptr));
        EXPECT_EQ(m->getSyncOutputSize(), c.expected);
        EXPECT_EQ(m->getLastActivatedPreset(), int(index));
        stack.undo();
        EXPECT_EQ(m->getSyncOutputSize(), c.materialSync);
        EXPECT_EQ(m->getLastActivatedPreset(), -1);
        stack.redo();
        EXPECT_EQ(m->getSyncOutputSize(), c.expected);
    }
}

TEST_F(GraphUndoCommandsTest, CacheRendersAndCachesFirstAndAppliesTheCacheLater)
{
    oxSubstancePresetUtils::enableCache(true);
    const USubstanceMaterialPtr m = wood();
    CountingRenderer renderer;
    auto check = checker(m);
    const std::string applied = signal("presetApplied", m);
    check->push(new Apply(m, 1, false, nullptr), walnut(), joined({"renderTextures", applied}, walnutWrites(m, true)));
    EXPECT_TRUE(m->isPresetCached(1));
    const std::string rendered = textures(m);
    // Undo never uses the cache.
    check->undo(joined({"renderTextures", applied}, walnutWrites(m, false)));
    EXPECT_NE(textures(m), rendered);
    check->redo(joined({applied}, walnutWrites(m, true)));
    EXPECT_EQ(textures(m), rendered);
    EXPECT_EQ(renderer.updated, std::vector<unsigned>{m->getId()});

    // Without a renderer the cached textures still come back.
    oxSubstanceRenderer::setInstance(nullptr);
    check->undo(joined({"renderTextures", applied}, walnutWrites(m, false)));
    check->redo(joined({applied}, walnutWrites(m, true)));
    EXPECT_EQ(textures(m), rendered);
    EXPECT_EQ(renderer.updated.size(), 1u);
}

TEST_F(GraphUndoCommandsTest, CachedAppliesShowTheTexturesOfUncachedOnes)
{
    // The same edits with the cache off and on, through reorders, a recapture
    // and a change of the state that a preset leaves alone (the output size).
    const auto run = [this](bool cache, int& fromCache) {
        oxSubstancePresetUtils::enableCache(cache);
        const USubstanceMaterialPtr m = wood();
        CountingRenderer renderer;
        QUndoStack stack;
        Names shown;
        const auto step = [&](QUndoCommand* command) {
            if (command)
                stack.push(command);
            shown.push_back(textures(m));
        };
        const auto undo = [&] {
            stack.undo();
            shown.push_back(textures(m));
        };
        const auto redo = [&] {
            stack.redo();
            shown.push_back(textures(m));
        };
        step(new Apply(m, 1, false, nullptr)); // Dark Walnut
        undo();
        redo();
        step(new Apply(m, 0, false, nullptr)); // Light Oak, at Dark Walnut's size
        step(new oxReorderPresetsUndoCommand(m, {1, 0, 2}, nullptr));
        step(new Apply(m, 1, false, nullptr)); // Light Oak
        step(new Apply(m, 0, false, nullptr)); // Dark Walnut
        undo();
        undo();
        undo();
        redo();
        redo();
        step(new Apply(m, 1, false, nullptr)); // Light Oak again
        step(oxSubstancePropertyUndoCommand::create(m, "Wood", "roughness", 0.9f));
        step(new oxRecapturePresetUndoCommand(m, m->getSubstancePresets()[0], nullptr));
        step(new Apply(m, 1, false, nullptr)); // Light Oak
        step(new Apply(m, 0, false, nullptr)); // Dark Walnut as recaptured
        undo();
        redo();
        step(new Reset(m, nullptr));           // back to the default size
        step(new Apply(m, 1, false, nullptr)); // Light Oak at the default size
        fromCache = int(renderer.updated.size());
        stack.clear();
        m->clearPresetCache();
        return shown;
    };
    int uncachedHits = 0;
    int cachedHits = 0;
    const Names uncached = run(false, uncachedHits);
    const Names cached = run(true, cachedHits);
    ASSERT_EQ(cached.size(), uncached.size());
    for (std::size_t i = 0; i < cached.size(); ++i)
        EXPECT_EQ(cached[i], uncached[i]) << "step " << i;
    EXPECT_EQ(uncachedHits, 0);
    EXPECT_GE(cachedHits, 3) << "the redone applies come from the cache";
    EXPECT_GE(std::set<std::string>(uncached.begin(), uncached.end()).size(), 4u) << "the steps show different textures";
}

TEST_F(GraphUndoCommandsTest, ApplyThatCannotActDoesNothingNowOrLater)
{
    const USubstanceMaterialPtr m = wood();
    USubstanceMaterialPtr empty = hold(USubstanceMaterial::create());
    empty->addPreset(SubstancePreset::create("P", presetXml("P", ""), ""));
    const struct
    {
        const char* what;
        USubstanceMaterialPtr material;
        unsigned index;
        bool hide;
    } cases[] = {
        {"index past the presets", m, 3, false},
        {"archive that holds nothing", empty, 0, false},
        {"material absent at the first redo", m, 0, true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        const oxStateSnapshot before = oxMaterialState(c.material);
        QUndoStack stack;
        if (c.hide)
            oxStandIn::hideContainer(c.material);
        stack.push(new Apply(c.material, c.index, false, nullptr));
        oxStandIn::showContainer(c.material);
        stack.undo();
        stack.redo();
        stack.undo();
        stack.redo();
        EXPECT_EQ(oxMaterialState(c.material), before);
        EXPECT_EQ(events->take(), oxEvents());
    }
}

// A material that goes away after the first redo gets nothing written and nothing announced.
TEST_F(GraphUndoCommandsTest, StepsOfAMaterialThatIsGoneDoNothing)
{
    const USubstanceMaterialPtr m = wood();
    const std::function<QUndoCommand*()> commands[] = {[&] { return new Apply(m, 1, false, nullptr); },
                                                       [&] { return new Reset(m, nullptr); }};
    for (const auto& command : commands)
    {
        QUndoStack stack;
        stack.push(command());
        events->take();
        const oxStateSnapshot applied = oxMaterialState(m);
        oxStandIn::hideContainer(m);
        stack.undo();
        stack.redo();
        stack.undo();
        oxStandIn::showContainer(m);
        EXPECT_EQ(oxMaterialState(m), applied);
        EXPECT_EQ(events->take(), oxEvents());
        stack.redo();
        EXPECT_EQ(oxMaterialState(m), applied) << "the step runs again once the material is back";
        EXPECT_FALSE(events->take().empty());
        stack.undo();
        events->take();
    }
}

TEST_F(GraphUndoCommandsTest, ResetWritesTheDefaultsAndAtDefaultsOnlyRenders)
{
    const USubstanceMaterialPtr m = wood();
    auto check = checker(m);
    const oxEvents toDefaults{"renderTextures", changed(m, "pattern", "int 0"), changed(m, "roughness", "float 0.5"),
                              changed(m, "tiling", "QVector2D QVector2D(1 1)")};
    const oxEvents back{"renderTextures", changed(m, "pattern", "int 1"), changed(m, "roughness", "float 0.35"),
                        changed(m, "tiling", "QVector2D QVector2D(2 2)")};
    check->push(new Reset(m, nullptr),
                {{"Wood/pattern", "int 0"},
                 {"archive/pattern", "int 0 *"},
                 {"Wood/roughness", "float 0.5"},
                 {"archive/roughness", "float 0.5 *"},
                 {"Wood/tiling", "QVector2D QVector2D(1 1)"},
                 {"archive/tiling", "QVector2D QVector2D(1 1) *"}},
                toDefaults);
    check->push(new Reset(m, nullptr), {}, {"renderTextures"});
    check->undo({"renderTextures"});
    check->undo(back);
    check->redo(toDefaults);
    check->redo({"renderTextures"});
}

TEST_F(GraphUndoCommandsTest, ResetFetchesAtTheFirstRedoThatFindsTheMaterial)
{
    const USubstanceMaterialPtr m = wood();
    const oxStateSnapshot before = oxMaterialState(m);
    QUndoStack stack;
    oxStandIn::hideContainer(m);
    stack.push(new Reset(m, nullptr));
    stack.undo();
    oxStandIn::showContainer(m);
    EXPECT_EQ(oxMaterialState(m), before);
    EXPECT_EQ(events->take(), oxEvents());
    stack.redo();
    EXPECT_EQ(events->take(), oxEvents({"renderTextures", changed(m, "pattern", "int 0"),
                                        changed(m, "roughness", "float 0.5"),
                                        changed(m, "tiling", "QVector2D QVector2D(1 1)")}));
    stack.undo();
    EXPECT_EQ(oxMaterialState(m), before);
    EXPECT_EQ(events->take().size(), 4u);

    // An archive that holds nothing: nothing is recorded, and the steps render nothing.
    stack.clear();
    oxSubstanceArchiveFactory::instance().releaseMaterialArchive(m->getId());
    stack.push(new Reset(m, nullptr));
    stack.undo();
    stack.redo();
    EXPECT_EQ(events->take(), oxEvents());
}

TEST_F(GraphUndoCommandsTest, InputsThatTheMaterialLacksAreReportedAndLeftOut)
{
    const struct
    {
        const char* what;
        void (*damage)(const USubstanceMaterialPtr&);
        const char* untouched; ///< the attribute that the reset cannot write
        Names log;
    } cases[] = {
        {"group renamed",
         [](const USubstanceMaterialPtr& m) {
             const AttributeGroupPtr group = m->getActiveGraph()->getAttributeGroup("Pattern");
             osgEdit edit(group, AttributeGroup::NameFieldMask);
             group->setName("Layout");
         },
         "Wood/pattern",
         {"error: Unable to apply parameter to material M, group: Pattern, property knots: Group not found.",
          "error: Unable to apply parameter to material M, group: Pattern, property pattern: Group not found.",
          "error: Unable to apply parameter to material M, group: Pattern, property region: Group not found.",
          "error: Unable to apply parameter to material M, group: Pattern, property tiling: Group not found."}},
        {"attribute with another identifier",
         [](const USubstanceMaterialPtr& m) {
             const AttributeValuePtr value = m->getActiveGraph()->getAttributeGroup("Pattern")->getAttribute("pattern");
             osgEdit edit(value, AttributeValue::UuidFieldMask);
             value->setUuid("layout");
         },
         "Wood/layout",
         {"error: Unable to apply parameter to material M, group: Pattern, property pattern: Property not found."}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        const USubstanceMaterialPtr m = wood();
        c.damage(m);
        oxStandIn::clearLogMessages();
        QUndoStack stack;
        stack.push(new Reset(m, nullptr));
        EXPECT_EQ(logLines(), c.log);
        // The reset writes roughness, and not the pattern that it cannot find.
        EXPECT_EQ(oxMaterialState(m)["Wood/roughness"], "float 0.5");
        EXPECT_EQ(oxMaterialState(m)[c.untouched], "int 1");
        stack.undo();
        stack.redo();
        EXPECT_EQ(logLines(), c.log) << "reported once, at the first redo";
    }
}

TEST_F(GraphUndoCommandsTest, UndoTextsAndCommandIds)
{
    const USubstanceMaterialPtr m = wood();
    const std::unique_ptr<oxUndoCommand> apply = std::make_unique<Apply>(m, 0, false, nullptr);
    const std::unique_ptr<oxUndoCommand> reset = std::make_unique<Reset>(m, nullptr);
    EXPECT_EQ(apply->text(), "Apply substance preset");
    EXPECT_EQ(reset->text(), "Reset substance graph");
    EXPECT_EQ(apply->undoString().category(), "Material Commands");
    EXPECT_EQ(reset->undoString().category(), "Material Commands");
    EXPECT_EQ(apply->id(), Apply::commandId());
    EXPECT_EQ(reset->id(), Reset::commandId());
    EXPECT_NE(Apply::commandId(), Reset::commandId());
    EXPECT_FALSE(apply->canMergeWith(apply.get()));
    EXPECT_FALSE(reset->canMergeWith(reset.get()));
}

} // namespace
