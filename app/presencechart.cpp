#include "presencechart.h"

#include "historystore.h"

#include <QDateTime>
#include <QHelpEvent>
#include <QLocale>
#include <QPaintEvent>
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
// The lines hatching a failed check, and its ground: paler than offline, darker than a bare band. The
// time between two checks has the ground alone: not known either, but no check failed.
const QColor unknownColour(0x5b, 0x63, 0x6e);
const QColor unknownGround(0xe4, 0xe6, 0xea);

// A screen reader reads a band's stretches one by one; past this many the rest is only counted.
constexpr int toldStretchesPerBand = 12;
constexpr qint64 minute = 60 * 1000;
// Pointing this many pixels beside a piece still finds it: a single check is drawn only a pixel wide.
constexpr qreal reach = 3;
// Friends' nicknames as labels are cut at this many times a day label's width.
constexpr qreal longestLabel = 1.5;

// What each look is called, in the key, tool tips and to screen readers.
QString lookName(int look)
{
    static const char16_t* const names[] = {u"在线", u"离线", u"检测失败", u"两次检测之间", u"未运行"};
    return QString::fromUtf16(names[look]);
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

// A single check (start == end) is a moment of its band; a stretch ending at the band's start is not in it.
bool reachesInto(qint64 start, qint64 end, qint64 bandStart, qint64 bandEnd)
{
    return start < bandEnd && (end > bandStart || start >= bandStart);
}

// The brushes of each look, in the order they are laid; past the looks, a bare band.
QVector<QBrush> brushesOf(int look)
{
    switch (look) {
    case 0:
        return {QBrush(onlineColour)};
    case 1:
        return {QBrush(offlineColour)};
    case 2: // hatched over a pale ground, so that even a single check, too narrow for the hatching, shows
        return {QBrush(unknownGround), QBrush(unknownColour, Qt::BDiagPattern)};
    case 3:
        return {QBrush(unknownGround)};
    }
    return {QBrush(emptyColour)};
}

} // namespace

PresenceChart::PresenceChart(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed); // the bands need no more height
    setBands({}, QDateTime::currentMSecsSinceEpoch());
}

QString PresenceChart::dayLabel(const QDate& date)
{
    return QStringLiteral("%1月%2日 %3")
        .arg(date.month())
        .arg(date.day())
        .arg(QLocale(QLocale::Chinese, QLocale::China).dayName(date.dayOfWeek(), QLocale::ShortFormat));
}

void PresenceChart::setWeek(const QVector<PresencePeriod>& periods, const QDate& lastDay, qint64 now)
{
    // Each day gets the periods that reach into it, and those that end within a wait before it: the time
    // between their checks may. Periods of a friend follow each other, so they come in order of end too.
    QVector<Band> days;
    for (int d = 0; d < weekLength; ++d) {
        const QDate date = lastDay.addDays(d - weekLength + 1);
        const qint64 start = date.startOfDay().toMSecsSinceEpoch();
        const qint64 end = date.addDays(1).startOfDay().toMSecsSinceEpoch();
        const auto first =
            std::lower_bound(periods.cbegin(), periods.cend(), start - HistoryStore::longestCheckGap,
                             [](const PresencePeriod& period, qint64 at) { return period.end < at; });
        const auto last =
            std::lower_bound(first, periods.cend(), end,
                             [](const PresencePeriod& period, qint64 at) { return period.start < at; });
        days.append({dayLabel(date), start, end, QVector<PresencePeriod>(first, last)});
    }
    setBands(days, now);
}

void PresenceChart::setBands(const QVector<Band>& bands, qint64 now)
{
    m_now = now;
    m_rows.clear();
    m_layout.reset();
    QStringList told;
    for (const Band& band : bands) {
        m_rows.append(makeRow(band));
        told << describeRow(m_rows.last());
    }
    setAccessibleDescription(told.join(QLatin1Char('\n')));
    updateGeometry();
    update();
}

