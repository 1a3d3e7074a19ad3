#pragma once

#include <QString>

#include <qcoro/qcorotask.h>

#include <optional>

class SecretStore;

// The failure of saving the API key, with its user-facing description.
struct KeychainError {
    int status = 0;
    QString storeMessage; // the store's own text for the status; may be empty

    // "Could not save to the keychain: " + the store's message, or "error " + status.
    QString description() const;
};

// The user's OpenAI API key in the secret store, under account "openai-api-key".
// Stateless apart from the store it talks to: every call goes to the store.
class KeychainStore {
public:
    static const QString serviceName;       // current item
    static const QString legacyServiceName; // an earlier release's item, read for migration
    static const QString accountName;       // "openai-api-key"

    explicit KeychainStore(SecretStore& store);

    // The application's instance; set once by the composition root.
    static KeychainStore* shared();
    static void setShared(KeychainStore* store);

    // The stored key trimmed, or nothing; never fails (errors count as no key).
    // Migrates a legacy key into the current item the first time it is found.
    QCoro::Task<std::optional<QString>> apiKey();

    // Stores the key trimmed of white space at both ends.
    QCoro::Task<std::optional<KeychainError>> setAPIKey(QString key);

private:
    QCoro::Task<std::optional<QString>> readKey(QString service);

    SecretStore& m_store;
};
