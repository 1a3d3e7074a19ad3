#include "feedback/PromptPanel.h"

#include "feedback/PromptPanelView.h"
#include "feedback/ScreenGeometry.h"

#include <QEvent>
#include <QPointer>
#include <QWindow>

namespace {

// The view may be the sender of the signal that closes it: delete it once that returns.
void closeView(PromptPanelView* view) {
    if (view != nullptr) {
        view->hide();
        view->deleteLater();
    }
}

} // namespace

PromptPanel::PromptPanel(Workspace& workspace, Sources sources)
    : m_workspace(workspace)
    , m_sources(std::move(sources))
    , m_view(nullptr, &closeView) {}

PromptPanel::~PromptPanel() = default;

void PromptPanel::present(Completion completion) {
    dismiss(std::nullopt);
    m_completion = std::move(completion);
    const QPointer<PromptPanel> self(this);
    m_view.reset(new PromptPanelView(
        m_sources.presets(), m_sources.translucent(),
        [self](const QString& instructions) {
            if (self) {
                self->dismiss(instructions);
            }
        },
        [self] {
            if (self) {
                self->dismiss(std::nullopt);
            }
        }));
    m_view->adjustSize();
    const QPointF origin = ScreenGeometry::panelOrigin(m_sources.pointer(), QSizeF(m_view->size()),
                                                       ScreenGeometry::currentScreens());
    m_view->move(origin.toPoint());
    m_activationAsked = false;
    m_view->show();
    m_view->windowHandle()->installEventFilter(this);
    m_view->raise();
    m_view->activateWindow();
}

// Window managers may refuse the focus to a program that is not in front; asking through the
// desktop, once the window is mapped, names the user's key press as the reason.
bool PromptPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Expose && m_view && watched == m_view->windowHandle() &&
        m_view->windowHandle()->isExposed() && !m_activationAsked) {
        m_activationAsked = true;
        const auto window = static_cast<std::uint64_t>(m_view->winId());
        m_workspace.activate(Workspace::ActiveWindow{window, window, {}, {}, 0});
    }
    return QObject::eventFilter(watched, event);
}

void PromptPanel::dismiss(std::optional<QString> answer) {
    m_view.reset();
    Completion completion = std::move(m_completion);
    m_completion = nullptr;
    if (completion) {
        completion(std::move(answer));
    }
}
