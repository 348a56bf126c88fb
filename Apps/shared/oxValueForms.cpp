#include "oxValueForms.h"

#include "oxSubstanceAttributeSync.h"

#include "oxSubstanceCommandSupport.h"

#include "host/QOXIntVector.h"
#include "host/QSubstanceArchive.h"
#include "host/oxdImage.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QLocale>
#include <QRegularExpression>
#include <QVector2D>
#include <QVector3D>
#include <QVector4D>

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <type_traits>
#include <utility>

namespace oxValueForms {

namespace {

using Numbers = std::vector<double>;

/// A float as the double nearest to the shortest decimal that reads back as
/// the same float: JSON and the text form then print that decimal.
QJsonValue number(float value)
{
    char text[32];
    const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
    return QByteArray(text, static_cast<int>(end.ptr - text)).toDouble();
}

QJsonValue number(int value)
{
    return value;
}

/// The first \p n numbers of \p v as JSON.
template <class Vector>
QJsonArray numbers(const Vector& v, int n)
{
    QJsonArray a;
    for (int i = 0; i < n; ++i)
        a.append(number(v[i]));
    return a;
}

bool isOutputSize(const AttributeValuePtr& attribute)
{
    return QString::fromStdString(attribute->getUuid()) == OutputSizeId;
}

/// Pixels of a log2 size; null for a log2 that is no size.
QJsonValue pixels(int log2)
{
    return log2 >= 0 && log2 <= 30 ? QJsonValue(1 << log2) : QJsonValue();
}

/// An output size read as pixels: {"width", "height"}, and "synced" when \p synced is given.
QJsonObject outputSize(const QJsonArray& log2, const QJsonValue& synced = QJsonValue::Undefined)
{
    QJsonObject size{{"width", pixels(log2.at(0).toInt())}, {"height", pixels(log2.at(1).toInt())}};
    if (!synced.isUndefined())
        size["synced"] = synced.toInt() != 0;
    return size;
}

const ValueForm* formOf(int variantType);
QString formText(const std::vector<const ValueForm*>& forms);

/// Whether \p number, written as \p shown, is what a component holds: an
/// integer of 32 bits, or a finite float.
bool numberFits(double number, bool integral, const QString& shown, QString& error)
{
    if (integral && (number != std::trunc(number) || number < INT_MIN || number > INT_MAX))
        error = QString("'%1' is not an integer of 32 bits").arg(shown);
    // Every number of the library's values is a float: one beyond the largest
    // float would become infinity.
    else if (!integral && !std::isfinite(float(number)))
        error = QString("'%1' is not a finite number that a float can hold").arg(shown);
    else
        return true;
    return false;
}

/// The image file at \p path, read into \p image; false, with \p error, when it does not read.
bool readImageFile(const QString& path, oxSubstanceHeld<ImagePtr>& image, QString& error)
{
    image = oxSubstanceUtils::convertQVariantToOsgImage(path);
    if (image.get().isNull())
        error = QString("'%1' is not an image file").arg(path);
    return !image.get().isNull();
}

/// The row of the types whose attribute class is C, whose QVariant form F
/// holds N numbers of type T (none for text and images).
template <class C, class F, class T, int N>
struct Row
{
    using Ptr = osg::FCPtr<C>;

    static int variantType() { return qMetaTypeId<F>(); }
    static bool holds(const AttributeValuePtr& attribute) { return !Ptr::dcast(attribute).isNull(); }

    static QJsonValue toJson(const QVariant& value)
    {
        const F v = value.value<F>();
        if constexpr (std::is_same_v<F, oxdImage>)
            return v.getObjectId() ? QJsonValue(QJsonObject{{"image", static_cast<int>(v.getObjectId())}})
                                   : QJsonValue();
        else if constexpr (N == 0)
            return v;
        else if constexpr (N == 1)
            return number(v);
        else if constexpr (std::is_same_v<T, float>)
            return numbers(v, N);
        else if constexpr (N == 2)
            return QJsonArray{v.getX(), v.getY()};
        else if constexpr (N == 3)
            return QJsonArray{v.getX(), v.getY(), v.getZ()};
        else
            return QJsonArray{v.getX(), v.getY(), v.getZ(), v.getW()};
    }

