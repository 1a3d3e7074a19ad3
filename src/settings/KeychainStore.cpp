#include "settings/KeychainStore.h"

#include "base/Log.h"
#include "platform/SecretStore.h"

#include <QStringDecoder>

namespace {

KeychainStore* sharedStore = nullptr;

} // namespace

QString KeychainError::description() const {
    const QString reason =
        storeMessage.isEmpty() ? QStringLiteral("error ") + QString::number(status) : storeMessage;
    return QStringLiteral("Could not save to the keychain: ") + reason;
}

KeychainStore::KeychainStore(SecretStore& store)
    : m_store(store) {}

KeychainStore* KeychainStore::shared() {
    return sharedStore;
}

void KeychainStore::setShared(KeychainStore* store) {
    sharedStore = store;
}

QCoro::Task<KeychainStore::ItemRead> KeychainStore::readKey(QString service) {
    const SecretStore::ReadResult result = co_await m_store.read(service, accountName);
    ItemRead item;
    if (result.outcome != SecretStore::Outcome::Success) {
        item.failed = result.outcome == SecretStore::Outcome::Failed;
        co_return item;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    // QString::trimmed() drops exactly the Unicode white space and line breaks.
    const QString text = QString(decoder.decode(result.secret)).trimmed();
    if (!decoder.hasError() && !text.isEmpty()) {
        item.key = text;
    }
    item.cleared = !decoder.hasError() && text.isEmpty();
    co_return item;
}

QCoro::Task<std::optional<QString>> KeychainStore::apiKey() {
    const ItemRead current = co_await readKey(serviceName);
    if (current.key) {
        co_return current.key;
    }
    // The current item may hold a newer key that just could not be read (a locked keyring,
    // a time-out): migrating now would overwrite it with the old one.
    if (current.failed || current.cleared) {
        co_return std::nullopt;
    }
    const ItemRead legacy = co_await readKey(legacyServiceName);
    if (!legacy.key) {
        co_return std::nullopt;
    }
    // The legacy item stays, so a failed migration is tried again at the next read.
    if (const std::optional<KeychainError> error = co_await setAPIKey(*legacy.key)) {
        Log::error(error->description());
    } else {
        Log::info(QStringLiteral("Migrated the API key from the old keychain entry."));
    }
    co_return legacy.key;
}

QCoro::Task<std::optional<KeychainError>> KeychainStore::setAPIKey(QString key) {
    const SecretStore::WriteResult result =
        co_await m_store.write(serviceName, accountName, key.trimmed().toUtf8());
    if (result.outcome == SecretStore::Outcome::Success) {
        co_return std::nullopt;
    }
    co_return KeychainError{result.code, result.message};
}
