#pragma once
/// \file oxAttributeEditors.h
/// The editor widgets of the attribute panel, one kind per type string and
/// widget hint. An editor shows an input's description (the form that the
/// value forms give: "value", "min", "max", "step", "labels", "map", ...)
/// and hands back what a person entered as the words of that form, which
/// the value forms turn into the property's value. Editors never write the
/// material themselves.

#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>
#include <QWidget>

class oxAttributeEditor : public QWidget
{
    Q_OBJECT
public:
    /// The editor for an input of \p description, named "property:<identifier>".
    static oxAttributeEditor* create(const QJsonObject& description);

    /// Shows the value of \p description without emitting anything.
    virtual void show(const QJsonObject& description) = 0;
    /// The words that put the input back to its default.
    virtual QStringList defaultWords(const QJsonObject& description) const;

signals:
    /// A person entered a value.
    void edited(const QStringList& words);
    /// A drag begins: the edits until gestureEnded() are one step.
    void gestureStarted();
    void gestureEnded();
};

/// A number as the words of a value: the shortest text that reads back as it.
QString oxNumberWord(double value);
