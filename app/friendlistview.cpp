#include "friendlistview.h"

#include "friendlistmodel.h"
#include "statusimagelist.h"

#include <QContextMenuEvent>
#include <QHeaderView>

FriendListView::FriendListView(QWidget* parent)
    : QTreeView(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    // Every row has the same height, so a list of tens of thousands of friends scrolls without
    // measuring each row.
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setIconSize(StatusImageList::imageSize());
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void FriendListView::setFriendList(FriendListModel* model)
{
    setModel(model);
    for (int column = 0; column < FriendListModel::ColumnCount; ++column)
        setColumnWidth(column, columnWidthPixels);
}

int FriendListView::selectedPosition() const
{
    if (!selectionModel())
        return 0;
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : rows.first().row() + 1;
}

void FriendListView::selectPosition(int position)
{
    if (!model() || position < 1 || position > model()->rowCount())
        return;
    const QModelIndex index = model()->index(position - 1, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void FriendListView::contextMenuEvent(QContextMenuEvent* event)
{
    // A right-click names, and selects, the friend under the pointer; the menu key names the selected one.
    int position = selectedPosition();
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        position = indexAt(event->pos()).row() + 1;
        selectPosition(position);
    } else if (position != 0) {
        at = viewport()->mapToGlobal(visualRect(model()->index(position - 1, 0)).center());
    }
    emit menuRequested(position, at);
}
