#pragma once
/// \file oxStandInFiles.h
/// How the stand-in host reads the files it is given: only regular files, and
/// only up to a size that suits the kind of file, so that a device, a FIFO or
/// a huge file is refused at once with the reason instead of hanging or
/// filling memory.

#include "oxHostExport.h"

#include <QByteArray>
#include <QString>

namespace oxStandIn {

/// Largest archive file read (the stand-in's archives are XML descriptions).
constexpr qint64 MaxArchiveFileSize = qint64(32) << 20;
/// Largest preset file read.
constexpr qint64 MaxPresetFileSize = qint64(16) << 20;
/// Largest image file read (a 4096 x 4096 PPM with 16 bits per channel).
constexpr qint64 MaxImageFileSize = qint64(97) << 20;

/// Reads the whole file at \p path into \p bytes when it is a regular file of
/// at most \p maxSize bytes. A FIFO or device is never opened for a blocking
/// read. On failure \p bytes is untouched and \p problem says why, as a
/// sentence fragment: "no file name given", "the file does not exist", "the
/// file is not a regular file", "the file is larger than N bytes", "the file
/// cannot be opened (reason)", "the file cannot be read (reason)".
OX_HOST_API bool readRegularFile(const QString& path, qint64 maxSize, QByteArray& bytes, QString& problem);

/// Why the file at \p path is not a preset file (QSubstanceFile::arePresets):
/// it does not read as above, or its text is not a preset list by the rule
/// that the preset readers follow. Empty when it is a preset file.
OX_HOST_API QString presetFileProblem(const QString& path);

} // namespace oxStandIn
