#include "weekchart.h"

#include <QDateTime>
#include <QHelpEvent>
#include <QLocale>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

namespace {

// The chart keeps its own colours, light paper and dark ink, so that it reads the same in every skin: a
// dark skin's light label text would vanish on it.
const QColor paperColour(0xf7, 0xf8, 0xfa);
const QColor inkColour(0x1f, 0x23, 0x28);
const QColor outlineColour(0x9a, 0xa1, 0xab);
const QColor gridColour(0x1f, 0x23, 0x28, 40); // hour lines, faint enough to leave the states readable
// Where Fernwatch was not running: the band left bare.
const QColor emptyColour(Qt::white);
// The online penguin's scarf (kScarf in tools/iconpainter): its warmest colour, the one that the grey
// offline penguin most plainly loses.
const QColor onlineColour(0xd8, 0x2b, 0x2b);
// Grey like the offline penguin, dark enough to stand apart from a bare band.
const QColor offlineColour(0xa4, 0xa9, 0xb0);
// The lines hatching an unknown stretch, and its ground: paler than offline, darker than a bare band.
const QColor unknownColour(0x5b, 0x63, 0x6e);
const QColor unknownGround(0xe4, 0xe6, 0xea);

// A screen reader reads a day's stretches one by one; past this many the rest is only counted.
constexpr int toldStretchesPerDay = 12;
constexpr qint64 minute = 60 * 1000;
// Pointing this many pixels beside a piece still finds it: a single check is drawn only a pixel wide.
constexpr qreal reach = 3;

QString stateName(PresenceState state)
{
    switch (state) {
    case PresenceState::Online:
        return QStringLiteral("在线");
    case PresenceState::Offline:
        return QStringLiteral("离线");
    case PresenceState::Unknown:
        break;
    }
    return QStringLiteral("未知");
}

// "3 小时 12 分", "45 分", "2 小时"; whole minutes.
QString durationText(qint64 milliseconds)
{
    const qint64 minutes = milliseconds / minute;
    if (minutes < 60)
        return QStringLiteral("%1 分").arg(minutes);
    const QString hours = QStringLiteral("%1 小时").arg(minutes / 60);
    return minutes % 60 ? hours + QStringLiteral(" %1 分").arg(minutes % 60) : hours;
}

QString clockText(qint64 at)
{
    return QDateTime::fromMSecsSinceEpoch(at).toString(QStringLiteral("HH:mm"));
}

qint64 localMidnight(const QDate& date)
{
    return date.startOfDay().toMSecsSinceEpoch();
}

} // namespace

