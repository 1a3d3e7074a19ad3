#include "shortcuts/HotkeyRecorder.h"

#include "hotkey/Key.h"

#include <algorithm>
#include <array>

namespace {

// Pressing a modifier on its way to the real key is not a shortcut of its own.
bool isModifierKey(std::uint32_t keyCode) {
    constexpr std::array modifierKeys{
        Key::command,      Key::rightCommand, Key::option,     Key::rightOption, Key::control,
        Key::rightControl, Key::shift,        Key::rightShift, Key::function,    Key::capsLock};
    return std::any_of(modifierKeys.begin(), modifierKeys.end(),
                       [keyCode](Key key) { return key.carbonKeyCode() == keyCode; });
}

} // namespace

HotkeyRecorder::HotkeyRecorder(Callbacks callbacks)
    : m_callbacks(std::move(callbacks)) {}

void HotkeyRecorder::toggle() {
    if (m_recording) {
        stop();
    } else {
        start();
    }
}

void HotkeyRecorder::start() {
    m_problem.reset();
    if (m_recording) {
        return;
    }
    m_recording = true;
    if (m_callbacks.onRecordingChanged) {
        m_callbacks.onRecordingChanged(true);
    }
}

void HotkeyRecorder::stop() {
    if (!m_recording) {
        return;
    }
    m_recording = false;
    if (m_callbacks.onRecordingChanged) {
        m_callbacks.onRecordingChanged(false);
    }
}

HotkeyRecorder::Verdict HotkeyRecorder::keyPressed(std::optional<std::uint32_t> keyCode,
                                                   std::uint64_t modifiers) {
    if (!m_recording || (keyCode && isModifierKey(*keyCode))) {
        return Verdict::ignored;
    }
    // Escape cancels whatever modifiers are held, so it can never be recorded.
    if (keyCode == Key(Key::escape).carbonKeyCode()) {
        stop();
        return Verdict::cancelled;
    }
    const auto reject = [this](const QString& problem) {
        m_problem = problem;
        if (m_callbacks.onAlert) {
            m_callbacks.onAlert();
        }
        return Verdict::rejected;
    };
    if ((modifiers & requiredModifiers) == 0) {
        return reject(missingModifierProblem);
    }
    if (!keyCode) {
        return reject(unknownKeyProblem);
    }
    m_problem.reset();
    // Stored while the global shortcuts are still suspended, so that resuming them at the end
    // of recording registers the new combination once and the old one not at all.
    if (m_callbacks.onCombo) {
        m_callbacks.onCombo(HotkeyCombo{*keyCode, modifiers & keptModifiers});
    }
    stop();
    return Verdict::accepted;
}
