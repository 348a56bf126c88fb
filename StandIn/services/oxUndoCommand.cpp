// Undo command bases of the stand-in host.

#include "oxUndoCommand.h"

#include "oxStandInTesting.h"

#include <QDateTime>

#include <atomic>
#include <mutex>
#include <typeindex>
#include <unordered_map>

namespace {

constexpr qint64 defaultMergeInterval = 1500;

/// First id handed out by makeId. Kept well away from the small hand-picked
/// ids that other commands of the host may return from id().
constexpr int firstMadeId = 0x10000;

std::atomic<qint64>& mergeIntervalSetting()
{
    static std::atomic<qint64> interval{defaultMergeInterval};
    return interval;
}

quint64 nowMilliseconds()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    return now > 0 ? quint64(now) : 0;
}

// oxStandIn::reset() brings the merge interval back to its default; ids stay.
const bool resetHookRegistered = [] {
    oxStandIn::addResetHook([] { mergeIntervalSetting() = defaultMergeInterval; });
    return true;
}();

} // namespace

oxUndoString::oxUndoString(const char* title, const QString& category)
    : _text(QString::fromUtf8(title)), _title(_text), _category(category)
{
}

oxUndoString::oxUndoString(const QString& description, const QString& title, const QString& category)
    : _text(description), _title(title), _category(category)
{
}

oxUndoCommandBase::oxUndoCommandBase(const oxUndoString& text, QUndoCommand* parent)
    : QUndoCommand(text.text(), parent), _undoString(text), _parent(parent)
{
}

oxUndoCommandBase::~oxUndoCommandBase() = default;

const QUndoCommand* oxUndoCommandBase::parent() const
{
    return _parent;
}

void oxUndoCommandBase::setDescription(const QString& description)
{
    _undoString = oxUndoString(description, _undoString.title(), _undoString.category());
    setText(description);
}

QString oxUndoCommandBase::getDescription() const
{
    return _undoString.text();
}

oxUndoCommand::oxUndoCommand(const oxUndoString& text, QUndoCommand* parent)
    : oxUndoCommandBase(text, parent), m_mergeTimeStamp(nowMilliseconds())
{
}

oxUndoCommand::~oxUndoCommand() = default;

int oxUndoCommand::makeId(std::type_index type)
{
    static std::mutex mutex;
    static std::unordered_map<std::type_index, int> ids;
    static int nextId = firstMadeId;

    const std::lock_guard<std::mutex> lock(mutex);
    const auto inserted = ids.emplace(type, nextId);
    if (inserted.second)
        ++nextId;
    return inserted.first->second;
}

void oxUndoCommand::setMergeInterval(qint64 milliseconds)
{
    mergeIntervalSetting() = milliseconds;
}

qint64 oxUndoCommand::mergeInterval()
{
    return mergeIntervalSetting();
}

void oxUndoCommand::makeMessage(oxMessage& message) const
{
    message.text = getDescription();
    message.category = undoString().category();
}

bool oxUndoCommand::canMergeWith(const QUndoCommand* other) const
{
    if (!other || id() == -1 || other->id() != id())
        return false;
    const auto* command = dynamic_cast<const oxUndoCommand*>(other);
    if (!command)
        return false;

    const qint64 interval = mergeInterval();
    if (interval < 0)
        return true;
    // Only a later (or simultaneous) edit continues this one.
    if (command->m_mergeTimeStamp < m_mergeTimeStamp)
        return false;
    return command->m_mergeTimeStamp - m_mergeTimeStamp <= quint64(interval);
}