WeekChart::WeekChart(QWidget* parent)
    : QWidget(parent)
{
    setAccessibleName(QStringLiteral("最近 7 天的在线记录"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed); // the seven bands need no more height
    setWeek({}, QDateTime::currentMSecsSinceEpoch());
}

void WeekChart::setWeek(const QVector<PresencePeriod>& periods, qint64 now)
{
    const QDate today = QDateTime::fromMSecsSinceEpoch(now).date();
    for (int d = 0; d < dayCount; ++d) {
        const QDate date = today.addDays(d - dayCount + 1);
        m_days[d] = Day{date, localMidnight(date), localMidnight(date.addDays(1)), 0, {}};
    }
    m_periods = periods;
    m_now = now;
    cutIntoDays(periods);

    QStringList days;
    for (const Day& day : m_days)
        days << describeDay(day);
    setAccessibleDescription(days.join(QLatin1Char('\n')));
    update();
}

void WeekChart::cutIntoDays(const QVector<PresencePeriod>& periods)
{
    int first = 0; // the first day the current period can touch: periods come oldest first
    for (int i = 0; i < periods.size(); ++i) {
        const PresencePeriod& period = periods[i];
        while (first < dayCount && m_days[first].end <= period.start)
            ++first;
        // A single check (start == end) is a moment of its day; a period ending at midnight is not the next.
        for (int d = first; d < dayCount && period.start < m_days[d].end; ++d) {
            Day& day = m_days[d];
            if (period.end <= day.start && period.start < day.start)
                break;
            const qint64 from = std::max(period.start, day.start);
            const qint64 to = std::min(period.end, day.end);
            const double length = double(day.end - day.start);
            day.pieces.append({period.state, (from - day.start) / length, (to - day.start) / length, i});
            if (period.state == PresenceState::Online)
                day.online += to - from;
        }
    }
}

QString WeekChart::onlineText(qint64 milliseconds)
{
    return QStringLiteral("在线 ") + durationText(milliseconds);
}

QString WeekChart::totalText(const Day& day)
{
    return day.pieces.isEmpty() ? QStringLiteral("没有记录") : onlineText(day.online);
}

QString WeekChart::dayLabel(const Day& day) const
{
    return QStringLiteral("%1月%2日 %3")
        .arg(day.date.month())
        .arg(day.date.day())
        .arg(QLocale(QLocale::Chinese, QLocale::China).dayName(day.date.dayOfWeek(), QLocale::ShortFormat));
}

// "12月7日 周一：在线 3 小时 12 分，14:05–17:17 在线，17:20–18:00 离线。" Stretches of one state that follow
// each other within a minute are told as one.
QString WeekChart::describeDay(const Day& day) const
{
    if (day.pieces.isEmpty())
        return dayLabel(day) + QStringLiteral("：") + totalText(day) + QStringLiteral("。");
    struct Stretch
    {
        PresenceState state;
        qint64 from;
        qint64 to;
    };
    QVector<Stretch> stretches;
    for (const Piece& piece : day.pieces) {
        const PresencePeriod& period = m_periods[piece.period];
        const Stretch next{period.state, std::max(period.start, day.start), std::min(period.end, day.end)};
        if (!stretches.isEmpty() && stretches.last().state == next.state &&
            next.from - stretches.last().to < minute)
            stretches.last().to = next.to;
        else
            stretches.append(next);
    }
    QStringList told{totalText(day)};
    for (int i = 0; i < std::min<int>(stretches.size(), toldStretchesPerDay); ++i) {
        const Stretch& s = stretches[i];
        const QString until = s.to == day.end ? QStringLiteral("24:00") : clockText(s.to);
        const QString from = clockText(s.from);
        told << (from == until ? from : from + QStringLiteral("–") + until) + QLatin1Char(' ') +
                    stateName(s.state);
    }
    if (stretches.size() > toldStretchesPerDay)
        told << QStringLiteral("另有 %1 段").arg(stretches.size() - toldStretchesPerDay);
    return dayLabel(day) + QStringLiteral("：") + told.join(QStringLiteral("，")) + QStringLiteral("。");
}

// "在线 14:05 – 17:17（3 小时 12 分）", with the dates when it runs over midnight.
QString WeekChart::periodText(const PresencePeriod& period) const
{
    const QDateTime from = QDateTime::fromMSecsSinceEpoch(period.start);
    const QDateTime to = QDateTime::fromMSecsSinceEpoch(period.end);
    const QString format =
        from.date() == to.date() ? QStringLiteral("HH:mm") : QStringLiteral("M月d日 HH:mm");
    QString times = from.toString(format);
    if (period.end != period.start)
        times += QStringLiteral(" – ") + to.toString(format);
    return stateName(period.state) + QLatin1Char(' ') + times + QStringLiteral("（") +
           durationText(period.end - period.start) + QStringLiteral("）");
}

WeekChart::Layout WeekChart::layout() const
{
    const QFontMetricsF metrics(font());
    const qreal line = metrics.height();
    return {line / 2,
            metrics.horizontalAdvance(QStringLiteral("12月30日 周三")) + line,
            metrics.horizontalAdvance(onlineText(1439 * minute)) + line,
            line * 1.6,
            line * 1.5,
            line * 2.1};
}

QRectF WeekChart::bandRect(int day) const
{
    const Layout l = layout();
    const qreal left = l.margin + l.labelWidth;
    return QRectF(left, l.headerHeight + day * l.rowPitch, width() - left - l.totalWidth - l.margin,
                  l.bandHeight);
}

QSize WeekChart::sizeHint() const
{
    const Layout l = layout();
    // An hour as wide as a two-digit hour mark with room on either side.
    const qreal hours = 24 * QFontMetricsF(font()).horizontalAdvance(QStringLiteral("000"));
    return QSizeF(2 * l.margin + l.labelWidth + hours + l.totalWidth, l.headerHeight + dayCount * l.rowPitch)
        .toSize();
}

QSize WeekChart::minimumSizeHint() const
{
    const Layout l = layout();
    return QSizeF(2 * l.margin + l.labelWidth + 4 * l.totalWidth, l.headerHeight + dayCount * l.rowPitch)
        .toSize();
}

QPointF WeekChart::pointAt(qint64 at) const
{
    for (int d = 0; d < dayCount; ++d) {
        const Day& day = m_days[d];
        if (at >= day.start && at < day.end) {
            const QRectF band = bandRect(d);
            return QPointF(band.left() + band.width() * (at - day.start) / double(day.end - day.start),
                           band.center().y());
        }
    }
    return QPointF();
}

void WeekChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), paperColour);
    painter.setPen(inkColour);
    const Layout l = layout();
    for (int d = 0; d < dayCount; ++d) {
        paintDay(painter, d);
        const QRectF band = bandRect(d);
        painter.setPen(inkColour);
        painter.drawText(QRectF(l.margin, band.top(), l.labelWidth, band.height()), Qt::AlignVCenter,
                         dayLabel(m_days[d]));
        painter.drawText(QRectF(band.right() + l.margin, band.top(), l.totalWidth, band.height()),
                         Qt::AlignVCenter, totalText(m_days[d]));
    }
    paintHours(painter);
}

