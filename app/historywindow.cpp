#include "historywindow.h"

#include "appicon.h"
#include "displaytext.h"
#include "failuretext.h"
#include "formlayout.h"
#include "historystore.h"
#include "plaintextbox.h"
#include "presencechart.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QStandardItemModel>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>

namespace {

// How often an open window reads the store again, so that today's band follows the checks.
constexpr int rereadEveryMs = 60 * 1000;
// Each friend in the choice holds its number as its data, and its nickname for the title here.
constexpr int nicknameRole = Qt::UserRole + 1;
// The kept year counts days of 24 hours.
constexpr qint64 dayLength = 24 * 60 * 60 * 1000;

} // namespace

HistoryWindow::HistoryWindow(HistoryStore& store, const QVector<StoredFriend>& friends, const QString& number,
                             QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_store(store)
    , m_friends(friends)
{
    setObjectName(QStringLiteral("HistoryWindow"));
    setWindowIcon(fernwatchIcon());
    useCaptionFont(this);
    createControls();
    fillChoice(number);
    reload();
    connectControls();
}

void HistoryWindow::createControls()
{
    m_chart = new PresenceChart(this);
    m_chart->setObjectName(QStringLiteral("Chart"));
    // The day of a long list scrolls; the window's own background shows around the chart.
    auto* chartArea = new QScrollArea(this);
    chartArea->setFrameShape(QFrame::NoFrame);
    chartArea->setWidgetResizable(true);
    chartArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    chartArea->setWidget(m_chart);
    chartArea->viewport()->setAutoFillBackground(false);
    // As wide as the chart would have itself, room for a scroll bar beside; a week's height.
    m_chart->setWeek({}, QDate::currentDate(), QDateTime::currentMSecsSinceEpoch());
    const int scrollBar = chartArea->verticalScrollBar()->sizeHint().width();
    chartArea->setMinimumSize(m_chart->minimumSizeHint().width() + scrollBar, m_chart->sizeHint().height());
    m_export = new QPushButton(QStringLiteral("导出…"), this);
    m_export->setObjectName(QStringLiteral("Export"));
    m_clear = new QPushButton(QStringLiteral("清除记录"), this);
    m_clear->setObjectName(QStringLiteral("Clear"));
    m_statusLine = new QLabel(this);
    m_statusLine->setObjectName(QStringLiteral("StatusLine"));
    m_statusLine->setTextFormat(Qt::PlainText); // paths and nicknames are the user's, not markup

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_export);
    buttons->addWidget(m_clear);
    auto* window = new QVBoxLayout(this);
    window->addWidget(createChoice());
    window->addWidget(chartArea, 1);
    window->addLayout(buttons);
    window->addWidget(m_statusLine);
    resize(std::max(sizeHint().width(), m_chart->sizeHint().width() + scrollBar +
                                            window->contentsMargins().left() +
                                            window->contentsMargins().right()),
           sizeHint().height());
}

// The friend, the view and the pages.
QWidget* HistoryWindow::createChoice()
{
    auto* choice = new QWidget(this);
    auto* label = new QLabel(QStringLiteral("好友："), choice);
    m_friend = new QComboBox(choice);
    m_friend->setObjectName(QStringLiteral("Friend"));
    // Wide enough for a nickname and a number; a nickname of 200 characters does not widen the window.
    m_friend->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_friend->setMinimumContentsLength(24);
    label->setBuddy(m_friend);
    m_weekView = new QRadioButton(QStringLiteral("好友的一周"), choice);
    m_weekView->setObjectName(QStringLiteral("WeekView"));
    m_weekView->setChecked(true);
    auto* dayView = new QRadioButton(QStringLiteral("全部好友的一天"), choice);
    dayView->setObjectName(QStringLiteral("DayView"));
    m_shown = new QLabel(choice);
    m_shown->setObjectName(QStringLiteral("Shown"));
    m_earlier = new QPushButton(choice);
    m_earlier->setObjectName(QStringLiteral("Earlier"));
    m_later = new QPushButton(choice);
    m_later->setObjectName(QStringLiteral("Later"));

    auto* friendRow = new QHBoxLayout;
    friendRow->addWidget(label);
    friendRow->addWidget(m_friend);
    friendRow->addStretch();
    auto* viewRow = new QHBoxLayout;
    viewRow->addWidget(m_weekView);
    viewRow->addWidget(dayView);
    viewRow->addStretch();
    viewRow->addWidget(m_shown);
    viewRow->addWidget(m_earlier);
    viewRow->addWidget(m_later);
    auto* rows = new QVBoxLayout(choice);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->addLayout(friendRow);
    rows->addLayout(viewRow);
    return choice;
}

