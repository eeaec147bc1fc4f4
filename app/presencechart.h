#pragma once

#include "presenceperiod.h"

#include <QDate>
#include <QVector>
#include <QWidget>
#include <optional>

// Online history as a picture: bands of time side by side, each from one local midnight to the next; a
// friend's week (a band per day, oldest at the top) or one day of the whole list (a band per friend). Online
// in the online penguin's warm colour, offline grey, a failed check hatched, the time between two checks
// that found different states pale (what the friend did then is not known), and nothing where Fernwatch was
// not running. The hours are marked along the top, each band's online time stands beside it, a key to the
// looks runs along the bottom, and pointing at a band tells the times of the stretch there. Drawn with its
// own colours, whatever the skin, and told in words to screen readers (the accessible description, a line
// per band).
class PresenceChart : public QWidget
{
    Q_OBJECT

public:
    static constexpr int weekLength = 7;

    // One band: its label, the time it spans and what was found in it (periods oldest first; those
    // reaching into it from before and after are cut to it).
    struct Band
    {
        QString label;
        qint64 start = 0;
        qint64 end = 0;
        QVector<PresencePeriod> periods;
    };

    explicit PresenceChart(QWidget* parent = nullptr);

    // The bands top to bottom; `now` (milliseconds since the epoch) ends what can be known.
    void setBands(const QVector<Band>& bands, qint64 now);
    // A friend's seven days up to `lastDay`, each labelled "12月7日 周一".
    void setWeek(const QVector<PresencePeriod>& periods, const QDate& lastDay, qint64 now);
    // "12月7日 周一".
    static QString dayLabel(const QDate& date);
    // Where `band` (the first that spans it, when -1) shows the moment `at`: the middle of the band, at its
    // time; null when no band spans it.
    QPointF pointAt(qint64 at, int band = -1) const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    // How a stretch is drawn: a state of PresenceState's, or the time between checks.
    enum Look
    {
        OnlineLook,
        OfflineLook,
        FailedLook,
        BetweenChecks,
        lookCount,
    };
    // What is known of a stretch of time: a period, or the time between two checks around a change.
    struct Stretch
    {
        Look look;
        qint64 start;
        qint64 end;
    };
    // A stretch as far as it lies in one band, as fractions of the band.
    struct Piece
    {
        Look look;
        double from;
        double to;
        int stretch; // index into the band's stretches
    };
    struct Row
    {
        QString label;
        qint64 start = 0;
        qint64 end = 0;
        qint64 online = 0;
        QVector<Stretch> stretches;
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

    static Row makeRow(const Band& band);
    // "在线 3 小时 12 分": whole minutes; under a minute is 0 分.
    static QString onlineText(qint64 milliseconds);
    // The band's online time, or 没有记录 when Fernwatch was not running at all.
    static QString totalText(const Row& row);
    Layout layout() const;
    QRectF bandRect(int row) const;
    qreal keyTop() const;
    QString describeRow(const Row& row) const;
    static QString stretchText(const Stretch& stretch);
    const Piece* pieceAt(const QPoint& position, int* rowFound) const;
    void paintHours(QPainter& painter) const;
    void paintRow(QPainter& painter, int row) const;
    void paintKey(QPainter& painter) const;

    qint64 m_now = 0;
    QVector<Row> m_rows;
    mutable std::optional<Layout> m_layout;
};
