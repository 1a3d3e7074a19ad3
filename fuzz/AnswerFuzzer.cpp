// The provider's answer body: decoding, tag stripping and the body text of an error.
#include "FuzzCheck.h"

#include "client/ChatCompletion.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray body =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const auto outcome = ChatCompletion::decodeAnswer(body);
    if (const auto* result = std::get_if<RewriteResult>(&outcome)) {
        fuzzCheck(!result->text.isEmpty(), "a decoded rewrite has text");
        fuzzCheck(result->text == result->text.trimmed(), "a decoded rewrite is trimmed");
        fuzzCheck(result->promptTokens >= 0 && result->completionTokens >= 0,
                  "token counts are never negative");
    } else {
        const RewriteError& error = std::get<RewriteError>(outcome);
        fuzzCheck(error.kind == RewriteError::Kind::decoding ||
                      error.kind == RewriteError::Kind::emptyCompletion,
                  "a body fails only as undecodable or empty");
        fuzzCheck(!error.description().isEmpty(), "every failure says what it is");
    }

    const QString content = QString::fromUtf8(body);
    const QString stripped = ChatCompletion::stripTags(content);
    fuzzCheck(stripped == stripped.trimmed(), "stripped text is trimmed");
    fuzzCheck(stripped.size() <= content.size(), "stripping never adds");
    fuzzCheck(content.contains(stripped), "stripping only cuts at the ends");

    // An error body goes into the log: it must not be able to start a line of its own or
    // carry terminal escapes, and its length is bounded whatever the server sent.
    const QString shown = ChatCompletion::bodyText(body);
    fuzzCheck(std::none_of(shown.begin(), shown.end(),
                           [](QChar c) {
                               return c.category() == QChar::Other_Control ||
                                      c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
                           }),
              "an error body shows no control characters");
    fuzzCheck(shown.size() <= ChatCompletion::bodyTextLimit + 64, "an error body is cut short");
    return 0;
}
