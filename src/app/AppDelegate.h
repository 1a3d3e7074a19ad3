#pragma once

#include <QObject>

#include <memory>

class AtspiAccessibility;
class CaretLocator;
class FeedbackPill;
class HotkeyManager;
class KeychainStore;
class OpenAIClient;
class PromptPanel;
class RewriteController;
class SecretServiceStore;
class SettingsAssembly;
class SettingsStore;
class X11HotKeyService;
class X11Keystrokes;
class X11Pasteboard;
class X11Workspace;
class SignalWatcher;

// Owns the long-lived objects of the running application, picks the Linux backends and wires
// the shortcuts to the rewrite controller. Created once after the QApplication; never torn down
// before the process ends.
class AppDelegate final : public QObject {
    Q_OBJECT
public:
    AppDelegate();
    ~AppDelegate() override;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // Start-up: backends, callbacks, shortcuts, warm-up, then the permission and key checks.
    // False when this session cannot run Palimo at all (no X11 display).
    bool applicationDidFinishLaunching();

    // Opens the settings window, or brings it to the front.
    void showSettings();

private:
    void createFeedback();
    void wireCallbacks();
    void logStartupChecks();

    std::unique_ptr<SecretServiceStore> m_secrets;
    std::unique_ptr<KeychainStore> m_keychain;
    std::unique_ptr<X11HotKeyService> m_hotKeyService;
    std::unique_ptr<X11Pasteboard> m_pasteboard;
    std::unique_ptr<X11Keystrokes> m_keystrokes;
    std::unique_ptr<AtspiAccessibility> m_accessibility;
    std::unique_ptr<X11Workspace> m_workspace;
    std::unique_ptr<HotkeyManager> m_hotkeyManager;
    std::unique_ptr<OpenAIClient> m_client;
    std::unique_ptr<RewriteController> m_controller;
    std::unique_ptr<SettingsAssembly> m_settings;
    std::unique_ptr<CaretLocator> m_locator;
    std::unique_ptr<PromptPanel> m_promptPanel;
    std::shared_ptr<FeedbackPill> m_feedbackPill;
    SignalWatcher* m_signals = nullptr;
};
