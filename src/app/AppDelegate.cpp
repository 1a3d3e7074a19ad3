#include "app/AppDelegate.h"

#include "app/AboutBox.h"
#include "app/Branding.h"
#include "app/MainMenu.h"
#include "app/OnboardingAssembly.h"
#include "app/SettingsAssembly.h"
#include "app/SignalWatcher.h"
#include "app/StatusItem.h"
#include "base/Log.h"
#include "client/OpenAIClient.h"
#include "feedback/CaretLocator.h"
#include "feedback/FeedbackPill.h"
#include "feedback/PromptPanel.h"
#include "hotkey/HotKeysController.h"
#include "platform/atspi/AtspiAccessibility.h"
#include "platform/kde/KGlobalAccelHotKeyService.h"
#include "platform/none/NoKeystrokes.h"
#include "platform/none/NoPasteboard.h"
#include "platform/none/NoWorkspace.h"
#include "platform/secret/SecretServiceStore.h"
#include "platform/sway/SwayHotKeyService.h"
#include "platform/sway/SwayWindows.h"
#include "platform/wayland/WaylandBackends.h"
#include "platform/x11/X11Compositor.h"
#include "platform/x11/X11HotKeyService.h"
#include "platform/x11/X11Keystrokes.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11UserTime.h"
#include "platform/x11/X11Workspace.h"
#include "rewrite/RewriteController.h"
#include "settings/KeychainStore.h"
#include "settings/SettingsStore.h"
#include "shortcuts/HotkeyManager.h"
#include "shortcuts/SessionLimits.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QPointer>

#include <qcoro/qcorotask.h>

namespace {

QCoro::Task<> logMissingKey(KeychainStore& keychain) {
    const std::optional<QString> key = co_await keychain.apiKey();
    if (!key) {
        Log::error(QStringLiteral("No API key found. Add one in Settings."));
    }
}

} // namespace

AppDelegate::AppDelegate() = default;

AppDelegate::~AppDelegate() {
    // The hot keys go before the service that grabbed them, and the registry must not keep
    // a pointer to a service that is gone. The settings window may still be recording a
    // shortcut, and ends that through the manager.
    m_settings.reset();
    m_hotkeyManager.reset();
    HotKeysController::setService(nullptr);
    KeychainStore::setShared(nullptr);
}

