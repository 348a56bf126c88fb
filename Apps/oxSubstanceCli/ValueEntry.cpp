#include "ValueEntry.h"

#include "MaterialReport.h"

#include "oxSubstanceCommandSupport.h"

#include "host/QOXIntVector.h"
#include "host/QSubstanceArchive.h"
#include "host/oxdImage.h"
#include "oxStandInTesting.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>
#include <QVector2D>
#include <QVector3D>
#include <QVector4D>

#include <cmath>
#include <vector>

namespace {

using Numbers = std::vector<double>;

/// One form of value that a property can take: the QVariant type of its
/// current value, how many numbers it needs, whether they are integers and
/// how they become a QVariant.
struct ValueForm
{
    int type;
    int count;
    bool integral;
    QVariant (*make)(const Numbers&);
};

const ValueForm Vector4DForm{QMetaType::QVector4D, 4, false,
                             [](const Numbers& n) { return QVariant(QVector4D(n[0], n[1], n[2], n[3])); }};

const std::vector<ValueForm>& valueForms()
{
    static const std::vector<ValueForm> forms{
        {QMetaType::Float, 1, false, [](const Numbers& n) { return QVariant(float(n[0])); }},
        {QMetaType::Double, 1, false, [](const Numbers& n) { return QVariant(n[0]); }},
        {QMetaType::QVector2D, 2, false, [](const Numbers& n) { return QVariant(QVector2D(n[0], n[1])); }},
        {QMetaType::QVector3D, 3, false, [](const Numbers& n) { return QVariant(QVector3D(n[0], n[1], n[2])); }},
        Vector4DForm,
        {QMetaType::Int, 1, true, [](const Numbers& n) { return QVariant(int(n[0])); }},
        {qMetaTypeId<QOXIntVector2D>(), 2, true,
         [](const Numbers& n) { return QVariant::fromValue(QOXIntVector2D(int(n[0]), int(n[1]))); }},
        {qMetaTypeId<QOXIntVector3D>(), 3, true,
         [](const Numbers& n) { return QVariant::fromValue(QOXIntVector3D(int(n[0]), int(n[1]), int(n[2]))); }},
        {qMetaTypeId<QOXIntVector4D>(), 4, true,
         [](const Numbers& n) {
             return QVariant::fromValue(QOXIntVector4D(int(n[0]), int(n[1]), int(n[2]), int(n[3])));
         }},
    };
    return forms;
}

/// The forms that a property whose current value has \p type takes. A colour
/// is read without its alpha (three numbers) and takes four numbers too.
std::vector<const ValueForm*> formsFor(const AttributeValuePtr& attribute, int type)
{
    std::vector<const ValueForm*> forms;
    for (const ValueForm& form : valueForms())
        if (form.type == type)
            forms.push_back(&form);
    const AttributeFloat4DValuePtr colour = AttributeFloat4DValuePtr::dcast(attribute);
    if (type == QMetaType::QVector3D && !colour.isNull() && colour->isColorAttribute())
        forms.push_back(&Vector4DForm);
    return forms;
}

/// "a number", "an integer", "2 numbers", "3 or 4 numbers".
QString formText(const std::vector<const ValueForm*>& forms)
{
    const bool integral = forms.front()->integral;
    if (forms.size() == 1 && forms.front()->count == 1)
        return integral ? "an integer" : "a number";
    QStringList counts;
    for (const ValueForm* form : forms)
        counts << QString::number(form->count);
    return counts.join(" or ") + (integral ? " integers" : " numbers");
}

/// The words of a value split at blanks and commas.
QStringList valueParts(const QStringList& words)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    return words.join(' ').split(separators, Qt::SkipEmptyParts);
}

bool readNumbers(const QStringList& words, const AttributeValuePtr& attribute, int type, QVariant& value,
                 QString& error)
{
    const std::vector<const ValueForm*> forms = formsFor(attribute, type);
    const QStringList parts = valueParts(words);
    const ValueForm* form = nullptr;
    for (const ValueForm* f : forms)
        if (f->count == parts.size())
            form = f;
    if (!form)
    {
        error = QString("'%1' is not %2").arg(words.join(' '), formText(forms));
        return false;
    }
    Numbers numbers;
    for (const QString& part : parts)
    {
        bool ok = false;
        const double number = form->integral ? double(part.toInt(&ok)) : part.toDouble(&ok);
        if (!ok)
        {
            error = QString("'%1' is not %2").arg(words.join(' '), formText(forms));
            return false;
        }
        // Every number of the library's values is a float: one beyond the
        // largest float would become infinity.
        if (!form->integral && !std::isfinite(float(number)))
        {
            error = QString("'%1' is not a finite number that a float can hold").arg(part);
            return false;
        }
        numbers.push_back(number);
    }
    value = form->make(numbers);
    return true;
}

/// log2 of a power of two; -1 for anything else.
int log2OfPowerOfTwo(const QString& text)
{
    bool ok = false;
    const int pixels = text.toInt(&ok);
    if (!ok || pixels <= 0 || (pixels & (pixels - 1)) != 0)
        return -1;
    int log2 = 0;
    while ((1 << log2) != pixels)
        ++log2;
    return log2;
}

