#pragma once

#include <QRectF>

// Where the feedback pill should appear: a rectangle in the desktop's logical coordinates (Qt's,
// origin at the top left, y downwards) and the side of it the pill takes.
struct Anchor {
    enum class Placement {
        afterText,       // a caret-sized box at the end of the text: the pill goes to its right
        besideBoxBottom, // a text or selection box: the pill goes to its left, near its bottom
        underPointer,    // the mouse pointer as a zero-size box: the pill goes below it
    };

    QRectF rect;
    Placement placement = Placement::underPointer;

    bool operator==(const Anchor&) const = default;
};
