#pragma once

#include "platform/SecretStore.h"

#include <chrono>

// The freedesktop Secret Service (gnome-keyring, KWallet, KeePassXC) through QtKeychain.
// An item is found by QtKeychain's attributes: "server" holds the service name, "user" the
// account. Secrets are stored as text, so that `secret-tool lookup` and Seahorse show them as
// they are; bytes that are not valid UTF-8 are refused.
// QtKeychain's plain-file fallback is never used. Main thread only (QtKeychain jobs need the
// thread's event loop).
class SecretServiceStore final : public SecretStore {
public:
    // A locked keyring may put up an unlock prompt and hold a call until the user answers it:
    // reads give up sooner than writes, which a user started and may be unlocking for.
    static constexpr std::chrono::milliseconds defaultReadTimeout{5000};
    static constexpr std::chrono::milliseconds defaultWriteTimeout{30000};

    explicit SecretServiceStore(std::chrono::milliseconds readTimeout = defaultReadTimeout,
                                std::chrono::milliseconds writeTimeout = defaultWriteTimeout);

    QCoro::Task<ReadResult> read(QString service, QString account) override;
    QCoro::Task<WriteResult> write(QString service, QString account, QByteArray secret) override;

private:
    std::chrono::milliseconds m_readTimeout;
    std::chrono::milliseconds m_writeTimeout;
};
