#pragma once

#include "settingswindow/KeyState.h"

#include <QPointer>
#include <QString>
#include <QStringList>

#include <qcoro/qcorotask.h>

#include <functional>

class KeychainStore;
class OpenAIClient;

// The one save-and-test of an API key, shared by the settings window and the first-run guide.
namespace KeyCheck {

inline const QString emptyKeyProblem = QStringLiteral("Paste your OpenAI key first.");
inline const QString serverWantsKey =
    QStringLiteral("This server wants an API key. Paste it first.");

struct Reports {
    std::function<void(KeyState)> state;
    // The models the server lists, when it lists them; may be left unset.
    std::function<void(QStringList)> offeredModels;
};

// Trims what was typed, stores it in the keyring, then asks the configured server whether it
// accepts the key and offers the chosen model, reporting each state it reaches. OpenAI always
// wants a key, so there a blank one is refused without touching the keyring; another server is
// tested without one, and the empty key is stored so that a key saved earlier is not sent there.
// A keyring failure ends it before any request. Nothing is reported once `owner` is gone.
QCoro::Task<> saveAndTest(QString typed, KeychainStore& keychain, OpenAIClient& client,
                          QPointer<QObject> owner, Reports report);

} // namespace KeyCheck
