#include "EditScript.h"

#include "CliFiles.h"
#include "MaterialReport.h"
#include "ValueEntry.h"

#include "oxHostSetup.h"

#include "oxSubstanceAttributeSync.h"
#include "oxSubstancePresetUtils.h"
#include "oxSubstanceUndoCommands.h"

#include <QFileInfo>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

const char* const AddPresets = "add-presets";

bool isIndex(const QString& word, unsigned& index)
{
    bool ok = false;
    index = word.toUInt(&ok);
    return ok;
}

/// Splits \p text into \p words as readStep says; \p length is set to the
/// length of the text before a comment.
bool splitStep(const QString& text, QStringList& words, QString& error, int& length)
{
    length = text.size();
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i)
    {
        const QChar c = text[i];
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\'))
        {
            word += text[++i];
            inWord = true;
        }
        else if (c == '"')
        {
            quoted = !quoted;
            inWord = true;
        }
        else if (!quoted && c.isSpace())
        {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        }
        else if (!quoted && !inWord && c == '#')
        {
            length = i;
            break;
        }
        else
        {
            word += c;
            inWord = true;
        }
    }
    if (quoted)
    {
        error = "a double quote is not closed";
        return false;
    }
    if (inWord)
        words << word;
    return true;
}

} // namespace

bool readStep(const QString& where, const QString& text, EditStep& step, QString& error)
{
    step = EditStep{where, text.trimmed(), {}};
    int length = 0;
    if (!splitStep(step.text, step.words, error, length))
    {
        error = step.failure(error);
        return false;
    }
    if (!step.words.isEmpty())
        step.text = step.text.left(length).trimmed();
    return true;
}

bool scriptSteps(const QString& text, const QString& scriptName, std::vector<EditStep>& steps, QString& error)
{
    const QStringList lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i)
    {
        EditStep step;
        if (!readStep(QString("%1:%2").arg(scriptName).arg(i + 1), lines[i], step, error))
            return false;
        if (!step.words.isEmpty())
            steps.push_back(step);
    }
    return true;
}

QStringList addedPresetFiles(const std::vector<EditStep>& steps)
{
    QStringList files;
    for (const EditStep& step : steps)
        if (step.words.size() == 2 && step.words[0] == AddPresets)
            files << step.words[1];
    return files;
}

QString editStepHelp()
{
    return "Edit steps (one a line in a script; each --edit option is one step):\n"
           "  set PROPERTY VALUE...        sets a property of the active graph, by identifier or label\n"
           "  apply PRESET [default-size]  applies a preset by index or name, optionally with the archive's\n"
           "                               default output size\n"
           "  reset                        puts the active graph's inputs back to their defaults\n"
           "  graph GRAPH                  makes a graph active, by index or name\n"
           "  add-presets FILE             adds the presets of a preset file\n"
           "  remove INDEX...              removes presets\n"
           "  reorder INDEX...             orders the presets: the current index of each, first to last\n"
           "  recapture INDEX              takes a preset's content from the current values\n"
           "  undo [COUNT], redo [COUNT]   walks the undo history\n"
           "  print, history               prints the material or the undo history at this point\n"
           "Words are separated by blanks; double quotes group words (\"\" is an empty word, \\\" a double\n"
           "quote, \\\\ a backslash); a # at the start of a word outside quotes starts a comment.\n";
}

EditSession::EditSession(const USubstanceMaterialPtr& material, QTextStream& out, bool quiet)
    : _material(material), _out(out), _quiet(quiet)
{
}

EditSession::~EditSession() = default;

bool EditSession::run(const EditStep& step, QString& error)
{
    Outcome outcome;
    if (step.words.isEmpty())
    {
        error = "empty step";
        return false;
    }
    if (!runWords(step.words, outcome, error))
        return false;
    const int number = _steps.size() + 1;
    QJsonObject entry{{"step", number}, {"where", step.where}, {"text", step.text}, {"result", outcome.result}};
    if (!outcome.warnings.isEmpty())
        entry["warnings"] = QJsonArray::fromStringList(outcome.warnings);
    for (auto it = outcome.shown.begin(); it != outcome.shown.end(); ++it)
        entry[it.key()] = it.value();
    _steps.append(entry);
    if (_quiet)
        return true;
    if (!outcome.result.isEmpty())
        _out << "step " << number << ": " << step.text << " -> " << outcome.result << "\n";
    for (const QString& warning : outcome.warnings)
        _out << "  warning: " << warning << "\n";
    if (outcome.shown.contains("report"))
        _out << reportToText(outcome.shown["report"].toObject());
    if (outcome.shown.contains("undoHistory"))
        _out << historyText();
    _out.flush();
    return true;
}

