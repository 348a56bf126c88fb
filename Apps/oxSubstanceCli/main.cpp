/// oxSubstanceCli: a command-line host for the library. It creates a material
/// in the stand-in host, loads a Substance archive into it through the
/// scripting interface, optionally imports preset files, runs edit steps
/// through the undo commands, exports preset files, and prints what the
/// library built. main() runs one function per phase; a phase that ends the
/// program gives its exit code.

#include "CliFiles.h"
#include "EditScript.h"
#include "MaterialReport.h"
#include "ValueEntry.h"

#include "oxHostSetup.h"

#include "oxSubstanceCommandSupport.h"
#include "oxSubstancePresetUtils.h"
#include "oxSubstancePythonInterface.h"

#include "host/Materials.h"
#include "oxStandInFiles.h"
#include "oxStandInTesting.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QTextStream>

#include <optional>
#include <utility>
#include <vector>

namespace {

/// An exit code of the program and what it means (--help lists them).
struct ExitCode
{
    int code;
    const char* meaning;
};

constexpr ExitCode Ok{0, "success"};
constexpr ExitCode LoadFailed{1, "the archive did not load"};
constexpr ExitCode UsageError{2, "bad command line (an unknown option, an option without its value or with a bad "
                                 "value, an edit script that cannot be read, or an export that would overwrite a "
                                 "file that the run reads)"};
constexpr ExitCode PresetFailed{3, "a preset file could not be read or written or a preset index is out of range"};
constexpr ExitCode EditFailed{4, "an edit step could not run (the message names the step)"};
constexpr ExitCode ExitCodes[] = {Ok, LoadFailed, UsageError, PresetFailed, EditFailed};

/// What a phase gives: the exit code when the program ends there, none to go on.
using Stop = std::optional<ExitCode>;

/// Largest edit script read: a script is a short list of steps.
constexpr qint64 MaxEditScriptSize = qint64(1) << 20;

void printError(const QString& text)
{
    QTextStream(stderr) << "oxSubstanceCli: " << text << "\n";
}

/// The host log's messages so far: {"level": "error" or "warning", "text"}, the
/// text without the line end that some messages carry.
QJsonArray logMessages()
{
    QJsonArray messages;
    for (const oxStandIn::LogMessage& m : oxStandIn::logMessages())
    {
        QString text = QString::fromStdString(m.text);
        while (text.endsWith('\n'))
            text.chop(1);
        messages.append(QJsonObject{{"level", m.level == oxStandIn::LogMessage::Error ? "error" : "warning"},
                                    {"text", text}});
    }
    return messages;
}

/// Prints the host log's messages to the standard error stream, one line each.
void printMessages()
{
    for (const QJsonValue& m : logMessages())
        printError(m["level"].toString() + ": " + m["text"].toString());
}

/// Parses "0,2,5"; false for anything that is not a list of non-negative integers.
bool parseIndexes(const QString& text, std::vector<unsigned int>& indexes)
{
    for (const QString& part : text.split(',', Qt::SkipEmptyParts))
    {
        bool ok = false;
        const uint value = part.trimmed().toUInt(&ok);
        if (!ok)
            return false;
        indexes.push_back(value);
    }
    return !indexes.empty();
}

/// What the command line asks for.
struct Options
{
    QString archive;
    QString name;
    bool json = false;
    bool environment = false;
    QStringList imports;
    bool hasScript = false;
    QString script;
    QStringList edits;
    bool exporting = false;
    QString exportFile;
    bool exportAll = true;
    std::vector<unsigned int> exportIndexes;
};

/// \p text as lines of at most 100 characters, each but the first after \p indent blanks.
QString wrapped(const QString& text, int indent)
{
    QString lines;
    int length = indent;
    for (const QString& word : text.split(' '))
    {
        if (length > indent && length + 1 + word.size() > 100)
        {
            lines += "\n" + QString(indent, ' ');
            length = indent;
        }
        else if (length > indent)
        {
            lines += ' ';
            ++length;
        }
        lines += word;
        length += word.size();
    }
    return lines;
}

QString helpText(const QCommandLineParser& parser)
{
    QString text = parser.helpText() + "\n" + editStepHelp() + "\n" + valueFormHelp() + "\n" +
                   "Loading an archive also reads, by itself, the preset file beside it that is named after it\n"
                   "(materials.sbsar: materials.sbsprs; the name up to its first dot); its presets of other\n"
                   "graphs and those that the material has already are skipped with a warning each.\n"
                   "\nExit codes:\n";
    for (const ExitCode& exit : ExitCodes)
        text += QString("  %1  %2\n").arg(exit.code).arg(wrapped(exit.meaning, 5));
    return text;
}

Stop parseCommandLine(const QCoreApplication& app, Options& options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Loads a Substance archive into a material of the stand-in host and prints its graphs, attribute "
        "groups, attributes, presets and colour components.");
    const QCommandLineOption helpOption({"h", "help"},
                                        "Show this help: the options, edit steps, values and exit codes.");
    parser.addPositionalArgument("archive", "The archive file (.sbsar) to load.");
    const QCommandLineOption jsonOption("json", "Print the report as JSON.");
    const QCommandLineOption importOption("import", "Add the presets of a preset file (repeatable).", "file");
    const QCommandLineOption exportOption("export", "Export presets to a preset file.", "file");
    const QCommandLineOption presetsOption("presets", "Comma-separated preset indexes to export (default: all).",
                                           "indexes");
    const QCommandLineOption environmentOption("environment",
                                               "Load into the texture-generator material of an environment material.");
    const QCommandLineOption nameOption("name", "Name of the material (default: the archive's base name).", "name");
    const QCommandLineOption scriptOption("script", "Run the edit steps of a script file, one a line (once).", "file");
    const QCommandLineOption editOption("edit", "Run one edit step (repeatable; after --script).", "step");
    parser.addOptions({helpOption, jsonOption, importOption, exportOption, presetsOption, environmentOption, nameOption,
                       scriptOption, editOption});
    if (!parser.parse(app.arguments()))
    {
        printError(parser.errorText() + " See --help.");
        return UsageError;
    }
    if (parser.isSet(helpOption))
    {
        QTextStream(stdout) << helpText(parser);
        return Ok;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
    {
        printError("expected exactly one archive file; see --help");
        return UsageError;
    }
    if (parser.values(scriptOption).size() > 1)
    {
        printError("--script is given more than once: put the steps into one script, or add steps with --edit");
        return UsageError;
    }
    if (parser.isSet(presetsOption) && !parseIndexes(parser.value(presetsOption), options.exportIndexes))
    {
        printError(QString("'%1' is not a list of preset indexes").arg(parser.value(presetsOption)));
        return UsageError;
    }
    if (parser.isSet(presetsOption) && !parser.isSet(exportOption))
    {
        printError("--presets needs --export");
        return UsageError;
    }

    options.archive = positional.first();
    options.name = parser.isSet(nameOption) ? parser.value(nameOption) : QFileInfo(options.archive).baseName();
    options.json = parser.isSet(jsonOption);
    options.environment = parser.isSet(environmentOption);
    options.imports = parser.values(importOption);
    options.hasScript = parser.isSet(scriptOption);
    options.script = parser.value(scriptOption);
    options.edits = parser.values(editOption);
    options.exporting = parser.isSet(exportOption);
    options.exportFile = parser.value(exportOption);
    options.exportAll = !parser.isSet(presetsOption);
    return std::nullopt;
}

/// The script's steps, then those of the --edit options; every step is split
/// into words before any runs.
Stop readSteps(const Options& options, std::vector<EditStep>& steps)
{
    QString error;
    if (options.hasScript)
    {
        QByteArray text;
        QString problem;
        if (!oxStandIn::readRegularFile(options.script, MaxEditScriptSize, text, problem))
        {
            printError(QString("cannot read the edit script '%1': %2").arg(options.script, problem));
            return UsageError;
        }
        if (!scriptSteps(QString::fromUtf8(text), options.script, steps, error))
        {
            printError(error);
            return EditFailed;
        }
    }
    for (int i = 0; i < options.edits.size(); ++i)
    {
        EditStep step;
        if (!readStep(QString("--edit %1").arg(i + 1), options.edits[i], step, error))
        {
            printError(error);
            return EditFailed;
        }
        steps.push_back(step);
    }
    return std::nullopt;
}

/// Refuses an export that would overwrite a file that the run reads.
Stop checkExportTarget(const Options& options, const std::vector<EditStep>& steps)
{
    if (!options.exporting)
        return std::nullopt;
    std::vector<std::pair<QString, QString>> read{
        {"the archive", options.archive},
        {"the preset file beside the archive", associatedPresetFile(options.archive)}};
    for (const QString& file : options.imports)
        read.emplace_back("a preset file that --import reads", file);
    for (const QString& file : addedPresetFiles(steps))
        read.emplace_back("a preset file that add-presets reads", file);
    if (options.hasScript)
        read.emplace_back("the edit script", options.script);
    for (const auto& [what, file] : read)
    {
        if (sameFile(options.exportFile, file))
        {
            printError(QString("will not export to '%1': it is %2 ('%3')").arg(options.exportFile, what, file));
            return UsageError;
        }
    }
    return std::nullopt;
}

Stop loadMaterial(const Options& options, oxHostMaterial& material)
{
    if (!material.load(options.archive, options.name, options.environment))
    {
        printMessages();
        printError(QString("could not load the archive '%1'").arg(options.archive));
        return LoadFailed;
    }
    return std::nullopt;
}

Stop importPresets(const Options& options, const oxHostMaterial& material)
{
    for (const QString& file : options.imports)
    {
        const QString refusal = oxPresetFileRefusal(file);
        if (!refusal.isEmpty())
        {
            printError(refusal);
            return PresetFailed;
        }
        oxSubstancePythonInterface::loadPreset(material.target(), file.toUtf8().constData());
    }
    return std::nullopt;
}

Stop runSteps(const std::vector<EditStep>& steps, EditSession& session)
{
    for (const EditStep& step : steps)
    {
        QString error;
        if (!session.run(step, error))
        {
            printError(step.failure(error));
            return EditFailed;
        }
    }
    return std::nullopt;
}

Stop exportPresets(Options& options, const USubstanceMaterialPtr& material)
{
    if (!options.exporting)
        return std::nullopt;
    const std::size_t count = material->getSubstancePresets().size();
    if (count == 0)
    {
        printError("the material has no presets to export");
        return PresetFailed;
    }
    if (options.exportAll)
        for (unsigned int i = 0; i < count; ++i)
            options.exportIndexes.push_back(i);
    if (!oxSubstancePresetUtils::indexesValid(material, options.exportIndexes))
    {
        printError(QString("preset indexes must be distinct and below %1").arg(count));
        return PresetFailed;
    }
    if (!oxSubstancePresetUtils::exportPresets(material, options.exportIndexes, options.exportFile))
    {
        printError(QString("could not write the preset file '%1'").arg(options.exportFile));
        return PresetFailed;
    }
    return std::nullopt;
}

/// The final report, with the steps and the undo history when steps ran. As
/// text, the log's messages follow on the standard error stream; as JSON, they
/// are in the report.
void printReport(const Options& options, const USubstanceMaterialPtr& material, const EditSession& session,
                 bool stepsRan, QTextStream& out)
{
    QJsonObject report = describeMaterial(material);
    if (stepsRan)
    {
        report["edits"] = session.steps();
        report["undoHistory"] = session.history();
    }
    if (options.json)
    {
        report["messages"] = logMessages();
        out << QJsonDocument(report).toJson(QJsonDocument::Indented);
    }
    else
        out << reportToText(report);
    out.flush();
    if (!options.json)
        printMessages();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("oxSubstanceCli");
    // Debug lines are for developers (QT_LOGGING_RULES="default.debug=true"
    // brings them back); users get one message per failure.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    // The host's Substance service, which the undo commands notify, and its renderer.
    const oxHostSetup host;

    Options options;
    std::vector<EditStep> steps;
    oxHostMaterial material;
    if (const Stop stop = parseCommandLine(app, options))
        return stop->code;
    if (const Stop stop = readSteps(options, steps))
        return stop->code;
    if (const Stop stop = checkExportTarget(options, steps))
        return stop->code;
    if (const Stop stop = loadMaterial(options, material))
        return stop->code;
    if (const Stop stop = importPresets(options, material))
        return stop->code;

    QTextStream out(stdout);
    EditSession session(material.substance.get(), out, options.json);
    if (const Stop stop = runSteps(steps, session))
        return stop->code;
    if (const Stop stop = exportPresets(options, material.substance.get()))
        return stop->code;
    printReport(options, material.substance.get(), session, !steps.empty(), out);
    return Ok.code;
}
