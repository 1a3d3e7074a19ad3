#include "client/ProviderAddress.h"
#include "onboarding/OnboardingModel.h"
#include "onboarding/OnboardingSteps.h"
#include "onboarding/StepParts.h"
#include "settingswindow/GeneralTab.h"
#include "settingswindow/KeyStatusView.h"
#include "settingswindow/ViewStyle.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace OnboardingSteps {

namespace {

// Return in the key field saves and tests the key; it must not also reach the window, where
// it would move on to the next step.
class KeyField final : public QLineEdit {
public:
    KeyField(OnboardingModel& model, QWidget* parent)
        : QLineEdit(parent)
        , m_model(model) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            m_model.saveAndTestKey();
            event->accept();
            return;
        }
        QLineEdit::keyPressEvent(event);
    }

private:
    OnboardingModel& m_model;
};

} // namespace

QWidget* apiKey(OnboardingModel& model, const OnboardingLook& look, QWidget* parent) {
    auto* step = new QWidget(parent);
    QVBoxLayout* layout = StepParts::column(step, 16);
    layout->addStretch(1);
    StepParts::addMark(layout, look, step);
    const auto configured = ProviderAddress::configured();
    const QString* base = std::get_if<QString>(&configured);
    const QString recipient = base ? ProviderAddress::keyRecipient(*base) : QString();
    StepParts::addTitle(
        layout, QStringLiteral("Add your OpenAI key"),
        recipient.isEmpty() || recipient == QLatin1String("OpenAI")
            ? QStringLiteral("Palimo uses your own OpenAI account. The key is kept in your "
                             "system keyring and sent only to OpenAI.")
            : QStringLiteral("The key is kept in your system keyring and sent only to %1.")
                  .arg(recipient),
        step);
    auto* field = new KeyField(model, step);
    field->setEchoMode(QLineEdit::Password);
    field->setPlaceholderText(QStringLiteral("sk-…"));
    field->setAccessibleName(QStringLiteral("OpenAI API key"));
    field->setText(model.apiKey());
    StepParts::addCentered(layout, field, 380);

    auto* saveAndTest = new QPushButton(QStringLiteral("Save and test"), step);
    auto* status = new KeyStatusView(step);
    auto* row = new QHBoxLayout();
    row->setSpacing(10);
    row->addStretch(1);
    row->addWidget(saveAndTest);
    row->addWidget(status, 1);
    layout->addLayout(row);

    QPushButton* link = ViewStyle::linkButton(QStringLiteral("Get a key from OpenAI"), step);
    layout->addWidget(link, 0, Qt::AlignHCenter);
    QLabel* modelNote = ViewStyle::captionLabel(
        QStringLiteral("Palimo uses ") + QStringLiteral("GPT-4o mini") +
            QStringLiteral(". We picked it as the best compromise: fast enough to feel instant, "
                           "good enough at rewriting, and cheap enough that a heavy month costs "
                           "less than a coffee."),
        step);
    modelNote->setAlignment(Qt::AlignHCenter);
    StepParts::addCentered(layout, modelNote, 420);
    layout->addStretch(1);
    QPushButton* later = ViewStyle::linkButton(QStringLiteral("I'll do this later"), step);
    layout->addWidget(later, 0, Qt::AlignHCenter);

    QObject::connect(field, &QLineEdit::textChanged, &model, &OnboardingModel::setApiKey);
    QObject::connect(saveAndTest, &QPushButton::clicked, &model,
                     [&model] { model.saveAndTestKey(); });
    QObject::connect(link, &QPushButton::clicked, step,
                     [] { QDesktopServices::openUrl(QUrl(GeneralTab::keyPageAddress)); });
    QObject::connect(later, &QPushButton::clicked, &model, &OnboardingModel::finish);
    const auto show = [&model, field, saveAndTest, status] {
        if (field->text() != model.apiKey()) {
            field->setText(model.apiKey());
        }
        saveAndTest->setEnabled(model.keyState().kind != KeyState::Kind::checking);
        status->display(model.keyState());
    };
    QObject::connect(&model, &OnboardingModel::changed, step, show);
    show();
    // Without a working key, ready for a paste once the step is in its window; with one,
    // Return keeps moving on instead of testing the key again.
    if (model.keyState().kind != KeyState::Kind::valid) {
        QTimer::singleShot(0, field, [field] { field->setFocus(Qt::OtherFocusReason); });
    }
    return step;
}

} // namespace OnboardingSteps
