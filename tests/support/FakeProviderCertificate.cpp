#include "FakeProviderCertificate.h"

#include <QFile>
#include <QProcess>
#include <QtDebug>

std::optional<FakeProviderCertificate> FakeProviderCertificate::generate(const QString& folder) {
    const QString certPath = folder + QStringLiteral("/fake-provider-cert.pem");
    const QString keyPath = folder + QStringLiteral("/fake-provider-key.pem");
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                   QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                   QStringLiteral("-days"), QStringLiteral("1"), QStringLiteral("-subj"),
                   QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                   QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost"),
                   QStringLiteral("-keyout"), keyPath, QStringLiteral("-out"), certPath});
    if (!openssl.waitForFinished(30'000) || openssl.exitStatus() != QProcess::NormalExit ||
        openssl.exitCode() != 0) {
        qWarning() << "openssl could not make a certificate:" << openssl.errorString()
                   << openssl.readAll();
        return std::nullopt;
    }
    QFile certFile(certPath);
    QFile keyFile(keyPath);
    if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly)) {
        qWarning() << "cannot read the generated certificate";
        return std::nullopt;
    }
    FakeProviderCertificate result;
    result.certificate = QSslCertificate(certFile.readAll(), QSsl::Pem);
    result.key = QSslKey(keyFile.readAll(), QSsl::Ec, QSsl::Pem);
    result.certificatePath = certPath;
    if (result.certificate.isNull() || result.key.isNull()) {
        qWarning() << "the generated certificate does not load";
        return std::nullopt;
    }
    return result;
}
