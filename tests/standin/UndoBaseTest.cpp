// The host's undo command bases: command ids, time stamps and the merge rule,
// driven through a real QUndoStack.

#include "oxHostFixture.h"
#include "oxUndoCommand.h"

#include <QDateTime>
#include <QUndoStack>

#include <limits>
#include <set>
#include <typeindex>

namespace {

using UndoBaseTest = oxHostTest;

/// A command of its own class (one per Kind) that merges whenever the host's rule allows.
template <int Kind>
struct MergingCommand : oxUndoCommand
{
    explicit MergingCommand(quint64 stamp) : oxUndoCommand(oxUndoString("Edit", "Test"), nullptr)
    {
        m_mergeTimeStamp = stamp;
    }
    static int commandId()
    {
        static const int id = makeId(typeid(MergingCommand));
        return id;
    }
    int id() const override { return commandId(); }
    bool mergeWith(const QUndoCommand* other) override { return canMergeWith(other); }
};

/// Keeps QUndoCommand's id of -1.
struct PlainCommand : oxUndoCommand
{
    PlainCommand() : oxUndoCommand(oxUndoString("Plain", "Test"), nullptr) {}
    quint64 stamp() const { return m_mergeTimeStamp; }
};

/// Not an oxUndoCommand, but claims the id of MergingCommand<0>.
struct ForeignCommand : QUndoCommand
{
    int id() const override { return MergingCommand<0>::commandId(); }
};

constexpr quint64 T0 = 1700000000000ull; // a stamp of our time, in ms since the epoch
constexpr quint64 Bit32 = quint64(1) << 32;

TEST_F(UndoBaseTest, IdsAreStablePerTypeAndDistinctAndStampsAreMilliseconds)
{
    const std::set<int> ids = {oxUndoCommand::makeId(typeid(char)), oxUndoCommand::makeId(typeid(int)),
                               oxUndoCommand::makeId(typeid(PlainCommand))};
    EXPECT_EQ(ids.size(), 3u);
    EXPECT_EQ(ids.count(-1), 0u);
    EXPECT_EQ(oxUndoCommand::makeId(typeid(int)), oxUndoCommand::makeId(typeid(int)));

    const auto before = quint64(QDateTime::currentMSecsSinceEpoch());
    PlainCommand command;
    EXPECT_GE(command.stamp(), before);
    EXPECT_LE(command.stamp(), quint64(QDateTime::currentMSecsSinceEpoch()));
}

TEST_F(UndoBaseTest, SecondEditMergesOnlyWithinTheInterval)
{
    EXPECT_EQ(oxUndoCommand::mergeInterval(), 1500);
    const struct { const char* name; qint64 interval; quint64 first, second; bool merges; } cases[] = {
        {"same stamp", 1500, T0, T0, true},
        {"at the interval", 1500, T0, T0 + 1500, true},
        {"just past the interval", 1500, T0, T0 + 1501, false},
        {"earlier stamp, one step round the wrap", 1500, std::numeric_limits<quint64>::max(), 0, false},
        {"negative interval: any two", -1, T0, 0, true},
        {"equal low 32 bits", 1500, 5, Bit32 + 5, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        oxUndoCommand::setMergeInterval(c.interval);
        QUndoStack stack;
        stack.push(new MergingCommand<0>(c.first));
        stack.push(new MergingCommand<0>(c.second));
        EXPECT_EQ(stack.count(), c.merges ? 1 : 2);
    }
}

TEST_F(UndoBaseTest, OnlyCommandsOfTheSameClassMerge)
{
    oxUndoCommand::setMergeInterval(-1);
    const MergingCommand<0> self(T0);
    const MergingCommand<1> otherClass(T0);
    const ForeignCommand foreign;
    const PlainCommand plain;
    EXPECT_TRUE(self.canMergeWith(&self));
    EXPECT_FALSE(self.canMergeWith(nullptr));
    EXPECT_FALSE(self.canMergeWith(&otherClass));
    EXPECT_FALSE(self.canMergeWith(&foreign));
    EXPECT_FALSE(plain.canMergeWith(&plain)) << "id -1 never merges";
}

} // namespace
