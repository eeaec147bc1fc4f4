#pragma once

#include "storedlist.h"

#include <QWidget>

class HistoryStore;
class PresenceChart;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

// The 在线记录 window: a friend's week as a picture, or one day of the whole list, a friend or band per
// row; 上一周 / 下一周 (前一天 / 后一天) page back through the kept year. A choice of friend that switches
// without closing, the list's friends first and, apart, those deleted from it whose history is kept;
// 导出… (the friend's periods as CSV) and 清除记录. The line at the bottom says what became of them, or why
// there is no history in this run. It reads the store anew every minute while it is shown.
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
    // Reads what is shown from the store again.
    void reload();

private slots:
    void exportShown();
    void clearShown();

private:
    void createControls();
    QWidget* createChoice();
    void connectControls();
    // The list's friends, then the recorded ones no longer in it, as the choice; `number` chosen (the
    // first when it is not among them).
    void fillChoice(const QString& number);
    void addFriendChoice(const QString& number, const QString& nickname);
    QString shownNickname() const;
    // Turns the pages: `weeks` or days back from now, by the view shown; earlier is positive.
    void page(int steps);
    void showWeek(qint64 now);
    void showDay(qint64 now);
    // "12月1日 周二 至 12月7日 周一", beside the pages and as the chart's name.
    void showRange(const QString& range);
    // Writes the friend's periods as CSV to `path`; why it could not, or nothing.
    QString exportTo(const QString& path, const QString& number);
    void tell(const QString& text);

    HistoryStore& m_store;
    QVector<StoredFriend> m_friends;
    QComboBox* m_friend = nullptr;
    QRadioButton* m_weekView = nullptr;
    QLabel* m_shown = nullptr;
    QPushButton* m_earlier = nullptr;
    QPushButton* m_later = nullptr;
    PresenceChart* m_chart = nullptr;
    QPushButton* m_export = nullptr;
    QPushButton* m_clear = nullptr;
    QLabel* m_statusLine = nullptr;
    int m_weeksBack = 0; // the week shown ends this many weeks before today
    int m_daysBack = 0;  // the day shown is this many days before today
};
