#pragma once
/// \file EditScript.h
/// Edit steps for the command-line host: each step becomes the undo command
/// that the host's user interface would push for it, on a real QUndoStack.
///
/// One step a line (in a script file) or an option value (--edit):
///
///     set PROPERTY VALUE...     property by identifier or label, of the active graph
///     apply PRESET [default-size]   preset by index or name
///     reset                     the active graph's inputs back to their defaults
///     add-presets FILE          the presets of a preset file
///     remove INDEX...           presets by index
///     reorder INDEX...          the new order: the current index of each preset, first to last
///     recapture INDEX           a preset's content from the current values
///     undo [COUNT], redo [COUNT]
///     print                     the material report at this point
///     history                   the undo history
///
/// Words are separated by blanks; double quotes group words ("Weathered Pine").
/// Blank lines and lines starting with # are skipped.

#include "host/Materials.h"

#include <QJsonArray>
#include <QString>
#include <QStringList>
#include <QUndoStack>

#include <functional>

class QTextStream;

class EditSession
{
public:
    /// Prints the material report (the "print" step).
    using Printer = std::function<void()>;

    /// Steps act on \p material (the session takes no reference: the caller
    /// keeps it alive). Step lines go to \p out unless \p quiet.
    EditSession(const USubstanceMaterialPtr& material, QTextStream& out, bool quiet, Printer printer);
    ~EditSession();
    EditSession(const EditSession&) = delete;
    EditSession& operator=(const EditSession&) = delete;

    /// Runs one step. False, with \p error saying why, for a step that cannot
    /// run (unknown word, property or preset, bad index, a value that does not
    /// fit the property's type, nothing to undo); the stack is then unchanged.
    bool run(const QString& step, QString& error);

    /// Each step run so far: its number, text and the undo text it produced.
    QJsonArray steps() const { return _steps; }
    /// The undo stack: each command's text, and whether it is done (not undone).
    QJsonArray history() const;
    /// history() as text lines.
    QString historyText() const;

private:
    bool runWords(const QStringList& words, QString& result, QString& error);
    bool set(const QStringList& words, QString& result, QString& error);
    bool apply(const QStringList& words, QString& result, QString& error);
    bool presetIndexes(const QStringList& words, std::vector<unsigned>& indexes, QString& error) const;
    bool undoRedo(const QStringList& words, bool undo, QString& result, QString& error);
    /// Pushes a command and gives its undo text.
    QString push(QUndoCommand* command);

    USubstanceMaterialPtr _material;
    QTextStream& _out;
    bool _quiet;
    Printer _printer;
    QUndoStack _stack;
    QJsonArray _steps;
};

/// The steps of a script text: one per line, blank and comment lines left out.
QStringList scriptSteps(const QString& text);
