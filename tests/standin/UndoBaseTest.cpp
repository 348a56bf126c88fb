// The host's undo command bases: undo texts, parents, command ids and the
// merge rule, driven through a real QUndoStack.

#include "oxHostFixture.h"
#include "oxUndoCommand.h"

#include <QDateTime>
#include <QUndoStack>

#include <functional>
#include <limits>
#include <ostream>
#include <set>
#include <thread>
#include <type_traits>
#include <typeindex>
#include <vector>

namespace {

/// Sets an int; merges like the library's property command: the survivor takes
/// the newer value and stamp and keeps its own undo value.
template <int Kind>
class ValueCommand : public oxUndoCommand
{
public:
    ValueCommand(int& target, int value, quint64 stamp, QUndoCommand* parent = nullptr)
        : oxUndoCommand(oxUndoString("Set value", "Test"), parent), _target(target), _value(value)
    {
        m_mergeTimeStamp = stamp;
    }
    static int commandId()
    {
        static const int id = makeId(std::type_index(typeid(ValueCommand)));
        return id;
    }
    int id() const override { return commandId(); }
    void redo() override
    {
        if (!_fetched)
        {
            _undoValue = _target;
            _fetched = true;
        }
        _target = _value;
    }
    void undo() override { _target = _undoValue; }
    bool mergeWith(const QUndoCommand* other) override
    {
        if (!canMergeWith(other))
            return false;
        const auto* command = dynamic_cast<const ValueCommand*>(other);
        if (!command)
            return false;
        _value = command->_value;
        m_mergeTimeStamp = command->m_mergeTimeStamp;
        return true;
    }
    quint64 stamp() const { return m_mergeTimeStamp; }
    static_assert(std::is_same<decltype(m_mergeTimeStamp), quint64>::value, "the merge stamp is 64 bits wide");

private:
    int& _target;
    int _value;
    int _undoValue = 0;
    bool _fetched = false;
};

/// A command that keeps QUndoCommand's id of -1.
class PlainCommand : public oxUndoCommand
{
public:
    explicit PlainCommand(QUndoCommand* parent = nullptr) : oxUndoCommand(oxUndoString("Plain", "Test"), parent) {}
    explicit PlainCommand(const oxUndoString& text) : oxUndoCommand(text, nullptr) {}
    quint64 stamp() const { return m_mergeTimeStamp; }
};

/// Not an oxUndoCommand, but claims the id of ValueCommand<0>.
class ForeignCommand : public QUndoCommand
{
public:
    int id() const override { return ValueCommand<0>::commandId(); }
};

template <int N>
struct Tag
{
};

constexpr quint64 T0 = 1700000000000ull; // a stamp of our time, in ms since the epoch
constexpr quint64 Max = std::numeric_limits<quint64>::max();
constexpr quint64 Bit32 = quint64(1) << 32;

} // namespace

// ---------------------------------------------------------------- undo texts

struct UndoTextCase
{
    const char* name;
    std::function<oxUndoString()> make;
    QString text;
    QString title;
    QString category;
};

void PrintTo(const UndoTextCase& c, std::ostream* os)
{
    *os << c.name;
}

class UndoTextTest : public oxHostTest, public ::testing::WithParamInterface<UndoTextCase>
{
};