bool AppDelegate::applicationDidFinishLaunching() {
    m_secrets = std::make_unique<SecretServiceStore>();
    m_keychain = std::make_unique<KeychainStore>(*m_secrets);
    KeychainStore::setShared(m_keychain.get());
    if (!createBackends()) {
        return false;
    }

    SettingsStore& settings = SettingsStore::shared();
    m_hotkeyManager = std::make_unique<HotkeyManager>(settings);
    m_client = std::make_unique<OpenAIClient>();
    OpenAIClient* client = m_client.get();
    m_controller = std::make_unique<RewriteController>(
        RewritePlatform{*m_pasteboard, *m_keystrokes, *m_accessibility, *m_workspace},
        RewriteController::Model{[client](RewriteRequest request, CancellationToken token) {
            return client->rewrite(std::move(request), std::move(token));
        }},
        RewriteController::Settings{
            [&settings] { return settings.instructions(); },
            [&settings](const QString& model, qint64 prompt, qint64 completion) {
                settings.recordUsage(model, prompt, completion);
            }});

    createFeedback();

    m_mainMenu =
        std::make_unique<MainMenu>(weakly(&AppDelegate::showAbout), weakly(&AppDelegate::quit));
    m_settings =
        std::make_unique<SettingsAssembly>(settings, *m_keychain, *m_hotkeyManager, *m_mainMenu);
    m_onboarding =
        std::make_unique<OnboardingAssembly>(settings, *m_keychain, *m_keystrokes, *m_mainMenu);
    m_statusItem = std::make_unique<StatusItem>(
        StatusItem::Actions{weakly(&AppDelegate::showOnboarding),
                            weakly(&AppDelegate::showSettings), weakly(&AppDelegate::showAbout),
                            weakly(&AppDelegate::quit)},
        *m_keychain, *m_keystrokes);

    m_controller->setClipboardOnly(SessionLimits::clipboardOnly(m_abilities));
    const QStringList limits =
        SessionLimits::describe(m_abilities, qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
    for (const QString& line : limits) {
        Log::error(line);
    }
    m_settings->setSessionLimits(limits);

    wireCallbacks();
    m_hotkeyManager->reload();
    m_client->prewarm();
    if (!settings.hasCompletedOnboarding()) {
        showOnboarding();
        return true;
    }
    logStartupChecks();
    return true;
}

bool AppDelegate::createBackends() {
    m_accessibility = std::make_unique<AtspiAccessibility>();
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && createWaylandBackends()) {
        HotKeysController::setService(m_hotKeyService.get());
        return true;
    }
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        m_hotKeyService = X11HotKeyService::create();
        m_pasteboard = X11Pasteboard::create();
        if (!m_hotKeyService || !m_pasteboard) {
            Log::error(QStringLiteral("Could not open the X11 display."));
            return false;
        }
        m_keystrokes = std::make_unique<X11Keystrokes>();
        m_workspace = std::make_unique<X11Workspace>();
        m_abilities = {true, m_keystrokes->isAvailable(), true};
        Log::info(QStringLiteral("Backends: X11 hot keys, X11 clipboard, %1, AT-SPI "
                                 "accessibility, Secret Service keyring.")
                      .arg(m_abilities.keystrokes ? QStringLiteral("XTest keystrokes")
                                                  : QStringLiteral("no keystrokes (no XTest)")));
        if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
            Log::error(QStringLiteral("This is a Wayland session: through XWayland Palimo "
                                      "reaches only X11 applications, and only while one of "
                                      "them has the focus."));
        }
    } else {
        // A Wayland session: the desktop's own shortcut service where there is one; the
        // clipboard and keystrokes of other applications are out of a background program's reach.
        m_hotKeyService = KGlobalAccelHotKeyService::create();
        m_pasteboard = std::make_unique<NoPasteboard>();
        m_keystrokes = std::make_unique<NoKeystrokes>();
        m_workspace = std::make_unique<NoWorkspace>();
        m_abilities = {m_hotKeyService != nullptr, false, false};
        Log::info(QStringLiteral("Backends: %1, no clipboard, no keystrokes, AT-SPI "
                                 "accessibility, Secret Service keyring (%2 session).")
                      .arg(m_hotKeyService ? QStringLiteral("KDE global shortcuts")
                                           : QStringLiteral("no global shortcuts"),
                           QGuiApplication::platformName()));
    }
    HotKeysController::setService(m_hotKeyService.get());
    return true;
}

bool AppDelegate::createWaylandBackends() {
    // Whatever Qt draws Palimo's own windows with, the clipboard and keystrokes of a Wayland
    // session's applications are reached through the compositor's protocols, each picked by
    // whether the compositor offers it.
    std::optional<WaylandBackends> wayland = WaylandBackends::create();
    if (!wayland) {
        Log::error(QStringLiteral("Could not connect to the Wayland compositor at \"%1\".")
                       .arg(qEnvironmentVariable("WAYLAND_DISPLAY")));
        return false;
    }
    QString shortcuts = QStringLiteral("no global shortcuts");
    if ((m_hotKeyService = KGlobalAccelHotKeyService::create())) {
        shortcuts = QStringLiteral("KDE global shortcuts");
    } else if ((m_hotKeyService = SwayHotKeyService::create())) {
        shortcuts = QStringLiteral("sway bindings");
    }
    // Native Wayland clients report text positions within their window; only sway says where
    // its windows are.
    m_swayWindows = SwayWindows::create();
    m_windowOrigin = [windows = m_swayWindows] {
        return windows ? windows->focusedOrigin() : WindowOrigin{WindowOrigin::Space::unknown, {}};
    };
    m_abilities = {m_hotKeyService != nullptr, wayland->keystrokes != nullptr,
                   wayland->pasteboard != nullptr};
    m_pasteboard =
        wayland->pasteboard ? std::move(wayland->pasteboard) : std::make_unique<NoPasteboard>();
    m_keystrokes =
        wayland->keystrokes ? std::move(wayland->keystrokes) : std::make_unique<NoKeystrokes>();
    m_workspace =
        wayland->workspace ? std::move(wayland->workspace) : std::make_unique<NoWorkspace>();
    QStringList chosen = wayland->chosen;
    chosen.prepend(shortcuts);
    Log::info(QStringLiteral("Backends: Wayland: %1, AT-SPI accessibility, Secret Service "
                             "keyring (%2 windows).")
                  .arg(chosen.join(QStringLiteral(", ")), QGuiApplication::platformName()));
    if (!wayland->missing.isEmpty()) {
        Log::info(QStringLiteral("This compositor does not offer %1.")
                      .arg(wayland->missing.join(QStringLiteral(", "))));
    }
    return true;
}

