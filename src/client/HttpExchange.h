#pragma once

#include "client/CancellationToken.h"
#include "client/RewriteError.h"

#include <QByteArray>
#include <QNetworkRequest>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <variant>

class QNetworkAccessManager;

// What came back from the server: any HTTP status with its whole body.
struct HttpAnswer {
    int status = 0;
    QByteArray body;
};

// One request with the client's limits: an idle limit while connecting, sending and receiving
// (not while the server works out its answer), an overall limit, a cap on the body, and
// cancellation at once through a token. Transport failures come back as RewriteError values of the
// transport kinds.
namespace HttpExchange {

struct Limits {
    std::chrono::milliseconds idle{10'000};
    std::chrono::milliseconds overall{60'000};
    qint64 maxBodyBytes = 8 * 1024 * 1024;
};

// body null: GET; otherwise POST with that body.
QCoro::Task<std::variant<HttpAnswer, RewriteError>> send(QNetworkAccessManager& manager,
                                                         QNetworkRequest request, QByteArray body,
                                                         Limits limits, CancellationToken token);

} // namespace HttpExchange
