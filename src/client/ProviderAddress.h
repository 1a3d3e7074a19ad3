#pragma once

#include "client/RewriteError.h"

#include <QString>
#include <QUrl>

#include <optional>
#include <variant>

// Where the provider lives. The base address is configuration (an environment variable for
// tests and local servers, then a preference, then OpenAI itself), and it must be one that
// cannot leak the API key: https, or plain http only to this machine's loopback.
namespace ProviderAddress {

inline constexpr const char* environmentVariable = "PALIMO_API_BASE";
inline constexpr const char* preferenceKey = "apiBaseURL";
inline constexpr const char* defaultBase = "https://api.openai.com";

// The first non-blank of the environment value and the preference, else defaultBase.
QString choose(const std::optional<QString>& environment, const std::optional<QString>& preference);

// The base address, or why none may be used.
using Address = std::variant<QString, RewriteError>;

// choose() over $PALIMO_API_BASE and the "apiBaseURL" preference as they are now; refused
// (refusedAddress, naming the file) while the settings file may name a server that cannot be
// read, since falling back to OpenAI would send the text where the user never chose.
Address configured();

// localhost, 127.0.0.0/8 or ::1.
bool isLoopbackHost(const QString& host);

// OpenAI's own API always wants a key, so a blank one is refused before anything is sent.
// Other servers are asked without one: many local ones need none.
bool needsKey(const QString& base);

// Who gets the key with every request to base: "OpenAI" for OpenAI's own API, else the server
// by its host (and port), as the settings promise the key goes nowhere else.
QString keyRecipient(const QString& base);

// base + path (a base may carry a path prefix of its own), or why that base may not be used.
std::variant<QUrl, QString> endpoint(const QString& base, const QString& path);

} // namespace ProviderAddress
