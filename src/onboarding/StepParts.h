#pragma once

#include "onboarding/OnboardingLook.h"

#include <QString>

class QBoxLayout;
class QLabel;
class QVBoxLayout;
class QWidget;

// The pieces every step of the guide is built from.
namespace StepParts {

// A step's vertical stack, edge to edge, with its spacing.
QVBoxLayout* column(QWidget* step, int spacing);
// The brand mark, 44 x 44, tinted in the accent colour; nothing when there is no mark.
void addMark(QBoxLayout* layout, const OnboardingLook& look, QWidget* parent);
// The title (larger, semibold) over the subtitle (secondary colour, centred, wrapping).
void addTitle(QBoxLayout* layout, const QString& title, const QString& subtitle, QWidget* parent);
// A centred, wrapping text in the secondary colour.
QLabel* callout(const QString& text, QWidget* parent);
// Adds the widget centred, as wide as the step allows up to maxWidth. Wrapped labels get the
// height they need at that width (an alignment in the column would cut them to one line).
void addCentered(QBoxLayout* layout, QWidget* widget, int maxWidth);
// A green "✓ text" line.
QWidget* successLine(const QString& text, QWidget* parent);
// A label in the system font at pointSize, semibold, in the accent colour.
// Added to the layout, with its name for screen readers.
QLabel* addBigAccentLabel(QBoxLayout* layout, const QString& text, const QString& name,
                          qreal pointSize, const OnboardingLook& look, QWidget* parent);

} // namespace StepParts
