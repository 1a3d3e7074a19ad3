#include "feedback/FeedbackPill.h"

#include "support/FakeAccessibility.h"
#include "support/TempHome.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Kind = PillState::Kind;

class FeedbackPillTest : public testing::Test {
protected:
    FeedbackPillTest() {
        accessibility.focus.status = Accessibility::FocusedElement::Status::noElement;
    }

    // Shown, at full opacity, in this state.
    bool showing(Kind kind) const {
        return pill.view() != nullptr && pill.view()->isVisible() &&
               pill.view()->state().kind == kind && pill.view()->windowOpacity() >= 1.0;
    }

    TempHome home;
    FakeAccessibility accessibility;
    QPointF pointer{300, 200};
    CaretLocator locator{accessibility,
                         {&ScreenGeometry::currentScreens, [this] { return pointer; }}};
    int donePlays = 0;
    bool soundOn = true;
    FeedbackPill pill{locator,
                      {{Qt::blue, QIcon(), false},
                       [this] {
                           ++donePlays;
                           return nullptr;
                       },
                       nullptr,
                       [this] { return soundOn; }},
                      {10ms, 150ms, 200ms, 300ms, 400ms}};
};

TEST_F(FeedbackPillTest, DoneFadesAwayLeavingNothingRunningAndAPendingHideGivesWay) {
    pill.working();
    ASSERT_TRUE(QTest::qWaitFor([&] { return showing(Kind::working); }));
    PillView& view = *pill.view();
    // (That it takes no focus and lets clicks through is the feedback system test's.)
    EXPECT_EQ(view.pos(), QPoint(300, 208)); // below the pointer
    EXPECT_TRUE(view.isSweeping());

    pointer = QPointF(700, 500); // only working() looks for the caret again
    pill.succeeded();
    EXPECT_TRUE(showing(Kind::done));
    EXPECT_EQ(view.pos(), QPoint(300, 208));
    EXPECT_EQ(donePlays, 1);
    EXPECT_FALSE(view.isSweeping());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view.isVisible(); }, 2000));
    EXPECT_EQ(view.windowOpacity(), 0.0);
    const auto timers = pill.findChildren<QTimer*>();
    EXPECT_TRUE(
        std::none_of(timers.begin(), timers.end(), [](QTimer* t) { return t->isActive(); }));

    pill.working();
    ASSERT_TRUE(QTest::qWaitFor([&] { return showing(Kind::working); }));
    pill.cancelled();
    QTest::qWait(100);
    pill.working();
    QTest::qWait(600); // past every hide delay of the cancelled pill
    EXPECT_TRUE(showing(Kind::working));
    pill.failed(QStringLiteral("x"));
    // Once the fade-out has started, a display brings the pill back.
    ASSERT_TRUE(QTest::qWaitFor([&] { return pill.view()->windowOpacity() < 1.0; }, 2000));
    pill.working();
    EXPECT_TRUE(QTest::qWaitFor([&] { return showing(Kind::working); }));
    QTest::qWait(500);
    EXPECT_TRUE(showing(Kind::working));
}

TEST_F(FeedbackPillTest, AFailureWrapsOnTwoLinesAtMostAndTheDoneMarkCanCarryANote) {
    soundOn = false;
    pill.failed(QStringLiteral("OpenAI returned an error (500)."));
    ASSERT_TRUE(QTest::qWaitFor([&] { return showing(Kind::failed); }));
    const QSize oneLine = pill.view()->size();
    pill.failed(QString(300, u'w').replace(QStringLiteral("wwwww"), QStringLiteral("word ")));
    const QSize wrapped = pill.view()->size();
    EXPECT_LE(wrapped.width(), 11 + 17 + 8 + 240 + 11);
    EXPECT_GT(wrapped.height(), oneLine.height());
    EXPECT_LE(wrapped.height(), 8 + 2 * QFontMetrics(QFont()).lineSpacing() + 8 + 4);
    pill.succeeded();
    EXPECT_EQ(donePlays, 0); // sound switched off

    const QSize markOnly = pill.view()->size();
    soundOn = true;
    pill.readyToPaste(QStringLiteral("Ready: paste it with Ctrl+Shift+V."));
    EXPECT_TRUE(showing(Kind::done));
    EXPECT_EQ(donePlays, 1);
    EXPECT_EQ(pill.view()->windowTitle(), QStringLiteral("Ready: paste it with Ctrl+Shift+V."));
    EXPECT_GT(pill.view()->size().width(), markOnly.width() + 100) << "the note is not shown";
}

} // namespace
