// The seven undo commands through a real QUndoStack, the whole state of the
// material compared after every step: property edits and their merging, apply
// preset and reset graph with the output-size sync flag and the render cache,
// the preset list commands with the references they hold, and what every
// command does for a material that is gone.

#include "oxCommandTest.h"

#include "oxSubstanceAttributeSync.h"
#include "oxSubstanceMaterialModifier.h"
#include "oxSubstancePresetUtils.h"
#include "oxSubstanceUndoCommands.h"

#include "host/OSGImage.h"
#include "host/QSubstanceArchive.h"
#include "host/oxdImage.h"

#include <QUndoStack>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <typeinfo>

namespace {

using Property = oxSubstancePropertyUndoCommand;
using Apply = oxApplySubstancePresetUndoCommand;
using Reset = oxResetSubstanceGraphUndoCommand;
using Presets = std::vector<SubstancePresetPtr>;
using Indexes = std::vector<unsigned>;
using Names = std::vector<std::string>;

/// Reaches the time stamp that the host's undo base keeps for merging.
struct StampAccess : oxUndoCommand
{
    static quint64& stamp(oxUndoCommand* command) { return command->*(&StampAccess::m_mergeTimeStamp); }
};

QVariant image(const ImagePtr& image) { return QVariant::fromValue(oxdImage(image->getId())); }

/// Counts the renderer's notifications while it is installed.
struct CountingRenderer : oxSubstanceRenderer
{
    CountingRenderer() { oxSubstanceRenderer::setInstance(this); }
    ~CountingRenderer() override { oxSubstanceRenderer::setInstance(nullptr); }
    void materialUpdated(unsigned materialId) override { updated.push_back(materialId); }
    std::vector<unsigned> updated;
};

std::string sizePreset(const char* size)
{
    return "<sbspreset pkgurl=\"pkg://materials/wood\" label=\"P\">" +
           (size ? std::string("<presetinput identifier=\"$outputsize\" uid=\"1\" type=\"8\" value=\"") + size + "\"/>"
                 : std::string()) +
           "</sbspreset>";
}

class UndoCommandsTest : public oxCommandTest
{
protected:
    /// What the colour components show: whether each uses its texture and its image's colour.
    static std::string textures(const USubstanceMaterialPtr& m)
    {
        std::string text;
        for (const ComponentSettingsPtr& c : m->getColorComponentData()->getAllComponents())
        {
            const ImagePtr image = c->getImage();
            text += (c->getUseTexture() ? "on " : "off ") +
                    (image.isNull() ? std::string("none") : std::to_string(image->getPixel(0, 0)[0])) + "; ";
        }
        return text;
    }

    /// The facts of applying "Dark Walnut" to the Wood sample.
    static oxStateSnapshot walnut()
    {
        oxStateSnapshot facts{{"lastActivatedPreset", "1"}};
        for (const auto& [id, value] : std::map<std::string, std::string>{
                 {"$outputsize", "QOXIntVector3D QOXIntVector3D(10 10 1)"}, {"notes", "QString \"Walnut\""},
                 {"pattern", "int 2"}, {"roughness", "float 0.6"}, {"tiling", "QVector2D QVector2D(4 4)"},
                 {"tint", "QVector3D QVector3D(0.35 0.2 0.1)"}})
            facts["Wood/" + id] = facts["archive/" + id] = value;
        return facts;
    }

    /// The signals of an apply of Dark Walnut (\p to) or of its undo, after \p first.
    static oxEvents walnutEvents(const USubstanceMaterialPtr& m, bool to, oxEvents first)
    {
        first.push_back(signal("presetApplied", m));
        const std::pair<const char*, const char*> values[] = {
            {"$outputsize", to ? "QOXIntVector3D QOXIntVector3D(10 10 1)" : "QOXIntVector3D QOXIntVector3D(9 9 1)"},
            {"notes", to ? "QString \"Walnut\"" : "QString \"Oak\""},
            {"pattern", to ? "int 2" : "int 1"},
            {"roughness", to ? "float 0.6" : "float 0.35"},
            {"tiling", to ? "QVector2D QVector2D(4 4)" : "QVector2D QVector2D(2 2)"},
            {"tint", to ? "QVector3D QVector3D(0.35 0.2 0.1)" : "QVector3D QVector3D(0.8 0.6 0.4)"}};
        for (const auto& [id, value] : values)
            first.push_back(changed(m, id, value));
        return first;
    }

