#include "app/StartupPicture.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include <cmath>
#include <numbers>

namespace tickora {

namespace {
constexpr int kWidth = 420;  // pixels
constexpr int kHeight = 240; // pixels
const QColor kPurple(128, 41, 113);
const QColor kPale(240, 207, 235);

// A watch dial with a beat trace running off it.
void DrawDial(QPainter& p, QPointF centre, double radius) {
    p.setPen(QPen(kPurple, 3));
    p.setBrush(Qt::white);
    p.drawEllipse(centre, radius, radius);
    for (int k = 0; k < 60; ++k) {
        const double a = k * std::numbers::pi / 30;
        const double inner = radius - (k % 5 == 0 ? 12 : 6);
        p.setPen(QPen(QColor(60, 60, 70), k % 5 == 0 ? 2.5 : 1));
        p.drawLine(QPointF(centre.x() + inner * std::sin(a), centre.y() - inner * std::cos(a)),
                   QPointF(centre.x() + (radius - 3) * std::sin(a),
                           centre.y() - (radius - 3) * std::cos(a)));
    }
    p.setPen(QPen(QColor(40, 40, 50), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, centre + QPointF(radius * 0.35, -radius * 0.4));
    p.setPen(QPen(QColor(40, 40, 50), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, centre + QPointF(-radius * 0.1, -radius * 0.72));
    p.setPen(QPen(QColor(204, 0, 0), 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, centre + QPointF(radius * 0.7, radius * 0.3));
    p.setBrush(kPurple);
    p.setPen(Qt::NoPen);
    p.drawEllipse(centre, 4, 4);
}
} // namespace

TStartupPicture::TStartupPicture(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_DeleteOnClose, false);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void TStartupPicture::ShowAsAbout() {
    aboutBox_ = true;
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    QEventLoop loop;
    // The about box is modal: wait here until a click closes it.
    while (isVisible())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    aboutBox_ = false;
}

void TStartupPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, kHeight);
    g.setColorAt(0, Qt::white);
    g.setColorAt(1, kPale);
    p.fillRect(rect(), g);
    p.setPen(QPen(kPurple, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1, 1, kWidth - 2, kHeight - 2));

    DrawDial(p, QPointF(110, 110), 70);

    // A row of trace dots, as the main window draws them.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 30, 30));
    for (int k = 0; k < 40; ++k)
        p.drawRect(QRectF(200 + 5 * k, 150 + 6 * std::sin(k * 0.25) + (k % 2 ? 3 : 0), 2, 2));

    QFont title("Arial");
    title.setPixelSize(44);
    title.setBold(true);
    p.setFont(title);
    p.setPen(kPurple);
    p.drawText(QRectF(200, 50, 210, 56), Qt::AlignLeft | Qt::AlignVCenter, "Tickora");

    QFont small("Arial");
    small.setPixelSize(12);
    p.setFont(small);
    p.setPen(QColor(60, 60, 70));
    p.drawText(QRectF(202, 104, 212, 20), Qt::AlignLeft | Qt::AlignVCenter,
               "Timegrapher for mechanical watches");

    QFont version("Arial");
    version.setPixelSize(16);
    p.setFont(version);
    p.setPen(kPurple);
    p.drawText(QRectF(200, 196, 200, 24), Qt::AlignRight | Qt::AlignVCenter, "1.4");

    if (aboutBox_) {
        QFont mark("Arial");
        mark.setPixelSize(14);
        mark.setBold(true);
        p.setFont(mark);
        p.setPen(QColor(90, 90, 100));
        p.drawText(QRectF(kWidth - 20, 4, 14, 16), Qt::AlignCenter, "x");
    }
}

void TStartupPicture::mousePressEvent(QMouseEvent* event) {
    if (aboutBox_)
        hide();
    QWidget::mousePressEvent(event);
}

} // namespace tickora
