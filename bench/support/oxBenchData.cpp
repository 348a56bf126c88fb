#include "oxBenchData.h"

#include <QTemporaryDir>

#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>

namespace oxBench {

const char* const GraphUrl = "pkg://bench/generated";
const char* const GraphName = "Generated";

namespace {

/// One row per kind of generated input: type string, preset type code,
/// attributes for the archive and a value text.
struct InputKind
{
    const char* type;
    int code;
    const char* attributes;
    const char* value;
};

const InputKind kKinds[] = {
    {"float", 0, R"(widget="slider" min="0" max="1" step="0.01" default="0.5")", "0.25"},
    {"float[3]", 2, R"(widget="slider" min="0,0,0" max="1,1,1" default="0.5,0.5,0.5" labelx="R")", "0.1,0.2,0.3"},
    {"float[4]", 3, R"(widget="color" default="1,1,1,1")", "0.8,0.6,0.4,1"},
    {"int", 4, R"(widget="combobox" min="0" max="3" step="1" default="1" map="0:a;1:b;2:c;3:d")", "2"},
    {"int[2]", 8, R"(widget="slider" min="0,0" max="9,9" default="4,4")", "5,6"},
    {"float[2]", 1, R"(widget="slider" min="0,0" max="4,4" default="1,1")", "2,2"},
    {"string", 6, R"(default="text")", "value"},
};
constexpr int kKindCount = int(sizeof kKinds / sizeof kKinds[0]);
constexpr int kGroups = 16;

} // namespace

std::string archiveText(int inputs)
{
    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<sbsar formatversion=\"1\">\n";
    out << " <graph label=\"" << GraphName << "\" pkgurl=\"" << GraphUrl << "\">\n";
    for (int i = 0; i < inputs; ++i)
    {
        const InputKind& kind = kKinds[i % kKindCount];
        out << "  <input identifier=\"input" << i << "\" uid=\"" << i + 1 << "\" label=\"Input " << i << '"';
        // Every tenth input has no group and lands in the shared group.
        if (i % 10 != 9)
            out << " group=\"Group " << i % kGroups << '"';
        out << " type=\"" << kind.type << "\" " << kind.attributes << " value=\"" << kind.value
            << "\" description=\"Generated input.\"/>\n";
    }
    out << "  <output identifier=\"basecolor\" channel=\"0\" component=\"diffuse\"/>\n";
    out << " </graph>\n</sbsar>\n";
    return out.str();
}

std::string presetListText(int presets, int inputs, const std::string& prefix)
{
    std::ostringstream out;
    out << "<sbspresets count=\"" << presets << "\" formatversion=\"1\">\n";
    for (int p = 0; p < presets; ++p)
    {
        out << " <sbspreset pkgurl=\"" << GraphUrl << "\" label=\"" << prefix << ' ' << p << "\" >\n";
        for (int i = 0; i < inputs; ++i)
        {
            const InputKind& kind = kKinds[i % kKindCount];
            out << "  <presetinput identifier=\"input" << i << "\" uid=\"" << i + 1 << "\" type=\"" << kind.code
                << "\" value=\"";
            // The first input carries the preset's number, so that no two presets are equal.
            if (i == 0)
                out << p % 1000 << '.' << p / 1000;
            else
                out << kind.value;
            out << "\" />\n";
        }
        out << " </sbspreset>\n";
    }
    out << "</sbspresets>\n\n";
    return out.str();
}

const std::string& scratchFolder()
{
    static const std::unique_ptr<QTemporaryDir> folder = std::make_unique<QTemporaryDir>();
    static const std::string path = folder->path().toStdString();
    return path;
}

std::string scratchFile(const std::string& name, const std::string& text)
{
    static std::map<std::string, std::string> written;
    const auto found = written.find(name);
    if (found != written.end())
        return found->second;
    const std::string path = scratchFolder() + "/" + name;
    std::ofstream(path, std::ios::binary).write(text.data(), std::streamsize(text.size()));
    written[name] = path;
    return path;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace oxBench
