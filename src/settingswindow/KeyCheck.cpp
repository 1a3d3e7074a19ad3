#include "settingswindow/KeyCheck.h"

#include "client/OpenAIClient.h"
#include "settings/KeychainStore.h"

namespace KeyCheck {

QCoro::Task<> saveAndTest(QString typed, KeychainStore& keychain, OpenAIClient& client,
                          QPointer<QObject> owner, Reports report) {
    const QString key = typed.trimmed();
    if (key.isEmpty() && client.needsKey()) {
        report.state(KeyState::failed(emptyKeyProblem));
        co_return;
    }
    const std::optional<KeychainError> saveError = co_await keychain.setAPIKey(key);
    if (!owner) {
        co_return;
    }
    if (saveError) {
        report.state(KeyState::failed(saveError->description()));
        co_return;
    }
    report.state(KeyState::checking());
    const auto checked = co_await client.checkServer(key);
    if (!owner) {
        co_return;
    }
    if (const auto* refused = std::get_if<RewriteError>(&checked)) {
        report.state(KeyState::failed(refused->kind == RewriteError::Kind::missingAPIKey
                                          ? serverWantsKey
                                          : refused->description()));
        co_return;
    }
    const ServerCheck& check = std::get<ServerCheck>(checked);
    if (check.offered && report.offeredModels) {
        report.offeredModels(*check.offered);
    }
    const std::optional<QString> problem = check.problem();
    report.state(problem ? KeyState::failed(*problem) : KeyState::valid());
}

} // namespace KeyCheck
