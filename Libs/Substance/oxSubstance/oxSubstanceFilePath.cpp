#include "oxSubstanceFilePath.h"

#include "host/oxHostUtils.h"

#include <QFileInfo>

QString oxSubstanceExistingOrExpandedPath(const std::string& path)
{
    const QString given = QString::fromStdString(path);
    if (QFileInfo::exists(given))
        return given;
    return QString::fromStdString(oxFile::expandFilename(path));
}
