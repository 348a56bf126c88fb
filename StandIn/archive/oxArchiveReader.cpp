#include "oxArchiveReader.h"

#include "Materials.h"
#include "OSGImage.h"
#include "preset/SubstanceAirPreset.h"
#include "preset/oxXmlParse.h"

#include <QSet>

#include <charconv>
#include <set>
#include <sstream>

namespace oxArchive {

namespace {

const char* const kComponentKeys[4] = {"X", "Y", "Z", "W"};

QString attribute(const TiXmlElement* e, const char* name)
{
    const char* v = e->Attribute(name);
    return v ? QString::fromUtf8(v) : QString();
}

bool hasAttribute(const TiXmlElement* e, const char* name)
{
    return e->Attribute(name) != nullptr;
}

/// Names every attribute of \p e that \p allowed lacks; empty when all are known.
QString unknownAttribute(const TiXmlElement* e, const std::set<std::string>& allowed)
{
    for (const TiXmlAttribute* a = e->FirstAttribute(); a; a = a->Next())
        if (!allowed.count(a->NameTStr()))
            return QString::fromUtf8(a->Name());
    return QString();
}

bool parseUnsigned(const QString& text, std::uint32_t& out)
{
    const QByteArray bytes = text.trimmed().toLatin1();
    const char* first = bytes.constData();
    const char* last = first + bytes.size();
    std::uint32_t v = 0;
    const std::from_chars_result r = std::from_chars(first, last, v);
    if (first == last || r.ec != std::errc() || r.ptr != last)
        return false;
    out = v;
    return true;
}

// The attributes that each element may carry.
const std::set<std::string> kGraphAttributes = {"label", "pkgurl"};
const std::set<std::string> kInputAttributes = {"identifier", "uid",     "label",  "group",  "type",   "widget",
                                                "visibility", "default", "description", "step", "min", "max",
                                                "value",      "labelx",  "labely", "labelz", "labelw", "map"};
const std::set<std::string> kOutputAttributes = {"identifier", "channel", "component", "datatype"};

QString q(const QString& s)
{
    return QStringLiteral("'%1'").arg(s);
}

class Reader
{
public:
    QString problem;

    bool graph(const TiXmlElement* e, int position, ArchiveGraph& g)
    {
        if (!check(e, kGraphAttributes, [position] { return QStringLiteral("graph %1").arg(position); }))
            return false;
        g.label = attribute(e, "label");
        g.packageUrl = attribute(e, "pkgurl");
        if (g.label.isEmpty())
            return fail(QStringLiteral("graph %1 has no label").arg(position));
        const QString where = QStringLiteral("graph %1").arg(q(g.label));
        // Updates find a graph by its label: a second one would never be reached.
        if (_labels.contains(g.label))
            return fail(QStringLiteral("%1 appears twice").arg(where));
        _labels.insert(g.label);
        std::size_t inputs = 0;
        for (const TiXmlElement* c = e->FirstChildElement("input"); c; c = c->NextSiblingElement("input"))
            ++inputs;
        g.inputs.reserve(inputs);
        for (const TiXmlElement* c = e->FirstChildElement(); c; c = c->NextSiblingElement())
        {
            const std::string& name = c->ValueStr();
            if (name == "input")
            {
                ArchiveInput in;
                if (!input(c, int(g.inputs.size()) + 1, where, in))
                    return false;
                const QString identifier = in.identifier;
                if (!g.addInput(std::move(in)))
                    return fail(QStringLiteral("input %1 of %2 appears twice").arg(q(identifier), where));
            }
            else if (name == "output")
            {
                ArchiveOutput out;
                if (!output(c, where, out))
                    return false;
                g.outputs.push_back(out);
            }
            else if (name == "sbspreset")
            {
                if (!preset(c, int(g.presets.size()) + 1, where, g))
                    return false;
            }
            else
            {
                return fail(QStringLiteral("unknown element <%1> in %2").arg(QString::fromStdString(name), where));
            }
        }
        return true;
    }

private:
    QSet<QString> _labels; ///< of the graphs read so far

    bool fail(const QString& text)
    {
        problem = text;
        return false;
    }

    // Where is a function giving the place named in a message: the text is made
    // only when something is wrong.
    template <class Where>
    bool check(const TiXmlElement* e, const std::set<std::string>& allowed, const Where& where)
    {
        const QString unknown = unknownAttribute(e, allowed);
        if (unknown.isEmpty())
            return true;
        return fail(QStringLiteral("unknown attribute \"%1\" on %2").arg(unknown, where()));
    }

