#include "app/gui/ProgramIcon.h"

#include <QPainter>
#include <QPixmap>

namespace chordlane {

namespace {

QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x5A, 0x34, 0x1C));  // rosewood fingerboard
    painter.drawRoundedRect(QRectF(s * 0.12, s * 0.04, s * 0.76, s * 0.92), s * 0.12, s * 0.12);
    painter.setPen(QPen(QColor(0xD8, 0xD8, 0xD0), std::max<qreal>(1.0, s / 32)));
    for (int fret = 1; fret <= 3; ++fret) {
        const qreal y = s * (0.04 + 0.23 * fret);
        painter.drawLine(QPointF(s * 0.14, y), QPointF(s * 0.86, y));
    }
    for (int string = 0; string < 6; ++string) {
        const qreal x = s * (0.22 + 0.112 * string);
        painter.setPen(QPen(QColor(0xF2, 0xC2, 0x4A), std::max<qreal>(1.0, s * (0.05 - 0.006 * string))));
        painter.drawLine(QPointF(x, s * 0.06), QPointF(x, s * 0.94));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xE0, 0x40, 0x30));  // the played note
    painter.drawEllipse(QPointF(s * 0.446, s * 0.385), s * 0.08, s * 0.08);
    return pixmap;
}

}  // namespace

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(DrawIcon(size));
    return icon;
}

}  // namespace chordlane
