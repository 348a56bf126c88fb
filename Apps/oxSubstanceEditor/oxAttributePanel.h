#pragma once
/// \file oxAttributePanel.h
/// The attribute panel: the active graph's groups in their order (the shared
/// group last), one row per attribute with its label (its description as
/// tooltip), an editor that fits its type, and a button that puts it back
/// to its default. Rows whose visibility condition is false are hidden.
/// Every entry becomes the property command, pushed through the document.

#include "oxSubstanceCommandSupport.h"

#include "host/Materials.h"

#include <QHash>
#include <QJsonObject>
#include <QScrollArea>
#include <QString>

#include <vector>

class oxAttributeEditor;
class oxEditorDocument;
class QLabel;
class QToolButton;

class oxAttributePanel : public QScrollArea
{
    Q_OBJECT
public:
    explicit oxAttributePanel(oxEditorDocument* document, QWidget* parent = nullptr);
    ~oxAttributePanel() override;

    /// The editor of an input of the active graph; null when it has none.
    oxAttributeEditor* editor(const QString& identifier) const;

private:
    struct Row
    {
        oxSubstanceHeld<AttributeValuePtr> attribute;
        QJsonObject description;
        oxAttributeEditor* editor = nullptr;
        QLabel* label = nullptr;
        QToolButton* reset = nullptr;
    };

    void rebuild();
    void refreshValues(bool all);
    void showRow(Row& row);
    void updateVisibility();
    void enter(int row, const QStringList& words);

    oxEditorDocument* _document;
    std::vector<Row> _rows;
    QHash<QString, int> _byId;
};
