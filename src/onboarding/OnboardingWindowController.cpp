#include "onboarding/OnboardingWindowController.h"

#include "onboarding/OnboardingModel.h"
#include "onboarding/OnboardingView.h"

OnboardingWindowController::OnboardingWindowController(std::unique_ptr<OnboardingModel> model,
                                                       OnboardingLook look, QObject* parent)
    : QObject(parent)
    , m_model(std::move(model)) {
    m_view = new OnboardingView(*m_model, std::move(look));
    m_view->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    m_view->setWindowTitle(title);
    m_view->setObjectName(QStringLiteral("PalimoOnboarding"));
    m_view->setFixedSize(width, height);
    m_presence.attach(m_view);
    // Closing the window at any step counts as completing the guide.
    OnboardingModel* guide = m_model.get();
    m_presence.setOnClosing([guide] { guide->markCompleted(); });
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
    m_presence.show();
}

void OnboardingWindowController::close() {
    if (m_view) {
        m_view->close();
    }
}
