#pragma once

#include <QNetworkCookie>
#include <QNetworkCookieJar>

// Nothing of one exchange may follow the next: cookies a server sets are dropped, none are sent.
class DiscardingCookieJar : public QNetworkCookieJar {
public:
    using QNetworkCookieJar::QNetworkCookieJar;

    QList<QNetworkCookie> cookiesForUrl(const QUrl&) const override { return {}; }
    bool setCookiesFromUrl(const QList<QNetworkCookie>&, const QUrl&) override { return false; }
};
