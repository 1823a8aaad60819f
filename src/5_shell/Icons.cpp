#include "Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <functional>

namespace orb {

namespace {

constexpr int kSide = 32;

using Drawer = std::function<void(QPainter &)>;

QPixmap drawn(const Drawer &draw, int side = kSide)
{
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / double(kSide), side / double(kSide));
    draw(p);
    return pixmap;
}

const QColor kOutline(60, 60, 60);

void page(QPainter &p, const QRectF &r, const QColor &fill = Qt::white)
{
    QPainterPath path;
    const qreal fold = r.width() / 3;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.setPen(QPen(kOutline, 1.5));
    p.setBrush(fill);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
    p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void textLines(QPainter &p, qreal left, qreal right, qreal top, int count)
{
    p.setPen(QPen(QColor(120, 120, 120), 1.2));
    for (int i = 0; i < count; ++i)
        p.drawLine(QPointF(left, top + i * 4), QPointF(right, top + i * 4));
}

void drawNew(QPainter &p)
{
    page(p, QRectF(7, 3, 18, 26));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 200, 30));
    p.drawEllipse(QPointF(23, 23), 6, 6);
    p.setPen(QPen(Qt::white, 2));
    p.drawLine(QPointF(23, 19.5), QPointF(23, 26.5));
    p.drawLine(QPointF(19.5, 23), QPointF(26.5, 23));
}

void drawOpen(QPainter &p)
{
    p.setPen(QPen(QColor(150, 110, 20), 1.5));
    p.setBrush(QColor(240, 200, 90));
    p.drawRect(QRectF(3, 8, 24, 19));
    p.drawRect(QRectF(3, 5, 10, 4));
    QPolygonF flap{QPointF(7, 14), QPointF(30, 14), QPointF(26, 27), QPointF(3, 27)};
    p.setBrush(QColor(250, 220, 120));
    p.drawPolygon(flap);
}

void drawSave(QPainter &p)
{
    p.setPen(QPen(QColor(20, 40, 90), 1.5));
    p.setBrush(QColor(50, 90, 170));
    p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8, 4, 16, 10));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(10, 19, 12, 9));
    p.setBrush(QColor(20, 40, 90));
    p.drawRect(QRectF(18, 6, 3, 6));
}

void drawPrint(QPainter &p)
{
    page(p, QRectF(9, 2, 14, 12));
    p.setPen(QPen(kOutline, 1.5));
    p.setBrush(QColor(170, 170, 175));
    p.drawRoundedRect(QRectF(3, 12, 26, 12), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9, 20, 14, 9));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 180, 60));
    p.drawEllipse(QPointF(25, 16), 1.5, 1.5);
}

void drawPreview(QPainter &p)
{
    page(p, QRectF(4, 2, 18, 25));
    textLines(p, 7, 16, 10, 3);
    p.setPen(QPen(QColor(40, 40, 40), 3));
    p.drawLine(QPointF(23, 23), QPointF(29, 29));
    p.setPen(QPen(QColor(40, 40, 40), 2));
    p.setBrush(QColor(200, 230, 255, 200));
    p.drawEllipse(QPointF(19, 19), 6, 6);
}

void drawCut(QPainter &p)
{
    p.setPen(QPen(QColor(90, 90, 100), 2));
    p.drawLine(QPointF(9, 3), QPointF(20, 21));
    p.drawLine(QPointF(23, 3), QPointF(12, 21));
    p.setPen(QPen(QColor(180, 30, 30), 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(10, 24), 4.5, 4.5);
    p.drawEllipse(QPointF(22, 24), 4.5, 4.5);
}

void drawCopy(QPainter &p)
{
    page(p, QRectF(4, 3, 15, 20));
    page(p, QRectF(13, 9, 15, 20));
    textLines(p, 16, 24, 18, 3);
}

void drawPaste(QPainter &p)
{
    p.setPen(QPen(QColor(110, 70, 20), 1.5));
    p.setBrush(QColor(190, 140, 70));
    p.drawRoundedRect(QRectF(4, 5, 20, 24), 2, 2);
    p.setBrush(QColor(170, 170, 170));
    p.drawRect(QRectF(9, 3, 10, 5));
    page(p, QRectF(13, 11, 15, 19));
    textLines(p, 16, 24, 19, 3);
}

void drawPort(QPainter &p)
{
    // A nine-pin serial connector with its cable.
    QPolygonF shell{QPointF(3, 10), QPointF(29, 10), QPointF(26, 22), QPointF(6, 22)};
    p.setPen(QPen(kOutline, 1.5));
    p.setBrush(QColor(150, 160, 175));
    p.drawPolygon(shell);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 40));
    for (int i = 0; i < 5; ++i)
        p.drawEllipse(QPointF(8 + i * 4, 14), 1.2, 1.2);
    for (int i = 0; i < 4; ++i)
        p.drawEllipse(QPointF(10 + i * 4, 18.5), 1.2, 1.2);
    p.setPen(QPen(QColor(40, 40, 40), 2.5));
    p.drawLine(QPointF(16, 22), QPointF(16, 30));
    p.drawLine(QPointF(16, 2), QPointF(16, 10));
}