    /// Refuses the text of attribute \p name; \p why, when given, says what is wrong with it.
    template <class Where>
    bool invalid(const TypeInfo& type, const TiXmlElement* e, const char* name, const Where& where,
                 const QString& why = QString())
    {
        QString text = QStringLiteral("\"%1\" is not a valid \"%2\" of type \"%3\" (input %4)")
                           .arg(attribute(e, name), QLatin1String(name), QLatin1String(type.typeString), where());
        if (!why.isEmpty())
            text += QStringLiteral(": ") + why;
        return fail(text);
    }

    template <class Where>
    bool values(const TypeInfo& type, const TiXmlElement* e, const char* name, const Where& where, Value& out)
    {
        if (!hasAttribute(e, name) || parseValue(type, attribute(e, name), out))
            return true;
        return invalid(type, e, name, where);
    }

    /// The bounds of a number input: per component, "min" is at most "max".
    template <class Where>
    bool bounds(const TypeInfo& type, const ArchiveInput& in, const Where& where)
    {
        for (int c = 0; c < type.components; ++c)
        {
            const bool above = type.kind == Kind::Float ? in.minimum.f[c] > in.maximum.f[c]
                                                        : in.minimum.i[c] > in.maximum.i[c];
            if (!above)
                continue;
            QString text = QStringLiteral("input %1 has the \"min\" \"%2\" above the \"max\" \"%3\"")
                               .arg(where(), QString::fromStdString(formatValue(type, in.minimum)),
                                    QString::fromStdString(formatValue(type, in.maximum)));
            if (type.components > 1)
                text += QStringLiteral(" in component ") + QLatin1String(kComponentKeys[c]);
            return fail(text);
        }
        return true;
    }

    /// Every size that the output-size input gives is a log2 size from 0 to MaxOutputSizeLog2.
    template <class Where>
    bool outputSizes(const TypeInfo& type, const TiXmlElement* e, const ArchiveInput& in, const Where& where)
    {
        const std::pair<const char*, const Value*> sizes[] = {
            {"default", &in.defaultValue}, {"value", &in.initialValue}, {"min", &in.minimum}, {"max", &in.maximum}};
        for (const auto& [name, size] : sizes)
            for (int c = 0; c < 2; ++c)
                if (size->i[c] < 0 || size->i[c] > MaxOutputSizeLog2)
                    return invalid(type, e, name, where,
                                   QStringLiteral("output sizes are log2 sizes from 0 to %1").arg(MaxOutputSizeLog2));
        return true;
    }

    /// The "map" of an int input: entries "value:caption" separated by ";", each
    /// with an integer value, distinct from the others, and a caption.
    template <class Where>
    bool map(const TypeInfo& type, const TiXmlElement* e, const Where& where)
    {
        QSet<int> seen;
        for (const QString& entry : attribute(e, "map").split(QLatin1Char(';')))
        {
            const int colon = entry.indexOf(QLatin1Char(':'));
            std::array<int, 4> value{};
            if (colon < 0 || !parseInts(entry.left(colon), 1, value) || entry.mid(colon + 1).trimmed().isEmpty())
                return invalid(type, e, "map", where,
                               QStringLiteral("the entry \"%1\" is not an integer value and a caption separated "
                                              "by \":\"")
                                   .arg(entry));
            if (seen.contains(value[0]))
                return invalid(type, e, "map", where, QStringLiteral("the value %1 appears twice").arg(value[0]));
            seen.insert(value[0]);
        }
        return true;
    }

