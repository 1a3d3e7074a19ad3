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
    case QNetworkReply::OperationCanceledError:
        // Our own aborts are recorded before they happen, so an unexplained cancellation is
        // the transfer timeout of the request: nothing arrived for the idle limit.
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
    request.setTransferTimeout(static_cast<int>(limits.idle.count()));

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
