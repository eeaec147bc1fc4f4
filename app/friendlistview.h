#pragma once

#include <QTreeView>

class FriendListModel;

// The report view of the friend list: three left-aligned columns, one row per entry.
class FriendListView : public QTreeView
{
    Q_OBJECT

public:
    explicit FriendListView(QWidget* parent = nullptr);

    void setFriendList(FriendListModel* model);
    // The 1-based position of the entry the user has selected, or 0 when none is.
    int selectedPosition() const;
    void selectPosition(int position);
    // Selects the friend an index of the list stands for; nothing for one that has lost its friend.
    void selectFriend(const QModelIndex& friendIndex);

    static constexpr int columnWidthPixels = 96; // one inch at 96 dpi

signals:
    // The user asks for the list's menu, on the friend `friendIndex` stands for (an invalid one: on no
    // friend), to be shown at `globalPos`.
    void menuRequested(const QModelIndex& friendIndex, const QPoint& globalPos);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QModelIndex selectedFriend() const;
};