    bool input(const TiXmlElement* e, int position, const QString& graphWhere, ArchiveInput& in)
    {
        in.identifier = attribute(e, "identifier");
        if (in.identifier.isEmpty())
            return fail(QStringLiteral("input %1 of %2 has no identifier").arg(position).arg(graphWhere));
        const auto where = [&in, &graphWhere] { return QStringLiteral("%1 of %2").arg(q(in.identifier), graphWhere); };
        if (!check(e, kInputAttributes, [&where] { return QStringLiteral("input ") + where(); }))
            return false;

        const QString typeString = attribute(e, "type");
        in.type = typeByString(typeString);
        if (!in.type)
            return fail(QStringLiteral("input %1 has the unknown type \"%2\"").arg(where(), typeString));
        const TypeInfo& type = *in.type;
        if (in.isOutputSize() && type.code != SubstanceAir::InputType_Integer2)
            return fail(QStringLiteral("input %1 must be of type \"int[2]\"").arg(where()));

        in.uid = std::uint32_t(position);
        if (hasAttribute(e, "uid") && !parseUnsigned(attribute(e, "uid"), in.uid))
            return fail(QStringLiteral("input %1 has the invalid uid \"%2\"").arg(where(), attribute(e, "uid")));

        in.label = attribute(e, "label");
        in.group = attribute(e, "group");
        in.widget = attribute(e, "widget");
        in.visibility = attribute(e, "visibility");
        in.defaultText = attribute(e, "default");
        in.description = attribute(e, "description");

        const bool numeric = type.kind == Kind::Float || type.kind == Kind::Int;
        if (numeric)
        {
            TypeInfo scalar = type;
            scalar.components = 1;
            Value step;
            if (!values(scalar, e, "step", where, step))
                return false;
            if (step.f[0] < 0.f || step.i[0] < 0)
                return invalid(scalar, e, "step", where, QStringLiteral("it is negative"));
            in.floatStep = step.f[0];
            in.intStep = step.i[0];
            if (!values(type, e, "min", where, in.minimum) || !values(type, e, "max", where, in.maximum) ||
                !bounds(type, in, where))
                return false;
        }
        else
        {
            for (const char* name : {"step", "min", "max"})
                if (hasAttribute(e, name))
                    return fail(QStringLiteral("input %1 of type \"%2\" takes no \"%3\"")
                                    .arg(where(), typeString, QLatin1String(name)));
        }

        if (!values(type, e, "default", where, in.defaultValue))
            return false;
        if (type.kind == Kind::Image)
        {
            // Images start empty; the default text is kept as it is written.
            in.defaultValue = Value();
            if (hasAttribute(e, "value"))
                return fail(QStringLiteral("input %1 of type \"image\" takes no \"value\"").arg(where()));
        }
        in.initialValue = in.defaultValue;
        if (!values(type, e, "value", where, in.initialValue))
            return false;
        if (in.isOutputSize() && !outputSizes(type, e, in, where))
            return false;

        const char* labelNames[4] = {"labelx", "labely", "labelz", "labelw"};
        for (int c = 0; c < 4; ++c)
        {
            if (!hasAttribute(e, labelNames[c]))
                continue;
            if (c >= type.components || type.components < 2)
                return fail(QStringLiteral("input %1 of type \"%2\" takes no \"%3\"")
                                .arg(where(), typeString, QLatin1String(labelNames[c])));
            in.componentLabels[c] = attribute(e, labelNames[c]);
        }
        if (hasAttribute(e, "map"))
        {
            if (type.code != SubstanceAir::InputType_Integer)
                return fail(QStringLiteral("input %1 of type \"%2\" takes no \"map\"").arg(where(), typeString));
            if (!map(type, e, where))
                return false;
            in.map = attribute(e, "map");
        }
        return true;
    }

    bool output(const TiXmlElement* e, const QString& graphWhere, ArchiveOutput& out)
    {
        out.identifier = attribute(e, "identifier");
        if (out.identifier.isEmpty())
            return fail(QStringLiteral("an output of %1 has no identifier").arg(graphWhere));
        const QString where = QStringLiteral("output %1 of %2").arg(q(out.identifier), graphWhere);
        if (!check(e, kOutputAttributes, [&where] { return where; }))
            return false;

        std::array<int, 4> channel{};
        if (!parseInts(attribute(e, "channel"), 1, channel) || channel[0] < 0)
            return fail(QStringLiteral("%1 has no valid channel").arg(where));
        out.channel = channel[0];

        out.component = attribute(e, "component");
        if (!out.component.isEmpty())
        {
            bool known = false;
            for (int id = 0; id < ColorComponents::getComponentTypeCount() && !known; ++id)
                known = out.component.toStdString() == ColorComponents::getComponentTypeIdToString(id);
            if (!known)
                return fail(QStringLiteral("%1 feeds the unknown colour component \"%2\"").arg(where, out.component));
        }

        out.dataType = osg::Image::OSG_UINT8_IMAGEDATA;
        if (hasAttribute(e, "datatype"))
        {
            out.dataType = dataTypeByName(attribute(e, "datatype"));
            if (!out.dataType)
                return fail(QStringLiteral("%1 has the unknown data type \"%2\"").arg(where, attribute(e, "datatype")));
        }
        return true;
    }

