#pragma once
/// \file oxArchiveReader.h
/// The content of a stand-in archive file (".sbsar", XML; see
/// docs/archive-format.md) and its reader.

#include "oxArchiveTypes.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace oxArchive {

/// One input as the archive file describes it.
struct ArchiveInput
{
    const TypeInfo* type = nullptr;
    QString identifier;
    std::uint32_t uid = 0;
    QString label;
    QString group;
    QString widget;
    QString visibility;
    QString defaultText;     ///< the "default" attribute verbatim
    QString description;
    float floatStep = 0.f;   ///< slider step of float types
    int intStep = 0;         ///< slider step of int types
    Value minimum;
    Value maximum;
    Value defaultValue;      ///< read from defaultText (zeros / empty when absent)
    Value initialValue;      ///< the "value" attribute, else the default
    std::array<std::optional<QString>, 4> componentLabels;
    std::optional<QString> map;

    bool isColour() const;
    bool isOutputSize() const;
    /// Inputs without a label are hidden: no attribute shows them.
    bool isHidden() const { return label.isEmpty(); }
    /// The input description with every key that applies to the type and
    /// \p value as "VALUE".
    QMap<QString, QVariant> describe(const QVariant& value) const;
};

/// One output of a graph.
struct ArchiveOutput
{
    QString identifier;
    int channel = 0;         ///< SubstanceAir::ChannelUse
    QString component;       ///< colour component fed; empty for none
    int dataType = 0;        ///< osg::Image data type of the rendered texture
};

struct ArchiveGraph
{
    QString label;
    QString packageUrl;
    std::vector<ArchiveInput> inputs; ///< in graph order; appended through addInput only
    std::vector<ArchiveOutput> outputs;
    /// The graph's presets as (label, content of one "sbspreset" element).
    std::vector<std::pair<QString, QString>> presets;

    /// Position of an input by identifier; -1 when absent.
    int indexOf(const QString& identifier) const;
    /// Appends an input; false, nothing appended, when its identifier is taken.
    bool addInput(ArchiveInput input);

private:
    QHash<QString, int> _positions; ///< identifier to position in inputs
};

/// Reads archive text. On failure returns false with \p problem set to a
/// sentence fragment naming what is wrong; \p graphs is then untouched.
bool readArchive(const QByteArray& text, std::vector<ArchiveGraph>& graphs, QString& problem);

/// Data type names of the archive format ("uint8", "uint16", "uint32",
/// "float32") to osg::Image data types; 0 for an unknown name.
int dataTypeByName(const QString& name);

} // namespace oxArchive