    /// The Wood sample with \p count presets (its three, then copies of the first), remembered as p0, p1, ...
    USubstanceMaterialPtr withPresets(std::size_t count)
    {
        const USubstanceMaterialPtr m = wood();
        while (m->getSubstancePresets().size() < count)
            m->addPreset(SubstancePreset::create("Extra " + std::to_string(m->getSubstancePresets().size()),
                                                 m->getSubstancePresets()[0]->getContent(), ""));
        while (m->getSubstancePresets().size() > count)
            m->removePreset(m->getSubstancePresets().back());
        known.assign(m->getSubstancePresets().begin(), m->getSubstancePresets().end());
        return m;
    }

    /// A new preset that is on no material, remembered as the next p.
    SubstancePresetPtr newPreset(const std::string& name)
    {
        known.push_back(SubstancePreset::create(name, known.at(0)->getContent(), ""));
        return known.back();
    }

    /// The list as the remembered presets that fill it ("p0 p2 p4"; "p?" for another).
    std::string listOf(const USubstanceMaterialPtr& m) const
    {
        std::string text;
        for (const SubstancePresetPtr& preset : m->getSubstancePresets())
        {
            const auto it = std::find(known.begin(), known.end(), preset);
            text += (text.empty() ? "p" : " p") + (it == known.end() ? "?" : std::to_string(it - known.begin()));
        }
        return text;
    }

    /// Reference counts of the remembered presets, by their ids taken now ("1 2 gone").
    std::function<std::string()> refs() const
    {
        std::vector<osg::UInt32> ids;
        for (const SubstancePresetPtr& preset : known)
            ids.push_back(preset->getId());
        return [ids] {
            std::string text;
            for (osg::UInt32 id : ids)
            {
                const std::string state = oxContainerState(id);
                text += (text.empty() ? "" : " ") + (state == "gone" ? state : state.substr(5));
            }
            return text;
        };
    }

    /// A checker whose state shows the list as listOf() instead of each preset's text.
    std::unique_ptr<oxUndoChecker> listChecker(const USubstanceMaterialPtr& m)
    {
        return checker(m, [this, m](oxStateSnapshot& state) {
            for (auto it = state.begin(); it != state.end();)
                it = it->first.compare(0, 7, "preset/") == 0 ? state.erase(it) : std::next(it);
            state["slots"] = listOf(m);
        });
    }

