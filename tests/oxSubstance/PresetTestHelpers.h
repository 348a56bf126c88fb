#pragma once
/// \file PresetTestHelpers.h
/// Small helpers shared by the preset-list tests: preset XML built by hand,
/// files in a temporary directory, archives loaded for a material, and a
/// capture of Qt's debug messages.

#include "host/Materials.h"
#include "host/QSubstanceArchive.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace presettest {

/// One "presetinput" element (type "5" carries its value as "filepath").
struct Input
{
    std::string identifier;
    std::string uid;
    std::string type;
    std::string value;
};

/// One "sbspreset" element, written by hand so that tests do not depend on the writer.
inline std::string presetXml(const std::string& url, const std::string& label, const std::vector<Input>& inputs,
                             const std::string& description = std::string())
{
    std::string xml = "<sbspreset pkgurl=\"" + url + "\" label=\"" + label + "\"";
    if (!description.empty())
        xml += " description=\"" + description + "\"";
    xml += ">";
    for (const Input& in : inputs)
    {
        const char* valueName = in.type == "5" ? "filepath" : "value";
        xml += "<presetinput identifier=\"" + in.identifier + "\" uid=\"" + in.uid + "\" type=\"" + in.type +
               "\" " + valueName + "=\"" + in.value + "\"/>";
    }
    xml += "</sbspreset>";
    return xml;
}

/// An "sbspresets" list around the given elements.
inline std::string listXml(const std::vector<std::string>& presets)
{
    std::string xml = "<sbspresets count=\"" + std::to_string(presets.size()) + "\" formatversion=\"1\">\n";
    for (const std::string& p : presets)
        xml += p + "\n";
    return xml + "</sbspresets>\n";
}

inline bool writeFile(const QString& path, const std::string& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

inline std::string readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::string();
    return file.readAll().toStdString();
}

/// The archive that the archive service keeps for the material.
inline std::shared_ptr<QSubstanceArchive> archiveOf(const USubstanceMaterialPtr& material)
{
    bool created = false;
    return oxSubstanceArchiveFactory::instance().getMaterialArchive(material->getId(), created);
}

/// Loads an archive file into the material's archive.
inline bool loadArchive(const USubstanceMaterialPtr& material, const std::string& path)
{
    QSubstanceBinaryDiskReader reader(QString::fromStdString(path), nullptr);
    return archiveOf(material)->import(reader);
}

/// "0 2 1" for a list of indexes, for the names of parameterised cases.
template <class T>
std::string joined(const std::vector<T>& values)
{
    std::string text;
    for (const T& v : values)
        text += (text.empty() ? "" : " ") + std::to_string(v);
    return text.empty() ? "none" : text;
}

/// Collects Qt's debug messages while alive.
class DebugCapture
{
public:
    DebugCapture()
    {
        messages().clear();
        _previous = qInstallMessageHandler(&DebugCapture::handler);
    }
    ~DebugCapture() { qInstallMessageHandler(_previous); }
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;

    static std::vector<std::string>& messages()
    {
        static std::vector<std::string> list;
        return list;
    }

private:
    static void handler(QtMsgType type, const QMessageLogContext&, const QString& text)
    {
        if (type == QtDebugMsg)
            messages().push_back(text.toStdString());
    }
    QtMessageHandler _previous = nullptr;
};

} // namespace presettest