    static void describeRange(const AttributeValuePtr& attribute, QJsonObject& out)
    {
        const Ptr v = Ptr::dcast(attribute);
        if constexpr (N == 1)
        {
            out["min"] = number(v->getMinValue());
            out["max"] = number(v->getMaxValue());
            out["defaultValue"] = number(v->getDefaultValue());
        }
        else if constexpr (std::is_same_v<T, float>)
        {
            out["min"] = numbers(v->getMinValue(), N);
            out["max"] = numbers(v->getMaxValue(), N);
            out["defaultValue"] = numbers(v->getDefaultValue(), N);
        }
        else if constexpr (N > 1)
        {
            const std::array min{v->getMinValueX(), v->getMinValueY(), v->getMinValueZ(), v->getMinValueW()};
            const std::array max{v->getMaxValueX(), v->getMaxValueY(), v->getMaxValueZ(), v->getMaxValueW()};
            const std::array def{v->getDefaultValueX(), v->getDefaultValueY(), v->getDefaultValueZ(),
                                 v->getDefaultValueW()};
            out["min"] = numbers(min, N);
            out["max"] = numbers(max, N);
            out["defaultValue"] = numbers(def, N);
        }
        if constexpr (N > 0)
            out["step"] = number(v->getSliderStep());
        if constexpr (N > 1)
        {
            const std::string labels[] = {v->getLabelX(), v->getLabelY(), v->getLabelZ(), v->getLabelW()};
            QJsonArray a;
            for (int i = 0; i < N; ++i)
                a.append(QString::fromStdString(labels[i]));
            out["labels"] = a;
        }
        if constexpr (std::is_same_v<C, AttributeFloat4DValue>)
            out["color"] = v->isColorAttribute();
        if constexpr (std::is_same_v<C, AttributeIntValue>)
            if (!v->getMap().empty())
                out["map"] = QString::fromStdString(v->getMap());
    }

    static Misfit fromJson(const QJsonValue& json, EnteredValue& entered, QString& error)
    {
        if constexpr (std::is_same_v<F, oxdImage>)
        {
            entered.value = QVariant::fromValue(oxdImage());
            if (json.isObject() && json.toObject().contains("image"))
            {
                const ImagePtr image =
                    oxSubstanceUtils::convertQVariantToOsgImage(QVariant::fromValue(oxdImage(json["image"].toInt())));
                if (image.isNull())
                {
                    error = QString("%1 is not an image").arg(valueText(json));
                    return Misfit::Value;
                }
                entered.value = QVariant::fromValue(oxdImage(image->getId()));
            }
            else if (json.isString() && !json.toString().isEmpty())
            {
                if (!readImageFile(json.toString(), entered.image, error))
                    return Misfit::Value;
                entered.value = QVariant::fromValue(oxdImage(entered.image.get()->getId()));
            }
            else if (!json.isNull() && !json.isString())
                return Misfit::Kind;
        }
        else if constexpr (N == 0)
        {
            if (!json.isString())
                return Misfit::Kind;
            entered.value = json.toString();
        }
        else
        {
            const QJsonArray items = N == 1 ? QJsonArray{json} : json.toArray();
            if (json.isArray() != (N > 1) || !std::all_of(items.begin(), items.end(), [](const QJsonValue& item) {
                    return item.isDouble();
                }))
                return Misfit::Kind;
            if (items.size() != N)
            {
                error = QString("%1 is not %2").arg(valueText(json), formText({formOf(variantType())}));
                return Misfit::Value;
            }
            Numbers n;
            for (const QJsonValue& item : items)
            {
                if (!numberFits(item.toDouble(), std::is_same_v<T, int>, valueText(item), error))
                    return Misfit::Value;
                n.push_back(item.toDouble());
            }
            entered.value = fromNumbers(n);
        }
        return Misfit::None;
    }

