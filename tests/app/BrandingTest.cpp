#include "app/Branding.h"
#include "app/ActivationPolicy.h"

#include <QSoundEffect>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

#include <vector>

TEST(Branding, ShipsItsMarkAndSoundsAndFallsBackWhenOneIsMissing) {
    ASSERT_TRUE(Branding::markImage().has_value());
    EXPECT_FALSE(Branding::markImage()->pixmap(18, 18).isNull());
    EXPECT_FALSE(Branding::menuBarImage().pixmap(18, 18).isNull());
    ASSERT_NE(Branding::doneSound(), nullptr);
    EXPECT_EQ(Branding::doneSound(), Branding::doneSound()) << "sounds are loaded once";
    ASSERT_NE(Branding::cancelledSound(), nullptr);
    // Both decode; waiting for them also keeps Qt's loader thread from being torn down mid-load.
    for (QSoundEffect* sound : {Branding::doneSound(), Branding::cancelledSound()}) {
        EXPECT_TRUE(QTest::qWaitFor([sound] { return sound->status() != QSoundEffect::Loading; }));
        EXPECT_EQ(sound->status(), QSoundEffect::Ready) << qPrintable(sound->source().toString());
    }

    const QString gone = QStringLiteral(":/palimo/no-such-icon.svg");
    EXPECT_FALSE(Branding::markImage(gone).has_value());
    EXPECT_FALSE(Branding::menuBarImage(gone).pixmap(18, 18).isNull())
        << "the tray never goes blank";
    EXPECT_EQ(Branding::loadSound(QStringLiteral(":/palimo/no-such.wav")), nullptr);
}

// A release with no holder must not count below zero, or the next window would not show.
TEST(ActivationPolicy, RegularWhileAnyWindowHoldsItNeverBelowZero) {
    using namespace ActivationPolicy;
    reset();
    std::vector<Policy> switches;
    setOnChange([&](Policy p) { switches.push_back(p); });
    for (auto step : {release, acquire, acquire, release, release, acquire}) {
        step();
    }
    EXPECT_EQ(switches, (std::vector{Policy::regular, Policy::accessory, Policy::regular}));
    setOnChange(nullptr);
    reset();
}
