#include "oxLogPanel.h"

#include "oxEditorDocument.h"

#include "oxStandInTesting.h"

oxLogPanel::oxLogPanel(oxEditorDocument* document, QWidget* parent) : QPlainTextEdit(parent)
{
    setObjectName("log");
    setReadOnly(true);
    setMaximumBlockCount(1000);
    setPlaceholderText(tr("Warnings and errors of the host log appear here."));
    // Messages from before the editor started belong to whoever logged them.
    _shown = oxStandIn::logMessages().size();
    connect(document, &oxEditorDocument::refreshed, this, &oxLogPanel::poll);
    connect(&_timer, &QTimer::timeout, this, &oxLogPanel::poll);
    _timer.start(PollInterval);
}

void oxLogPanel::poll()
{
    const auto& messages = oxStandIn::logMessages();
    // The log was cleared (a test's reset): start again from its first message.
    if (messages.size() < _shown)
        _shown = 0;
    for (; _shown < messages.size(); ++_shown)
    {
        const oxStandIn::LogMessage& m = messages[_shown];
        const QString line = (m.level == oxStandIn::LogMessage::Error ? tr("error: ") : tr("warning: ")) +
                             QString::fromStdString(m.text).trimmed();
        appendPlainText(line);
        emit logged(line);
    }
}
