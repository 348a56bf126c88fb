// Names, indexes and list changes of a material's presets.

#include "PresetTestHelpers.h"
#include "oxHostFixture.h"
#include "oxSubstancePresetUtils.h"

#include "host/Materials.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace {

const std::string Content = "<sbspreset pkgurl=\"pkg://m/g\" label=\"x\"></sbspreset>";
const char* const Null = nullptr;

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
                m->addPreset(name, Content, "");
            else
                m->addPreset(SubstancePresetPtr());
        }
        return m;
    }

    /// A preset that the test holds one reference on.
    SubstancePresetPtr preset(const std::string& name) { return hold(SubstancePreset::create(name, Content, "")); }

    static std::vector<std::string> slotNames(const USubstanceMaterialPtr& m)
    {
        std::vector<std::string> names;
        for (const SubstancePresetPtr& p : m->getSubstancePresets())
            names.push_back(p.isNull() ? "<null>" : p->getName());
        return names;
    }
};

// ---------------------------------------------------------------- names

const std::vector<const char*> MixedSlots = {"Wood", Null, "50%s off %d", "Wood", u8"W\u00fcrfel", "invalid"};

TEST_F(PresetListTest, NameListHasOneEntryPerSlotWithInvalidForNullSlots)
{
    const USubstanceMaterialPtr m = material(MixedSlots);
    const QStringList expected = {"Wood", "invalid", "50%s off %d", "Wood", QString::fromUtf8(u8"W\u00fcrfel"),
                                  "invalid"};
    EXPECT_EQ(oxSubstancePresetUtils::getPresetNameList(m), expected);

    const std::vector<std::string> names = oxSubstancePresetUtils::getPresetNames(m);
    const std::vector<std::string> expectedNames = {"Wood", "invalid", "50%s off %d", "Wood", u8"W\u00fcrfel",
                                                    "invalid"};
    EXPECT_EQ(names, expectedNames);
}

TEST_F(PresetListTest, EmptyListGivesEmptyNames)
{
    const USubstanceMaterialPtr m = material({});
    EXPECT_TRUE(oxSubstancePresetUtils::getPresetNameList(m).isEmpty());
    EXPECT_TRUE(oxSubstancePresetUtils::getPresetNames(m).empty());
    EXPECT_TRUE(oxSubstancePresetUtils::getPresetName(m, 0).isNull());
}

struct NameCase
{
    unsigned int index;
    const char* expected; ///< null: a null QString
};

void PrintTo(const NameCase& c, std::ostream* os)
{
    *os << "index " << c.index;
}

class PresetNameTest : public PresetListTest, public ::testing::WithParamInterface<NameCase>
{
};

