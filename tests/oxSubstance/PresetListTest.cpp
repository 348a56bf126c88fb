// Names, indexes and list changes of a material's presets.

#include "oxHostFixture.h"
#include "oxSubstancePresetUtils.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <string>
#include <vector>

namespace {

const char* const Null = nullptr;
using Names = std::vector<std::string>;

/// The names of the slots, in order ("<null>" for a null slot).
Names namesOf(const osg::MField<SubstancePresetPtr>& presets)
{
    Names names;
    for (const SubstancePresetPtr& p : presets)
        names.push_back(p.isNull() ? "<null>" : p->getName());
    return names;
}

class PresetListTest : public oxHostTest
{
protected:
    /// A material whose slots are named by \p names (a null entry gives a null slot).
    USubstanceMaterialPtr material(const std::vector<const char*>& names)
    {
        USubstanceMaterialPtr m = hold(USubstanceMaterial::create());
        for (const char* name : names)
        {
            if (name)
                m->addPreset(name, "<sbspreset label=\"x\"/>", "");
            else
                m->addPreset(SubstancePresetPtr());
        }
        return m;
    }

    /// A preset that the test holds one reference on.
    SubstancePresetPtr preset(const std::string& name)
    {
        return hold(SubstancePreset::create(name, "<sbspreset label=\"x\"/>", ""));
    }
};

TEST_F(PresetListTest, NullSlotsAreNamedInvalid)
{
    const USubstanceMaterialPtr m = material({"Wood", Null, "50%s off", u8"W\u00fcrfel"});
    const Names expected = {"Wood", "invalid", "50%s off", u8"W\u00fcrfel"};
    EXPECT_EQ(oxSubstancePresetUtils::getPresetNames(m), expected);
    EXPECT_EQ(oxSubstancePresetUtils::getPresetNameList(m).join('|'),
              QString::fromUtf8(u8"Wood|invalid|50%s off|W\u00fcrfel"));
    EXPECT_EQ(oxSubstancePresetUtils::getPresetName(m, 1), "invalid");
    EXPECT_EQ(oxSubstancePresetUtils::getPresetName(m, 3), QString::fromUtf8(u8"W\u00fcrfel"));
    EXPECT_TRUE(oxSubstancePresetUtils::getPresetName(m, 4).isNull());
    EXPECT_TRUE(oxSubstancePresetUtils::getPresetName(m, UINT_MAX).isNull());
}

TEST_F(PresetListTest, IndexOfTheFirstSlotWithExactlyThatName)
{
    const USubstanceMaterialPtr m = material({"a", "Wood", Null, "Wood", "invalid", u8"W\u00fcrfel"});
    const std::pair<const char*, int> cases[] = {
        {"Wood", 1}, {"invalid", 2}, {u8"W\u00fcrfel", 5}, {"wood", -1}, {"", -1}, {"missing", -1}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.first);
        unsigned int index = 99;
        EXPECT_EQ(oxSubstancePresetUtils::getPresetIndex(m, c.first, index), c.second >= 0);
        EXPECT_EQ(index, c.second >= 0 ? unsigned(c.second) : 0u);
    }
}

TEST_F(PresetListTest, IndexesValid)
{
    const USubstanceMaterialPtr m = material({"a", Null, "c"});
    const std::pair<std::vector<unsigned int>, bool> cases[] = {
        {{}, false}, {{1}, true}, {{2, 0, 1}, true}, {{3}, false}, {{0, 3}, false}, {{1, 2, 1}, false}};
    for (const auto& c : cases)
        EXPECT_EQ(oxSubstancePresetUtils::indexesValid(m, c.first), c.second) << ::testing::PrintToString(c.first);
    EXPECT_FALSE(oxSubstancePresetUtils::indexesValid(material({}), {0}));
}

