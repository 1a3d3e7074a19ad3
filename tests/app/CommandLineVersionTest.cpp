#include "app/AppVersion.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

TEST(AppVersion, ComesFromTheBuild) {
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$"))
                    .match(AppVersion::shortVersion())
                    .hasMatch())
        << AppVersion::shortVersion().toStdString();
    EXPECT_FALSE(AppVersion::build().isEmpty());
}
