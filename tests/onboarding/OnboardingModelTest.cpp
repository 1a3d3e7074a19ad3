#include "onboarding/OnboardingModel.h"
#include "settingswindow/SettingsWindowFixture.h"

#include <QLocale>
#include <QTest>

namespace {

using Step = OnboardingModel::Step;

class OnboardingModelTest : public SettingsWindowFixture {
protected:
    OnboardingModel& guide() {
        if (!m_guide) {
            m_guide = std::make_unique<OnboardingModel>(store, keychain, client,
                                                        [this] { return trusted; });
        }
        return *m_guide;
    }
    void walkTo(Step step) {
        while (guide().step() != step) {
            guide().advance();
        }
    }

    bool trusted = true;

private:
    std::unique_ptr<OnboardingModel> m_guide;
};

TEST_F(OnboardingModelTest, TheStepsMoveOnlyWhenTheirConditionHolds) {
    trusted = false;
    guide().goBack();
    EXPECT_EQ(guide().step(), Step::welcome);
    guide().advance();
    guide().advance(); // keystrokes cannot be sent: stays
    EXPECT_EQ(guide().step(), Step::accessibility);
    EXPECT_TRUE(guide().isWatchingPermission());
    trusted = true;
    QTRY_COMPARE_WITH_TIMEOUT(guide().accessibilityGranted(), true, 3000);
    EXPECT_FALSE(guide().isWatchingPermission());
    walkTo(Step::tryIt); // the key step never blocks
    guide().advance();
    EXPECT_EQ(guide().step(), Step::tryIt);
    EXPECT_FALSE(store.hasCompletedOnboarding());
    guide().goBack();
    EXPECT_EQ(guide().step(), Step::cost);
}

TEST_F(OnboardingModelTest, OnlyARealChangeOfTheSampleOnTheTryOutCounts) {
    const QString sentence = OnboardingModel::sampleSentence;
    guide().setSampleText(u"changed before the try-out"_s);
    EXPECT_FALSE(guide().rewriteSeen());
    walkTo(Step::tryIt);
    for (const QString& text : {u""_s, u"   \n"_s, u"  "_s + sentence + u"\n"_s, sentence}) {
        guide().setSampleText(text);
        EXPECT_FALSE(guide().rewriteSeen()) << text.toStdString();
    }
    guide().setSampleText(u"We should have gone through the document yesterday."_s);
    EXPECT_TRUE(guide().rewriteSeen());
    int closes = 0;
    guide().setOnClose([&closes] { ++closes; });
    guide().advance();
    EXPECT_TRUE(store.hasCompletedOnboarding());
    EXPECT_EQ(closes, 1);
    guide().tryAnother();
    EXPECT_EQ(guide().sampleText(), sentence);
    EXPECT_FALSE(guide().rewriteSeen());
}

TEST_F(OnboardingModelTest, CostAndRewriteCountFollowTheSlider) {
    struct Case {
        double rewrites;
        const char* locale;
        QString cost;
        QString count;
    };
    const Case cases[] = {
        {500, "en_US", u"$0.07"_s, u"500 rewrites a month"_s},
        {2000, "en_US", u"$0.30"_s, u"2,000 rewrites a month"_s},
        {2500, "en_US", u"$0.37"_s, u"2,500 rewrites a month"_s},
        {20000, "en_US", u"$3.00"_s, u"20,000 rewrites a month"_s},
        {20000, "de_DE", u"$3.00"_s, u"20.000 rewrites a month"_s},
        {2049.5, "en_US", u"$0.31"_s, u"2,050 rewrites a month"_s},
    };
    const QLocale before;
    for (const Case& c : cases) {
        QLocale::setDefault(QLocale(QString::fromLatin1(c.locale)));
        guide().setRewritesPerMonth(c.rewrites);
        EXPECT_EQ(guide().costText(), c.cost) << c.rewrites;
        EXPECT_EQ(guide().rewritesText(), c.count) << c.rewrites << c.locale;
    }
    QLocale::setDefault(before);
}

TEST_F(OnboardingModelTest, AStoredKeyShowsAsWorkingAndANewOneIsSavedTrimmed) {
    secrets.put(KeychainStore::serviceName, KeychainStore::accountName, "sk-stored");
    QTRY_COMPARE(guide().keyState(), KeyState::valid());
    EXPECT_EQ(guide().apiKey(), u"sk-stored"_s);
    EXPECT_TRUE(provider.requests().isEmpty());
    guide().setApiKey(u" sk-new "_s);
    QCoro::waitFor(guide().saveAndTestKey());
    EXPECT_EQ(guide().keyState(), KeyState::valid());
    EXPECT_EQ(storedKey(), QByteArray("sk-new"));
    EXPECT_EQ(guide().apiKey(), u" sk-new "_s);
}

} // namespace
