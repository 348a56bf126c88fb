// Fuzz target: the stand-in's archive reader. Every text either reads into at
// least one graph whose inputs can all be described, or fails with a reason
// and leaves the caller's graphs untouched.

#include "archive/oxArchiveReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), int(size));
    std::vector<oxArchive::ArchiveGraph> graphs(1);
    QString problem;
    if (!oxArchive::readArchive(text, graphs, problem))
    {
        if (problem.isEmpty() || graphs.size() != 1 || !graphs[0].inputs.empty())
        {
            std::fprintf(stderr, "a failed read gave no reason or changed the caller's graphs\n");
            std::abort();
        }
        return 0;
    }
    if (graphs.empty())
        std::abort();
    for (const oxArchive::ArchiveGraph& graph : graphs)
        for (const oxArchive::ArchiveInput& input : graph.inputs)
            if (input.describe(QVariant()).value(QStringLiteral("ID")).toString() != input.identifier)
                std::abort();
    return 0;
}
