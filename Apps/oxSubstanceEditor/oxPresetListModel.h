#pragma once
/// \file oxPresetListModel.h
/// The material's presets as a list model: one row per preset slot, the
/// current preset in bold, the presets equal to the current state marked, the
/// comparison with the current state as tooltip. Rows move by drag and drop
/// through the reorder command.

#include <QAbstractListModel>
#include <QStringList>

#include <set>
#include <vector>

class oxEditorDocument;

class oxPresetListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role
    {
        MatchesRole = Qt::UserRole, ///< bool: the preset equals the current state
        CurrentRole                 ///< bool: the preset is the current preset
    };

    explicit oxPresetListModel(oxEditorDocument* document, QObject* parent = nullptr);

    /// Reads the names, the matching presets and the current preset again:
    /// rows that stay keep their place, so the view keeps its scroll position.
    void refresh();
    /// The current preset's row; -1 when no preset equals the current state.
    int currentRow() const { return _current; }

    /// The order for the reorder command that moves \p rows (in their order
    /// in the list) before row \p before (the row count for the end) of a
    /// list of \p count presets.
    static std::vector<unsigned> moveOrder(int count, std::vector<int> rows, int before);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

private:
    oxEditorDocument* _document;
    QStringList _names;
    std::set<unsigned int> _matching;
    int _current = -1;
};
