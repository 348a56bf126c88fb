#include "oxAttributePanel.h"

#include "oxHostSetup.h"
#include "oxValueForms.h"
#include "oxAttributeEditors.h"
#include "oxEditorDocument.h"
#include "oxVisibilityCondition.h"

#include "oxSubstanceAttributeSync.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

oxAttributePanel::oxAttributePanel(oxEditorDocument* document, QWidget* parent)
    : QScrollArea(parent), _document(document)
{
    setObjectName("attributes");
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(document, &oxEditorDocument::refreshed, this, [this](oxEditorDocument::Parts parts) {
        if (parts & oxEditorDocument::Structure)
            rebuild();
        else if (parts & oxEditorDocument::Values)
            refreshValues(false);
    });
}

oxAttributePanel::~oxAttributePanel() = default;

oxAttributeEditor* oxAttributePanel::editor(const QString& identifier) const
{
    const auto row = _byId.find(identifier);
    return row == _byId.end() ? nullptr : _rows[std::size_t(*row)].editor;
}

void oxAttributePanel::rebuild()
{
    _rows.clear();
    _byId.clear();
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    const USubstanceMaterialPtr material = _document->material();
    const USubstanceGraphPtr graph = material.isNull() ? USubstanceGraphPtr() : material->getActiveGraph();
    if (!graph.isNull())
    {
        for (const AttributeGroupPtr& group : graph->getAttributeGroups())
        {
            if (group.isNull())
                continue;
            auto* box = new QGroupBox(QString::fromStdString(group->getName()));
            auto* grid = new QGridLayout(box);
            grid->setColumnStretch(1, 1);
            for (const AttributeValuePtr& value : group->getProperties())
            {
                if (value.isNull())
                    continue;
                Row row;
                row.attribute = value;
                row.description = oxValueForms::describeAttribute(material, value);
                row.editor = oxAttributeEditor::create(row.description);
                if (!row.editor)
                    continue;
                const QString tip = row.description["description"].toString();
                row.label = new QLabel(row.description["label"].toString());
                row.label->setToolTip(tip);
                row.label->setBuddy(row.editor);
                row.reset = new QToolButton;
                row.reset->setObjectName("reset:" + row.description["id"].toString());
                row.reset->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
                row.reset->setToolTip(tr("Back to the default"));
                const int index = int(_rows.size());
                const int line = grid->rowCount();
                grid->addWidget(row.label, line, 0);
                grid->addWidget(row.editor, line, 1);
                grid->addWidget(row.reset, line, 2);
                connect(row.editor, &oxAttributeEditor::edited, this,
                        [this, index](const QStringList& words) { enter(index, words); });
                connect(row.editor, &oxAttributeEditor::gestureStarted, _document, &oxEditorDocument::beginGesture);
                connect(row.editor, &oxAttributeEditor::gestureEnded, _document, &oxEditorDocument::endGesture);
                connect(row.reset, &QToolButton::clicked, this, [this, index] {
                    const Row& r = _rows[std::size_t(index)];
                    enter(index, r.editor->defaultWords(r.description));
                });
                _byId.insert(row.description["id"].toString(), index);
                _rows.push_back(row);
            }
            layout->addWidget(box);
        }
    }
    layout->addStretch();
    setWidget(content);
    updateVisibility();
}

void oxAttributePanel::refreshValues(bool all)
{
    if (all)
    {
        for (Row& row : _rows)
            showRow(row);
    }
    else
    {
        for (const QString& input : _document->changedInputs())
        {
            const auto row = _byId.find(input);
            if (row != _byId.end())
                showRow(_rows[std::size_t(*row)]);
        }
    }
    updateVisibility();
}

void oxAttributePanel::showRow(Row& row)
{
    row.description = oxValueForms::describeAttribute(_document->material(), row.attribute.get());
    row.editor->show(row.description);
}

void oxAttributePanel::updateVisibility()
{
    const oxInputNumber number = [this](const QString& identifier) -> std::optional<double> {
        const auto row = _byId.find(identifier);
        if (row == _byId.end())
            return std::nullopt;
        const QJsonValue value = _rows[std::size_t(*row)].description["value"];
        return value.isDouble() ? std::optional<double>(value.toDouble()) : std::nullopt;
    };
    for (Row& row : _rows)
    {
        const QString condition = row.description["visibility"].toString();
        if (condition.isEmpty())
            continue;
        const bool visible = oxIsVisible(condition, number);
        for (QWidget* w : {static_cast<QWidget*>(row.label), static_cast<QWidget*>(row.editor),
                           static_cast<QWidget*>(row.reset)})
            w->setVisible(visible);
    }
}

void oxAttributePanel::enter(int index, const QStringList& words)
{
    Row& row = _rows[std::size_t(index)];
    QVariant current;
    oxValueForms::EnteredValue entered;
    QString error;
    if (!oxSubstanceAttributeSync().getOsgAttribute(_document->material(), row.attribute.get(), current) ||
        !oxReadEnteredValue(row.attribute.get(), current, words, entered, error))
    {
        emit _document->showMessage(error);
        showRow(row);
        return;
    }
    _document->setValue(row.description["id"].toString(), entered.value);
}
