#include "CliFiles.h"

#include <QDir>
#include <QFileInfo>

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
