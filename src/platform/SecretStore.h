#pragma once

#include <QByteArray>
#include <QString>

#include <qcoro/qcorotask.h>

// One secret per (service, account) pair in the user's secret store.
// Calls never block the caller's thread; every call gives up after a bounded time.
class SecretStore {
public:
    enum class Outcome { Success, NotFound, Failed };

    struct ReadResult {
        Outcome outcome = Outcome::Failed;
        QByteArray secret; // the stored bytes, on Success
        int code = 0;      // the store's numeric status, on Failed
        QString message;   // the store's own message for the failure, may be empty
    };

    struct WriteResult {
        Outcome outcome = Outcome::Failed; // Success or Failed
        int code = 0;
        QString message;
    };

    SecretStore() = default;
    SecretStore(const SecretStore&) = delete;
    SecretStore& operator=(const SecretStore&) = delete;
    virtual ~SecretStore() = default;

    // NotFound when no item exists; Failed for locked, refused, timed out or unavailable.
    virtual QCoro::Task<ReadResult> read(QString service, QString account) = 0;
    // Creates or replaces the item. Failed carries the store's status and message.
    virtual QCoro::Task<WriteResult> write(QString service, QString account, QByteArray secret) = 0;
};
