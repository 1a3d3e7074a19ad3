#pragma once

#include "feedback/Anchor.h"
#include "feedback/ScreenGeometry.h"
#include "platform/Accessibility.h"
#include "platform/WindowOrigin.h"

#include <QPointF>
#include <QSet>
#include <QString>

#include <qcoro/qcorotask.h>

#include <functional>
#include <optional>

// Finds where on screen the text being rewritten is, in whatever application has the focus:
// the end of the selection (or the caret), else the element's frame, else the mouse pointer.
// Where the application can only say where its text is within its window and the desktop does
// not say where the window is, a fixed spot on the screen.
// Each dead end is logged once per run of the program as "Pill anchor: ...". Main thread only.
class CaretLocator {
public:
    struct Desktop {
        std::function<QList<ScreenGeometry::Screen>()> screens;
        std::function<QPointF()> pointer; // logical coordinates
    };

    CaretLocator(Accessibility& accessibility, Desktop desktop);
    CaretLocator(const CaretLocator&) = delete;
    CaretLocator& operator=(const CaretLocator&) = delete;

    // Where positions are measured from, asked once per anchor; without it (X11) applications
    // report screen positions.
    void setWindowOrigin(std::function<WindowOrigin()> windowOrigin);

    // Never fails: the pointer is the last resort.
    QCoro::Task<Anchor> anchor();

private:
    QCoro::Task<std::optional<QRectF>> endOfSelection();
    QCoro::Task<std::optional<QRectF>> usableBounds(Accessibility::TextRange range);
    QCoro::Task<QString> interfaceList();
    std::optional<QRectF> toScreen(const QRectF& native);
    Anchor pointerAnchor() const;
    Anchor fixedSpot() const;
    void note(const QString& message);

    Accessibility& m_accessibility;
    Desktop m_desktop;
    QSet<QString> m_noted;
    std::function<WindowOrigin()> m_windowOrigin;
    QPointF m_windowOffset; // of the current anchor's window
};
