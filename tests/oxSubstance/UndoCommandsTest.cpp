// The seven undo commands through a real QUndoStack, the whole state of the
// material compared after every step, and what each does for a material that is gone.

#include "oxCommandTest.h"

#include "oxSubstanceAttributeSync.h"
#include "oxSubstancePresetUtils.h"
#include "oxSubstanceUndoCommands.h"

#include "host/OSGImage.h"
#include "host/QSubstanceArchive.h"
#include "host/oxdImage.h"

#include <algorithm>
#include <set>
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

/// Dark Walnut against the Wood sample: identifier, value on Wood, value of the preset.
const char* const walnutValues[][3] = {
    {"$outputsize", "QOXIntVector3D QOXIntVector3D(9 9 1)", "QOXIntVector3D QOXIntVector3D(10 10 1)"},
    {"notes", "QString \"Oak\"", "QString \"Walnut\""},
    {"pattern", "int 1", "int 2"},
    {"roughness", "float 0.35", "float 0.6"},
    {"tiling", "QVector2D QVector2D(2 2)", "QVector2D QVector2D(4 4)"},
    {"tint", "QVector3D QVector3D(0.8 0.6 0.4)", "QVector3D QVector3D(0.35 0.2 0.1)"}};

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
        for (const auto& value : walnutValues)
            facts[std::string("Wood/") + value[0]] = facts[std::string("archive/") + value[0]] = value[2];
        return facts;
    }

    /// The events of applying Dark Walnut (\p to) or of its undo; \p rendered unless the cache served it.
    static oxEvents walnutEvents(const USubstanceMaterialPtr& m, bool to, bool rendered = true)
    {
        oxEvents events(rendered ? 1 : 0, "renderTextures");
        events.push_back(signal("presetApplied", m));
        for (const auto& value : walnutValues)
            events.push_back(changed(m, value[0], value[to ? 2 : 1]));
        return events;
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
                text += (text.empty() ? "" : " ") + state.substr(state == "gone" ? 0 : 5);
            }
            return text;
        };
    }

    Presets known; ///< the presets that listOf() and refs() name p0, p1, ...
};

// ---------------------------------------------------------------- property command