void AppDelegate::createFeedback() {
    const auto pointer = [] { return QPointF(QCursor::pos()); };
    m_locator = std::make_unique<CaretLocator>(
        *m_accessibility, CaretLocator::Desktop{&ScreenGeometry::currentScreens, pointer});
    m_locator->setWindowOrigin(m_windowOrigin);
    SettingsStore& settings = SettingsStore::shared();
    m_feedbackPill = std::make_shared<FeedbackPill>(
        *m_locator,
        FeedbackPill::Resources{{Branding::accent(),
                                 Branding::markImage().value_or(Branding::menuBarImage()),
                                 X11Compositor::isRunning()},
                                [] { return Branding::doneSound(); },
                                [] { return Branding::cancelledSound(); },
                                [&settings] { return settings.soundEnabled(); }},
        FeedbackPill::Timing{});
    m_promptPanel = std::make_unique<PromptPanel>(
        *m_workspace, PromptPanel::Sources{[&settings] { return settings.presets(); }, pointer,
                                           &X11Compositor::isRunning});
}

void AppDelegate::wireCallbacks() {
    const QPointer<AppDelegate> self(this);
    m_controller->setCollectInstructions(
        [self](RewriteController::InstructionsCompletion completion) {
            if (self) {
                self->m_promptPanel->present(std::move(completion));
            }
        });
    m_controller->setFeedback(m_feedbackPill);
    m_hotkeyManager->setOnEscape([self] {
        if (!self) {
            return;
        }
        if (const std::optional<CancellationToken> call = self->m_controller->apiCall()) {
            Log::info(QStringLiteral("Cancelled with Escape."));
            call->cancel();
        }
    });
    m_controller->setCancelKeyActive([self](bool active) {
        if (self) {
            self->m_hotkeyManager->setCancelKeyActive(active);
        }
    });
    m_hotkeyManager->setOnRewrite([self] {
        if (self) {
            self->m_controller->trigger();
        }
    });
    m_hotkeyManager->setOnPrompt([self] {
        if (self) {
            self->m_controller->triggerWithPrompt();
        }
    });
    m_signals = new SignalWatcher(
        [self] {
            if (self) {
                Log::info(QStringLiteral("Reloading the settings file."));
                self->m_settings->reload();
                self->m_hotkeyManager->reload();
            }
        },
        weakly(&AppDelegate::quit), this);
}

void AppDelegate::quit() {
    quitAfterRun();
}

QCoro::Task<> AppDelegate::quitAfterRun() {
    if (std::exchange(m_quitting, true)) {
        QCoreApplication::exit(0); // asked twice: do not wait any longer
        co_return;
    }
    // A run cut short would leave the copied text or the rewrite on the clipboard; the user's
    // own contents go back first, and the pasteboard hands them to a clipboard manager as it
    // is destroyed.
    const QPointer<AppDelegate> self(this);
    co_await m_controller->finishRun();
    if (self) {
        QCoreApplication::exit(0); // see SignalWatcher: quit() can be refused
    }
}

void AppDelegate::rewriteFromCommand() {
    if (m_controller) {
        // No press of ours started this: the time of an older one would make window managers
        // refuse Palimo the focus, where "no time" lets them decide by the request's source.
        X11UserTime::notePress(0);
        m_controller->trigger();
    }
}

void AppDelegate::promptFromCommand() {
    if (m_controller) {
        X11UserTime::notePress(0); // as above: the panel asks for the focus
        m_controller->triggerWithPrompt();
    }
}

void AppDelegate::showSettings() {
    if (m_settings) {
        m_settings->showWindow();
    }
}

std::function<void()> AppDelegate::weakly(void (AppDelegate::*action)()) {
    return [self = QPointer<AppDelegate>(this), action] {
        if (self) {
            (self.data()->*action)();
        }
    };
}

void AppDelegate::showOnboarding() {
    m_onboarding->show();
}

void AppDelegate::showAbout() {
    AboutBox::show(*m_mainMenu);
}

void AppDelegate::logStartupChecks() {
    Log::info(QStringLiteral("Accessibility trusted: ") +
              (m_keystrokes->isAvailable() ? QStringLiteral("true") : QStringLiteral("false")));
    // A local server may need no key at all; only OpenAI's own always does.
    if (m_client->needsKey()) {
        logMissingKey(*m_keychain);
    }
}
