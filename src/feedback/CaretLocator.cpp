#include "feedback/CaretLocator.h"

#include "base/Log.h"

#include <cmath>

namespace {

QString describe(const QRectF& r) {
    const auto number = [](qreal value) { return QString::number(value, 'f', 1); };
    return QStringLiteral("(%1, %2, %3, %4)")
        .arg(number(r.x()), number(r.y()), number(r.width()), number(r.height()));
}

bool finite(const QRectF& r) {
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) &&
           std::isfinite(r.height());
}

} // namespace

CaretLocator::CaretLocator(Accessibility& accessibility, Desktop desktop)
    : m_accessibility(accessibility)
    , m_desktop(std::move(desktop)) {}

void CaretLocator::setWindowOrigin(std::function<WindowOrigin()> windowOrigin) {
    m_windowOrigin = std::move(windowOrigin);
}

QCoro::Task<Anchor> CaretLocator::anchor() {
    const WindowOrigin origin = m_windowOrigin ? m_windowOrigin() : WindowOrigin{};
    if (origin.space == WindowOrigin::Space::unknown) {
        note(QStringLiteral("this desktop does not say where windows are, so text positions "
                            "within them cannot be placed; a fixed spot instead."));
        co_return fixedSpot();
    }
    m_windowOffset = origin.space == WindowOrigin::Space::window ? origin.topLeft : QPointF();
    const Accessibility::FocusedElement focused = co_await m_accessibility.focusedElement();
    if (focused.status == Accessibility::FocusedElement::Status::noElement ||
        focused.status == Accessibility::FocusedElement::Status::notExposed) {
        note(QStringLiteral("no focused element."));
        co_return pointerAnchor();
    }
    if (const std::optional<QRectF> caret = co_await endOfSelection()) {
        co_return Anchor{*caret, Anchor::Placement::afterText};
    }
    const std::optional<QRectF> frame = co_await m_accessibility.frame();
    if (frame && frame->width() > 0 && frame->height() > 0 && finite(*frame)) {
        if (const std::optional<QRectF> box = toScreen(*frame)) {
            co_return Anchor{*box, Anchor::Placement::besideBoxBottom};
        }
    }
    const QString role = focused.status == Accessibility::FocusedElement::Status::found
                             ? focused.role
                             : QStringLiteral("an element with no role");
    const QString interfaces = co_await interfaceList();
    note(role + QStringLiteral(" would not say where its text is. Attributes: ") + interfaces +
         QStringLiteral("."));
    co_return pointerAnchor();
}

// The caret box at the end of the selection; past the end of the text, where the box is empty,
// a zero-width box at the right edge of the last character instead.
QCoro::Task<std::optional<QRectF>> CaretLocator::endOfSelection() {
    const std::optional<Accessibility::TextRange> selection =
        co_await m_accessibility.selectedTextRange();
    if (!selection || selection->location < 0) {
        co_return std::nullopt;
    }
    const qint64 end = selection->location + selection->length;
    if (std::optional<QRectF> caret = co_await usableBounds({end, 0})) {
        co_return caret;
    }
    if (end < 1) {
        co_return std::nullopt;
    }
    if (const std::optional<QRectF> last = co_await usableBounds({end - 1, 1})) {
        co_return QRectF(last->right(), last->top(), 0, last->height());
    }
    co_return std::nullopt;
}

QCoro::Task<std::optional<QRectF>> CaretLocator::usableBounds(Accessibility::TextRange range) {
    const std::optional<QRectF> box = co_await m_accessibility.boundsForRange(range);
    if (!box) {
        note(QStringLiteral("AXBoundsForRange returned no value."));
        co_return std::nullopt;
    }
    if (!finite(*box) || box->height() <= 0) {
        note(QStringLiteral("AXBoundsForRange gave an unusable rectangle."));
        co_return std::nullopt;
    }
    co_return toScreen(*box);
}

QCoro::Task<QString> CaretLocator::interfaceList() {
    const std::optional<QStringList> names = co_await m_accessibility.interfaceNames();
    co_return names ? names->join(QStringLiteral(", ")) : QStringLiteral("none");
}

std::optional<QRectF> CaretLocator::toScreen(const QRectF& reported) {
    const QList<ScreenGeometry::Screen> screens = m_desktop.screens();
    if (screens.isEmpty()) {
        return std::nullopt;
    }
    const QRectF native = reported.translated(m_windowOffset);
    if (std::optional<QRectF> logical = ScreenGeometry::fromNative(native, screens)) {
        return logical;
    }
    // Mapped with the primary screen, to say where it would have been.
    const ScreenGeometry::Screen& primary = screens.first();
    const QPointF origin = primary.geometry.topLeft();
    const QRectF mapped(origin + (native.topLeft() - origin) / primary.scale,
                        native.size() / primary.scale);
    note(describe(native) + QStringLiteral(" is on no screen once flipped (") + describe(mapped) +
         QStringLiteral(")."));
    return std::nullopt;
}

Anchor CaretLocator::pointerAnchor() const {
    return Anchor{QRectF(m_desktop.pointer(), QSizeF(0, 0)), Anchor::Placement::underPointer};
}

// Low on the primary screen, in the middle, where notifications do not usually go.
Anchor CaretLocator::fixedSpot() const {
    const QList<ScreenGeometry::Screen> screens = m_desktop.screens();
    if (screens.isEmpty()) {
        return pointerAnchor();
    }
    const QRectF screen = screens.first().geometry;
    return Anchor{
        QRectF(QPointF(screen.center().x(), screen.top() + screen.height() * 0.8), QSizeF(0, 0)),
        Anchor::Placement::underPointer};
}

void CaretLocator::note(const QString& message) {
    if (m_noted.contains(message)) {
        return;
    }
    m_noted.insert(message);
    Log::info(QStringLiteral("Pill anchor: ") + message);
}
