#include "settingswindow/RewritingTab.h"

#include "settings/DefaultInstructions.h"
#include "settingswindow/SettingsModel.h"
#include "settingswindow/ViewStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

RewritingTab::RewritingTab(SettingsModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(10);
    auto* intro = ViewStyle::captionLabel(
        QStringLiteral("These instructions are sent with every rewrite."), this);
    m_editor = new QPlainTextEdit(this);
    m_editor->setAccessibleName(QStringLiteral("Instructions"));
    m_editor->setAccessibleDescription(intro->text());
    ViewStyle::monospaced(m_editor);
    auto* reset = new QPushButton(QStringLiteral("Reset to default"), this);
    auto* row = new QHBoxLayout();
    row->addStretch(1);
    row->addWidget(reset);
    layout->addWidget(intro);
    layout->addWidget(m_editor, 1);
    layout->addLayout(row);

    connect(m_editor, &QPlainTextEdit::textChanged, &m_model,
            [this] { m_model.setInstructions(ViewStyle::editorText(m_editor)); });
    connect(reset, &QPushButton::clicked, &m_model,
            [this] { m_model.setInstructions(DefaultInstructions::text()); });
    connect(&m_model, &SettingsModel::instructionsChanged, this, &RewritingTab::showModel);
    showModel();
}

void RewritingTab::showModel() {
    // Only a change from elsewhere is put back, so typing keeps its cursor and undo history.
    if (ViewStyle::editorText(m_editor) != m_model.instructions()) {
        m_editor->setPlainText(m_model.instructions());
    }
}