/// Width and height in pixels, optionally "x" between them and the sync word
/// after them ("512 x 512, synced" as the report prints it); without the word
/// the material's sync flag stays as it is.
bool readOutputSize(const QStringList& words, const QVariant& current, QVariant& value, QString& error)
{
    QStringList parts = valueParts(words);
    bool synced = current.value<QOXIntVector3D>().getZ() == 1;
    if (!parts.isEmpty() && (parts.last() == SyncedWord || parts.last() == UnsyncedWord))
        synced = parts.takeLast() == SyncedWord;
    if (parts.size() == 3 && parts[1] == "x")
        parts.removeAt(1);
    if (parts.size() != 2)
    {
        error = QString("'%1' is not a width and height in pixels, optionally followed by %2 or %3")
                    .arg(words.join(' '), SyncedWord, UnsyncedWord);
        return false;
    }
    int log2[2];
    for (int i = 0; i < 2; ++i)
    {
        log2[i] = log2OfPowerOfTwo(parts[i]);
        if (log2[i] < 0)
        {
            error = QString("'%1' is not a power of two").arg(parts[i]);
            return false;
        }
    }
    value = QVariant::fromValue(QOXIntVector3D(log2[0], log2[1], synced ? 1 : 0));
    return true;
}

/// The path of an image file, read once here; an empty path takes the image away.
bool readImage(const QStringList& words, QVariant& value, QString& error)
{
    const QString path = words.join(' ');
    if (path.isEmpty())
    {
        value = path;
        return true;
    }
    const std::size_t logged = oxStandIn::logMessages().size();
    const oxSubstanceHeld<ImagePtr> image(oxSubstanceUtils::convertQVariantToOsgImage(path));
    if (image.get().isNull())
    {
        // The host's log says why; that is the reason that the step gives.
        const auto& messages = oxStandIn::logMessages();
        error = messages.size() > logged ? QString::fromStdString(messages.back().text).trimmed()
                                         : QString("'%1' is not an image file").arg(path);
        return false;
    }
    value = QFileInfo(path).absoluteFilePath();
    return true;
}

/// The numbers of a report value: a number, a list, or an output size's width and height.
Numbers components(const QJsonValue& value)
{
    if (value.isDouble())
        return {value.toDouble()};
    Numbers numbers;
    if (value.isObject())
        for (const char* key : {"width", "height"})
            numbers.push_back(value[key].toDouble());
    for (const QJsonValue& v : value.toArray())
        numbers.push_back(v.toDouble());
    return numbers;
}

bool outsideRange(const QJsonObject& attribute, const QJsonValue& value)
{
    const Numbers v = components(value);
    const Numbers min = components(attribute["min"]);
    const Numbers max = components(attribute["max"]);
    for (std::size_t i = 0; i < v.size() && i < min.size() && i < max.size(); ++i)
        if (min[i] < max[i] && (v[i] < min[i] || v[i] > max[i]))
            return true;
    return false;
}

/// Whether \p map ("0:Planks;1:Parquet") names no value or lists \p value.
bool mapLists(const QString& map, int value)
{
    bool named = false;
    for (const QString& entry : map.split(';', Qt::SkipEmptyParts))
    {
        bool ok = false;
        const int key = entry.section(':', 0, 0).trimmed().toInt(&ok);
        if (ok && key == value)
            return true;
        named = named || ok;
    }
    return !named;
}

} // namespace

bool readValue(const AttributeValuePtr& attribute, const QVariant& current, const QStringList& words,
               EnteredValue& entered, QString& error)
{
    const int type = current.userType();
    bool ok = false;
    if (type == QMetaType::QString)
    {
        entered.value = words.join(' ');
        ok = true;
    }
    else if (type == qMetaTypeId<oxdImage>())
        ok = readImage(words, entered.value, error);
    else if (QString::fromStdString(attribute->getUuid()) == OutputSizeId && type == qMetaTypeId<QOXIntVector3D>())
        ok = readOutputSize(words, current, entered.value, error);
    else if (!formsFor(attribute, type).empty())
        ok = readNumbers(words, attribute, type, entered.value, error);
    else
        error = QString("values of type '%1' cannot be set from the command line").arg(current.typeName());
    if (ok)
        entered.json = valueToJson(attribute, entered.value);
    return ok;
}

QStringList valueWarnings(const QJsonObject& attribute, const QJsonValue& value)
{
    QStringList warnings;
    if (outsideRange(attribute, value))
    {
        QJsonValue shown = value;
        if (value.isObject())
            shown = QJsonObject{{"width", value["width"]}, {"height", value["height"]}};
        warnings << QString("%1 is outside the range %2 to %3")
                        .arg(valueText(shown), valueText(attribute["min"]), valueText(attribute["max"]));
    }
    if (attribute.contains("map") && value.isDouble() && !mapLists(attribute["map"].toString(), value.toInt()))
        warnings << QString("%1 is not in the map \"%2\"").arg(valueText(value), attribute["map"].toString());
    return warnings;
}

QString valueFormHelp()
{
    return QString(
               "Values (set), in the form in which the report prints them:\n"
               "  numbers      separated by blanks or commas: 0.7, 3,5 or 1 2 3; floats must be finite\n"
               "  colour       3 numbers, or 4 with alpha (1 when left out)\n"
               "  output size  width and height in pixels, powers of two, then optionally %1 or %2\n"
               "               (the sync state stays when left out): 1024 1024, 1024 x 512 %2\n"
               "  string       the rest of the step: Old oak, \"\" for an empty string\n"
               "  image        the path of a binary PPM file, \"\" for none\n"
               "A value outside the property's range, or an integer outside its map, is set with a warning.\n")
        .arg(SyncedWord, UnsyncedWord);
}
