#include "feedback/FeedbackPill.h"

#include "feedback/ScreenGeometry.h"

#include <QAudioDevice>
#include <QEasingCurve>
#include <QMediaDevices>
#include <QPointer>
#include <QSoundEffect>

FeedbackPill::FeedbackPill(CaretLocator& locator, Resources resources, Timing timing)
    : m_locator(locator)
    , m_resources(std::move(resources))
    , m_timing(timing) {
    m_hideTask.setSingleShot(true);
    m_fade.setPropertyName("windowOpacity");
    m_fade.setEasingCurve(QEasingCurve::OutCubic);
}

FeedbackPill::~FeedbackPill() {
    m_fade.stop();
    m_fade.setTargetObject(nullptr);
}

void FeedbackPill::working() {
    locateAndShow(PillState{PillState::Kind::working, {}}, std::nullopt);
}

void FeedbackPill::succeeded() {
    play(m_resources.doneSound);
    showWhereLast(PillState{PillState::Kind::done, {}}, m_timing.doneVisible);
}

void FeedbackPill::readyToPaste(const QString& note) {
    play(m_resources.doneSound);
    showWhereLast(PillState{PillState::Kind::done, note}, m_timing.failedVisible);
}

void FeedbackPill::cancelled() {
    play(m_resources.cancelledSound);
    showWhereLast(PillState{PillState::Kind::cancelled, {}}, m_timing.doneVisible);
}

void FeedbackPill::failed(const QString& message) {
    showWhereLast(PillState::failedWith(message), m_timing.failedVisible);
}

void FeedbackPill::play(const std::function<QSoundEffect*()>& sound) {
    if (!sound || !m_resources.soundEnabled || !m_resources.soundEnabled()) {
        return;
    }
    QSoundEffect* effect = sound();
    // Without an audio device the run stays silent, without a complaint on the console.
    if (effect == nullptr || QMediaDevices::audioOutputs().isEmpty()) {
        return;
    }
    if (effect->isPlaying()) {
        effect->stop();
    }
    effect->play();
}

void FeedbackPill::showWhereLast(const PillState& state, Timing::ms visibleFor) {
    if (m_view) {
        ++m_generation;
        show(state, m_anchor);
        scheduleHide(visibleFor);
    } else {
        locateAndShow(state, visibleFor);
    }
}

QCoro::Task<> FeedbackPill::locateAndShow(PillState state, std::optional<Timing::ms> visibleFor) {
    const quint64 generation = ++m_generation;
    QPointer<FeedbackPill> self(this);
    const Anchor anchor = co_await m_locator.anchor();
    if (!self || generation != m_generation) {
        co_return; // a later display took over while the caret was being found
    }
    show(state, anchor);
    if (visibleFor) {
        scheduleHide(*visibleFor);
    }
}

void FeedbackPill::show(const PillState& state, const Anchor& anchor) {
    m_hideTask.stop();
    m_anchor = anchor;
    if (!m_view) {
        m_view = std::make_unique<PillView>(m_resources.look);
        m_fade.setTargetObject(m_view.get());
    }
    m_view->setState(state);
    const QPointF origin = ScreenGeometry::pillOrigin(anchor, QSizeF(m_view->size()),
                                                      ScreenGeometry::currentScreens());
    m_view->move(origin.toPoint());
    const bool fadingOut =
        m_fade.state() == QAbstractAnimation::Running && m_fade.endValue().toReal() < 1.0;
    if (m_view->isVisible() && !fadingOut && m_view->windowOpacity() >= 1.0) {
        return; // stays at full opacity; only content and place changed
    }
    m_fade.stop();
    if (!m_view->isVisible()) {
        m_view->setWindowOpacity(0.0);
        m_view->show();
    }
    m_fade.setDuration(static_cast<int>(m_timing.fadeIn.count()));
    m_fade.setStartValue(m_view->windowOpacity());
    m_fade.setEndValue(1.0);
    m_fade.start();
}

void FeedbackPill::scheduleHide(Timing::ms after) {
    m_hideTask.disconnect();
    connect(&m_hideTask, &QTimer::timeout, this, [this] { hide(); });
    m_hideTask.start(after);
}

void FeedbackPill::hide() {
    if (!m_view) {
        return;
    }
    m_fade.stop();
    m_fade.setDuration(static_cast<int>(m_timing.fadeOut.count()));
    m_fade.setStartValue(m_view->windowOpacity());
    m_fade.setEndValue(0.0);
    m_fade.start();
    m_hideTask.disconnect();
    connect(&m_hideTask, &QTimer::timeout, this, [this] {
        // A display that came in meanwhile stopped this timer; the check guards the rest.
        if (m_view && m_view->windowOpacity() <= 0.0) {
            m_view->hide();
        }
    });
    m_hideTask.start(m_timing.orderOut);
}
