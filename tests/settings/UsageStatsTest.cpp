#include "settings/Preferences.h"
#include "settings/SettingsStore.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

QDateTime local(int year, int month, int day, int hour = 12) {
    return QDateTime(QDate(year, month, day), QTime(hour, 0), Qt::LocalTime);
}

class UsageTest : public testing::Test {
protected:
    UsageTest() {
        store.setClock([this] { return now; });
    }
    QByteArray fileBytes() const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    TempHome home;
    QString path = Preferences::defaultFilePath();
    Preferences preferences{path};
    SettingsStore store{preferences};
    QDateTime now = local(2025, 2, 14);
};

TEST_F(UsageTest, NothingIsStoredUntilTheFirstRewrite) {
    EXPECT_EQ(store.usage(), UsageStats::fresh(now));
    EXPECT_EQ(store.usage().summary(), QStringLiteral("No rewrites yet this month."));
    EXPECT_FALSE(QFile::exists(path));

    store.recordUsage(120, 80);
    EXPECT_EQ(store.usage(), (UsageStats{1, 120, 80, now}));
    const QJsonObject stored =
        QJsonDocument::fromJson(fileBytes()).object().value(QStringLiteral("usage")).toObject();
    EXPECT_EQ(stored.value(QStringLiteral("rewrites")), QJsonValue(1));
    EXPECT_DOUBLE_EQ(stored.value(QStringLiteral("periodStart")).toDouble(),
                     static_cast<double>(now.toSecsSinceEpoch() - 978'307'200));
}

TEST_F(UsageTest, FirstRewriteOfANewMonthStartsAFreshPeriod) {
    now = local(2025, 2, 28, 23);
    store.recordUsage(100, 100);
    store.recordUsage(0, 0);
    EXPECT_EQ(store.usage(), (UsageStats{2, 100, 100, local(2025, 2, 28, 23)}));

    now = local(2025, 3, 1, 1);
    const QByteArray february = fileBytes();
    EXPECT_EQ(store.usage().rewrites, 2) << "reading must not reset the period";
    EXPECT_EQ(fileBytes(), february);
    store.recordUsage(5, 6);
    EXPECT_EQ(store.usage(), (UsageStats{1, 5, 6, now}));

    now = local(2026, 3, 10);
    store.recordUsage(7, 8);
    EXPECT_EQ(store.usage(), (UsageStats{1, 7, 8, now}));
}

TEST_F(UsageTest, RecordWithoutPeriodStartIsReplaced) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"usage": {"rewrites": 9, "promptTokens": 1, "completionTokens": 1}})");
    file.close();
    EXPECT_EQ(store.usage().rewrites, 0);
    store.recordUsage(10, 20);
    EXPECT_EQ(store.usage(), (UsageStats{1, 10, 20, now}));
}

TEST(UsageStatsRecord, SummaryTextsAndTheOneCentBoundary) {
    const QDateTime start = QDateTime::currentDateTime();
    const auto summary = [&](qint64 rewrites, qint64 prompt, qint64 completion) {
        return UsageStats{rewrites, prompt, completion, start}.summary();
    };
    EXPECT_EQ(summary(0, 500, 500), QStringLiteral("No rewrites yet this month."));
    EXPECT_EQ(summary(1, 200, 200),
              QStringLiteral("1 rewrite this month, under 1 cent in API costs."));
    EXPECT_EQ(summary(1000, 200'000, 200'000),
              QStringLiteral("1000 rewrites this month, about $0.15 in API costs."));
    EXPECT_EQ(summary(2, 66'666, 0),
              QStringLiteral("2 rewrites this month, under 1 cent in API costs."));
    EXPECT_EQ(summary(2, 66'667, 0),
              QStringLiteral("2 rewrites this month, about $0.01 in API costs."));
    EXPECT_EQ(summary(2, 0, 16'667),
              QStringLiteral("2 rewrites this month, about $0.01 in API costs."));
}

TEST(UsageStatsRecord, PeriodStartKeepsItsFractionAndNeedsAValidDate) {
    const QDateTime start = QDateTime(QDate(2001, 1, 1), QTime(0, 0, 1, 500), Qt::UTC);
    const UsageStats stats{3, 4, 5, start};
    const auto json = stats.toJson();
    ASSERT_TRUE(json);
    EXPECT_DOUBLE_EQ((*json)[QStringLiteral("periodStart")].toDouble(), 1.5);
    EXPECT_EQ(UsageStats::fromJson(*json), stats);
    EXPECT_FALSE((UsageStats{1, 0, 0, QDateTime()}.toJson()));
}

} // namespace
