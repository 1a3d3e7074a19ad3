#include "onboarding/OnboardingModel.h"
#include "onboarding/OnboardingView.h"
#include "onboarding/OnboardingWindowController.h"
#include "settingswindow/SettingsWindowFixture.h"

#include <QLocale>
#include <QPushButton>

namespace {

using Step = OnboardingModel::Step;

// The guide's model over the settings window's fixture, and its window around a second model.
class OnboardingTest : public SettingsWindowFixture {
protected:
    std::unique_ptr<OnboardingModel> newModel() {
        return std::make_unique<OnboardingModel>(store, keychain, client,
                                                 [this] { return trusted; });
    }
    OnboardingModel& guide() {
        if (!m_guide) {
            m_guide = newModel();
        }
        return *m_guide;
    }
    void walkTo(Step step) {
        while (guide().step() != step) {
            guide().advance();
        }
    }
    OnboardingWindowController& openWindow() {
        window = std::make_unique<OnboardingWindowController>(
            newModel(), OnboardingLook{Qt::blue, std::nullopt});
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window->window()));
        return *window;
    }

    bool trusted = true;
    std::unique_ptr<OnboardingWindowController> window;

private:
    std::unique_ptr<OnboardingModel> m_guide;
};

// (That a rewrite on the try-out lets the guide finish is the tray system test's.)
TEST_F(OnboardingTest, TheStepsMoveOnlyWhenTheirConditionHoldsAndTheSampleReallyChanged) {
    const QString sentence = OnboardingModel::sampleSentence;
    guide().goBack();
    EXPECT_EQ(guide().step(), Step::welcome);
    guide().setSampleText(u"changed before the try-out"_s);
    EXPECT_FALSE(guide().rewriteSeen());
    walkTo(Step::tryIt); // the key step never blocks
    for (const QString& text : {u""_s, u"   \n"_s, u"  "_s + sentence + u"\n"_s, sentence}) {
        guide().setSampleText(text);
        EXPECT_FALSE(guide().rewriteSeen()) << text.toStdString();
    }
    guide().advance();
    EXPECT_EQ(guide().step(), Step::tryIt);
    EXPECT_FALSE(store.hasCompletedOnboarding());
    guide().setSampleText(u"We should have gone through the document yesterday."_s);
    EXPECT_TRUE(guide().rewriteSeen());
    guide().tryAnother();
    EXPECT_EQ(guide().sampleText(), sentence);
    EXPECT_FALSE(guide().rewriteSeen());
    guide().goBack();
    EXPECT_EQ(guide().step(), Step::cost);
}

TEST_F(OnboardingTest, CostAndRewriteCountFollowTheSlider) {
    const struct {
        double rewrites;
        const char* locale;
        QString cost;
        QString count;
    } cases[] = {
        {500, "en_US", u"$0.07"_s, u"500 rewrites a month"_s},
        {2500, "en_US", u"$0.37"_s, u"2,500 rewrites a month"_s},
        {20000, "en_US", u"$3.00"_s, u"20,000 rewrites a month"_s},
        {20000, "de_DE", u"$3.00"_s, u"20.000 rewrites a month"_s},
        {2049.5, "en_US", u"$0.31"_s, u"2,050 rewrites a month"_s},
    };
    const QLocale before;
    for (const auto& c : cases) {
        QLocale::setDefault(QLocale(QString::fromLatin1(c.locale)));
        guide().setRewritesPerMonth(c.rewrites);
        EXPECT_EQ(guide().costText(), c.cost) << c.rewrites;
        EXPECT_EQ(guide().rewritesText(), c.count) << c.rewrites << c.locale;
    }
    QLocale::setDefault(before);
}

// (Saving a new key is SettingsModelTest's: both models save through the same key check.)
TEST_F(OnboardingTest, AStoredKeyShowsAsWorkingWithoutAsking) {
    secrets.put(KeychainStore::serviceName, KeychainStore::accountName, "sk-stored");
    EXPECT_TRUE(QTest::qWaitFor([&] { return guide().keyState() == KeyState::valid(); }));
    EXPECT_EQ(guide().apiKey(), u"sk-stored"_s);
    EXPECT_TRUE(provider.requests().isEmpty());
}

// (Counting openings, which the settings window shares, is SettingsViewsTest's.)
TEST_F(OnboardingTest, WithoutKeystrokesTheAccessibilityStepWaitsAndClosingCompletes) {
    openWindow();
    trusted = false;
    for (int press = 0; press < 2; ++press) {
        QTest::keyClick(window->view(), Qt::Key_Return);
        QCoreApplication::processEvents(); // the step is rebuilt on the next turn
    }
    EXPECT_EQ(window->model().step(), Step::accessibility);
    EXPECT_FALSE(window->view()->primaryButton()->isEnabled());
    EXPECT_FALSE(showsText(window->view(), u"Allowed"_s));
    EXPECT_TRUE(window->model().isWatchingPermission());
    trusted = true; // e.g. the session's X server came back with XTest
    // The line shows at once; the button follows on the view's next turn.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return window->view()->primaryButton()->isEnabled(); }, 3000));
    EXPECT_TRUE(showsText(window->view(), u"Allowed"_s));
    EXPECT_FALSE(window->model().isWatchingPermission());
    window->close();
    EXPECT_TRUE(store.hasCompletedOnboarding());
}

} // namespace
