#pragma once

#include <memory>

class KeychainStore;
class Keystrokes;
class MainMenu;
class OnboardingWindowController;
class OpenAIClient;
class SettingsStore;

// The first-run guide's side of the application: a new window each time the guide is opened,
// counted by the activation policy, with its own client for key tests.
class OnboardingAssembly {
public:
    OnboardingAssembly(SettingsStore& store, KeychainStore& keychain, const Keystrokes& keystrokes,
                       const MainMenu& mainMenu);
    ~OnboardingAssembly();
    OnboardingAssembly(const OnboardingAssembly&) = delete;
    OnboardingAssembly& operator=(const OnboardingAssembly&) = delete;

    // Closes the guide that is open, if any, and shows a new one from its first step.
    void show();
    // Null until the first show().
    OnboardingWindowController* window() const { return m_window.get(); }

private:
    SettingsStore& m_store;
    KeychainStore& m_keychain;
    const Keystrokes& m_keystrokes;
    const MainMenu& m_mainMenu;
    std::unique_ptr<OpenAIClient> m_keyTestClient;
    std::unique_ptr<OnboardingWindowController> m_window;
};
