#include "feedback/ScreenGeometry.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace {

constexpr qreal pillMargin = 8;
// The pill beside a box centres on a point this far above the box's bottom edge.
constexpr qreal besideBoxLift = 26;
constexpr qreal panelOffset = 12;
constexpr qreal panelMargin = 8;

// The rectangle widened by one pixel on the left and on the right, so that a caret box of no
// width still meets the screen it is on.
QRectF probe(const QRectF& rect) {
    return rect.adjusted(-1, 0, 1, 0);
}

// QRectF::intersects treats rectangles without area as meeting nothing.
bool meets(const QRectF& a, const QRectF& b) {
    return a.left() < b.right() && b.left() < a.right() && a.top() < b.bottom() &&
           b.top() < a.bottom();
}

bool holds(const QRectF& area, const QPointF& point) {
    return point.x() >= area.left() && point.x() < area.right() && point.y() >= area.top() &&
           point.y() < area.bottom();
}

QRectF nativeGeometry(const ScreenGeometry::Screen& screen) {
    return QRectF(screen.geometry.topLeft(), screen.geometry.size() * screen.scale);
}

// Keeps [start, start + length] inside [low + margin, high - margin]; when it cannot fit, the
// side named by lowWins stays inside.
qreal clamp(qreal start, qreal length, qreal low, qreal high, qreal margin, bool lowWins) {
    const qreal least = low + margin;
    const qreal most = high - length - margin;
    return lowWins ? std::max(std::min(start, most), least)
                   : std::min(std::max(start, least), most);
}

} // namespace

namespace ScreenGeometry {

QList<Screen> currentScreens() {
    QList<Screen> screens;
    QScreen* primary = QGuiApplication::primaryScreen();
    for (QScreen* screen : QGuiApplication::screens()) {
        const Screen entry{screen->geometry(), screen->availableGeometry(),
                           screen->devicePixelRatio()};
        if (screen == primary) {
            screens.prepend(entry);
        } else {
            screens.append(entry);
        }
    }
    return screens;
}

std::optional<QRectF> fromNative(const QRectF& native, const QList<Screen>& screens) {
    for (const Screen& screen : screens) {
        if (meets(nativeGeometry(screen), probe(native))) {
            const QPointF origin = screen.geometry.topLeft();
            return QRectF(origin + (native.topLeft() - origin) / screen.scale,
                          native.size() / screen.scale);
        }
    }
    return std::nullopt;
}

QPointF pillOrigin(const Anchor& anchor, const QSizeF& size, const QList<Screen>& screens) {
    const QRectF& a = anchor.rect;
    const qreal w = size.width();
    const qreal h = size.height();
    const Screen* screen = nullptr;
    for (const Screen& candidate : screens) {
        if (meets(candidate.geometry, probe(a))) {
            screen = &candidate;
            break;
        }
    }
    if (screen == nullptr && !screens.isEmpty()) {
        screen = &screens.first();
    }
    const QRectF v = screen != nullptr ? screen->available : QRectF();
    qreal x = 0;
    qreal y = 0;
    switch (anchor.placement) {
    case Anchor::Placement::afterText:
        x = a.right() + pillMargin;
        y = a.center().y() - h / 2;
        if (screen != nullptr && x + w > v.right() - pillMargin) { // no room: below the caret
            x = a.right() - w;
            y = a.bottom() + pillMargin;
        }
        break;
    case Anchor::Placement::besideBoxBottom:
        x = a.left() - pillMargin - w;
        y = a.bottom() - besideBoxLift - h / 2;
        if (screen != nullptr && x < v.left() + pillMargin) { // no room: below the box
            x = a.left();
            y = a.bottom() + pillMargin;
        }
        break;
    case Anchor::Placement::underPointer:
        x = a.left();
        y = a.bottom() + pillMargin;
        break;
    }
    if (screen == nullptr) {
        return {x, y};
    }
    if (y + h > v.bottom() - pillMargin) { // too low: above the anchor instead
        y = a.top() - pillMargin - h;
    }
    // On a screen smaller than the pill, its right edge and its top edge stay visible.
    return {clamp(x, w, v.left(), v.right(), pillMargin, false),
            clamp(y, h, v.top(), v.bottom(), pillMargin, true)};
}

QPointF panelOrigin(const QPointF& pointer, const QSizeF& size, const QList<Screen>& screens) {
    const qreal x = pointer.x() + panelOffset;
    const qreal y = pointer.y() + panelOffset;
    if (screens.isEmpty()) {
        return {x, y};
    }
    const auto holder = std::find_if(screens.begin(), screens.end(),
                                     [&](const Screen& s) { return holds(s.geometry, pointer); });
    const QRectF v = (holder != screens.end() ? *holder : screens.first()).available;
    return {clamp(x, size.width(), v.left(), v.right(), panelMargin, false),
            clamp(y, size.height(), v.top(), v.bottom(), panelMargin, true)};
}

} // namespace ScreenGeometry
