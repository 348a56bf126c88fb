#pragma once
/// \file oxBenchHost.h
/// Materials on the stand-in host for the benchmarks.

#include "host/Materials.h"

#include <string>

namespace oxBench {

/// A new material holding one reference, loaded from \p archivePath through the
/// scripting interface; null when the archive did not load.
USubstanceMaterialPtr loadedMaterial(const std::string& archivePath);

/// Gives back the material's reference and drops the archive that the service
/// keeps for it.
void releaseMaterial(const USubstanceMaterialPtr& material);

/// Drops what the stand-in records (edit brackets, log messages), so that its
/// bookkeeping does not grow across iterations.
void clearHostRecords();

} // namespace oxBench
