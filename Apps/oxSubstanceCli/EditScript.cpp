#include "EditScript.h"

#include "oxSubstanceAttributeSync.h"
#include "oxSubstancePresetUtils.h"
#include "oxSubstanceUndoCommands.h"

#include "host/QOXIntVector.h"
#include "host/oxdImage.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QProcess>
#include <QTextStream>
#include <QVector2D>
#include <QVector3D>
#include <QVector4D>

#include <algorithm>
#include <vector>

namespace {

using Numbers = std::vector<double>;

/// One form of value that a property can take: the QVariant type of its
/// current value, how many numbers it needs, whether they are integers and
/// how they become a QVariant.
struct ValueForm
{
    int type;
    int count;
    bool integral;
    QVariant (*make)(const Numbers&);
};

const std::vector<ValueForm>& valueForms()
{
    static const std::vector<ValueForm> forms{
        {QMetaType::Float, 1, false, [](const Numbers& n) { return QVariant(float(n[0])); }},
        {QMetaType::Double, 1, false, [](const Numbers& n) { return QVariant(n[0]); }},
        {QMetaType::QVector2D, 2, false, [](const Numbers& n) { return QVariant(QVector2D(n[0], n[1])); }},
        {QMetaType::QVector3D, 3, false, [](const Numbers& n) { return QVariant(QVector3D(n[0], n[1], n[2])); }},
        {QMetaType::QVector4D, 4, false,
         [](const Numbers& n) { return QVariant(QVector4D(n[0], n[1], n[2], n[3])); }},
        {QMetaType::Int, 1, true, [](const Numbers& n) { return QVariant(int(n[0])); }},
        {qMetaTypeId<QOXIntVector2D>(), 2, true,
         [](const Numbers& n) { return QVariant::fromValue(QOXIntVector2D(int(n[0]), int(n[1]))); }},
        {qMetaTypeId<QOXIntVector3D>(), 3, true,
         [](const Numbers& n) { return QVariant::fromValue(QOXIntVector3D(int(n[0]), int(n[1]), int(n[2]))); }},
        {qMetaTypeId<QOXIntVector4D>(), 4, true,
         [](const Numbers& n) {
             return QVariant::fromValue(QOXIntVector4D(int(n[0]), int(n[1]), int(n[2]), int(n[3])));
         }},
    };
    return forms;
}

/// Reads \p words (blanks or commas between the numbers) in \p form.
bool readNumbers(const QStringList& words, const ValueForm& form, Numbers& result)
{
    const QStringList parts = words.join(',').split(',', Qt::SkipEmptyParts);
    if (parts.size() != form.count)
        return false;
    for (const QString& part : parts)
    {
        bool ok = false;
        const double value = form.integral ? double(part.trimmed().toInt(&ok)) : part.trimmed().toDouble(&ok);
        if (!ok)
            return false;
        result.push_back(value);
    }
    return true;
}

/// The value that \p words give for a property whose current value is \p current.
bool parseValue(const QVariant& current, const QStringList& words, QVariant& value, QString& error)
{
    const int type = current.userType();
    if (type == QMetaType::QString)
    {
        value = words.join(' ');
        return true;
    }
    if (type == qMetaTypeId<oxdImage>())
    {
        // An image input takes the path of an image file.
        const QString path = words.join(' ');
        if (!QFileInfo(path).isFile())
        {
            error = QString("'%1' is not an image file").arg(path);
            return false;
        }
        value = QFileInfo(path).absoluteFilePath();
        return true;
    }
    for (const ValueForm& form : valueForms())
    {
        if (form.type != type)
            continue;
        Numbers numbers;
        if (!readNumbers(words, form, numbers))
        {
            const QString what = form.count == 1 ? (form.integral ? "an integer" : "a number")
                                                 : QString("%1 %2").arg(form.count).arg(form.integral ? "integers" : "numbers");
            error = QString("'%1' is not %2").arg(words.join(' '), what);
            return false;
        }
        value = form.make(numbers);
        return true;
    }
    error = QString("values of type '%1' cannot be set from the command line").arg(current.typeName());
    return false;
}

bool isIndex(const QString& word, unsigned& index)
{
    bool ok = false;
    index = word.toUInt(&ok);
    return ok;
}

} // namespace

QStringList scriptSteps(const QString& text)
{
    QStringList steps;
    for (const QString& line : text.split('\n'))
    {
        const QString step = line.trimmed();
        if (!step.isEmpty() && !step.startsWith('#'))
            steps << step;
    }
    return steps;
}

EditSession::EditSession(const USubstanceMaterialPtr& material, QTextStream& out, bool quiet, Printer printer)
    : _material(material), _out(out), _quiet(quiet), _printer(std::move(printer))
{
}

EditSession::~EditSession() = default;

bool EditSession::run(const QString& step, QString& error)
{
    const QStringList words = QProcess::splitCommand(step);
    QString result;
    if (words.isEmpty() || !runWords(words, result, error))
    {
        if (words.isEmpty())
            error = "empty step";
        return false;
    }
    const int number = _steps.size() + 1;
    _steps.append(QJsonObject{{"step", number}, {"text", step}, {"result", result}});
    if (!_quiet && !result.isEmpty())
        _out << "step " << number << ": " << step << " -> " << result << "\n";
    return true;
}

bool EditSession::runWords(const QStringList& words, QString& result, QString& error)
{
    const QString verb = words.first();
    const QStringList args = words.mid(1);
    const auto expect = [&](bool ok, const char* usage) {
        if (!ok)
            error = QString("usage: %1").arg(usage);
        return ok;
    };
    if (verb == "set")
        return expect(args.size() >= 2, "set PROPERTY VALUE...") && set(args, result, error);
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
    if (verb == "add-presets")
    {
        if (!expect(args.size() == 1, "add-presets FILE"))
            return false;
        if (!QFileInfo(args[0]).isFile())
        {
            error = QString("'%1' is not a preset file").arg(args[0]);
            return false;
        }
        const std::vector<SubstancePresetPtr> presets =
            oxSubstancePresetUtils::importPresets(_material, QStringList{QFileInfo(args[0]).absoluteFilePath()}, false, true);
        if (presets.empty())
        {
            error = QString("'%1' holds no preset to add").arg(args[0]);
            return false;
        }
        result = push(new oxAddSubstancePresetUndoCommand(_material, presets, nullptr));
        return true;
    }
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
        if (verb == "print" && _printer)
            _printer();
        else if (verb == "history" && !_quiet)
            _out << historyText();
        return true;
    }
    error = QString("unknown step '%1' (set, apply, reset, add-presets, remove, reorder, recapture, undo, redo, "
                    "print, history)")
                .arg(verb);
    return false;
}

bool EditSession::set(const QStringList& words, QString& result, QString& error)
{
    const USubstanceGraphPtr graph = _material->getActiveGraph();
    if (graph.isNull())
    {
        error = "the material has no active graph";
        return false;
    }
    const QString graphName = QString::fromStdString(graph->getName());
    const QString property = words.first();
    QVariant current;
    if (!oxSubstanceAttributeSync().getOsgAttribute(_material, graphName, property, current))
    {
        error = QString("no property '%1' in graph '%2'").arg(property, graphName);
        return false;
    }
    QVariant value;
    if (!parseValue(current, words.mid(1), value, error))
        return false;
    result = push(oxSubstancePropertyUndoCommand::create(_material, graphName, property, value, nullptr));
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
