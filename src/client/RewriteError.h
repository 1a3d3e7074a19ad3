#pragma once

#include <QString>

// Every way a model call or key test can fail, with its description text.
// The first four are the provider's answers; the rest are transport and decoding failures.
struct RewriteError {
    enum class Kind {
        badResponse, // status + body
        missingAPIKey,
        invalidAPIKey,
        emptyCompletion,
        timedOut,       // idle limit or overall limit reached
        notConnected,   // could not reach the server at all
        connectionLost, // the connection dropped mid-call
        cancelled,      // abandoned by the caller (Escape); never shown as a failure
        refusedAddress, // the configured base address may not carry the key (detail says why)
        bodyTooLarge,   // the answer exceeded the size cap
        decoding,       // the answer was not the expected JSON (detail says what)
        other           // any other transport failure (detail says what)
    };

    Kind kind = Kind::other;
    int status = 0; // HTTP status, for badResponse
    QString body;   // response body text, for badResponse
    QString detail; // human-readable specifics for the transport and decoding kinds
    // The server that could not be reached (notConnected), when it is not OpenAI's: the user
    // chose it, and "No internet connection." would send them looking in the wrong place.
    QString server;

    static RewriteError of(Kind kind, QString detail = {}) {
        RewriteError error;
        error.kind = kind;
        error.detail = std::move(detail);
        return error;
    }

    bool isCancellation() const { return kind == Kind::cancelled; }

    // The text written into log lines and key-status lines.
    QString description() const;
};
