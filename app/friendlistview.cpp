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
    return FriendListModel::positionOf(selectedFriend());
}

QModelIndex FriendListView::selectedFriend() const
{
    return selectionModel() ? selectionModel()->selectedRows().value(0) : QModelIndex();
}

void FriendListView::selectPosition(int position)
{
    if (model())
        selectFriend(model()->index(position - 1, 0));
}

void FriendListView::selectFriend(const QModelIndex& friendIndex)
{
    if (friendIndex.isValid())
        selectionModel()->setCurrentIndex(friendIndex,
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void FriendListView::contextMenuEvent(QContextMenuEvent* event)
{
    // A right-click names, and selects, the friend under the pointer; the menu key names the selected one.
    QModelIndex named = selectedFriend();
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        named = indexAt(event->pos()).siblingAtColumn(0);
        selectFriend(named);
    } else if (named.isValid()) {
        at = viewport()->mapToGlobal(visualRect(named).center());
    }
    emit menuRequested(named, at);
}
