#pragma once

#include "settings/HotkeyCombo.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

// What the shortcut recorder control decides, without the control: recording starts and
// stops, each key press is judged, an accepted one becomes the new combination.
//
// Key presses arrive as positions (the key table's codes), so the same physical key records
// the same shortcut whatever keyboard layout is active. Main thread only.
class HotkeyRecorder {
public:
    // The modifier rule: one of command, control or option must be held.
    static constexpr std::uint64_t requiredModifiers = 0x1C0000;
    // What is stored of the held modifiers: shift, control, option, command.
    static constexpr std::uint64_t keptModifiers = 0x1E0000;
    static inline const QString missingModifierProblem =
        QStringLiteral("Include ⌘, ⌃ or ⌥ — otherwise it would fire while you type.");
    static inline const QString unknownKeyProblem =
        QStringLiteral("Palimo can't use this key in a shortcut.");

    enum class Verdict {
        ignored, // not recording, or a modifier key alone: wait for the real key
        cancelled,
        rejected, // problem() says why; still recording
        accepted,
    };

    struct Callbacks {
        // The accepted combination, to store.
        std::function<void(HotkeyCombo)> onCombo;
        // True when recording starts, false when it ends.
        std::function<void(bool)> onRecordingChanged;
        // The alert sound for a rejected press.
        std::function<void()> onAlert;
    };

    explicit HotkeyRecorder(Callbacks callbacks);

    bool isRecording() const { return m_recording; }
    const std::optional<QString>& problem() const { return m_problem; }

    // The button: starts recording, or stops it when it is on.
    void toggle();
    void start();
    // Ends recording without a new combination; tells the owner only when it was recording.
    void stop();

    // One key press while the control listens. `keyCode` is the key table's code of the
    // pressed position, nothing when the key has no place in the table; `modifiers` the
    // modifier-flag bits held.
    Verdict keyPressed(std::optional<std::uint32_t> keyCode, std::uint64_t modifiers);

private:
    Callbacks m_callbacks;
    bool m_recording = false;
    std::optional<QString> m_problem;
};
