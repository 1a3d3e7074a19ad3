#include "settingswindow/GeneralTab.h"

#include "settingswindow/KeyStatusView.h"
#include "settingswindow/SettingsModel.h"
#include "settingswindow/ViewStyle.h"

#include <QCheckBox>
#include <QComboBox>
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
    auto* link = ViewStyle::linkButton(QStringLiteral("Get a key from OpenAI"), keyGroup);
    keyLayout->addWidget(m_key);
    keyLayout->addLayout(row);
    keyLayout->addWidget(link, 0, Qt::AlignLeft);
    m_keyFooter = ViewStyle::captionLabel(QString(), keyGroup);
    keyLayout->addWidget(m_keyFooter);

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
    if (QGroupBox* session = makeSessionGroup()) {
        layout->addWidget(session);
    }
    layout->addWidget(keyGroup);
    layout->addWidget(makeServerGroup());
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
    connect(&m_model, &SettingsModel::serverChanged, this, &GeneralTab::showServer);
    showModel();
    showServer();
}

QGroupBox* GeneralTab::makeServerGroup() {
    auto* group = new QGroupBox(QStringLiteral("Server"), this);
    m_server = new QLineEdit(group);
    m_server->setPlaceholderText(QStringLiteral("https://api.openai.com"));
    m_server->setAccessibleName(QStringLiteral("Server address"));
    m_serverProblem = ViewStyle::captionLabel(QString(), group);
    ViewStyle::tint(m_serverProblem, ViewStyle::red);
    m_modelName = new QComboBox(group);
    m_modelName->setEditable(true);
    m_modelName->setInsertPolicy(QComboBox::NoInsert);
    m_modelName->lineEdit()->setPlaceholderText(QStringLiteral("gpt-4o-mini"));
    m_modelName->setAccessibleName(QStringLiteral("Model"));
    m_modelName->lineEdit()->setAccessibleName(QStringLiteral("Model"));
    m_overrides = ViewStyle::captionLabel(QString(), group);
    // One row for both fields: the window has a fixed height, and the key status above needs
    // its three lines.
    auto* row = new QHBoxLayout();
    row->addWidget(new QLabel(QStringLiteral("Address"), group));
    row->addWidget(m_server, 3);
    row->addSpacing(8);
    row->addWidget(new QLabel(QStringLiteral("Model"), group));
    row->addWidget(m_modelName, 2);
    auto* layout = new QVBoxLayout(group);
    layout->addLayout(row);
    layout->addWidget(m_serverProblem);
    layout->addWidget(m_overrides);

    // Saved when the field is left or Return is pressed, not at every keystroke: a half-typed
    // address would be refused.
    connect(m_server, &QLineEdit::editingFinished, &m_model,
            [this] { m_model.setServerAddress(m_server->text()); });
    connect(m_modelName->lineEdit(), &QLineEdit::editingFinished, &m_model,
            [this] { m_model.setModelName(m_modelName->currentText()); });
    connect(m_modelName, &QComboBox::textActivated, &m_model, &SettingsModel::setModelName);
    return group;
}

void GeneralTab::showServer() {
    // A refused address stays in the field as typed, beside the reason.
    if (!m_model.serverProblem() && m_server->text() != m_model.serverAddress()) {
        m_server->setText(m_model.serverAddress());
    }
    const QString recipient = m_model.keyRecipient();
    m_keyFooter->setText(
        recipient == QLatin1String("OpenAI")
            ? QStringLiteral("Palimo uses your own OpenAI account. The key is stored in your "
                             "system keyring and sent only to OpenAI.")
            : QStringLiteral("The key is stored in your system keyring and sent only to %1.")
                  .arg(recipient));
    m_serverProblem->setText(m_model.serverProblem().value_or(QString()));
    m_serverProblem->setVisible(m_model.serverProblem().has_value());
    const QString typed = m_modelName->currentText();
    QStringList items;
    for (int i = 0; i < m_modelName->count(); ++i) {
        items.append(m_modelName->itemText(i));
    }
    if (items != m_model.offeredModels()) {
        m_modelName->clear();
        m_modelName->addItems(m_model.offeredModels());
        m_modelName->setEditText(typed);
    }
    if (!m_modelName->lineEdit()->hasFocus() && typed != m_model.modelName()) {
        m_modelName->setEditText(m_model.modelName());
    }
    const QStringList overrides = m_model.environmentOverrides();
    m_overrides->setText(overrides.join(QLatin1Char(' ')));
    m_overrides->setVisible(!overrides.isEmpty());
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

QGroupBox* GeneralTab::makeSessionGroup() {
    if (m_model.sessionLimits().isEmpty()) {
        return nullptr;
    }
    auto* group = new QGroupBox(QStringLiteral("In this session"), this);
    auto* layout = new QVBoxLayout(group);
    for (const QString& line : m_model.sessionLimits()) {
        auto* row = new QHBoxLayout();
        row->addWidget(ViewStyle::iconLabel(QStyle::SP_MessageBoxWarning, group), 0, Qt::AlignTop);
        auto* text = ViewStyle::captionLabel(line, group);
        ViewStyle::tint(text, ViewStyle::orange);
        // The command is there to be copied into the desktop's shortcut settings.
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        row->addWidget(text, 1);
        layout->addLayout(row);
    }
    return group;
}
