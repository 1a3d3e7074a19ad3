#include "feedback/CaretLocator.h"

#include "support/FakeAccessibility.h"
#include "support/TempHome.h"

#include <qcoro/qcorotask.h>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using Placement = Anchor::Placement;
using Status = Accessibility::FocusedElement::Status;

const QPointF pointer(640, 400);
const QRectF field(10, 20, 300, 40);

struct LocatorCase {
    const char* name;
    std::function<void(FakeAccessibility&)> setUp;
    Anchor anchor;
    QString note; // logged once, however often the lookup runs
};

class CaretLocatorTest : public testing::TestWithParam<LocatorCase> {
protected:
    static QStringList notes() {
        return TempHome::logLines()
            .filter(QStringLiteral("Pill anchor: "))
            .replaceInStrings(QStringLiteral("Pill anchor: "), QString());
    }

    TempHome home;
    FakeAccessibility accessibility;
    CaretLocator locator{
        accessibility,
        {[] {
             return QList<ScreenGeometry::Screen>{{{0, 0, 1280, 800}, {0, 0, 1280, 770}, 1}};
         },
         [] { return pointer; }}};
};

TEST_P(CaretLocatorTest, AnchorAndNote) {
    GetParam().setUp(accessibility);
    EXPECT_EQ(QCoro::waitFor(locator.anchor()), GetParam().anchor);
    EXPECT_EQ(QCoro::waitFor(locator.anchor()), GetParam().anchor);
    EXPECT_EQ(notes(), QStringList{GetParam().note});
}

// (A caret box used as it is comes through the feedback system test's real editor.)
INSTANTIATE_TEST_SUITE_P(
    Cases, CaretLocatorTest,
    testing::Values(
        LocatorCase{"EndOfTextUsesLastCharactersRightEdge",
                    [](FakeAccessibility& a) {
                        a.selection = {{0, 5}};
                        a.bounds[{5, 0}] = QRectF(0, 0, 0, 0);
                        a.bounds[{4, 1}] = QRectF(40, 60, 8, 16);
                    },
                    {{48, 60, 0, 16}, Placement::afterText},
                    "AXBoundsForRange gave an unusable rectangle."},
        LocatorCase{"NoSecondTryAtOffsetZeroThenTheFrame",
                    [](FakeAccessibility& a) {
                        a.selection = {{0, 0}};
                        a.bounds[{0, 0}] = QRectF(0, 0, 0, 0);
                        a.elementFrame = field;
                    },
                    {field, Placement::besideBoxBottom},
                    "AXBoundsForRange gave an unusable rectangle."},
        LocatorCase{"NaNIsUnusable",
                    [](FakeAccessibility& a) {
                        a.selection = {{2, 0}};
                        a.bounds[{2, 0}] = QRectF(std::nan(""), 60, 0, 16);
                        a.bounds[{1, 1}] = QRectF(std::nan(""), 60, 8, 16);
                        a.elementFrame = field;
                    },
                    {field, Placement::besideBoxBottom},
                    "AXBoundsForRange gave an unusable rectangle."},
        LocatorCase{"OffScreenCaret",
                    [](FakeAccessibility& a) {
                        a.selection = {{1, 0}};
                        a.bounds[{1, 0}] = QRectF(5000, 5000, 0, 16);
                        a.bounds[{0, 1}] = QRectF(5000, 5000, 0, 16);
                        a.elementFrame = field;
                    },
                    {field, Placement::besideBoxBottom},
                    "(5000.0, 5000.0, 0.0, 16.0) is on no screen once flipped ((5000.0, "
                    "5000.0, 0.0, 16.0))."},
        LocatorCase{"NothingUsableFallsBackToThePointer",
                    [](FakeAccessibility& a) {
                        a.focus.role = QStringLiteral("AXButton");
                        a.interfaces = QStringList{"Accessible", "Action"};
                    },
                    {QRectF(pointer, QSizeF(0, 0)), Placement::underPointer},
                    "AXButton would not say where its text is. Attributes: Accessible, Action."},
        LocatorCase{"NoFocusedElement",
                    [](FakeAccessibility& a) { a.focus.status = Status::noElement; },
                    {QRectF(pointer, QSizeF(0, 0)), Placement::underPointer},
                    "no focused element."}),
    [](const auto& test) { return std::string(test.param.name); });

} // namespace

// Native Wayland windows report positions within themselves.
TEST(CaretLocatorOriginTest, WindowPositionsMoveWithTheWindowOrGoToAFixedSpot) {
    TempHome home;
    FakeAccessibility accessibility;
    accessibility.selection = {{3, 0}};
    accessibility.bounds[{3, 0}] = QRectF(50, 60, 0, 16);
    WindowOrigin origin{WindowOrigin::Space::window, {640, 25}};
    CaretLocator locator(
        accessibility,
        {[] {
             return QList<ScreenGeometry::Screen>{{{0, 0, 1280, 800}, {0, 0, 1280, 770}, 1}};
         },
         [] { return pointer; }});
    locator.setWindowOrigin([&origin] { return origin; });
    EXPECT_EQ(QCoro::waitFor(locator.anchor()),
              (Anchor{QRectF(690, 85, 0, 16), Anchor::Placement::afterText}));
    origin = {WindowOrigin::Space::unknown, {}};
    EXPECT_EQ(QCoro::waitFor(locator.anchor()),
              (Anchor{QRectF(640, 640, 0, 0), Anchor::Placement::underPointer}));
}
