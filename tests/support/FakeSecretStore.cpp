#include "support/FakeSecretStore.h"

#include <qcoro/qcorotimer.h>

QCoro::Task<SecretStore::ReadResult> FakeSecretStore::read(QString service, QString account) {
    m_readServices << service;
    if (m_delay.count() > 0) {
        co_await QCoro::sleepFor(m_delay);
    }
    ReadResult result;
    std::optional<Failure> failure = m_readFailure;
    if (const auto it = m_readFailureByService.find(service); it != m_readFailureByService.end()) {
        failure = it->second;
    }
    if (failure) {
        result.code = failure->code;
        result.message = failure->message;
        co_return result;
    }
    const auto item = m_items.find({service, account});
    if (item == m_items.end()) {
        result.outcome = Outcome::NotFound;
    } else {
        result.outcome = Outcome::Success;
        result.secret = item->second;
    }
    co_return result;
}

QCoro::Task<SecretStore::WriteResult> FakeSecretStore::write(QString service, QString account,
                                                             QByteArray secret) {
    m_writeServices << service;
    if (m_delay.count() > 0) {
        co_await QCoro::sleepFor(m_delay);
    }
    WriteResult result;
    if (m_writeFailure) {
        result.code = m_writeFailure->code;
        result.message = m_writeFailure->message;
        co_return result;
    }
    m_items[{service, account}] = secret;
    result.outcome = Outcome::Success;
    co_return result;
}

void FakeSecretStore::put(const QString& service, const QString& account,
                          const QByteArray& secret) {
    m_items[{service, account}] = secret;
}

std::optional<QByteArray> FakeSecretStore::stored(const QString& service,
                                                  const QString& account) const {
    const auto item = m_items.find({service, account});
    if (item == m_items.end()) {
        return std::nullopt;
    }
    return item->second;
}
