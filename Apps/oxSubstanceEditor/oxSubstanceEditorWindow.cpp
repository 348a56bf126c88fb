#include "oxSubstanceEditorWindow.h"

#include "oxAttributePanel.h"
#include "oxEditorDocument.h"
#include "oxLogPanel.h"
#include "oxPresetListModel.h"
#include "oxPresetPanel.h"
#include "oxPreviewPanel.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>
#include <QUndoView>

namespace {

QDockWidget* dock(const QString& title, const char* name, QWidget* content, QMainWindow* window,
                  Qt::DockWidgetArea area)
{
    auto* widget = new QDockWidget(title, window);
    widget->setObjectName(name);
    widget->setWidget(content);
    window->addDockWidget(area, widget);
    return widget;
}

} // namespace

oxSubstanceEditorWindow::oxSubstanceEditorWindow(QWidget* parent)
    : QMainWindow(parent), _document(new oxEditorDocument(this))
{
    _attributes = new oxAttributePanel(_document);
    setCentralWidget(_attributes);
    _presets = new oxPresetPanel(_document);
    _preview = new oxPreviewPanel(_document);
    _log = new oxLogPanel(_document);
    auto* history = new QUndoView(_document->undoStack());
    history->setObjectName("history");
    history->setEmptyLabel(tr("<opened>"));

    QDockWidget* presets = dock(tr("Presets"), "presetsDock", _presets, this, Qt::RightDockWidgetArea);
    QDockWidget* historyDock = dock(tr("History"), "historyDock", history, this, Qt::RightDockWidgetArea);
    QDockWidget* preview = dock(tr("Preview"), "previewDock", _preview, this, Qt::LeftDockWidgetArea);
    QDockWidget* log = dock(tr("Log"), "logDock", _log, this, Qt::BottomDockWidgetArea);
    splitDockWidget(presets, historyDock, Qt::Vertical);
    _docks = {preview, presets, historyDock, log};
    arrangeDocks();

    _graph = new QComboBox;
    _graph->setObjectName("graph");
    _graph->setMinimumContentsLength(16);
    _graph->setToolTip(tr("The active graph: the one that the attributes, presets and commands act on"));
    connect(_graph, QOverload<int>::of(&QComboBox::activated), _document, &oxEditorDocument::selectGraph);
    auto* tools = addToolBar(tr("Graph"));
    tools->setObjectName("graphToolBar");
    tools->addWidget(new QLabel(tr("Graph ")));
    tools->addWidget(_graph);

    createMenus();
    for (QDockWidget* d : _docks)
        _viewMenu->addAction(d->toggleViewAction());

    connect(_document->undoStack(), &QUndoStack::cleanChanged, this, &oxSubstanceEditorWindow::updateTitle);
    connect(_document, &oxEditorDocument::refreshed, this, [this](oxEditorDocument::Parts parts) {
        if (parts & oxEditorDocument::Structure)
            refreshGraphs();
    });
    connect(_document, &oxEditorDocument::showMessage, this,
            [this](const QString& text) { statusBar()->showMessage(text, 10000); });
    connect(_log, &oxLogPanel::logged, this, [this](const QString& line) { statusBar()->showMessage(line, 10000); });
    updateTitle();
    statusBar()->showMessage(tr("Open a Substance archive with File > Open."));
}

oxSubstanceEditorWindow::~oxSubstanceEditorWindow()
{
    // The panels go first: a field that loses its focus as it goes may still
    // enter its value through the document.
    delete takeCentralWidget();
    qDeleteAll(_docks);
    // The document's last signals (the history emptied) still reach the window.
    delete _document;
}

void oxSubstanceEditorWindow::createMenus()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* open = file->addAction(tr("&Open..."), this, &oxSubstanceEditorWindow::chooseArchive);
    open->setObjectName("open");
    open->setShortcut(QKeySequence::Open);
    _environment = file->addAction(tr("Open into an &Environment Material"));
    _environment->setObjectName("environment");
    _environment->setCheckable(true);
    _environment->setToolTip(tr("Panorama archives load into the texture generator of an environment material"));
    file->addSeparator();
    QAction* quit = file->addAction(tr("&Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    QAction* undo = _document->undoStack()->createUndoAction(this);
    undo->setObjectName("undo");
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = _document->undoStack()->createRedoAction(this);
    redo->setObjectName("redo");
    redo->setShortcut(QKeySequence::Redo);
    edit->addAction(undo);
    edit->addAction(redo);

    QMenu* presets = menuBar()->addMenu(tr("&Presets"));
    presets->addActions(_presets->presetActions());

    _viewMenu = menuBar()->addMenu(tr("&View"));
}

bool oxSubstanceEditorWindow::openArchive(const QString& path)
{
    QString error;
    if (!_document->open(path, _environment->isChecked(), error))
    {
        _log->poll();
        statusBar()->showMessage(tr("Not opened: %1").arg(error.section('\n', 0, 0)));
        return false;
    }
    _archive = path;
    updateTitle();
    statusBar()->showMessage(tr("Opened %1").arg(QFileInfo(path).fileName()), 5000);
    return true;
}

void oxSubstanceEditorWindow::setEnvironment(bool environment)
{
    _environment->setChecked(environment);
}

void oxSubstanceEditorWindow::chooseArchive()
{
    const QString path =
        QFileDialog::getOpenFileName(this, tr("Open Substance Archive"), QFileInfo(_archive).absolutePath(),
                                     tr("Substance archives (*.sbsar);;All files (*)"), nullptr,
                                     QFileDialog::DontUseNativeDialog);
    if (path.isEmpty() || openArchive(path))
        return;
    QMessageBox::warning(this, tr("Archive not opened"),
                         tr("%1 was not opened; the material stays as it was.\n\n%2")
                             .arg(QFileInfo(path).fileName(), statusBar()->currentMessage()));
}

QUndoStack* oxSubstanceEditorWindow::undoStack() const
{
    return _document->undoStack();
}

USubstanceMaterialPtr oxSubstanceEditorWindow::material() const
{
    return _document->material();
}

void oxSubstanceEditorWindow::updateTitle()
{
    const QString name = _archive.isEmpty() ? tr("no archive") : QFileInfo(_archive).fileName();
    setWindowTitle(tr("%1[*] - oxSubstance Editor").arg(name));
    setWindowModified(!_document->undoStack()->isClean());
}

void oxSubstanceEditorWindow::refreshGraphs()
{
    const QSignalBlocker blocker(_graph);
    _graph->clear();
    const USubstanceMaterialPtr m = material();
    if (m.isNull())
        return;
    for (const USubstanceGraphPtr& graph : m->getSubstanceGraphs())
        _graph->addItem(graph.isNull() ? QString() : QString::fromStdString(graph->getName()));
    _graph->setCurrentIndex(m->getActiveGraphIndex());
    _graph->setEnabled(_graph->count() > 1);
}

void oxSubstanceEditorWindow::arrangeDocks()
{
    resizeDocks({_docks[0], _docks[1]}, {220, 480}, Qt::Horizontal);
    resizeDocks({_docks[1], _docks[2]}, {3, 1}, Qt::Vertical);
    resizeDocks({_docks[3]}, {80}, Qt::Vertical);
}

QImage oxSubstanceEditorWindow::screenshot()
{
    resize(1400, 900);
    show();
    arrangeDocks();
    _document->refreshNow();
    // The comparison shows what the first preset would change.
    if (_presets->model()->rowCount() > 0)
        _presets->findChild<QAbstractItemView*>("presets")->setCurrentIndex(_presets->model()->index(0, 0));
    QApplication::processEvents();
    return grab().toImage();
}
