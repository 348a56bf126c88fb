#include "PyHostLog.h"

#include <pybind11/pybind11.h>

#include "oxStandInTesting.h"

namespace py = pybind11;

namespace {

/// A message without the line end that some messages carry.
std::string trimmed(std::string text)
{
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

/// Hands the host log's messages to the logger and empties the host log.
void forwardHostLog()
{
    const std::vector<oxStandIn::LogMessage>& messages = oxStandIn::logMessages();
    if (messages.empty())
        return;
    try
    {
        const py::object logger = py::module_::import("logging").attr("getLogger")("oxsubstance");
        for (const oxStandIn::LogMessage& m : messages)
            logger.attr(m.level == oxStandIn::LogMessage::Error ? "error" : "warning")("%s", trimmed(m.text));
    }
    catch (py::error_already_set& e)
    {
        // A logging set-up that fails must not turn the call into a failure.
        e.discard_as_unraisable("forwarding the host log to logging");
    }
    oxStandIn::clearLogMessages();
}

} // namespace

HostLogCall::HostLogCall()
{
    forwardHostLog();
}

HostLogCall::~HostLogCall()
{
    forwardHostLog();
}

std::string loggedErrors(const std::string& fallback)
{
    std::string text;
    for (const oxStandIn::LogMessage& m : oxStandIn::logMessages())
        if (m.level == oxStandIn::LogMessage::Error)
            text += (text.empty() ? "" : "\n") + trimmed(m.text);
    return text.empty() ? fallback : text;
}
