#pragma once
/// \file oxSubstanceEditorWindow.h
/// The material editor's main window: the attribute panel of the active
/// graph in the middle; presets with their comparison, the undo history, the
/// preview and the log beside it; the graph chooser in the tool bar.

#include "host/Materials.h"

#include <QMainWindow>

class oxAttributePanel;
class oxEditorDocument;
class oxLogPanel;
class oxPresetPanel;
class oxPreviewPanel;
class QAction;
class QComboBox;
class QDockWidget;
class QMenu;
class QUndoStack;

class oxSubstanceEditorWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit oxSubstanceEditorWindow(QWidget* parent = nullptr);
    ~oxSubstanceEditorWindow() override;

    /// Opens an archive into a new material. A refused archive leaves the
    /// material that was open as it was; the status bar and the log say why.
    bool openArchive(const QString& path);
    /// Whether archives open into the texture-generator material of an
    /// environment material (for panorama archives).
    void setEnvironment(bool environment);

    QUndoStack* undoStack() const;
    USubstanceMaterialPtr material() const;
    oxEditorDocument* document() const { return _document; }

    /// The window laid out at a fixed size, as the picture in the README shows it.
    QImage screenshot();

private:
    void createMenus();
    void chooseArchive();
    void updateTitle();
    void refreshGraphs();
    /// Gives the docks their first sizes: preview, presets, history, log.
    void arrangeDocks();

    oxEditorDocument* _document;
    oxAttributePanel* _attributes;
    oxPresetPanel* _presets;
    oxPreviewPanel* _preview;
    oxLogPanel* _log;
    QComboBox* _graph;
    QList<QDockWidget*> _docks;
    QMenu* _viewMenu = nullptr;
    QAction* _environment = nullptr;
    QString _archive;
};