    template <std::size_t... I>
    static QVariant make(const Numbers& n, std::index_sequence<I...>)
    {
        return QVariant::fromValue(F{T(n[I])...});
    }
    static QVariant fromNumbers(const Numbers& n) { return make(n, std::make_index_sequence<N>()); }

    static ValueForm form(const char* typeString)
    {
        return {typeString, &variantType, &holds, &toJson, &fromJson, &describeRange, N, std::is_same_v<T, int>,
                &fromNumbers};
    }
};

/// The row of a QVariant form; null when there is none.
const ValueForm* formOf(int variantType)
{
    for (const ValueForm& form : valueForms())
        if (form.variantType() == variantType)
            return &form;
    return nullptr;
}

/// The rows whose numbers a property takes: the row of its current value's
/// form; a colour, which travels as three numbers (without alpha), takes four too.
std::vector<const ValueForm*> numberForms(const AttributeValuePtr& attribute, const ValueForm& current)
{
    std::vector<const ValueForm*> forms{&current};
    const AttributeFloat4DValuePtr colour = AttributeFloat4DValuePtr::dcast(attribute);
    if (current.variantType() == QMetaType::QVector3D && !colour.isNull() && colour->isColorAttribute())
        forms.push_back(formOf(QMetaType::QVector4D));
    return forms;
}

/// "a number", "an integer", "2 numbers", "3 or 4 numbers".
QString formText(const std::vector<const ValueForm*>& forms)
{
    const bool integral = forms.front()->integral;
    if (forms.size() == 1 && forms.front()->components == 1)
        return integral ? "an integer" : "a number";
    QStringList counts;
    for (const ValueForm* form : forms)
        counts << QString::number(form->components);
    return counts.join(" or ") + (integral ? " integers" : " numbers");
}

/// The words of a value split at blanks and commas.
QStringList valueParts(const QStringList& words)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    return words.join(' ').split(separators, Qt::SkipEmptyParts);
}

bool readNumbers(const QStringList& words, const std::vector<const ValueForm*>& forms, QVariant& value,
                 QString& error)
{
    const QStringList parts = valueParts(words);
    const ValueForm* form = nullptr;
    for (const ValueForm* f : forms)
        if (f->components == parts.size())
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
        if (!numberFits(number, form->integral, part, error))
            return false;
        numbers.push_back(number);
    }
    value = form->fromNumbers(numbers);
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
    oxSubstanceHeld<ImagePtr> image;
    if (!readImageFile(path, image, error))
        return false;
    value = QFileInfo(path).absoluteFilePath();
    return true;
}

/// The numbers of a JSON value: a number, a list, or an output size's width and height.
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

bool outsideRange(const QJsonObject& range, const QJsonValue& value)
{
    const Numbers v = components(value);
    const Numbers min = components(range["min"]);
    const Numbers max = components(range["max"]);
    for (std::size_t i = 0; i < v.size() && i < min.size() && i < max.size(); ++i)
        if (min[i] < max[i] && (v[i] < min[i] || v[i] > max[i]))
            return true;
    return false;
}

/// Whether \p map ("0:Planks;1:Parquet") names no value or lists \p value.
bool mapLists(const QString& map, int value)
{
    const auto entries = mapEntries(map);
    return entries.empty() ||
           std::any_of(entries.begin(), entries.end(), [&](const auto& entry) { return entry.first == value; });
}

/// Words in which readOutputSize takes the output size of \p json: {"width",
/// "height"} or [width, height], with "synced" or a third element when given.
Misfit outputSizeWords(const QJsonValue& json, QStringList& words)
{
    QJsonArray parts = json.toArray();
    if (json.isObject())
    {
        parts = {json["width"], json["height"]};
        if (json.toObject().contains("synced"))
            parts.append(json["synced"]);
    }
    if (!json.isArray() && !json.isObject())
        return Misfit::Kind;
    if (parts.size() < 2 || parts.size() > 3)
        return Misfit::Value;
    for (int i = 0; i < parts.size(); ++i)
    {
        if (i < 2 ? !parts[i].isDouble() : !parts[i].isBool())
            return Misfit::Kind;
        words << (i < 2 ? valueText(parts[i]) : parts[i].toBool() ? SyncedWord : UnsyncedWord);
    }
    return Misfit::None;
}

} // namespace

