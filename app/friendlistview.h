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

    static constexpr int columnWidthPixels = 96; // one inch at 96 dpi

signals:
    // The user asks for the list's menu, on the friend at `position` (0: on no friend), to be shown at
    // `globalPos`.
    void menuRequested(int position, const QPoint& globalPos);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
};
