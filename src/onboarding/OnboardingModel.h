#pragma once

#include "settingswindow/KeyState.h"

#include <QObject>
#include <QString>

#include <qcoro/qcorotask.h>

#include <functional>

class KeychainStore;
class OpenAIClient;
class QTimer;
class SettingsStore;

// The state behind the first-run guide: which of the five steps shows, the key entry and its
// test, the watch on whether keystrokes can be sent, the try-out and completion. Main thread
// only; every change is announced with changed().
class OnboardingModel final : public QObject {
    Q_OBJECT
public:
    enum class Step { welcome, accessibility, apiKey, cost, tryIt };
    static constexpr int stepCount = 5;

    // The try-out's sentence: the box starts with it, a change from it is a rewrite, and
    // "Try another one" puts it back.
    static inline const QString sampleSentence =
        QStringLiteral("we should of gone thru the doc yesterday, its still not done");
    static constexpr double startRewritesPerMonth = 2000;
    // One rewrite, 200 tokens in and 200 out, in US dollars.
    static constexpr double costPerRewrite = 0.00015;
    static constexpr int permissionPollMs = 1000;

    // isTrusted answers whether keystrokes can be posted in this session. The key is read from
    // the keyring once, here; it fills the field unless the user has typed already.
    OnboardingModel(SettingsStore& store, KeychainStore& keychain, OpenAIClient& client,
                    std::function<bool()> isTrusted, QObject* parent = nullptr);
    ~OnboardingModel() override;

    Step step() const { return m_step; }
    bool accessibilityGranted() const { return m_accessibilityGranted; }
    const QString& apiKey() const { return m_apiKey; }
    void setApiKey(const QString& key);
    const KeyState& keyState() const { return m_keyState; }
    const QString& sampleText() const { return m_sampleText; }
    // Assigning calls sampleTextChanged(), as the box does on every edit.
    void setSampleText(const QString& text);
    bool rewriteSeen() const { return m_rewriteSeen; }
    // "Try another one": the sentence back and the first form of the step.
    void tryAnother();
    double rewritesPerMonth() const { return m_rewritesPerMonth; }
    void setRewritesPerMonth(double rewrites);

    bool canAdvance() const;
    // "2,000 rewrites a month", the number in the user's locale.
    QString rewritesText() const;
    // "$0.30": always a full stop, whatever the locale, like the provider's price list.
    QString costText() const;
    // The rewrite shortcut as stored, "⌃⌥R" by default.
    QString shortcutDisplay() const;
    bool isWatchingPermission() const;

    void advance();
    void goBack();
    void startWatchingPermission();
    void stopWatchingPermission();
    QCoro::Task<> saveAndTestKey();
    void sampleTextChanged();
    // Marks the guide done and asks the window to close.
    void finish();
    // Stores completion without closing anything (the window is closing already).
    void markCompleted();

    // Set by the window: closes it.
    void setOnClose(std::function<void()> callback) { m_onClose = std::move(callback); }

Q_SIGNALS:
    void changed();

private:
    QCoro::Task<> loadKey();
    void moveTo(Step step);
    void pollPermission();

    SettingsStore& m_store;
    KeychainStore& m_keychain;
    OpenAIClient& m_client;
    std::function<bool()> m_isTrusted;
    std::function<void()> m_onClose;
    Step m_step = Step::welcome;
    bool m_accessibilityGranted = false;
    QString m_apiKey;
    bool m_apiKeyEdited = false;
    KeyState m_keyState;
    QString m_sampleText = sampleSentence;
    bool m_rewriteSeen = false;
    double m_rewritesPerMonth = startRewritesPerMonth;
    QTimer* m_permissionTimer = nullptr;
};
