#include "oxPresetPanel.h"

#include "oxEditorDocument.h"
#include "oxPresetComparison.h"
#include "oxPresetListModel.h"

#include "oxSubstancePresetUtils.h"
#include "oxSubstanceUndoCommands.h"

#include <QAction>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSplitter>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace {

const QString PresetFilter = QObject::tr("Preset files (*.sbsprs);;All files (*)");

} // namespace

oxPresetPanel::oxPresetPanel(oxEditorDocument* document, QWidget* parent)
    : QWidget(parent), _document(document), _model(new oxPresetListModel(document, this))
{
    _view = new QListView;
    _view->setObjectName("presets");
    _view->setModel(_model);
    _view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Drops come from the list itself (the model knows only its own rows).
    _view->setDragDropMode(QAbstractItemView::DragDrop);
    _view->setDragDropOverwriteMode(false);
    _view->setDefaultDropAction(Qt::MoveAction);
    _view->setMouseTracking(true);
    connect(_view, &QListView::activated, this, [this](const QModelIndex&) { apply(false); });
    connect(_view, &QListView::entered, this, [this](const QModelIndex& index) { compare(index.row()); });
    connect(_view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& index) { compare(index.row()); });

    _name = new QLineEdit;
    _name->setObjectName("presetName");
    _name->setPlaceholderText(tr("Name of a new preset"));
    auto* add = new QPushButton(tr("Add"));
    add->setObjectName("addPreset");
    add->setToolTip(tr("Adds the current state as a new preset"));
    connect(add, &QPushButton::clicked, this, &oxPresetPanel::addCurrentState);
    connect(_name, &QLineEdit::returnPressed, this, &oxPresetPanel::addCurrentState);

    addAction("applyPreset", tr("Apply"), [this] { apply(false); });
    addAction("applyPresetDefaultSize", tr("Apply at Default Size"), [this] { apply(true); });
    addAction("removePresets", tr("Remove"), [this] { removeSelected(); })->setShortcut(QKeySequence::Delete);
    addAction("movePresetUp", tr("Up"), [this] { moveSelected(-1); });
    addAction("movePresetDown", tr("Down"), [this] { moveSelected(1); });
    addAction("recapturePreset", tr("Recapture"), [this] { recapture(); });
    addAction("importPresets", tr("Import..."), [this] { importFiles(); });
    addAction("exportPresets", tr("Export..."), [this] { exportSelected(); });
    _cache = addAction("renderCache", tr("Render Cache"), nullptr);
    _cache->setCheckable(true);
    _cache->setToolTip(tr("Keeps the render of each applied preset, so that applying it again needs no render"));
    connect(_cache, &QAction::toggled, this, [](bool on) { oxSubstancePresetUtils::enableCache(on); });
    // Two rows of buttons: what acts on the current state, then what changes the list.
    QToolBar* tools[2] = {new QToolBar, new QToolBar};
    for (int i = 0; i < _actions.size(); ++i)
        tools[QStringList{"removePresets", "movePresetUp", "movePresetDown", "recapturePreset", "importPresets", "exportPresets"}.contains(
            _actions[i]->objectName())]
            ->addAction(_actions[i]);
    _actions[2]->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    _view->addActions(_actions);
    _view->setContextMenuPolicy(Qt::ActionsContextMenu);

    _comparison = new QTreeWidget;
    _comparison->setObjectName("comparison");
    _comparison->setRootIsDecorated(false);
    _comparison->setHeaderLabels({tr("Input"), tr("Current"), tr("Preset")});
    _comparison->header()->setStretchLastSection(true);
    _summary = new QLabel;
    _summary->setObjectName("comparisonSummary");
    _summary->setWordWrap(true);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(_name);
    nameRow->addWidget(add);
    auto* listSide = new QWidget;
    auto* listLayout = new QVBoxLayout(listSide);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->addWidget(_view);
    listLayout->addLayout(nameRow);
    auto* compareSide = new QWidget;
    auto* compareLayout = new QVBoxLayout(compareSide);
    compareLayout->setContentsMargins(0, 0, 0, 0);
    compareLayout->addWidget(_summary);
    compareLayout->addWidget(_comparison);
    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(listSide);
    split->addWidget(compareSide);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(0);
    for (QToolBar* bar : tools)
    {
        bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
        layout->addWidget(bar);
    }
    layout->addWidget(split);

    connect(document, &oxEditorDocument::refreshed, this, [this](oxEditorDocument::Parts parts) {
        if (parts & oxEditorDocument::Presets)
            refresh();
    });
}

QAction* oxPresetPanel::addAction(const char* name, const QString& text, std::function<void()> run)
{
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    if (run)
        connect(action, &QAction::triggered, this, run);
    _actions << action;
    return action;
}

void oxPresetPanel::refresh()
{
    _model->refresh();
    _cache->setChecked(oxSubstancePresetUtils::isCacheEnabled());
    compare(_compared);
}

