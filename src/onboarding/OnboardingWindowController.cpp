#include "onboarding/OnboardingWindowController.h"

#include "onboarding/OnboardingModel.h"
#include "onboarding/OnboardingView.h"

#include <QMainWindow>

OnboardingWindowController::OnboardingWindowController(std::unique_ptr<OnboardingModel> model,
                                                       OnboardingLook look, QObject* parent)
    : QObject(parent)
    , m_model(std::move(model)) {
    // A main window, so screen readers meet it as an application's frame.
    auto* window =
        new QMainWindow(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    m_window = window;
    window->setWindowTitle(title);
    window->setObjectName(QStringLiteral("PalimoOnboarding"));
    window->setFixedSize(width, height);
    m_view = new OnboardingView(*m_model, std::move(look), window);
    window->setCentralWidget(m_view);
    m_presence.attach(window);
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
    delete m_window;
}

QWidget* OnboardingWindowController::window() const {
    return m_window;
}

OnboardingView* OnboardingWindowController::view() const {
    return m_view.data();
}

bool OnboardingWindowController::isVisible() const {
    return m_window && m_window->isVisible();
}

void OnboardingWindowController::show() {
    m_presence.show();
}

void OnboardingWindowController::close() {
    if (m_window) {
        m_window->close();
    }
}
