#include "onboarding/OnboardingModel.h"
#include "onboarding/OnboardingSteps.h"
#include "onboarding/SampleTextBox.h"
#include "onboarding/StepParts.h"
#include "settingswindow/ViewStyle.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace OnboardingSteps {

namespace {

QWidget* invitation(OnboardingModel& model, const OnboardingLook& look, QWidget* parent) {
    auto* form = new QWidget(parent);
    QVBoxLayout* layout = StepParts::column(form, 16);
    StepParts::addTitle(layout, QStringLiteral("Try it"),
                        QStringLiteral("The sentence below is selected. Press the shortcut and "
                                       "watch it change."),
                        form);
    StepParts::addBigAccentLabel(layout, model.shortcutDisplay(), QStringLiteral("Shortcut"), 22,
                                 look, form);
    auto* box = new SampleTextBox(model, form);
    box->setFixedHeight(96);
    layout->addWidget(box);
    layout->addStretch(1);
    return form;
}

QWidget* success(OnboardingModel& model, QWidget* parent) {
    auto* form = new QWidget(parent);
    QVBoxLayout* layout = StepParts::column(form, 16);
    layout->addStretch(1);
    QWidget* done = StepParts::successLine(QStringLiteral("That's it"), form);
    QFont font = done->font();
    font.setPointSizeF(font.pointSizeF() * 1.55);
    font.setWeight(QFont::DemiBold);
    done->setFont(font);
    layout->addWidget(done, 0, Qt::AlignHCenter);
    StepParts::addCentered(layout,
                           StepParts::callout(QStringLiteral("It works the same way in any app. "
                                                             "Palimo lives in the system tray — "
                                                             "settings and styles are there."),
                                              form),
                           400);
    QPushButton* again = ViewStyle::linkButton(QStringLiteral("Try another one"), form);
    layout->addWidget(again, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    QObject::connect(again, &QPushButton::clicked, &model, &OnboardingModel::tryAnother);
    return form;
}

} // namespace

QWidget* tryIt(OnboardingModel& model, const OnboardingLook& look, QWidget* parent) {
    return model.rewriteSeen() ? success(model, parent) : invitation(model, look, parent);
}

} // namespace OnboardingSteps