// The band's periods and, between two that follow each other within a run's longest wait and found
// different states, the time between the checks.
PresenceChart::Row PresenceChart::makeRow(const Band& band)
{
    Row row{band.label, band.start, band.end, 0, {}, {}};
    const auto add = [&](Look look, qint64 start, qint64 end) {
        if (!reachesInto(start, end, band.start, band.end))
            return;
        const qint64 from = std::max(start, band.start), to = std::min(end, band.end);
        const double length = double(band.end - band.start);
        row.pieces.append(
            {look, (from - band.start) / length, (to - band.start) / length, int(row.stretches.size())});
        row.stretches.append({look, start, end});
        if (look == OnlineLook)
            row.online += to - from;
    };
    const PresencePeriod* previous = nullptr;
    for (const PresencePeriod& period : band.periods) {
        if (previous && previous->state != period.state && period.start > previous->end &&
            period.start - previous->end <= HistoryStore::longestCheckGap)
            add(BetweenChecks, previous->end, period.start);
        add(Look(int(period.state) - 1), period.start, period.end);
        previous = &period;
    }
    return row;
}

QString PresenceChart::onlineText(qint64 milliseconds)
{
    return QStringLiteral("在线 ") + durationText(milliseconds);
}

QString PresenceChart::totalText(const Row& row)
{
    return row.pieces.isEmpty() ? QStringLiteral("没有记录") : onlineText(row.online);
}

// "12月7日 周一：在线 3 小时 12 分，14:05–17:17 在线，17:17–17:20 两次检测之间，17:20–18:00 离线。"
// Stretches that look alike and follow each other within a minute are told as one.
QString PresenceChart::describeRow(const Row& row) const
{
    QVector<Stretch> stretches;
    for (Stretch next : row.stretches) {
        next.start = std::max(next.start, row.start);
        next.end = std::min(next.end, row.end);
        if (!stretches.isEmpty() && stretches.last().look == next.look &&
            next.start - stretches.last().end < minute)
            stretches.last().end = next.end;
        else
            stretches.append(next);
    }
    QStringList told{totalText(row)};
    for (int i = 0; i < std::min<int>(stretches.size(), toldStretchesPerBand); ++i) {
        const Stretch& s = stretches[i];
        const QString until = s.end == row.end ? QStringLiteral("24:00") : clockText(s.end);
        const QString from = clockText(s.start);
        told << (from == until ? from : from + QStringLiteral("–") + until) + QLatin1Char(' ') +
                    lookName(s.look);
    }
    if (stretches.size() > toldStretchesPerBand)
        told << QStringLiteral("另有 %1 段").arg(stretches.size() - toldStretchesPerBand);
    return row.label + QStringLiteral("：") + told.join(QStringLiteral("，")) + QStringLiteral("。");
}

// "在线 14:05 – 17:17（3 小时 12 分）", with the dates when it runs over midnight.
QString PresenceChart::stretchText(const Stretch& stretch)
{
    const QDateTime from = QDateTime::fromMSecsSinceEpoch(stretch.start);
    const QDateTime to = QDateTime::fromMSecsSinceEpoch(stretch.end);
    const QString format =
        from.date() == to.date() ? QStringLiteral("HH:mm") : QStringLiteral("M月d日 HH:mm");
    QString times = from.toString(format);
    if (stretch.end != stretch.start)
        times += QStringLiteral(" – ") + to.toString(format);
    return lookName(stretch.look) + QLatin1Char(' ') + times + QStringLiteral("（") +
           durationText(stretch.end - stretch.start) + QStringLiteral("）");
}

