// iconpainter: paints every image Fernwatch ships and writes them as PNG/ICO.
//
// All drawing happens in a 32x32 unit space that is scaled to the target
// pixel size, so each size is rendered directly instead of being resampled.
//
// Usage: iconpainter <outdir> (QT_QPA_PLATFORM=offscreen works); `make icons` paints resources/icons.

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>
#include <QtMath>

#include <cmath>

namespace {

constexpr qreal kUnits = 32.0;

// Palette shared by the penguin and the app icon.
const QColor kInk(0x1d, 0x1f, 0x24);
const QColor kInkLight(0x3a, 0x3e, 0x47);
const QColor kBelly(0xfb, 0xfb, 0xf8);
const QColor kBeak(0xf7, 0x9a, 0x1e);
const QColor kBeakDark(0xd9, 0x74, 0x0b);
const QColor kScarf(0xd8, 0x2b, 0x2b);
const QColor kScarfDark(0xa3, 0x1a, 0x1a);
const QColor kFern(0x3f, 0x9b, 0x3a);
const QColor kFernDark(0x2a, 0x6e, 0x27);
const QColor kOnline(0x35, 0xc7, 0x4a);
const QColor kArrow(0x1f, 0x7a, 0xe0);
const QColor kArrowLight(0x4d, 0xa3, 0xf5);

QImage newCanvas(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Sets up antialiasing and maps the 32-unit design space onto the image.
void prepare(QPainter& p, int size)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.scale(size / kUnits, size / kUnits);
    p.setPen(Qt::NoPen);
}

QRectF ellipseRect(QPointF center, qreal rx, qreal ry)
{
    return QRectF(center.x() - rx, center.y() - ry, 2 * rx, 2 * ry);
}

// A black gradient reads as a rounded body rather than a flat hole, and keeps
// the silhouette visible on dark backgrounds.
QBrush inkBrush(const QRectF& bounds)
{
    QLinearGradient g(bounds.topLeft(), bounds.bottomRight());
    g.setColorAt(0.0, kInkLight);
    g.setColorAt(0.6, kInk);
    return g;
}

// --- Penguin -------------------------------------------------------------

// Head with face mask, eyes and beak. Everything is relative to the radius so
// the same head serves the friend-list figure and the application icon.
void drawPenguinHead(QPainter& p, QPointF c, qreal r)
{
    const QRectF head = ellipseRect(c, r, r);
    p.setBrush(inkBrush(head));
    p.drawEllipse(head);

    QPainterPath mask;
    mask.addEllipse(ellipseRect(c + QPointF(-0.34 * r, 0.06 * r), 0.46 * r, 0.6 * r));
    mask.addEllipse(ellipseRect(c + QPointF(0.34 * r, 0.06 * r), 0.46 * r, 0.6 * r));
    mask.addEllipse(ellipseRect(c + QPointF(0, 0.4 * r), 0.6 * r, 0.42 * r));
    // Winding fill merges the overlaps without flattening the curves.
    mask.setFillRule(Qt::WindingFill);
    p.setBrush(kBelly);
    p.drawPath(mask);

    for (qreal side : {-1.0, 1.0}) {
        const QPointF eye = c + QPointF(side * 0.3 * r, -0.02 * r);
        p.setBrush(kInk);
        p.drawEllipse(ellipseRect(eye, 0.15 * r, 0.21 * r));
        p.setBrush(Qt::white);
        p.drawEllipse(ellipseRect(eye + QPointF(0.05 * r, -0.08 * r), 0.06 * r, 0.06 * r));
    }

    // Two stacked ellipses give the beak an upper and lower half.
    const QPointF beak = c + QPointF(0, 0.33 * r);
    p.setBrush(kBeakDark);
    p.drawEllipse(ellipseRect(beak + QPointF(0, 0.06 * r), 0.3 * r, 0.15 * r));
    p.setBrush(kBeak);
    p.drawEllipse(ellipseRect(beak, 0.33 * r, 0.14 * r));
}

void drawFlippers(QPainter& p)
{
    for (qreal side : {-1.0, 1.0}) {
        p.save();
        p.translate(16 + side * 8.2, 20.5);
        p.rotate(side * -22);
        const QRectF flipper = ellipseRect(QPointF(0, 0), 2.4, 6.0);
        p.setBrush(inkBrush(flipper));
        p.drawEllipse(flipper);
        p.restore();
    }
}

void drawFeet(QPainter& p)
{
    for (qreal side : {-1.0, 1.0}) {
        const QPointF foot(16 + side * 4.2, 29.2);
        p.setBrush(kBeakDark);
        p.drawEllipse(ellipseRect(foot + QPointF(0, 0.4), 3.6, 1.9));
        p.setBrush(kBeak);
        p.drawEllipse(ellipseRect(foot, 3.5, 1.7));
    }
}

// Neck band plus a tail hanging over the belly.
void drawScarf(QPainter& p)
{
    QPainterPath tail;
    tail.moveTo(18.2, 17.0);
    tail.lineTo(21.6, 17.0);
    tail.quadTo(22.4, 20.5, 22.2, 23.6);
    tail.lineTo(19.2, 23.2);
    tail.quadTo(19.4, 20.0, 18.2, 17.0);
    p.setBrush(kScarfDark);
    p.drawPath(tail);

    QPainterPath band;
    band.moveTo(9.2, 14.0);
    band.quadTo(16, 17.4, 22.8, 14.0);
    band.lineTo(23.0, 17.0);
    band.quadTo(16, 20.6, 9.0, 17.0);
    band.closeSubpath();
    p.setBrush(kScarf);
    p.drawPath(band);
}

void drawPenguin(QPainter& p)
{
    drawFlippers(p);

    const QRectF body(7, 10, 18, 20.5);
    p.setBrush(inkBrush(body));
    p.drawEllipse(body);

    p.setBrush(kBelly);
    p.drawEllipse(QRectF(10.2, 14.5, 11.6, 15.0));

    drawFeet(p);
    drawPenguinHead(p, QPointF(16, 8.6), 7.2);
    drawScarf(p);
}

// Greyed, slightly transparent copy: the same figure, visibly "not here".
QImage fadedGrey(const QImage& source)
{
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = line[x];
            const int luma = qGray(px);
            // Lift the blacks so the figure looks washed out, not just desaturated.
            const int grey = 78 + luma * 162 / 255;
            const int alpha = qAlpha(px) * 85 / 100;
            line[x] = qRgba(grey, grey, grey, alpha);
        }
    }
    return image;
}

