#pragma once

#include <QString>

#include <optional>

// What the provider charges, in US dollars per million tokens, for the one model whose prices
// Palimo knows: "gpt-4o-mini", OpenAI's default for the rewrites. The usage summary and the
// first-run guide's estimate are built from these; any other model's tokens are never priced,
// because a guessed price would be a wrong one.
namespace Pricing {

inline constexpr const char* knownModel = "gpt-4o-mini";
inline constexpr double inputPerMillionTokens = 0.15;
inline constexpr double outputPerMillionTokens = 0.6;

// Estimated cost in US dollars of the given token counts of the known model.
inline double cost(double promptTokens, double completionTokens) {
    return promptTokens / 1'000'000.0 * inputPerMillionTokens +
           completionTokens / 1'000'000.0 * outputPerMillionTokens;
}

// The same for any model: nothing when its prices are unknown.
inline std::optional<double> cost(const QString& model, double promptTokens,
                                  double completionTokens) {
    if (model != QLatin1String(knownModel)) {
        return std::nullopt;
    }
    return cost(promptTokens, completionTokens);
}

} // namespace Pricing