// Kept until the bands or the font change: every band's place is asked for it, and a day of a long list
// has a thousand labels to measure.
PresenceChart::Layout PresenceChart::layout() const
{
    if (m_layout)
        return *m_layout;
    const QFontMetricsF metrics(font());
    const qreal line = metrics.height();
    const qreal dayWidth = metrics.horizontalAdvance(QStringLiteral("12月30日 周三"));
    qreal labelWidth = dayWidth;
    for (const Row& row : m_rows)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(row.label));
    m_layout = Layout{line / 2,
                      std::min(labelWidth, dayWidth * longestLabel) + line,
                      metrics.horizontalAdvance(onlineText(1439 * minute)) + line,
                      line * 1.6,
                      line * 1.5,
                      line * 2.1};
    return *m_layout;
}

QRectF PresenceChart::bandRect(int row) const
{
    const Layout l = layout();
    const qreal left = l.margin + l.labelWidth;
    return QRectF(left, l.headerHeight + row * l.rowPitch, width() - left - l.totalWidth - l.margin,
                  l.bandHeight);
}

qreal PresenceChart::keyTop() const
{
    const Layout l = layout();
    return l.headerHeight + m_rows.size() * l.rowPitch;
}

QSize PresenceChart::sizeHint() const
{
    const Layout l = layout();
    // An hour as wide as a two-digit hour mark with room on either side.
    const qreal hours = 24 * QFontMetricsF(font()).horizontalAdvance(QStringLiteral("000"));
    return QSizeF(2 * l.margin + l.labelWidth + hours + l.totalWidth, keyTop() + l.rowPitch).toSize();
}

QSize PresenceChart::minimumSizeHint() const
{
    const Layout l = layout();
    return QSizeF(2 * l.margin + l.labelWidth + 4 * l.totalWidth, keyTop() + l.rowPitch).toSize();
}

QPointF PresenceChart::pointAt(qint64 at, int band) const
{
    for (int r = std::max(band, 0); r < (band < 0 ? m_rows.size() : std::min<int>(band + 1, m_rows.size()));
         ++r) {
        const Row& row = m_rows[r];
        if (at >= row.start && at < row.end) {
            const QRectF rect = bandRect(r);
            return QPointF(rect.left() + rect.width() * (at - row.start) / double(row.end - row.start),
                           rect.center().y());
        }
    }
    return QPointF();
}

void PresenceChart::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(rect(), paperColour);
    const Layout l = layout();
    // Only the bands in sight: of a long list's day, a scroll area shows a few.
    const int first = std::max(0, int((event->rect().top() - l.headerHeight) / l.rowPitch));
    for (int r = first; r < m_rows.size() && bandRect(r).top() <= event->rect().bottom(); ++r) {
        paintRow(painter, r);
        const QRectF band = bandRect(r);
        painter.setPen(inkColour);
        const QString label =
            painter.fontMetrics().elidedText(m_rows[r].label, Qt::ElideRight, int(l.labelWidth - l.margin));
        painter.drawText(QRectF(l.margin, band.top(), l.labelWidth, band.height()), Qt::AlignVCenter, label);
        painter.drawText(QRectF(band.right() + l.margin, band.top(), l.totalWidth, band.height()),
                         Qt::AlignVCenter, totalText(m_rows[r]));
    }
    paintHours(painter);
    paintKey(painter);
}

void PresenceChart::paintRow(QPainter& painter, int r) const
{
    const Row& row = m_rows[r];
    const QRectF band = bandRect(r);
    painter.fillRect(band, emptyColour);
    // The rest of today is yet to come. Laid under the pieces: a check moments ago, drawn a pixel wide,
    // reaches past now and must not be covered.
    if (m_now >= row.start && m_now < row.end)
        painter.fillRect(QRectF(QPointF(pointAt(m_now, r).x(), band.top()), band.bottomRight()), paperColour);

    // One rect list per look, pieces closer than a device pixel joined: they would look the same, and a
    // thousand checks in an hour then cost one rect.
    const qreal pixel = 1 / painter.device()->devicePixelRatioF();
    QVector<QRectF> rects[lookCount];
    for (const Piece& piece : row.pieces) {
        const qreal left = band.left() + piece.from * band.width();
        const qreal right = std::max(left + pixel, band.left() + piece.to * band.width());
        QVector<QRectF>& same = rects[piece.look];
        if (!same.isEmpty() && left - same.last().right() < pixel)
            same.last().setRight(std::max(same.last().right(), right));
        else
            same.append(QRectF(QPointF(left, band.top()), QPointF(right, band.bottom())));
    }
    painter.setPen(Qt::NoPen);
    // Online last, so that a short time online is never hidden under its neighbours.
    for (int look : {BetweenChecks, FailedLook, OfflineLook, OnlineLook}) {
        for (const QBrush& brush : brushesOf(look)) {
            painter.setBrush(brush);
            painter.drawRects(rects[look]);
        }
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(outlineColour, 0));
    painter.drawRect(band);
}

