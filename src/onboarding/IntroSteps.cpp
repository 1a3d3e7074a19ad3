#include "onboarding/OnboardingModel.h"
#include "onboarding/OnboardingSteps.h"
#include "onboarding/StepParts.h"
#include "settingswindow/ViewStyle.h"

#include <QLabel>
#include <QVBoxLayout>

namespace OnboardingSteps {

namespace {

QVBoxLayout* spacedColumn(QWidget* step) {
    QVBoxLayout* layout = StepParts::column(step, 18);
    layout->addStretch(1);
    return layout;
}

bool isWaylandSession() {
    return qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

QWidget* welcome(OnboardingModel& model, const OnboardingLook& look, QWidget* parent) {
    auto* step = new QWidget(parent);
    QVBoxLayout* layout = spacedColumn(step);
    StepParts::addMark(layout, look, step);
    StepParts::addTitle(layout, QStringLiteral("Welcome to Palimo"),
                        QStringLiteral("Select text in any app, press ") + model.shortcutDisplay() +
                            QStringLiteral(", and it is rewritten in place."),
                        step);
    layout->addWidget(
        StepParts::callout(QStringLiteral("Two things to set up. It takes a minute."), step));
    layout->addStretch(1);
    return step;
}

QWidget* accessibility(OnboardingModel& model, const OnboardingLook& look, QWidget* parent) {
    auto* step = new QWidget(parent);
    QVBoxLayout* layout = spacedColumn(step);
    StepParts::addMark(layout, look, step);
    StepParts::addTitle(layout, QStringLiteral("Let Palimo use your keyboard"),
                        QStringLiteral("Palimo presses Copy and Paste for you. On Linux that "
                                       "needs an X11 session, whose XTest extension lets it "
                                       "send those keystrokes."),
                        step);
    QWidget* allowed = StepParts::successLine(QStringLiteral("Allowed"), step);
    QLabel* refused = StepParts::callout(
        QStringLiteral("Keystrokes can't be sent in this session, so Palimo can't copy or paste. "
                       "Log in to an X11 session (on the login screen, pick one \"on Xorg\") "
                       "and start Palimo again. This window notices as soon as you do."),
        step);
    ViewStyle::tint(refused, ViewStyle::red);
    layout->addWidget(allowed, 0, Qt::AlignHCenter);
    StepParts::addCentered(layout, refused, 380);
    if (isWaylandSession()) {
        StepParts::addCentered(
            layout,
            StepParts::callout(QStringLiteral("This is a Wayland session: Palimo reaches only "
                                              "the applications that run under XWayland."),
                               step),
            380);
    }
    layout->addStretch(1);
    const auto show = [&model, allowed, refused] {
        allowed->setVisible(model.accessibilityGranted());
        refused->setVisible(!model.accessibilityGranted());
    };
    QObject::connect(&model, &OnboardingModel::changed, step, show);
    show();
    return step;
}

QWidget* current(OnboardingModel& model, const OnboardingLook& look, QWidget* parent) {
    switch (model.step()) {
    case OnboardingModel::Step::welcome:
        return welcome(model, look, parent);
    case OnboardingModel::Step::accessibility:
        return accessibility(model, look, parent);
    case OnboardingModel::Step::apiKey:
        return apiKey(model, look, parent);
    case OnboardingModel::Step::cost:
        return cost(model, look, parent);
    case OnboardingModel::Step::tryIt:
        break;
    }
    return tryIt(model, look, parent);
}

} // namespace OnboardingSteps