std::vector<std::pair<int, QString>> mapEntries(const QString& map)
{
    std::vector<std::pair<int, QString>> entries;
    for (const QString& entry : map.split(';', Qt::SkipEmptyParts))
    {
        bool ok = false;
        const int key = entry.section(':', 0, 0).trimmed().toInt(&ok);
        if (ok)
            entries.emplace_back(key, entry.section(':', 1).trimmed());
    }
    return entries;
}

const std::vector<ValueForm>& valueForms()
{
    static const std::vector<ValueForm> forms{
        Row<AttributeFloatValue, float, float, 1>::form("float"),
        Row<AttributeFloat2DValue, QVector2D, float, 2>::form("float[2]"),
        Row<AttributeFloat3DValue, QVector3D, float, 3>::form("float[3]"),
        Row<AttributeFloat4DValue, QVector4D, float, 4>::form("float[4]"),
        Row<AttributeIntValue, int, int, 1>::form("int"),
        Row<AttributeInt2DValue, QOXIntVector2D, int, 2>::form("int[2]"),
        Row<AttributeInt3DValue, QOXIntVector3D, int, 3>::form("int[3]"),
        Row<AttributeInt4DValue, QOXIntVector4D, int, 4>::form("int[4]"),
        Row<AttributeStringValue, QString, void, 0>::form("string"),
        Row<AttributeImageValue, oxdImage, void, 0>::form("image"),
    };
    return forms;
}

QJsonValue valueToJson(const AttributeValuePtr& attribute, const QVariant& value)
{
    const ValueForm* form = formOf(value.userType());
    const QJsonValue json = !value.isValid() ? QJsonValue() : form ? form->toJson(value) : value.toString();
    if (!isOutputSize(attribute))
        return json;
    const QJsonArray log2 = json.toArray();
    return log2.size() == 3 ? QJsonValue(outputSize(log2, log2.at(2))) : QJsonValue();
}

QString valueText(const QJsonValue& v)
{
    const QJsonObject object = v.toObject();
    if (object.contains("width"))
    {
        QString text = valueText(object["width"]) + " x " + valueText(object["height"]);
        if (object.contains("synced"))
            text += ", " + (object["synced"].toBool() ? SyncedWord : UnsyncedWord);
        return text;
    }
    if (object.contains("image"))
        return QString("image #%1").arg(object["image"].toInt());
    if (v.isArray())
    {
        QStringList parts;
        for (const QJsonValue& e : v.toArray())
            parts << valueText(e);
        return "(" + parts.join(", ") + ")";
    }
    if (v.isString())
        return "\"" + v.toString() + "\"";
    if (v.isBool())
        return v.toBool() ? "true" : "false";
    if (v.isDouble())
        return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    return "none";
}

const ValueForm* formOf(const AttributeValuePtr& attribute)
{
    for (const ValueForm& form : valueForms())
        if (form.holds(attribute))
            return &form;
    return nullptr;
}

void describeRange(const AttributeValuePtr& attribute, QJsonObject& out)
{
    if (const ValueForm* form = formOf(attribute))
        form->describeRange(attribute, out);
    if (isOutputSize(attribute))
        for (const char* key : {"min", "max", "defaultValue"})
            out[key] = outputSize(out[key].toArray());
}

bool valueFromWords(const AttributeValuePtr& attribute, const QVariant& current, const QStringList& words,
                    EnteredValue& entered, QString& error)
{
    const int type = current.userType();
    const ValueForm* form = formOf(type);
    bool ok = false;
    if (type == QMetaType::QString)
    {
        entered.value = words.join(' ');
        ok = true;
    }
    else if (type == qMetaTypeId<oxdImage>())
        ok = readImage(words, entered.value, error);
    else if (isOutputSize(attribute) && type == qMetaTypeId<QOXIntVector3D>())
        ok = readOutputSize(words, current, entered.value, error);
    else if (form)
        ok = readNumbers(words, numberForms(attribute, *form), entered.value, error);
    else
        error = QString("values of type '%1' cannot be entered").arg(current.typeName());
    if (ok)
        entered.json = valueToJson(attribute, entered.value);
    return ok;
}