void WeekChart::paintDay(QPainter& painter, int d) const
{
    const Day& day = m_days[d];
    const QRectF band = bandRect(d);
    painter.fillRect(band, emptyColour);
    // The rest of today is yet to come. Laid under the pieces: a check moments ago, drawn a pixel wide,
    // reaches past now and must not be covered.
    if (m_now >= day.start && m_now < day.end)
        painter.fillRect(QRectF(QPointF(pointAt(m_now).x(), band.top()), band.bottomRight()), paperColour);

    // One rect list per state, pieces closer than a device pixel joined: they would look the same, and a
    // thousand checks in an hour then cost one rect.
    const qreal pixel = 1 / painter.device()->devicePixelRatioF();
    QVector<QRectF> rects[3];
    for (const Piece& piece : day.pieces) {
        const qreal left = band.left() + piece.from * band.width();
        const qreal right = std::max(left + pixel, band.left() + piece.to * band.width());
        QVector<QRectF>& same = rects[int(piece.state) - 1];
        if (!same.isEmpty() && left - same.last().right() < pixel)
            same.last().setRight(std::max(same.last().right(), right));
        else
            same.append(QRectF(QPointF(left, band.top()), QPointF(right, band.bottom())));
    }
    painter.setPen(Qt::NoPen);
    // Online last, so that a short time online is never hidden under its neighbours. Unknown is hatched
    // over a pale ground, so that even a single check, too narrow for the hatching, shows.
    const std::pair<PresenceState, QBrush> layers[] = {
        {PresenceState::Unknown, QBrush(unknownGround)},
        {PresenceState::Unknown, QBrush(unknownColour, Qt::BDiagPattern)},
        {PresenceState::Offline, QBrush(offlineColour)},
        {PresenceState::Online, QBrush(onlineColour)}};
    for (const auto& [state, brush] : layers) {
        painter.setBrush(brush);
        painter.drawRects(rects[int(state) - 1]);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(outlineColour, 0));
    painter.drawRect(band);
}

void WeekChart::paintHours(QPainter& painter) const
{
    const Layout l = layout();
    const QRectF first = bandRect(0);
    const qreal bottom = bandRect(dayCount - 1).bottom();
    const QFontMetricsF metrics(font());
    // Marks every hour; a number and a line across the bands every few, as many as fit.
    int step = 1;
    while (step < 12 && first.width() * step / 24 < metrics.horizontalAdvance(QStringLiteral("00")) * 2)
        step = step == 1 ? 2 : step == 2 ? 3 : step * 2;
    for (int hour = 0; hour <= 24; ++hour) {
        const qreal x = first.left() + first.width() * hour / 24;
        const bool numbered = hour % step == 0;
        painter.setPen(QPen(inkColour, 0));
        painter.drawLine(QPointF(x, first.top() - l.margin / (numbered ? 1 : 2)), QPointF(x, first.top()));
        if (!numbered)
            continue;
        const QString text = QString::number(hour);
        const qreal width = metrics.horizontalAdvance(text);
        painter.drawText(QRectF(x - width, 0, 2 * width, first.top() - l.margin), Qt::AlignCenter, text);
        painter.setPen(QPen(gridColour, 0));
        painter.drawLine(QPointF(x, first.top()), QPointF(x, bottom));
    }
}

const WeekChart::Piece* WeekChart::pieceAt(const QPoint& position, int* dayFound) const
{
    for (int d = 0; d < dayCount; ++d) {
        const QRectF band = bandRect(d);
        if (!band.adjusted(-reach, 0, reach, 0).contains(position))
            continue;
        const double at = (position.x() - band.left()) / band.width();
        const double slack = reach / band.width();
        const QVector<Piece>& pieces = m_days[d].pieces;
        auto it = std::lower_bound(pieces.begin(), pieces.end(), at - slack,
                                   [](const Piece& piece, double x) { return piece.to < x; });
        const Piece* nearest = nullptr;
        double nearestDistance = slack;
        for (; it != pieces.end() && it->from <= at + slack; ++it) {
            const double distance = at < it->from ? it->from - at : at > it->to ? at - it->to : 0;
            if (distance <= nearestDistance) {
                nearest = &*it;
                nearestDistance = distance;
            }
        }
        *dayFound = d;
        return nearest;
    }
    return nullptr;
}

bool WeekChart::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    auto* help = static_cast<QHelpEvent*>(event);
    int day = 0;
    if (const Piece* piece = pieceAt(help->pos(), &day)) {
        const QRectF band = bandRect(day);
        const QRectF shown(band.left() + piece->from * band.width() - reach, band.top(),
                           (piece->to - piece->from) * band.width() + 2 * reach, band.height());
        QToolTip::showText(help->globalPos(), periodText(m_periods[piece->period]), this,
                           shown.toAlignedRect());
    } else {
        QToolTip::hideText();
        event->ignore();
    }
    return true;
}
