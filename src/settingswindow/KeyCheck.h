#pragma once

#include "settingswindow/KeyState.h"

#include <QPointer>
#include <QString>

#include <qcoro/qcorotask.h>

#include <functional>

class KeychainStore;
class OpenAIClient;

// The one save-and-test of an API key, shared by the settings window and the first-run guide.
namespace KeyCheck {

inline const QString emptyKeyProblem = QStringLiteral("Paste your OpenAI key first.");

// Trims what was typed, stores it in the keyring, then asks the provider whether it accepts
// it, reporting each state it reaches. A blank key is refused without touching the keyring; a
// keyring failure ends it before any request. Nothing is reported once `owner` is gone.
QCoro::Task<> saveAndTest(QString typed, KeychainStore& keychain, OpenAIClient& client,
                          QPointer<QObject> owner, std::function<void(KeyState)> report);

} // namespace KeyCheck
