#pragma once
/// \file oxStandInTesting.h
/// What the stand-in host lets tests see: edit brackets, writes outside a
/// covering bracket, live containers, log messages and archive calls.
/// Not part of the host declarations: only tests and tools include it.

#include "OSGBase.h"
#include "oxHostExport.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace oxStandIn {

/// One beginEditCP/endEditCP call (osgEdit included).
struct OX_HOST_API EditRecord
{
    osg::UInt32 containerId = 0;
    std::string typeName;     ///< the container's type name ("USubstanceMaterial", ...)
    osg::BitVector mask = 0;
    osg::UInt32 origin = 0;
    bool begin = true;        ///< false for the end of a bracket
};

/// A write that no open bracket covered, or an end that matched no begin.
struct OX_HOST_API EditViolation
{
    osg::UInt32 containerId = 0;
    std::string typeName;
    osg::BitVector mask = 0;  ///< the fields written, or the mask of the unmatched end
    std::string what;         ///< "write outside bracket", "unmatched end", ...
};

OX_HOST_API const std::vector<EditRecord>& editLog();
OX_HOST_API void clearEditLog();
OX_HOST_API const std::vector<EditViolation>& editViolations();
OX_HOST_API void clearEditViolations();
/// Brackets begun and not yet ended.
OX_HOST_API std::size_t openEditCount();

/// Number of live containers.
OX_HOST_API std::size_t liveContainerCount();
/// Type names of the live containers, for leak reports.
OX_HOST_API std::vector<std::string> liveContainerTypes();

struct OX_HOST_API LogMessage
{
    enum Level { Error, Warning } level;
    std::string text; ///< the formatted message (UTF-8)
};
OX_HOST_API const std::vector<LogMessage>& logMessages();
OX_HOST_API void clearLogMessages();
/// Whether log messages are also printed to stderr (default false).
OX_HOST_API void setLogEcho(bool echo);

/// How often each archive-service operation was called, by name
/// ("renderTextures", "updateInputs", "applyPreset", "resetGraph", "import", ...).
OX_HOST_API const std::map<std::string, int>& archiveCalls();
OX_HOST_API int archiveCallCount(const std::string& operation);
OX_HOST_API void clearArchiveCalls();
/// Records one call (used by the stand-in's archive service).
OX_HOST_API void countArchiveCall(const std::string& operation);

/// Takes a container out of the factory's lookup without destroying it
/// (getContainer gives null for its id; it no longer counts as live), as the
/// host does with an object that was deleted but is kept for undo.
/// showContainer lists it again under the same id. The caller keeps the
/// container alive meanwhile and shows it again before it is destroyed.
OX_HOST_API void hideContainer(const osg::FieldContainerPtr& container);
OX_HOST_API void showContainer(const osg::FieldContainerPtr& container);

/// Every live container (for the host's own enumerations; no reference taken).
OX_HOST_API std::vector<osg::FieldContainerPtr> liveContainers();

/// Registers a function that reset() calls (each part of the stand-in that keeps
/// state of its own registers one from a static initialiser).
OX_HOST_API void addResetHook(void (*hook)());

/// Brings the stand-in back to a fresh state between tests: drops every
/// archive, clears the logs, counters and edit records, switches the preset
/// cache off and removes services and renderer that tests installed
/// (through the reset hooks).
OX_HOST_API void reset();

} // namespace oxStandIn
