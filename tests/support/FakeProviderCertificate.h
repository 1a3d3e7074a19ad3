#pragma once

#include <QSslCertificate>
#include <QSslKey>
#include <QString>

#include <optional>

// A self-signed certificate for 127.0.0.1 and localhost, made with the openssl command-line
// tool into a folder, valid for a day. The fake provider serves TLS with it; clients trust
// it explicitly. Blocks while openssl runs (a few tens of milliseconds): test set-up only.
struct FakeProviderCertificate {
    QSslCertificate certificate;
    QSslKey key;
    QString certificatePath; // PEM file, for clients in other processes

    // Nothing when openssl is missing or fails (the reason goes to the warning log).
    static std::optional<FakeProviderCertificate> generate(const QString& folder);
};
