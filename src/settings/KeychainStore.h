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
    // Inline, so that they are ready before any later static that copies them.
    // The current item's service: the application's reverse-DNS name.
    static inline const QString serviceName = QStringLiteral("app.palimo.Palimo");
    // An earlier release's item, only ever read, for migration.
    static inline const QString legacyServiceName = QStringLiteral("com.palimo.Palimo");
    static inline const QString accountName = QStringLiteral("openai-api-key");

    explicit KeychainStore(SecretStore& store);

    // The application's instance; set once by the composition root.
    static KeychainStore* shared();
    static void setShared(KeychainStore* store);

    // The stored key trimmed, or nothing; never fails (errors count as no key).
    // Migrates a legacy key into the current item the first time it is found.
    QCoro::Task<std::optional<QString>> apiKey();

    // Stores the key trimmed of white space at both ends. An empty key (for a server that needs
    // none) is stored too, and then reads as no key without bringing back a legacy one.
    QCoro::Task<std::optional<KeychainError>> setAPIKey(QString key);

private:
    // What one item gave: a usable key; nothing (no item, or bytes that are not a key); or a
    // store that could not be read at all (locked, refused, timed out, unavailable).
    struct ItemRead {
        std::optional<QString> key;
        bool failed = false;
        bool cleared = false; // an item that holds only white space: saved empty on purpose
    };
    QCoro::Task<ItemRead> readKey(QString service);

    SecretStore& m_store;
};
