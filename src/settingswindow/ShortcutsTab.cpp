#include "settingswindow/ShortcutsTab.h"

#include "settingswindow/HotkeyRecorderControl.h"
#include "settingswindow/SettingsModel.h"
#include "settingswindow/ViewStyle.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

// "Text ... [recorder]" with the recorder labelled by the text for screen readers.
QHBoxLayout* shortcutRow(const QString& text, HotkeyRecorderControl* recorder, QWidget* parent) {
    auto* row = new QHBoxLayout();
    auto* label = new QLabel(text, parent);
    row->addWidget(label, 0, Qt::AlignTop);
    row->addStretch(1);
    row->addWidget(recorder);
    return row;
}

} // namespace

ShortcutsTab::ShortcutsTab(SettingsModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    const auto recording = [this](bool on) { m_model.recordingChanged(on); };

    auto* rewriteGroup = new QGroupBox(this);
    auto* rewriteLayout = new QVBoxLayout(rewriteGroup);
    const QString rewriteName = QStringLiteral("Rewrite the selection");
    m_rewrite = new HotkeyRecorderControl(
        rewriteName,
        {[this] { return m_model.rewriteHotkey(); },
         [this](HotkeyCombo combo) { m_model.setRewriteHotkey(combo); }, recording},
        rewriteGroup);
    rewriteLayout->addLayout(shortcutRow(rewriteName, m_rewrite, rewriteGroup));
    rewriteLayout->addWidget(ViewStyle::captionLabel(
        QStringLiteral("Select text anywhere and press this. With nothing selected, Palimo "
                       "rewrites the whole text field you're in."),
        rewriteGroup));

    auto* promptGroup = new QGroupBox(this);
    auto* promptLayout = new QVBoxLayout(promptGroup);
    const QString promptName = QStringLiteral("Rewrite with my own instructions");
    m_prompt = new HotkeyRecorderControl(
        promptName,
        {[this] { return m_model.promptHotkey(); },
         [this](HotkeyCombo combo) { m_model.setPromptHotkey(combo); }, recording},
        promptGroup);
    promptLayout->addLayout(shortcutRow(promptName, m_prompt, promptGroup));
    m_clash = new QWidget(promptGroup);
    auto* clashLayout = new QHBoxLayout(m_clash);
    clashLayout->setContentsMargins(0, 0, 0, 0);
    clashLayout->addWidget(ViewStyle::iconLabel(QStyle::SP_MessageBoxWarning, m_clash));
    auto* clashText = ViewStyle::captionLabel(clashWarning, m_clash);
    ViewStyle::tint(clashText, ViewStyle::orange);
    clashLayout->addWidget(clashText, 1);
    promptLayout->addWidget(m_clash);
    promptLayout->addWidget(ViewStyle::captionLabel(
        QStringLiteral("Opens a small box where you type one-off instructions, like \"make this "
                       "shorter\". Your saved styles are listed there too."),
        promptGroup));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rewriteGroup);
    layout->addWidget(promptGroup);
    layout->addStretch(1);

    connect(&m_model, &SettingsModel::hotkeysChanged, this, &ShortcutsTab::showModel);
    showModel();
}

void ShortcutsTab::showModel() {
    m_rewrite->refresh();
    m_prompt->refresh();
    m_clash->setVisible(m_model.hotkeysClash());
}
