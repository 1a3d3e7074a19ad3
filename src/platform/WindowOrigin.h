#pragma once

#include <QPointF>

// What the positions an application reports about its text are measured from. An X11 client
// knows where its window is and reports screen positions. A native Wayland client knows only
// its own window: its positions need the window's place on screen added, where the compositor
// says it, and cannot be placed at all where it does not.
struct WindowOrigin {
    enum class Space { screen, window, unknown };
    Space space = Space::screen;
    QPointF topLeft; // of the window's content, in Space::window
};
