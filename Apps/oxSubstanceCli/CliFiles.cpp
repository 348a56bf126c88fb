#include "CliFiles.h"

#include "oxStandInFiles.h"

#include <QDir>
#include <QFileInfo>

QString presetFileRefusal(const QString& path)
{
    const QString problem = oxStandIn::presetFileProblem(path);
    return problem.isEmpty() ? QString() : QString("'%1' is not a preset file: %2").arg(path, problem);
}

QString associatedPresetFile(const QString& archivePath)
{
    const QFileInfo archive(archivePath);
    return QString("%1/%2.sbsprs").arg(archive.dir().absolutePath(), archive.baseName());
}

bool sameFile(const QString& a, const QString& b)
{
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}