    Presets known;
};

// ---------------------------------------------------------------- property command

TEST_F(UndoCommandsTest, EditsOfOnePropertyMergeAndUndoToTheValueBeforeTheFirst)
{
    oxUndoCommand::setMergeInterval(-1);
    const USubstanceMaterialPtr m = wood();
    auto c = checker(m);
    c->push(Property::create(m, "Wood", "roughness", 0.5f),
            {{"Wood/roughness", "float 0.5"}, {"archive/roughness", "float 0.5 *"}},
            {"renderTextures", changed(m, "roughness", "float 0.5")});
    // By label, as the host's panels name it: another property, so no merge.
    c->push(Property::create(m, "Wood", "Roughness", 0.7f),
            {{"Wood/roughness", "float 0.7"}, {"archive/roughness", "float 0.7"}},
            {"renderTextures", changed(m, "Roughness", "float 0.7")});
    c->push(Property::create(m, "Wood", "Roughness", 0.9f),
            {{"Wood/roughness", "float 0.9"}, {"archive/roughness", "float 0.9"}},
            {"renderTextures", changed(m, "Roughness", "float 0.9")});
    EXPECT_EQ(c->stack().count(), 2);
    c->undo({"renderTextures", changed(m, "Roughness", "float 0.5")});
    c->undo({"renderTextures", changed(m, "roughness", "float 0.35")});
    c->redo({"renderTextures", changed(m, "roughness", "float 0.5")});
    c->redo({"renderTextures", changed(m, "Roughness", "float 0.9")});

    // Another property, graph or material never merges.
    const USubstanceMaterialPtr other = wood("N");
    const std::tuple<USubstanceMaterialPtr, const char*, const char*> others[] = {
        {m, "Wood", "pattern"}, {m, "wood", "Roughness"}, {other, "Wood", "Roughness"}};
    for (const auto& [material, graph, property] : others)
    {
        QUndoStack stack;
        stack.push(Property::create(m, "Wood", "Roughness", 0.5f));
        stack.push(Property::create(material, graph, property, 1));
        EXPECT_EQ(stack.count(), 2) << graph << " " << property;
    }
}

TEST_F(UndoCommandsTest, MergeFollowsTheHostRuleAndCarriesItsTimeStamp)
{
    oxUndoCommand::setMergeInterval(1000);
    const USubstanceMaterialPtr m = wood();
    QUndoStack stack;
    const quint64 t0 = 1700000000000ull;
    const quint64 stamps[] = {t0, t0 + 800, t0 + 1600, t0 + 3000};
    const int counts[] = {1, 1, 1, 2}; // the third is within 1000 ms of the second, which the first took over
    for (int i = 0; i < 4; ++i)
    {
        Property* command = Property::create(m, "Wood", "roughness", 0.1f * float(i));
        StampAccess::stamp(command) = stamps[i];
        stack.push(command);
        EXPECT_EQ(stack.count(), counts[i]) << i;
    }
}

TEST_F(UndoCommandsTest, PropertyWritesThatDoNothingOrChangeNoArchiveValue)
{
    const USubstanceMaterialPtr m = wood();
    auto c = checker(m);
    c->push(Property::create(m, "Wood", "missing", 0.5f), {}, {});
    c->push(Property::create(m, "Other", "roughness", 0.5f), {}, {});
    c->push(Property::create(m, "Wood", "roughness", QVariant()), {}, {});
    // An unchanged archive value is not rendered but still announced.
    c->push(Property::create(m, "Wood", "Roughness", 0.35f), {}, {changed(m, "Roughness", "float 0.35")});
    // Written as a double, stored as the attribute's int.
    c->push(Property::create(m, "Wood", "pattern", 2.0), {{"Wood/pattern", "int 2"}, {"archive/pattern", "int 2"}},
            {"renderTextures", changed(m, "pattern", "double 2")});
    c->undo({"renderTextures", changed(m, "pattern", "int 1")});
    c->undo({changed(m, "Roughness", "float 0.35")});
    // The invalid value's undo value was read and is written back, unchanged.
    c->undo({changed(m, "roughness", "float 0.35")});
    c->undo({});
    EXPECT_EQ(Property::create(USubstanceMaterialPtr(), "Wood", "roughness", 0.5f), nullptr);
}

TEST_F(UndoCommandsTest, FetchedUndoValueIsNotReadAgainAndImagesLiveWhileACommandStoresThem)
{
    const USubstanceMaterialPtr m = wood();
    {
        QUndoStack stack;
        Property* command = Property::create(m, "Wood", "roughness", 0.9f);
        command->fetchUndoValue();
        oxSubstanceAttributeSync().setOsgAttribute(m, "Wood", "roughness", 0.6f);
        stack.push(command);
        stack.undo();
        EXPECT_EQ(oxMaterialState(m)["Wood/roughness"], "float 0.35");
    }

    oxUndoCommand::setMergeInterval(-1);
    const ImagePtr images[] = {osg::Image::create(), osg::Image::create(), osg::Image::create()};
    std::string name[3];
    osg::UInt32 ids[3];
    for (int i = 0; i < 3; ++i)
    {
        ids[i] = images[i]->getId();
        name[i] = "oxdImage oxdImage(" + std::to_string(ids[i]) + ")";
    }
    const auto refs = [&ids] { return Names{oxContainerState(ids[0]), oxContainerState(ids[1]), oxContainerState(ids[2])}; };
    oxSubstanceCommandSupport::applyPropertyValue(m, "Wood", "mask", image(images[0]), false);
    auto c = checker(m);
    EXPECT_EQ(refs(), (Names{"refs 2", "refs 0", "refs 0"})); // attribute and archive
    c->push(Property::create(m, "Wood", "mask", image(images[1])), {{"Wood/mask", name[1]}, {"archive/mask", name[1]}},
            {"renderTextures", changed(m, "mask", name[1])});
    // The command's undo value; its new value, the attribute and the archive.
    EXPECT_EQ(refs(), (Names{"refs 1", "refs 3", "refs 0"}));
    c->push(Property::create(m, "Wood", "mask", image(images[2])), {{"Wood/mask", name[2]}, {"archive/mask", name[2]}},
            {"renderTextures", changed(m, "mask", name[2])});
    // The merge took image 2 over from the newer command, which the stack deleted.
    EXPECT_EQ(refs(), (Names{"refs 1", "gone", "refs 3"}));
    c->undo({"renderTextures", changed(m, "mask", name[0])});
    EXPECT_EQ(refs(), (Names{"refs 3", "gone", "refs 1"}));
    c->stack().clear();
    EXPECT_EQ(refs(), (Names{"refs 2", "gone", "gone"}));

    // A second fetch replaces the value without keeping a reference of the first.
    const std::unique_ptr<Property> command(Property::create(m, "Wood", "mask", QVariant::fromValue(oxdImage())));
    command->fetchUndoValue();
    EXPECT_EQ(oxContainerState(ids[0]), "refs 3");
    oxSubstanceAttributeSync().setOsgAttribute(m, "Wood", "mask", QVariant::fromValue(oxdImage()));
    command->fetchUndoValue();
    EXPECT_EQ(oxContainerState(ids[0]), "refs 1") << "the archive's";
}

TEST_F(UndoCommandsTest, MissingServiceIsReportedAndTheEditStands)
{
    const USubstanceMaterialPtr m = wood();
    const std::size_t hash = typeid(oxSubstanceService).hash_code();
    const std::pair<bool, const char*> cases[] = {
        {false, "oxKernelServiceFactory: couldn't find class 'oxSubstanceService'!\n"},
        {true, "oxKernelServiceFactory: service 'oxSubstanceService' is NULL!\n"}};
    float value = 0.1f;
    for (const auto& [entry, message] : cases)
    {
        if (entry)
            oxKernelServiceFactory::the().registerService(hash, nullptr);
        else
            oxKernelServiceFactory::the().unregisterService(hash);
        QUndoStack stack;
        ::testing::internal::CaptureStderr();
        stack.push(Property::create(m, "Wood", "roughness", value += 0.1f));
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), message);
        EXPECT_EQ(oxMaterialState(m)["Wood/roughness"], oxDescribe(value));
    }
    EXPECT_EQ(events->take(), oxEvents({"renderTextures", "renderTextures"}));
}

