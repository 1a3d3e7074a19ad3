#pragma once

#include "feedback/Anchor.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <optional>

// The geometry of the pill and the prompt panel as pure functions of the screens, so that every
// corner case can be tried without a display. Coordinates are Qt's logical ones (origin at the
// top left of the desktop, y downwards) unless a name says "native".
namespace ScreenGeometry {

struct Screen {
    QRectF geometry;  // the whole screen
    QRectF available; // without panels and docks
    qreal scale = 1;  // device pixels per logical pixel
};

// The screens now, the primary one first.
QList<Screen> currentScreens();

// A rectangle in the display's own pixels (as accessibility services report them) in logical
// coordinates. Each screen keeps its top-left corner in both systems and scales what lies
// inside it, so the rectangle is mapped by the first screen it meets (a zero-width caret box
// counts as 1 pixel wider on either side). Nothing when it meets no screen.
std::optional<QRectF> fromNative(const QRectF& native, const QList<Screen>& screens);

// The pill's top-left corner for an anchor and the pill's size, kept 8 pixels inside the
// visible area of the anchor's screen (or the primary one); unchanged when there are no screens.
QPointF pillOrigin(const Anchor& anchor, const QSizeF& size, const QList<Screen>& screens);

// The prompt panel's top-left corner: 12 pixels right of and below the pointer, kept 8 pixels
// inside the visible area of the pointer's screen (or the primary one).
QPointF panelOrigin(const QPointF& pointer, const QSizeF& size, const QList<Screen>& screens);

} // namespace ScreenGeometry
