#pragma once

#include <QStringList>

#include <memory>

class HotkeyManager;
class KeychainStore;
class LoginItems;
class MainMenu;
class OpenAIClient;
class SettingsModel;
class SettingsStore;
class SettingsWindowController;

// The settings side of the application: the model with its own client for key tests and the
// desktop's autostart, connected to the hotkey manager, and the window, built on first use.
class SettingsAssembly {
public:
    SettingsAssembly(SettingsStore& store, KeychainStore& keychain, HotkeyManager& hotkeys,
                     const MainMenu& mainMenu);
    ~SettingsAssembly();
    SettingsAssembly(const SettingsAssembly&) = delete;
    SettingsAssembly& operator=(const SettingsAssembly&) = delete;

    // Opens the settings window, or brings it to the front.
    void showWindow();
    // What this session does not let Palimo do, for the window to show.
    void setSessionLimits(const QStringList& lines);
    // After a hand edit of the settings file: the model reads it again.
    void reload();

private:
    const MainMenu& m_mainMenu;
    std::unique_ptr<OpenAIClient> m_keyTestClient;
    std::unique_ptr<LoginItems> m_loginItems;
    std::unique_ptr<SettingsModel> m_model;
    std::unique_ptr<SettingsWindowController> m_window;
};
