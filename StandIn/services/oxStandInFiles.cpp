#include "oxStandInFiles.h"

#include "preset/SubstanceAirPreset.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace oxStandIn {
namespace {

/// Closes a file descriptor when it goes out of scope.
class Descriptor
{
public:
    explicit Descriptor(int fd) : _fd(fd) {}
    ~Descriptor()
    {
        if (_fd >= 0)
            ::close(_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return _fd; }

private:
    int _fd;
};

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

bool readRegularFile(const QString& path, qint64 maxSize, QByteArray& bytes, QString& problem)
{
    if (path.isEmpty())
    {
        problem = QStringLiteral("no file name given");
        return false;
    }
    // Opened without blocking, so that a FIFO without a writer does not stall
    // the open; the type is then checked on what was opened.
    const QByteArray name = QFile::encodeName(path);
    const Descriptor file(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0)
    {
        problem = errno == ENOENT ? QStringLiteral("the file does not exist")
                                  : QStringLiteral("the file cannot be opened (%1)").arg(systemReason(errno));
        return false;
    }
    struct stat status;
    if (::fstat(file.get(), &status) != 0)
    {
        problem = QStringLiteral("the file cannot be read (%1)").arg(systemReason(errno));
        return false;
    }
    if (!S_ISREG(status.st_mode))
    {
        problem = QStringLiteral("the file is not a regular file");
        return false;
    }
    const QString tooLarge = QStringLiteral("the file is larger than %1 bytes").arg(maxSize);
    if (status.st_size > maxSize)
    {
        problem = tooLarge;
        return false;
    }

    // The file may grow while it is read: no more than the limit is read.
    QByteArray read;
    read.reserve(int(status.st_size));
    char chunk[65536];
    for (;;)
    {
        const ssize_t count = ::read(file.get(), chunk, sizeof chunk);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
        {
            problem = QStringLiteral("the file cannot be read (%1)").arg(systemReason(errno));
            return false;
        }
        if (count == 0)
            break;
        if (read.size() + count > maxSize)
        {
            problem = tooLarge;
            return false;
        }
        read.append(chunk, int(count));
    }
    bytes = read;
    return true;
}

QString presetFileProblem(const QString& path)
{
    QByteArray text;
    QString problem;
    if (!readRegularFile(path, MaxPresetFileSize, text, problem))
        return problem;
    return QString::fromStdString(SubstanceAir::presetListProblem(text.constData(), std::size_t(text.size())));
}

} // namespace oxStandIn
