#pragma once

#include "settings/HotkeyCombo.h"
#include "shortcuts/HotkeyRecorder.h"

#include <QWidget>

#include <functional>

class QKeyEvent;
class QLabel;
class QPushButton;

// The shortcut button of the settings: shows the combination and, once clicked, records the
// next key press as the new one. While it listens, every key press of the application is
// swallowed before any control sees it; the owner is told so that it can release the global
// shortcuts (X delivers a grabbed combination to the grab, never to our window).
class HotkeyRecorderControl final : public QWidget {
    Q_OBJECT
public:
    struct Binding {
        std::function<HotkeyCombo()> read;
        std::function<void(HotkeyCombo)> write;
        std::function<void(bool)> onRecordingChanged;
    };

    // `name` is what the shortcut does, for screen readers ("Rewrite the selection").
    HotkeyRecorderControl(const QString& name, Binding binding, QWidget* parent = nullptr);
    ~HotkeyRecorderControl() override;

    bool isRecording() const { return m_recorder.isRecording(); }
    // Ends recording without a new combination.
    void stopRecording() { m_recorder.stop(); }
    // Shows the bound combination again (after it changed elsewhere).
    void refresh();

    // The key table's code of the key's position, and the modifier-flag bits held.
    static std::optional<std::uint32_t> keyCodeOf(const QKeyEvent& event);
    static std::uint64_t modifiersOf(const QKeyEvent& event);

    static inline const QString recordingText = QStringLiteral("Press a combination…");
    static inline const QString cancelHint = QStringLiteral("Escape to cancel.");

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void recordingChanged(bool recording);

    Binding m_binding;
    HotkeyRecorder m_recorder;
    QPushButton* m_button = nullptr;
    QLabel* m_caption = nullptr;
};
