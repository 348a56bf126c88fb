#pragma once
/// \file EditScript.h
/// Edit steps for the command-line host: each step becomes the undo command
/// that the host's user interface would push for it, on a real QUndoStack.
/// editStepHelp() lists the steps and how their words are written.

#include "host/Materials.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QUndoStack>

#include <vector>

class QTextStream;

/// One step, as written and as words.
struct EditStep
{
    QString where; ///< "edits.txt:3" for a script line, "--edit 2" for the second --edit option
    QString text;  ///< the step as written, without a comment after it
    QStringList words;

    /// Why the step failed, naming it: "edits.txt:3 (set nothing 1): WHY".
    QString failure(const QString& why) const { return QString("%1 (%2): %3").arg(where, text, why); }
};

/// Reads the step written as \p text at \p where. Its words: blanks separate
/// words, double quotes group them ("" is an empty word), \" stands for a
/// double quote and \\ for a backslash, and a # at the start of a word outside
/// quotes starts a comment. False, with \p error naming the step, for an
/// unclosed quote. A text that is blank or a comment gives no words.
bool readStep(const QString& where, const QString& text, EditStep& step, QString& error);

/// The steps of a script text, one a line; blank and comment lines are left
/// out. \p scriptName names the script in each step's place. False, with
/// \p error naming the place, for a line that does not split.
bool scriptSteps(const QString& text, const QString& scriptName, std::vector<EditStep>& steps, QString& error);

/// The files whose presets "add-presets" steps read.
QStringList addedPresetFiles(const std::vector<EditStep>& steps);

/// The steps and how they are written, as --help lists them.
QString editStepHelp();

class EditSession
{
public:
    /// Steps act on \p material (the session takes no reference: the caller
    /// keeps it alive). Step lines, reports and histories go to \p out unless
    /// \p quiet; then they are in steps() only.
    EditSession(const USubstanceMaterialPtr& material, QTextStream& out, bool quiet);
    ~EditSession();
    EditSession(const EditSession&) = delete;
    EditSession& operator=(const EditSession&) = delete;

    /// Runs one step. False, with \p error saying why, for a step that cannot
    /// run (unknown word, property, graph or preset, bad index, a value that
    /// does not fit the property or could not be applied, nothing to undo);
    /// the material and the stack are then unchanged.
    bool run(const EditStep& step, QString& error);

    /// Each step run so far: "step" (its number), "where", "text", "result"
    /// (the undo text it produced), and when there are any "warnings", the
    /// "report" that a print step shows and the "undoHistory" of a history step.
    QJsonArray steps() const { return _steps; }
    /// The undo stack: each command's text, and whether it is done (not undone).
    QJsonArray history() const;
    /// history() as text lines.
    QString historyText() const;

private:
    /// What a step did, besides changing the material.
    struct Outcome
    {
        QString result;      ///< the step line's text after "->"; empty for none
        QStringList warnings;
        QJsonObject shown;   ///< what a print or history step shows, by report key
    };

    bool runWords(const QStringList& words, Outcome& outcome, QString& error);
    bool set(const QStringList& words, Outcome& outcome, QString& error);
    bool apply(const QStringList& words, QString& result, QString& error);
    bool selectGraph(const QString& word, QString& result, QString& error);
    bool addPresets(const QString& file, QString& result, QString& error);
    bool presetIndexes(const QStringList& words, std::vector<unsigned>& indexes, QString& error) const;
    bool undoRedo(const QStringList& words, bool undo, QString& result, QString& error);
    /// Pushes a command and gives its undo text.
    QString push(QUndoCommand* command);

    USubstanceMaterialPtr _material;
    QTextStream& _out;
    bool _quiet;
    QUndoStack _stack;
    QJsonArray _steps;
};