void drawPanel(QPainter &p)
{
    // The control panel: a red cabinet with its display and lights.
    p.setPen(QPen(QColor(110, 10, 10), 1.5));
    p.setBrush(QColor(200, 30, 30));
    p.drawRoundedRect(QRectF(3, 4, 26, 24), 3, 3);
    p.setBrush(QColor(190, 230, 190));
    p.setPen(QPen(QColor(40, 60, 40), 1));
    p.drawRect(QRectF(7, 8, 18, 6));
    p.setPen(Qt::NoPen);
    const QColor lights[] = {QColor(255, 220, 0), QColor(80, 220, 80), QColor(255, 255, 255)};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(lights[i]);
        p.drawEllipse(QPointF(10 + i * 6, 21), 2.2, 2.2);
    }
}

void drawZones(QPainter &p)
{
    // A floor plan split into numbered zones.
    p.setPen(QPen(kOutline, 1.5));
    p.setBrush(QColor(255, 240, 200));
    p.drawRect(QRectF(3, 3, 26, 26));
    p.setBrush(QColor(255, 170, 60));
    p.drawRect(QRectF(3, 3, 13, 13));
    p.setBrush(QColor(120, 190, 255));
    p.drawRect(QRectF(16, 16, 13, 13));
    QFont font;
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(30, 30, 30));
    p.drawText(QRectF(3, 3, 13, 13), Qt::AlignCenter, QStringLiteral("1"));
    p.drawText(QRectF(16, 16, 13, 13), Qt::AlignCenter, QStringLiteral("2"));
}

void drawRelays(QPainter &p)
{
    // A relay: its coil and its switching contact.
    p.setPen(QPen(kOutline, 1.5));
    p.setBrush(QColor(230, 230, 235));
    p.drawRoundedRect(QRectF(3, 3, 26, 26), 3, 3);
    p.setPen(QPen(QColor(190, 100, 20), 2));
    for (int i = 0; i < 4; ++i)
        p.drawArc(QRectF(6 + i * 4, 19, 4, 6), 0, 180 * 16);
    p.setPen(QPen(QColor(30, 30, 30), 2));
    p.drawLine(QPointF(7, 12), QPointF(13, 12));
    p.drawLine(QPointF(13, 12), QPointF(22, 7));
    p.drawLine(QPointF(21, 12), QPointF(26, 12));
    p.setPen(QPen(QColor(30, 30, 30), 1, Qt::DashLine));
    p.drawLine(QPointF(17, 10), QPointF(17, 18));
}

QIcon themed(const char *name, const Drawer &draw)
{
    const QIcon theme = QIcon::fromTheme(QString::fromLatin1(name));
    if (!theme.isNull())
        return theme;
    QIcon icon;
    icon.addPixmap(drawn(draw, 16));
    icon.addPixmap(drawn(draw, 24));
    icon.addPixmap(drawn(draw, 32));
    return icon;
}

void drawProgram(QPainter &p)
{
    // An orbit around the panel's red alarm light.
    p.setPen(Qt::NoPen);
    QRadialGradient glow(QPointF(16, 16), 9);
    glow.setColorAt(0, QColor(255, 120, 90));
    glow.setColorAt(1, QColor(190, 20, 20));
    p.setBrush(glow);
    p.drawEllipse(QPointF(16, 16), 8.5, 8.5);
    p.setPen(QPen(QColor(20, 60, 150), 2.2));
    p.setBrush(Qt::NoBrush);
    p.save();
    p.translate(16, 16);
    p.rotate(-25);
    p.drawEllipse(QPointF(0, 0), 14.5, 6);
    p.restore();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 210, 0));
    p.drawEllipse(QPointF(28, 10.5), 2.5, 2.5);
}

} // namespace

QIcon toolButtonIcon(int index)
{
    switch (index) {
    case 1: return themed("document-new", drawNew);
    case 2: return themed("document-open", drawOpen);
    case 3: return themed("document-save", drawSave);
    case 5: return themed("document-print", drawPrint);
    case 6: return themed("document-print-preview", drawPreview);
    case 8: return themed("edit-cut", drawCut);
    case 9: return themed("edit-copy", drawCopy);
    case 10: return themed("edit-paste", drawPaste);
    case 12: return themed("preferences-system", drawPort);
    // The panel, zone and relay pictures belong to this program alone.
    case 14: return themed("orbitarsis-panel", drawPanel);
    case 15: return themed("orbitarsis-zones", drawZones);
    case 16: return themed("orbitarsis-relays", drawRelays);
    default: return {};
    }
}

QIcon programIcon()
{
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(drawn(drawProgram, side));
    return icon;
}

QPixmap splashPicture(int side)
{
    return drawn(
        [](QPainter &p) {
            // The control panel inside the program's orbit.
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(235, 240, 250));
            p.drawEllipse(QPointF(16, 16), 15.5, 15.5);
            p.save();
            p.translate(16, 16);
            p.scale(0.62, 0.62);
            p.translate(-16, -16);
            drawPanel(p);
            p.restore();
            p.setPen(QPen(QColor(20, 60, 150), 1.4));
            p.setBrush(Qt::NoBrush);
            p.save();
            p.translate(16, 16);
            p.rotate(-20);
            p.drawEllipse(QPointF(0, 0), 15, 6.5);
            p.restore();
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 190, 0));
            p.drawEllipse(QPointF(28.5, 11.5), 1.8, 1.8);
        },
        side);
}

} // namespace orb
