#pragma once

#include <QDateTime>
#include <QJsonValue>
#include <QString>

#include <optional>

// This month's successful rewrites and their token counts, for the cost line in the settings
// window. A period is one calendar month in the local time zone.
struct UsageStats {
    qint64 rewrites = 0;
    qint64 promptTokens = 0;
    qint64 completionTokens = 0;
    QDateTime periodStart;

    bool operator==(const UsageStats&) const = default;

    // Zero counters, period starting at `now`.
    static UsageStats fresh(const QDateTime& now);

    // True when both moments fall in the same month of the same year, local time.
    static bool samePeriod(const QDateTime& a, const QDateTime& b);

    // Counts one rewrite into a copy of this record, starting a fresh period first when `now`
    // is in another month than `periodStart`.
    UsageStats adding(qint64 prompt, qint64 completion, const QDateTime& now) const;

    // Estimated US dollars for the counted tokens.
    double estimatedCost() const;

    // "No rewrites yet this month." or "3 rewrites this month, about $0.42 in API costs."
    QString summary() const;

    // {"rewrites", "promptTokens", "completionTokens", "periodStart"}: all four required;
    // periodStart is seconds (with fraction) since 2001-01-01T00:00:00Z.
    static std::optional<UsageStats> fromJson(const QJsonValue& json);
    // Nothing when periodStart is not a valid moment.
    std::optional<QJsonValue> toJson() const;
};
