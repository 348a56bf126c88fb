// The preset list commands through a real QUndoStack: add, remove (by indexes
// and by presets), reorder and recapture, with the references they hold on
// presets and images and their presetsChanged notifications.

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
#include <string>
#include <vector>

namespace {

using Presets = std::vector<SubstancePresetPtr>;
using Indexes = std::vector<unsigned>;

class PresetListUndoCommandsTest : public oxCommandTest
{
protected:
    /// The Wood sample with \p count presets (its three, then "Extra 3", ...),
    /// remembered as p0, p1, ... in list order.
    USubstanceMaterialPtr withPresets(std::size_t count)
    {
        const USubstanceMaterialPtr m = wood();
        while (m->getSubstancePresets().size() < count)
        {
            const std::string name = "Extra " + std::to_string(m->getSubstancePresets().size());
            m->addPreset(SubstancePreset::create(name, m->getSubstancePresets()[0]->getContent(), ""));
        }
        while (m->getSubstancePresets().size() > count)
            m->removePreset(m->getSubstancePresets().back());
        known.assign(m->getSubstancePresets().begin(), m->getSubstancePresets().end());
        return m;
    }

    /// A new preset that is on no material, remembered as the next p.
    SubstancePresetPtr newPreset(const std::string& name)
    {
        const SubstancePresetPtr preset = SubstancePreset::create(name, known.at(0)->getContent(), "");
        known.push_back(preset);
        return preset;
    }

