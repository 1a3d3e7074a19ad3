#include "client/ProviderAddress.h"

#include "settings/Preferences.h"

#include <QHostAddress>
#include <QtGlobal>

#include <algorithm>
#include <iterator>

namespace ProviderAddress {

QString choose(const std::optional<QString>& environment,
               const std::optional<QString>& preference) {
    const std::optional<QString> candidates[] = {environment, preference};
    const auto usable =
        std::find_if(std::begin(candidates), std::end(candidates), [](const auto& candidate) {
            return candidate && !candidate->trimmed().isEmpty();
        });
    return usable != std::end(candidates) ? (*usable)->trimmed() : QString::fromLatin1(defaultBase);
}

Address configured() {
    std::optional<QString> environment;
    if (qEnvironmentVariableIsSet(environmentVariable)) {
        environment = qEnvironmentVariable(environmentVariable);
    }
    const Preferences preferences(Preferences::defaultFilePath());
    const std::optional<QString> preference = preferences.text(QString::fromLatin1(preferenceKey));
    const bool fromEnvironment = environment && !environment->trimmed().isEmpty();
    if (!fromEnvironment && preferences.hidesValueOf(QString::fromLatin1(preferenceKey))) {
        return RewriteError::of(
            RewriteError::Kind::refusedAddress,
            QStringLiteral("the settings file ") + preferences.filePath() +
                QStringLiteral(" cannot be read, so the server chosen there is unknown; fix or "
                               "remove the file, or set ") +
                QString::fromLatin1(environmentVariable));
    }
    return choose(environment, preference);
}

bool isLoopbackHost(const QString& host) {
    if (host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

QString keyRecipient(const QString& base) {
    const QUrl url = QUrl::fromUserInput(base);
    if (url.host().isEmpty()) {
        return base;
    }
    if (url.host().compare(QUrl(QString::fromLatin1(defaultBase)).host(), Qt::CaseInsensitive) ==
        0) {
        return QStringLiteral("OpenAI");
    }
    return url.adjusted(QUrl::RemoveUserInfo).authority();
}

bool needsKey(const QString& base) {
    const QString defaultHost = QUrl(QString::fromLatin1(defaultBase)).host();
    return QUrl(base.trimmed()).host().compare(defaultHost, Qt::CaseInsensitive) == 0;
}

std::variant<QUrl, QString> endpoint(const QString& base, const QString& path) {
    const QUrl url(base, QUrl::StrictMode);
    const QString quoted = QStringLiteral("\"") + base + QStringLiteral("\"");
    if (!url.isValid() || url.isRelative()) {
        return quoted + QStringLiteral(" is not a valid web address");
    }
    const QString scheme = url.scheme();
    if (scheme != QStringLiteral("https") && scheme != QStringLiteral("http")) {
        return quoted + QStringLiteral(" is not an https address");
    }
    if (url.host().isEmpty()) {
        return quoted + QStringLiteral(" names no host");
    }
    if (!url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment()) {
        return quoted + QStringLiteral(
                            " must be a plain base address, without user name, query or fragment");
    }
    if (scheme == QStringLiteral("http") && !isLoopbackHost(url.host())) {
        return quoted + QStringLiteral(" uses plain http, which would send the key unencrypted; "
                                       "use https (http is allowed only for localhost, "
                                       "127.0.0.0/8 and ::1)");
    }
    QUrl result = url;
    QString prefix = url.path();
    while (prefix.endsWith(QLatin1Char('/'))) {
        prefix.chop(1);
    }
    result.setPath(prefix + path);
    return result;
}

} // namespace ProviderAddress
