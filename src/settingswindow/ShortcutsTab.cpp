#include "settingswindow/ShortcutsTab.h"

#include "settingswindow/HotkeyRecorderControl.h"
#include "settingswindow/SettingsModel.h"
#include "settingswindow/ViewStyle.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

// One shortcut's section: "Text ... [recorder]", then whatever goes between (the clash warning),
// then the footer. The recorder takes the text as its name for screen readers.
QGroupBox* section(const QString& text, HotkeyRecorderControl* recorder, QWidget* between,
                   const QString& footer, QWidget* parent) {
    auto* group = new QGroupBox(parent);
    auto* layout = new QVBoxLayout(group);
    auto* row = new QHBoxLayout();
    row->addWidget(new QLabel(text, group), 0, Qt::AlignTop);
    row->addStretch(1);
    row->addWidget(recorder);
    layout->addLayout(row);
    if (between != nullptr) {
        layout->addWidget(between);
    }
    layout->addWidget(ViewStyle::captionLabel(footer, group));
    return group;
}

} // namespace

ShortcutsTab::ShortcutsTab(SettingsModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    // One recorder listens at a time: the other one would keep the shortcuts suspended, or
    // resume them under the first one's feet when it stops.
    const auto recording = [this](HotkeyRecorderControl* ShortcutsTab::*other) {
        return [this, other](bool on) {
            if (on && (this->*other)->isRecording()) {
                (this->*other)->stopRecording();
            }
            m_model.recordingChanged(on);
        };
    };
    const QString rewriteName = QStringLiteral("Rewrite the selection");
    m_rewrite = new HotkeyRecorderControl(
        rewriteName, {[this] { return m_model.rewriteHotkey(); },
                      [this](HotkeyCombo combo) { m_model.setRewriteHotkey(combo); },
                      recording(&ShortcutsTab::m_prompt)});
    const QString promptName = QStringLiteral("Rewrite with my own instructions");
    m_prompt = new HotkeyRecorderControl(
        promptName, {[this] { return m_model.promptHotkey(); },
                     [this](HotkeyCombo combo) { m_model.setPromptHotkey(combo); },
                     recording(&ShortcutsTab::m_rewrite)});

    m_clash = new QWidget();
    auto* clashLayout = new QHBoxLayout(m_clash);
    clashLayout->setContentsMargins(0, 0, 0, 0);
    clashLayout->addWidget(ViewStyle::iconLabel(QStyle::SP_MessageBoxWarning, m_clash));
    auto* clashText = ViewStyle::captionLabel(clashWarning, m_clash);
    ViewStyle::tint(clashText, ViewStyle::orange);
    clashLayout->addWidget(clashText, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(section(rewriteName, m_rewrite, nullptr,
                              QStringLiteral("Select text anywhere and press this. With nothing "
                                             "selected, Palimo rewrites the whole text field "
                                             "you're in."),
                              this));
    layout->addWidget(section(promptName, m_prompt, m_clash,
                              QStringLiteral("Opens a small box where you type one-off "
                                             "instructions, like \"make this shorter\". Your "
                                             "saved styles are listed there too."),
                              this));
    layout->addStretch(1);

    connect(&m_model, &SettingsModel::hotkeysChanged, this, &ShortcutsTab::showModel);
    showModel();
}

void ShortcutsTab::showModel() {
    m_rewrite->refresh();
    m_prompt->refresh();
    m_clash->setVisible(m_model.hotkeysClash());
}
