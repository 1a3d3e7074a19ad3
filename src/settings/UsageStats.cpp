#include "settings/UsageStats.h"

#include "settings/JsonFields.h"
#include "settings/Pricing.h"

#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Seconds from the Unix epoch to 2001-01-01T00:00:00Z, the reference of the stored dates.
constexpr qint64 referenceEpochSeconds = 978'307'200;

// Hand-edited or very old files may hold huge counts; overflowing a signed integer is undefined.
qint64 saturatingAdd(qint64 a, qint64 b) {
    qint64 sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        return b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
    }
    return sum;
}

// A model named like a path would push the one-line summary out of the window.
QString shortName(const QString& model) {
    constexpr qsizetype longest = 32;
    if (model.size() <= longest) {
        return model;
    }
    return model.left(longest / 2 - 1) + QChar(0x2026) + model.right(longest / 2);
}

} // namespace

UsageStats UsageStats::fresh(const QDateTime& now) {
    return UsageStats{0, 0, 0, now, {}};
}

bool UsageStats::samePeriod(const QDateTime& a, const QDateTime& b) {
    const QDate first = a.toLocalTime().date();
    const QDate second = b.toLocalTime().date();
    return first.year() == second.year() && first.month() == second.month();
}

UsageStats UsageStats::adding(const QString& model, qint64 prompt, qint64 completion,
                              const QDateTime& now) const {
    UsageStats next = samePeriod(periodStart, now) ? *this : fresh(now);
    next.rewrites = saturatingAdd(next.rewrites, 1);
    next.promptTokens = saturatingAdd(next.promptTokens, prompt);
    next.completionTokens = saturatingAdd(next.completionTokens, completion);
    ModelUsage& share = next.models[model];
    share.rewrites = saturatingAdd(share.rewrites, 1);
    share.promptTokens = saturatingAdd(share.promptTokens, prompt);
    share.completionTokens = saturatingAdd(share.completionTokens, completion);
    return next;
}

UsageStats::Cost UsageStats::cost() const {
    // What the models do not account for was counted by an earlier version, which always asked
    // for the known-price model. A hand edit may make the shares add up to more than the whole.
    ModelUsage earlier{rewrites, promptTokens, completionTokens};
    Cost result;
    for (auto share = models.begin(); share != models.end(); ++share) {
        earlier.rewrites = saturatingAdd(earlier.rewrites, -share->rewrites);
        earlier.promptTokens = saturatingAdd(earlier.promptTokens, -share->promptTokens);
        earlier.completionTokens =
            saturatingAdd(earlier.completionTokens, -share->completionTokens);
        const auto dollars = Pricing::cost(share.key(), static_cast<double>(share->promptTokens),
                                           static_cast<double>(share->completionTokens));
        if (dollars) {
            result.dollars += *dollars;
            result.pricedRewrites = saturatingAdd(result.pricedRewrites, share->rewrites);
        } else {
            result.unpricedRewrites = saturatingAdd(result.unpricedRewrites, share->rewrites);
            result.unpricedTokens = saturatingAdd(
                result.unpricedTokens, saturatingAdd(share->promptTokens, share->completionTokens));
            result.unpricedModels.append(share.key());
        }
    }
    result.dollars +=
        Pricing::cost(static_cast<double>(std::max<qint64>(earlier.promptTokens, 0)),
                      static_cast<double>(std::max<qint64>(earlier.completionTokens, 0)));
    result.pricedRewrites =
        saturatingAdd(result.pricedRewrites, std::max<qint64>(earlier.rewrites, 0));
    return result;
}

