#include "settingswindow/HotkeyRecorderControl.h"

#include "hotkey/KeyPosition.h"
#include "hotkey/ModifierFlags.h"
#include "settingswindow/ViewStyle.h"
#include "shortcuts/ComboText.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

HotkeyRecorderControl::HotkeyRecorderControl(const QString& name, Binding binding, QWidget* parent)
    : QWidget(parent)
    , m_binding(std::move(binding))
    , m_recorder(HotkeyRecorder::Callbacks{[this](HotkeyCombo combo) {
                                               if (m_binding.write) {
                                                   m_binding.write(combo);
                                               }
                                           },
                                           [this](bool recording) { recordingChanged(recording); },
                                           [] { QApplication::beep(); }}) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    m_button = new QPushButton(this);
    m_button->setAccessibleName(name);
    m_button->setMinimumWidth(140);
    ViewStyle::monospaced(m_button);
    m_caption = ViewStyle::captionLabel(QString(), this);
    layout->addWidget(m_button);
    layout->addWidget(m_caption);
    connect(m_button, &QPushButton::clicked, this, [this] { m_recorder.toggle(); });
    refresh();
}

HotkeyRecorderControl::~HotkeyRecorderControl() {
    // Never leave the global shortcuts suspended behind a control that is gone.
    m_recorder.stop();
}

void HotkeyRecorderControl::refresh() {
    const bool recording = m_recorder.isRecording();
    const QString text = recording
                             ? recordingText
                             : ComboText::of(m_binding.read ? m_binding.read() : HotkeyCombo{});
    m_button->setText(text);
    m_button->setAccessibleDescription(text);
    // The accent tint of a recording button.
    m_button->setDefault(recording);
    if (recording) {
        m_caption->setText(cancelHint);
        ViewStyle::secondary(m_caption);
    } else if (m_recorder.problem()) {
        m_caption->setText(*m_recorder.problem());
        ViewStyle::tint(m_caption, ViewStyle::red);
    } else {
        m_caption->clear();
    }
    m_caption->setVisible(!m_caption->text().isEmpty());
}

void HotkeyRecorderControl::recordingChanged(bool recording) {
    // Listening comes first, so no press can slip past between the owner's reaction and it.
    if (recording) {
        qApp->installEventFilter(this);
    } else {
        qApp->removeEventFilter(this);
    }
    if (m_binding.onRecordingChanged) {
        m_binding.onRecordingChanged(recording);
    }
    refresh();
}

bool HotkeyRecorderControl::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Taken here, so no menu or button shortcut fires for the combination being recorded.
        event->accept();
        return true;
    }
    if (event->type() != QEvent::KeyPress) {
        return QWidget::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const HotkeyRecorder::Verdict verdict =
        m_recorder.keyPressed(keyCodeOf(*key), modifiersOf(*key));
    if (verdict == HotkeyRecorder::Verdict::rejected) {
        refresh();
    }
    return true;
}

void HotkeyRecorderControl::hideEvent(QHideEvent* event) {
    m_recorder.stop();
    QWidget::hideEvent(event);
}

std::optional<std::uint32_t> HotkeyRecorderControl::keyCodeOf(const QKeyEvent& event) {
    // On X11 (and XKB-based Wayland) the native scan code is the X key code of the position.
    const std::optional<Key> key = KeyPosition::keyFromXKeyCode(event.nativeScanCode());
    if (!key) {
        return std::nullopt;
    }
    return key->carbonKeyCode();
}

std::uint64_t HotkeyRecorderControl::modifiersOf(const QKeyEvent& event) {
    const Qt::KeyboardModifiers held = event.modifiers();
    std::uint64_t flags = 0;
    if (held.testFlag(Qt::ControlModifier)) {
        flags |= ModifierFlag::control;
    }
    if (held.testFlag(Qt::AltModifier)) {
        flags |= ModifierFlag::option;
    }
    if (held.testFlag(Qt::ShiftModifier)) {
        flags |= ModifierFlag::shift;
    }
    if (held.testFlag(Qt::MetaModifier)) {
        flags |= ModifierFlag::command;
    }
    return flags;
}
