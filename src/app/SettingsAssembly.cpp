#include "app/SettingsAssembly.h"

#include "app/ActivationPolicy.h"
#include "app/MainMenu.h"
#include "client/OpenAIClient.h"
#include "platform/xdg/XdgAutostart.h"
#include "settingswindow/SettingsModel.h"
#include "settingswindow/SettingsWindowController.h"
#include "shortcuts/HotkeyManager.h"

#include <QCoreApplication>

SettingsAssembly::SettingsAssembly(SettingsStore& store, KeychainStore& keychain,
                                   HotkeyManager& hotkeys, const MainMenu& mainMenu)
    : m_mainMenu(mainMenu)
    , m_keyTestClient(std::make_unique<OpenAIClient>())
    , m_loginItems(std::make_unique<XdgAutostart>(
          QCoreApplication::applicationFilePath(),
          // The entry installed beside this very binary (<prefix>/bin, <prefix>/share), not one
          // of another installation.
          QCoreApplication::applicationDirPath() +
              QStringLiteral("/../share/applications/app.palimo.Palimo.desktop")))
    , m_model(std::make_unique<SettingsModel>(store, keychain, *m_keyTestClient, *m_loginItems)) {
    // The manager outlives this object (the delegate owns both and drops this one first).
    HotkeyManager* manager = &hotkeys;
    m_model->setOnHotkeyChanged([manager] { manager->reload(); });
    m_model->setOnRecordingChanged([manager](bool recording) { manager->setSuspended(recording); });
}

SettingsAssembly::~SettingsAssembly() = default;

void SettingsAssembly::showWindow() {
    if (!m_window) {
        m_window = std::make_unique<SettingsWindowController>(*m_model);
        m_window->setOnOpened([] { ActivationPolicy::acquire(); });
        m_window->setOnClosed([] { ActivationPolicy::release(); });
        m_window->show();
        m_mainMenu.install(m_window->window());
        return;
    }
    m_window->show();
}

void SettingsAssembly::setSessionLimits(const QStringList& lines) {
    m_model->setSessionLimits(lines);
}

void SettingsAssembly::reload() {
    m_model->reloadFromStore();
}
