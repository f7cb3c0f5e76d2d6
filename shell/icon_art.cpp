#include "shell/icon_art.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>
#include <numbers>

namespace zolt {

namespace {

const QColor kInk(40, 40, 40);
const QColor kPaper(255, 255, 255);
const QColor kFold(210, 210, 210);
const QColor kCyan(25, 181, 216);
const QColor kCyanEdge(11, 109, 133);
const QColor kGreen(40, 160, 60);
const QColor kBlue(36, 96, 190);

QPen Outline(const QColor& colour, double width = 1.0) {
    QPen pen(colour, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

void Page(QPainter& p, double left, double top, double right, double bottom) {
    const double fold = (right - left) * 0.35;
    p.setPen(Outline(kInk));
    p.setBrush(kPaper);
    p.drawPolygon(QPolygonF(
        {{left, top}, {right - fold, top}, {right, top + fold}, {right, bottom}, {left, bottom}}));
    p.setBrush(kFold);
    p.drawPolygon(
        QPolygonF({{right - fold, top}, {right - fold, top + fold}, {right, top + fold}}));
}

void New(QPainter& p) {
    Page(p, 3.5, 1.5, 14.5, 16.5);
}

void Open(QPainter& p) {
    p.setPen(Outline(QColor(122, 86, 16)));
    p.setBrush(QColor(214, 166, 58));
    p.drawPolygon(QPolygonF(
        {{1.5, 15.5}, {1.5, 3.5}, {6.0, 3.5}, {7.5, 5.0}, {13.5, 5.0}, {13.5, 8.0}, {4.0, 8.0}}));
    p.setBrush(QColor(250, 210, 96));
    p.drawPolygon(QPolygonF({{4.0, 8.0}, {17.0, 8.0}, {14.0, 15.5}, {1.5, 15.5}}));
}

void Save(QPainter& p) {
    p.setPen(Outline(QColor(20, 40, 90)));
    p.setBrush(kBlue);
    p.drawPolygon(QPolygonF({{2.0, 2.0}, {14.5, 2.0}, {16.0, 3.5}, {16.0, 16.0}, {2.0, 16.0}}));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 204, 212));
    p.drawRect(QRectF(5.0, 2.5, 8.0, 4.5));
    p.setBrush(QColor(36, 52, 80));
    p.drawRect(QRectF(10.0, 3.2, 1.6, 3.0));
    p.setBrush(kPaper);
    p.drawRect(QRectF(4.0, 9.5, 10.0, 6.0));
    p.setPen(Outline(QColor(150, 150, 160), 0.8));
    p.drawLine(QPointF(5.5, 11.5), QPointF(12.5, 11.5));
    p.drawLine(QPointF(5.5, 13.5), QPointF(12.5, 13.5));
}

void Properties(QPainter& p) {
    p.setPen(Outline(kInk));
    p.setBrush(kPaper);
    p.drawRect(QRectF(2.5, 1.5, 10.0, 15.0));
    p.setPen(Outline(QColor(120, 120, 130), 1.0));
    for (double y : {4.5, 7.5, 10.5, 13.5})
        p.drawLine(QPointF(4.5, y), QPointF(y < 10 ? 10.5 : 8.0, y));
    // The pen, lying across the form's corner.
    p.setPen(Outline(QColor(90, 60, 10), 0.8));
    p.setBrush(QColor(240, 180, 40));
    p.drawPolygon(QPolygonF({{15.2, 3.0}, {17.0, 4.8}, {10.2, 14.2}, {8.4, 12.4}}));
    p.setBrush(kInk);
    p.drawPolygon(QPolygonF({{8.4, 12.4}, {10.2, 14.2}, {7.6, 15.6}}));
}

void About(QPainter& p) {
    QPainterPath hook;
    hook.moveTo(5.2, 6.4);
    hook.cubicTo(5.2, 2.2, 12.8, 2.2, 12.8, 6.2);
    hook.cubicTo(12.8, 9.0, 9.0, 9.2, 9.0, 11.8);
    p.setPen(Outline(kBlue, 2.6));
    p.setBrush(Qt::NoBrush);
    p.drawPath(hook);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(9.0, 15.2), 1.55, 1.55);
}

// The set itself, computed at the icon's resolution: each pixel's cover is sampled at four
// points, so the edge is smooth at every size.
void Generate(QPainter& p, int pixels) {
    if (pixels <= 0)
        return;
    constexpr double kLeft = -2.05;
    constexpr double kTop = -1.3;
    constexpr double kSpan = 2.6;
    constexpr int kLimit = 64;
    QImage silhouette(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    for (int py = 0; py < pixels; ++py) {
        auto* line = reinterpret_cast<QRgb*>(silhouette.scanLine(py));
        for (int px = 0; px < pixels; ++px) {
            int inside = 0;
            for (int s = 0; s < 4; ++s) {
                const double cr = kLeft + (px + 0.25 + 0.5 * (s % 2)) * kSpan / pixels;
                const double ci = kTop + (py + 0.25 + 0.5 * (s / 2)) * kSpan / pixels;
                double zr = 0.0;
                double zi = 0.0;
                int n = 0;
                while (n < kLimit && zr * zr + zi * zi <= 4.0) {
                    const double t = zr * zr - zi * zi + cr;
                    zi = 2.0 * zr * zi + ci;
                    zr = t;
                    ++n;
                }
                inside += n == kLimit ? 1 : 0;
            }
            line[px] = qRgba(0, 0, 0, inside * 255 / 4);
        }
    }
    p.drawImage(QRectF(0.0, 0.0, kArtUnits, kArtUnits), silhouette);
}

void Stop(QPainter& p) {
    p.setPen(Outline(QColor(120, 10, 10)));
    p.setBrush(QColor(214, 32, 32));
    p.drawEllipse(QPointF(9.0, 9.0), 7.5, 7.5);
    p.setPen(Outline(kPaper, 2.2));
    p.drawLine(QPointF(6.0, 6.0), QPointF(12.0, 12.0));
    p.drawLine(QPointF(12.0, 6.0), QPointF(6.0, 12.0));
}

void Continue(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 90, 96));
    p.drawRect(QRectF(2.5, 3.5, 2.6, 11.0));
    p.setPen(Outline(QColor(20, 90, 30)));
    p.setBrush(kGreen);
    p.drawPolygon(QPolygonF({{7.5, 3.0}, {16.5, 9.0}, {7.5, 15.0}}));
}

