#pragma once
/// \file oxBenchData.h
/// Generated workloads for the benchmarks: large archives in the stand-in's
/// archive format and large preset lists, written to a scratch folder.

#include <string>

namespace oxBench {

/// Package URL of the one graph of every generated archive.
extern const char* const GraphUrl;
/// Label (graph name) of that graph.
extern const char* const GraphName;

/// Archive text with one graph of \p inputs labelled inputs of every numeric,
/// string and colour type, spread over 16 named groups and the shared group.
/// Input i has the identifier "input<i>" and the label "Input <i>".
std::string archiveText(int inputs);

/// Preset list text of \p presets presets of \p inputs inputs each, for the
/// generated graph. Labels are "<prefix> <i>"; every preset differs from the others.
std::string presetListText(int presets, int inputs, const std::string& prefix = "Preset");

/// A folder that lives as long as the process; made on first use.
const std::string& scratchFolder();

/// Writes \p text to \p name in the scratch folder and returns the file's path;
/// a file of that name is written only once per process.
std::string scratchFile(const std::string& name, const std::string& text);

/// The whole content of a file.
std::string readFile(const std::string& path);

} // namespace oxBench
