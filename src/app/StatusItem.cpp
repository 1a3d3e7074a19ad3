#include "app/StatusItem.h"

#include "app/Branding.h"
#include "app/MainMenu.h"
#include "base/Log.h"
#include "platform/Keystrokes.h"
#include "settings/KeychainStore.h"

#include <QCoreApplication>
#include <QCursor>
#include <QMenu>
#include <QPointer>
#include <QSystemTrayIcon>

StatusItem::StatusItem(Actions actions, KeychainStore& keychain, const Keystrokes& keystrokes,
                       QObject* parent)
    : QObject(parent)
    , m_keychain(keychain)
    , m_keystrokes(keystrokes)
    , m_menu(new QMenu()) {
    m_setupItem = m_menu->addAction(setupTitle, this, std::move(actions.showOnboarding));
    m_menu->addAction(QStringLiteral("Settings…"), QKeySequence(Qt::CTRL | Qt::Key_Comma), this,
                      std::move(actions.openSettings));
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("About Palimo"), this, std::move(actions.showAbout));
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("Quit Palimo"), QKeySequence(Qt::CTRL | Qt::Key_Q), this,
                      &MainMenu::quit);
    connect(m_menu, &QMenu::aboutToShow, this, [this] { menuWillOpen(); });

    m_tray = new QSystemTrayIcon(Branding::menuBarImage(), this);
    m_tray->setToolTip(QStringLiteral("Palimo"));
    m_tray->setContextMenu(m_menu);
    // A left click opens the same menu, as on the desktops whose trays only send activation.
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason why) {
                if (why == QSystemTrayIcon::Trigger) {
                    m_menu->popup(QCursor::pos());
                }
            });
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        Log::info(QStringLiteral("No system tray in this session, so Palimo has no tray icon; "
                                 "start Palimo again to open its settings."));
    }
    m_tray->show();
    // Asks the keyring now, so the first opening already has an answer to start from.
    menuWillOpen();
}

StatusItem::~StatusItem() {
    delete m_menu;
}

QCoro::Task<> StatusItem::menuWillOpen() {
    const QPointer<StatusItem> self(this);
    const bool trusted = m_keystrokes.isAvailable();
    m_setupItem->setText(trusted && m_hadKey ? setupTitle : finishSetupTitle);
    const bool hasKey = (co_await m_keychain.apiKey()).has_value();
    if (self) {
        self->m_hadKey = hasKey;
        self->m_setupItem->setText(trusted && hasKey ? setupTitle : finishSetupTitle);
    }
}
