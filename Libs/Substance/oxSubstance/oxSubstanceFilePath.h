#pragma once
/// \file oxSubstanceFilePath.h
/// Internal to the library (not installed): how a path that a caller gives
/// becomes the file that is read.

#include <QString>

#include <string>

/// \p path itself when something exists there, so that a folder whose name
/// holds a "$" or starts with "~" is not expanded away; otherwise the host's
/// expansion of it ("~" and environment variables). \p path is UTF-8.
QString oxSubstanceExistingOrExpandedPath(const std::string& path);