TEST_F(UndoCommandsTest, PropertyEditsMergeOrDoNothingAndUndoToTheValueBeforeTheFirst)
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
    // Writes that find nothing to write (the first, of another graph, must not merge); an unchanged archive value
    // is not rendered but still announced.
    c->push(Property::create(m, "Other", "Roughness", 0.5f), {}, {});
    c->push(Property::create(m, "Wood", "missing", 0.5f), {}, {});
    c->push(Property::create(m, "Wood", "roughness", QVariant()), {}, {});
    c->push(Property::create(m, "Wood", "Roughness", 0.9f), {}, {changed(m, "Roughness", "float 0.9")});
    // Written as a double, stored as the attribute's int.
    c->push(Property::create(m, "Wood", "pattern", 2.0), {{"Wood/pattern", "int 2"}, {"archive/pattern", "int 2"}},
            {"renderTextures", changed(m, "pattern", "double 2")});
    c->undo({"renderTextures", changed(m, "pattern", "int 1")});
    c->undo({changed(m, "Roughness", "float 0.9")});
    // The invalid value's undo value was read and is written back, unchanged.
    c->undo({changed(m, "roughness", "float 0.9")});
    c->undo({});
    c->undo({});
    c->undo({"renderTextures", changed(m, "Roughness", "float 0.5")});
    c->undo({"renderTextures", changed(m, "roughness", "float 0.35")});
    c->redo({"renderTextures", changed(m, "roughness", "float 0.5")});
    c->redo({"renderTextures", changed(m, "Roughness", "float 0.9")});
    EXPECT_EQ(Property::create(USubstanceMaterialPtr(), "Wood", "roughness", 0.5f), nullptr);

    // The host's rule on time stamps, which a merge carries over.
    oxUndoCommand::setMergeInterval(1000);
    QUndoStack stack;
    // Milliseconds after the first and the stack's count: the third is within 1000 ms of the second, which the
    // first took over.
    const std::pair<quint64, int> steps[] = {{0, 1}, {800, 1}, {1600, 1}, {3000, 2}};
    for (const auto& [after, count] : steps)
    {
        Property* command = Property::create(m, "Wood", "roughness", 0.0001f * float(after));
        StampAccess::stamp(command) = 1700000000000ull + after;
        stack.push(command);
        EXPECT_EQ(stack.count(), count) << after;
    }
    Property* other = Property::create(wood("N"), "Wood", "roughness", 0.5f);
    StampAccess::stamp(other) = 1700000000000ull + 3100;
    stack.push(other);
    EXPECT_EQ(stack.count(), 3) << "another material never merges";
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
    const osg::UInt32 ids[] = {images[0]->getId(), images[1]->getId(), images[2]->getId()};
    const auto name = [&ids](int i) { return "oxdImage oxdImage(" + std::to_string(ids[i]) + ")"; };
    const auto refs = [&ids] {
        return Names{oxContainerState(ids[0]), oxContainerState(ids[1]), oxContainerState(ids[2])};
    };
    oxSubstanceCommandSupport::applyPropertyValue(m, "Wood", "mask", image(images[0]), false);
    auto c = checker(m);
    EXPECT_EQ(refs(), (Names{"refs 2", "refs 0", "refs 0"})); // attribute and archive
    c->push(Property::create(m, "Wood", "mask", image(images[1])), {{"Wood/mask", name(1)}, {"archive/mask", name(1)}},
            {"renderTextures", changed(m, "mask", name(1))});
    // The command's undo value; its new value, the attribute and the archive.
    EXPECT_EQ(refs(), (Names{"refs 1", "refs 3", "refs 0"}));
    c->push(Property::create(m, "Wood", "mask", image(images[2])), {{"Wood/mask", name(2)}, {"archive/mask", name(2)}},
            {"renderTextures", changed(m, "mask", name(2))});
    // The merge took image 2 over from the newer command, which the stack deleted.
    EXPECT_EQ(refs(), (Names{"refs 1", "gone", "refs 3"}));
    c->undo({"renderTextures", changed(m, "mask", name(0))});
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
    float value = 0.1f;
    // No entry for the service, then a null one.
    oxKernelServiceFactory::the().unregisterService(hash);
    for (const char* message : {"oxKernelServiceFactory: couldn't find class 'oxSubstanceService'!\n",
                                "oxKernelServiceFactory: service 'oxSubstanceService' is NULL!\n"})
    {
        QUndoStack stack;
        ::testing::internal::CaptureStderr();
        stack.push(Property::create(m, "Wood", "roughness", value += 0.1f));
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), message);
        EXPECT_EQ(oxMaterialState(m)["Wood/roughness"], oxDescribe(value));
        oxKernelServiceFactory::the().registerService(hash, nullptr);
    }
    EXPECT_EQ(events->take(), oxEvents({"renderTextures", "renderTextures"}));
}

// ---------------------------------------------------------------- apply preset and reset graph

TEST_F(UndoCommandsTest, ApplyWritesTheChangedValuesUsesTheCacheOnceFilledAndUndoRestores)
{
    const USubstanceMaterialPtr m = wood();
    // A preset equal to the current values still sets the preset and renders.
    m->addPreset("Current", oxSubstancePresetUtils::fetchPresetContent(m), "");
    auto c = checker(m);
    c->push(new Apply(m, 3, false), {{"lastActivatedPreset", "3"}}, {"renderTextures", signal("presetApplied", m)});
    c->undo({"renderTextures", signal("presetApplied", m)});

    CountingRenderer renderer;
    c->push(new Apply(m, 1, false), walnut(), walnutEvents(m, true));
    c->undo(walnutEvents(m, false));
    c->redo(walnutEvents(m, true));
    // With the cache on, a redo renders and caches, later ones take the cache; undo always renders.
    oxSubstancePresetUtils::enableCache(true);
    c->undo(walnutEvents(m, false));
    c->redo(walnutEvents(m, true));
    const std::string rendered = textures(m);
    c->undo(walnutEvents(m, false));
    EXPECT_NE(textures(m), rendered);
    c->redo(walnutEvents(m, true, false));
    EXPECT_EQ(textures(m), rendered);
    EXPECT_EQ(renderer.updated, std::vector<unsigned>{m->getId()});
    // Without a renderer the cached textures still come back.
    oxSubstanceRenderer::setInstance(nullptr);
    c->undo(walnutEvents(m, false));
    c->redo(walnutEvents(m, true, false));
    EXPECT_EQ(textures(m), rendered);
    EXPECT_EQ(renderer.updated.size(), 1u);
    EXPECT_TRUE(logLines().empty());
}

TEST_F(UndoCommandsTest, ApplySetsTheOutputSizeSyncFlag)
{
    const struct { const char* what; bool defaultSize, materialSync, archiveSync; std::string content; bool expected; }
        cases[] = {
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
        QSubstanceArchive::setDefaultSyncOutputSize(c.archiveSync);
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
        stack.redo();
        EXPECT_EQ(m->getSyncOutputSize(), c.expected);
    }
}

