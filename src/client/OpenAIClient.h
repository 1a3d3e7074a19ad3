#pragma once

#include "client/CancellationToken.h"
#include "client/HttpExchange.h"
#include "client/ProviderAddress.h"
#include "client/RewriteError.h"
#include "client/RewriteRequest.h"
#include "client/ServerCheck.h"

#include <QList>
#include <QSslCertificate>
#include <QString>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <variant>

class QNetworkAccessManager;
class QNetworkReply;
#include <QNetworkRequest>
class QUrl;

using RewriteOutcome = std::variant<RewriteResult, RewriteError>;

// The one component that talks to the model provider: a rewrite through its chat-completions
// endpoint, a key test through its models endpoint, and a warm-up that opens the connection
// before the first rewrite needs it. Every failure is a RewriteError value.
//
// Each client has its own network session: no cookies, no cache, no stored credentials, no
// redirects followed. Main thread only; the client must outlive the calls it has started.
class OpenAIClient {
public:
    using KeySource = std::function<QCoro::Task<std::optional<QString>>()>;
    using AddressSource = std::function<ProviderAddress::Address()>;
    using ModelSource = std::function<QString()>;

    struct Options {
        // Connecting, sending, or a gap this long once the answer has begun ends a call with
        // timedOut. The server's time before its first byte is bounded by overallTimeout alone.
        std::chrono::milliseconds idleTimeout{10'000};
        // No call lasts longer than this in all.
        std::chrono::milliseconds overallTimeout{60'000};
        // A larger answer ends the call with bodyTooLarge.
        qint64 maxBodyBytes = 8 * 1024 * 1024;
        // Read at every rewrite; unset means the application's keychain store.
        KeySource apiKey;
        // Read at every call; unset means ProviderAddress::configured().
        AddressSource baseAddress;
        // Read at every rewrite and key test; unset means ModelSetting::configured().
        ModelSource model;
        // Trusted in addition to the system's authorities (a test server's own certificate).
        QList<QSslCertificate> extraCertificates;
    };

    OpenAIClient();
    explicit OpenAIClient(Options options);
    ~OpenAIClient();
    OpenAIClient(const OpenAIClient&) = delete;
    OpenAIClient& operator=(const OpenAIClient&) = delete;

    static constexpr const char* chatPath = "/v1/chat/completions";
    static constexpr const char* modelsPath = "/v1/models";

    // One chat-completions call. Cancelling the token ends it at once with kind cancelled.
    QCoro::Task<RewriteOutcome> rewrite(RewriteRequest request, CancellationToken token = {});

    // Nothing when the provider accepts the key; missingAPIKey when it is blank and the server
    // needs one (nothing sent then, or the server answered 401 to no key), invalidAPIKey on 401,
    // badResponse on any other status but 200.
    QCoro::Task<std::optional<RewriteError>> validateKey(QString key);
    // The same test, and what the server's answer says about the configured model.
    QCoro::Task<std::variant<ServerCheck, RewriteError>> checkServer(QString key);

    // Whether a blank key is refused before asking the configured server.
    bool needsKey() const;

    // Returns at once; opens the connection in the background. Its outcome is dropped.
    void prewarm();
    // The same warm-up, for a caller that wants to know when the connection is up.
    QCoro::Task<> warmUp();

private:
    std::variant<QUrl, RewriteError> resolve(const char* path) const;
    // The request to path with the bearer key (none for a blank key to a server that may not
    // need one); fails for a blank key the server needs, an unusable key (nothing is sent then)
    // and an address that may not carry it.
    std::variant<QNetworkRequest, RewriteError> authorizedRequest(const QString& key,
                                                                  const char* path) const;
    QNetworkRequest makeRequest(const QUrl& url) const;
    // The warm-up request, sent; nothing when the address is refused.
    QNetworkReply* sendWarmUp();
    HttpExchange::Limits limits() const;

    Options m_options;
    std::unique_ptr<QNetworkAccessManager> m_manager;
};
