#pragma once

#include <QObject>
#include <QString>

#include <functional>

// One Palimo per session: the first process owns the application's name on the session bus
// and serves the freedesktop activation interface there (org.freedesktop.Application, which
// launchers and D-Bus-activatable desktop entries call); a later start asks it to open its
// settings instead of fighting it for the shortcuts. Without a session bus every process
// runs on its own, as before.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    static inline const QString busName = QStringLiteral("app.palimo.Palimo");
    static inline const QString objectPath = QStringLiteral("/app/palimo/Palimo");

    enum class Claim {
        owned,        // this process is the instance
        otherRunning, // another process owns the name
        noBus,        // no session bus, or it refused: run anyway
    };

    explicit SingleInstance(QObject* parent = nullptr);

    // Takes the name (serving the interface first, so no call can find it missing).
    Claim claim();
    // Asks the running instance to open its settings. False, with the reason logged, when it
    // does not answer in time.
    bool activateRunning();

    // What an activation request does here; runs on the main thread after the call returns.
    void setOnActivate(std::function<void()> callback) { m_onActivate = std::move(callback); }
    void activated();

private:
    std::function<void()> m_onActivate;
};
