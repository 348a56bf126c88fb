/// oxSubstanceCli: a command-line host for the library. It creates a material
/// in the stand-in host, loads a Substance archive into it through the
/// scripting interface, optionally imports preset files, runs edit steps
/// through the undo commands, exports preset files, and prints what the
/// library built.

#include "EditScript.h"
#include "MaterialReport.h"

#include "oxSubstanceCommandSupport.h"
#include "oxSubstancePresetUtils.h"
#include "oxSubstancePythonInterface.h"

#include "host/Materials.h"
#include "host/QSubstanceArchive.h"
#include "oxStandInFiles.h"
#include "oxStandInServices.h"
#include "oxStandInTesting.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QTextStream>

#include <cstdio>
#include <vector>

namespace {

enum ExitCode
{
    Ok = 0,
    LoadFailed = 1,
    UsageError = 2,
    PresetFailed = 3,
    EditFailed = 4
};

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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("oxSubstanceCli");
    // Debug lines are for developers (QT_LOGGING_RULES="default.debug=true"
    // brings them back); users get one message per failure.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    // The host's Substance service, which the undo commands notify.
    const oxStandIn::ScopedSubstanceService service;

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Loads a Substance archive into a material of the stand-in host and prints its graphs, attribute "
        "groups, attributes, presets and colour components.");
    parser.addHelpOption();
    parser.addPositionalArgument("archive", "The archive file (.sbsar) to load.");
    const QCommandLineOption jsonOption("json", "Print the report as JSON.");
    const QCommandLineOption importOption("import", "Add the presets of a preset file (repeatable).", "file");
    const QCommandLineOption exportOption("export", "Export presets to a preset file.", "file");
    const QCommandLineOption presetsOption("presets", "Comma-separated preset indexes to export (default: all).",
                                           "indexes");
    const QCommandLineOption environmentOption("environment",
                                               "Load into the texture-generator material of an environment material.");
    const QCommandLineOption nameOption("name", "Name of the material (default: the archive's base name).", "name");
    const QCommandLineOption scriptOption("script", "Run the edit steps of a script file, one a line.", "file");
    const QCommandLineOption editOption("edit", "Run one edit step (repeatable; after --script).", "step");
    parser.addOptions({jsonOption, importOption, exportOption, presetsOption, environmentOption, nameOption,
                       scriptOption, editOption});
    parser.process(app);

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
    {
        printError("expected exactly one archive file; see --help");
        return UsageError;
    }
    std::vector<unsigned int> exportIndexes;
    if (parser.isSet(presetsOption) && !parseIndexes(parser.value(presetsOption), exportIndexes))
    {
        printError(QString("'%1' is not a list of preset indexes").arg(parser.value(presetsOption)));
        return UsageError;
    }
    if (parser.isSet(presetsOption) && !parser.isSet(exportOption))
    {
        printError("--presets needs --export");
        return UsageError;
    }

    const QString archivePath = positional.first();
    const QString name = parser.isSet(nameOption) ? parser.value(nameOption) : QFileInfo(archivePath).baseName();

    const oxSubstanceHeld<USubstanceMaterialPtr> substance(USubstanceMaterial::create());
    {
        osgEdit edit(substance.get(), MaterialBase::NameFieldMask);
        substance.get()->setName(name.toStdString());
    }
    const oxSubstanceHeld<USubstanceEnvironmentMaterialPtr> environment(
        parser.isSet(environmentOption) ? USubstanceEnvironmentMaterial::create() : USubstanceEnvironmentMaterialPtr());
    MaterialPtr target = substance.get();
    if (!environment.get().isNull())
    {
        environment.get()->setTextureGeneratorMaterial(substance.get());
        target = environment.get();
    }

    if (!oxSubstancePythonInterface::loadArchive(target, archivePath.toUtf8().constData()))
    {
        printMessages();
        printError(QString("could not load the archive '%1'").arg(archivePath));
        return LoadFailed;
    }

    for (const QString& file : parser.values(importOption))
    {
        const QString problem = oxStandIn::presetFileProblem(file);
        if (!problem.isEmpty())
        {
            printError(QString("'%1' is not a preset file: %2").arg(file, problem));
            return PresetFailed;
        }
        oxSubstancePythonInterface::loadPreset(target, file.toUtf8().constData());
    }

    QTextStream out(stdout);
    const bool json = parser.isSet(jsonOption);
    // The report at this point. As text, the log messages go to the standard
    // error stream once, after the last report.
    const auto printReport = [&](const QJsonObject& extra, bool last) {
        QJsonObject report = describeMaterial(substance.get());
        for (auto it = extra.begin(); it != extra.end(); ++it)
            report[it.key()] = it.value();
        if (json)
        {
            report["messages"] = logMessages();
            out << QJsonDocument(report).toJson(QJsonDocument::Indented);
        }
        else
            out << reportToText(report);
        out.flush();
        if (!json && last)
            printMessages();
    };

    QStringList steps;
    if (parser.isSet(scriptOption))
    {
        const QString script = parser.value(scriptOption);
        QByteArray text;
        QString problem;
        if (!oxStandIn::readRegularFile(script, MaxEditScriptSize, text, problem))
        {
            printError(QString("cannot read the edit script '%1': %2").arg(script, problem));
            return EditFailed;
        }
        steps = scriptSteps(QString::fromUtf8(text));
    }
    steps << parser.values(editOption);
    EditSession edits(substance.get(), out, json, [&] { printReport(QJsonObject(), false); });
    for (int i = 0; i < steps.size(); ++i)
    {
        QString error;
        if (!edits.run(steps[i], error))
        {
            printError(QString("step %1 (%2): %3").arg(i + 1).arg(steps[i], error));
            return EditFailed;
        }
    }

    if (parser.isSet(exportOption))
    {
        const std::size_t count = substance.get()->getSubstancePresets().size();
        if (!parser.isSet(presetsOption))
            for (unsigned int i = 0; i < count; ++i)
                exportIndexes.push_back(i);
        if (count == 0)
        {
            printError("the material has no presets to export");
            return PresetFailed;
        }
        if (!oxSubstancePresetUtils::indexesValid(substance.get(), exportIndexes))
        {
            printError(QString("preset indexes must be distinct and below %1").arg(count));
            return PresetFailed;
        }
        const QString file = parser.value(exportOption);
        if (!oxSubstancePresetUtils::exportPresets(substance.get(), exportIndexes, file))
        {
            printError(QString("could not write the preset file '%1'").arg(file));
            return PresetFailed;
        }
    }

    QJsonObject extra;
    if (!steps.isEmpty())
    {
        extra["edits"] = edits.steps();
        extra["undoHistory"] = edits.history();
    }
    printReport(extra, true);
    return Ok;
}
