#include "feedback/CaretLocator.h"

#include "support/FakeAccessibility.h"
#include "support/TempHome.h"

#include <qcoro/qcorotask.h>

#include <gtest/gtest.h>

namespace {

using Placement = Anchor::Placement;
using Focus = Accessibility::FocusedElement;
using Bounds = QMap<QPair<qint64, qint64>, QRectF>;

const QPointF pointer(640, 400);
const QRectF field(10, 20, 300, 40);
const QList<ScreenGeometry::Screen> screens{{{0, 0, 1280, 800}, {0, 0, 1280, 770}, 1}};
const CaretLocator::Desktop desktop{[] { return screens; }, [] { return pointer; }};

QStringList notes() {
    return TempHome::logLines()
        .filter(QStringLiteral("Pill anchor: "))
        .replaceInStrings(QStringLiteral("Pill anchor: "), QString());
}

// (A caret box used as it is comes through the feedback system test's real editor.)
TEST(CaretLocatorTest, AnchorAndTheNoteLoggedOnce) {
    const QString unusable = QStringLiteral("AXBoundsForRange gave an unusable rectangle.");
    const Anchor underPointer{QRectF(pointer, QSizeF(0, 0)), Placement::underPointer};
    const Anchor besideField{field, Placement::besideBoxBottom};
    const struct {
        const char* name;
        std::optional<Accessibility::TextRange> selection;
        Bounds bounds;
        Anchor anchor;
        QString note;
        Focus focus = {Focus::Status::found, QStringLiteral("AXTextField"), 0};
    } cases[] = {
        // At the end of the text: the last character's right edge.
        {"end of text",
         {{0, 5}},
         {{{5, 0}, QRectF(0, 0, 0, 0)}, {{4, 1}, QRectF(40, 60, 8, 16)}},
         {{48, 60, 0, 16}, Placement::afterText},
         unusable},
        {"no second try at offset zero", {{0, 0}}, {{{0, 0}, QRectF()}}, besideField, unusable},
        {"NaN",
         {{2, 0}},
         {{{2, 0}, QRectF(qQNaN(), 60, 0, 16)}, {{1, 1}, QRectF(qQNaN(), 60, 8, 16)}},
         besideField,
         unusable},
        {"off screen",
         {{1, 0}},
         {{{1, 0}, QRectF(5000, 5000, 0, 16)}, {{0, 1}, QRectF(5000, 5000, 0, 16)}},
         besideField,
         "(5000.0, 5000.0, 0.0, 16.0) is on no screen once flipped ((5000.0, 5000.0, 0.0, 16.0))."},
        {"nothing usable",
         std::nullopt,
         {},
         underPointer,
         "AXButton would not say where its text is. Attributes: Accessible, Action.",
         {Focus::Status::found, QStringLiteral("AXButton"), 0}},
        {"no focused element", {{0, 0}}, {}, underPointer, "no focused element.", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempHome home;
        FakeAccessibility accessibility;
        accessibility.focus = c.focus;
        accessibility.selection = c.selection;
        accessibility.bounds = c.bounds;
        if (c.anchor == besideField) {
            accessibility.elementFrame = field;
        } else {
            accessibility.interfaces = QStringList{"Accessible", "Action"};
        }
        CaretLocator locator(accessibility, desktop);
        EXPECT_EQ(QCoro::waitFor(locator.anchor()), c.anchor);
        EXPECT_EQ(QCoro::waitFor(locator.anchor()), c.anchor);
        EXPECT_EQ(notes(), QStringList{c.note});
    }
}

// Native Wayland windows report positions within themselves.
TEST(CaretLocatorTest, WindowPositionsMoveWithTheWindowOrGoToAFixedSpot) {
    TempHome home;
    FakeAccessibility accessibility;
    accessibility.selection = {{3, 0}};
    accessibility.bounds[{3, 0}] = QRectF(50, 60, 0, 16);
    WindowOrigin origin{WindowOrigin::Space::window, {640, 25}};
    CaretLocator locator(accessibility, desktop);
    locator.setWindowOrigin([&origin] { return origin; });
    EXPECT_EQ(QCoro::waitFor(locator.anchor()),
              (Anchor{QRectF(690, 85, 0, 16), Placement::afterText}));
    origin = {WindowOrigin::Space::unknown, {}};
    EXPECT_EQ(QCoro::waitFor(locator.anchor()),
              (Anchor{QRectF(640, 640, 0, 0), Placement::underPointer}));
}

} // namespace
