#pragma once

#include <QDateTime>
#include <QJsonValue>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// This month's successful rewrites and their token counts, for the cost line in the settings
// window. A period is one calendar month in the local time zone.
struct UsageStats {
    // One model's share of the month.
    struct ModelUsage {
        qint64 rewrites = 0;
        qint64 promptTokens = 0;
        qint64 completionTokens = 0;
        bool operator==(const ModelUsage&) const = default;
    };

    // What the counted rewrites cost, as far as their models' prices are known.
    struct Cost {
        double dollars = 0;          // of the rewrites with a known price
        qint64 pricedRewrites = 0;   // rewrites that dollars covers
        qint64 unpricedRewrites = 0; // rewrites of models without a known price
        qint64 unpricedTokens = 0;   // their prompt and completion tokens together
        QStringList unpricedModels;
    };

    // All rewrites and tokens of the month, whatever model answered: the members an earlier
    // version reads.
    qint64 rewrites = 0;
    qint64 promptTokens = 0;
    qint64 completionTokens = 0;
    QDateTime periodStart;
    // The same counts by the model asked. Rewrites an earlier version counted are not in it;
    // those always asked for the known-price model.
    QMap<QString, ModelUsage> models;

    bool operator==(const UsageStats&) const = default;

    // Zero counters, period starting at `now`.
    static UsageStats fresh(const QDateTime& now);

    // True when both moments fall in the same month of the same year, local time.
    static bool samePeriod(const QDateTime& a, const QDateTime& b);

    // Counts one rewrite by `model` into a copy of this record, starting a fresh period first
    // when `now` is in another month than `periodStart`.
    UsageStats adding(const QString& model, qint64 prompt, qint64 completion,
                      const QDateTime& now) const;

    Cost cost() const;

    // "No rewrites yet this month.", "3 rewrites this month, about $0.42 in API costs." or,
    // when some models have no known price, a line that prices only the others and says so.
    QString summary() const;

    // {"rewrites", "promptTokens", "completionTokens", "periodStart"}: all four required;
    // periodStart is seconds (with fraction) since 2001-01-01T00:00:00Z. "models" is optional
    // ({name: {"rewrites", "promptTokens", "completionTokens"}}); an unreadable entry is left out.
    static std::optional<UsageStats> fromJson(const QJsonValue& json);
    // Nothing when periodStart is not a valid moment.
    std::optional<QJsonValue> toJson() const;
};