bool EditSession::runWords(const QStringList& words, Outcome& outcome, QString& error)
{
    const QString verb = words.first();
    const QStringList args = words.mid(1);
    QString& result = outcome.result;
    const auto expect = [&](bool ok, const char* usage) {
        if (!ok)
            error = QString("usage: %1").arg(usage);
        return ok;
    };
    if (verb == "set")
        return expect(args.size() >= 2, "set PROPERTY VALUE...") && set(args, outcome, error);
    if (verb == "apply")
        return expect(args.size() == 1 || (args.size() == 2 && args[1] == "default-size"),
                      "apply PRESET [default-size]") &&
               apply(args, result, error);
    if (verb == "reset")
    {
        if (!expect(args.isEmpty(), "reset"))
            return false;
        result = push(new oxResetSubstanceGraphUndoCommand(_material, nullptr));
        return true;
    }
    if (verb == "graph")
        return expect(args.size() == 1, "graph GRAPH") && selectGraph(args[0], result, error);
    if (verb == AddPresets)
        return expect(args.size() == 1, "add-presets FILE") && addPresets(args[0], result, error);
    if (verb == "remove" || verb == "reorder" || verb == "recapture")
    {
        std::vector<unsigned> indexes;
        if (!expect(!args.isEmpty(), "remove|reorder INDEX..., recapture INDEX") ||
            !presetIndexes(args, indexes, error))
            return false;
        if (verb == "remove")
        {
            result = push(new oxRemoveSubstancePresetUndoCommand(_material, indexes, nullptr));
            return true;
        }
        if (verb == "reorder")
        {
            const std::size_t count = _material->getSubstancePresets().size();
            if (indexes.size() != count)
            {
                error = QString("the order must name each of the %1 presets once").arg(count);
                return false;
            }
            result = push(new oxReorderPresetsUndoCommand(_material, indexes, nullptr));
            return true;
        }
        if (!expect(indexes.size() == 1, "recapture INDEX"))
            return false;
        result = push(new oxRecapturePresetUndoCommand(_material, _material->getSubstancePresets()[indexes[0]], nullptr));
        return true;
    }
    if (verb == "undo" || verb == "redo")
        return undoRedo(args, verb == "undo", result, error);
    if (verb == "print" || verb == "history")
    {
        if (!expect(args.isEmpty(), verb == "print" ? "print" : "history"))
            return false;
        if (verb == "print")
            outcome.shown["report"] = describeMaterial(_material);
        else
            outcome.shown["undoHistory"] = history();
        return true;
    }
    error = QString("unknown step '%1' (set, apply, reset, graph, add-presets, remove, reorder, recapture, undo, "
                    "redo, print, history)")
                .arg(verb);
    return false;
}

bool EditSession::set(const QStringList& words, Outcome& outcome, QString& error)
{
    const USubstanceGraphPtr graph = _material->getActiveGraph();
    if (graph.isNull())
    {
        error = "the material has no active graph";
        return false;
    }
    const QString graphName = QString::fromStdString(graph->getName());
    const QString property = words.first();
    oxSubstanceAttributeSync sync;
    const AttributeValuePtr attribute = sync.searchProperty(_material, graphName, property);
    QVariant current;
    if (attribute.isNull() || !sync.getOsgAttribute(_material, attribute, current))
    {
        error = QString("no property '%1' in graph '%2'").arg(property, graphName);
        return false;
    }
    EnteredValue entered;
    if (!oxReadEnteredValue(attribute, current, words.mid(1), entered, error))
        return false;
    outcome.warnings = valueWarnings(oxValueForms::describeAttribute(_material, attribute), entered.json);
    outcome.result =
        push(oxSubstancePropertyUndoCommand::create(_material, graphName, property, entered.value, nullptr));
    return true;
}

