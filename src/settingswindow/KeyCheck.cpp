#include "settingswindow/KeyCheck.h"

#include "client/OpenAIClient.h"
#include "settings/KeychainStore.h"

namespace KeyCheck {

QCoro::Task<> saveAndTest(QString typed, KeychainStore& keychain, OpenAIClient& client,
                          QPointer<QObject> owner, std::function<void(KeyState)> report) {
    const QString key = typed.trimmed();
    if (key.isEmpty()) {
        report(KeyState::failed(emptyKeyProblem));
        co_return;
    }
    const std::optional<KeychainError> saveError = co_await keychain.setAPIKey(key);
    if (!owner) {
        co_return;
    }
    if (saveError) {
        report(KeyState::failed(saveError->description()));
        co_return;
    }
    report(KeyState::checking());
    const std::optional<RewriteError> refused = co_await client.validateKey(key);
    if (owner) {
        report(refused ? KeyState::failed(refused->description()) : KeyState::valid());
    }
}

} // namespace KeyCheck
