#include "app/ToolbarArtwork.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>
#include <numbers>

namespace tickora {

namespace {

const QColor kInk(58, 58, 72);
const QColor kAccent(128, 41, 113); // the program's dark purple
const QColor kGreen(0, 119, 0);
const QColor kRed(204, 0, 0);
const QColor kBlue(51, 51, 204);

// A rounded tile behind every glyph, so the buttons read as buttons on the grey panel.
void DrawTile(QPainter& p) {
    p.setPen(QPen(QColor(150, 150, 158), 1));
    QLinearGradient g(0, 2, 0, 38);
    g.setColorAt(0, QColor(255, 255, 255));
    g.setColorAt(1, QColor(226, 226, 232));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(1.5, 1.5, 37, 37), 7, 7);
}

void Play(QPainter& p, QColor c) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(QPolygonF({QPointF(14, 10), QPointF(30, 20), QPointF(14, 30)}));
}

void Glyph(QPainter& p, ToolbarButton button) {
    switch (button) {
    case ToolbarButton::Start:
        Play(p, kGreen);
        break;
    case ToolbarButton::Resume:
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawRect(QRectF(11, 10, 4, 20));
        p.drawPolygon(QPolygonF({QPointF(18, 10), QPointF(31, 20), QPointF(18, 30)}));
        break;
    case ToolbarButton::Pause:
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawRoundedRect(QRectF(12, 10, 6, 20), 1.5, 1.5);
        p.drawRoundedRect(QRectF(22, 10, 6, 20), 1.5, 1.5);
        break;
    case ToolbarButton::Stop:
        p.setPen(Qt::NoPen);
        p.setBrush(kRed);
        p.drawRoundedRect(QRectF(11, 11, 18, 18), 2.5, 2.5);
        break;
    case ToolbarButton::LongTerm: {
        // Three stacked curves, as on the long-term chart.
        p.setBrush(Qt::NoBrush);
        const QColor colours[] = {QColor(153, 0, 102), kBlue, kGreen};
        for (int k = 0; k < 3; ++k) {
            QPainterPath path;
            const double y0 = 12 + k * 8;
            path.moveTo(8, y0);
            for (int x = 8; x <= 32; x += 2)
                path.lineTo(x, y0 + 2.5 * std::sin((x + 5 * k) * 0.45));
            p.setPen(QPen(colours[k], 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPath(path);
        }
        break;
    }
    case ToolbarButton::Scope: {
        p.setPen(QPen(QColor(200, 200, 208), 1));
        p.drawLine(QPointF(7, 20), QPointF(33, 20));
        QPainterPath path;
        path.moveTo(7, 20);
        for (double x = 7; x <= 33; x += 0.5) {
            const double envelope = std::exp(-std::pow((x - 17) / 4.0, 2));
            path.lineTo(x, 20 - 11 * envelope * std::sin((x - 7) * 2.1));
        }
        p.setPen(QPen(kAccent, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(path);
        break;
    }
    case ToolbarButton::Annotate: {
        // A pencil over a written line.
        p.setPen(QPen(kInk, 1.5));
        p.drawLine(QPointF(9, 31), QPointF(31, 31));
        p.save();
        p.translate(21, 19);
        p.rotate(-45);
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(236, 180, 64));
        p.drawRect(QRectF(-9, -3, 15, 6));
        p.setBrush(QColor(232, 150, 170));
        p.drawRect(QRectF(6, -3, 4, 6));
        p.setBrush(QColor(240, 220, 180));
        p.drawPolygon(QPolygonF({QPointF(-9, -3), QPointF(-14, 0), QPointF(-9, 3)}));
        p.restore();
        break;
    }
    case ToolbarButton::Sequence: {
        // A watch seen from the dial, with six marks around it for the six positions and a
        // play sign: measure them one after the other.
        p.setPen(QPen(kInk, 1.4));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(20, 20), 9.5, 9.5);
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        for (int k = 0; k < 6; ++k) {
            const double a = k * std::numbers::pi / 3;
            p.drawEllipse(QPointF(20 + 14.5 * std::cos(a), 20 + 14.5 * std::sin(a)), 1.8, 1.8);
        }
        p.setBrush(kGreen);
        p.drawPolygon(QPolygonF({QPointF(17, 14), QPointF(26, 20), QPointF(17, 26)}));
        break;
    }
    case ToolbarButton::Shapes: {
        // A beat's sound: a small first burst and the loud drop, with the drop marked.
        p.setPen(QPen(kInk, 1.0));
        p.drawLine(QPointF(6, 31), QPointF(34, 31));
        p.setPen(QPen(kAccent, 1.6));
        p.drawPolyline(QPolygonF({QPointF(6, 30), QPointF(10, 30), QPointF(11, 22), QPointF(13, 28),
                                  QPointF(15, 30), QPointF(22, 30), QPointF(23, 9), QPointF(25, 20),
                                  QPointF(27, 25), QPointF(30, 28), QPointF(34, 30)}));
        QPen mark(kGreen, 1.2, Qt::DotLine);
        p.setPen(mark);
        p.drawLine(QPointF(10.5, 7), QPointF(10.5, 31));
        mark.setColor(kRed);
        p.setPen(mark);
        p.drawLine(QPointF(23, 7), QPointF(23, 31));
        break;
    }
    case ToolbarButton::AnalyseAgain: {
        // The page's sound under a turning arrow: read it once more.
        p.setPen(QPen(kAccent, 1.5));
        p.drawPolyline(
            QPolygonF({QPointF(9, 22), QPointF(13, 22), QPointF(15, 15), QPointF(17, 28),
                       QPointF(19, 18), QPointF(21, 24), QPointF(23, 22), QPointF(31, 22)}));
        p.setPen(QPen(kBlue, 1.8));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(6, 6, 28, 28), 30 * 16, 240 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawPolygon(QPolygonF({QPointF(32.5, 8.5), QPointF(33.5, 16.5), QPointF(26, 13)}));
        break;
    }
    case ToolbarButton::Report:
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(11, 7, 18, 26));
        p.setPen(QPen(kBlue, 1.5));
        for (int k = 0; k < 4; ++k)
            p.drawLine(QPointF(14, 13 + 5 * k), QPointF(k == 3 ? 21 : 26, 13 + 5 * k));
        break;
    case ToolbarButton::Export:
        // A framed picture with a downward arrow: save the picture.
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 8, 22, 17));
        p.setPen(QPen(kGreen, 1.5));
        p.drawPolyline(QPolygonF(
            {QPointF(9, 21), QPointF(14, 15), QPointF(18, 19), QPointF(22, 12), QPointF(27, 18)}));
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawRect(QRectF(27, 20, 4, 7));
        p.drawPolygon(QPolygonF({QPointF(24, 27), QPointF(34, 27), QPointF(29, 33)}));
        break;
    case ToolbarButton::Settings: {
        QPainterPath gear;
        const int teeth = 8;
        for (int k = 0; k < teeth * 2; ++k) {
            const double a = k * std::numbers::pi / teeth;
            const double r = (k % 2 == 0) ? 13.0 : 10.0;
            const double a1 = a - std::numbers::pi / teeth / 2.2;
            const double a2 = a + std::numbers::pi / teeth / 2.2;
            const QPointF p1(20 + r * std::cos(a1), 20 + r * std::sin(a1));
            const QPointF p2(20 + r * std::cos(a2), 20 + r * std::sin(a2));
            if (k == 0)
                gear.moveTo(p1);
            else
                gear.lineTo(p1);
            gear.lineTo(p2);
        }
        gear.closeSubpath();
        gear.addEllipse(QPointF(20, 20), 4.5, 4.5);
        gear.setFillRule(Qt::OddEvenFill);
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(140, 140, 152));
        p.drawPath(gear);
        break;
    }
    case ToolbarButton::Previous:
    case ToolbarButton::Next: {
        const double d = button == ToolbarButton::Next ? 1 : -1;
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawPolygon(
            QPolygonF({QPointF(20 - 9 * d, 15), QPointF(20 + 1 * d, 15), QPointF(20 + 1 * d, 9),
                       QPointF(20 + 11 * d, 20), QPointF(20 + 1 * d, 31), QPointF(20 + 1 * d, 25),
                       QPointF(20 - 9 * d, 25)}));
        break;
    }
    }
}

// Greyed twin: desaturate and fade toward the panel grey.
QImage Greyed(const QImage& live) {
    QImage out = live.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb c = row[x];
            const int grey = qGray(c);
            const int faded = 140 + (grey * 100) / 255;
            row[x] = qRgba(faded, faded, faded, qAlpha(c) * 3 / 4);
        }
    }
    return out;
}

} // namespace

QImage ToolbarPicture(ToolbarButton button, bool disabled) {
    QImage image(kToolbarImageSize, kToolbarImageSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        DrawTile(p);
        Glyph(p, button);
    }
    return disabled ? Greyed(image) : image;
}

} // namespace tickora
