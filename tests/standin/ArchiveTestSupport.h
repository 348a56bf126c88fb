#pragma once
// Helpers of the archive service tests: loading samples and temporary
// archives, finding inputs, printing values, and building a material's graph
// from an archive by hand (without the library).

#include "Materials.h"
#include "QOXIntVector.h"
#include "QSubstanceArchive.h"
#include "archive/oxArchiveAttributes.h"
#include "oxHostFixture.h"
#include "oxdImage.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QVector2D>
#include <QVector3D>
#include <QVector4D>

#include <algorithm>
#include <memory>
#include <ostream>
#include <set>
#include <string>

inline void PrintTo(const QVariant& v, std::ostream* os)
{
    QString text;
    QDebug(&text).nospace() << v;
    if (v.userType() == qMetaTypeId<QOXIntVector2D>())
    {
        const auto q = v.value<QOXIntVector2D>();
        text = QStringLiteral("QOXIntVector2D(%1, %2)").arg(q.getX()).arg(q.getY());
    }
    else if (v.userType() == qMetaTypeId<QOXIntVector3D>())
    {
        const auto q = v.value<QOXIntVector3D>();
        text = QStringLiteral("QOXIntVector3D(%1, %2, %3)").arg(q.getX()).arg(q.getY()).arg(q.getZ());
    }
    else if (v.userType() == qMetaTypeId<QOXIntVector4D>())
    {
        const auto q = v.value<QOXIntVector4D>();
        text = QStringLiteral("QOXIntVector4D(%1, %2, %3, %4)").arg(q.getX()).arg(q.getY()).arg(q.getZ()).arg(q.getW());
    }
    else if (v.userType() == qMetaTypeId<oxdImage>())
    {
        text = QStringLiteral("oxdImage(%1)").arg(v.value<oxdImage>().getObjectId());
    }
    *os << text.toStdString();
}

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace archivetest {

inline QString sample(const char* name)
{
    return QString::fromStdString(samplePath(name));
}

/// A fresh archive (not registered with the factory) with \p path imported.
inline std::shared_ptr<QSubstanceArchive> load(const QString& path)
{
    auto archive = std::make_shared<QSubstanceArchive>();
    QSubstanceBinaryDiskReader reader(path, nullptr);
    archive->import(reader);
    return archive;
}

inline bool import(QSubstanceArchive& archive, const QString& path)
{
    QSubstanceBinaryDiskReader reader(path, nullptr);
    return archive.import(reader);
}

/// The input description with "ID" \p id in graph \p graph; empty when absent.
inline QMap<QString, QVariant> input(const GraphDescriptionList& graphs, int graph, const QString& id)
{
    for (const auto& in : graphs.at(std::size_t(graph)).second)
        if (in.value(QStringLiteral("ID")).toString() == id)
            return in;
    return {};
}

/// Writes files into a temporary folder.
class TempFiles
{
public:
    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = _dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    QString path(const QString& name) const { return _dir.filePath(name); }

private:
    QTemporaryDir _dir;
};

/// Archive text with one graph "G" (pkg://test/g) holding \p body.
inline QByteArray oneGraph(const QByteArray& body)
{
    return "<sbsar formatversion=\"1\"><graph label=\"G\" pkgurl=\"pkg://test/g\">" + body + "</graph></sbsar>";
}

/// Builds a graph for \p material from the archive's graph \p index the way a
/// material shows it: one group per "GROUP", the labelled ungrouped inputs in a
/// last shared group, one attribute per labelled input holding "VALUE".
/// New objects are filled under the mask of all fields.
inline USubstanceGraphPtr addGraph(const USubstanceMaterialPtr& material, const QSubstanceArchive& archive,
                                   std::size_t index)
{
    const GraphDescriptionList graphs = archive.graphs();
    const auto& description = graphs.at(index);

    std::vector<std::string> groupNames;
    bool common = false;
    for (const auto& in : description.second)
    {
        const std::string group = in.value(QStringLiteral("GROUP")).toString().toStdString();
        if (group.empty())
            common = common || !in.value(QStringLiteral("LABEL")).toString().isEmpty();
        else if (std::find(groupNames.begin(), groupNames.end(), group) == groupNames.end())
            groupNames.push_back(group);
    }
    if (common)
        groupNames.push_back(std::string());

    USubstanceGraphPtr graph = USubstanceGraph::create();
    osgEdit graphEdit(graph, osg::FieldBits::AllFields);
    graph->setName(description.first.toStdString());
    for (const std::string& name : groupNames)
    {
        AttributeGroupPtr group = AttributeGroup::create();
        osgEdit groupEdit(group, osg::FieldBits::AllFields);
        group->setName(name.empty() ? "Common" : name);
        group->setCommon(name.empty());
        for (const auto& in : description.second)
        {
            if (in.value(QStringLiteral("GROUP")).toString().toStdString() != name ||
                in.value(QStringLiteral("LABEL")).toString().isEmpty())
                continue;
            const QString type = in.value(QStringLiteral("TYP")).toString();
            AttributeValuePtr value;
            if (type == "float") value = AttributeFloatValue::create();
            else if (type == "float[2]") value = AttributeFloat2DValue::create();
            else if (type == "float[3]") value = AttributeFloat3DValue::create();
            else if (type == "float[4]") value = AttributeFloat4DValue::create();
            else if (type == "int") value = AttributeIntValue::create();
            else if (type == "int[2]") value = AttributeInt2DValue::create();
            else if (type == "int[3]") value = AttributeInt3DValue::create();
            else if (type == "int[4]") value = AttributeInt4DValue::create();
            else if (type == "string") value = AttributeStringValue::create();
            else value = AttributeImageValue::create();
            {
                osgEdit valueEdit(value, osg::FieldBits::AllFields);
                value->setName(in.value(QStringLiteral("LABEL")).toString().toStdString());
                value->setUuid(in.value(QStringLiteral("ID")).toString().toStdString());
                value->setTypeString(type.toStdString());
                value->setWidget(in.value(QStringLiteral("WIDGET")).toString().toStdString());
            }
            oxArchive::writeAttribute(material, value, in.value(QStringLiteral("VALUE")));
            osg::addRef(value);
            group->editProperties().push_back(value);
        }
        osg::addRef(group);
        graph->editAttributeGroups().push_back(group);
    }
    material->addGraph(graph);
    return graph;
}

/// The attribute with Uuid \p id of the material's active graph.
inline AttributeValuePtr attribute(const USubstanceMaterialPtr& material, const char* id)
{
    return oxArchive::findAttribute(material->getActiveGraph(), QString::fromUtf8(id));
}

} // namespace archivetest