// --- Checking ------------------------------------------------------------

// Position on a circle around (16,16) in screen coordinates; angle in degrees,
// counter-clockwise from 3 o'clock like QPainter's arcs.
QPointF onCircle(qreal radius, qreal degrees)
{
    const qreal a = qDegreesToRadians(degrees);
    return QPointF(16 + radius * qCos(a), 16 - radius * qSin(a));
}

void drawRefreshArrow(QPainter& p)
{
    const qreal radius = 10.0;
    const qreal startDeg = 25.0;
    const qreal sweepDeg = -265.0; // clockwise, leaving a gap at the top right
    const qreal endDeg = startDeg + sweepDeg;

    QLinearGradient g(QPointF(6, 26), QPointF(26, 6));
    g.setColorAt(0.0, kArrow);
    g.setColorAt(1.0, kArrowLight);

    QPainterPath arc;
    arc.arcMoveTo(ellipseRect(QPointF(16, 16), radius, radius), startDeg);
    arc.arcTo(ellipseRect(QPointF(16, 16), radius, radius), startDeg, sweepDeg);
    p.strokePath(arc, QPen(QBrush(g), 3.8, Qt::SolidLine, Qt::RoundCap));

    // Head points along the clockwise tangent at the end of the arc.
    const qreal a = qDegreesToRadians(endDeg);
    const QPointF tangent(qSin(a), qCos(a));
    const QPointF normal(qCos(a), -qSin(a));
    const QPointF base = onCircle(radius, endDeg) - tangent * 0.6;
    QPainterPath head;
    head.moveTo(base + normal * 5.2);
    head.lineTo(base + tangent * 6.4);
    head.lineTo(base - normal * 5.2);
    head.closeSubpath();
    p.setBrush(g);
    p.setPen(QPen(QBrush(g), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(head);
    p.setPen(Qt::NoPen);
}

// --- Application icon ----------------------------------------------------

// One pinna: a pointed leaf from `base` along `direction` (unit vector).
QPainterPath leaf(QPointF base, QPointF direction, qreal length, qreal width)
{
    const QPointF normal(-direction.y(), direction.x());
    const QPointF tip = base + direction * length;
    const QPointF mid = base + direction * (length * 0.45);
    QPainterPath path;
    path.moveTo(base);
    path.quadTo(mid + normal * width, tip);
    path.quadTo(mid - normal * width, base);
    return path;
}

// The young tip of a frond rolls inwards; a shrinking spiral that starts at
// `from` heading clockwise.
QPainterPath fiddlehead(QPointF from, qreal startDeg, qreal radius)
{
    const qreal a0 = qDegreesToRadians(startDeg);
    const QPointF center = from - QPointF(qCos(a0), -qSin(a0)) * radius;
    const int steps = 48;
    QPainterPath path(from);
    for (int k = 1; k <= steps; ++k) {
        const qreal t = qreal(k) / steps;
        const qreal a = qDegreesToRadians(startDeg - 330.0 * t);
        const qreal rho = radius * (1.0 - 0.55 * t);
        path.lineTo(center + QPointF(qCos(a), -qSin(a)) * rho);
    }
    return path;
}

// A fern frond curling around the disc, clockwise from bottom-left to the
// right side; its gap at the bottom right makes room for the online dot.
void drawFernWreath(QPainter& p, int leafPairs, qreal weight)
{
    const qreal radius = 11.6;
    const qreal fromDeg = 228.0;
    const qreal toDeg = -8.0;

    QPainterPath stem;
    stem.arcMoveTo(ellipseRect(QPointF(16, 16), radius, radius), fromDeg);
    stem.arcTo(ellipseRect(QPointF(16, 16), radius, radius), fromDeg, toDeg - fromDeg);
    stem.connectPath(fiddlehead(onCircle(radius, toDeg), toDeg, 1.5));
    p.strokePath(stem, QPen(kFernDark, 0.6 * weight, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));

    QPainterPath leaves;
    // Leaflets stop short of the tip so the curl stays visible.
    const qreal leafyDeg = toDeg + 22.0;
    for (int i = 0; i < leafPairs; ++i) {
        const qreal t = (i + 0.5) / leafPairs;
        const qreal deg = fromDeg + (leafyDeg - fromDeg) * t;
        const qreal a = qDegreesToRadians(deg);
        const QPointF at = onCircle(radius, deg);
        const QPointF tangent(qSin(a), qCos(a));
        const QPointF outward(qCos(a), -qSin(a));
        // Pinnae shrink towards the tip like a real frond.
        const qreal length = 3.3 * (1.0 - 0.6 * t);
        const qreal width = 0.85 * weight * (1.0 - 0.4 * t);
        const QPointF out = tangent * 0.45 + outward * 0.89;
        const QPointF in = tangent * 0.45 - outward * 0.89;
        leaves.addPath(leaf(at, out / std::hypot(out.x(), out.y()), length * 0.9, width));
        leaves.addPath(leaf(at, in / std::hypot(in.x(), in.y()), length, width));
    }
    leaves.setFillRule(Qt::WindingFill);
    p.setBrush(kFern);
    p.drawPath(leaves);
}

void drawOnlineDot(QPainter& p, QPointF c, qreal r, qreal ring)
{
    p.setBrush(Qt::white);
    p.drawEllipse(ellipseRect(c, r + ring, r + ring));
    QRadialGradient g(c + QPointF(-0.35 * r, -0.35 * r), 1.4 * r);
    g.setColorAt(0.0, kOnline.lighter(130));
    g.setColorAt(1.0, kOnline.darker(115));
    p.setBrush(g);
    p.drawEllipse(ellipseRect(c, r, r));
}

QBrush discBrush()
{
    QRadialGradient g(QPointF(13, 11), 18);
    g.setColorAt(0.0, QColor(0xfd, 0xff, 0xf8));
    g.setColorAt(1.0, QColor(0xd6, 0xec, 0xc4));
    return g;
}

// Full design: pale disc, fern wreath, penguin head and online dot.
void drawAppIconDetailed(QPainter& p, int size)
{
    p.setBrush(discBrush());
    p.setPen(QPen(kFernDark, 0.6));
    p.drawEllipse(ellipseRect(QPointF(16, 16), 15.2, 15.2));
    p.setPen(Qt::NoPen);

    // Fewer, fatter leaflets at 48 px so the frond doesn't blur into a haze.
    if (size >= 128)
        drawFernWreath(p, 20, 1.0);
    else
        drawFernWreath(p, 10, 1.5);
    drawPenguinHead(p, QPointF(16, 15.6), 7.4);
    drawOnlineDot(p, QPointF(25.0, 25.0), 3.5, 1.0);
}

// Small sizes: the wreath becomes a solid green ring and the head grows, so
// the penguin still reads at 16 to 32 px.
void drawAppIconSimple(QPainter& p)
{
    p.setBrush(discBrush());
    p.setPen(QPen(kFern, 3.0));
    p.drawEllipse(ellipseRect(QPointF(16, 16), 14.2, 14.2));
    p.setPen(Qt::NoPen);

    drawPenguinHead(p, QPointF(15.4, 15.4), 10.0);
    drawOnlineDot(p, QPointF(25.4, 25.4), 4.6, 1.4);
}

QImage appIcon(int size)
{
    QImage image = newCanvas(size);
    QPainter p(&image);
    prepare(p, size);
    if (size >= 48)
        drawAppIconDetailed(p, size);
    else
        drawAppIconSimple(p);
    return image;
}

// --- Output --------------------------------------------------------------

template<typename Draw>
QImage render(int size, Draw draw)
{
    QImage image = newCanvas(size);
    QPainter p(&image);
    prepare(p, size);
    draw(p);
    return image;
}

bool savePng(const QImage& image, const QDir& dir, const QString& name)
{
    const QString path = dir.filePath(name);
    if (!image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG")) {
        QTextStream(stderr) << "cannot write " << path << '\n';
        return false;
    }
    QTextStream(stdout) << path << '\n';
    return true;
}

void putLe16(QByteArray& out, quint16 v)
{
    out.append(char(v & 0xff));
    out.append(char(v >> 8));
}

void putLe32(QByteArray& out, quint32 v)
{
    putLe16(out, quint16(v & 0xffff));
    putLe16(out, quint16(v >> 16));
}

// ICONDIR + one ICONDIRENTRY per image, followed by the PNG streams.
// PNG-compressed entries are understood by Windows Vista and later.
bool saveIco(const QList<QImage>& images, const QDir& dir, const QString& name)
{
    QList<QByteArray> pngs;
    for (const QImage& image : images) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!image.convertToFormat(QImage::Format_ARGB32).save(&buffer, "PNG"))
            return false;
        pngs.append(png);
    }

    QByteArray ico;
    putLe16(ico, 0); // reserved
    putLe16(ico, 1); // type: icon
    putLe16(ico, quint16(images.size()));

    quint32 offset = 6 + 16 * quint32(images.size());
    for (int i = 0; i < images.size(); ++i) {
        // A dimension of 256 is stored as 0.
        ico.append(char(images[i].width() & 0xff));
        ico.append(char(images[i].height() & 0xff));
        ico.append(char(0)); // no palette
        ico.append(char(0)); // reserved
        putLe16(ico, 1);     // colour planes
        putLe16(ico, 32);    // bits per pixel
        putLe32(ico, quint32(pngs[i].size()));
        putLe32(ico, offset);
        offset += quint32(pngs[i].size());
    }
    for (const QByteArray& png : pngs)
        ico.append(png);

    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(ico) != ico.size()) {
        QTextStream(stderr) << "cannot write " << path << '\n';
        return false;
    }
    QTextStream(stdout) << path << '\n';
    return true;
}

