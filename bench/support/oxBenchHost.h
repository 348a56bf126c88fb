#pragma once
/// \file oxBenchHost.h
/// Materials on the stand-in host for the benchmarks.

#include "host/Materials.h"

#include <benchmark/benchmark.h>

#include <string>

namespace oxBench {

/// A new material holding one reference, loaded from \p archivePath through the
/// scripting interface; null when the archive did not load.
USubstanceMaterialPtr loadedMaterial(const std::string& archivePath);

/// Gives back the material's reference and drops the archive that the service
/// keeps for it.
void releaseMaterial(const USubstanceMaterialPtr& material);

/// The loop of a benchmark that times loading \p archivePath into a new
/// material, once an iteration (giving the material back is not timed).
void timeLoads(benchmark::State& state, const std::string& archivePath);

/// Drops what the stand-in records (edit brackets, log messages), so that its
/// bookkeeping does not grow across iterations.
void clearHostRecords();

} // namespace oxBench
