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

TEST(ActivationPolicy, RegularWhileAnyWindowHoldsItNeverBelowZero) {
    ActivationPolicy::reset();
    std::vector<ActivationPolicy::Policy> switches;
    ActivationPolicy::setOnChange([&](ActivationPolicy::Policy p) { switches.push_back(p); });

    ActivationPolicy::release();
    EXPECT_EQ(ActivationPolicy::holders(), 0);
    ActivationPolicy::acquire();
    ActivationPolicy::acquire();
    EXPECT_EQ(ActivationPolicy::current(), ActivationPolicy::Policy::regular);
    ActivationPolicy::release();
    EXPECT_EQ(ActivationPolicy::current(), ActivationPolicy::Policy::regular);
    ActivationPolicy::release();
    EXPECT_EQ(ActivationPolicy::current(), ActivationPolicy::Policy::accessory);
    ActivationPolicy::acquire();

    const std::vector<ActivationPolicy::Policy> expected{ActivationPolicy::Policy::regular,
                                                         ActivationPolicy::Policy::accessory,
                                                         ActivationPolicy::Policy::regular};
    EXPECT_EQ(switches, expected);
    ActivationPolicy::setOnChange(nullptr);
    ActivationPolicy::reset();
}
