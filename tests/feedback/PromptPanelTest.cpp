#include "feedback/PromptPanel.h"
#include "feedback/PresetFilter.h"
#include "feedback/PromptPanelView.h"

#include "support/FakeWorkspace.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

StylePreset preset(const char* name, const char* instructions) {
    return {QUuid::createUuid(), QString::fromUtf8(name), QString::fromUtf8(instructions)};
}

const QList<StylePreset> styles{preset("Shorter", "Make it shorter."),
                                preset("Friendlier", "Make it warmer."),
                                preset("Fix grammar only", "Fix the grammar.")};

TEST(PresetFilter, MatchesNamesIgnoringCaseInTheUsersLanguage) {
    const QList<StylePreset> turkish{preset("İmla", "x"), preset("Kısa", "y")};
    const struct {
        QList<StylePreset> presets;
        const char* typed;
        QLocale locale;
        QList<int> matches;
    } cases[] = {
        {styles, "", QLocale::c(), {0, 1, 2}},
        {styles, "  \n", QLocale::c(), {0, 1, 2}},
        {styles, "FRIEND", QLocale::c(), {1}},
        {styles, " er ", QLocale::c(), {0, 1}},
        {styles, "warmer", QLocale::c(), {}}, // instructions are not searched
        {turkish, "imla", QLocale(QLocale::Turkish), {0}},
        {turkish, "KISA", QLocale(QLocale::Turkish), {1}},
        {{}, "x", QLocale::c(), {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PresetFilter::matching(c.presets, QString::fromUtf8(c.typed), c.locale),
                  c.matches)
            << c.typed;
    }
}

class PromptPanelTest : public testing::Test {
protected:
    void open() {
        panel.present([this](std::optional<QString> answer) { answers.append(answer); });
        ASSERT_NE(panel.view(), nullptr);
    }
    QLineEdit* field() const { return panel.view()->field(); }

    FakeWorkspace workspace;
    QList<StylePreset> presets = styles;
    PromptPanel panel{
        workspace,
        {[this] { return presets; }, [] { return QPointF(100, 100); }, [] { return false; }}};
    QList<std::optional<QString>> answers;
};

// The panel takes the focus, and every way out gives exactly one answer and closes it. (Escape
// and a click on a filtered row are the feedback system test's.)
TEST_F(PromptPanelTest, TakesTheFocusAndGivesOneOfThreeAnswers) {
    const struct {
        const char* typed;
        bool closedByTheWindowManager;
        std::optional<QString> answer;
    } cases[] = {
        {"  make it loud \t", false, QStringLiteral("make it loud")},
        {"   ", false, std::nullopt},
        {"abc", true, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        answers.clear();
        workspace.activated.clear();
        open();
        QPointer<PromptPanelView> view = panel.view();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view));
        // Asked once through the desktop too: a window manager may refuse a background program.
        EXPECT_TRUE(QTest::qWaitFor([&] { return !workspace.activated.isEmpty(); }));
        EXPECT_EQ(workspace.activated, QList<std::uint64_t>{view->winId()});
        EXPECT_TRUE(view->field()->hasFocus());
        QTest::keyClicks(view->field(), c.typed);
        if (c.closedByTheWindowManager) {
            view->close();
        } else {
            QTest::keyClick(view->field(), Qt::Key_Return);
        }
        EXPECT_EQ(answers, (QList<std::optional<QString>>{c.answer}));
        EXPECT_EQ(panel.view(), nullptr);
        EXPECT_TRUE(QTest::qWaitFor([&] { return view.isNull(); }));
    }
}

TEST_F(PromptPanelTest, ASecondOpeningAnswersTheFirstWithNothingAndFilteringShrinksIt) {
    presets.append(preset("Shout", "Upper case."));
    open();
    open();
    EXPECT_EQ(answers, (QList<std::optional<QString>>{std::nullopt}));
    PromptPanelView* view = panel.view();
    QTest::keyClicks(field(), "SH");
    EXPECT_EQ(view->visibleRows().size(), 2);
    QTest::keyClicks(field(), "zzz");
    EXPECT_TRUE(view->visibleRows().isEmpty());
    // The field alone, as with an empty stored list: the list is laid out the same way.
    EXPECT_EQ(view->height(), field()->height());
    EXPECT_EQ(view->pos(), QPoint(112, 112));
    QTest::keyClick(field(), Qt::Key_Return);
    EXPECT_EQ(answers, (QList<std::optional<QString>>{std::nullopt, QStringLiteral("SHzzz")}));
}

} // namespace