void HistoryWindow::connectControls()
{
    connect(m_friend, &QComboBox::currentIndexChanged, this, [this] {
        tell(QString()); // what the line said was about the friend shown before
        reload();
    });
    connect(m_weekView, &QRadioButton::toggled, this, &HistoryWindow::reload);
    connect(m_earlier, &QPushButton::clicked, this, [this] { page(1); });
    connect(m_later, &QPushButton::clicked, this, [this] { page(-1); });
    connect(m_export, &QPushButton::clicked, this, &HistoryWindow::exportShown);
    connect(m_clear, &QPushButton::clicked, this, &HistoryWindow::clearShown);
    auto* reread = new QTimer(this);
    connect(reread, &QTimer::timeout, this, [this] {
        if (isVisible())
            reload();
    });
    reread->start(rereadEveryMs);
}

void HistoryWindow::setFriends(const QVector<StoredFriend>& friends)
{
    m_friends = friends;
    fillChoice(shownNumber());
    reload();
}

void HistoryWindow::fillChoice(const QString& number)
{
    const QSignalBlocker quiet(m_friend);
    m_friend->clear();
    QSet<QString> inList;
    for (const StoredFriend& friendEntry : std::as_const(m_friends)) {
        addFriendChoice(friendEntry.number, friendEntry.nickname);
        inList.insert(friendEntry.number);
    }
    bool apart = false;
    for (const HistoryStore::RecordedFriend& recorded : m_store.recordedFriends()) {
        if (inList.contains(recorded.number))
            continue;
        if (!std::exchange(apart, true)) {
            m_friend->insertSeparator(m_friend->count());
            m_friend->addItem(QStringLiteral("已删除的好友："));
            qobject_cast<QStandardItemModel*>(m_friend->model())
                ->item(m_friend->count() - 1)
                ->setEnabled(false);
        }
        addFriendChoice(recorded.number, recorded.nickname);
    }
    m_friend->setCurrentIndex(std::max(0, m_friend->findData(number)));
}

void HistoryWindow::addFriendChoice(const QString& number, const QString& nickname)
{
    const QString shown = displayText(nickname);
    m_friend->addItem(shown + QStringLiteral("（") + displayText(number) + QStringLiteral("）"), number);
    m_friend->setItemData(m_friend->count() - 1, shown, nicknameRole);
}

void HistoryWindow::showFriend(const QString& number)
{
    const int position = m_friend->findData(number);
    if (position >= 0)
        m_friend->setCurrentIndex(position);
    m_weekView->setChecked(true);
    showNormal();
    raise();
    activateWindow();
}

QString HistoryWindow::shownNumber() const
{
    return m_friend->currentData().toString();
}

QString HistoryWindow::shownNickname() const
{
    return m_friend->currentData(nicknameRole).toString();
}

void HistoryWindow::page(int steps)
{
    int& back = m_weekView->isChecked() ? m_weeksBack : m_daysBack;
    back = std::max(0, back + steps);
    reload();
}

void HistoryWindow::reload()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const bool week = m_weekView->isChecked();
    if (week)
        showWeek(now);
    else
        showDay(now);
    // Back to the first day of the kept year, no further: what is older is dropped at start-up.
    const QDate today = QDate::currentDate();
    const QDate earliest = today.addDays(-HistoryStore::keptFor / dayLength);
    const int back = week ? m_weeksBack : m_daysBack;
    const QDate first =
        week ? today.addDays(1 - PresenceChart::weekLength * (back + 1)) : today.addDays(-back);
    m_earlier->setText(week ? QStringLiteral("上一周") : QStringLiteral("前一天"));
    m_later->setText(week ? QStringLiteral("下一周") : QStringLiteral("后一天"));
    m_earlier->setEnabled(first > earliest);
    m_later->setEnabled(back > 0);
    const bool on = m_store.isOpen();
    m_export->setEnabled(on && !shownNumber().isEmpty());
    m_clear->setEnabled(on && !shownNumber().isEmpty());
    if (!on)
        tell(QStringLiteral("在线记录已关闭：") + FailureText::ofHistory(m_store.failure()));
}

