#include "onboarding/OnboardingWindowController.h"

#include "onboarding/OnboardingModel.h"
#include "onboarding/OnboardingView.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

OnboardingWindowController::OnboardingWindowController(std::unique_ptr<OnboardingModel> model,
                                                       OnboardingLook look, QObject* parent)
    : QObject(parent)
    , m_model(std::move(model)) {
    m_view = new OnboardingView(*m_model, std::move(look));
    m_view->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    m_view->setWindowTitle(title);
    m_view->setObjectName(QStringLiteral("PalimoOnboarding"));
    m_view->setFixedSize(width, height);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), m_view->size());
        frame.moveCenter(screen->availableGeometry().center());
        m_view->move(frame.topLeft());
    }
    m_view->installEventFilter(this);
    const QPointer<OnboardingWindowController> self(this);
    m_model->setOnClose([self] {
        if (self) {
            self->close();
        }
    });
}

OnboardingWindowController::~OnboardingWindowController() {
    delete m_view;
}

QWidget* OnboardingWindowController::window() const {
    return m_view;
}

OnboardingView* OnboardingWindowController::view() const {
    return m_view.data();
}

bool OnboardingWindowController::isVisible() const {
    return m_view && m_view->isVisible();
}

void OnboardingWindowController::show() {
    if (!m_open) {
        m_open = true;
        if (m_onOpened) {
            m_onOpened();
        }
    }
    m_view->showNormal();
    m_view->raise();
    m_view->activateWindow();
}

void OnboardingWindowController::close() {
    if (m_view) {
        m_view->close();
    }
}

bool OnboardingWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view && event->type() == QEvent::Close) {
        event->ignore();
        m_view->hide();
        m_model->markCompleted();
        if (m_open) {
            m_open = false;
            if (m_onClosed) {
                m_onClosed();
            }
        }
        return true;
    }
    return QObject::eventFilter(watched, event);
}
