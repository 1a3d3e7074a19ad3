#pragma once

#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// One Palimo per session: the first process owns the application's name on the session bus
// and serves the freedesktop activation interface there (org.freedesktop.Application, which
// launchers and D-Bus-activatable desktop entries call); a later start asks it to open its
// settings instead of fighting it for the shortcuts, and `palimo --rewrite` hands its press over
// as a named action. Without a session bus every process runs on its own, as before.
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

    // Asks the running instance to run a named action, without starting one. Nothing when it
    // took the action; otherwise the sentence that says why not ("Palimo is not running.").
    static std::optional<QString> requestAction(const QString& name);

    // What an activation request does here; runs on the main thread after the call returns.
    void setOnActivate(std::function<void()> callback) { m_onActivate = std::move(callback); }
    void activated();
    // The same for a named action. Only the names set here are taken.
    void setOnAction(const QString& name, std::function<void()> callback);
    // False for a name nobody set; otherwise runs it after the call returns.
    bool runAction(const QString& name);

private:
    std::function<void()> m_onActivate;
    QHash<QString, std::function<void()>> m_actions;
};
