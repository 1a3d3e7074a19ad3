#pragma once

#include "client/RewriteError.h"
#include "client/RewriteRequest.h"

#include <QByteArray>
#include <QString>

#include <variant>

// The wire format of one rewrite: the two chat messages built from a request, the JSON body
// that carries them, and the reading of the provider's answer. Pure functions, no I/O.
namespace ChatCompletion {

inline constexpr double temperature = 0.3;

// The fixed instructions that come before every job's own style; ends with a line feed.
const QString& systemPrompt();

// The system prompt followed directly by the job's instructions, nothing in between.
QString systemMessage(const QString& instructions);
// The text unchanged, each tag of its <text> wrapper on a line of its own.
QString userMessage(const QString& text);

// Compact JSON with exactly "model", "temperature" and "messages" (system, then user).
QByteArray requestBody(const RewriteRequest& request, const QString& model);

// Trims, drops one leading "<text>" and one trailing "</text>", trims again.
QString stripTags(const QString& content);

// Reads a successful answer: the first choice's cleaned content and the usage counts.
// Fails with decoding when a required member is missing or has the wrong type,
// and with emptyCompletion when nothing is left after cleaning.
std::variant<RewriteResult, RewriteError> decodeAnswer(const QByteArray& body);

// The body as UTF-8 text, or "<no body>" when it is not valid UTF-8.
QString bodyText(const QByteArray& body);

} // namespace ChatCompletion
