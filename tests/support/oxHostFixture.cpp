#include "oxHostFixture.h"

#include "QSubstanceArchive.h"

#include <QFile>

#include <sstream>

void oxHostTest::SetUp()
{
    oxStandIn::reset();
    _liveAtStart = oxStandIn::liveContainerCount();
}

void oxHostTest::TearDown()
{
    for (auto it = _held.rbegin(); it != _held.rend(); ++it)
        (*it)();
    _held.clear();

    EXPECT_EQ(oxStandIn::openEditCount(), 0u) << "edit brackets left open";
    if (checkEdits)
    {
        for (const oxStandIn::EditViolation& v : oxStandIn::editViolations())
            ADD_FAILURE() << v.what << " on " << v.typeName << " #" << v.containerId << " mask 0x" << std::hex
                          << v.mask;
    }
    oxStandIn::reset();
    const std::size_t live = oxStandIn::liveContainerCount();
    if (live != _liveAtStart)
    {
        std::ostringstream types;
        for (const std::string& t : oxStandIn::liveContainerTypes())
            types << ' ' << t;
        ADD_FAILURE() << "containers leaked: " << live << " live, " << _liveAtStart << " at start;" << types.str();
    }
}

std::vector<std::string> oxHostTest::logLines() const
{
    std::vector<std::string> lines;
    for (const oxStandIn::LogMessage& m : oxStandIn::logMessages())
        lines.push_back((m.level == oxStandIn::LogMessage::Error ? "error: " : "warning: ") + m.text);
    return lines;
}

std::vector<oxStandIn::EditRecord> oxHostTest::bracketsOn(osg::UInt32 containerId) const
{
    std::vector<oxStandIn::EditRecord> result;
    for (const oxStandIn::EditRecord& r : oxStandIn::editLog())
        if (r.begin && r.containerId == containerId)
            result.push_back(r);
    return result;
}

std::string samplePath(const std::string& fileName)
{
    return std::string(OX_SAMPLES_DIR) + "/" + fileName;
}

QString sampleFile(const char* fileName)
{
    return QString::fromStdString(samplePath(fileName));
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::shared_ptr<QSubstanceArchive> archiveOf(const USubstanceMaterialPtr& material)
{
    bool created = false;
    return oxSubstanceArchiveFactory::instance().getMaterialArchive(material->getId(), created);
}
