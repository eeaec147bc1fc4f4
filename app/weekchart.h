#pragma once

#include "presenceperiod.h"

#include <QDate>
#include <QVector>
#include <QWidget>
#include <array>

// A friend's last seven days as a picture: one band per local day, midnight to midnight, oldest at the
// top; online in the online penguin's warm colour, offline grey, unknown hatched, and nothing where
// Fernwatch was not running. The hours are marked along the top, each day's online time stands beside its
// band, and pointing at a band tells the times of the period there. Drawn with its own colours, whatever
// the skin, and told in words to screen readers (the accessible description, one line per day).
class WeekChart : public QWidget
{
    Q_OBJECT

public:
    static constexpr int dayCount = 7;

    explicit WeekChart(QWidget* parent = nullptr);

    // The seven days up to the one of `now` (milliseconds since the epoch); periods oldest first.
    void setWeek(const QVector<PresencePeriod>& periods, qint64 now);
    // Where the bands show the moment `at`: the middle of its day's band, at its time; null before the week.
    QPointF pointAt(qint64 at) const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    // A period as far as it lies in one day, as fractions of that day.
    struct Piece
    {
        PresenceState state;
        double from;
        double to;
        int period; // index into m_periods
    };
    struct Day
    {
        QDate date;
        qint64 start = 0; // local midnight
        qint64 end = 0;   // the next one
        qint64 online = 0;
        QVector<Piece> pieces;
    };
    struct Layout
    {
        qreal margin;
        qreal labelWidth;
        qreal totalWidth;
        qreal headerHeight;
        qreal bandHeight;
        qreal rowPitch;
    };

    // "在线 3 小时 12 分": whole minutes; under a minute is 0 分.
    static QString onlineText(qint64 milliseconds);
    // The day's online time, or 没有记录 when Fernwatch was not running at all.
    static QString totalText(const Day& day);
    Layout layout() const;
    QRectF bandRect(int day) const;
    void cutIntoDays(const QVector<PresencePeriod>& periods);
    QString describeDay(const Day& day) const;
    QString dayLabel(const Day& day) const;
    QString periodText(const PresencePeriod& period) const;
    const Piece* pieceAt(const QPoint& position, int* day) const;
    void paintHours(QPainter& painter) const;
    void paintDay(QPainter& painter, int day) const;

    QVector<PresencePeriod> m_periods;
    qint64 m_now = 0;
    std::array<Day, dayCount> m_days;
};
