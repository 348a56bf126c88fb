#pragma once
/// \file PyHostLog.h
/// The host log seen from Python, and the failures that the module raises as
/// oxsubstance.Error.

#include <stdexcept>
#include <string>

/// A failure that the library or the host reported; Python sees it as
/// oxsubstance.Error with this text.
class HostError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/// One Python call into the library (a pybind11 call guard). What the host
/// log holds when the call begins and when it ends goes to Python's logging
/// under the logger "oxsubstance" (errors as ERROR, warnings as WARNING) and
/// leaves the host log, so that the log holds only the messages of the
/// running call and a long script does not pile them up.
class HostLogCall
{
public:
    HostLogCall();
    ~HostLogCall();
    HostLogCall(const HostLogCall&) = delete;
    HostLogCall& operator=(const HostLogCall&) = delete;
};

/// The errors that the host log received during the running call, one a line;
/// \p fallback when there are none.
std::string loggedErrors(const std::string& fallback);