TEST_P(PresetNameTest, NameOfSlot)
{
    const USubstanceMaterialPtr m = material(MixedSlots);
    const QString name = oxSubstancePresetUtils::getPresetName(m, GetParam().index);
    if (GetParam().expected)
    {
        EXPECT_FALSE(name.isNull());
        EXPECT_EQ(name, QString::fromUtf8(GetParam().expected));
    }
    else
    {
        EXPECT_TRUE(name.isNull()) << name.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Slots, PresetNameTest,
                         ::testing::Values(NameCase{0, "Wood"}, NameCase{1, "invalid"}, NameCase{2, "50%s off %d"},
                                           NameCase{4, u8"W\u00fcrfel"}, NameCase{5, "invalid"},
                                           NameCase{6, nullptr}, NameCase{7, nullptr},
                                           NameCase{UINT_MAX, nullptr}));

// ---------------------------------------------------------------- getPresetIndex

struct IndexCase
{
    const char* name;
    bool found;
    unsigned int index;
};

void PrintTo(const IndexCase& c, std::ostream* os)
{
    *os << '"' << c.name << '"';
}

class PresetIndexTest : public PresetListTest, public ::testing::WithParamInterface<IndexCase>
{
};

TEST_P(PresetIndexTest, FindsFirstSlotWithExactName)
{
    const USubstanceMaterialPtr m = material(MixedSlots);
    unsigned int index = 99;
    EXPECT_EQ(oxSubstancePresetUtils::getPresetIndex(m, GetParam().name, index), GetParam().found);
    EXPECT_EQ(index, GetParam().index);
}

INSTANTIATE_TEST_SUITE_P(Names, PresetIndexTest,
                         ::testing::Values(IndexCase{"Wood", true, 0},          // shared name: lower index
                                           IndexCase{"invalid", true, 1},       // the null slot comes first
                                           IndexCase{"50%s off %d", true, 2},
                                           IndexCase{u8"W\u00fcrfel", true, 4}, // UTF-8
                                           IndexCase{"wood", false, 0},         // case-sensitive
                                           IndexCase{"Wood ", false, 0},
                                           IndexCase{"", false, 0},
                                           IndexCase{"missing", false, 0}));

TEST_F(PresetListTest, PresetReallyNamedInvalidBeforeNullSlotIsFound)
{
    const USubstanceMaterialPtr m = material({"a", "invalid", Null});
    unsigned int index = 0;
    EXPECT_TRUE(oxSubstancePresetUtils::getPresetIndex(m, "invalid", index));
    EXPECT_EQ(index, 1u);
}

// ---------------------------------------------------------------- indexesValid

struct ValidCase
{
    std::vector<unsigned int> indexes;
    bool valid;
};

void PrintTo(const ValidCase& c, std::ostream* os)
{
    *os << "indexes " << presettest::joined(c.indexes);
}

class IndexesValidTest : public PresetListTest, public ::testing::WithParamInterface<ValidCase>
{
};

TEST_P(IndexesValidTest, ThreeSlots)
{
    const USubstanceMaterialPtr m = material({"a", Null, "c"});
    EXPECT_EQ(oxSubstancePresetUtils::indexesValid(m, GetParam().indexes), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(Lists, IndexesValidTest,
                         ::testing::Values(ValidCase{{}, false}, ValidCase{{0}, true}, ValidCase{{2}, true},
                                           ValidCase{{1}, true},  // a null slot is a valid index
                                           ValidCase{{3}, false}, // equals the number of slots
                                           ValidCase{{0, 0}, false}, ValidCase{{2, 0, 1}, true},
                                           ValidCase{{1, 2, 1}, false}, ValidCase{{0, 3}, false},
                                           ValidCase{{UINT_MAX}, false}));

TEST_F(PresetListTest, IndexesOfAnEmptyListAreNeverValid)
{
    const USubstanceMaterialPtr m = material({});
    EXPECT_FALSE(oxSubstancePresetUtils::indexesValid(m, {0}));
    EXPECT_FALSE(oxSubstancePresetUtils::indexesValid(m, {}));
}

// ---------------------------------------------------------------- null material

TEST_F(PresetListTest, NullMaterialGivesEmptyOrFalseResults)
{
    const USubstanceMaterialPtr none;
    EXPECT_TRUE(oxSubstancePresetUtils::getPresetNameList(none).isEmpty());
    EXPECT_TRUE(oxSubstancePresetUtils::getPresetNames(none).empty());
    EXPECT_TRUE(oxSubstancePresetUtils::getPresetName(none, 0).isNull());
    unsigned int index = 42;
    EXPECT_FALSE(oxSubstancePresetUtils::getPresetIndex(none, "invalid", index));
    EXPECT_EQ(index, 42u) << "output left untouched on failure";
    EXPECT_FALSE(oxSubstancePresetUtils::indexesValid(none, {0}));
    EXPECT_TRUE(oxSubstancePresetUtils::parsePresets(none, "<sbspresets><sbspreset/></sbspresets>", "", true, false)
                    .empty());
    EXPECT_TRUE(oxSubstancePresetUtils::importPresets(none, {"x.sbsprs"}, true, false).empty());

    const SubstancePresetPtr p = preset("p");
    oxSubstancePresetUtils::addPresets(none, std::vector<SubstancePresetPtr>{p});
    oxSubstancePresetUtils::addPresets(none, std::string("x.sbsprs"));
    oxSubstancePresetUtils::insertPresets(none, {{0, p}});
    oxSubstancePresetUtils::removePresets(none, {p});
    EXPECT_EQ(p->getRefCount(), 1) << "only the test's reference";
    EXPECT_FALSE(oxSubstancePresetUtils::exportPresets(none, {0}, "out.sbsprs"));
    USubstanceMaterialPtr mutableNone;
    oxSubstancePresetUtils::convertLegayPresets(mutableNone);
    EXPECT_TRUE(oxStandIn::editLog().empty());
    EXPECT_TRUE(logLines().empty());
}

// ---------------------------------------------------------------- add, remove, insert

TEST_F(PresetListTest, AddPresetsAppendsInOrderAndTakesOneReferencePerSlot)
{
    const USubstanceMaterialPtr m = material({"a"});
    const SubstancePresetPtr b = preset("b");
    const SubstancePresetPtr c = preset("c");
    oxSubstancePresetUtils::addPresets(m, std::vector<SubstancePresetPtr>{b, SubstancePresetPtr(), c, b});
    EXPECT_EQ(slotNames(m), (std::vector<std::string>{"a", "b", "<null>", "c", "b"}));
    EXPECT_EQ(b->getRefCount(), 3);
    EXPECT_EQ(c->getRefCount(), 2);

    oxSubstancePresetUtils::removePresets(m, {b});
    EXPECT_EQ(slotNames(m), (std::vector<std::string>{"a", "<null>", "c", "b"})) << "first slot only";
    EXPECT_EQ(b->getRefCount(), 2);
}

TEST_F(PresetListTest, AddingTheMaterialsOwnListDoublesIt)
{
    const USubstanceMaterialPtr m = material({"a", "b"});
    oxSubstancePresetUtils::addPresets(m, m->getSubstancePresets());
    EXPECT_EQ(slotNames(m), (std::vector<std::string>{"a", "b", "a", "b"}));
    EXPECT_EQ(m->getSubstancePresets()[0]->getRefCount(), 2);
}

TEST_F(PresetListTest, RemovingTheMaterialsOwnListEmptiesIt)
{
    const USubstanceMaterialPtr m = material({"a", "b", "c"});
    const SubstancePresetPtr b = hold(m->getSubstancePresets()[1]);
    oxSubstancePresetUtils::removePresets(m, m->getSubstancePresets());
    EXPECT_TRUE(m->getSubstancePresets().empty());
    EXPECT_EQ(b->getRefCount(), 1) << "the material gave its reference back";
}

TEST_F(PresetListTest, RemovingAPresetThatIsNotOnTheMaterialChangesNothing)
{
    const USubstanceMaterialPtr m = material({"a", "b"});
    const SubstancePresetPtr other = preset("a");
    oxSubstancePresetUtils::removePresets(m, {other});
    EXPECT_EQ(slotNames(m), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(other->getRefCount(), 1);
}

/// Indexes taken out of a five-preset list and put back.
class InsertPresetsTest : public PresetListTest, public ::testing::WithParamInterface<std::vector<std::size_t>>
{
};

TEST_P(InsertPresetsTest, RemovedPresetsReturnToTheirPositions)
{
    const USubstanceMaterialPtr m = material({"A", "B", "C", "D", "E"});
    const std::vector<std::string> original = slotNames(m);
    std::vector<SubstancePresetPtr> all(m->getSubstancePresets().begin(), m->getSubstancePresets().end());
    for (const SubstancePresetPtr& p : all)
        hold(p);

    std::map<std::size_t, SubstancePresetPtr> removed;
    std::vector<SubstancePresetPtr> toRemove;
    for (std::size_t index : GetParam())
    {
        removed[index] = all[index];
        toRemove.push_back(all[index]);
    }
    oxSubstancePresetUtils::removePresets(m, toRemove);
    EXPECT_EQ(m->getSubstancePresets().size(), original.size() - GetParam().size());
    for (const auto& entry : removed)
        EXPECT_EQ(entry.second->getRefCount(), 1) << entry.second->getName();

    oxSubstancePresetUtils::insertPresets(m, removed);
    EXPECT_EQ(slotNames(m), original);
    for (const SubstancePresetPtr& p : all)
        EXPECT_EQ(p->getRefCount(), 2) << p->getName();
}

INSTANTIATE_TEST_SUITE_P(Removals, InsertPresetsTest,
                         ::testing::Values(std::vector<std::size_t>{1, 3}, std::vector<std::size_t>{0},
                                           std::vector<std::size_t>{4}, std::vector<std::size_t>{0, 4},
                                           std::vector<std::size_t>{2, 3}, std::vector<std::size_t>{0, 1, 2},
                                           std::vector<std::size_t>{0, 1, 2, 3, 4}));

TEST_F(PresetListTest, InsertPastTheEndAppends)
{
    const USubstanceMaterialPtr m = material({"A", "B"});
    const SubstancePresetPtr x = preset("X");
    const SubstancePresetPtr y = preset("Y");
    oxSubstancePresetUtils::insertPresets(m, {{7, x}, {std::size_t(1) << 40, y}});
    EXPECT_EQ(slotNames(m), (std::vector<std::string>{"A", "B", "X", "Y"}));
    EXPECT_EQ(x->getRefCount(), 2);
    EXPECT_EQ(y->getRefCount(), 2);
}

TEST_F(PresetListTest, APresetListedTwiceIsRemovedFromTwoSlots)
{
    const USubstanceMaterialPtr m = material({"A"});
    const SubstancePresetPtr x = preset("X");
    oxSubstancePresetUtils::addPresets(m, std::vector<SubstancePresetPtr>{x});
    oxSubstancePresetUtils::insertPresets(m, {{0, x}});
    EXPECT_EQ(slotNames(m), (std::vector<std::string>{"X", "A", "X"}));
    oxSubstancePresetUtils::removePresets(m, {x, x});
    EXPECT_EQ(slotNames(m), (std::vector<std::string>{"A"}));
    EXPECT_EQ(x->getRefCount(), 1);
}

} // namespace