TEST_P(UndoTextTest, RecordAndCommandShowTheText)
{
    const UndoTextCase& c = GetParam();
    const oxUndoString record = c.make();
    EXPECT_EQ(record.text(), c.text);
    EXPECT_EQ(record.title(), c.title);
    EXPECT_EQ(record.category(), c.category);

    QUndoStack stack;
    stack.push(new PlainCommand(record));
    const auto* command = dynamic_cast<const PlainCommand*>(stack.command(0));
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->text(), c.text);
    EXPECT_EQ(command->getDescription(), c.text);
    EXPECT_EQ(stack.undoText(), c.text);
    EXPECT_EQ(command->undoString().title(), c.title);

    oxMessage message;
    command->makeMessage(message);
    EXPECT_EQ(message.text, c.text);
    EXPECT_EQ(message.category, c.category);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, UndoTextTest,
    ::testing::Values(
        UndoTextCase{"TitleOnly", [] { return oxUndoString("Apply substance preset", "Material Commands"); },
                     "Apply substance preset", "Apply substance preset", "Material Commands"},
        UndoTextCase{"Utf8Title", [] { return oxUndoString("Gr\xc3\xb6\xc3\x9f" "e \xc3\xa4ndern", "Substance"); },
                     QString::fromUtf8("Größe ändern"), QString::fromUtf8("Größe ändern"), "Substance"},
        UndoTextCase{"EmptyTitle", [] { return oxUndoString("", ""); }, "", "", ""},
        UndoTextCase{"Description",
                     [] {
                         return oxUndoString("Setting substance property 'roughness' of material 'M' (graph 'g1')",
                                             "Setting substance property", "Substance");
                     },
                     "Setting substance property 'roughness' of material 'M' (graph 'g1')",
                     "Setting substance property", "Substance"},
        UndoTextCase{"EmptyDescription", [] { return oxUndoString(QString(), "Title", "Category"); }, "", "Title",
                     "Category"}),
    [](const ::testing::TestParamInfo<UndoTextCase>& info) { return std::string(info.param.name); });

using UndoBaseTest = oxHostTest;

TEST_F(UndoBaseTest, SetDescriptionReplacesTheTextAndKeepsTitleAndCategory)
{
    QUndoStack stack;
    stack.push(new PlainCommand(oxUndoString("Reset substance graph", "Material Commands")));
    auto* command = dynamic_cast<PlainCommand*>(const_cast<QUndoCommand*>(stack.command(0)));
    ASSERT_NE(command, nullptr);

    command->setDescription("Reset graph 'g1'");
    EXPECT_EQ(command->getDescription(), "Reset graph 'g1'");
    EXPECT_EQ(command->text(), "Reset graph 'g1'");
    EXPECT_EQ(stack.undoText(), "Reset graph 'g1'");
    EXPECT_EQ(command->undoString().title(), "Reset substance graph");
    EXPECT_EQ(command->undoString().category(), "Material Commands");

    oxMessage message;
    command->makeMessage(message);
    EXPECT_EQ(message.text, "Reset graph 'g1'");
    EXPECT_EQ(message.category, "Material Commands");
}

// ------------------------------------------------------------------- parents

TEST_F(UndoBaseTest, TopLevelCommandHasNoParent)
{
    PlainCommand command;
    EXPECT_EQ(command.parent(), nullptr);
}

TEST_F(UndoBaseTest, ChildrenBelongToTheirParentAndRunWithIt)
{
    int a = 0;
    int b = 0;
    QUndoStack stack;
    auto* group = new PlainCommand();
    auto* first = new ValueCommand<0>(a, 1, T0, group);
    auto* second = new ValueCommand<1>(b, 2, T0, group);
    EXPECT_EQ(first->parent(), group);
    EXPECT_EQ(second->parent(), group);
    ASSERT_EQ(group->childCount(), 2);
    EXPECT_EQ(group->child(0), first);
    EXPECT_EQ(group->child(1), second);

    stack.push(group); // the stack owns the group, the group its children
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    stack.undo();
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 0);
    stack.redo();
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
}

// --------------------------------------------------------------- command ids

TEST_F(UndoBaseTest, IdsAreStablePerTypeAndDistinctBetweenTypes)
{
    const std::vector<std::type_index> types = {typeid(Tag<1>), typeid(Tag<2>), typeid(Tag<3>), typeid(int),
                                                typeid(PlainCommand), typeid(ValueCommand<0>)};
    std::set<int> seen;
    for (const std::type_index& type : types)
    {
        const int id = oxUndoCommand::makeId(type);
        EXPECT_NE(id, -1) << type.name();
        EXPECT_EQ(oxUndoCommand::makeId(type), id) << type.name();
        EXPECT_TRUE(seen.insert(id).second) << "id " << id << " given twice, again to " << type.name();
    }
    EXPECT_EQ(ValueCommand<0>::commandId(), oxUndoCommand::makeId(typeid(ValueCommand<0>)));
    EXPECT_NE(ValueCommand<0>::commandId(), ValueCommand<1>::commandId());
}

