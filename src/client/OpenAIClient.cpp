#include "client/OpenAIClient.h"

#include "client/ChatCompletion.h"
#include "client/DiscardingCookieJar.h"
#include "client/ModelSetting.h"
#include "client/ProviderAddress.h"
#include "settings/KeychainStore.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSslConfiguration>
#include <QTimer>
#include <QUrl>

#include <qcoro/qcorosignal.h>
#include <qcoro/qcorotimer.h>

#include <algorithm>

namespace {

QCoro::Task<std::optional<QString>> keychainKey() {
    KeychainStore* store = KeychainStore::shared();
    if (store == nullptr) {
        co_return std::nullopt;
    }
    co_return co_await store->apiKey();
}

struct KeyRead {
    bool cancelled = false;
    std::optional<QString> key;
};

// The stored key, but Escape must not wait for a slow secret store: a cancelled token ends
// the wait at once (the read runs on and its answer is dropped). A store that never answers
// counts as no key once the call's overall limit has passed.
QCoro::Task<KeyRead> readKey(const OpenAIClient::KeySource& source, CancellationToken token,
                             std::chrono::milliseconds limit) {
    struct Wait {
        std::optional<std::optional<QString>> key;
        QTimer wake;
    };
    const auto wait = std::make_shared<Wait>();
    wait->wake.setSingleShot(true);
    wait->wake.start(limit);
    QCoro::connect(source(), &wait->wake, [wait](std::optional<QString> key) {
        wait->key = std::move(key);
        wait->wake.start(0);
    });
    const int subscription = token.subscribe([wait] { wait->wake.start(0); });
    if (!wait->key && !token.isCancelled()) {
        co_await wait->wake;
    }
    token.unsubscribe(subscription);
    wait->wake.stop();
    if (token.isCancelled()) {
        co_return KeyRead{true, std::nullopt};
    }
    co_return KeyRead{false, wait->key.value_or(std::nullopt)};
}

// A key with a line break or another control character inside would corrupt the header.
bool isUsableInHeader(const QString& key) {
    return std::none_of(key.begin(), key.end(),
                        [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

RewriteError unusableKey() {
    return RewriteError::of(RewriteError::Kind::other,
                            QStringLiteral("the API key contains a line break or another control "
                                           "character; copy it again"));
}

// Names a server of the user's own choosing when it cannot be reached.
RewriteError naming(RewriteError error, const QUrl& url) {
    if (error.kind == RewriteError::Kind::notConnected &&
        url.host() != QUrl(QString::fromLatin1(ProviderAddress::defaultBase)).host()) {
        error.server = url.adjusted(QUrl::RemovePath).toString();
    }
    return error;
}

RewriteError badResponse(const HttpAnswer& answer) {
    RewriteError bad = RewriteError::of(RewriteError::Kind::badResponse);
    bad.status = answer.status;
    bad.body = ChatCompletion::bodyText(answer.body);
    return bad;
}

QByteArray bearer(const QString& key) {
    return QByteArrayLiteral("Bearer ") + key.toUtf8();
}

const QByteArray authorization = QByteArrayLiteral("Authorization");

// A 401 to a request sent without a key means the server wants one, not that a key is wrong.
bool wantsKey(const QNetworkRequest& sent, const HttpAnswer& answer) {
    return answer.status == 401 && !sent.hasRawHeader(authorization);
}

} // namespace

OpenAIClient::OpenAIClient()
    : OpenAIClient(Options{}) {}

OpenAIClient::OpenAIClient(Options options)
    : m_options(std::move(options))
    , m_manager(std::make_unique<QNetworkAccessManager>()) {
    if (!m_options.apiKey) {
        m_options.apiKey = keychainKey;
    }
    if (!m_options.baseAddress) {
        m_options.baseAddress = ProviderAddress::configured;
    }
    if (!m_options.model) {
        m_options.model = ModelSetting::configured;
    }
    m_manager->setCookieJar(new DiscardingCookieJar(m_manager.get()));
    // A redirect could carry the Authorization header somewhere else; an API never needs one.
    m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    // Credentials are never supplied, so a 401 ends the exchange as a plain answer.
}

OpenAIClient::~OpenAIClient() = default;

HttpExchange::Limits OpenAIClient::limits() const {
    return {m_options.idleTimeout, m_options.overallTimeout, m_options.maxBodyBytes};
}

std::variant<QUrl, RewriteError> OpenAIClient::resolve(const char* path) const {
    const ProviderAddress::Address base = m_options.baseAddress();
    if (const auto* refused = std::get_if<RewriteError>(&base)) {
        return *refused;
    }
    auto url = ProviderAddress::endpoint(std::get<QString>(base), QString::fromLatin1(path));
    if (const QString* refused = std::get_if<QString>(&url)) {
        return RewriteError::of(RewriteError::Kind::refusedAddress, *refused);
    }
    return std::get<QUrl>(url);
}

std::variant<QNetworkRequest, RewriteError>
OpenAIClient::authorizedRequest(const QString& key, const char* path) const {
    const QString trimmed = key.trimmed();
    if (trimmed.isEmpty() && needsKey()) {
        return RewriteError::of(RewriteError::Kind::missingAPIKey);
    }
    if (!isUsableInHeader(trimmed)) {
        return unusableKey();
    }
    auto url = resolve(path);
    if (auto* refused = std::get_if<RewriteError>(&url)) {
        return *refused;
    }
    QNetworkRequest request = makeRequest(std::get<QUrl>(url));
    if (!trimmed.isEmpty()) {
        request.setRawHeader(authorization, bearer(trimmed));
    }
    return request;
}

QNetworkRequest OpenAIClient::makeRequest(const QUrl& url) const {
    QNetworkRequest request(url);
    if (!m_options.extraCertificates.isEmpty()) {
        QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
        ssl.addCaCertificates(m_options.extraCertificates);
        request.setSslConfiguration(ssl);
    }
    return request;
}

QCoro::Task<RewriteOutcome> OpenAIClient::rewrite(RewriteRequest request, CancellationToken token) {
    using Kind = RewriteError::Kind;
    if (token.isCancelled()) {
        co_return RewriteError::of(Kind::cancelled);
    }
    const KeyRead stored = co_await readKey(m_options.apiKey, token, m_options.overallTimeout);
    if (stored.cancelled) {
        co_return RewriteError::of(Kind::cancelled);
    }
    auto prepared = authorizedRequest(stored.key.value_or(QString()), chatPath);
    if (auto* refused = std::get_if<RewriteError>(&prepared)) {
        co_return *refused;
    }
    QNetworkRequest http = std::get<QNetworkRequest>(prepared);
    http.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    // Read once, so the log line and the usage record name the model this request asked for.
    const QString model = m_options.model();
    if (model.isEmpty()) {
        co_return RewriteError::of(Kind::other, ModelSetting::unknownReason());
    }

    auto outcome = co_await HttpExchange::send(
        *m_manager, http, ChatCompletion::requestBody(request, model), limits(), token);
    if (auto* error = std::get_if<RewriteError>(&outcome)) {
        co_return naming(*error, http.url());
    }
    const HttpAnswer& answer = std::get<HttpAnswer>(outcome);
    if (wantsKey(http, answer)) {
        co_return RewriteError::of(Kind::missingAPIKey);
    }
    if (answer.status != 200) {
        co_return badResponse(answer);
    }
    auto decoded = ChatCompletion::decodeAnswer(answer.body);
    if (auto* result = std::get_if<RewriteResult>(&decoded)) {
        result->model = model;
    }
    co_return decoded;
}

QCoro::Task<std::optional<RewriteError>> OpenAIClient::validateKey(QString key) {
    auto checked = co_await checkServer(std::move(key));
    if (auto* error = std::get_if<RewriteError>(&checked)) {
        co_return *error;
    }
    co_return std::nullopt;
}

QCoro::Task<std::variant<ServerCheck, RewriteError>> OpenAIClient::checkServer(QString key) {
    using Kind = RewriteError::Kind;
    auto prepared = authorizedRequest(key, modelsPath);
    if (auto* refused = std::get_if<RewriteError>(&prepared)) {
        co_return *refused;
    }
    const QNetworkRequest http = std::get<QNetworkRequest>(prepared);
    const QString model = m_options.model();
    if (model.isEmpty()) {
        co_return RewriteError::of(Kind::other, ModelSetting::unknownReason());
    }

    auto outcome =
        co_await HttpExchange::send(*m_manager, http, QByteArray(), limits(), CancellationToken());
    if (auto* error = std::get_if<RewriteError>(&outcome)) {
        co_return naming(*error, http.url());
    }
    const HttpAnswer& answer = std::get<HttpAnswer>(outcome);
    if (answer.status == 200) {
        co_return ServerCheck{model, ServerCheck::modelList(answer.body)};
    }
    if (answer.status == 401) {
        co_return RewriteError::of(wantsKey(http, answer) ? Kind::missingAPIKey
                                                          : Kind::invalidAPIKey);
    }
    co_return badResponse(answer);
}

bool OpenAIClient::needsKey() const {
    // A refused address is reported as such by resolve(), not as a missing key.
    const ProviderAddress::Address base = m_options.baseAddress();
    const QString* address = std::get_if<QString>(&base);
    return address && ProviderAddress::needsKey(*address);
}

void OpenAIClient::prewarm() {
    // No coroutine waits on this one: a coroutine resumes through a queued call, which never
    // comes once the event loop has ended, so quitting mid-warm-up would strand its frame. The
    // reply belongs to the manager and goes with it.
    if (QNetworkReply* reply = sendWarmUp()) {
        QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    }
}

QCoro::Task<> OpenAIClient::warmUp() {
    const QPointer<QNetworkReply> reply = sendWarmUp();
    if (reply && !reply->isFinished()) {
        co_await qCoro(reply.data(), &QNetworkReply::finished);
    }
    if (reply) {
        reply->deleteLater();
    }
}

QNetworkReply* OpenAIClient::sendWarmUp() {
    // A plain GET without key or body through the same manager: name lookup, TCP and TLS are
    // then done, and the kept-alive connection serves the first rewrite.
    auto url = resolve(chatPath);
    if (std::holds_alternative<RewriteError>(url)) {
        return nullptr;
    }
    QNetworkRequest request = makeRequest(std::get<QUrl>(url));
    request.setTransferTimeout(static_cast<int>(limits().idle.count()));
    QNetworkReply* reply = m_manager->get(request);
    // The answer is never looked at; reading it as it comes keeps a large one from piling up.
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply] { reply->readAll(); });
    return reply;
}
