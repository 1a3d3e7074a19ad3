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

TEST_F(PromptPanelTest, OpensByThePointerWithTheFocusInTheField) {
    open();
    PromptPanelView* view = panel.view();
    EXPECT_EQ(view->pos(), QPoint(112, 112));
    EXPECT_EQ(view->width(), 420);
    EXPECT_EQ(field()->placeholderText(), QStringLiteral("How should this be rewritten?"));
    EXPECT_EQ(view->visibleRows().size(), 3);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !workspace.activated.isEmpty(); }));
    EXPECT_EQ(workspace.activated, QList<std::uint64_t>{view->winId()});
    EXPECT_TRUE(field()->hasFocus());
}

// Every way out gives exactly one answer and closes the panel.
TEST_F(PromptPanelTest, TheThreeAnswers) {
    const struct {
        const char* name;
        std::function<void(PromptPanelView&)> act;
        std::optional<QString> answer;
    } cases[] = {
        {"typed",
         [](PromptPanelView& v) {
             QTest::keyClicks(v.field(), "  make it loud \t");
             QTest::keyClick(v.field(), Qt::Key_Return);
         },
         QStringLiteral("make it loud")},
        {"blank",
         [](PromptPanelView& v) {
             QTest::keyClicks(v.field(), "   ");
             QTest::keyClick(v.field(), Qt::Key_Return);
         },
         std::nullopt},
        {"escape",
         [](PromptPanelView& v) {
             QTest::keyClicks(v.field(), "abc");
             QTest::keyClick(v.field(), Qt::Key_Escape);
         },
         std::nullopt},
        {"closed by the window manager", [](PromptPanelView& v) { v.close(); }, std::nullopt},
        {"row",
         [](PromptPanelView& v) {
             QTest::keyClicks(v.field(), "gram");
             QTest::mouseClick(v.visibleRows().at(0), Qt::LeftButton);
         },
         QStringLiteral("Fix the grammar.")},
    };
    for (const auto& c : cases) {
        answers.clear();
        open();
        QPointer<PromptPanelView> view = panel.view();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view)) << c.name;
        c.act(*view);
        QTest::qWait(10);
        EXPECT_EQ(answers, (QList<std::optional<QString>>{c.answer})) << c.name;
        EXPECT_EQ(panel.view(), nullptr) << c.name;
        EXPECT_TRUE(QTest::qWaitFor([&] { return view.isNull(); })) << c.name;
    }
}

TEST_F(PromptPanelTest, FilteringHidesRowsAndTheListAndShrinksThePanel) {
    presets.append(preset("Shout", "Upper case."));
    open();
    PromptPanelView* view = panel.view();
    const int fullHeight = view->height();
    QTest::keyClicks(field(), "SH");
    EXPECT_EQ(view->visibleRows().size(), 2);
    QTest::keyClicks(field(), "zzz");
    EXPECT_TRUE(view->visibleRows().isEmpty());
    EXPECT_LT(view->height(), fullHeight / 2);
    EXPECT_EQ(view->pos(), QPoint(112, 112));
}

TEST_F(PromptPanelTest, AnEmptyStoredListShowsTheFieldOnly) {
    presets.clear();
    open();
    EXPECT_TRUE(panel.view()->visibleRows().isEmpty());
    EXPECT_EQ(panel.view()->height(), field()->height());
}

TEST_F(PromptPanelTest, ASecondOpeningAnswersTheFirstWithNothing) {
    open();
    open();
    EXPECT_EQ(answers, (QList<std::optional<QString>>{std::nullopt}));
    QTest::keyClicks(field(), "second");
    QTest::keyClick(field(), Qt::Key_Return);
    EXPECT_EQ(answers, (QList<std::optional<QString>>{std::nullopt, QStringLiteral("second")}));
}

} // namespace
