#include "oxAttributeEditors.h"

#include "oxValueForms.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <vector>

QString oxNumberWord(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QStringList oxAttributeEditor::defaultWords(const QJsonObject& description) const
{
    const QJsonValue value = description["defaultValue"];
    if (!value.isArray())
        return {oxNumberWord(value.toDouble())};
    QStringList words;
    for (const QJsonValue& v : value.toArray())
        words << oxNumberWord(v.toDouble());
    return words;
}

namespace {

/// The components of a number or a list of numbers.
std::vector<double> numbers(const QJsonValue& value)
{
    if (!value.isArray())
        return {value.toDouble()};
    std::vector<double> n;
    for (const QJsonValue& v : value.toArray())
        n.push_back(v.toDouble());
    return n;
}

double component(const QJsonValue& value, int i)
{
    const std::vector<double> n = numbers(value);
    return i < int(n.size()) ? n[std::size_t(i)] : 0.0;
}

/// Lets a field shrink with the panel below the width its range would ask for.
template <class Field>
Field* narrow(Field* field)
{
    field->setMinimumWidth(48);
    field->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    return field;
}

QHBoxLayout* row(QWidget* owner)
{
    auto* layout = new QHBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    return layout;
}

/// Decimals that show a step exactly (2 at least, 6 at most).
int decimalsFor(double step)
{
    if (step <= 0)
        return 3;
    return std::clamp(int(std::ceil(-std::log10(step) - 1e-9)), 2, 6);
}

/// A spin box for one component, bounded by its range (unbounded when the
/// range is empty, as for inputs without bounds), reporting entered values
/// only (not each key).
QAbstractSpinBox* spinBox(bool integral, double min, double max, double step)
{
    const bool bounded = min < max;
    if (integral)
    {
        auto* spin = narrow(new QSpinBox);
        spin->setRange(bounded ? int(min) : -1000000000, bounded ? int(max) : 1000000000);
        spin->setSingleStep(std::max(1, int(step)));
        spin->setKeyboardTracking(false);
        return spin;
    }
    auto* spin = narrow(new QDoubleSpinBox);
    spin->setDecimals(decimalsFor(step));
    spin->setRange(bounded ? min : -1e9, bounded ? max : 1e9);
    spin->setSingleStep(step > 0 ? step : 0.01);
    spin->setKeyboardTracking(false);
    return spin;
}

double spinValue(QAbstractSpinBox* spin)
{
    if (auto* i = qobject_cast<QSpinBox*>(spin))
        return i->value();
    return static_cast<QDoubleSpinBox*>(spin)->value();
}

void setSpinValue(QAbstractSpinBox* spin, double value)
{
    const QSignalBlocker blocker(spin);
    if (auto* i = qobject_cast<QSpinBox*>(spin))
        i->setValue(int(value));
    else
        static_cast<QDoubleSpinBox*>(spin)->setValue(value);
}

void onEntered(QAbstractSpinBox* spin, std::function<void()> entered)
{
    if (auto* i = qobject_cast<QSpinBox*>(spin))
        QObject::connect(i, QOverload<int>::of(&QSpinBox::valueChanged), spin, [entered](int) { entered(); });
    else
        QObject::connect(static_cast<QDoubleSpinBox*>(spin), QOverload<double>::of(&QDoubleSpinBox::valueChanged),
                         spin, [entered](double) { entered(); });
}

/// "float" and "int": a slider over the range with a spin box beside it. A
/// drag is one gesture; a float slider moves in steps of the input's step.
class SliderEditor : public oxAttributeEditor
{
public:
    SliderEditor(const QJsonObject& d, bool integral) : _integral(integral)
    {
        _min = d["min"].toDouble();
        _max = d["max"].toDouble();
        const double step = d["step"].toDouble();
        _spin = spinBox(integral, _min, _max, step);
        _spin->setObjectName("value");
        QHBoxLayout* layout = row(this);
        if (_min < _max)
        {
            _slider = new QSlider(Qt::Horizontal);
            _slider->setObjectName("slider");
            _ticks = integral ? int(_max - _min) : (step > 0 ? int(std::lround((_max - _min) / step)) : 1000);
            _ticks = std::clamp(_ticks, 1, 100000);
            _slider->setRange(0, _ticks);
            _slider->setPageStep(std::max(1, _ticks / 10));
            layout->addWidget(_slider, 1);
            connect(_slider, &QSlider::sliderPressed, this, &oxAttributeEditor::gestureStarted);
            connect(_slider, &QSlider::sliderReleased, this, &oxAttributeEditor::gestureEnded);
            connect(_slider, &QSlider::valueChanged, this, [this](int tick) {
                const double value = _min + (_max - _min) * tick / _ticks;
                setSpinValue(_spin, value);
                emit edited({oxNumberWord(_integral ? std::round(value) : value)});
            });
        }
        layout->addWidget(_spin);
        _spin->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        _spin->setFixedWidth(90);
        onEntered(_spin, [this] {
            setSlider(spinValue(_spin));
            emit edited({oxNumberWord(spinValue(_spin))});
        });
    }

    void show(const QJsonObject& d) override
    {
        const double value = d["value"].toDouble();
        setSpinValue(_spin, value);
        if (!_slider || !_slider->isSliderDown())
            setSlider(value);
    }

private:
    void setSlider(double value)
    {
        if (!_slider)
            return;
        const QSignalBlocker blocker(_slider);
        _slider->setValue(int(std::lround((value - _min) / (_max - _min) * _ticks)));
    }

    bool _integral;
    double _min = 0;
    double _max = 0;
    int _ticks = 1;
    QSlider* _slider = nullptr;
    QAbstractSpinBox* _spin;
};

/// "int" with a map: a combo box of the map's captions.
class ChoiceEditor : public oxAttributeEditor
{
public:
    explicit ChoiceEditor(const QJsonObject& d)
    {
        _choice = narrow(new QComboBox);
        _choice->setObjectName("choice");
        for (const auto& [number, caption] : oxValueForms::mapEntries(d["map"].toString()))
            _choice->addItem(caption, number);
        row(this)->addWidget(_choice, 1);
        connect(_choice, QOverload<int>::of(&QComboBox::activated), this,
                [this](int index) { emit edited({QString::number(_choice->itemData(index).toInt())}); });
    }

    void show(const QJsonObject& d) override
    {
        const QSignalBlocker blocker(_choice);
        const int index = _choice->findData(d["value"].toInt());
        if (index < 0)
            _choice->setEditText(QString::number(d["value"].toInt()));
        _choice->setCurrentIndex(index);
    }

private:
    QComboBox* _choice;
};

/// Vectors: one spin box per component, each with its caption.
class VectorEditor : public oxAttributeEditor
{
public:
    VectorEditor(const QJsonObject& d, int count, bool integral)
    {
        QHBoxLayout* layout = row(this);
        const QJsonArray labels = d["labels"].toArray();
        for (int i = 0; i < count; ++i)
        {
            const QString caption = labels.at(i).toString();
            if (!caption.isEmpty())
                layout->addWidget(new QLabel(caption));
            QAbstractSpinBox* spin = spinBox(integral, component(d["min"], i), component(d["max"], i),
                                             d["step"].toDouble());
            spin->setObjectName(QString("component%1").arg(i));
            spin->setToolTip(caption);
            layout->addWidget(spin, 1);
            onEntered(spin, [this, i] {
                QStringList words;
                for (std::size_t c = 0; c < _value.size(); ++c)
                    words << oxNumberWord(int(c) == i ? spinValue(_spins[c]) : _value[c]);
                emit edited(words);
            });
            _spins.push_back(spin);
        }
    }

    void show(const QJsonObject& d) override
    {
        _value = numbers(d["value"]);
        _value.resize(_spins.size());
        for (std::size_t i = 0; i < _spins.size(); ++i)
            setSpinValue(_spins[i], _value[i]);
    }

private:
    std::vector<QAbstractSpinBox*> _spins;
    std::vector<double> _value; ///< the shown value, whose other components an entry keeps
};

/// A colour "float[4]": a button in the colour that opens a colour dialog.
class ColourEditor : public oxAttributeEditor
{
public:
    ColourEditor()
    {
        _button = new QPushButton;
        _button->setObjectName("colour");
        row(this)->addWidget(_button, 1);
        connect(_button, &QPushButton::clicked, this, [this] {
            const QColor chosen = QColorDialog::getColor(_colour, this, tr("Colour"), QColorDialog::DontUseNativeDialog);
            if (chosen.isValid())
                emit edited({oxNumberWord(chosen.redF()), oxNumberWord(chosen.greenF()), oxNumberWord(chosen.blueF())});
        });
    }

    void show(const QJsonObject& d) override
    {
        _colour = QColor::fromRgbF(std::clamp(component(d["value"], 0), 0.0, 1.0),
                                   std::clamp(component(d["value"], 1), 0.0, 1.0),
                                   std::clamp(component(d["value"], 2), 0.0, 1.0));
        _button->setText(_colour.name());
        _button->setStyleSheet(QString("background-color: %1; color: %2")
                                   .arg(_colour.name(), _colour.lightnessF() > 0.5 ? "black" : "white"));
    }

    /// A colour shows no alpha: its default is its first three components.
    QStringList defaultWords(const QJsonObject& d) const override
    {
        return oxAttributeEditor::defaultWords(d).mid(0, 3);
    }

private:
    QPushButton* _button;
    QColor _colour;
};

/// The output size: width and height as powers of two within the range, and
/// the material's switch that keeps them equal.
class OutputSizeEditor : public oxAttributeEditor
{
public:
    explicit OutputSizeEditor(const QJsonObject& d)
    {
        QHBoxLayout* layout = row(this);
        const QJsonArray labels = d["labels"].toArray();
        const char* keys[] = {"width", "height"};
        for (int i = 0; i < 2; ++i)
        {
            auto* sizes = narrow(new QComboBox);
            sizes->setObjectName(keys[i]);
            const int low = std::max(1, d["min"][keys[i]].toInt());
            const int high = std::max(low, d["max"][keys[i]].toInt());
            for (int pixels = low; pixels <= high && pixels > 0; pixels *= 2)
                sizes->addItem(QString::number(pixels), pixels);
            layout->addWidget(new QLabel(labels.at(i).toString()));
            layout->addWidget(sizes, 1);
            connect(sizes, QOverload<int>::of(&QComboBox::activated), this, [this, i](int) { enter(i); });
            _sizes[i] = sizes;
        }
        _sync = new QCheckBox(tr("Sync"));
        _sync->setObjectName("sync");
        _sync->setToolTip(tr("Keeps the height equal to the width"));
        layout->addWidget(_sync);
        connect(_sync, &QCheckBox::clicked, this, [this] { enter(0); });
    }

    void show(const QJsonObject& d) override
    {
        const QJsonObject value = d["value"].toObject();
        for (int i = 0; i < 2; ++i)
        {
            const QSignalBlocker blocker(_sizes[i]);
            const int pixels = value[i == 0 ? "width" : "height"].toInt();
            if (_sizes[i]->findData(pixels) < 0)
                _sizes[i]->addItem(QString::number(pixels), pixels);
            _sizes[i]->setCurrentIndex(_sizes[i]->findData(pixels));
        }
        const QSignalBlocker blocker(_sync);
        _sync->setChecked(value["synced"].toBool());
    }

    /// The default size; the sync switch stays as it is.
    QStringList defaultWords(const QJsonObject& d) const override
    {
        const QJsonObject size = d["defaultValue"].toObject();
        return {QString::number(size["width"].toInt()), QString::number(size["height"].toInt())};
    }

private:
    /// Width and height as chosen; with sync on, the one just chosen (\p from) sets both.
    void enter(int from)
    {
        QString size[2] = {_sizes[0]->currentText(), _sizes[1]->currentText()};
        if (_sync->isChecked())
            size[1 - from] = size[from];
        emit edited({size[0], size[1], _sync->isChecked() ? oxValueForms::SyncedWord : oxValueForms::UnsyncedWord});
    }

    QComboBox* _sizes[2];
    QCheckBox* _sync;
};

/// "string": a line edit; a value is entered with Enter or by leaving the field.
class TextEditor : public oxAttributeEditor
{
public:
    TextEditor()
    {
        _text = new QLineEdit;
        _text->setObjectName("text");
        row(this)->addWidget(_text, 1);
        connect(_text, &QLineEdit::editingFinished, this, [this] {
            // Entered: from now on undo and redo show their values here, also while the field has the focus.
            _text->setModified(false);
            if (_text->text() != _shown)
                emit edited({_text->text()});
        });
    }

    void show(const QJsonObject& d) override
    {
        _shown = d["value"].toString();
        if (!_text->hasFocus() || !_text->isModified())
            _text->setText(_shown);
    }

    QStringList defaultWords(const QJsonObject& d) const override { return {d["defaultText"].toString()}; }

private:
    QLineEdit* _text;
    QString _shown;
};

/// "image": the path of an image file, typed or browsed for, and a button that takes the image away.
class ImageEditor : public oxAttributeEditor
{
public:
    ImageEditor()
    {
        _path = narrow(new QLineEdit);
        _path->setObjectName("path");
        auto* browse = new QPushButton(tr("Browse..."));
        browse->setObjectName("browse");
        auto* clear = new QPushButton(tr("Clear"));
        clear->setObjectName("clear");
        QHBoxLayout* layout = row(this);
        layout->addWidget(_path, 1);
        layout->addWidget(browse);
        layout->addWidget(clear);
        connect(_path, &QLineEdit::returnPressed, this, [this] {
            if (!_path->text().trimmed().isEmpty())
                emit edited({_path->text().trimmed()});
        });
        connect(browse, &QPushButton::clicked, this, [this] {
            const QString file = QFileDialog::getOpenFileName(this, tr("Image"), QString(),
                                                              tr("Images (*.ppm);;All files (*)"), nullptr,
                                                              QFileDialog::DontUseNativeDialog);
            if (!file.isEmpty())
                emit edited({file});
        });
        connect(clear, &QPushButton::clicked, this, [this] { emit edited({QString()}); });
    }

    void show(const QJsonObject& d) override
    {
        const int image = d["value"].toObject()["image"].toInt();
        _path->clear();
        _path->setPlaceholderText(image ? tr("image #%1: type or browse for another").arg(image)
                                        : tr("no image: type or browse for a PPM file"));
    }

    QStringList defaultWords(const QJsonObject&) const override { return {QString()}; }

private:
    QLineEdit* _path;
};

/// The editor kind of each type string; the output size, a colour and an
/// integer with a map take an editor of their own.
using Make = std::function<oxAttributeEditor*(const QJsonObject&)>;

const std::map<QString, Make>& editorKinds()
{
    const auto vector = [](int count, bool integral) {
        return [count, integral](const QJsonObject& d) -> oxAttributeEditor* {
            return new VectorEditor(d, count, integral);
        };
    };
    static const std::map<QString, Make> kinds{
        {"float", [](const QJsonObject& d) { return new SliderEditor(d, false); }},
        {"float[2]", vector(2, false)},
        {"float[3]", vector(3, false)},
        {"float[4]",
         [](const QJsonObject& d) -> oxAttributeEditor* {
             if (d["color"].toBool())
                 return new ColourEditor;
             return new VectorEditor(d, 4, false);
         }},
        {"int",
         [](const QJsonObject& d) -> oxAttributeEditor* {
             if (d.contains("map"))
                 return new ChoiceEditor(d);
             return new SliderEditor(d, true);
         }},
        {"int[2]",
         [](const QJsonObject& d) -> oxAttributeEditor* {
             if (d["id"].toString() == oxValueForms::OutputSizeId)
                 return new OutputSizeEditor(d);
             return new VectorEditor(d, 2, true);
         }},
        {"int[3]", vector(3, true)},
        {"int[4]", vector(4, true)},
        {"string", [](const QJsonObject&) { return new TextEditor; }},
        {"image", [](const QJsonObject&) { return new ImageEditor; }},
    };
    return kinds;
}

} // namespace

oxAttributeEditor* oxAttributeEditor::create(const QJsonObject& description)
{
    const auto kind = editorKinds().find(description["type"].toString());
    if (kind == editorKinds().end())
        return nullptr;
    oxAttributeEditor* editor = kind->second(description);
    editor->setObjectName("property:" + description["id"].toString());
    editor->setToolTip(description["description"].toString());
    editor->show(description);
    return editor;
}
