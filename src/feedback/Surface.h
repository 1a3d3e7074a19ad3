#pragma once

#include <QColor>

class QPainter;
class QRectF;
class QWidget;

// The rounded, borderless backing of the pill and the prompt panel. With a compositor it is a
// translucent window; without one, translucency would show as black corners, so the window is
// opaque and cut to its rounded shape instead.
namespace Surface {

// Before the window is created.
void prepare(QWidget& window, bool translucent);
// After every resize: cuts an opaque window to its rounded shape.
void reshape(QWidget& window, qreal radius, bool translucent);
// The material and its hairline outline.
void paint(QPainter& painter, const QRectF& rect, qreal radius, bool translucent,
           const QColor& outline);

QColor primaryText();
QColor secondaryText();

} // namespace Surface
