#include "client/RewriteError.h"

namespace {

// Appends ": detail" when there is one, so a line never ends in a dangling colon.
QString withDetail(const QString& text, const QString& detail) {
    return detail.isEmpty() ? text : text + QStringLiteral(": ") + detail;
}

} // namespace

QString RewriteError::description() const {
    switch (kind) {
    case Kind::badResponse:
        return QStringLiteral("OpenAI returned HTTP ") + QString::number(status) +
               QStringLiteral(": ") + body;
    case Kind::missingAPIKey:
        return QStringLiteral("No API key set. Add one in Settings.");
    case Kind::invalidAPIKey:
        return QStringLiteral("OpenAI rejected this key. Check it was copied in full.");
    case Kind::emptyCompletion:
        return QStringLiteral("OpenAI returned an empty rewrite.");
    case Kind::timedOut:
        return withDetail(QStringLiteral("The request timed out"), detail);
    case Kind::notConnected:
        return withDetail(QStringLiteral("Could not connect to the server"), detail);
    case Kind::connectionLost:
        return withDetail(QStringLiteral("The connection to the server was lost"), detail);
    case Kind::cancelled:
        return QStringLiteral("The request was cancelled.");
    case Kind::refusedAddress:
        return withDetail(QStringLiteral("Refused to send the API key"), detail);
    case Kind::bodyTooLarge:
        return withDetail(QStringLiteral("The server's answer was too large"), detail);
    case Kind::decoding:
        return withDetail(QStringLiteral("Could not read the server's answer"), detail);
    case Kind::other:
        break;
    }
    return withDetail(QStringLiteral("The request failed"), detail);
}