Misfit valueFromJson(const AttributeValuePtr& attribute, const QVariant& current, const QJsonValue& json,
                     EnteredValue& entered, QString& error)
{
    const int type = current.userType();
    const ValueForm* form = formOf(type);
    Misfit misfit = Misfit::Kind;
    if (isOutputSize(attribute) && type == qMetaTypeId<QOXIntVector3D>())
    {
        QStringList words;
        misfit = outputSizeWords(json, words);
        if (misfit == Misfit::None && !readOutputSize(words, current, entered.value, error))
            misfit = Misfit::Value;
        else if (misfit == Misfit::Value)
            error = QString("%1 is not %2").arg(valueText(json), entryText(attribute, current));
    }
    else if (form && form->components > 1 && json.isArray())
    {
        // The row of the list's length among those that the property takes (a colour takes 3 or 4).
        const std::vector<const ValueForm*> forms = numberForms(attribute, *form);
        const auto taken = std::find_if(forms.begin(), forms.end(), [&](const ValueForm* f) {
            return f->components == json.toArray().size();
        });
        misfit = taken != forms.end() ? (*taken)->fromJson(json, entered, error) : Misfit::Value;
        if (taken == forms.end())
            error = QString("%1 is not %2").arg(valueText(json), formText(forms));
    }
    else if (form)
        misfit = form->fromJson(json, entered, error);
    if (misfit == Misfit::Kind)
        error = QString("%1 is not %2").arg(valueText(json), entryText(attribute, current));
    if (misfit == Misfit::None)
        entered.json = valueToJson(attribute, entered.value);
    return misfit;
}

QString entryText(const AttributeValuePtr& attribute, const QVariant& current)
{
    const int type = current.userType();
    const ValueForm* form = formOf(type);
    if (type == QMetaType::QString)
        return "a string";
    if (type == qMetaTypeId<oxdImage>())
        return "an image file's path, an image or none";
    if (isOutputSize(attribute) && type == qMetaTypeId<QOXIntVector3D>())
        return "a width and height in pixels, optionally with the sync state";
    return form ? formText(numberForms(attribute, *form)) : QString("no value that can be entered");
}

QStringList valueWarnings(const QJsonObject& range, const QJsonValue& value)
{
    QStringList warnings;
    if (outsideRange(range, value))
    {
        QJsonValue shown = value;
        if (value.isObject())
            shown = QJsonObject{{"width", value["width"]}, {"height", value["height"]}};
        warnings << QString("%1 is outside the range %2 to %3")
                        .arg(valueText(shown), valueText(range["min"]), valueText(range["max"]));
    }
    if (range.contains("map") && value.isDouble() && !mapLists(range["map"].toString(), value.toInt()))
        warnings << QString("%1 is not in the map \"%2\"").arg(valueText(value), range["map"].toString());
    return warnings;
}

QJsonObject describeAttribute(const USubstanceMaterialPtr& material, const AttributeValuePtr& value)
{
    QJsonObject out;
    out["label"] = QString::fromStdString(value->getName());
    out["id"] = QString::fromStdString(value->getUuid());
    out["type"] = QString::fromStdString(value->getTypeString());
    QVariant current;
    out["value"] = oxSubstanceAttributeSync().getOsgAttribute(material, value, current)
                       ? valueToJson(value, current)
                       : QJsonValue();
    describeRange(value, out);
    if (!value->getWidget().empty())
        out["widget"] = QString::fromStdString(value->getWidget());
    if (!value->getDefault().empty())
        out["defaultText"] = QString::fromStdString(value->getDefault());
    if (!value->getVisibility().empty())
        out["visibility"] = QString::fromStdString(value->getVisibility());
    if (!value->getDescription().empty())
        out["description"] = QString::fromStdString(value->getDescription());
    return out;
}


} // namespace oxValueForms
