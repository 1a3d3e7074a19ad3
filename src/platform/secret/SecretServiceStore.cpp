#include "platform/secret/SecretServiceStore.h"

#include "base/Log.h"
#include "platform/secret/KeychainJobWait.h"

#include <QStringDecoder>

#include <qt6keychain/keychain.h>

namespace {

// The status reported for a call the keyring did not answer in time.
constexpr int timedOutStatus = QKeychain::OtherError;

QString seconds(std::chrono::milliseconds timeout) {
    return QString::number(static_cast<double>(timeout.count()) / 1000.0, 'g', 3);
}

std::optional<QString> asText(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

} // namespace

SecretServiceStore::SecretServiceStore(std::chrono::milliseconds readTimeout,
                                       std::chrono::milliseconds writeTimeout)
    : m_readTimeout(readTimeout)
    , m_writeTimeout(writeTimeout) {}

QCoro::Task<SecretStore::ReadResult> SecretServiceStore::read(QString service, QString account) {
    auto* job = new QKeychain::ReadPasswordJob(service);
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->setKey(account);

    const std::optional<KeychainJobWait::Finished> finished =
        co_await KeychainJobWait(job, m_readTimeout);
    ReadResult result;
    if (!finished) {
        const QString message =
            QStringLiteral(
                "The keyring did not answer within %1 s when reading %2 (is it locked?).")
                .arg(seconds(m_readTimeout), service);
        Log::error(message);
        result.code = timedOutStatus;
        result.message = message;
        co_return result;
    }
    switch (finished->error) {
    case QKeychain::NoError:
        result.outcome = Outcome::Success;
        result.secret = finished->data;
        break;
    case QKeychain::EntryNotFound:
        result.outcome = Outcome::NotFound;
        break;
    default:
        result.code = finished->error;
        result.message = finished->message;
        break;
    }
    co_return result;
}

QCoro::Task<SecretStore::WriteResult> SecretServiceStore::write(QString service, QString account,
                                                                QByteArray secret) {
    // QtKeychain files text and binary secrets as different items, so writing bytes over a text
    // item would leave the old text in place to be read back. Only text is ever stored.
    const std::optional<QString> text = asText(secret);
    if (!text) {
        WriteResult refused;
        refused.code = QKeychain::OtherError;
        refused.message = QStringLiteral("The keyring stores text only, and this secret is not "
                                         "valid UTF-8.");
        co_return refused;
    }
    auto* job = new QKeychain::WritePasswordJob(service);
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->setKey(account);
    job->setTextData(*text);

    const std::optional<KeychainJobWait::Finished> finished =
        co_await KeychainJobWait(job, m_writeTimeout);
    WriteResult result;
    if (!finished) {
        result.code = timedOutStatus;
        result.message = QStringLiteral("The keyring did not answer within %1 s (is it locked?).")
                             .arg(seconds(m_writeTimeout));
        co_return result;
    }
    if (finished->error == QKeychain::NoError) {
        result.outcome = Outcome::Success;
    } else {
        result.code = finished->error;
        result.message = finished->message;
    }
    co_return result;
}
