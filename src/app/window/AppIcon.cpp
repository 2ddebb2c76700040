#include "app/window/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace printbench::app {

namespace {

QPixmap drawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);

    // Paper slip with printed lines and a torn edge.
    QPainterPath paper;
    paper.moveTo(18, 4);
    paper.lineTo(46, 4);
    paper.lineTo(46, 34);
    paper.lineTo(18, 34);
    paper.closeSubpath();
    p.setPen(QPen(QColor(0x55, 0x5f, 0x6b), 1.5));
    p.setBrush(QColor(0xfb, 0xfb, 0xf4));
    p.drawPath(paper);
    p.setPen(QPen(QColor(0x2b, 0x2f, 0x36), 2.2, Qt::SolidLine, Qt::RoundCap));
    for (int y : {11, 17, 23}) p.drawLine(QPointF(23, y), QPointF(y == 17 ? 35 : 41, y));

    // Printer body.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2f, 0x4b, 0x7c));
    p.drawRoundedRect(QRectF(6, 28, 52, 30), 6, 6);
    p.setBrush(QColor(0x1d, 0x30, 0x52));
    p.drawRoundedRect(QRectF(14, 28, 36, 6), 2, 2);
    // Status lamp.
    p.setBrush(QColor(0x4c, 0xd1, 0x6b));
    p.drawEllipse(QPointF(48, 48), 3.5, 3.5);
    p.setBrush(QColor(0xd8, 0xe1, 0xf0));
    p.drawRoundedRect(QRectF(12, 45, 22, 5), 2, 2);
    return pixmap;
}

}  // namespace

QIcon appIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(drawIcon(size));
    return icon;
}

}  // namespace printbench::app