    bool preset(const TiXmlElement* e, int position, const QString& graphWhere, ArchiveGraph& g)
    {
        TiXmlPrinter printer;
        e->Accept(&printer);
        SubstanceAir::Preset record;
        if (!SubstanceAir::parsePreset(record, printer.CStr()))
            return fail(QStringLiteral("preset %1 of %2 does not read").arg(position).arg(graphWhere));
        if (record.packageUrl.empty())
            record.packageUrl = g.packageUrl.toStdString();
        std::ostringstream content;
        content << record;
        g.presets.emplace_back(QString::fromStdString(record.label), QString::fromStdString(content.str()));
        return true;
    }
};

} // namespace

bool ArchiveInput::isColour() const
{
    return type && type->code == SubstanceAir::InputType_Float4 && widget == QLatin1String("color");
}

bool ArchiveInput::isOutputSize() const
{
    return identifier == QLatin1String(OutputSizeId);
}

QMap<QString, QVariant> ArchiveInput::describe(const QVariant& value) const
{
    QMap<QString, QVariant> d;
    d.insert(QStringLiteral("TYP"), QString::fromLatin1(type->typeString));
    d.insert(QStringLiteral("ID"), identifier);
    d.insert(QStringLiteral("LABEL"), label);
    d.insert(QStringLiteral("GROUP"), group);
    d.insert(QStringLiteral("WIDGET"), widget);
    d.insert(QStringLiteral("VISIBILITY"), visibility);
    d.insert(QStringLiteral("DEFAULT_VALUE"), defaultText);
    d.insert(QStringLiteral("DESCRIPTION"), description);
    d.insert(QStringLiteral("VALUE"), value);

    const bool isFloat = type->kind == Kind::Float;
    if (!isFloat && type->kind != Kind::Int)
        return d;
    auto number = [isFloat](const Value& v, int c) {
        return isFloat ? QVariant(double(v.f[c])) : QVariant(v.i[c]);
    };
    d.insert(QStringLiteral("Step"), isFloat ? QVariant(double(floatStep)) : QVariant(intStep));
    if (type->components == 1)
    {
        d.insert(QStringLiteral("Min"), number(minimum, 0));
        d.insert(QStringLiteral("Max"), number(maximum, 0));
        d.insert(QStringLiteral("DefaultValue"), number(defaultValue, 0));
        if (map)
            d.insert(QStringLiteral("Map"), *map);
        return d;
    }
    for (int c = 0; c < type->components; ++c)
    {
        const QString k = QLatin1String(kComponentKeys[c]);
        d.insert(QStringLiteral("Min") + k, number(minimum, c));
        d.insert(QStringLiteral("Max") + k, number(maximum, c));
        d.insert(QStringLiteral("DefaultValue") + k, number(defaultValue, c));
        if (componentLabels[c])
            d.insert(QStringLiteral("Label") + k, *componentLabels[c]);
    }
    return d;
}

int ArchiveGraph::indexOf(const QString& identifier) const
{
    return _positions.value(identifier, -1);
}

bool ArchiveGraph::addInput(ArchiveInput input)
{
    if (_positions.contains(input.identifier))
        return false;
    _positions.insert(input.identifier, int(inputs.size()));
    inputs.push_back(std::move(input));
    return true;
}

int dataTypeByName(const QString& name)
{
    if (name == QLatin1String("uint8"))
        return osg::Image::OSG_UINT8_IMAGEDATA;
    if (name == QLatin1String("uint16"))
        return osg::Image::OSG_UINT16_IMAGEDATA;
    if (name == QLatin1String("uint32"))
        return osg::Image::OSG_UINT32_IMAGEDATA;
    if (name == QLatin1String("float32"))
        return osg::Image::OSG_FLOAT32_IMAGEDATA;
    return 0;
}

bool readArchive(const QByteArray& text, std::vector<ArchiveGraph>& graphs, QString& problem)
{
    TiXmlDocument doc;
    std::string parseProblem;
    if (!oxXml::parse(doc, text.constData(), std::size_t(text.size()), TIXML_ENCODING_UTF8, &parseProblem))
    {
        problem = QString::fromStdString(parseProblem);
        return false;
    }
    const TiXmlElement* root = doc.RootElement();
    if (!root || root->ValueStr() != "sbsar")
    {
        problem = QStringLiteral("the top element is not <sbsar>");
        return false;
    }
    const char* version = root->Attribute("formatversion");
    if (version && std::string(version) != "1")
    {
        problem = QStringLiteral("format version \"%1\" is not supported").arg(QString::fromUtf8(version));
        return false;
    }

    std::vector<ArchiveGraph> read;
    Reader reader;
    for (const TiXmlElement* e = root->FirstChildElement(); e; e = e->NextSiblingElement())
    {
        if (e->ValueStr() != "graph")
        {
            problem = QStringLiteral("unknown element <%1> in <sbsar>").arg(QString::fromStdString(e->ValueStr()));
            return false;
        }
        ArchiveGraph g;
        if (!reader.graph(e, int(read.size()) + 1, g))
        {
            problem = reader.problem;
            return false;
        }
        read.push_back(std::move(g));
    }
    if (read.empty())
    {
        problem = QStringLiteral("the archive has no graph");
        return false;
    }
    graphs = std::move(read);
    return true;
}

} // namespace oxArchive