void oxPresetPanel::compare(int row)
{
    _compared = row;
    _comparison->clear();
    const QString name = oxSubstancePresetUtils::getPresetName(_document->material(), unsigned(std::max(row, 0)));
    if (row < 0 || name.isNull())
    {
        _summary->setText(tr("Point at a preset to see what applying it would change."));
        return;
    }
    const std::vector<oxPresetDifference> differences = oxComparePreset(_document->material(), unsigned(row));
    _summary->setText(oxComparisonText(name, differences).section('\n', 0, 0));
    for (const oxPresetDifference& d : differences)
    {
        auto* item = new QTreeWidgetItem(_comparison, {d.label, d.current, d.preset});
        item->setToolTip(0, d.identifier);
    }
    for (int column : {0, 1})
        _comparison->resizeColumnToContents(column);
}

std::vector<int> oxPresetPanel::selectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : _view->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int oxPresetPanel::chosenRow() const
{
    const QModelIndex index = _view->currentIndex();
    return index.isValid() ? index.row() : -1;
}

void oxPresetPanel::apply(bool defaultOutputSize)
{
    const int row = chosenRow();
    if (row >= 0)
        _document->push(new oxApplySubstancePresetUndoCommand(_document->material(), unsigned(row),
                                                              defaultOutputSize, nullptr));
}

void oxPresetPanel::addCurrentState()
{
    const USubstanceMaterialPtr material = _document->material();
    if (material.isNull())
        return;
    QString name = _name->text().trimmed();
    if (name.isEmpty())
        name = tr("Preset %1").arg(_model->rowCount() + 1);
    const std::string content = oxSubstancePresetUtils::fetchPresetContent(material);
    if (content.empty())
        return;
    const SubstancePresetPtr preset = SubstancePreset::create(name.toStdString(), std::string(), std::string());
    oxSubstancePresetUtils::applyPresetContent(material, preset, content);
    _document->push(new oxAddSubstancePresetUndoCommand(material, {preset}, nullptr));
    _name->clear();
}

void oxPresetPanel::removeSelected()
{
    const std::vector<int> rows = selectedRows();
    if (!rows.empty())
        _document->push(new oxRemoveSubstancePresetUndoCommand(
            _document->material(), std::vector<unsigned>(rows.begin(), rows.end()), nullptr));
}

void oxPresetPanel::moveSelected(int by)
{
    const std::vector<int> rows = selectedRows();
    const int count = _model->rowCount();
    if (rows.empty() || (by < 0 && rows.front() == 0) || (by > 0 && rows.back() == count - 1))
        return;
    const int before = by < 0 ? rows.front() - 1 : rows.back() + 2;
    _document->push(new oxReorderPresetsUndoCommand(_document->material(),
                                                    oxPresetListModel::moveOrder(count, rows, before), nullptr));
    // The selection follows the presets that moved.
    QItemSelection selection;
    for (int row : rows)
        selection.select(_model->index(row + by), _model->index(row + by));
    _view->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    _view->selectionModel()->setCurrentIndex(_model->index(rows.front() + by), QItemSelectionModel::NoUpdate);
}

void oxPresetPanel::recapture()
{
    const int row = chosenRow();
    const USubstanceMaterialPtr material = _document->material();
    if (row >= 0 && !material.isNull())
        _document->push(
            new oxRecapturePresetUndoCommand(material, material->getSubstancePresets()[std::size_t(row)], nullptr));
}

void oxPresetPanel::importFiles()
{
    const QStringList files = QFileDialog::getOpenFileNames(this, tr("Import Presets"), QString(), PresetFilter,
                                                            nullptr, QFileDialog::DontUseNativeDialog);
    if (files.isEmpty())
        return;
    const std::vector<SubstancePresetPtr> presets =
        oxSubstancePresetUtils::importPresets(_document->material(), files, false, true);
    if (presets.empty())
    {
        emit _document->showMessage(tr("No preset to add: the files hold no new preset of this material's graphs (the log says why each was skipped)."));
        return;
    }
    _document->push(new oxAddSubstancePresetUndoCommand(_document->material(), presets, nullptr));
}

void oxPresetPanel::exportSelected()
{
    std::vector<int> rows = selectedRows();
    if (rows.empty())
        for (int row = 0; row < _model->rowCount(); ++row)
            rows.push_back(row);
    if (rows.empty())
        return;
    const QString file = QFileDialog::getSaveFileName(this, tr("Export Presets"), QString(), PresetFilter, nullptr,
                                                      QFileDialog::DontUseNativeDialog);
    if (file.isEmpty())
        return;
    const std::vector<unsigned> indexes(rows.begin(), rows.end());
    if (oxSubstancePresetUtils::exportPresets(_document->material(), indexes, file))
        emit _document->showMessage(tr("Exported %n preset(s) to %1.", nullptr, int(indexes.size())).arg(file));
    else
        emit _document->showMessage(tr("Could not write the preset file %1.").arg(file));
}

