#pragma once

#include "platform/SessionAbilities.h"
#include "platform/WindowOrigin.h"

#include <QObject>

#include <qcoro/qcorotask.h>

#include <functional>
#include <memory>

class AtspiAccessibility;
class CaretLocator;
class FeedbackPill;
class HotKeyService;
class HotkeyManager;
class Keystrokes;
class KeychainStore;
class MainMenu;
class OnboardingAssembly;
class OpenAIClient;
class Pasteboard;
class PromptPanel;
class RewriteController;
class SecretServiceStore;
class SettingsAssembly;
class SettingsStore;
class StatusItem;
class SwayWindows;
class SignalWatcher;
class Workspace;

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

    // Start-up: backends, the key equivalents and the tray, callbacks, shortcuts, warm-up, then
    // the guide on first run or else the permission and key checks. False when this session
    // cannot run Palimo at all (its X11 display cannot be opened).
    bool applicationDidFinishLaunching();

    // What the rewrite and prompt shortcuts do, asked for over the session bus (`palimo
    // --rewrite`, bound in the desktop's own shortcut settings) instead of by Palimo's hot key.
    void rewriteFromCommand();
    void promptFromCommand();

    // Opens the settings window, or brings it to the front.
    void showSettings();
    // Replaces the guide that is open, if any, with a new one.
    void showOnboarding();
    void showAbout();
    // From the menus and SIGTERM/SIGINT alike: a run in progress gives the clipboard back first.
    void quit();

private:
    // A callback that calls the action on this delegate while it exists, and does nothing after.
    std::function<void()> weakly(void (AppDelegate::*action)());
    // The backends of this session's display server, and what they can do.
    bool createBackends();
    // The compositor's protocols in a Wayland session; false when it cannot be reached.
    bool createWaylandBackends();
    void createFeedback();
    void wireCallbacks();
    void logStartupChecks();
    // Quits once the run in progress (if any) has put the user's clipboard back.
    QCoro::Task<> quitAfterRun();

    std::unique_ptr<SecretServiceStore> m_secrets;
    std::unique_ptr<KeychainStore> m_keychain;
    std::unique_ptr<HotKeyService> m_hotKeyService;
    std::unique_ptr<Pasteboard> m_pasteboard;
    std::unique_ptr<Keystrokes> m_keystrokes;
    std::unique_ptr<AtspiAccessibility> m_accessibility;
    std::unique_ptr<Workspace> m_workspace;
    // Where native Wayland windows are; empty on X11, where applications report screen positions.
    std::function<WindowOrigin()> m_windowOrigin;
    std::shared_ptr<SwayWindows> m_swayWindows;
    SessionAbilities m_abilities;
    std::unique_ptr<HotkeyManager> m_hotkeyManager;
    std::unique_ptr<OpenAIClient> m_client;
    std::unique_ptr<RewriteController> m_controller;
    std::unique_ptr<SettingsAssembly> m_settings;
    std::unique_ptr<CaretLocator> m_locator;
    std::unique_ptr<PromptPanel> m_promptPanel;
    std::shared_ptr<FeedbackPill> m_feedbackPill;
    SignalWatcher* m_signals = nullptr;
    bool m_quitting = false;
    std::unique_ptr<MainMenu> m_mainMenu;
    std::unique_ptr<OnboardingAssembly> m_onboarding;
    std::unique_ptr<StatusItem> m_statusItem;
};
