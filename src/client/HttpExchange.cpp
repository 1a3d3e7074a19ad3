#include "client/HttpExchange.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>

#include <qcoro/qcorosignal.h>

#include <optional>

namespace HttpExchange {

namespace {

QString spoken(std::chrono::milliseconds duration) {
    const auto ms = duration.count();
    return ms % 1000 == 0 ? QString::number(ms / 1000) + QStringLiteral(" s")
                          : QString::number(ms) + QStringLiteral(" ms");
}

// Errors below 200 are about the connection itself; the rest describe an HTTP answer.
bool isTransportFailure(QNetworkReply::NetworkError code) {
    return code > QNetworkReply::NoError && code < QNetworkReply::ContentAccessDenied;
}

RewriteError transportFailure(QNetworkReply::NetworkError code, const QString& text,
                              const Limits& limits) {
    using Kind = RewriteError::Kind;
    switch (code) {
    case QNetworkReply::TimeoutError:
        return RewriteError::of(Kind::timedOut,
                                QStringLiteral("no data for ") + spoken(limits.idle));
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
        return RewriteError::of(Kind::notConnected, text);
    case QNetworkReply::RemoteHostClosedError:
        return RewriteError::of(Kind::connectionLost, text);
    default:
        return RewriteError::of(Kind::other, text);
    }
}

} // namespace

QCoro::Task<std::variant<HttpAnswer, RewriteError>> send(QNetworkAccessManager& manager,
                                                         QNetworkRequest request, QByteArray body,
                                                         Limits limits, CancellationToken token) {
    using Kind = RewriteError::Kind;
    if (token.isCancelled()) {
        co_return RewriteError::of(Kind::cancelled);
    }
    const QPointer<QNetworkReply> reply =
        body.isNull() ? manager.get(request) : manager.post(request, body);
    QByteArray received;
    // Set just before we abort, so the finished reply can say why it ended.
    std::optional<RewriteError> abandoned;
    const auto abandon = [&](RewriteError why) {
        if (!abandoned && reply && !reply->isFinished()) {
            abandoned = std::move(why);
            reply->abort();
        }
    };
    const RewriteError tooLarge = RewriteError::of(
        Kind::bodyTooLarge, QStringLiteral("more than %1 bytes").arg(limits.maxBodyBytes));

    // Our handlers reach into this frame; they are cut off before it ends.
    const QMetaObject::Connection onHeaders =
        QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [&] {
            bool known = false;
            const qint64 length =
                reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
            if (known && length > limits.maxBodyBytes) {
                abandon(tooLarge);
            }
        });
    const QMetaObject::Connection onData =
        QObject::connect(reply, &QNetworkReply::readyRead, reply, [&] {
            received += reply->readAll();
            if (received.size() > limits.maxBodyBytes) {
                abandon(tooLarge);
            }
        });
    // The idle limit covers connecting, sending, and the gaps once the answer has begun; the
    // wait between the request going out and the first byte back is the model thinking, which
    // a local model on a long text can do for well over the idle limit: only the overall limit
    // bounds that.
    QTimer idle;
    idle.setSingleShot(true);
    QObject::connect(&idle, &QTimer::timeout, reply, [&] {
        abandon(
            RewriteError::of(Kind::timedOut, QStringLiteral("no data for ") + spoken(limits.idle)));
    });
    const auto restartIdle = [&idle, &limits] { idle.start(limits.idle); };
    const QMetaObject::Connection onProgress[] = {
        QObject::connect(reply, &QNetworkReply::socketStartedConnecting, reply, restartIdle),
        QObject::connect(reply, &QNetworkReply::uploadProgress, reply, restartIdle),
        QObject::connect(reply, &QNetworkReply::requestSent, reply, [&idle] { idle.stop(); }),
        QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, restartIdle),
        QObject::connect(reply, &QNetworkReply::readyRead, reply, restartIdle),
    };
    restartIdle();
    QTimer overall;
    overall.setSingleShot(true);
    QObject::connect(&overall, &QTimer::timeout, reply, [&] {
        abandon(RewriteError::of(Kind::timedOut, QStringLiteral("no complete answer within ") +
                                                     spoken(limits.overall)));
    });
    overall.start(limits.overall);
    const int subscription = token.subscribe([&] { abandon(RewriteError::of(Kind::cancelled)); });

    if (!reply->isFinished()) {
        co_await qCoro(reply.data(), &QNetworkReply::finished);
    }
    token.unsubscribe(subscription);
    overall.stop();
    idle.stop();
    for (const QMetaObject::Connection& connection : onProgress) {
        QObject::disconnect(connection);
    }
    QObject::disconnect(onHeaders);
    QObject::disconnect(onData);
    reply->deleteLater();

    if (abandoned) {
        co_return *abandoned;
    }
    if (reply->isOpen()) {
        received += reply->readAll();
    }
    if (received.size() > limits.maxBodyBytes) {
        co_return tooLarge;
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError code = reply->error();
    if (code == QNetworkReply::NoError || (status.isValid() && !isTransportFailure(code))) {
        co_return HttpAnswer{status.toInt(), received};
    }
    co_return transportFailure(code, reply->errorString(), limits);
}

} // namespace HttpExchange
