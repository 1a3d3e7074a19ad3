#pragma once

// What the provider charges for the model the rewrites use ("gpt-4o-mini"), in US dollars per
// million tokens. The usage summary's estimate is built from these.
namespace Pricing {

inline constexpr double inputPerMillionTokens = 0.15;
inline constexpr double outputPerMillionTokens = 0.6;

// Estimated cost in US dollars of the given token counts.
inline double cost(double promptTokens, double completionTokens) {
    return promptTokens / 1'000'000.0 * inputPerMillionTokens +
           completionTokens / 1'000'000.0 * outputPerMillionTokens;
}

} // namespace Pricing
