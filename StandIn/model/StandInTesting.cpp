// What the stand-in host records for tests: edit records, log messages,
// archive calls, and the reset that brings it back to a fresh state.

#include "Materials.h"
#include "ModelInternal.h"
#include "oxStandInTesting.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct LogState
{
    std::vector<oxStandIn::LogMessage> messages;
    // OX_LOG_ECHO=1 in the environment starts with echo on.
    bool echo = [] {
        const char* value = std::getenv("OX_LOG_ECHO");
        return value && std::strcmp(value, "1") == 0;
    }();
};

LogState& logState()
{
    static LogState* state = new LogState;
    return *state;
}

std::map<std::string, int>& archiveCallCounts()
{
    static std::map<std::string, int>* counts = new std::map<std::string, int>;
    return *counts;
}

std::vector<void (*)()>& resetHooks()
{
    static std::vector<void (*)()>* hooks = new std::vector<void (*)()>;
    return *hooks;
}

} // namespace

namespace oxStandIn {

namespace detail {

void appendLogMessage(LogMessage::Level level, const std::string& text)
{
    LogMessage m;
    m.level = level;
    m.text = text;
    logState().messages.push_back(m);
    if (logState().echo)
        std::fprintf(stderr, "%s: %s\n", level == LogMessage::Error ? "error" : "warning", text.c_str());
}

} // namespace detail

const std::vector<EditRecord>& editLog()
{
    return detail::editState().log;
}

void clearEditLog()
{
    detail::editState().log.clear();
}

const std::vector<EditViolation>& editViolations()
{
    return detail::editState().violations;
}

void clearEditViolations()
{
    detail::editState().violations.clear();
}

std::size_t openEditCount()
{
    return detail::editState().open.size();
}

const std::vector<LogMessage>& logMessages()
{
    return logState().messages;
}

void clearLogMessages()
{
    logState().messages.clear();
}

void setLogEcho(bool echo)
{
    logState().echo = echo;
}

const std::map<std::string, int>& archiveCalls()
{
    return archiveCallCounts();
}

int archiveCallCount(const std::string& operation)
{
    const auto it = archiveCallCounts().find(operation);
    return it == archiveCallCounts().end() ? 0 : it->second;
}

void clearArchiveCalls()
{
    archiveCallCounts().clear();
}

void countArchiveCall(const std::string& operation)
{
    ++archiveCallCounts()[operation];
}

void addResetHook(void (*hook)())
{
    if (hook)
        resetHooks().push_back(hook);
}

void reset()
{
    // Hooks first: what they release or log belongs to the state being dropped.
    for (void (*hook)() : resetHooks())
        hook();
    USubstanceMaterial::enablePresetCache(false);
    clearLogMessages();
    clearArchiveCalls();
    detail::EditState& edits = detail::editState();
    edits.log.clear();
    edits.violations.clear();
    edits.open.clear();
}

} // namespace oxStandIn