void PresenceChart::paintHours(QPainter& painter) const
{
    if (m_rows.isEmpty())
        return;
    const Layout l = layout();
    const QRectF first = bandRect(0);
    const qreal bottom = bandRect(m_rows.size() - 1).bottom();
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

// A swatch and a name for each look, and for a bare band, along the bottom.
void PresenceChart::paintKey(QPainter& painter) const
{
    const Layout l = layout();
    const QFontMetricsF metrics(font());
    const qreal top = keyTop() + (l.rowPitch - l.bandHeight) / 2;
    qreal x = l.margin + l.labelWidth;
    for (int look = 0; look <= lookCount; ++look) {
        const QRectF swatch(x, top + l.bandHeight / 4, l.bandHeight, l.bandHeight / 2);
        painter.setPen(Qt::NoPen);
        for (const QBrush& brush : brushesOf(look)) {
            painter.setBrush(brush);
            painter.drawRect(swatch);
        }
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(outlineColour, 0));
        painter.drawRect(swatch);
        painter.setPen(inkColour);
        const qreal textWidth = metrics.horizontalAdvance(lookName(look));
        painter.drawText(QRectF(swatch.right() + l.margin / 2, top, textWidth + 1, l.bandHeight),
                         Qt::AlignVCenter, lookName(look));
        x = swatch.right() + l.margin / 2 + textWidth + l.margin * 2;
    }
}

const PresenceChart::Piece* PresenceChart::pieceAt(const QPoint& position, int* rowFound) const
{
    for (int r = 0; r < m_rows.size(); ++r) {
        const QRectF band = bandRect(r);
        if (!band.adjusted(-reach, 0, reach, 0).contains(position))
            continue;
        const double at = (position.x() - band.left()) / band.width();
        const double slack = reach / band.width();
        const QVector<Piece>& pieces = m_rows[r].pieces;
        const Piece* nearest = nullptr;
        double nearestDistance = slack;
        // Pieces come in time order, a between-checks piece between its two periods.
        auto it = std::lower_bound(pieces.begin(), pieces.end(), at - slack,
                                   [](const Piece& piece, double x) { return piece.to < x; });
        for (; it != pieces.end() && it->from <= at + slack; ++it) {
            const double distance = at < it->from ? it->from - at : at > it->to ? at - it->to : 0;
            // A period's own edge wins over the time between checks that meets it.
            if (distance < nearestDistance || (distance == nearestDistance && it->look != BetweenChecks)) {
                nearest = &*it;
                nearestDistance = distance;
            }
        }
        *rowFound = r;
        return nearest;
    }
    return nullptr;
}

bool PresenceChart::event(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        m_layout.reset();
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    auto* help = static_cast<QHelpEvent*>(event);
    int row = 0;
    if (const Piece* piece = pieceAt(help->pos(), &row)) {
        const QRectF band = bandRect(row);
        const QRectF shown(band.left() + piece->from * band.width() - reach, band.top(),
                           (piece->to - piece->from) * band.width() + 2 * reach, band.height());
        QToolTip::showText(help->globalPos(), stretchText(m_rows[row].stretches[piece->stretch]), this,
                           shown.toAlignedRect());
    } else {
        QToolTip::hideText();
        event->ignore();
    }
    return true;
}
