#pragma once

#include <QString>

// Which model the rewrites ask for. Like the base address it is configuration: an environment
// variable (tests, a one-off run), then the "model" preference, then OpenAI's own small model.
// A local server answers only for the models it has, so this must follow the server.
namespace ModelSetting {

inline constexpr const char* environmentVariable = "PALIMO_MODEL";
inline constexpr const char* preferenceKey = "model";
inline constexpr const char* defaultModel = "gpt-4o-mini";

// The first non-blank (trimmed) of $PALIMO_MODEL and the "model" preference, else defaultModel.
// Empty while the
// settings file may hold a model that cannot be read (it does not parse and names the key without
// a value that can be recovered, or cannot be read at all) and the environment names none: the
// default would then quietly ask a server for a model it may not have.
QString configured();

// Why configured() is empty, for the failure of the call.
QString unknownReason();

} // namespace ModelSetting
