#pragma once

#include "onboarding/OnboardingLook.h"

class OnboardingModel;
class QWidget;

// The content of each of the guide's five steps, built anew whenever the step comes on screen.
// Each keeps itself up to date with the model while it lives.
namespace OnboardingSteps {

QWidget* welcome(OnboardingModel& model, const OnboardingLook& look, QWidget* parent);
QWidget* accessibility(OnboardingModel& model, const OnboardingLook& look, QWidget* parent);
QWidget* apiKey(OnboardingModel& model, const OnboardingLook& look, QWidget* parent);
QWidget* cost(OnboardingModel& model, const OnboardingLook& look, QWidget* parent);
QWidget* tryIt(OnboardingModel& model, const OnboardingLook& look, QWidget* parent);

// The one for the model's current step.
QWidget* current(OnboardingModel& model, const OnboardingLook& look, QWidget* parent);

} // namespace OnboardingSteps
