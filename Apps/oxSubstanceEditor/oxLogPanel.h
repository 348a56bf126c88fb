#pragma once
/// \file oxLogPanel.h
/// The host log's errors and warnings, as they arrive: the panel looks for
/// new messages whenever the editor has refreshed and a few times a second.

#include <QPlainTextEdit>
#include <QTimer>

#include <cstddef>

class oxEditorDocument;

class oxLogPanel : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit oxLogPanel(oxEditorDocument* document, QWidget* parent = nullptr);

    /// How often the panel looks for new messages without a refresh.
    static constexpr int PollInterval = 250;

    /// Shows the messages logged since the last look.
    void poll();

signals:
    /// A new message ("warning: ..." or "error: ...").
    void logged(const QString& line);

private:
    std::size_t _shown = 0;
    QTimer _timer;
};
