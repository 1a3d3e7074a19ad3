#include "feedback/ScreenGeometry.h"

#include <gtest/gtest.h>

namespace {

using ScreenGeometry::Screen;
using P = Anchor::Placement;

// 1280 x 800 with a 30-pixel panel at the bottom, and a screen of scale 2 to its right.
const Screen primary{{0, 0, 1280, 800}, {0, 0, 1280, 770}, 1};
const Screen retina{{1280, 0, 960, 540}, {1280, 0, 960, 540}, 2};
const QSizeF pill(40, 34);

TEST(PillPlacement, BesideTheAnchorAndInsideTheVisibleArea) {
    const struct {
        Anchor anchor;
        QList<Screen> screens;
        QPointF origin;
    } cases[] = {
        {{{100, 100, 0, 16}, P::afterText}, {primary}, {108, 91}},    // right of the caret, centred
        {{{1270, 100, 0, 16}, P::afterText}, {primary}, {1230, 124}}, // at the edge: below
        {{{300, 200, 200, 100}, P::besideBoxBottom}, {primary}, {252, 257}}, // left of the box
        {{{5, 200, 200, 100}, P::besideBoxBottom}, {primary}, {8, 308}},     // below, left-aligned
        {{{500, 300, 0, 0}, P::underPointer}, {primary}, {500, 308}},
        {{{500, 760, 0, 0}, P::underPointer}, {primary}, {500, 718}}, // above the bottom panel
        {{{1270, 100, 0, 16}, P::afterText}, {}, {1278, 91}},         // no screen: no correction
        {{{1900, 300, 0, 16}, P::afterText}, {primary, retina}, {1908, 291}},
        // A screen smaller than the pill keeps its top and right visible.
        {{{10, 10, 0, 0}, P::underPointer}, {Screen{{0, 0, 30, 20}, {0, 0, 30, 20}, 1}}, {-18, 8}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ScreenGeometry::pillOrigin(c.anchor, pill, c.screens), c.origin)
            << c.anchor.rect.x() << "," << c.anchor.rect.y();
    }
}

TEST(PanelPlacement, KeptEightPixelsInsideThePointersScreen) {
    const struct {
        QPointF pointer;
        QList<Screen> screens;
        QPointF origin;
    } cases[] = {
        {{100, 100}, {primary}, {112, 112}},
        {{1200, 100}, {primary}, {852, 112}},  // pushed left
        {{100, 700}, {primary}, {112, 612}},   // pushed up, above the panel at the bottom
        {{5000, 5000}, {primary}, {852, 612}}, // on no screen: the primary one
        {{1500, 100}, {primary, retina}, {1512, 112}},
        {{100, 100}, {}, {112, 112}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ScreenGeometry::panelOrigin(c.pointer, QSizeF(420, 150), c.screens), c.origin)
            << c.pointer.x() << "," << c.pointer.y();
    }
}

TEST(NativeToLogical, EachScreenScalesFromItsOwnCorner) {
    const QList<Screen> screens{primary, retina};
    const struct {
        QRectF native;
        std::optional<QRectF> logical;
    } cases[] = {
        {{100, 100, 0, 16}, QRectF(100, 100, 0, 16)},
        {{1480, 100, 10, 20}, QRectF(1380, 50, 5, 10)},
        {{3100, 1000, 0, 40}, QRectF(2190, 500, 0, 20)}, // bottom right of the scaled screen
        {{1280, 10, 0, 16}, QRectF(1280, 10, 0, 16)},    // a caret on the seam: the first screen
        {{5000, 5000, 10, 10}, std::nullopt},
        {{100, 900, 10, 10}, std::nullopt}, // below the primary, beside nothing
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ScreenGeometry::fromNative(c.native, screens), c.logical) << c.native.x();
    }
}

} // namespace
