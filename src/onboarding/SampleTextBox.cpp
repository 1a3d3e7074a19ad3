#include "onboarding/SampleTextBox.h"

#include "onboarding/OnboardingModel.h"
#include "settingswindow/ViewStyle.h"

#include <QTimer>

SampleTextBox::SampleTextBox(OnboardingModel& model, QWidget* parent)
    : QPlainTextEdit(parent)
    , m_model(model) {
    QFont font = this->font();
    font.setPixelSize(14);
    setFont(font);
    document()->setDocumentMargin(8);
    setAccessibleName(QStringLiteral("Sample text"));
    setPlainText(model.sampleText());
    connect(this, &QPlainTextEdit::textChanged, this,
            [this] { m_model.setSampleText(ViewStyle::editorText(this)); });
    connect(&model, &OnboardingModel::changed, this, &SampleTextBox::showModel);
    // On the next turn, once the box is in its window: the window may only now be active.
    QTimer::singleShot(0, this, [this] {
        setFocus(Qt::OtherFocusReason);
        selectAll();
    });
}

void SampleTextBox::showModel() {
    // Only a change from outside (the sentence put back) is copied in; the selection stays.
    if (ViewStyle::editorText(this) != m_model.sampleText()) {
        setPlainText(m_model.sampleText());
    }
}
