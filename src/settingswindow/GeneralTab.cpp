#include "settingswindow/GeneralTab.h"

#include "settingswindow/KeyStatusView.h"
#include "settingswindow/SettingsModel.h"
#include "settingswindow/ViewStyle.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

GeneralTab::GeneralTab(SettingsModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    auto* keyGroup = new QGroupBox(QStringLiteral("OpenAI API key"), this);
    auto* keyLayout = new QVBoxLayout(keyGroup);
    m_key = new QLineEdit(keyGroup);
    m_key->setEchoMode(QLineEdit::Password);
    m_key->setPlaceholderText(QStringLiteral("sk-…"));
    m_key->setAccessibleName(QStringLiteral("OpenAI API key"));
    m_saveAndTest = new QPushButton(QStringLiteral("Save and test"), keyGroup);
    m_status = new KeyStatusView(keyGroup);
    auto* row = new QHBoxLayout();
    row->setSpacing(10);
    row->addWidget(m_saveAndTest);
    row->addWidget(m_status, 1);
    auto* link = new QPushButton(QStringLiteral("Get a key from OpenAI"), keyGroup);
    link->setFlat(true);
    link->setCursor(Qt::PointingHandCursor);
    link->setStyleSheet(QStringLiteral("QPushButton { color: palette(link); text-align: left; "
                                       "text-decoration: underline; border: none; padding: 0; }"));
    ViewStyle::caption(link);
    keyLayout->addWidget(m_key);
    keyLayout->addLayout(row);
    keyLayout->addWidget(link, 0, Qt::AlignLeft);
    keyLayout->addWidget(ViewStyle::captionLabel(
        QStringLiteral("Palimo uses your own OpenAI account. The key is stored in your system "
                       "keyring and sent only to OpenAI."),
        keyGroup));

    auto* optionsGroup = new QGroupBox(this);
    auto* optionsLayout = new QVBoxLayout(optionsGroup);
    m_sound = new QCheckBox(QStringLiteral("Play a sound when the text is replaced"), optionsGroup);
    m_launchAtLogin = new QCheckBox(QStringLiteral("Start Palimo when I log in"), optionsGroup);
    m_launchProblem = ViewStyle::captionLabel(QString(), optionsGroup);
    ViewStyle::tint(m_launchProblem, ViewStyle::red);
    optionsLayout->addWidget(m_sound);
    optionsLayout->addWidget(m_launchAtLogin);
    optionsLayout->addWidget(m_launchProblem);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(keyGroup);
    layout->addWidget(optionsGroup);
    layout->addStretch(1);

    // textChanged, not textEdited: assistive technologies set the whole text at once.
    connect(m_key, &QLineEdit::textChanged, &m_model, &SettingsModel::setApiKey);
    // Return is taken even while a test runs; only the button waits for it.
    connect(m_key, &QLineEdit::returnPressed, &m_model, [this] { m_model.saveAndTestKey(); });
    connect(m_saveAndTest, &QPushButton::clicked, &m_model, [this] { m_model.saveAndTestKey(); });
    connect(link, &QPushButton::clicked, this,
            [] { QDesktopServices::openUrl(QUrl(keyPageAddress)); });
    connect(m_sound, &QCheckBox::toggled, &m_model, &SettingsModel::setSoundEnabled);
    connect(m_launchAtLogin, &QCheckBox::toggled, &m_model, [this](bool on) {
        if (on != m_model.launchAtLogin()) {
            m_model.setLaunchAtLogin(on);
        }
    });
    for (const auto signal :
         {&SettingsModel::apiKeyChanged, &SettingsModel::keyStateChanged,
          &SettingsModel::soundEnabledChanged, &SettingsModel::launchAtLoginChanged}) {
        connect(&m_model, signal, this, &GeneralTab::showModel);
    }
    showModel();
}

void GeneralTab::showModel() {
    if (m_key->text() != m_model.apiKey()) {
        m_key->setText(m_model.apiKey());
    }
    m_saveAndTest->setEnabled(m_model.keyState().kind != KeyState::Kind::checking);
    m_status->display(m_model.keyState());
    m_sound->setChecked(m_model.soundEnabled());
    m_launchAtLogin->setChecked(m_model.launchAtLogin());
    m_launchProblem->setText(m_model.launchAtLoginProblem().value_or(QString()));
    m_launchProblem->setVisible(m_model.launchAtLoginProblem().has_value());
}