// Judged at the first redo: none acts later either, also once a preset more would let it.
TEST_F(UndoCommandsTest, CommandsThatCannotActDoNothingNowOrLater)
{
    USubstanceMaterialPtr empty = hold(USubstanceMaterial::create());
    empty->addPreset("P", sizePreset(nullptr), "");
    using Reorder = oxReorderPresetsUndoCommand;
    using Make = std::function<QUndoCommand*(const USubstanceMaterialPtr&)>;
    const std::tuple<const char*, USubstanceMaterialPtr, Make, bool> cases[] = {
        {"apply of an index past the presets", wood(), [](auto m) { return new Apply(m, 3, false); }, false},
        {"apply to an archive that holds nothing", empty, [](auto m) { return new Apply(m, 0, false); }, false},
        {"apply to a material absent at the first redo", wood(), [](auto m) { return new Apply(m, 0, false); }, true},
        {"reset of an archive that holds nothing", empty, [](auto m) { return new Reset(m); }, false},
        {"no preset to capture", wood(), [](auto m) { return new oxRecapturePresetUndoCommand(m, {}); }, false},
        {"reorder of too few", wood(), [](auto m) { return new Reorder(m, Indexes{1, 0}); }, false},
        {"reorder of too many", wood(), [](auto m) { return new Reorder(m, Indexes{1, 0, 2, 3}); }, false},
        {"reorder that names one twice", wood(), [](auto m) { return new Reorder(m, Indexes{0, 0, 1}); }, false},
        {"reorder past the presets", wood(), [](auto m) { return new Reorder(m, Indexes{0, 1, 3}); }, false}};
    for (const auto& [what, material, make, hide] : cases)
    {
        SCOPED_TRACE(what);
        const oxStateSnapshot before = oxMaterialState(material);
        QUndoStack stack;
        if (hide)
            oxStandIn::hideContainer(material);
        stack.push(make(material));
        oxStandIn::showContainer(material);
        EXPECT_EQ(oxMaterialState(material), before);
        material->addPreset("Later", sizePreset(nullptr), "");
        const oxStateSnapshot later = oxMaterialState(material);
        stack.undo();
        stack.redo();
        stack.undo();
        EXPECT_EQ(oxMaterialState(material), later);
        EXPECT_EQ(events->take(), oxEvents());
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

    // Fetched at the first redo that finds the material.
    c->stack().clear();
    oxStandIn::hideContainer(m);
    QUndoStack stack;
    stack.push(new Reset(m));
    stack.undo();
    oxStandIn::showContainer(m);
    EXPECT_EQ(events->take(), oxEvents());
    stack.redo();
    EXPECT_EQ(events->take().size(), 1u) << "already at the defaults";
}

// ---------------------------------------------------------------- preset list commands

TEST_F(UndoCommandsTest, AddRemoveAndReorderHoldTheirPresetsAndUndoExactly)
{
    // Presets p0 to p4 on the material, p5 on none.
    const USubstanceMaterialPtr m = wood();
    for (const char* name : {"Extra 3", "Extra 4"})
        m->addPreset(SubstancePreset::create(name, m->getSubstancePresets()[0]->getContent(), ""));
    known.assign(m->getSubstancePresets().begin(), m->getSubstancePresets().end());
    const SubstancePresetPtr added = SubstancePreset::create("Added", known[0]->getContent(), "");
    known.push_back(added);
    const auto counts = refs();
    // The state shows the list as listOf() instead of each preset's text.
    auto check = checker(m, [this, m](oxStateSnapshot& state) {
        for (auto it = state.begin(); it != state.end();)
            it = it->first.compare(0, 7, "preset/") == 0 ? state.erase(it) : std::next(it);
        state["slots"] = listOf(m);
    });
    const std::string changed = signal("presetsChanged", m);
    // An index named twice counts once, one past the list not at all.
    check->push(new oxRemoveSubstancePresetUndoCommand(m, Indexes{3, 1, 3, 99}), {{"slots", "p0 p2 p4"}}, {changed});
    EXPECT_EQ(counts(), "1 1 1 1 1 0");
    check->push(new oxAddSubstancePresetUndoCommand(m, Presets{added}), {{"slots", "p0 p2 p4 p5"}}, {changed});
    EXPECT_EQ(counts(), "1 1 1 1 1 2");
    check->push(new oxReorderPresetsUndoCommand(m, Indexes{3, 0, 2, 1}), {{"slots", "p5 p0 p4 p2"}}, {changed});
    check->push(new oxReorderPresetsUndoCommand(m, Indexes{1, 3, 2, 0}), {{"slots", "p0 p2 p4 p5"}}, {changed});
    // By presets, the last and the first: one named twice counts once, one not on the material not at all.
    check->push(new oxRemoveSubstancePresetUndoCommand(m, Presets{added, known[1], known[0], added}),
                {{"slots", "p2 p4"}}, {changed});
    // Adding none still tells the host.
    check->push(new oxAddSubstancePresetUndoCommand(m, Presets{}), {}, {changed});
    for (int step = 0; step < 6; ++step)
        check->undo({changed});
    EXPECT_EQ(counts(), "2 2 1 2 1 2") << "the material's and each removing or adding command's";
    check->redo({changed});
    check->undo({changed});
    check->stack().clear();
    EXPECT_EQ(counts(), "1 1 1 1 1 gone");
    // A null slot is not removed.
    m->addPreset(SubstancePresetPtr());
    QUndoStack stack;
    stack.push(new oxRemoveSubstancePresetUndoCommand(m, Indexes{5}));
    EXPECT_EQ(listOf(m), "p0 p1 p2 p3 p4 p?");
}

// A capture waits for a state to capture; undo and redo give back the content
// and images of the first capture, whatever the material holds then.
TEST_F(UndoCommandsTest, RecaptureWaitsForAStateThenUndoAndRedoGiveItsContentAndImages)
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
    c->redo({"renderTextures", changed(m, "roughness", "float 0.9")});
    c->redo({listChanged});

    // An archive that holds nothing: the capture waits, and undo before it writes nothing.
    const std::string before = preset->getContent();
    oxSubstanceArchiveFactory::instance().releaseMaterialArchive(m->getId());
    oxSubstanceAttributeSync().setOsgAttribute(m, "Wood", "roughness", 0.6f);
    QUndoStack stack;
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
    EXPECT_EQ(events->take(), oxEvents(2, signal("presetsChanged", m)));
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
        EXPECT_TRUE(commands[i].second || oxMaterialState(m) == done) << "it runs again once the material is back";
        stack.undo();
        events->take();
    }
}