bool writeStatusImages(const QDir& dir)
{
    bool ok = true;
    for (int scale : {1, 2}) {
        const int size = 32 * scale;
        const QString suffix = scale == 2 ? QStringLiteral("@2x.png") : QStringLiteral(".png");
        const QImage online = render(size, drawPenguin);
        ok &= savePng(online, dir, QStringLiteral("online") + suffix);
        ok &= savePng(fadedGrey(online), dir, QStringLiteral("offline") + suffix);
        ok &= savePng(render(size, drawRefreshArrow), dir, QStringLiteral("checking") + suffix);
    }
    return ok;
}

bool writeAppIcons(const QDir& dir)
{
    bool ok = true;
    QList<QImage> icoImages;
    for (int size : {16, 24, 32, 48, 256}) {
        const QImage image = appIcon(size);
        ok &= savePng(image, dir, QStringLiteral("fernwatch-%1.png").arg(size));
        if (size > 48)
            continue;
        icoImages.append(image);
        // The tray's icon while nobody is online.
        ok &= savePng(fadedGrey(image), dir, QStringLiteral("fernwatch-nobody-%1.png").arg(size));
    }
    ok &= saveIco(icoImages, dir, QStringLiteral("fernwatch.ico"));
    return ok;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);

    const QStringList args = app.arguments();
    if (args.size() != 2) {
        QTextStream(stderr) << "usage: iconpainter <outdir>\n";
        return 2;
    }
    QDir dir(args.at(1));
    if (!dir.mkpath(QStringLiteral("."))) {
        QTextStream(stderr) << "cannot create " << args.at(1) << '\n';
        return 1;
    }

    const bool ok = writeStatusImages(dir) && writeAppIcons(dir);
    return ok ? 0 : 1;
}
