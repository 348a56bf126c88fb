#pragma once
/// \file CliRun.h
/// Runs the command-line host in the samples folder and collects what it printed.

#include "oxHostFixture.h"

#include <QProcess>
#include <QStringList>

#include <ostream>

/// Test messages show a QString as its text.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

struct CliRun
{
    int exitCode = -1; ///< -1 when the program crashed or did not finish
    QString out;
    QString err;
};

inline CliRun runCli(const QStringList& arguments)
{
    QProcess process;
    process.setWorkingDirectory(QStringLiteral(OX_SAMPLES_DIR));
    process.start(QStringLiteral(OX_BINARY_DIR "/bin/oxSubstanceCli"), arguments);
    const bool finished = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit;
    return {finished ? process.exitCode() : -1, QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}