TEST_F(UndoCommandsTest, TextsIdsAndMerging)
{
    const USubstanceMaterialPtr m = wood("50% %2 off");
    Property* const property = Property::create(m, "%1", "%3", 1);
    const std::pair<std::unique_ptr<oxUndoCommand>, const char*> cases[] = {
        {std::unique_ptr<oxUndoCommand>(property),
         "Setting substance property '%3' of material '50% %2 off' (graph '%1')"},
        {std::make_unique<Apply>(m, 0, false), "Apply substance preset"},
        {std::make_unique<Reset>(m), "Reset substance graph"},
        {std::make_unique<oxAddSubstancePresetUndoCommand>(m, Presets{}), "Add substance presets"},
        {std::make_unique<oxRemoveSubstancePresetUndoCommand>(m, Indexes{}), "Remove substance presets"},
        {std::make_unique<oxReorderPresetsUndoCommand>(m, Indexes{}), "Reorder substance presets"},
        {std::make_unique<oxRecapturePresetUndoCommand>(m, SubstancePresetPtr()), "Capture substance presets"},
    };
    std::set<int> ids{-1};
    for (const auto& [command, text] : cases)
    {
        SCOPED_TRACE(text);
        const oxUndoCommand& c = *command;
        const bool isProperty = &c == property;
        EXPECT_EQ(c.id(), oxUndoCommand::makeId(typeid(c)));
        EXPECT_TRUE(ids.insert(c.id()).second) << "an id of its own";
        EXPECT_EQ(c.text(), text);
        EXPECT_EQ(c.undoString().title(), isProperty ? "Setting substance property" : text);
        EXPECT_EQ(c.undoString().category(), isProperty ? "Substance" : "Material Commands");
        EXPECT_EQ(c.canMergeWith(&c), isProperty);
    }
    EXPECT_EQ(property->getDescription(), cases[0].second);
    EXPECT_EQ(property->materialId(), m->getId());

    const ImagePtr notAMaterial = hold(osg::Image::create());
    EXPECT_EQ(oxSubstanceCommandSupport::findMaterial(m->getId()), m);
    EXPECT_TRUE(oxSubstanceCommandSupport::findMaterial(notAMaterial->getId()).isNull());
    EXPECT_TRUE(oxSubstanceCommandSupport::findMaterial(0).isNull());
    EXPECT_EQ(oxSubstanceCommandSupport::materialIdOf(USubstanceMaterialPtr()), 0u);
}

} // namespace
