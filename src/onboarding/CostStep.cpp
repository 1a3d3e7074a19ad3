#include "onboarding/OnboardingModel.h"
#include "onboarding/OnboardingSteps.h"
#include "onboarding/StepParts.h"
#include "settingswindow/ViewStyle.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QLinearGradient>
#include <QScrollArea>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

namespace OnboardingSteps {

namespace {

// The slider moves in steps of 100 rewrites.
constexpr int sliderUnit = 100;

const QString sampleMessage = QStringLiteral(
    "Hi Brenna,\n\n"
    "Thanks for sending the deck over yesterday. I went through it on the train this morning and "
    "I think the structure works — the problem is stated clearly, and the three options at the "
    "end are easy to compare.\n\n"
    "Two things I would change before we show it to the client. The pricing slide assumes the "
    "old discount, which we retired in June, so the totals are about eight per cent low. And the "
    "case study on slide eleven is from a project we never finished, which somebody in the room "
    "will remember.\n\n"
    "Could you look at both before Thursday? Happy to sit down together if that is quicker than "
    "passing the file back and forth.\n\n"
    "Thanks,\nAnselm");

// A message of about 200 tokens, fading out towards the bottom of its box.
QWidget* sampleMessageBox(QWidget* parent) {
    auto* area = new QScrollArea(parent);
    area->setFixedHeight(84);
    area->setFrameShape(QFrame::NoFrame);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setWidgetResizable(true);
    QLabel* text = ViewStyle::captionLabel(sampleMessage, area);
    text->setContentsMargins(8, 8, 8, 8);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text->setAutoFillBackground(true);
    QPalette palette = text->palette();
    QColor shade = palette.color(QPalette::PlaceholderText);
    shade.setAlphaF(0.08F);
    palette.setColor(QPalette::Window, shade);
    text->setPalette(palette);
    area->setWidget(text);
    QLinearGradient fade(0, 0, 0, 1);
    fade.setCoordinateMode(QGradient::ObjectMode);
    fade.setColorAt(0, Qt::black);
    fade.setColorAt(0.45, Qt::black);
    fade.setColorAt(0.8, QColor(0, 0, 0, 89));
    fade.setColorAt(1, Qt::transparent);
    auto* effect = new QGraphicsOpacityEffect(area->viewport());
    effect->setOpacityMask(fade);
    area->viewport()->setGraphicsEffect(effect);
    return area;
}

} // namespace

QWidget* cost(OnboardingModel& model, const OnboardingLook& look, QWidget* parent) {
    auto* step = new QWidget(parent);
    QVBoxLayout* layout = StepParts::column(step, 16);
    StepParts::addTitle(layout, QStringLiteral("What this costs"),
                        QStringLiteral("You pay OpenAI directly, per rewrite. Drag to see what "
                                       "your month would look like."),
                        step);
    QLabel* costLabel = StepParts::addBigAccentLabel(
        layout, model.costText(), QStringLiteral("Monthly cost"), 32, look, step);

    auto* slider = new QSlider(Qt::Horizontal, step);
    slider->setRange(500 / sliderUnit, 20000 / sliderUnit);
    slider->setPageStep(10);
    slider->setAccessibleName(QStringLiteral("Rewrites a month"));
    slider->setValue(static_cast<int>(std::lround(model.rewritesPerMonth() / sliderUnit)));
    QLabel* rewrites = StepParts::callout(model.rewritesText(), step);
    auto* sliderBlock = new QWidget(step);
    QVBoxLayout* sliderColumn = StepParts::column(sliderBlock, 4);
    sliderColumn->addWidget(slider);
    sliderColumn->addWidget(rewrites);
    StepParts::addCentered(layout, sliderBlock, 400);

    auto* sampleBlock = new QWidget(step);
    QVBoxLayout* sampleColumn = StepParts::column(sampleBlock, 4);
    QLabel* counting = ViewStyle::captionLabel(
        QStringLiteral("Counting one rewrite as roughly 200 tokens in and 200 back — a message "
                       "about this long, and its rewritten twin:"),
        step);
    sampleColumn->addWidget(counting);
    sampleColumn->addWidget(sampleMessageBox(sampleBlock));
    StepParts::addCentered(layout, sampleBlock, 420);

    QObject::connect(slider, &QSlider::valueChanged, &model, [&model](int value) {
        model.setRewritesPerMonth(static_cast<double>(value) * sliderUnit);
    });
    QObject::connect(&model, &OnboardingModel::changed, step, [&model, costLabel, rewrites] {
        costLabel->setText(model.costText());
        rewrites->setText(model.rewritesText());
    });
    return step;
}

} // namespace OnboardingSteps