QString UsageStats::summary() const {
    if (rewrites < 1) {
        return QStringLiteral("No rewrites yet this month.");
    }
    const Cost spent = cost();
    const QString costText = spent.dollars < 0.01 ? QStringLiteral("under 1 cent")
                                                  : QString::asprintf("about $%.2f", spent.dollars);
    const QString counted =
        QString::number(rewrites) +
        (rewrites == 1 ? QStringLiteral(" rewrite") : QStringLiteral(" rewrites")) +
        QStringLiteral(" this month, ");
    if (spent.unpricedRewrites < 1) {
        return counted + costText + QStringLiteral(" in API costs.");
    }
    const QString tokens = QString::number(spent.unpricedTokens) + QStringLiteral(" tokens");
    if (spent.pricedRewrites < 1) {
        const QString which = spent.unpricedModels.size() == 1
                                  ? shortName(spent.unpricedModels.first())
                                  : QStringLiteral("these models");
        return counted + tokens + QStringLiteral(", no price known for ") + which +
               QLatin1Char('.');
    }
    return counted + costText + QStringLiteral(" in API costs for ") +
           QString::number(spent.pricedRewrites) + QStringLiteral(" of them, and ") + tokens +
           QStringLiteral(" with no known price.");
}

namespace {

constexpr qint64 lowest = std::numeric_limits<qint64>::min();
constexpr qint64 highest = std::numeric_limits<qint64>::max();

std::optional<UsageStats::ModelUsage> modelUsage(const QJsonValue& json) {
    const QJsonObject object = json.toObject();
    const auto rewrites = JsonFields::integer(object, QStringLiteral("rewrites"), 0, highest);
    const auto prompt = JsonFields::integer(object, QStringLiteral("promptTokens"), 0, highest);
    const auto completion =
        JsonFields::integer(object, QStringLiteral("completionTokens"), 0, highest);
    if (!rewrites || !prompt || !completion) {
        return std::nullopt;
    }
    return UsageStats::ModelUsage{*rewrites, *prompt, *completion};
}

} // namespace

std::optional<UsageStats> UsageStats::fromJson(const QJsonValue& json) {
    const QJsonObject object = json.toObject();
    const auto rewrites = JsonFields::integer(object, QStringLiteral("rewrites"), lowest, highest);
    const auto prompt =
        JsonFields::integer(object, QStringLiteral("promptTokens"), lowest, highest);
    const auto completion =
        JsonFields::integer(object, QStringLiteral("completionTokens"), lowest, highest);
    const auto seconds = JsonFields::number(object, QStringLiteral("periodStart"));
    if (!json.isObject() || !rewrites || !prompt || !completion || !seconds) {
        return std::nullopt;
    }
    // Beyond about ±285 million years the millisecond count would overflow.
    const double msecs = std::round((*seconds + referenceEpochSeconds) * 1000.0);
    if (std::fabs(msecs) > 9.0e18) {
        return std::nullopt;
    }
    const QDateTime start = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(msecs), Qt::UTC);
    if (!start.isValid()) {
        return std::nullopt;
    }
    UsageStats stats{*rewrites, *prompt, *completion, start, {}};
    const QJsonObject models = object.value(QStringLiteral("models")).toObject();
    for (auto entry = models.begin(); entry != models.end(); ++entry) {
        if (const auto share = modelUsage(entry.value())) {
            stats.models.insert(entry.key(), *share);
        }
    }
    return stats;
}

std::optional<QJsonValue> UsageStats::toJson() const {
    if (!periodStart.isValid()) {
        return std::nullopt;
    }
    const double seconds =
        static_cast<double>(periodStart.toMSecsSinceEpoch()) / 1000.0 - referenceEpochSeconds;
    QJsonObject object{{QStringLiteral("rewrites"), rewrites},
                       {QStringLiteral("promptTokens"), promptTokens},
                       {QStringLiteral("completionTokens"), completionTokens},
                       {QStringLiteral("periodStart"), seconds}};
    if (!models.isEmpty()) {
        QJsonObject byModel;
        for (auto share = models.begin(); share != models.end(); ++share) {
            byModel.insert(
                share.key(),
                QJsonObject{{QStringLiteral("rewrites"), share->rewrites},
                            {QStringLiteral("promptTokens"), share->promptTokens},
                            {QStringLiteral("completionTokens"), share->completionTokens}});
        }
        object.insert(QStringLiteral("models"), byModel);
    }
    return object;
}
