#pragma once

#include "storedlist.h"

#include <QWidget>

class HistoryStore;
class QComboBox;
class QLabel;
class QPushButton;
class WeekChart;

// The 在线记录 window: a friend's last seven days as a picture, a choice of friend that switches without
// closing, 导出… (the friend's periods as CSV) and 清除记录. The line at the bottom says what became of
// them, or why there is no history in this run. It reads the store anew every minute while it is shown.
class HistoryWindow : public QWidget
{
    Q_OBJECT

public:
    // Shows `number`'s history once shown; `friends` in list order are the choice.
    HistoryWindow(HistoryStore& store, const QVector<StoredFriend>& friends, const QString& number,
                  QWidget* parent = nullptr);

    // The friends to choose from; the one shown stays shown when it is still among them.
    void setFriends(const QVector<StoredFriend>& friends);
    // Switches to the friend with this number, and shows the window in front.
    void showFriend(const QString& number);
    QString shownNumber() const;

signals:
    // 清除记录 has deleted this friend's history.
    void cleared(const QString& number);

public slots:
    // Reads the shown friend's week from the store again.
    void reload();

private slots:
    void exportShown();
    void clearShown();

private:
    void createControls();
    // The friends as the choice, `number` chosen (the first when it is not among them).
    void fillChoice(const QVector<StoredFriend>& friends, const QString& number);
    QString shownNickname() const;
    // Writes the friend's periods as CSV to `path`; why it could not, or nothing.
    QString exportTo(const QString& path, const QString& number);
    void tell(const QString& text);

    HistoryStore& m_store;
    QComboBox* m_friend = nullptr;
    WeekChart* m_chart = nullptr;
    QPushButton* m_export = nullptr;
    QPushButton* m_clear = nullptr;
    QLabel* m_statusLine = nullptr;
};
