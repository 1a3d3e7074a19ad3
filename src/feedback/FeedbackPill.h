#pragma once

#include "feedback/Anchor.h"
#include "feedback/CaretLocator.h"
#include "feedback/PillState.h"
#include "feedback/PillView.h"
#include "rewrite/RewriteFeedback.h"

#include <QObject>
#include <QPropertyAnimation>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

class QSoundEffect;

// The floating pill next to the text being rewritten: the working mark while the model works,
// then a check mark, a cross or the failure's message, which fade away by themselves. The
// window is created on the first display and kept. Main thread only.
class FeedbackPill final : public QObject, public RewriteFeedback {
public:
    struct Resources {
        PillView::Look look;
        std::function<QSoundEffect*()> doneSound;      // null: no sound
        std::function<QSoundEffect*()> cancelledSound; // null: no sound
        std::function<bool()> soundEnabled;
    };

    struct Timing {
        using ms = std::chrono::milliseconds;
        ms fadeIn{120};
        ms doneVisible{900}; // after succeeded() and cancelled()
        ms failedVisible{4000};
        ms fadeOut{250};
        ms orderOut{280}; // after the fade-out starts, the window is taken off the screen
    };

    FeedbackPill(CaretLocator& locator, Resources resources, Timing timing);
    ~FeedbackPill() override;

    void working() override;
    void succeeded() override;
    // The check mark with the note, left up as long as a failure's message.
    void readyToPaste(const QString& note) override;
    void cancelled() override;
    void failed(const QString& message) override;

    // The window, once a display created it.
    PillView* view() const { return m_view.get(); }
    const Anchor& anchor() const { return m_anchor; }

private:
    void play(const std::function<QSoundEffect*()>& sound);
    // Shows the state at the stored anchor when there is a window, else at a fresh one.
    void showWhereLast(const PillState& state, Timing::ms visibleFor);
    QCoro::Task<> locateAndShow(PillState state, std::optional<Timing::ms> visibleFor);
    void show(const PillState& state, const Anchor& anchor);
    void scheduleHide(Timing::ms after);
    void hide();

    CaretLocator& m_locator;
    Resources m_resources;
    Timing m_timing;
    std::unique_ptr<PillView> m_view;
    Anchor m_anchor;
    QTimer m_hideTask; // the pending automatic hide or order-out; at most one
    QPropertyAnimation m_fade;
    quint64 m_generation = 0; // a later operation supersedes a display still locating
};
