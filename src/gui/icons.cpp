#include "gui/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace orv::gui {

namespace {

constexpr int kSize = 32;

void arrow(QPainter& p, QPointF from, QPointF to) {
    p.drawLine(from, to);
    QLineF l(to, from);
    QLineF a = l, b = l;
    a.setLength(7);
    b.setLength(7);
    a.setAngle(l.angle() + 30);
    b.setAngle(l.angle() - 30);
    p.drawLine(a);
    p.drawLine(b);
}

void label(QPainter& p, const QString& text, int px = 13) {
    QFont f = p.font();
    f.setPixelSize(px);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(0, 0, kSize, kSize), Qt::AlignCenter, text);
}

void curve(QPainter& p) {
    QPainterPath path(QPointF(4, 24));
    path.cubicTo(10, 2, 22, 30, 28, 8);
    p.drawPath(path);
}

void draw(QPainter& p, int c) {
    QPen pen(QColor(30, 50, 90), 2.2);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    switch (c) {
        case 57600: p.drawRect(8, 4, 16, 24); return;
        case 57601: p.drawRect(5, 10, 22, 16); p.drawLine(5, 10, 12, 5); p.drawLine(12, 5, 27, 5); return;
        case 57603: p.drawRect(5, 5, 22, 22); p.fillRect(10, 5, 12, 8, p.pen().color()); return;
        case 57669: label(p, "?", 20); return;
        case 57643: arrow(p, {24, 20}, {8, 12}); return;
        case 57644: arrow(p, {8, 20}, {24, 12}); return;
        case 3600: arrow(p, {24, 26}, {8, 8}); return;
        case 3002: for (int i = 8; i <= 24; i += 4) p.drawPoint(i, i); label(p, "·", 8); return;
        case 3100: p.drawLine(4, 16, 28, 16); p.drawLine(16, 4, 16, 28); return;
        case 3101: p.drawEllipse(6, 6, 20, 20); p.drawLine(16, 6, 16, 26); return;
        case 3102: for (int i = 6; i <= 26; i += 5) { p.drawLine(6, i, 26, i); p.drawLine(i, 6, i, 26); } return;
        case 3103: p.setBrush(QColor(120, 140, 180)); p.drawEllipse(6, 6, 20, 20); return;
        case 3104: p.setBrush(QColor(220, 180, 60)); p.drawEllipse(6, 6, 20, 20); return;
        case 3105: { QRadialGradient g(12, 12, 16); g.setColorAt(0, Qt::white); g.setColorAt(1, QColor(200, 150, 40)); p.setBrush(g); p.drawEllipse(6, 6, 20, 20); return; }
        case 3200: label(p, "3D"); return;
        case 3201: label(p, "F"); return;
        case 3202: label(p, "R"); return;
        case 3203: label(p, "T"); return;
        case 3204: label(p, "Bk"); return;
        case 3205: label(p, "L"); return;
        case 3206: label(p, "Bt"); return;
        case 3310: p.drawRect(4, 8, 11, 16); p.drawRect(17, 8, 11, 16); return;
        case 3311: p.drawRect(8, 4, 16, 11); p.drawRect(8, 17, 16, 11); return;
        case 3300: case 3301: p.drawRect(4, 4, 11, 11); p.drawRect(17, 4, 11, 11); p.drawRect(4, 17, 11, 11); p.drawRect(17, 17, 11, 11); if (c == 3301) label(p, "b", 10); return;
        case 3400: arrow(p, {16, 26}, {16, 6}); return;
        case 3401: arrow(p, {16, 6}, {16, 26}); return;
        case 3402: arrow(p, {26, 16}, {6, 16}); return;
        case 3403: arrow(p, {6, 16}, {26, 16}); return;
        case 3410: p.drawEllipse(5, 5, 16, 16); p.drawLine(20, 20, 28, 28); p.drawLine(9, 13, 17, 13); p.drawLine(13, 9, 13, 17); return;
        case 3411: p.drawEllipse(5, 5, 16, 16); p.drawLine(20, 20, 28, 28); p.drawLine(9, 13, 17, 13); return;
        case 3412: p.setPen(QPen(p.pen().color(), 2, Qt::DashLine)); p.drawRect(5, 8, 22, 16); return;
        case 3413: p.drawRect(4, 4, 24, 24); arrow(p, {16, 16}, {6, 6}); arrow(p, {16, 16}, {26, 26}); return;
        case 3414: label(p, "1:1", 11); return;
        case 3420: case 3421: case 3422: case 3423: {
            p.drawEllipse(6, 6, 20, 20);
            QPointF tips[] = {{16, 4}, {16, 28}, {4, 16}, {28, 16}};
            arrow(p, {16, 16}, tips[c - 3420]);
            return;
        }
        case 3430: case 3431: {
            p.drawArc(6, 6, 20, 20, 30 * 16, 270 * 16);
            arrow(p, {16, 16}, c == 3430 ? QPointF(6, 10) : QPointF(26, 10));
            return;
        }
        case 3440: label(p, "↺", 20); return;
        case 4000: label(p, "✂", 18); return;
        case 4001: case 7001: curve(p); p.drawLine(16, 2, 16, 30); return;
        case 4002: case 7002: curve(p); p.drawLine(2, 16, 30, 16); return;
        case 4003: case 7003: curve(p); label(p, "180", 9); return;
        case 4004: case 7004: p.drawEllipse(6, 6, 20, 20); p.drawLine(16, 2, 16, 30); p.drawLine(2, 16, 30, 16); return;
        case 4005: case 7005: p.drawRect(4, 14, 8, 8); p.drawRect(20, 10, 8, 8); arrow(p, {12, 18}, {20, 14}); return;
        case 4006: case 7006: p.drawArc(4, 4, 24, 24, 0, 270 * 16); arrow(p, {28, 16}, {28, 20}); return;
        case 5000: arrow(p, {16, 16}, {16, 3}); arrow(p, {16, 16}, {16, 29}); arrow(p, {16, 16}, {3, 16}); arrow(p, {16, 16}, {29, 16}); return;
        case 5001: p.drawRect(4, 14, 10, 10); p.drawRect(4, 4, 24, 24); return;
        case 5002: p.drawEllipse(10, 4, 12, 24); arrow(p, {16, 4}, {22, 6}); return;
        case 5003: p.drawEllipse(4, 4, 24, 24); arrow(p, {26, 10}, {22, 5}); return;
        case 5010: p.drawLine(6, 26, 26, 26); p.drawLine(6, 26, 6, 6); p.drawLine(6, 26, 18, 14); return;
        case 7000: curve(p); return;
        case 7021: p.drawEllipse(5, 5, 22, 22); return;
        case 7100: p.drawEllipse(6, 8, 20, 16); return;
        case 7101: p.drawArc(6, 8, 20, 16, 30 * 16, 300 * 16); return;
        case 8000: p.drawRect(6, 10, 14, 14); p.drawLine(6, 10, 12, 4); p.drawLine(20, 10, 26, 4); p.drawLine(12, 4, 26, 4); p.drawLine(26, 4, 26, 18); p.drawLine(26, 18, 20, 24); return;
        case 8001: p.drawEllipse(4, 10, 24, 12); p.drawLine(16, 2, 16, 30); return;
        case 8002: p.drawEllipse(10, 4, 12, 24); p.drawLine(2, 16, 30, 16); return;
        case 8004: p.drawArc(4, 4, 24, 8, 0, 180 * 16); p.drawArc(4, 20, 24, 8, 0, 180 * 16); p.drawLine(4, 8, 4, 24); p.drawLine(28, 8, 28, 24); return;
        case 8005: p.setPen(QPen(p.pen().color(), 6, Qt::SolidLine, Qt::RoundCap)); curve(p); return;
        case 8006: curve(p); p.drawLine(4, 28, 28, 28); return;
        case 9000: p.drawEllipse(4, 8, 16, 16); p.drawEllipse(12, 8, 16, 16); return;
        case 9001: p.setBrush(QColor(120, 140, 180)); p.drawEllipse(4, 8, 16, 16); p.drawEllipse(12, 8, 16, 16); return;
        case 9002: p.setBrush(QColor(120, 140, 180)); p.drawEllipse(4, 8, 16, 16); p.setBrush(Qt::white); p.drawEllipse(12, 8, 16, 16); return;
        case 9003: p.drawEllipse(2, 8, 14, 14); p.drawEllipse(16, 8, 14, 14); return;
        default: break;
    }
    if (c >= 6000 && c <= 6010) {
        static const char* names[] = {"B", "B2", "T", "T2", "ST", "S2", "Sk", "Sk2", "Tw", "STw", "W"};
        label(p, names[c - 6000], 11);
        return;
    }
    if (c == 6100 || c == 6101) {
        label(p, c == 6100 ? "UV" : "PM", 11);
        return;
    }
    label(p, QString::number(c % 100), 10);
}

}  // namespace

QIcon commandIcon(int command) {
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, command);
    p.end();
    return QIcon(pm);
}

}  // namespace orv::gui
