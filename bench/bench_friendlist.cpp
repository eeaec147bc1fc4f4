// Appending, showing and scrolling a long friend list: our model and view against a
// QStandardItemModel in a plain QTreeView, the stock way to show such a list.

#include "friendlistmodel.h"
#include "friendlistview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int friendCount = 32767;
constexpr int repeats = 3;

QString nicknameFor(int i)
{
    return QStringLiteral("好友%1").arg(i);
}

// Shows the view, then pages through it from top to bottom, painting every page.
void showAndScroll(QTreeView& view)
{
    view.resize(465, 209);
    view.show();
    view.repaint();
    QScrollBar* bar = view.verticalScrollBar();
    for (int value = 0; value <= bar->maximum(); value += std::max(1, bar->maximum() / 200)) {
        bar->setValue(value);
        view.viewport()->repaint();
    }
}

double ourList()
{
    QElapsedTimer timer;
    timer.start();
    FriendListModel model;
    FriendListView view;
    view.setFriendList(&model);
    for (int i = 1; i <= friendCount; ++i) {
        model.addFriend(QString::number(10000 + i), nicknameFor(i));
    }
    showAndScroll(view);
    return timer.nsecsElapsed() / 1e6;
}

double standardItemList()
{
    QElapsedTimer timer;
    timer.start();
    QStandardItemModel model(0, 3);
    QTreeView view;
    view.setUniformRowHeights(true);
    view.setRootIsDecorated(false);
    view.setModel(&model);
    const QIcon offline(QStringLiteral(":/icons/offline.png"));
    for (int i = 1; i <= friendCount; ++i) {
        auto* text = new QStandardItem(offline, nicknameFor(i));
        model.appendRow(
            {text, new QStandardItem(QString::number(10000 + i)), new QStandardItem(nicknameFor(i))});
    }
    showAndScroll(view);
    return timer.nsecsElapsed() / 1e6;
}

double bestOf(const std::function<double()>& run)
{
    double best = run();
    for (int i = 1; i < repeats; ++i)
        best = std::min(best, run());
    return best;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const double ours = bestOf(ourList);
    const double reference = bestOf(standardItemList);
    std::printf("friend list view: %d friends appended, shown and scrolled (best of %d)\n", friendCount,
                repeats);
    std::printf("  ours %.1f ms, QStandardItemModel %.1f ms, ratio ours/reference %.2f\n", ours, reference,
                ours / reference);
    return 0;
}