void Skip(QPainter& p) {
    p.setPen(Outline(kInk));
    p.setBrush(QColor(190, 214, 240));
    p.drawRect(QRectF(1.5, 11.5, 5.0, 5.0));
    p.drawRect(QRectF(11.5, 11.5, 5.0, 5.0));
    QPainterPath jump;
    jump.moveTo(4.0, 10.5);
    jump.cubicTo(4.0, 2.5, 14.0, 2.5, 14.0, 7.5);
    p.setPen(Outline(kBlue, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawPath(jump);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawPolygon(QPolygonF({{11.4, 7.0}, {16.6, 7.0}, {14.0, 10.6}}));
}

void Home(QPainter& p) {
    p.setPen(Outline(kInk));
    p.setBrush(QColor(150, 150, 150));
    p.drawRect(QRectF(12.0, 2.5, 2.0, 4.5));
    p.setBrush(QColor(246, 232, 196));
    p.drawRect(QRectF(3.5, 8.5, 11.0, 8.0));
    p.setBrush(QColor(196, 58, 40));
    p.drawPolygon(QPolygonF({{1.0, 9.5}, {9.0, 2.0}, {17.0, 9.5}}));
    p.setBrush(QColor(120, 72, 30));
    p.drawRect(QRectF(7.5, 11.5, 3.0, 5.0));
}

void Arrow(QPainter& p, bool left) {
    QPolygonF arrow(
        {{1.5, 9.0}, {8.5, 2.5}, {8.5, 6.0}, {16.5, 6.0}, {16.5, 12.0}, {8.5, 12.0}, {8.5, 15.5}});
    if (!left) {
        for (QPointF& point : arrow)
            point.setX(kArtUnits - point.x());
    }
    p.setPen(Outline(kCyanEdge));
    p.setBrush(kCyan);
    p.drawPolygon(arrow);
}

// An arc of the circle (cx, cy, r) from `from` degrees turning `sweep` degrees anticlockwise,
// with a head at its end.
void CirclingArrow(QPainter& p, double cx, double cy, double r, double from, double sweep) {
    QPainterPath arc;
    const QRectF circle(cx - r, cy - r, 2 * r, 2 * r);
    arc.arcMoveTo(circle, from);
    arc.arcTo(circle, from, sweep);
    p.setPen(Outline(kGreen, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);

    const double end = (from + sweep) * std::numbers::pi / 180.0;
    const QPointF at(cx + r * std::cos(end), cy - r * std::sin(end));
    const QPointF radial(std::cos(end), -std::sin(end));
    const QPointF ahead(-std::sin(end), -std::cos(end));
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawPolygon(QPolygonF({at + radial * 2.0, at - radial * 2.0, at + ahead * 2.4}));
}

void Refresh(QPainter& p) {
    Page(p, 2.5, 1.5, 13.5, 16.5);
    CirclingArrow(p, 10.0, 10.5, 4.4, 20.0, 125.0);
    CirclingArrow(p, 10.0, 10.5, 4.4, 200.0, 125.0);
}

void Eye(QPainter& p) {
    QPainterPath lids;
    lids.moveTo(0.8, 9.0);
    lids.quadTo(9.0, 0.6, 17.2, 9.0);
    lids.quadTo(9.0, 17.4, 0.8, 9.0);
    p.setPen(Outline(QColor(30, 40, 70), 0.9));
    p.setBrush(kPaper);
    p.drawPath(lids);
    p.setClipPath(lids);
    p.setPen(Outline(QColor(16, 52, 120), 0.7));
    p.setBrush(QColor(48, 118, 220));
    p.drawEllipse(QPointF(9.0, 9.0), 4.2, 4.2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(10, 10, 20));
    p.drawEllipse(QPointF(9.0, 9.0), 1.9, 1.9);
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(10.5, 7.6), 0.9, 0.9);
    p.setClipping(false);
}

}  // namespace

void PaintArt(QPainter& p, Art art, int pixels) {
    p.save();
    switch (art) {
        case Art::New:
            New(p);
            break;
        case Art::Open:
            Open(p);
            break;
        case Art::Save:
            Save(p);
            break;
        case Art::Properties:
            Properties(p);
            break;
        case Art::About:
            About(p);
            break;
        case Art::Generate:
            Generate(p, pixels);
            break;
        case Art::Stop:
            Stop(p);
            break;
        case Art::Continue:
            Continue(p);
            break;
        case Art::Skip:
            Skip(p);
            break;
        case Art::Home:
            Home(p);
            break;
        case Art::Back:
            Arrow(p, true);
            break;
        case Art::Forward:
            Arrow(p, false);
            break;
        case Art::Refresh:
            Refresh(p);
            break;
        case Art::AppEye:
            Eye(p);
            break;
    }
    p.restore();
}

}  // namespace zolt