    /// The list as the remembered presets that fill it ("p0 p2 p4"; "?" for another).
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

TEST_F(PresetListUndoCommandsTest, RemoveAndUndoGiveBackTheSamePresetsAtTheirPositions)
{
    enum By { ByIndexes, ByPresets };
    const struct
    {
        const char* what;
        By by;
        Indexes indexes; ///< by index, or the remembered presets to name (5: one on no material)
        const char* after;
    } cases[] = {
        {"indexes 3 and 1 of five", ByIndexes, {3, 1}, "p0 p2 p4"},
        {"one index twice", ByIndexes, {1, 1}, "p0 p2 p3 p4"},
        {"indexes outside the list", ByIndexes, {5, 2, 99}, "p0 p1 p3 p4"},
        {"no index", ByIndexes, {}, "p0 p1 p2 p3 p4"},
        {"one preset twice", ByPresets, {3, 1, 3}, "p0 p2 p4"},
        {"a preset on no material", ByPresets, {5, 0}, "p1 p2 p3 p4"},
        {"the last and the first", ByPresets, {4, 0}, "p1 p2 p3"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        const USubstanceMaterialPtr m = withPresets(5);
        hold(newPreset("Stranger")); // p5, on no material
        const auto counts = refs();
        auto check = listChecker(m);
        QUndoCommand* command = nullptr;
        if (c.by == ByIndexes)
            command = new oxRemoveSubstancePresetUndoCommand(m, c.indexes, nullptr);
        else
        {
            Presets presets;
            for (unsigned i : c.indexes)
                presets.push_back(known[i]);
            command = new oxRemoveSubstancePresetUndoCommand(m, presets, nullptr);
        }
        const std::string changed = signal("presetsChanged", m);
        check->push(command, {{"slots", c.after}}, {changed});
        check->undo({changed});
        check->redo({changed});
        check->undo({changed});
        check->stack().clear();
        EXPECT_EQ(counts(), "1 1 1 1 1 1") << "the material's on its presets, the test's on the stranger";
    }
}

TEST_F(PresetListUndoCommandsTest, PresetsHeldOnlyByACommandLiveUntilItIsDestroyed)
{
    const USubstanceMaterialPtr m = withPresets(5);
    const SubstancePresetPtr added = newPreset("Added");
    const auto counts = refs();
    QUndoStack stack;
    stack.push(new oxRemoveSubstancePresetUndoCommand(m, Indexes{3, 1}, nullptr));
    EXPECT_EQ(counts(), "1 1 1 1 1 0");
    stack.push(new oxAddSubstancePresetUndoCommand(m, Presets{added}, nullptr));
    EXPECT_EQ(counts(), "1 1 1 1 1 2");
    stack.undo();
    EXPECT_EQ(counts(), "1 1 1 1 1 1") << "held by the add command alone";
    stack.clear();
    EXPECT_EQ(counts(), "1 gone 1 gone 1 gone");
    EXPECT_EQ(listOf(m), "p0 p2 p4");
}

TEST_F(PresetListUndoCommandsTest, AddUndoRedoAddsTheSamePresetObjectsAgain)
{
    const USubstanceMaterialPtr m = withPresets(3);
    const Presets presets{newPreset("New A"), newPreset("New B")};
    auto check = listChecker(m);
    const std::string changed = signal("presetsChanged", m);
    check->push(new oxAddSubstancePresetUndoCommand(m, presets, nullptr), {{"slots", "p0 p1 p2 p3 p4"}}, {changed});
    check->undo({changed});
    check->redo({changed});
    // Adding none still tells the host.
    check->push(new oxAddSubstancePresetUndoCommand(m, Presets{}, nullptr), {}, {changed});
    check->undo({changed});
    check->undo({changed});
    check->redo({changed});
}

TEST_F(PresetListUndoCommandsTest, ReorderAndUndo)
{
    const USubstanceMaterialPtr m = withPresets(3);
    const auto counts = refs();
    auto check = listChecker(m);
    const std::string changed = signal("presetsChanged", m);
    check->push(new oxReorderPresetsUndoCommand(m, Indexes{2, 0, 1}, nullptr), {{"slots", "p2 p0 p1"}}, {changed});
    check->push(new oxReorderPresetsUndoCommand(m, Indexes{1, 2, 0}, nullptr), {{"slots", "p0 p1 p2"}}, {changed});
    check->undo({changed});
    check->undo({changed});
    check->redo({changed});
    check->redo({changed});
    EXPECT_EQ(counts(), "1 1 1");
}

TEST_F(PresetListUndoCommandsTest, OrderThatIsNoPermutationChangesNothingNowOrLater)
{
    const struct
    {
        const char* what;
        Indexes order;
    } cases[] = {
        {"too short", {1, 0}},
        {"too long", {1, 0, 2, 3}},
        {"an index twice", {0, 0, 1}},
        {"an index outside the list", {0, 1, 3}},
        {"empty", {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        const USubstanceMaterialPtr m = withPresets(3);
        auto check = listChecker(m);
        check->push(new oxReorderPresetsUndoCommand(m, c.order, nullptr), {}, {});
        check->undo({});
        check->redo({});
        // Later the order would fit the list; it was judged at the first redo.
        m->addPreset(newPreset("Fourth"));
        check->stack().undo();
        check->stack().redo();
        EXPECT_EQ(listOf(m), "p0 p1 p2 p3");
        EXPECT_EQ(events->take(), oxEvents());
    }
}

TEST_F(PresetListUndoCommandsTest, RecaptureUndoRedoGivesTheFirstCapturedContentAndImages)
{
    const USubstanceMaterialPtr m = wood();
    const SubstancePresetPtr preset = m->getSubstancePresets()[1];
    const ImagePtr images[] = {hold(osg::Image::create()), hold(osg::Image::create())};
    const auto setMask = [&](const ImagePtr& image) {
        oxSubstanceCommandSupport::applyPropertyValue(m, "Wood", "mask", QVariant::fromValue(oxdImage(image->getId())),
                                                      false);
    };
    // The preset caches image 0 from an earlier capture.
    setMask(images[0]);
    oxSubstancePresetUtils::captureContent(m, preset);
    setMask(images[1]);
    events->take();

    auto check = checker(m, [preset](oxStateSnapshot& state) {
        std::string ids;
        for (const ImagePtr& image : preset->getCachedImages())
            ids += std::to_string(image->getId()) + " ";
        state["cachedImages"] = ids;
    });
    const std::string changed = signal("presetsChanged", m);
    check->push(oxSubstancePropertyUndoCommand::create(m, "Wood", "roughness", 0.9f),
                {{"Wood/roughness", "float 0.9"}, {"archive/roughness", "float 0.9"}},
                {"renderTextures", oxCommandTest::changed(m, "roughness", "float 0.9")});
    const std::string captured = oxSubstancePresetUtils::fetchPresetContent(m);
    check->push(new oxRecapturePresetUndoCommand(m, preset, nullptr),
                {{"preset/1", preset->getName() + "\n" + captured},
                 {"cachedImages", std::to_string(images[1]->getId()) + " "}},
                {changed});
    check->undo({changed});
    check->undo({"renderTextures", oxCommandTest::changed(m, "roughness", "float 0.35")});
    // Redone while the material is back at 0.35: the content of the first capture comes back.
    check->redo({"renderTextures", oxCommandTest::changed(m, "roughness", "float 0.9")});
    check->redo({changed});
    check->undo({changed});
}

TEST_F(PresetListUndoCommandsTest, RecaptureWaitsForAPresetAMaterialAndAState)
{
    const USubstanceMaterialPtr m = wood();
    const SubstancePresetPtr preset = m->getSubstancePresets()[0];
    const std::string before = preset->getContent();
    QUndoStack stack;

    // No preset: nothing, ever.
    stack.push(new oxRecapturePresetUndoCommand(m, SubstancePresetPtr(), nullptr));
    stack.undo();
    stack.redo();
    EXPECT_EQ(events->take(), oxEvents());

    // An archive that holds nothing: the capture waits, and undo before it writes nothing.
    oxSubstanceArchiveFactory::instance().releaseMaterialArchive(m->getId());
    oxSubstanceAttributeSync().setOsgAttribute(m, "Wood", "roughness", 0.6f);
    stack.push(new oxRecapturePresetUndoCommand(m, preset, nullptr));
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

TEST_F(PresetListUndoCommandsTest, CommandsOfAMaterialThatIsGone)
{
    USubstanceMaterialPtr m = USubstanceMaterial::create();
    osg::addRef(m);
    ASSERT_TRUE(oxSubstanceMaterialModifier(m).initFromFile(QString::fromStdString(samplePath("materials.sbsar"))));
    const SubstancePresetPtr preset = hold(m->getSubstancePresets()[0]);
    const SubstancePresetPtr extra = hold(SubstancePreset::create("Extra", preset->getContent(), ""));
    const std::string changed = signal("presetsChanged", m);
    QUndoCommand* const commands[] = {
        new oxAddSubstancePresetUndoCommand(m, Presets{extra}, nullptr),
        new oxRemoveSubstancePresetUndoCommand(m, Indexes{0}, nullptr),
        new oxRemoveSubstancePresetUndoCommand(m, Presets{preset}, nullptr),
        new oxReorderPresetsUndoCommand(m, Indexes{2, 1, 0}, nullptr),
        new oxRecapturePresetUndoCommand(m, preset, nullptr),
    };
    // The list commands still tell the host, as their utilities accept a material that is gone.
    const oxEvents expected[] = {{changed}, {changed}, {changed}, {}, {}};
    osg::subRef(m);
    events->take();
    QUndoStack stack;
    for (std::size_t i = 0; i < 5; ++i)
    {
        SCOPED_TRACE(i);
        stack.push(commands[i]);
        EXPECT_EQ(events->take(), expected[i]);
        stack.undo();
        EXPECT_EQ(events->take(), expected[i]);
        stack.redo();
        events->take();
    }
    EXPECT_EQ(preset->getContent(), extra->getContent());
}

TEST_F(PresetListUndoCommandsTest, UndoTextsAndCommandIds)
{
    const USubstanceMaterialPtr m = wood();
    const struct
    {
        std::unique_ptr<oxUndoCommand> command;
        int id;
        const char* text;
    } cases[] = {
        {std::make_unique<oxAddSubstancePresetUndoCommand>(m, Presets{}, nullptr),
         oxAddSubstancePresetUndoCommand::commandId(), "Add substance presets"},
        {std::make_unique<oxRemoveSubstancePresetUndoCommand>(m, Indexes{}, nullptr),
         oxRemoveSubstancePresetUndoCommand::commandId(), "Remove substance presets"},
        {std::make_unique<oxReorderPresetsUndoCommand>(m, Indexes{}, nullptr),
         oxReorderPresetsUndoCommand::commandId(), "Reorder substance presets"},
        {std::make_unique<oxRecapturePresetUndoCommand>(m, SubstancePresetPtr(), nullptr),
         oxRecapturePresetUndoCommand::commandId(), "Capture substance presets"},
    };
    std::set<int> ids;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.command->id(), c.id);
        ids.insert(c.id);
        EXPECT_EQ(c.command->text(), c.text);
        EXPECT_EQ(c.command->undoString().category(), "Material Commands");
        EXPECT_FALSE(c.command->canMergeWith(c.command.get()));
    }
    EXPECT_EQ(ids.size(), 4u);
}

} // namespace
