#pragma once
/// \file CliFiles.h
/// The files that the command-line host reads besides the archive, and how
/// it tells that two paths name the same file. (Why a preset file is refused:
/// oxPresetFileRefusal in oxHostSetup.h.)

#include <QString>

/// The preset file that loading the archive at \p archivePath reads by itself:
/// in the archive's folder, named after the archive up to the first dot of its
/// file name, ending in ".sbsprs".
QString associatedPresetFile(const QString& archivePath);

/// Whether both paths name one existing file (canonical paths: symbolic links
/// and "./" or "../" spellings resolved).
bool sameFile(const QString& a, const QString& b);