TEST_F(UndoBaseTest, IdsSurviveAReset)
{
    const int before = oxUndoCommand::makeId(typeid(Tag<10>));
    oxStandIn::reset();
    EXPECT_EQ(oxUndoCommand::makeId(typeid(Tag<10>)), before);
    EXPECT_NE(oxUndoCommand::makeId(typeid(Tag<11>)), before);
}

TEST_F(UndoBaseTest, IdsAreConsistentWhenThreadsAskAtOnce)
{
    const std::vector<std::type_index> types = {typeid(Tag<20>), typeid(Tag<21>), typeid(Tag<22>),
                                                typeid(Tag<23>), typeid(Tag<24>), typeid(Tag<25>)};
    constexpr int threadCount = 8;
    std::vector<std::vector<int>> ids(threadCount);
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back([&types, &ids, t] {
            for (std::size_t i = 0; i < types.size(); ++i) // each thread in another order
                ids[t].push_back(oxUndoCommand::makeId(types[(i + t) % types.size()]));
        });
    for (std::thread& thread : threads)
        thread.join();

    std::set<int> distinct;
    for (std::size_t i = 0; i < types.size(); ++i)
    {
        const int id = oxUndoCommand::makeId(types[i]);
        distinct.insert(id);
        for (int t = 0; t < threadCount; ++t)
            EXPECT_EQ(ids[t][(i + types.size() - t % types.size()) % types.size()], id)
                << "thread " << t << ", type " << i;
    }
    EXPECT_EQ(distinct.size(), types.size());
}

// ------------------------------------------------------------- merge interval

TEST_F(UndoBaseTest, MergeIntervalDefaultsTo1500AndResetRestoresIt)
{
    EXPECT_EQ(oxUndoCommand::mergeInterval(), 1500);
    for (qint64 interval : {qint64(0), qint64(-1), qint64(250), std::numeric_limits<qint64>::max()})
    {
        oxUndoCommand::setMergeInterval(interval);
        EXPECT_EQ(oxUndoCommand::mergeInterval(), interval);
    }
    oxStandIn::reset();
    EXPECT_EQ(oxUndoCommand::mergeInterval(), 1500);
}

TEST_F(UndoBaseTest, StampIsTheConstructionTimeInMilliseconds)
{
    const auto before = quint64(QDateTime::currentMSecsSinceEpoch());
    PlainCommand command;
    const auto after = quint64(QDateTime::currentMSecsSinceEpoch());
    EXPECT_GE(command.stamp(), before);
    EXPECT_LE(command.stamp(), after);
    EXPECT_GT(command.stamp(), Bit32) << "today's time in ms does not fit 32 bits";
}

// ------------------------------------------------------------- merge on stack

struct MergeCase
{
    const char* name;
    qint64 interval;
    quint64 first;
    quint64 second;
    bool merges;
};

void PrintTo(const MergeCase& c, std::ostream* os)
{
    *os << c.name;
}

class MergeTest : public oxHostTest, public ::testing::WithParamInterface<MergeCase>
{
};

