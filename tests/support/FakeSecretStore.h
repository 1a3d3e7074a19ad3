#pragma once

#include "platform/SecretStore.h"

#include <QStringList>

#include <chrono>
#include <map>
#include <optional>
#include <utility>

// An in-memory secret store that records what it was asked and can be told to fail.
// Items are kept per (service, account); nothing is shared between instances.
class FakeSecretStore final : public SecretStore {
public:
    struct Failure {
        int code = 0;
        QString message;
    };

    QCoro::Task<ReadResult> read(QString service, QString account) override;
    QCoro::Task<WriteResult> write(QString service, QString account, QByteArray secret) override;

    // Direct access to the items, bypassing the failure settings and the call records.
    void put(const QString& service, const QString& account, const QByteArray& secret);
    std::optional<QByteArray> stored(const QString& service, const QString& account) const;
    qsizetype itemCount() const { return static_cast<qsizetype>(m_items.size()); }

    // Makes every read (or only the reads of one service) fail; std::nullopt stops it.
    void failReads(std::optional<Failure> failure) { m_readFailure = std::move(failure); }
    void failReadsOf(const QString& service, Failure failure) {
        m_readFailureByService[service] = std::move(failure);
    }
    void failWrites(std::optional<Failure> failure) { m_writeFailure = std::move(failure); }
    // Every call first waits this long on the event loop, as a real store's round trip does.
    void setDelay(std::chrono::milliseconds delay) { m_delay = delay; }

    // The service of every call, in order.
    const QStringList& readServices() const { return m_readServices; }
    const QStringList& writeServices() const { return m_writeServices; }
    int readCount() const { return static_cast<int>(m_readServices.size()); }
    int writeCount() const { return static_cast<int>(m_writeServices.size()); }

private:
    using ItemKey = std::pair<QString, QString>;

    std::map<ItemKey, QByteArray> m_items;
    std::optional<Failure> m_readFailure;
    std::map<QString, Failure> m_readFailureByService;
    std::optional<Failure> m_writeFailure;
    std::chrono::milliseconds m_delay{0};
    QStringList m_readServices;
    QStringList m_writeServices;
};
