#include "BarArtwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace orvane {

namespace {

struct Palette
{
    QColor top;
    QColor bottom;
    QColor glyph;
    QColor accent;
};

Palette paletteFor(bool checking, bool mail)
{
    const QColor glyph(0xE8, 0xEC, 0xF0);
    if (checking && mail)
        return {QColor(0x2E, 0x5C, 0x8A), QColor(0x1C, 0x3A, 0x58), glyph,
                QColor(0xFF, 0xB3, 0x3B)};
    if (checking)
        return {QColor(0x2E, 0x5C, 0x8A), QColor(0x1C, 0x3A, 0x58), glyph,
                QColor(0x8F, 0xC8, 0xFF)};
    if (mail)
        return {QColor(0x7A, 0x4A, 0x12), QColor(0x4E, 0x2E, 0x0A), glyph,
                QColor(0xFF, 0xB3, 0x3B)};
    return {QColor(0x4A, 0x52, 0x5C), QColor(0x2C, 0x31, 0x38), glyph, QColor(0x9A, 0xA4, 0xAE)};
}

void fillBand(QPainter& p, const QRectF& r, const Palette& c)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, c.top);
    g.setColorAt(1, c.bottom);
    p.fillRect(r, g);
}

QPen pen(const QColor& colour, qreal width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void drawClose(QPainter& p, const QRectF& r, const QColor& c)
{
    const qreal m = r.height() * 0.3;
    const QRectF g = r.adjusted(m, m, -m, -m);
    p.setPen(pen(c, 1.5));
    p.drawLine(g.topLeft(), g.bottomRight());
    p.drawLine(g.topRight(), g.bottomLeft());
}

void drawSettings(QPainter& p, const QRectF& r, const QColor& c)
{
    // Three sliders.
    const qreal m = r.height() * 0.28;
    const QRectF g = r.adjusted(m * 0.6, m, -m * 0.6, -m);
    p.setPen(pen(c, 1.2));
    for (int i = 0; i < 3; ++i) {
        const qreal y = g.top() + g.height() * i / 2.0;
        p.drawLine(QPointF(g.left(), y), QPointF(g.right(), y));
        const qreal x = g.left() + g.width() * (i == 1 ? 0.7 : 0.3);
        p.setBrush(c);
        p.drawEllipse(QPointF(x, y), 1.2, 1.2);
    }
}

void drawList(QPainter& p, const QRectF& r, const QColor& c)
{
    const qreal m = r.height() * 0.28;
    const QRectF g = r.adjusted(m, m, -m, -m);
    p.setPen(pen(c, 1.3));
    for (int i = 0; i < 3; ++i) {
        const qreal y = g.top() + g.height() * i / 2.0;
        p.drawPoint(QPointF(g.left(), y));
        p.drawLine(QPointF(g.left() + 3, y), QPointF(g.right(), y));
    }
}

void drawEnvelope(QPainter& p, const QRectF& r, const QColor& c, bool filled)
{
    const qreal h = std::min(r.height() * 0.55, r.width() * 0.5);
    const QRectF g(r.center().x() - h * 0.75, r.center().y() - h / 2, h * 1.5, h);
    p.setPen(pen(c, 1.1));
    p.setBrush(filled ? QBrush(c) : QBrush(Qt::NoBrush));
    p.drawRect(g);
    p.setPen(pen(filled ? QColor(0x30, 0x20, 0x08) : c, 1.1));
    p.drawLine(g.topLeft(), QPointF(g.center().x(), g.center().y() + 0.5));
    p.drawLine(g.topRight(), QPointF(g.center().x(), g.center().y() + 0.5));
}

void drawRefresh(QPainter& p, const QRectF& r, const QColor& c)
{
    const qreal rad = std::min(r.width(), r.height()) * 0.28;
    const QPointF o = r.center();
    QRectF circle(o.x() - rad, o.y() - rad, rad * 2, rad * 2);
    p.setPen(pen(c, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawArc(circle, 60 * 16, 300 * 16);
    const QPointF tip(o.x() + rad * std::cos(M_PI / 3), o.y() - rad * std::sin(M_PI / 3));
    QPainterPath head;
    head.moveTo(tip + QPointF(2.5, -0.5));
    head.lineTo(tip + QPointF(-1.5, -2.5));
    head.lineTo(tip + QPointF(-0.5, 2));
    head.closeSubpath();
    p.setBrush(c);
    p.drawPath(head);
}

void drawClear(QPainter& p, const QRectF& r, const QColor& c)
{
    const qreal rad = std::min(r.width(), r.height()) * 0.26;
    const QPointF o = r.center();
    p.setPen(pen(c, 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(o, rad, rad);
    p.drawLine(o + QPointF(-rad * 0.7, rad * 0.7), o + QPointF(rad * 0.7, -rad * 0.7));
}

void drawPower(QPainter& p, const QRectF& r, const QColor& c)
{
    const qreal rad = std::min(r.width(), r.height()) * 0.27;
    const QPointF o = r.center() + QPointF(0, 0.5);
    p.setPen(pen(c, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(o.x() - rad, o.y() - rad, rad * 2, rad * 2), 120 * 16, 300 * 16);
    p.drawLine(o + QPointF(0, -rad - 1), o + QPointF(0, -rad * 0.2));
}

void drawStar(QPainter& p, const QRectF& r, const QColor& c)
{
    const qreal outer = std::min(r.width(), r.height()) * 0.3;
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const qreal rad = i % 2 ? outer * 0.45 : outer;
        const qreal a = -M_PI / 2 + i * M_PI / 5;
        const QPointF pt = r.center() + QPointF(rad * std::cos(a), rad * std::sin(a));
        i ? star.lineTo(pt) : star.moveTo(pt);
    }
    star.closeSubpath();
    p.setPen(pen(c, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(star);
}

// Stripes that say "working" in a still picture.
void drawStripes(QPainter& p, const QRectF& r, const QColor& c)
{
    p.save();
    p.setClipRect(r);
    p.setPen(pen(c, 2));
    for (qreal x = r.left() - r.height(); x < r.right(); x += 7)
        p.drawLine(QPointF(x, r.bottom()), QPointF(x + r.height(), r.top()));
    p.restore();
}

void separator(QPainter& p, qreal x, qreal top, qreal bottom)
{
    p.setPen(QPen(QColor(0, 0, 0, 90), 1));
    p.drawLine(QPointF(x - 0.5, top), QPointF(x - 0.5, bottom));
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    p.drawLine(QPointF(x + 0.5, top), QPointF(x + 0.5, bottom));
}

QImage newImage(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB888);
    image.fill(Qt::black);
    return image;
}

} // namespace

QImage BarArtwork::BuiltIn(int id)
{
    if (id < 61 || id > 64)
        return {};
    const bool checking = id >= 63;
    const bool mail = id == 62 || id == 64;
    const Palette c = paletteFor(checking, mail);
    QImage image = newImage(kWidth, kHeight);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    fillBand(p, QRectF(0, 0, kWidth, kHeight), c);
    // Buttons at the built-in layout's rectangles.
    drawClose(p, QRectF(0, 0, 13, 14), c.glyph);
    separator(p, 13.5, 2, 12);
    drawSettings(p, QRectF(14, 0, 11, 14), c.glyph);
    separator(p, 25.5, 2, 12);
    separator(p, 221.5, 2, 12);
    drawEnvelope(p, QRectF(222, 0, 20, 14), c.glyph, false);
    separator(p, 242, 2, 12);
    drawRefresh(p, QRectF(242, 0, 33, 14), c.glyph);
    // The middle shows the state: a mail sign and a band.
    drawEnvelope(p, QRectF(30, 0, 16, 14), mail ? c.accent : c.glyph.darker(170), mail);
    const QRectF band(52, 5, 164, 4);
    if (checking)
        drawStripes(p, band, c.accent);
    else
        p.fillRect(band, mail ? c.accent : c.bottom.darker(130));
    return image;
}

QImage BarArtwork::Sublime(bool checking, bool mail)
{
    const Palette c = paletteFor(checking, mail);
    QImage image = newImage(kSublimeWidth, kSublimeHeight);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // The desktop shows through nowhere: a square bar with a soft frame.
    fillBand(p, QRectF(0, 0, kSublimeWidth, kSublimeHeight), c);
    p.setPen(QPen(c.accent, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, kSublimeWidth - 1, kSublimeHeight - 1));
    p.fillRect(QRectF(1, 1, kSublimeWidth - 2, 1), QColor(255, 255, 255, 50));
    // The count's well (the label draws the digits over it).
    const QRectF well(66, 3, 54, 18);
    p.setPen(QPen(QColor(0, 0, 0, 120), 1));
    p.setBrush(QColor(0x12, 0x16, 0x1A));
    p.drawRoundedRect(well, 3, 3);
    if (checking)
        drawStripes(p, QRectF(68, 18, 50, 2), c.accent);
    else if (mail)
        p.fillRect(QRectF(68, 18, 50, 2), c.accent);
    drawClose(p, QRectF(3, 3, 18, 18), c.glyph);
    drawSettings(p, QRectF(23, 3, 18, 18), c.glyph);
    drawList(p, QRectF(43, 3, 18, 18), c.glyph);
    separator(p, 122, 4, 20);
    drawRefresh(p, QRectF(124, 3, 26, 18), checking ? c.accent : c.glyph);
    drawEnvelope(p, QRectF(152, 3, 26, 18), mail ? c.accent : c.glyph, mail);
    drawClear(p, QRectF(180, 3, 18, 18), c.glyph);
    separator(p, 199, 4, 20);
    drawStar(p, QRectF(200, 3, 18, 18), c.glyph);
    drawPower(p, QRectF(219, 3, 18, 18), c.glyph);
    return image;
}

} // namespace orvane
