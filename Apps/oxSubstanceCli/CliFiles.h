#pragma once
/// \file CliFiles.h
/// The files that the command-line host reads besides the archive, and how
/// it tells that two paths name the same file.

#include <QString>

/// Why \p path is refused as a preset file ("'FILE' is not a preset file:
/// REASON"); empty when it is one.
QString presetFileRefusal(const QString& path);

/// The preset file that loading the archive at \p archivePath reads by itself:
/// in the archive's folder, named after the archive up to the first dot of its
/// file name, ending in ".sbsprs".
QString associatedPresetFile(const QString& archivePath);

/// Whether both paths name one existing file (canonical paths: symbolic links
/// and "./" or "../" spellings resolved).
bool sameFile(const QString& a, const QString& b);
