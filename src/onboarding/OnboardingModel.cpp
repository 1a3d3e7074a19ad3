#include "onboarding/OnboardingModel.h"

#include "settings/KeychainStore.h"
#include "settings/SettingsStore.h"
#include "settingswindow/KeyCheck.h"
#include "shortcuts/ComboText.h"

#include <QLocale>
#include <QPointer>
#include <QTimer>

#include <cmath>

OnboardingModel::OnboardingModel(SettingsStore& store, KeychainStore& keychain,
                                 OpenAIClient& client, std::function<bool()> isTrusted,
                                 QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_keychain(keychain)
    , m_client(client)
    , m_isTrusted(std::move(isTrusted))
    , m_accessibilityGranted(m_isTrusted()) {
    loadKey();
}

OnboardingModel::~OnboardingModel() = default;

QCoro::Task<> OnboardingModel::loadKey() {
    const QPointer<OnboardingModel> self(this);
    const std::optional<QString> key = co_await m_keychain.apiKey();
    // The keyring may answer late; what the user typed or tested meanwhile wins.
    if (!self || !key || key->isEmpty() || self->m_apiKeyEdited ||
        self->m_keyState.kind != KeyState::Kind::untested) {
        co_return;
    }
    self->m_apiKey = *key;
    self->m_keyState = KeyState::valid();
    Q_EMIT self->changed();
}

void OnboardingModel::setApiKey(const QString& key) {
    m_apiKeyEdited = true;
    if (key != m_apiKey) {
        m_apiKey = key;
        Q_EMIT changed();
    }
}

void OnboardingModel::setSampleText(const QString& text) {
    if (text == m_sampleText) {
        return;
    }
    m_sampleText = text;
    sampleTextChanged();
    Q_EMIT changed();
}

void OnboardingModel::tryAnother() {
    m_sampleText = sampleSentence;
    m_rewriteSeen = false;
    Q_EMIT changed();
}

void OnboardingModel::setRewritesPerMonth(double rewrites) {
    if (rewrites != m_rewritesPerMonth) {
        m_rewritesPerMonth = rewrites;
        Q_EMIT changed();
    }
}

bool OnboardingModel::canAdvance() const {
    switch (m_step) {
    case Step::accessibility:
        return m_accessibilityGranted;
    case Step::tryIt:
        return m_rewriteSeen;
    default:
        return true;
    }
}

QString OnboardingModel::rewritesText() const {
    const auto count = static_cast<qint64>(std::round(m_rewritesPerMonth));
    return QLocale().toString(count) + QStringLiteral(" rewrites a month");
}

QString OnboardingModel::costText() const {
    // asprintf ignores the locale; the product is printed from its exact double, so 500
    // rewrites (just under 0.075) show as $0.07.
    return QString::asprintf("$%.2f", m_rewritesPerMonth * costPerRewrite);
}

QString OnboardingModel::shortcutDisplay() const {
    return ComboText::of(m_store.rewriteHotkey());
}

bool OnboardingModel::isWatchingPermission() const {
    return m_permissionTimer != nullptr;
}

void OnboardingModel::advance() {
    if (!canAdvance()) {
        return;
    }
    if (m_step == Step::tryIt) {
        finish();
        return;
    }
    moveTo(static_cast<Step>(static_cast<int>(m_step) + 1));
}

void OnboardingModel::goBack() {
    if (m_step != Step::welcome) {
        moveTo(static_cast<Step>(static_cast<int>(m_step) - 1));
    }
}

void OnboardingModel::moveTo(Step step) {
    m_step = step;
    if (step == Step::accessibility) {
        startWatchingPermission();
    } else {
        stopWatchingPermission();
    }
    Q_EMIT changed();
}

void OnboardingModel::startWatchingPermission() {
    m_accessibilityGranted = m_isTrusted();
    Q_EMIT changed();
    if (m_accessibilityGranted) {
        return;
    }
    // No system prompt exists to ask for: the session either can send keystrokes or not.
    // The poll still notices a change, e.g. a restarted X server.
    stopWatchingPermission();
    m_permissionTimer = new QTimer(this);
    m_permissionTimer->setInterval(permissionPollMs);
    connect(m_permissionTimer, &QTimer::timeout, this, &OnboardingModel::pollPermission);
    m_permissionTimer->start();
}

void OnboardingModel::pollPermission() {
    const bool granted = m_isTrusted();
    if (granted != m_accessibilityGranted) {
        m_accessibilityGranted = granted;
        Q_EMIT changed();
    }
    if (granted) {
        stopWatchingPermission();
    }
}

void OnboardingModel::stopWatchingPermission() {
    delete m_permissionTimer;
    m_permissionTimer = nullptr;
}

QCoro::Task<> OnboardingModel::saveAndTestKey() {
    return KeyCheck::saveAndTest(m_apiKey, m_keychain, m_client, QPointer<QObject>(this),
                                 {[this](KeyState state) {
                                      m_keyState = std::move(state);
                                      Q_EMIT changed();
                                  },
                                  {}});
}

void OnboardingModel::sampleTextChanged() {
    if (m_step != Step::tryIt || m_rewriteSeen) {
        return;
    }
    const QString trimmed = m_sampleText.trimmed();
    if (!trimmed.isEmpty() && trimmed != sampleSentence) {
        m_rewriteSeen = true;
        Q_EMIT changed();
    }
}

void OnboardingModel::markCompleted() {
    m_store.setHasCompletedOnboarding(true);
    stopWatchingPermission();
}

void OnboardingModel::finish() {
    markCompleted();
    if (m_onClose) {
        m_onClose();
    }
}
