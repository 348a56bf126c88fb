#pragma once
/// \file oxPresetPanel.h
/// The preset panel: the material's presets (model/view), what each would
/// change beside them, and the actions on them. Applying a preset and every
/// change of the list is one undo step through the library's commands;
/// exporting writes a file and the render-cache switch is process-wide, so
/// neither is an undo step.

#include <QWidget>

#include <functional>
#include <vector>

class oxEditorDocument;
class oxPresetListModel;
class QAction;
class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;
class QTreeWidget;

class oxPresetPanel : public QWidget
{
    Q_OBJECT
public:
    explicit oxPresetPanel(oxEditorDocument* document, QWidget* parent = nullptr);

    /// The panel's actions, in menu order (each named for tests and menus).
    QList<QAction*> presetActions() const { return _actions; }
    oxPresetListModel* model() const { return _model; }

    /// Shows in the comparison view what applying preset \p row would change.
    void compare(int row);

private:
    void refresh();
    std::vector<int> selectedRows() const;
    int chosenRow() const;
    void apply(bool defaultOutputSize);
    void addCurrentState();
    void removeSelected();
    void moveSelected(int by);
    void recapture();
    void importFiles();
    void exportSelected();
    QAction* addAction(const char* name, const QString& text, std::function<void()> run);

    oxEditorDocument* _document;
    oxPresetListModel* _model;
    QListView* _view;
    QLineEdit* _name;
    QTreeWidget* _comparison;
    QLabel* _summary;
    QAction* _cache = nullptr;
    QList<QAction*> _actions;
    int _compared = -1;
};
