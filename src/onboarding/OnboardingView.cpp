#include "onboarding/OnboardingView.h"

#include "onboarding/OnboardingModel.h"
#include "onboarding/OnboardingSteps.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// One dot per step, the current one in the user's highlight colour.
class StepDots final : public QWidget {
public:
    StepDots(const OnboardingModel& model, QWidget* parent)
        : QWidget(parent)
        , m_model(model) {
        setFixedSize(OnboardingModel::stepCount * (dot + gap) - gap, dot);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        QColor other = palette().color(QPalette::PlaceholderText);
        other.setAlphaF(0.3F);
        for (int index = 0; index < OnboardingModel::stepCount; ++index) {
            const bool current = index == static_cast<int>(m_model.step());
            painter.setBrush(current ? palette().color(QPalette::Highlight) : other);
            painter.drawEllipse(QRectF(index * (dot + gap), 0, dot, dot));
        }
    }

private:
    static constexpr int dot = 6;
    static constexpr int gap = 6;
    const OnboardingModel& m_model;
};

} // namespace

OnboardingView::OnboardingView(OnboardingModel& model, OnboardingLook look, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_look(std::move(look)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_stepLayout = new QVBoxLayout();
    m_stepLayout->setContentsMargins(28, 28, 28, 28);
    layout->addLayout(m_stepLayout, 1);
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    layout->addWidget(divider);

    auto* footer = new QHBoxLayout();
    footer->setContentsMargins(20, 14, 20, 14);
    m_back = new QPushButton(QStringLiteral("Back"), this);
    // Hidden on the first step, but keeping its place so the dots stay put.
    QSizePolicy keepPlace = m_back->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    m_back->setSizePolicy(keepPlace);
    m_primary = new QPushButton(this);
    m_primary->setDefault(true);
    m_dots = new StepDots(model, this);
    footer->addWidget(m_back);
    footer->addStretch(1);
    footer->addWidget(m_dots);
    footer->addStretch(1);
    footer->addWidget(m_primary);
    layout->addLayout(footer);

    connect(m_back, &QPushButton::clicked, &m_model, &OnboardingModel::goBack);
    connect(m_primary, &QPushButton::clicked, &m_model, &OnboardingModel::advance);
    // Queued: the change may come from inside the step being replaced (the try-out box's own
    // text change), which must not be deleted under its feet.
    connect(&m_model, &OnboardingModel::changed, this, &OnboardingView::showModel,
            Qt::QueuedConnection);
    showModel();
}

int OnboardingView::shownForm() const {
    const int step = static_cast<int>(m_model.step());
    return m_model.step() == OnboardingModel::Step::tryIt && m_model.rewriteSeen() ? step + 1
                                                                                   : step;
}

void OnboardingView::showModel() {
    if (shownForm() != m_form) {
        m_form = shownForm();
        if (m_step) {
            m_step->hide();
            m_step->deleteLater();
        }
        m_step = OnboardingSteps::current(m_model, m_look, this);
        m_stepLayout->addWidget(m_step);
    }
    const bool last = m_model.step() == OnboardingModel::Step::tryIt;
    m_back->setVisible(m_model.step() != OnboardingModel::Step::welcome);
    m_primary->setText(last ? QStringLiteral("Finish") : QStringLiteral("Continue"));
    m_primary->setEnabled(m_model.canAdvance());
    m_dots->update();
}

void OnboardingView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_model.advance();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}
