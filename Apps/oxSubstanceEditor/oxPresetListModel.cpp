#include "oxPresetListModel.h"

#include "oxEditorDocument.h"
#include "oxPresetComparison.h"

#include "oxSubstancePresetListUndoCommands.h"
#include "oxSubstancePresetUtils.h"

#include <QApplication>
#include <QDataStream>
#include <QFont>
#include <QIODevice>
#include <QMimeData>
#include <QStyle>

#include <algorithm>

namespace {

const QString RowsMimeType = QStringLiteral("application/x-oxsubstance-preset-rows");

} // namespace

oxPresetListModel::oxPresetListModel(oxEditorDocument* document, QObject* parent)
    : QAbstractListModel(parent), _document(document)
{
}

void oxPresetListModel::refresh()
{
    const USubstanceMaterialPtr material = _document->material();
    const QStringList names = oxSubstancePresetUtils::getPresetNameList(material);
    _matching = oxSubstancePresetUtils::getMatchingPresetIndexes(material);
    unsigned int current = 0;
    _current = oxSubstancePresetUtils::getCurrentState(material, current) ? int(current) : -1;
    if (names.size() != _names.size())
    {
        beginResetModel();
        _names = names;
        endResetModel();
    }
    else
    {
        _names = names;
        if (!_names.isEmpty())
            emit dataChanged(index(0), index(_names.size() - 1));
    }
}

std::vector<unsigned> oxPresetListModel::moveOrder(int count, std::vector<int> rows, int before)
{
    std::sort(rows.begin(), rows.end());
    std::vector<unsigned> order;
    const auto moved = [&](int row) { return std::binary_search(rows.begin(), rows.end(), row); };
    for (int row = 0; row <= count; ++row)
    {
        if (row == before)
            for (int m : rows)
                order.push_back(unsigned(m));
        if (row < count && !moved(row))
            order.push_back(unsigned(row));
    }
    return order;
}

int oxPresetListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : _names.size();
}

QVariant oxPresetListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= _names.size())
        return QVariant();
    const int row = index.row();
    const bool matches = _matching.count(unsigned(row)) != 0;
    switch (role)
    {
    case Qt::DisplayRole:
    case Qt::EditRole: return _names[row];
    case Qt::FontRole:
    {
        QFont font;
        font.setBold(row == _current);
        return font;
    }
    case Qt::DecorationRole:
        return matches ? QApplication::style()->standardIcon(QStyle::SP_DialogApplyButton) : QVariant();
    case Qt::ToolTipRole: return oxComparisonText(_names[row], oxComparePreset(_document->material(), unsigned(row)));
    case MatchesRole: return matches;
    case CurrentRole: return row == _current;
    default: return QVariant();
    }
}

Qt::ItemFlags oxPresetListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled;
}

Qt::DropActions oxPresetListModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

QStringList oxPresetListModel::mimeTypes() const
{
    return {RowsMimeType};
}

QMimeData* oxPresetListModel::mimeData(const QModelIndexList& indexes) const
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    for (const QModelIndex& index : indexes)
        stream << index.row();
    auto* data = new QMimeData;
    data->setData(RowsMimeType, bytes);
    return data;
}

// The reorder command moves the rows; the view leaves them alone (the model
// removes no rows of its own), and the refresh that the command's
// presetsChanged brings shows the new order.
bool oxPresetListModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                     const QModelIndex& parent)
{
    Q_UNUSED(column);
    if (action != Qt::MoveAction || !data->hasFormat(RowsMimeType))
        return false;
    std::vector<int> rows;
    QDataStream stream(data->data(RowsMimeType));
    while (!stream.atEnd())
    {
        int r = -1;
        stream >> r;
        if (r >= 0 && r < _names.size() && std::find(rows.begin(), rows.end(), r) == rows.end())
            rows.push_back(r);
    }
    const int before = row >= 0 ? row : parent.isValid() ? parent.row() : _names.size();
    const std::vector<unsigned> order = moveOrder(_names.size(), rows, before);
    std::vector<unsigned> unchanged(order.size());
    for (std::size_t i = 0; i < unchanged.size(); ++i)
        unchanged[i] = unsigned(i);
    if (rows.empty() || order == unchanged)
        return false;
    _document->push(new oxReorderPresetsUndoCommand(_document->material(), order, nullptr));
    return true;
}