bool EditSession::apply(const QStringList& words, QString& result, QString& error)
{
    unsigned index = 0;
    const std::size_t count = _material->getSubstancePresets().size();
    if (isIndex(words[0], index))
    {
        if (index >= count)
        {
            error = QString("no preset %1: the material has %2").arg(index).arg(count);
            return false;
        }
    }
    else if (!oxSubstancePresetUtils::getPresetIndex(_material, words[0].toStdString(), index))
    {
        error = QString("no preset named '%1'").arg(words[0]);
        return false;
    }
    result = push(new oxApplySubstancePresetUndoCommand(_material, index, words.size() == 2, nullptr));
    return true;
}

bool EditSession::selectGraph(const QString& word, QString& result, QString& error)
{
    const auto& graphs = _material->getSubstanceGraphs();
    unsigned index = 0;
    if (isIndex(word, index))
    {
        if (index >= graphs.size())
        {
            error = QString("no graph %1: the material has %2").arg(index).arg(graphs.size());
            return false;
        }
    }
    else
    {
        const auto named = std::find_if(graphs.begin(), graphs.end(), [&](const USubstanceGraphPtr& graph) {
            return !graph.isNull() && QString::fromStdString(graph->getName()) == word;
        });
        if (named == graphs.end())
        {
            error = QString("no graph named '%1'").arg(word);
            return false;
        }
        index = unsigned(named - graphs.begin());
    }
    oxSelectActiveGraph(_material, int(index));
    result = QString("active graph '%1'").arg(QString::fromStdString(graphs[index]->getName()));
    return true;
}

bool EditSession::addPresets(const QString& file, QString& result, QString& error)
{
    error = oxPresetFileRefusal(file);
    if (!error.isEmpty())
        return false;
    const std::vector<SubstancePresetPtr> presets = oxSubstancePresetUtils::importPresets(
        _material, QStringList{QFileInfo(file).absoluteFilePath()}, false, true);
    if (presets.empty())
    {
        error = QString("'%1' holds no preset to add").arg(file);
        return false;
    }
    result = push(new oxAddSubstancePresetUndoCommand(_material, presets, nullptr));
    return true;
}

bool EditSession::presetIndexes(const QStringList& words, std::vector<unsigned>& indexes, QString& error) const
{
    const std::size_t count = _material->getSubstancePresets().size();
    for (const QString& word : words.join(',').split(',', Qt::SkipEmptyParts))
    {
        unsigned index = 0;
        if (!isIndex(word.trimmed(), index) || index >= count)
        {
            error = QString("'%1' is not a preset index (the material has %2 presets)").arg(word).arg(count);
            return false;
        }
        if (std::find(indexes.begin(), indexes.end(), index) != indexes.end())
        {
            error = QString("preset %1 is named twice").arg(index);
            return false;
        }
        indexes.push_back(index);
    }
    return true;
}

bool EditSession::undoRedo(const QStringList& words, bool undo, QString& result, QString& error)
{
    unsigned count = 1;
    if (words.size() > 1 || (words.size() == 1 && (!isIndex(words[0], count) || count == 0)))
    {
        error = QString("usage: %1 [COUNT]").arg(undo ? "undo" : "redo");
        return false;
    }
    const int available = undo ? _stack.index() : _stack.count() - _stack.index();
    if (int(count) > available)
    {
        error = QString("only %1 step(s) to %2").arg(available).arg(undo ? "undo" : "redo");
        return false;
    }
    QStringList texts;
    for (unsigned i = 0; i < count; ++i)
    {
        texts << (undo ? _stack.undoText() : _stack.redoText());
        undo ? _stack.undo() : _stack.redo();
    }
    result = QString("%1 %2").arg(undo ? "undid" : "redid", texts.join(", "));
    return true;
}

QString EditSession::push(QUndoCommand* command)
{
    const QString text = command->text();
    const int before = _stack.index();
    _stack.push(command);
    // An edit of the property that the step before edited merges into that step.
    return _stack.index() == before ? text + " (merged)" : text;
}

QJsonArray EditSession::history() const
{
    QJsonArray entries;
    for (int i = 0; i < _stack.count(); ++i)
        entries.append(QJsonObject{{"text", _stack.text(i)}, {"done", i < _stack.index()}});
    return entries;
}

QString EditSession::historyText() const
{
    QString text = QString("Undo history (%1 of %2 done):\n").arg(_stack.index()).arg(_stack.count());
    for (int i = 0; i < _stack.count(); ++i)
        text += QString("  %1 %2%3\n").arg(i + 1).arg(_stack.text(i), i < _stack.index() ? "" : " (undone)");
    return text;
}
