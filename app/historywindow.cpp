#include "historywindow.h"

#include "appicon.h"
#include "displaytext.h"
#include "formlayout.h"
#include "historystore.h"
#include "weekchart.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>

namespace {

// How often an open window reads the store again, so that today's band follows the checks.
constexpr int rereadEveryMs = 60 * 1000;
// Each friend in the choice holds its number as its data, and its nickname for the title here.
constexpr int nicknameRole = Qt::UserRole + 1;

} // namespace

HistoryWindow::HistoryWindow(HistoryStore& store, const QVector<StoredFriend>& friends, const QString& number,
                             QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_store(store)
{
    setObjectName(QStringLiteral("HistoryWindow"));
    setWindowIcon(fernwatchIcon());
    useCaptionFont(this);
    createControls();
    fillChoice(friends, number);
    reload();

    connect(m_friend, &QComboBox::currentIndexChanged, this, [this] {
        tell(QString()); // what the line said was about the friend shown before
        reload();
    });
    connect(m_export, &QPushButton::clicked, this, &HistoryWindow::exportShown);
    connect(m_clear, &QPushButton::clicked, this, &HistoryWindow::clearShown);
    auto* reread = new QTimer(this);
    connect(reread, &QTimer::timeout, this, [this] {
        if (isVisible())
            reload();
    });
    reread->start(rereadEveryMs);
}

void HistoryWindow::createControls()
{
    auto* label = new QLabel(QStringLiteral("好友："), this);
    m_friend = new QComboBox(this);
    m_friend->setObjectName(QStringLiteral("Friend"));
    // Wide enough for a nickname and a number; a nickname of 200 characters does not widen the window.
    m_friend->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_friend->setMinimumContentsLength(24);
    label->setBuddy(m_friend);
    m_chart = new WeekChart(this);
    m_chart->setObjectName(QStringLiteral("Chart"));
    m_export = new QPushButton(QStringLiteral("导出…"), this);
    m_export->setObjectName(QStringLiteral("Export"));
    m_clear = new QPushButton(QStringLiteral("清除记录"), this);
    m_clear->setObjectName(QStringLiteral("Clear"));
    m_statusLine = new QLabel(this);
    m_statusLine->setObjectName(QStringLiteral("StatusLine"));
    m_statusLine->setTextFormat(Qt::PlainText); // paths and nicknames are the user's, not markup

    auto* choice = new QHBoxLayout;
    choice->addWidget(label);
    choice->addWidget(m_friend);
    choice->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_export);
    buttons->addWidget(m_clear);
    auto* window = new QVBoxLayout(this);
    window->addLayout(choice);
    window->addWidget(m_chart);
    window->addLayout(buttons);
    window->addWidget(m_statusLine);
}

void HistoryWindow::setFriends(const QVector<StoredFriend>& friends)
{
    fillChoice(friends, shownNumber());
    reload();
}

void HistoryWindow::fillChoice(const QVector<StoredFriend>& friends, const QString& number)
{
    const QSignalBlocker quiet(m_friend);
    m_friend->clear();
    for (const StoredFriend& friendEntry : friends) {
        const QString nickname = displayText(friendEntry.nickname);
        m_friend->addItem(nickname + QStringLiteral("（") + displayText(friendEntry.number) +
                              QStringLiteral("）"),
                          friendEntry.number);
        m_friend->setItemData(m_friend->count() - 1, nickname, nicknameRole);
    }
    m_friend->setCurrentIndex(std::max(0, m_friend->findData(number)));
}

void HistoryWindow::showFriend(const QString& number)
{
    const int position = m_friend->findData(number);
    if (position >= 0)
        m_friend->setCurrentIndex(position);
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

void HistoryWindow::reload()
{
    setWindowTitle(QStringLiteral("在线记录 - ") + shownNickname());
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 weekStart =
        QDate::currentDate().addDays(1 - WeekChart::dayCount).startOfDay().toMSecsSinceEpoch();
    const bool on = m_store.isOpen();
    m_chart->setWeek(on ? m_store.periods(shownNumber(), weekStart, now + 1) : QVector<PresencePeriod>(),
                     now);
    m_export->setEnabled(on && m_friend->count() > 0);
    m_clear->setEnabled(on && m_friend->count() > 0);
    if (!on)
        tell(QStringLiteral("在线记录已关闭：") + m_store.failureReason());
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
        return m_store.isOpen() ? file->errorString() : m_store.failureReason();
    if (auto* whole = qobject_cast<QSaveFile*>(file.get()))
        return whole->commit() ? QString() : whole->errorString();
    file->close();
    return file->error() == QFileDevice::NoError ? QString() : file->errorString();
}

void HistoryWindow::clearShown()
{
    const QString nickname = shownNickname();
    QMessageBox box(QMessageBox::Question, windowTitle(),
                    QStringLiteral("真的要清除 【%1】 的全部在线记录吗？").arg(displayText(nickname)),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No); // nothing brings a cleared history back
    if (box.exec() != QMessageBox::Yes)
        return;
    const bool cleared = m_store.clear(shownNumber());
    if (cleared)
        emit this->cleared(shownNumber());
    reload();
    if (m_store.isOpen())
        tell(cleared ? QStringLiteral("已清除 【%1】 的在线记录").arg(nickname)
                     : QStringLiteral("无法清除在线记录"));
}

void HistoryWindow::tell(const QString& text)
{
    m_statusLine->setText(text);
}
