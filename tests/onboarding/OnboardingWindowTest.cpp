#include "onboarding/OnboardingModel.h"
#include "onboarding/OnboardingView.h"
#include "onboarding/OnboardingWindowController.h"
#include "settingswindow/SettingsWindowFixture.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

class OnboardingWindowTest : public SettingsWindowFixture {
protected:
    void SetUp() override {
        SettingsWindowFixture::SetUp();
        window = std::make_unique<OnboardingWindowController>(
            std::make_unique<OnboardingModel>(store, keychain, client, [this] { return trusted; }),
            OnboardingLook{Qt::blue, std::nullopt});
        window->setOnOpened([this] { ++opened; });
        window->setOnClosed([this] { ++closed; });
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window->window()));
    }
    void pressReturn() {
        QTest::keyClick(window->view(), Qt::Key_Return);
        QCoreApplication::processEvents(); // the step is rebuilt on the next turn
    }
    bool showsLabel(const QString& text) const {
        const QList<QLabel*> labels = window->view()->findChildren<QLabel*>();
        return std::any_of(labels.begin(), labels.end(), [&](const QLabel* label) {
            return label->isVisible() && label->text() == text;
        });
    }

    std::unique_ptr<OnboardingWindowController> window;
    bool trusted = true;
    int opened = 0;
    int closed = 0;
};

TEST_F(OnboardingWindowTest, ClosingTheWindowOnTheFirstStepCompletesTheGuide) {
    window->show(); // already shown: not counted twice
    window->close();
    EXPECT_TRUE(store.hasCompletedOnboarding());
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(closed, 1);
}

TEST_F(OnboardingWindowTest, WithoutKeystrokesTheAccessibilityStepSaysWhyAndWaits) {
    trusted = false;
    pressReturn();
    pressReturn();
    EXPECT_EQ(window->model().step(), OnboardingModel::Step::accessibility);
    EXPECT_FALSE(window->view()->primaryButton()->isEnabled());
    EXPECT_FALSE(showsLabel(u"Allowed"_s));
    trusted = true; // e.g. the session's X server came back with XTest
    QTRY_VERIFY_WITH_TIMEOUT(showsLabel(u"Allowed"_s), 3000);
    EXPECT_TRUE(window->view()->primaryButton()->isEnabled());
}

} // namespace
