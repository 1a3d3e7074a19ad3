#pragma once

#include <QObject>

#include <qcoro/qcorotask.h>

#include <functional>

class KeychainStore;
class Keystrokes;
class QAction;
class QMenu;
class QSystemTrayIcon;

// Palimo's icon in the system tray and its menu: "Setup…" (or "Finish setup…" while the key
// or keystrokes are missing, decided each time the menu opens), "Settings…", "About Palimo"
// and "Quit Palimo". Qt speaks StatusNotifierItem with a D-Bus menu where the desktop has a
// watcher, and the XEmbed tray elsewhere. Without any tray Palimo still runs; starting it
// again opens Settings.
class StatusItem final : public QObject {
    Q_OBJECT
public:
    static inline const QString setupTitle = QStringLiteral("Setup…");
    static inline const QString finishSetupTitle = QStringLiteral("Finish setup…");

    struct Actions {
        std::function<void()> showOnboarding;
        std::function<void()> openSettings;
        std::function<void()> showAbout;
    };

    StatusItem(Actions actions, KeychainStore& keychain, const Keystrokes& keystrokes,
               QObject* parent = nullptr);
    ~StatusItem() override;

    QMenu* menu() const { return m_menu; }
    QAction* setupItem() const { return m_setupItem; }

private:
    QCoro::Task<> menuWillOpen();

    KeychainStore& m_keychain;
    const Keystrokes& m_keystrokes;
    QMenu* m_menu = nullptr;
    QAction* m_setupItem = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    // What the last look at the keyring found; the title starts from it while it asks again.
    bool m_hadKey = false;
};
