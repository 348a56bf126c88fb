// The host's undo command bases: undo texts, parents, command ids and the
// merge rule, driven through a real QUndoStack.

#include "oxHostFixture.h"
#include "oxUndoCommand.h"

#include <QDateTime>
#include <QUndoStack>

#include <limits>
#include <set>
#include <typeindex>
#include <vector>

namespace {

using UndoBaseTest = oxHostTest;

/// Sets an int. Merging takes the newer command's value and stamp.
template <int Kind>
class ValueCommand : public oxUndoCommand
{
public:
    ValueCommand(int& target, int value, quint64 stamp, QUndoCommand* parent = nullptr)
        : oxUndoCommand(oxUndoString("Set value", "Test"), parent), _target(target), _value(value), _old(target)
    {
        m_mergeTimeStamp = stamp;
    }
    static int commandId()
    {
        static const int id = makeId(typeid(ValueCommand));
        return id;
    }
    int id() const override { return commandId(); }
    void redo() override { _target = _value; }
    void undo() override { _target = _old; }
    bool mergeWith(const QUndoCommand* other) override
    {
        if (!canMergeWith(other))
            return false;
        _value = static_cast<const ValueCommand*>(other)->_value;
        m_mergeTimeStamp = static_cast<const ValueCommand*>(other)->m_mergeTimeStamp;
        return true;
    }

private:
    int& _target;
    int _value;
    int _old;
};

/// Keeps QUndoCommand's id of -1.
struct PlainCommand : oxUndoCommand
{
    explicit PlainCommand(const oxUndoString& text = oxUndoString("Plain", "Test")) : oxUndoCommand(text, nullptr) {}
    quint64 stamp() const { return m_mergeTimeStamp; }
};

/// Not an oxUndoCommand, but claims the id of ValueCommand<0>.
struct ForeignCommand : QUndoCommand
{
    int id() const override { return ValueCommand<0>::commandId(); }
};

constexpr quint64 T0 = 1700000000000ull; // a stamp of our time, in ms since the epoch
constexpr quint64 Max = std::numeric_limits<quint64>::max();
constexpr quint64 Bit32 = quint64(1) << 32;

TEST_F(UndoBaseTest, TextsReachTheStackAndTheMessage)
{
    const oxUndoString fixed("Gr\xc3\xb6\xc3\x9f" "e \xc3\xa4ndern", "Material Commands");
    EXPECT_EQ(fixed.text(), QString::fromUtf8("Größe ändern"));
    EXPECT_EQ(fixed.title(), fixed.text());

    QUndoStack stack;
    auto* command = new PlainCommand(
        oxUndoString("Setting substance property 'roughness'", "Setting substance property", "Material Commands"));
    stack.push(command);
    EXPECT_EQ(stack.undoText(), "Setting substance property 'roughness'");
    EXPECT_EQ(command->undoString().title(), "Setting substance property");
    command->setDescription("Reset graph 'g1'");
    EXPECT_EQ(stack.undoText(), "Reset graph 'g1'");
    EXPECT_EQ(command->getDescription(), "Reset graph 'g1'");
    EXPECT_EQ(command->undoString().title(), "Setting substance property");
    oxMessage message;
    command->makeMessage(message);
    EXPECT_EQ(message.text, "Reset graph 'g1'");
    EXPECT_EQ(message.category, "Material Commands");
}

TEST_F(UndoBaseTest, ChildrenBelongToTheirParentAndRunWithIt)
{
    int a = 0;
    int b = 0;
    QUndoStack stack;
    auto* group = new PlainCommand();
    auto* first = new ValueCommand<0>(a, 1, T0, group);
    new ValueCommand<1>(b, 2, T0, group);
    EXPECT_EQ(group->parent(), nullptr);
    EXPECT_EQ(first->parent(), group);
    stack.push(group);
    EXPECT_EQ(a + b, 3);
    stack.undo();
    EXPECT_EQ(a + b, 0);
}

TEST_F(UndoBaseTest, IdsAreStablePerTypeAndDistinct)
{
    const std::type_index types[] = {typeid(char), typeid(double), typeid(int), typeid(PlainCommand)};
    std::vector<int> ids;
    for (const std::type_index& type : types)
        ids.push_back(oxUndoCommand::makeId(type));
    oxStandIn::reset();
    for (std::size_t i = 0; i < ids.size(); ++i)
    {
        EXPECT_NE(ids[i], -1);
        EXPECT_EQ(oxUndoCommand::makeId(types[i]), ids[i]);
    }
    EXPECT_EQ(std::set<int>(ids.begin(), ids.end()).size(), ids.size());
}

TEST_F(UndoBaseTest, StampIsTheTimeInMillisecondsAndResetRestoresTheInterval)
{
    const auto before = quint64(QDateTime::currentMSecsSinceEpoch());
    PlainCommand command;
    EXPECT_GE(command.stamp(), before);
    EXPECT_LE(command.stamp(), quint64(QDateTime::currentMSecsSinceEpoch()));

    EXPECT_EQ(oxUndoCommand::mergeInterval(), 1500);
    oxUndoCommand::setMergeInterval(-1);
    EXPECT_EQ(oxUndoCommand::mergeInterval(), -1);
    oxStandIn::reset();
    EXPECT_EQ(oxUndoCommand::mergeInterval(), 1500);
}

TEST_F(UndoBaseTest, SecondEditMergesOnlyWithinTheInterval)
{
    const struct
    {
        const char* name;
        qint64 interval;
        quint64 first, second;
        bool merges;
    } cases[] = {
        {"same stamp", 1500, T0, T0, true},
        {"at the interval", 1500, T0, T0 + 1500, true},
        {"just past the interval", 1500, T0, T0 + 1501, false},
        {"earlier stamp", 1500, T0, T0 - 1, false},
        {"earlier stamp, one step round the wrap", 1500, Max, 0, false},
        {"negative interval: any two", -1, T0, 0, true},
        {"across 32 bits", 1500, Bit32 - 500, Bit32 + 500, true},
        {"equal low 32 bits", 1500, 5, Bit32 + 5, false},
        {"largest interval, whole range", std::numeric_limits<qint64>::max(), 0, Max, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        oxUndoCommand::setMergeInterval(c.interval);
        int value = 0;
        QUndoStack stack;
        stack.push(new ValueCommand<0>(value, 1, c.first));
        stack.push(new ValueCommand<0>(value, 2, c.second));
        EXPECT_EQ(value, 2);
        ASSERT_EQ(stack.count(), c.merges ? 1 : 2);
        stack.undo();
        EXPECT_EQ(value, c.merges ? 0 : 1);
    }
}

TEST_F(UndoBaseTest, OnlyCommandsOfTheSameClassMerge)
{
    oxUndoCommand::setMergeInterval(-1);
    int target = 0;
    const ValueCommand<0> self(target, 1, T0);
    const ValueCommand<1> otherClass(target, 2, T0);
    const ForeignCommand foreign;
    const PlainCommand plain;
    const PlainCommand plain2;
    EXPECT_TRUE(self.canMergeWith(&self));
    EXPECT_FALSE(self.canMergeWith(nullptr));
    EXPECT_FALSE(self.canMergeWith(&otherClass));
    EXPECT_EQ(foreign.id(), self.id());
    EXPECT_FALSE(self.canMergeWith(&foreign));
    EXPECT_FALSE(plain.canMergeWith(&plain2));
}

} // namespace
