#include "feedback/Surface.h"

#include <QBitmap>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

namespace Surface {

void prepare(QWidget& window, bool translucent) {
    window.setAttribute(Qt::WA_TranslucentBackground, translucent);
    window.setAttribute(Qt::WA_NoSystemBackground, translucent);
}

void reshape(QWidget& window, qreal radius, bool translucent) {
    if (translucent) {
        window.clearMask();
        return;
    }
    QBitmap shape(window.size());
    shape.fill(Qt::color0);
    QPainter painter(&shape);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::color1);
    painter.drawRoundedRect(QRectF(QPointF(0, 0), window.size()), radius, radius);
    painter.end();
    window.setMask(shape);
}

void paint(QPainter& painter, const QRectF& rect, qreal radius, bool translucent,
           const QColor& outline) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(246, 245, 248, translucent ? 242 : 255));
    painter.drawRoundedRect(rect, radius, radius);
    painter.setPen(QPen(outline, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
}

QColor primaryText() {
    return QColor(28, 28, 30);
}

QColor secondaryText() {
    return QColor(118, 118, 128);
}

} // namespace Surface