TEST_F(PresetListTest, NullMaterialGivesEmptyOrFalseResults)
{
    USubstanceMaterialPtr none;
    EXPECT_TRUE(oxSubstancePresetUtils::getPresetNames(none).empty());
    EXPECT_TRUE(oxSubstancePresetUtils::getPresetName(none, 0).isNull());
    unsigned int index = 42;
    EXPECT_FALSE(oxSubstancePresetUtils::getPresetIndex(none, "invalid", index));
    EXPECT_EQ(index, 42u);
    EXPECT_FALSE(oxSubstancePresetUtils::indexesValid(none, {0}));
    EXPECT_TRUE(oxSubstancePresetUtils::parsePresets(none, "<sbspresets><sbspreset/></sbspresets>", "", true, false)
                    .empty());
    EXPECT_TRUE(oxSubstancePresetUtils::importPresets(none, {"x.sbsprs"}, true, false).empty());
    const SubstancePresetPtr p = preset("p");
    oxSubstancePresetUtils::addPresets(none, std::vector<SubstancePresetPtr>{p});
    oxSubstancePresetUtils::addPresets(none, std::string("x.sbsprs"));
    oxSubstancePresetUtils::insertPresets(none, {{0, p}});
    oxSubstancePresetUtils::removePresets(none, {p});
    EXPECT_EQ(p->getRefCount(), 1);
    EXPECT_FALSE(oxSubstancePresetUtils::exportPresets(none, {0}, "out.sbsprs"));
    oxSubstancePresetUtils::convertLegayPresets(none);
    EXPECT_TRUE(oxStandIn::editLog().empty());
    EXPECT_TRUE(logLines().empty());
}

TEST_F(PresetListTest, AddAndRemoveKeepOneReferencePerSlot)
{
    const USubstanceMaterialPtr m = material({"a"});
    const SubstancePresetPtr b = preset("b");
    oxSubstancePresetUtils::addPresets(m, std::vector<SubstancePresetPtr>{b, SubstancePresetPtr(), b});
    EXPECT_EQ(namesOf(m->getSubstancePresets()), (Names{"a", "b", "<null>", "b"}));
    EXPECT_EQ(b->getRefCount(), 3);

    oxSubstancePresetUtils::removePresets(m, {b, preset("a")});
    EXPECT_EQ(namesOf(m->getSubstancePresets()), (Names{"a", "<null>", "b"})) << "first slot only";
    EXPECT_EQ(b->getRefCount(), 2);
}

TEST_F(PresetListTest, TheMaterialsOwnListCanBeAddedAndRemoved)
{
    const USubstanceMaterialPtr m = material({"a", "b"});
    const SubstancePresetPtr a = hold(m->getSubstancePresets()[0]);
    oxSubstancePresetUtils::addPresets(m, m->getSubstancePresets());
    EXPECT_EQ(namesOf(m->getSubstancePresets()), (Names{"a", "b", "a", "b"}));
    EXPECT_EQ(a->getRefCount(), 3);
    oxSubstancePresetUtils::removePresets(m, m->getSubstancePresets());
    EXPECT_TRUE(m->getSubstancePresets().empty());
    EXPECT_EQ(a->getRefCount(), 1);
}

TEST_F(PresetListTest, RemovedPresetsReturnToTheirPositions)
{
    const std::vector<std::vector<std::size_t>> removals = {{1, 3}, {0, 4}, {0, 1, 2, 3, 4}};
    for (const std::vector<std::size_t>& indexes : removals)
    {
        SCOPED_TRACE(::testing::PrintToString(indexes));
        const USubstanceMaterialPtr m = material({"A", "B", "C", "D", "E"});
        std::map<std::size_t, SubstancePresetPtr> removed;
        std::vector<SubstancePresetPtr> toRemove;
        for (std::size_t index : indexes)
            toRemove.push_back(removed[index] = hold(m->getSubstancePresets()[index]));
        oxSubstancePresetUtils::removePresets(m, toRemove);
        EXPECT_EQ(m->getSubstancePresets().size(), 5 - indexes.size());

        oxSubstancePresetUtils::insertPresets(m, removed);
        EXPECT_EQ(namesOf(m->getSubstancePresets()), (Names{"A", "B", "C", "D", "E"}));
        for (const auto& entry : removed)
            EXPECT_EQ(entry.second->getRefCount(), 2);
    }
}

TEST_F(PresetListTest, InsertPastTheEndAppends)
{
    const USubstanceMaterialPtr m = material({"A"});
    oxSubstancePresetUtils::insertPresets(m, {{7, preset("X")}, {std::size_t(1) << 40, preset("Y")}});
    EXPECT_EQ(namesOf(m->getSubstancePresets()), (Names{"A", "X", "Y"}));
}

} // namespace