void HistoryWindow::showWeek(qint64 now)
{
    setWindowTitle(QStringLiteral("在线记录 - ") + shownNickname());
    const QDate lastDay = QDate::currentDate().addDays(-PresenceChart::weekLength * m_weeksBack);
    const QDate firstDay = lastDay.addDays(1 - PresenceChart::weekLength);
    // From a wait before the week: the time between checks reaching into its first day.
    const qint64 from = firstDay.startOfDay().toMSecsSinceEpoch() - HistoryStore::longestCheckGap;
    const qint64 to = std::min(now + 1, lastDay.addDays(1).startOfDay().toMSecsSinceEpoch());
    m_chart->setWeek(m_store.isOpen() ? m_store.periods(shownNumber(), from, to) : QVector<PresencePeriod>(),
                     lastDay, now);
    showRange(PresenceChart::dayLabel(firstDay) + QStringLiteral(" 至 ") + PresenceChart::dayLabel(lastDay));
}

void HistoryWindow::showDay(qint64 now)
{
    setWindowTitle(QStringLiteral("在线记录 - 全部好友"));
    const QDate day = QDate::currentDate().addDays(-m_daysBack);
    const qint64 start = day.startOfDay().toMSecsSinceEpoch();
    const qint64 end = day.addDays(1).startOfDay().toMSecsSinceEpoch();
    QVector<PresenceChart::Band> bands;
    for (const StoredFriend& friendEntry : std::as_const(m_friends)) {
        bands.append({displayText(friendEntry.nickname), start, end,
                      m_store.isOpen()
                          ? m_store.periods(friendEntry.number, start - HistoryStore::longestCheckGap,
                                            std::min(now + 1, end))
                          : QVector<PresencePeriod>()});
    }
    m_chart->setBands(bands, now);
    showRange(PresenceChart::dayLabel(day));
}

void HistoryWindow::exportShown()
{
    const QString number = shownNumber();
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("导出在线记录"),
                                     QDir::home().filePath(QStringLiteral("在线记录-%1.csv").arg(number)),
                                     QStringLiteral("CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return;
    const QString failure = exportTo(path, number);
    tell(failure.isEmpty() ? QStringLiteral("已导出到 ") + QDir::toNativeSeparators(path)
                           : QStringLiteral("无法导出：") + failure);
}

QString HistoryWindow::exportTo(const QString& path, const QString& number)
{
    // A new or ordinary file is replaced once whole; a device or a pipe under the name is written to, as
    // the user asked, and never replaced by a file.
    const QFileInfo target(path);
    const std::unique_ptr<QFileDevice> file(target.exists() && !target.isFile()
                                                ? static_cast<QFileDevice*>(new QFile(path))
                                                : new QSaveFile(path));
    // Unbuffered: the CSV gathers its rows itself, and so a failed write is seen as it fails, not in a
    // last flush whose failure QSaveFile would not notice.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file->errorString();
    if (!m_store.exportCsv(*file, number))
        return m_store.isOpen() ? file->errorString() : FailureText::ofHistory(m_store.failure());
    if (auto* whole = qobject_cast<QSaveFile*>(file.get()))
        return whole->commit() ? QString() : whole->errorString();
    file->close();
    return file->error() == QFileDevice::NoError ? QString() : file->errorString();
}

void HistoryWindow::clearShown()
{
    const QString nickname = shownNickname();
    // No by default: nothing brings a cleared history back.
    if (PlainTextBox::ask(this, QMessageBox::Question, windowTitle(),
                          QStringLiteral("真的要清除 【%1】 的全部在线记录吗？").arg(displayText(nickname)),
                          QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    const QString number = shownNumber();
    const bool cleared = m_store.clear(number);
    if (cleared) {
        emit this->cleared(number);
        fillChoice(number); // a deleted friend without history is no longer to be chosen
    }
    reload();
    if (m_store.isOpen())
        tell(cleared ? QStringLiteral("已清除 【%1】 的在线记录").arg(nickname)
                     : QStringLiteral("无法清除在线记录"));
}

void HistoryWindow::showRange(const QString& range)
{
    m_shown->setText(range);
    m_chart->setAccessibleName(range + QStringLiteral(" 的在线记录"));
}

void HistoryWindow::tell(const QString& text)
{
    m_statusLine->setText(text);
}