TEST_P(MergeTest, SecondEditMergesOnlyWithinTheInterval)
{
    const MergeCase& c = GetParam();
    oxUndoCommand::setMergeInterval(c.interval);
    int value = 0;
    QUndoStack stack;
    stack.push(new ValueCommand<0>(value, 1, c.first));
    stack.push(new ValueCommand<0>(value, 2, c.second));

    EXPECT_EQ(value, 2);
    ASSERT_EQ(stack.count(), c.merges ? 1 : 2);
    if (c.merges)
    {
        EXPECT_EQ(static_cast<const ValueCommand<0>*>(stack.command(0))->stamp(), c.second);
    }

    stack.undo();
    EXPECT_EQ(value, c.merges ? 0 : 1);
    stack.setIndex(0);
    EXPECT_EQ(value, 0);
    stack.setIndex(stack.count());
    EXPECT_EQ(value, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Stamps, MergeTest,
    ::testing::Values(MergeCase{"SameStamp", 1500, T0, T0, true},
                      MergeCase{"AtTheInterval", 1500, T0, T0 + 1500, true},
                      MergeCase{"JustPastTheInterval", 1500, T0, T0 + 1501, false},
                      MergeCase{"EarlierStamp", 1500, T0, T0 - 1, false},
                      MergeCase{"ZeroIntervalSameStamp", 0, T0, T0, true},
                      MergeCase{"ZeroIntervalNextMillisecond", 0, T0, T0 + 1, false},
                      MergeCase{"NegativeIntervalFarApart", -1, T0, T0 + 1000000000, true},
                      MergeCase{"NegativeIntervalEarlier", -5, T0, 0, true},
                      MergeCase{"Across32Bits", 1500, Bit32 - 500, Bit32 + 500, true},
                      MergeCase{"Equal32BitRemainder", 1500, 5, Bit32 + 5, false},
                      MergeCase{"TopOfTheRange", 1500, Max - 1500, Max, true},
                      MergeCase{"WholeRangeApart", 1500, 0, Max, false},
                      MergeCase{"WholeRangeBack", 1500, Max, 0, false},
                      MergeCase{"HugeIntervalWholeRange", std::numeric_limits<qint64>::max(), 0, Max, false},
                      MergeCase{"HugeInterval", std::numeric_limits<qint64>::max(), 0, Max / 2, true}),
    [](const ::testing::TestParamInfo<MergeCase>& info) { return std::string(info.param.name); });

TEST_F(UndoBaseTest, ChainedEditsMergeWhileEachFollowsTheLastWithinTheInterval)
{
    int value = 0;
    QUndoStack stack;
    for (int i = 1; i <= 4; ++i)
        stack.push(new ValueCommand<0>(value, i, T0 + quint64(i) * 1000));
    EXPECT_EQ(stack.count(), 1);
    EXPECT_EQ(value, 4);
    stack.push(new ValueCommand<0>(value, 5, T0 + 4000 + 1501));
    EXPECT_EQ(stack.count(), 2);
    stack.undo();
    EXPECT_EQ(value, 4);
    stack.undo();
    EXPECT_EQ(value, 0);
}

TEST_F(UndoBaseTest, CommandsOfDifferentTypesNeverMerge)
{
    int a = 0;
    int b = 0;
    QUndoStack stack;
    stack.push(new ValueCommand<0>(a, 1, T0));
    stack.push(new ValueCommand<1>(b, 2, T0));
    stack.push(new ValueCommand<0>(a, 3, T0));
    EXPECT_EQ(stack.count(), 3);
}

struct CanMergeCase
{
    const char* name;
    std::function<bool(const oxUndoCommand& self, int& target)> ask;
};

void PrintTo(const CanMergeCase& c, std::ostream* os)
{
    *os << c.name;
}

class CanMergeTest : public oxHostTest, public ::testing::WithParamInterface<CanMergeCase>
{
};

TEST_P(CanMergeTest, Refuses)
{
    oxUndoCommand::setMergeInterval(-1); // time is no obstacle here
    int target = 0;
    ValueCommand<0> self(target, 1, T0);
    EXPECT_FALSE(GetParam().ask(self, target));
}

INSTANTIATE_TEST_SUITE_P(
    Others, CanMergeTest,
    ::testing::Values(
        CanMergeCase{"Null", [](const oxUndoCommand& self, int&) { return self.canMergeWith(nullptr); }},
        CanMergeCase{"OtherType",
                     [](const oxUndoCommand& self, int& target) {
                         const ValueCommand<1> other(target, 2, T0);
                         return self.canMergeWith(&other);
                     }},
        CanMergeCase{"ForeignCommandWithTheSameId",
                     [](const oxUndoCommand& self, int&) {
                         const ForeignCommand other;
                         return self.canMergeWith(&other);
                     }},
        CanMergeCase{"PlainQUndoCommand",
                     [](const oxUndoCommand& self, int&) {
                         const QUndoCommand other;
                         return self.canMergeWith(&other);
                     }},
        CanMergeCase{"IdMinusOneWithItself",
                     [](const oxUndoCommand&, int&) {
                         const PlainCommand plain;
                         return plain.canMergeWith(&plain);
                     }},
        CanMergeCase{"IdMinusOneWithAnother",
                     [](const oxUndoCommand&, int&) {
                         const PlainCommand plain;
                         const PlainCommand other;
                         return plain.canMergeWith(&other);
                     }}),
    [](const ::testing::TestParamInfo<CanMergeCase>& info) { return std::string(info.param.name); });
