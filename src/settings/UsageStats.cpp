#include "settings/UsageStats.h"

#include "settings/JsonFields.h"
#include "settings/Pricing.h"

#include <QJsonObject>

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

} // namespace

UsageStats UsageStats::fresh(const QDateTime& now) {
    return UsageStats{0, 0, 0, now};
}

bool UsageStats::samePeriod(const QDateTime& a, const QDateTime& b) {
    const QDate first = a.toLocalTime().date();
    const QDate second = b.toLocalTime().date();
    return first.year() == second.year() && first.month() == second.month();
}

UsageStats UsageStats::adding(qint64 prompt, qint64 completion, const QDateTime& now) const {
    UsageStats next = samePeriod(periodStart, now) ? *this : fresh(now);
    next.rewrites = saturatingAdd(next.rewrites, 1);
    next.promptTokens = saturatingAdd(next.promptTokens, prompt);
    next.completionTokens = saturatingAdd(next.completionTokens, completion);
    return next;
}

double UsageStats::estimatedCost() const {
    return Pricing::cost(static_cast<double>(promptTokens), static_cast<double>(completionTokens));
}

QString UsageStats::summary() const {
    if (rewrites < 1) {
        return QStringLiteral("No rewrites yet this month.");
    }
    const double cost = estimatedCost();
    const QString costText =
        cost < 0.01 ? QStringLiteral("under 1 cent") : QString::asprintf("about $%.2f", cost);
    return QString::number(rewrites) +
           (rewrites == 1 ? QStringLiteral(" rewrite") : QStringLiteral(" rewrites")) +
           QStringLiteral(" this month, ") + costText + QStringLiteral(" in API costs.");
}

std::optional<UsageStats> UsageStats::fromJson(const QJsonValue& json) {
    constexpr qint64 min = std::numeric_limits<qint64>::min();
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    const QJsonObject object = json.toObject();
    const auto rewrites = JsonFields::integer(object, QStringLiteral("rewrites"), min, max);
    const auto prompt = JsonFields::integer(object, QStringLiteral("promptTokens"), min, max);
    const auto completion =
        JsonFields::integer(object, QStringLiteral("completionTokens"), min, max);
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
    return UsageStats{*rewrites, *prompt, *completion, start};
}

std::optional<QJsonValue> UsageStats::toJson() const {
    if (!periodStart.isValid()) {
        return std::nullopt;
    }
    const double seconds =
        static_cast<double>(periodStart.toMSecsSinceEpoch()) / 1000.0 - referenceEpochSeconds;
    return QJsonObject{{QStringLiteral("rewrites"), rewrites},
                       {QStringLiteral("promptTokens"), promptTokens},
                       {QStringLiteral("completionTokens"), completionTokens},
                       {QStringLiteral("periodStart"), seconds}};
}
