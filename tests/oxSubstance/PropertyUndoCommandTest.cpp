// The property command through a real QUndoStack: writes, merges, undo values,
// image references, texts, notifications and the shared command pieces.

#include "oxCommandTest.h"

#include "oxSubstanceAttributeSync.h"
#include "oxSubstanceMaterialModifier.h"
#include "oxSubstanceUndoCommands.h"

#include "host/OSGImage.h"
#include "host/QSubstanceArchive.h"
#include "host/oxdImage.h"

#include <QUndoStack>

#include <memory>
#include <string>
#include <typeinfo>

namespace {

using Command = oxSubstancePropertyUndoCommand;

/// Reaches the time stamp that the host's undo base keeps for merging.
struct StampAccess : oxUndoCommand
{
    static quint64& stamp(oxUndoCommand* command) { return command->*(&StampAccess::m_mergeTimeStamp); }
};

QVariant image(const ImagePtr& image)
{
    return QVariant::fromValue(oxdImage(image->getId()));
}

class PropertyUndoCommandTest : public oxCommandTest
{
};

TEST_F(PropertyUndoCommandTest, EditsOfOnePropertyMergeAndUndoToTheValueBeforeTheFirst)
{
    oxUndoCommand::setMergeInterval(-1);
    const USubstanceMaterialPtr m = wood();
    auto c = checker(m);
    c->push(Command::create(m, "Wood", "roughness", 0.5f),
            {{"Wood/roughness", "float 0.5"}, {"archive/roughness", "float 0.5 *"}},
            {"renderTextures", changed(m, "roughness", "float 0.5")});
    // By label, as the host's panels name it: the same property, so it merges.
    c->push(Command::create(m, "Wood", "Roughness", 0.7f),
            {{"Wood/roughness", "float 0.7"}, {"archive/roughness", "float 0.7"}},
            {"renderTextures", changed(m, "Roughness", "float 0.7")});
    EXPECT_EQ(c->stack().count(), 2) << "a label and an identifier are different properties";

    c->push(Command::create(m, "Wood", "Roughness", 0.9f),
            {{"Wood/roughness", "float 0.9"}, {"archive/roughness", "float 0.9"}},
            {"renderTextures", changed(m, "Roughness", "float 0.9")});
    EXPECT_EQ(c->stack().count(), 2);
    c->undo({"renderTextures", changed(m, "Roughness", "float 0.5")});
    c->undo({"renderTextures", changed(m, "roughness", "float 0.35")});
    c->redo({"renderTextures", changed(m, "roughness", "float 0.5")});
    c->redo({"renderTextures", changed(m, "Roughness", "float 0.9")});
}

TEST_F(PropertyUndoCommandTest, OtherPropertyGraphOrMaterialNeverMerges)
{
    oxUndoCommand::setMergeInterval(-1);
    const USubstanceMaterialPtr m = wood();
    const USubstanceMaterialPtr other = wood("N");
    const struct
    {
        const char* what;
        USubstanceMaterialPtr material;
        const char* graph;
        const char* property;
    } cases[] = {{"property", m, "Wood", "pattern"}, {"graph", m, "wood", "roughness"}, {"material", other, "Wood", "roughness"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        QUndoStack stack;
        stack.push(Command::create(m, "Wood", "roughness", 0.5f));
        stack.push(Command::create(c.material, c.graph, c.property, 1));
        EXPECT_EQ(stack.count(), 2);
        stack.undo();
        stack.undo();
    }
    QVariant roughness;
    oxSubstanceAttributeSync().getOsgAttribute(m, "Wood", "roughness", roughness);
    EXPECT_EQ(roughness, QVariant(0.35f));
}

TEST_F(PropertyUndoCommandTest, MergeFollowsTheHostRuleAndCarriesItsTimeStamp)
{
    oxUndoCommand::setMergeInterval(1000);
    const USubstanceMaterialPtr m = wood();
    QUndoStack stack;
    const quint64 t0 = 1700000000000ull;
    const quint64 stamps[] = {t0, t0 + 800, t0 + 1600, t0 + 3000};
    const int counts[] = {1, 1, 1, 2}; // the third is within 1000 ms of the second, which the first took over
    for (int i = 0; i < 4; ++i)
    {
        Command* command = Command::create(m, "Wood", "roughness", 0.1f * float(i));
        StampAccess::stamp(command) = stamps[i];
        stack.push(command);
        EXPECT_EQ(stack.count(), counts[i]) << i;
    }
}

TEST_F(PropertyUndoCommandTest, CommandOfADeletedMaterialDoesNothing)
{
    USubstanceMaterialPtr m = USubstanceMaterial::create();
    osg::addRef(m);
    ASSERT_TRUE(oxSubstanceMaterialModifier(m).initFromFile(QString::fromStdString(samplePath("materials.sbsar"))));
    QUndoStack stack;
    stack.push(Command::create(m, "Wood", "roughness", 0.5f));
    stack.undo();
    events->take();
    osg::subRef(m);
    stack.redo();
    stack.undo();
    EXPECT_EQ(events->take(), oxEvents());
}

TEST_F(PropertyUndoCommandTest, WritesThatDoNothing)
{
    const USubstanceMaterialPtr m = wood();
    auto c = checker(m);
    c->push(Command::create(m, "Wood", "missing", 0.5f), {}, {});
    c->push(Command::create(m, "Other", "roughness", 0.5f), {}, {});
    c->push(Command::create(m, "Wood", "roughness", QVariant()), {}, {});
    // Its undo value was read and is written back, unchanged.
    c->undo({changed(m, "roughness", "float 0.35")});
    c->undo({});
    c->undo({});
    c->redo({});

    EXPECT_EQ(Command::create(USubstanceMaterialPtr(), "Wood", "roughness", 0.5f), nullptr);
    oxSubstanceCommandSupport::applyPropertyValue(USubstanceMaterialPtr(), "Wood", "roughness", 0.5f, true);
    EXPECT_EQ(events->take(), oxEvents());
}

TEST_F(PropertyUndoCommandTest, UnchangedArchiveValueIsNotRenderedButStillNotified)
{
    const USubstanceMaterialPtr m = wood();
    auto c = checker(m);
    c->push(Command::create(m, "Wood", "roughness", 0.35f), {}, {changed(m, "roughness", "float 0.35")});
    // Written as a double, stored as the attribute's float.
    c->push(Command::create(m, "Wood", "pattern", 2.0), {{"Wood/pattern", "int 2"}, {"archive/pattern", "int 2"}},
            {"renderTextures", changed(m, "pattern", "double 2")});
    c->undo({"renderTextures", changed(m, "pattern", "int 1")});
    c->undo({changed(m, "roughness", "float 0.35")});
}

TEST_F(PropertyUndoCommandTest, FetchedUndoValueIsNotReadAgain)
{
    const USubstanceMaterialPtr m = wood();
    QUndoStack stack;
    Command* command = Command::create(m, "Wood", "roughness", 0.9f);
    command->fetchUndoValue();
    oxSubstanceAttributeSync().setOsgAttribute(m, "Wood", "roughness", 0.6f);
    stack.push(command);
    stack.undo();
    EXPECT_EQ(oxMaterialState(m)["Wood/roughness"], "float 0.35");

    // A second fetch replaces the value without keeping a reference of the first.
    const ImagePtr first = osg::Image::create();
    const osg::UInt32 firstId = first->getId();
    oxSubstanceAttributeSync().setOsgAttribute(m, "Wood", "mask", image(first));
    const std::unique_ptr<Command> imageCommand(Command::create(m, "Wood", "mask", QVariant::fromValue(oxdImage())));
    imageCommand->fetchUndoValue();
    EXPECT_EQ(oxContainerState(firstId), "refs 2"); // the attribute and the command
    oxSubstanceAttributeSync().setOsgAttribute(m, "Wood", "mask", QVariant::fromValue(oxdImage()));
    imageCommand->fetchUndoValue();
    EXPECT_EQ(oxContainerState(firstId), "gone");
}

TEST_F(PropertyUndoCommandTest, ImageValuesLiveAsLongAsACommandStoresThem)
{
    oxUndoCommand::setMergeInterval(-1);
    const USubstanceMaterialPtr m = wood();
    const ImagePtr images[] = {osg::Image::create(), osg::Image::create(), osg::Image::create()};
    std::string name[3];
    osg::UInt32 ids[3];
    for (int i = 0; i < 3; ++i)
    {
        ids[i] = images[i]->getId();
        name[i] = "oxdImage oxdImage(" + std::to_string(ids[i]) + ")";
    }
    oxSubstanceCommandSupport::applyPropertyValue(m, "Wood", "mask", image(images[0]), false);
    auto refs = [&ids] {
        return std::vector<std::string>{oxContainerState(ids[0]), oxContainerState(ids[1]), oxContainerState(ids[2])};
    };
    using Refs = std::vector<std::string>;
    auto c = checker(m);
    EXPECT_EQ(refs(), (Refs{"refs 2", "refs 0", "refs 0"})); // attribute and archive

    c->push(Command::create(m, "Wood", "mask", image(images[1])), {{"Wood/mask", name[1]}, {"archive/mask", name[1]}},
            {"renderTextures", changed(m, "mask", name[1].c_str())});
    // The command's undo value; its new value, the attribute and the archive.
    EXPECT_EQ(refs(), (Refs{"refs 1", "refs 3", "refs 0"}));

    c->push(Command::create(m, "Wood", "mask", image(images[2])), {{"Wood/mask", name[2]}, {"archive/mask", name[2]}},
            {"renderTextures", changed(m, "mask", name[2].c_str())});
    ASSERT_EQ(c->stack().count(), 1);
    // The merge took image 2 over from the newer command, which the stack deleted.
    EXPECT_EQ(refs(), (Refs{"refs 1", "gone", "refs 3"}));

    c->undo({"renderTextures", changed(m, "mask", name[0].c_str())});
    EXPECT_EQ(refs(), (Refs{"refs 3", "gone", "refs 1"}));
    c->stack().clear();
    EXPECT_EQ(refs(), (Refs{"refs 2", "gone", "gone"}));
}

TEST_F(PropertyUndoCommandTest, DescriptionNamesPropertyMaterialAndGraph)
{
    const struct
    {
        const char* material;
        const char* graph;
        const char* property;
        const char* text;
    } cases[] = {{"M", "g1", "roughness", "Setting substance property 'roughness' of material 'M' (graph 'g1')"},
                 {"50% %2 off", "%1", "%3", "Setting substance property '%3' of material '50% %2 off' (graph '%1')"}};
    for (const auto& c : cases)
    {
        const std::unique_ptr<Command> command(Command::create(wood(c.material), c.graph, c.property, 1));
        EXPECT_EQ(command->text(), QString::fromUtf8(c.text));
        EXPECT_EQ(command->getDescription(), QString::fromUtf8(c.text));
        EXPECT_EQ(command->undoString().title(), "Setting substance property");
        EXPECT_EQ(command->undoString().category(), "Substance");
    }
}

TEST_F(PropertyUndoCommandTest, MissingServiceIsReportedAndTheEditStands)
{
    const USubstanceMaterialPtr m = wood();
    const std::size_t hash = typeid(oxSubstanceService).hash_code();
    const struct
    {
        bool entry;
        const char* message;
    } cases[] = {{false, "oxKernelServiceFactory: couldn't find class 'oxSubstanceService'!\n"},
                 {true, "oxKernelServiceFactory: service 'oxSubstanceService' is NULL!\n"}};
    float value = 0.1f;
    for (const auto& c : cases)
    {
        if (c.entry)
            oxKernelServiceFactory::the().registerService(hash, nullptr);
        else
            oxKernelServiceFactory::the().unregisterService(hash);
        QUndoStack stack;
        ::testing::internal::CaptureStderr();
        stack.push(Command::create(m, "Wood", "roughness", value));
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.message);
        EXPECT_EQ(oxMaterialState(m)["Wood/roughness"], oxDescribe(value));
        value += 0.1f;
    }
    EXPECT_EQ(events->take(), oxEvents({"renderTextures", "renderTextures"}));
}

TEST_F(PropertyUndoCommandTest, CommandIdsAndMaterialsFoundAgain)
{
    const USubstanceMaterialPtr m = wood();
    const std::unique_ptr<Command> command(Command::create(m, "Wood", "roughness", 1));
    EXPECT_EQ(command->id(), Command::commandId());
    EXPECT_NE(Command::commandId(), -1);
    EXPECT_EQ(Command::commandId(), oxUndoCommand::makeId(typeid(Command)));
    EXPECT_NE(Command::commandId(), oxUndoCommand::makeId(typeid(oxUndoCommand)));
    EXPECT_EQ(command->materialId(), m->getId());

    const ImagePtr notAMaterial = hold(osg::Image::create());
    EXPECT_EQ(oxSubstanceCommandSupport::findMaterial(m->getId()), m);
    EXPECT_TRUE(oxSubstanceCommandSupport::findMaterial(notAMaterial->getId()).isNull());
    EXPECT_TRUE(oxSubstanceCommandSupport::findMaterial(0).isNull());
    EXPECT_EQ(oxSubstanceCommandSupport::materialIdOf(USubstanceMaterialPtr()), 0u);
}

} // namespace
