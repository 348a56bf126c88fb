#pragma once
// Helpers of the archive service tests: samples, temporary files, inputs by id.

#include "QOXIntVector.h"
#include "QSubstanceArchive.h"
#include "oxHostFixture.h"
#include "oxdImage.h"

#include <QDebug>
#include <QFile>
#include <QTemporaryDir>
#include <QVector2D>
#include <QVector3D>
#include <QVector4D>

#include <memory>
#include <ostream>
#include <string>

inline void PrintTo(const QVariant& v, std::ostream* os)
{
    QString text;
    if (v.userType() == qMetaTypeId<QOXIntVector3D>())
    {
        const auto q = v.value<QOXIntVector3D>();
        text = QStringLiteral("QOXIntVector3D(%1, %2, %3)").arg(q.getX()).arg(q.getY()).arg(q.getZ());
    }
    else
        QDebug(&text).nospace() << v;
    *os << text.toStdString();
}

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace archivetest {

inline QString sample(const char* name) { return QString::fromStdString(samplePath(name)); }

inline bool import(QSubstanceArchive& archive, const QString& path)
{
    QSubstanceBinaryDiskReader reader(path, nullptr);
    return archive.import(reader);
}

/// A fresh archive (not registered with the factory) with \p path imported.
inline std::shared_ptr<QSubstanceArchive> load(const QString& path)
{
    auto archive = std::make_shared<QSubstanceArchive>();
    import(*archive, path);
    return archive;
}

/// The description of input \p id in graph \p graph; empty when absent.
inline QMap<QString, QVariant> input(const QSubstanceArchive& archive, int graph, const QString& id)
{
    const GraphDescriptionList graphs = archive.graphs();
    for (const auto& in : graphs.at(std::size_t(graph)).second)
        if (in.value(QStringLiteral("ID")).toString() == id)
            return in;
    return {};
}

inline QVariant v3(int x, int y, int z) { return QVariant::fromValue(QOXIntVector3D(x, y, z)); }

/// Writes files into a temporary folder.
class TempFiles
{
public:
    QString write(const QString& name, const QByteArray& bytes)
    {
        QFile f(path(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    }
    QString path(const QString& name) const { return _dir.filePath(name); }

private:
    QTemporaryDir _dir;
};

} // namespace archivetest
