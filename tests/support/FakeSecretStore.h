#pragma once

#include "platform/SecretStore.h"

#include <QStringList>

#include <qcoro/qcorotimer.h>

#include <chrono>
#include <map>
#include <optional>
#include <utility>

// An in-memory secret store that records the service of every call and can be told to fail.
class FakeSecretStore final : public SecretStore {
public:
    struct Failure {
        int code = 0;
        QString message;
    };

    QCoro::Task<ReadResult> read(QString service, QString account) override {
        co_await called(m_readServices, service);
        ReadResult result{Outcome::NotFound, {}, 0, {}};
        if (const auto failure = m_readFailures.find(service); failure != m_readFailures.end()) {
            result = {Outcome::Failed, {}, failure->second.code, failure->second.message};
        } else if (const auto item = m_items.find({service, account}); item != m_items.end()) {
            result = {Outcome::Success, item->second, 0, {}};
        }
        co_return result;
    }
    QCoro::Task<WriteResult> write(QString service, QString account, QByteArray secret) override {
        co_await called(m_writeServices, service);
        if (m_writeFailure) {
            co_return WriteResult{Outcome::Failed, m_writeFailure->code, m_writeFailure->message};
        }
        m_items[{service, account}] = secret;
        co_return WriteResult{Outcome::Success, 0, {}};
    }

    // Direct access to the items, bypassing the failure settings and the call records.
    void put(const QString& service, const QString& account, const QByteArray& secret) {
        m_items[{service, account}] = secret;
    }
    std::optional<QByteArray> stored(const QString& service, const QString& account) const {
        const auto item = m_items.find({service, account});
        return item == m_items.end() ? std::nullopt : std::optional(item->second);
    }

    void failReadsOf(const QString& service, Failure failure) { m_readFailures[service] = failure; }
    // Makes every write fail; std::nullopt stops it.
    void failWrites(std::optional<Failure> failure) { m_writeFailure = std::move(failure); }
    // Every call first waits this long on the event loop, as a real store's round trip does.
    void setDelay(std::chrono::milliseconds delay) { m_delay = delay; }

    const QStringList& readServices() const { return m_readServices; }
    const QStringList& writeServices() const { return m_writeServices; }

private:
    QCoro::Task<> called(QStringList& calls, QString service) {
        calls << service;
        if (m_delay.count() > 0) {
            co_await QCoro::sleepFor(m_delay);
        }
    }

    std::map<std::pair<QString, QString>, QByteArray> m_items;
    std::map<QString, Failure> m_readFailures;
    std::optional<Failure> m_writeFailure;
    std::chrono::milliseconds m_delay{0};
    QStringList m_readServices;
    QStringList m_writeServices;
};
