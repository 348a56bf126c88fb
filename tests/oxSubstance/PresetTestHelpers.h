#pragma once
/// \file PresetTestHelpers.h
/// Helpers shared by the preset-list tests: preset XML built by hand (so that
/// the tests do not depend on the writer), files, and archives loaded for a material.

#include "host/Materials.h"
#include "host/QSubstanceArchive.h"

#include <QFile>
#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace presettest {

/// One "presetinput": identifier, uid, type, value (type "5" writes it as "filepath").
using Input = std::vector<std::string>;

/// One "sbspreset" element; the description only when not empty.
inline std::string presetXml(const std::string& url, const std::string& label, const std::vector<Input>& inputs,
                             const std::string& description = std::string())
{
    std::string xml = "<sbspreset pkgurl=\"" + url + "\" label=\"" + label + "\"";
    if (!description.empty())
        xml += " description=\"" + description + "\"";
    xml += ">";
    for (const Input& in : inputs)
        xml += "<presetinput identifier=\"" + in.at(0) + "\" uid=\"" + in.at(1) + "\" type=\"" + in.at(2) + "\" " +
               (in.at(2) == "5" ? "filepath" : "value") + "=\"" + in.at(3) + "\"/>";
    return xml + "</sbspreset>";
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
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

inline std::string readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
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

/// The names of the presets, in order ("<null>" for a null one).
template <class List>
std::vector<std::string> namesOf(const List& presets)
{
    std::vector<std::string> names;
    for (const SubstancePresetPtr& p : presets)
        names.push_back(p.isNull() ? "<null>" : p->getName());
    return names;
}

} // namespace presettest
