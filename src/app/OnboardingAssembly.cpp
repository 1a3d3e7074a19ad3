#include "app/OnboardingAssembly.h"

#include "app/ActivationPolicy.h"
#include "app/Branding.h"
#include "app/MainMenu.h"
#include "client/OpenAIClient.h"
#include "onboarding/OnboardingModel.h"
#include "onboarding/OnboardingView.h"
#include "onboarding/OnboardingWindowController.h"
#include "platform/Keystrokes.h"

OnboardingAssembly::OnboardingAssembly(SettingsStore& store, KeychainStore& keychain,
                                       const Keystrokes& keystrokes, const MainMenu& mainMenu)
    : m_store(store)
    , m_keychain(keychain)
    , m_keystrokes(keystrokes)
    , m_mainMenu(mainMenu) {}

OnboardingAssembly::~OnboardingAssembly() = default;

void OnboardingAssembly::show() {
    if (m_window) {
        m_window->close();
    }
    if (!m_keyTestClient) {
        m_keyTestClient = std::make_unique<OpenAIClient>();
    }
    const Keystrokes* keystrokes = &m_keystrokes;
    auto model = std::make_unique<OnboardingModel>(
        m_store, m_keychain, *m_keyTestClient, [keystrokes] { return keystrokes->isAvailable(); });
    m_window = std::make_unique<OnboardingWindowController>(
        std::move(model), OnboardingLook{Branding::accent(), Branding::markImage()});
    m_window->setOnOpened([] { ActivationPolicy::acquire(); });
    m_window->setOnClosed([] { ActivationPolicy::release(); });
    m_mainMenu.install(m_window->window());
    m_window->show();
}