// ---------------------------------------------------------------- apply preset and reset graph

TEST_F(UndoCommandsTest, ApplyWritesTheChangedValuesAndUndoRestoresThem)
{
    const USubstanceMaterialPtr m = wood();
    auto c = checker(m);
    c->push(new Apply(m, 1, false), walnut(), walnutEvents(m, true, {"renderTextures"}));
    c->undo(walnutEvents(m, false, {"renderTextures"}));
    c->redo(walnutEvents(m, true, {"renderTextures"}));
    c->undo(walnutEvents(m, false, {"renderTextures"}));

    // A preset equal to the current values still sets the preset and renders.
    m->addPreset("Current", oxSubstancePresetUtils::fetchPresetContent(m), "");
    auto current = checker(m);
    current->push(new Apply(m, 3, false), {{"lastActivatedPreset", "3"}}, {"renderTextures", signal("presetApplied", m)});
    current->undo({"renderTextures", signal("presetApplied", m)});
    EXPECT_TRUE(logLines().empty());
}

TEST_F(UndoCommandsTest, ApplySetsTheOutputSizeSyncFlag)
{
    const struct
    {
        const char* what;
        bool defaultSize, materialSync, archiveDefault;
        std::string content;
        bool expected;
    } cases[] = {
        {"default size, archive default on", true, false, true, sizePreset("10,9"), true},
        {"default size, archive default off", true, true, false, sizePreset("10,10"), false},
        {"square size", false, true, true, sizePreset("10,10"), true},
        {"size that is not square", false, true, true, sizePreset("10,9"), false},
        {"no size in the preset keeps the square one", false, true, true, sizePreset(nullptr), true},
        {"a size the archive cannot report", false, true, true, sizePreset("40,40"), true},
        {"material not in sync", false, false, true, sizePreset("10,10"), false},
        // The archive cannot apply the preset: the flag stays as it was.
        {"unreadable preset, flag on", true, true, false, "not a preset", true},
        {"unreadable preset, flag off", true, false, true, "not a preset", false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        QSubstanceArchive::setDefaultSyncOutputSize(c.archiveDefault);
        const USubstanceMaterialPtr m = wood();
        m->addPreset("P", c.content, "");
        {
            osgEdit edit(m, USubstanceMaterial::SyncOutputSizeFieldMask);
            m->setSyncOutputSize(c.materialSync);
        }
        QUndoStack stack;
        stack.push(new Apply(m, 3, c.defaultSize));
        EXPECT_EQ(m->getSyncOutputSize(), c.expected);
        EXPECT_EQ(m->getLastActivatedPreset(), 3);
        stack.undo();
        EXPECT_EQ(m->getSyncOutputSize(), c.materialSync);
        EXPECT_EQ(m->getLastActivatedPreset(), -1);
        stack.redo();
        EXPECT_EQ(m->getSyncOutputSize(), c.expected);
    }
}

TEST_F(UndoCommandsTest, CacheRendersAndCachesFirstAndAppliesTheCacheLater)
{
    oxSubstancePresetUtils::enableCache(true);
    const USubstanceMaterialPtr m = wood();
    CountingRenderer renderer;
    auto c = checker(m);
    c->push(new Apply(m, 1, false), walnut(), walnutEvents(m, true, {"renderTextures"}));
    EXPECT_TRUE(m->isPresetCached(1));
    const std::string rendered = textures(m);
    // Undo never uses the cache.
    c->undo(walnutEvents(m, false, {"renderTextures"}));
    EXPECT_NE(textures(m), rendered);
    c->redo(walnutEvents(m, true, {}));
    EXPECT_EQ(textures(m), rendered);
    EXPECT_EQ(renderer.updated, std::vector<unsigned>{m->getId()});

    // Without a renderer the cached textures still come back.
    oxSubstanceRenderer::setInstance(nullptr);
    c->undo(walnutEvents(m, false, {"renderTextures"}));
    c->redo(walnutEvents(m, true, {}));
    EXPECT_EQ(textures(m), rendered);
    EXPECT_EQ(renderer.updated.size(), 1u);
}

TEST_F(UndoCommandsTest, ApplyThatCannotActDoesNothingNowOrLater)
{
    const USubstanceMaterialPtr m = wood();
    USubstanceMaterialPtr empty = hold(USubstanceMaterial::create());
    empty->addPreset("P", sizePreset(nullptr), "");
    const std::tuple<const char*, USubstanceMaterialPtr, unsigned, bool> cases[] = {
        {"index past the presets", m, 3, false},
        {"archive that holds nothing", empty, 0, false},
        {"material absent at the first redo", m, 0, true}};
    for (const auto& [what, material, index, hide] : cases)
    {
        const oxStateSnapshot before = oxMaterialState(material);
        QUndoStack stack;
        if (hide)
            oxStandIn::hideContainer(material);
        stack.push(new Apply(material, index, false));
        oxStandIn::showContainer(material);
        stack.undo();
        stack.redo();
        stack.undo();
        EXPECT_EQ(oxMaterialState(material), before) << what;
        EXPECT_EQ(events->take(), oxEvents()) << what;
    }
}

TEST_F(UndoCommandsTest, ResetWritesTheDefaultsAndAtDefaultsOnlyRenders)
{
    const USubstanceMaterialPtr m = wood();
    auto c = checker(m);
    const oxEvents toDefaults{"renderTextures", changed(m, "pattern", "int 0"), changed(m, "roughness", "float 0.5"),
                              changed(m, "tiling", "QVector2D QVector2D(1 1)")};
    c->push(new Reset(m),
            {{"Wood/pattern", "int 0"}, {"archive/pattern", "int 0 *"}, {"Wood/roughness", "float 0.5"},
             {"archive/roughness", "float 0.5 *"}, {"Wood/tiling", "QVector2D QVector2D(1 1)"},
             {"archive/tiling", "QVector2D QVector2D(1 1) *"}},
            toDefaults);
    c->push(new Reset(m), {}, {"renderTextures"});
    c->undo({"renderTextures"});
    c->undo({"renderTextures", changed(m, "pattern", "int 1"), changed(m, "roughness", "float 0.35"),
             changed(m, "tiling", "QVector2D QVector2D(2 2)")});
    c->redo(toDefaults);

    // Fetched at the first redo that finds the material; nothing for an archive that holds nothing.
    c->stack().clear();
    oxStandIn::hideContainer(m);
    QUndoStack stack;
    stack.push(new Reset(m));
    stack.undo();
    oxStandIn::showContainer(m);
    EXPECT_EQ(events->take(), oxEvents());
    stack.redo();
    EXPECT_EQ(events->take().size(), 1u) << "already at the defaults";
    stack.clear();
    oxSubstanceArchiveFactory::instance().releaseMaterialArchive(m->getId());
    stack.push(new Reset(m));
    stack.undo();
    EXPECT_EQ(events->take(), oxEvents());
}

// ---------------------------------------------------------------- preset list commands

TEST_F(UndoCommandsTest, RemoveAndUndoGiveBackTheSamePresetsAtTheirPositions)
{
    const struct { bool byIndexes; Indexes indexes; const char* after; } cases[] = {
        {true, {3, 1}, "p0 p2 p4"},    {true, {1, 1}, "p0 p2 p3 p4"}, {true, {5, 2, 99}, "p0 p1 p3 p4"},
        {true, {}, "p0 p1 p2 p3 p4"}, {false, {3, 1, 3}, "p0 p2 p4"}, {false, {5, 0}, "p1 p2 p3 p4"},
        {false, {4, 0}, "p1 p2 p3"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.after);
        const USubstanceMaterialPtr m = withPresets(5);
        hold(newPreset("Stranger")); // p5, on no material
        const auto counts = refs();
        auto check = listChecker(m);
        Presets presets;
        for (unsigned i : c.indexes)
            presets.push_back(c.byIndexes ? SubstancePresetPtr() : known[i]);
        const std::string changed = signal("presetsChanged", m);
        check->push(c.byIndexes ? new oxRemoveSubstancePresetUndoCommand(m, c.indexes)
                                : new oxRemoveSubstancePresetUndoCommand(m, presets),
                    {{"slots", c.after}}, {changed});
        check->undo({changed});
        check->redo({changed});
        check->undo({changed});
        check->stack().clear();
        EXPECT_EQ(counts(), "1 1 1 1 1 1") << "the material's on its presets, the test's on the stranger";
    }
}

TEST_F(UndoCommandsTest, AddedAndRemovedPresetsLiveWhileACommandHoldsThem)
{
    const USubstanceMaterialPtr m = withPresets(5);
    const SubstancePresetPtr added = newPreset("Added");
    const auto counts = refs();
    auto check = listChecker(m);
    const std::string changed = signal("presetsChanged", m);
    check->push(new oxRemoveSubstancePresetUndoCommand(m, Indexes{3, 1}), {{"slots", "p0 p2 p4"}}, {changed});
    EXPECT_EQ(counts(), "1 1 1 1 1 0");
    check->push(new oxAddSubstancePresetUndoCommand(m, Presets{added}), {{"slots", "p0 p2 p4 p5"}}, {changed});
    EXPECT_EQ(counts(), "1 1 1 1 1 2");
    // Adding none still tells the host.
    check->push(new oxAddSubstancePresetUndoCommand(m, Presets{}), {}, {changed});
    check->undo({changed});
    check->undo({changed});
    EXPECT_EQ(counts(), "1 1 1 1 1 1") << "held by the add command alone";
    check->redo({changed});
    check->undo({changed});
    check->stack().clear();
    EXPECT_EQ(counts(), "1 gone 1 gone 1 gone");
    EXPECT_EQ(listOf(m), "p0 p2 p4");
    // A null slot is not removed.
    m->addPreset(SubstancePresetPtr());
    QUndoStack stack;
    stack.push(new oxRemoveSubstancePresetUndoCommand(m, Indexes{3}));
    EXPECT_EQ(listOf(m), "p0 p2 p4 p?");
}

TEST_F(UndoCommandsTest, ReorderAndUndo)
{
    const USubstanceMaterialPtr m = withPresets(3);
    const auto counts = refs();
    auto check = listChecker(m);
    const std::string changed = signal("presetsChanged", m);
    check->push(new oxReorderPresetsUndoCommand(m, Indexes{2, 0, 1}), {{"slots", "p2 p0 p1"}}, {changed});
    check->push(new oxReorderPresetsUndoCommand(m, Indexes{1, 2, 0}), {{"slots", "p0 p1 p2"}}, {changed});
    check->undo({changed});
    check->undo({changed});
    check->redo({changed});
    EXPECT_EQ(counts(), "1 1 1");

    // An order that is no permutation changes nothing, also once it would fit the list: judged at the first redo.
    for (const Indexes& order : {Indexes{1, 0}, Indexes{1, 0, 2, 3}, Indexes{0, 0, 1}, Indexes{0, 1, 3}, Indexes{}})
    {
        const USubstanceMaterialPtr n = withPresets(3);
        auto check = listChecker(n);
        check->push(new oxReorderPresetsUndoCommand(n, order), {}, {});
        check->undo({});
        n->addPreset(newPreset("Fourth"));
        check->stack().redo();
        EXPECT_EQ(listOf(n), "p0 p1 p2 p3") << ::testing::PrintToString(order);
        EXPECT_EQ(events->take(), oxEvents());
    }
}

TEST_F(UndoCommandsTest, RecaptureUndoRedoGivesTheFirstCapturedContentAndImages)
{
    const USubstanceMaterialPtr m = wood();
    const SubstancePresetPtr preset = m->getSubstancePresets()[1];
    const ImagePtr images[] = {hold(osg::Image::create()), hold(osg::Image::create())};
    // The preset caches image 0 from an earlier capture.
    oxSubstanceCommandSupport::applyPropertyValue(m, "Wood", "mask", image(images[0]), false);
    oxSubstancePresetUtils::captureContent(m, preset);
    oxSubstanceCommandSupport::applyPropertyValue(m, "Wood", "mask", image(images[1]), false);
    events->take();

    auto c = checker(m, [preset](oxStateSnapshot& state) {
        std::string ids;
        for (const ImagePtr& image : preset->getCachedImages())
            ids += std::to_string(image->getId()) + " ";
        state["cachedImages"] = ids;
    });
    const std::string listChanged = signal("presetsChanged", m);
    c->push(Property::create(m, "Wood", "roughness", 0.9f),
            {{"Wood/roughness", "float 0.9"}, {"archive/roughness", "float 0.9"}},
            {"renderTextures", changed(m, "roughness", "float 0.9")});
    c->push(new oxRecapturePresetUndoCommand(m, preset),
            {{"preset/1", preset->getName() + "\n" + oxSubstancePresetUtils::fetchPresetContent(m)},
             {"cachedImages", std::to_string(images[1]->getId()) + " "}},
            {listChanged});
    c->undo({listChanged});
    c->undo({"renderTextures", changed(m, "roughness", "float 0.35")});
    // Redone while the material is back at 0.35: the content of the first capture comes back.
    c->redo({"renderTextures", changed(m, "roughness", "float 0.9")});
    c->redo({listChanged});
}

TEST_F(UndoCommandsTest, RecaptureWaitsForAPresetAMaterialAndAState)
{
    const USubstanceMaterialPtr m = wood();
    const SubstancePresetPtr preset = m->getSubstancePresets()[0];
    const std::string before = preset->getContent();
    QUndoStack stack;
    stack.push(new oxRecapturePresetUndoCommand(m, SubstancePresetPtr()));
    stack.undo();
    stack.redo();
    EXPECT_EQ(events->take(), oxEvents()) << "no preset: nothing, ever";

    // An archive that holds nothing: the capture waits, and undo before it writes nothing.
    oxSubstanceArchiveFactory::instance().releaseMaterialArchive(m->getId());
    oxSubstanceAttributeSync().setOsgAttribute(m, "Wood", "roughness", 0.6f);
    stack.push(new oxRecapturePresetUndoCommand(m, preset));
    stack.undo();
    EXPECT_EQ(preset->getContent(), before);
    EXPECT_EQ(events->take(), oxEvents());

    // The archive is loaded again and takes the material's values: the next redo captures them.
    bool created = false;
    const auto archive = oxSubstanceArchiveFactory::instance().getMaterialArchive(m->getId(), created);
    QSubstanceBinaryDiskReader reader(QString::fromStdString(samplePath("materials.sbsar")), nullptr);
    ASSERT_TRUE(archive->import(reader));
    archive->updateInputs(m->getId());
    const std::string captured = oxSubstancePresetUtils::fetchPresetContent(m);
    ASSERT_NE(captured, before);
    stack.redo();
    EXPECT_EQ(preset->getContent(), captured);
    stack.undo();
    EXPECT_EQ(preset->getContent(), before);
    EXPECT_EQ(events->take(), oxEvents({signal("presetsChanged", m), signal("presetsChanged", m)}));
}

// ---------------------------------------------------------------- every command

// A material that goes away after the first redo gets nothing written and
// nothing announced (the list commands still announce, as their utilities
// accept a material that is gone); once back, the step runs again.
TEST_F(UndoCommandsTest, StepsOfAMaterialThatIsGoneDoNothing)
{
    const USubstanceMaterialPtr m = wood();
    const SubstancePresetPtr extra = hold(SubstancePreset::create("Extra", sizePreset(nullptr), ""));
    const std::pair<std::function<QUndoCommand*()>, bool> commands[] = {
        {[&] { return Property::create(m, "Wood", "roughness", 0.5f); }, false},
        {[&] { return new Apply(m, 1, false); }, false},
        {[&] { return new Reset(m); }, false},
        {[&] { return new oxAddSubstancePresetUndoCommand(m, Presets{extra}); }, true},
        {[&] { return new oxRemoveSubstancePresetUndoCommand(m, Indexes{0}); }, true},
        {[&] { return new oxRemoveSubstancePresetUndoCommand(m, Presets{m->getSubstancePresets()[1]}); }, true},
        {[&] { return new oxReorderPresetsUndoCommand(m, Indexes{2, 1, 0}); }, false},
        {[&] { return new oxRecapturePresetUndoCommand(m, m->getSubstancePresets()[0]); }, false},
    };
    for (std::size_t i = 0; i < std::size(commands); ++i)
    {
        SCOPED_TRACE(i);
        QUndoStack stack;
        stack.push(commands[i].first());
        events->take();
        const oxStateSnapshot done = oxMaterialState(m);
        oxStandIn::hideContainer(m);
        stack.undo();
        stack.redo();
        stack.undo();
        oxStandIn::showContainer(m);
        EXPECT_EQ(oxMaterialState(m), done);
        EXPECT_EQ(events->take(), commands[i].second ? oxEvents(3, signal("presetsChanged", m)) : oxEvents());
        stack.redo();
        if (!commands[i].second)
        {
            EXPECT_EQ(oxMaterialState(m), done) << "the step runs again once the material is back";
        }
        stack.undo();
        events->take();
    }
}

TEST_F(UndoCommandsTest, TextsIdsAndMerging)
{
    const USubstanceMaterialPtr m = wood("50% %2 off");
    const struct
    {
        std::unique_ptr<oxUndoCommand> command;
        int id;
        const char* text;
        const char* title;
        const char* category;
    } cases[] = {
        {std::unique_ptr<oxUndoCommand>(Property::create(m, "%1", "%3", 1)), Property::commandId(),
         "Setting substance property '%3' of material '50% %2 off' (graph '%1')", "Setting substance property",
         "Substance"},
        {std::make_unique<Apply>(m, 0, false), Apply::commandId(), "Apply substance preset", "", "Material Commands"},
        {std::make_unique<Reset>(m), Reset::commandId(), "Reset substance graph", "", "Material Commands"},
        {std::make_unique<oxAddSubstancePresetUndoCommand>(m, Presets{}), oxAddSubstancePresetUndoCommand::commandId(),
         "Add substance presets", "", "Material Commands"},
        {std::make_unique<oxRemoveSubstancePresetUndoCommand>(m, Indexes{}),
         oxRemoveSubstancePresetUndoCommand::commandId(), "Remove substance presets", "", "Material Commands"},
        {std::make_unique<oxReorderPresetsUndoCommand>(m, Indexes{}), oxReorderPresetsUndoCommand::commandId(),
         "Reorder substance presets", "", "Material Commands"},
        {std::make_unique<oxRecapturePresetUndoCommand>(m, SubstancePresetPtr()),
         oxRecapturePresetUndoCommand::commandId(), "Capture substance presets", "", "Material Commands"},
    };
    std::set<int> ids;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.command->id(), c.id);
        EXPECT_NE(c.id, -1);
        ids.insert(c.id);
        EXPECT_EQ(c.command->text(), c.text);
        EXPECT_EQ(c.command->undoString().title(), *c.title ? c.title : c.text);
        EXPECT_EQ(c.command->undoString().category(), c.category);
        EXPECT_EQ(c.command->canMergeWith(c.command.get()), c.id == Property::commandId());
    }
    EXPECT_EQ(ids.size(), std::size(cases));
    EXPECT_EQ(Property::commandId(), oxUndoCommand::makeId(typeid(Property)));
    EXPECT_EQ(static_cast<Property*>(cases[0].command.get())->getDescription(), cases[0].text);
    EXPECT_EQ(static_cast<Property*>(cases[0].command.get())->materialId(), m->getId());

    const ImagePtr notAMaterial = hold(osg::Image::create());
    EXPECT_EQ(oxSubstanceCommandSupport::findMaterial(m->getId()), m);
    EXPECT_TRUE(oxSubstanceCommandSupport::findMaterial(notAMaterial->getId()).isNull());
    EXPECT_TRUE(oxSubstanceCommandSupport::findMaterial(0).isNull());
    EXPECT_EQ(oxSubstanceCommandSupport::materialIdOf(USubstanceMaterialPtr()), 0u);
}

} // namespace
