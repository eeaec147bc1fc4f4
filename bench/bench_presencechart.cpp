// Drawing a friend's week of 10,000 periods in the 在线记录 window: our chart, which joins what falls
// within a device pixel and fills each state's rects at once, against a plain fillRect per period and day.
// Each is timed from the periods to a finished picture, at scale factors 1 and 2.

#include "presencechart.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int periodCount = 10000;
constexpr int repeats = 20;
constexpr qint64 day = 24 * 60 * 60 * 1000;

// Seven days of periods one after the other, a check a minute that finds a new state each time: each
// period lasts between half and all of its minute; states in a fixed random order.
QVector<PresencePeriod> aWeek(qint64 now)
{
    QRandomGenerator random(25);
    QVector<PresencePeriod> periods;
    const qint64 step = 7 * day / periodCount;
    for (qint64 start = now - 7 * day; periods.size() < periodCount; start += step) {
        const auto state = static_cast<PresenceState>(1 + random.bounded(3));
        periods.append({state, start, start + step / 2 + random.bounded(step / 2), QStringLiteral("小明")});
    }
    return periods;
}

QImage canvas(const QSize& size, qreal scale)
{
    QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    return image;
}

double ours(const QVector<PresencePeriod>& periods, qint64 now, qreal scale)
{
    QImage image = canvas(PresenceChart().sizeHint(), scale);
    QElapsedTimer timer;
    timer.start();
    PresenceChart chart;
    chart.resize(image.deviceIndependentSize().toSize());
    chart.setWeek(periods, QDateTime::fromMSecsSinceEpoch(now).date(), now);
    chart.render(&image);
    return timer.nsecsElapsed() / 1e6;
}

// The same bands the plain way: each period cut at midnights and filled on its own.
double plainFillRects(const QVector<PresencePeriod>& periods, qint64 now, qreal scale)
{
    QImage image = canvas(PresenceChart().sizeHint(), scale);
    QElapsedTimer timer;
    timer.start();
    const QDate today = QDateTime::fromMSecsSinceEpoch(now).date();
    qint64 midnights[8];
    for (int d = 0; d < 8; ++d)
        midnights[d] = today.addDays(d - 6).startOfDay().toMSecsSinceEpoch();
    QPainter painter(&image);
    painter.fillRect(QRectF(QPointF(), image.deviceIndependentSize()), Qt::white);
    const QBrush brushes[] = {QColor(0xd8, 0x2b, 0x2b), QColor(0xa4, 0xa9, 0xb0),
                              QBrush(QColor(0x5b, 0x63, 0x6e), Qt::BDiagPattern)};
    const qreal width = image.deviceIndependentSize().width() - 200;
    for (const PresencePeriod& period : periods) {
        for (int d = 0; d < 7; ++d) {
            const qint64 from = std::max(period.start, midnights[d]);
            const qint64 to = std::min(period.end, midnights[d + 1]);
            if (from > to || (from == to && from == midnights[d + 1]))
                continue;
            const qreal length = midnights[d + 1] - midnights[d];
            const qreal left = 100 + width * (from - midnights[d]) / length;
            painter.fillRect(QRectF(left, 30 + d * 28, std::max(1.0, width * (to - from) / length), 20),
                             brushes[int(period.state) - 1]);
        }
    }
    painter.end();
    return timer.nsecsElapsed() / 1e6;
}

double medianOf(const std::function<double()>& run)
{
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i)
        times.push_back(run());
    std::nth_element(times.begin(), times.begin() + repeats / 2, times.end());
    return times[repeats / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const QVector<PresencePeriod> periods = aWeek(now);
    std::printf("week chart: a friend's 7 days of %d periods, periods to picture (median of %d; goal: under "
                "30 ms)\n",
                periodCount, repeats);
    for (qreal scale : {1.0, 2.0}) {
        const double chart = medianOf([&] { return ours(periods, now, scale); });
        const double reference = medianOf([&] { return plainFillRects(periods, now, scale); });
        std::printf("  scale %.0f: ours %.2f ms, a fillRect per period %.2f ms, ratio ours/reference %.2f\n",
                    scale, chart, reference, chart / reference);
    }
    return 0;
}
